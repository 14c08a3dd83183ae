// linktool: tries the modem link from the command line.
//   linktool lines
//   linktool listen [--line N] [--count K] [--out DIR] [--timeout SECONDS]
//   linktool send --call NUMBER [--line N] [--type T] [--timeout SECONDS] FILE...
// Exit status 0 only when every message arrived (listen) or was acknowledged (send).
#include "common/Clock.h"
#include "common/SettingsStore.h"
#include "modem/CommRx.h"
#include "modem/ModemLog.h"
#include "modem/QtTimerScheduler.h"
#include "modem/SystemLineService.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

using namespace korvex;

constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;

struct Options {
    QString command;
    int line = -1;
    int count = 1;
    int type = 1;
    int timeoutSeconds = 0;
    QString out = QStringLiteral(".");
    QString call;
    QStringList files;
};

void Print(const QString& text) {
    std::fputs(qPrintable(text + QLatin1Char('\n')), stdout);
    std::fflush(stdout);
}

void PrintError(const QString& text) {
    std::fputs(qPrintable(QStringLiteral("linktool: ") + text + QLatin1Char('\n')), stderr);
}

std::optional<Options> ParseOptions(const QStringList& args) {
    if (args.size() < 2) {
        return std::nullopt;
    }
    Options options;
    options.command = args[1];
    for (int i = 2; i < args.size(); ++i) {
        const QString& arg = args[i];
        const bool hasValue = i + 1 < args.size();
        bool ok = true;
        if (arg == QLatin1String("--line") && hasValue) {
            options.line = args[++i].toInt(&ok);
        } else if (arg == QLatin1String("--count") && hasValue) {
            options.count = args[++i].toInt(&ok);
            ok = ok && options.count > 0;
        } else if (arg == QLatin1String("--type") && hasValue) {
            options.type = args[++i].toInt(&ok);
            ok = ok && options.type >= 0 && options.type <= 0x3F;
        } else if (arg == QLatin1String("--timeout") && hasValue) {
            options.timeoutSeconds = args[++i].toInt(&ok);
        } else if (arg == QLatin1String("--out") && hasValue) {
            options.out = args[++i];
        } else if (arg == QLatin1String("--call") && hasValue) {
            options.call = args[++i];
        } else if (!arg.startsWith(QLatin1String("--"))) {
            options.files.append(arg);
        } else {
            ok = false;
        }
        if (!ok) {
            return std::nullopt;
        }
    }
    return options;
}

void Usage() {
    PrintError(QStringLiteral(
        "usage: linktool lines\n"
        "       linktool listen [--line N] [--count K] [--out DIR] [--timeout SECONDS]\n"
        "       linktool send --call NUMBER [--line N] [--type T] [--timeout SECONDS] "
        "FILE..."));
}

// Ends the program with `code` once the event loop runs again.
void Finish(int code) {
    QTimer::singleShot(0, [code] { QCoreApplication::exit(code); });
}

void ArmTimeout(int seconds, const char* what) {
    if (seconds > 0) {
        QTimer::singleShot(seconds * 1000, [what] {
            PrintError(QString::fromLatin1(what));
            QCoreApplication::exit(kExitFailed);
        });
    }
}

