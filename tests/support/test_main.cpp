#include <QGuiApplication>

#include <gmock/gmock.h>

// Every test program runs with a Qt application (offscreen), so code that needs an event
// loop, fonts or sockets works the same as in the programs.
int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    if (qEnvironmentVariableIsEmpty("KORVEX_SOURCE_DIR")) {
        qputenv("KORVEX_SOURCE_DIR", KORVEX_SOURCE_DIR_DEFAULT);
    }
    if (qEnvironmentVariableIsEmpty("KORVEX_BIN_DIR")) {
        qputenv("KORVEX_BIN_DIR", KORVEX_BIN_DIR_DEFAULT);
    }
    QGuiApplication app(argc, argv);
    testing::InitGoogleMock(&argc, argv);
    return RUN_ALL_TESTS();
}
