#include "camera/HeadlessProgram.h"

#include <QCommandLineParser>
#include <QGuiApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <sys/socket.h>
#include <unistd.h>
#include <csignal>
#include <cstdio>

namespace {

int signalPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
}

// SIGINT and SIGTERM end the event loop from the loop itself, so the cameras close as usual.
void QuitOnSignals(QCoreApplication& app) {
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, signalPipe) != 0) {
        return;
    }
    auto* notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, &app);
    QObject::connect(notifier, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        [[maybe_unused]] const ssize_t n = read(signalPipe[0], &byte, 1);
        app.quit();
    });
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        // The headless program draws captions on stills without a display.
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QGuiApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex32"));
    QCoreApplication::setApplicationVersion(QStringLiteral(KORVEX_VERSION));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("KORVEX! webcam surveillance"));
    parser.addHelpOption();
    parser.addVersionOption();
    const QCommandLineOption headless(QStringLiteral("headless"),
                                      QStringLiteral("Run without windows."));
    const QCommandLineOption listCameras(QStringLiteral("list-cameras"),
                                         QStringLiteral("List the capture drivers."));
    const QCommandLineOption camera(QStringLiteral("camera"),
                                    QStringLiteral("Open camera <number> (repeatable)."),
                                    QStringLiteral("number"));
    const QCommandLineOption observe(QStringLiteral("observe"), QStringLiteral("Start Observe."));
    const QCommandLineOption lookout(QStringLiteral("lookout"), QStringLiteral("Start Lookout."));
    const QCommandLineOption timer(QStringLiteral("timer"), QStringLiteral("Start the Timer."));
    const QCommandLineOption duration(QStringLiteral("duration"),
                                      QStringLiteral("End after <seconds>."),
                                      QStringLiteral("seconds"));
    parser.addOptions({headless, listCameras, camera, observe, lookout, timer, duration});
    parser.process(app);

    korvex::HeadlessProgram program;
    if (parser.isSet(listCameras)) {
        korvex::ListCameras(program.Drivers());
        return 0;
    }
    if (!parser.isSet(headless)) {
        std::fprintf(stderr,
                     "korvex32: the windowed program is not available in this build; "
                     "use --headless\n");
        return 2;
    }

    korvex::HeadlessOptions options;
    for (const QString& value : parser.values(camera)) {
        bool ok = false;
        const int number = value.toInt(&ok);
        if (!ok || number < 0 || number > 9) {
            std::fprintf(stderr, "korvex32: --camera takes a number from 0 to 9\n");
            return 2;
        }
        options.cameras.push_back(number);
    }
    if (parser.isSet(observe)) {
        options.launch = korvex::LaunchOperation::Observe;
    } else if (parser.isSet(timer)) {
        options.launch = korvex::LaunchOperation::Timer;
    } else if (parser.isSet(lookout)) {
        options.launch = korvex::LaunchOperation::Lookout;
    }
    if (parser.isSet(duration)) {
        bool ok = false;
        const int seconds = parser.value(duration).toInt(&ok);
        if (!ok || seconds < 0) {
            std::fprintf(stderr, "korvex32: --duration takes a number of seconds\n");
            return 2;
        }
        QTimer::singleShot(seconds * 1000, &app, &QCoreApplication::quit);
    }

    QuitOnSignals(app);
    if (!program.Start(options)) {
        return 1;
    }
    const int status = app.exec();
    program.Shutdown();
    return status;
}
