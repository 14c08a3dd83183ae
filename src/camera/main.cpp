#include <QCoreApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex32"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--version") == 0) {
            std::printf("korvex32 %s\n", KORVEX_VERSION);
            return 0;
        }
    }
    std::fprintf(stderr, "usage: korvex32 --version\n");
    return 2;
}
