#pragma once

#include <QDeadlineTimer>
#include <QFileInfo>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTcpSocket>

namespace korvex::test {

// A python server script of these tests (in tests/uploader), run for the life of one test.
// The script prints "PORT <n>" once it listens on 127.0.0.1; the server is stopped when
// this object goes. Every wait has a time limit.
class ServerProcess {
public:
    ServerProcess(const QString& script, const QStringList& arguments) {
        process_.setProgram(Python());
        process_.setArguments(QStringList{ScriptPath(script)} + arguments);
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start();
        if (!process_.waitForStarted(5000)) {
            return;
        }
        const QDeadlineTimer deadline(20000);
        QByteArray output;
        while (!deadline.hasExpired() && port_ == 0) {
            if (!process_.canReadLine() &&
                !process_.waitForReadyRead(static_cast<int>(deadline.remainingTime()))) {
                break;
            }
            while (process_.canReadLine()) {
                const QByteArray line = process_.readLine().trimmed();
                if (line.startsWith("PORT ")) {
                    port_ = line.mid(5).toInt();
                }
            }
        }
        if (port_ != 0 && !Answers(deadline)) {
            port_ = 0;
        }
    }

    ~ServerProcess() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(5000)) {
                process_.kill();
                process_.waitForFinished(5000);
            }
        }
    }

    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    // The port the server listens on; 0 when it did not start.
    int Port() const { return port_; }
    QString ErrorOutput() { return QString::fromUtf8(process_.readAllStandardError()); }

    static QString Python() {
        return QFileInfo::exists(QStringLiteral("/usr/bin/python3"))
                   ? QStringLiteral("/usr/bin/python3")
                   : QStringLiteral("python3");
    }

private:
    static QString ScriptPath(const QString& script) {
        QString dir = QString::fromLocal8Bit(qgetenv("KORVEX_SOURCE_DIR"));
        dir = dir.isEmpty() ? QFileInfo(QStringLiteral(__FILE__)).absolutePath()
                            : dir + QStringLiteral("/tests/uploader");
        return dir + u'/' + script;
    }

    bool Answers(const QDeadlineTimer& deadline) const {
        while (!deadline.hasExpired()) {
            QTcpSocket probe;
            probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port_));
            if (probe.waitForConnected(200)) {
                return true;
            }
        }
        return false;
    }

    QProcess process_;
    int port_ = 0;
};

}  // namespace korvex::test