int Listen(CCommRx& rx, const Options& options) {
    if (!QDir().mkpath(options.out)) {
        PrintError(QStringLiteral("cannot create %1").arg(options.out));
        return kExitUsage;
    }
    int received = 0;
    bool finishing = false;
    QObject::connect(&rx, &CCommRx::commData, [&](int, int size) {
        std::vector<uint8_t> buffer(static_cast<size_t>(size));
        const ReceivedMessage message = rx.ReadMessage(buffer);
        rx.EnableDelivery(true);
        if (message.tooLarge || finishing) {
            return;
        }
        ++received;
        const QString name =
            QStringLiteral("%1-%2.bin").arg(received, 4, 10, QLatin1Char('0')).arg(message.type);
        QFile file(QDir(options.out).filePath(name));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(reinterpret_cast<const char*>(buffer.data()), qint64(buffer.size())) !=
                qint64(buffer.size())) {
            PrintError(QStringLiteral("cannot write %1").arg(file.fileName()));
            rx.Close();
            Finish(kExitFailed);
            return;
        }
        Print(QStringLiteral("received %1 (%2 bytes, type %3)")
                  .arg(name)
                  .arg(buffer.size())
                  .arg(message.type));
        if (received == options.count) {
            finishing = true;
        }
    });
    // The last acknowledgement must leave before the call ends.
    QObject::connect(&rx, &CCommRx::commReady, [&] {
        if (finishing && rx.SendQueueSize() == 0) {
            finishing = false;
            QTimer::singleShot(500, [&] {
                rx.Close();
                Finish(kExitOk);
            });
        }
    });
    QObject::connect(&rx, &CCommRx::commStatus, [&](int status, const QString&) {
        if (status == kCommStatusUp) {
            Print(QStringLiteral("connected"));
        }
    });
    QObject::connect(&rx, &CCommRx::commDown, [&] {
        if (received < options.count) {
            PrintError(QStringLiteral("the call ended after %1 of %2 messages")
                           .arg(received)
                           .arg(options.count));
            Finish(kExitFailed);
        }
    });
    QObject::connect(&rx, &CCommRx::commAbort, [&] {
        PrintError(QStringLiteral("transmission stalled; giving up"));
        rx.Close();
        Finish(kExitFailed);
    });
    rx.EnableDelivery(true);
    if (!rx.Listen(options.line)) {
        PrintError(QStringLiteral("cannot open line %1 (see modemlog.txt)").arg(options.line));
        return kExitFailed;
    }
    Print(QStringLiteral("listening on %1").arg(rx.LineAddress()));
    ArmTimeout(options.timeoutSeconds, "timed out");
    return QCoreApplication::exec();
}

int Send(CCommRx& rx, const Options& options) {
    if (options.call.isEmpty() || options.files.isEmpty()) {
        Usage();
        return kExitUsage;
    }
    std::vector<std::vector<uint8_t>> messages;
    for (const QString& path : options.files) {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly)) {
            PrintError(QStringLiteral("cannot read %1").arg(path));
            return kExitUsage;
        }
        const QByteArray bytes = file.readAll();
        if (size_t(bytes.size()) > CCommRx::kMaxMessageBytes) {
            PrintError(QStringLiteral("%1 is longer than %2 bytes")
                           .arg(path)
                           .arg(CCommRx::kMaxMessageBytes));
            return kExitUsage;
        }
        messages.emplace_back(bytes.begin(), bytes.end());
    }
    bool queued = false;
    bool done = false;
    QObject::connect(&rx, &CCommRx::commStatus, [&](int status, const QString&) {
        if (status != kCommStatusUp || queued) {
            return;
        }
        Print(QStringLiteral("connected"));
        for (const auto& message : messages) {
            rx.XmitData(message, uint8_t(options.type));
        }
        queued = true;
    });
    QObject::connect(&rx, &CCommRx::commReady, [&] {
        if (queued && !done && rx.SendQueueSize() == 0 && rx.SentCount() == 0) {
            done = true;
            Print(QStringLiteral("all %1 messages acknowledged").arg(messages.size()));
            rx.Close();
            Finish(kExitOk);
        }
    });
    QObject::connect(&rx, &CCommRx::commDown, [&] {
        if (!done) {
            PrintError(QStringLiteral("the call ended before everything was acknowledged"));
            Finish(kExitFailed);
        }
    });
    QObject::connect(&rx, &CCommRx::commAbort, [&] {
        PrintError(QStringLiteral("transmission stalled; giving up"));
        rx.Close();
        Finish(kExitFailed);
    });
    if (!rx.Call(options.call, options.line)) {
        PrintError(QStringLiteral("the call could not be placed (see modemlog.txt)"));
        return kExitFailed;
    }
    ArmTimeout(options.timeoutSeconds, "timed out");
    return QCoreApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::optional<Options> options = ParseOptions(app.arguments());
    if (!options) {
        Usage();
        return kExitUsage;
    }
    SettingsStore settings;
    SystemLineService lines(LineConfigFromSettings(settings));
    if (options->command == QLatin1String("lines")) {
        for (const LineInfo& line : lines.Lines()) {
            Print(QStringLiteral("%1\t%2").arg(line.index).arg(line.name));
        }
        return kExitOk;
    }
    ModemLog log(ModemLog::DefaultPath());
    QtTimerScheduler scheduler;
    CCommRx rx(lines, scheduler, SystemClock::Instance(), log);
    if (options->command == QLatin1String("listen")) {
        return Listen(rx, *options);
    }
    if (options->command == QLatin1String("send")) {
        return Send(rx, *options);
    }
    Usage();
    return kExitUsage;
}
