#include "uploader/FtpUploadWorker.h"

#include "support/TempDir.h"
#include "uploader/ServerProcess.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QTcpServer>
#include <QThread>
#include <QTimer>

#include <gmock/gmock.h>

namespace korvex {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

class FtpUploadWorkerTest : public ::testing::Test {
protected:
    FtpUploadWorkerTest() {
        QDir().mkpath(Root() + "/sub");
        QDir().mkpath(Root() + "/readonly");
        worker_.SetIdlePass(std::chrono::milliseconds(20));
        QObject::connect(&worker_, &FtpUploadWorker::WM_FTP_RESULT, &receiver_,
                         [this](int result, int item) {
                             EXPECT_EQ(QThread::currentThread(), receiver_.thread());
                             results_.emplace_back(result, item);
                         });
        QObject::connect(&worker_, &FtpUploadWorker::report, &receiver_,
                         [this](const QString& text) { reports_.push_back(text.toStdString()); });
        QObject::connect(&worker_, &FtpUploadWorker::statusText, &receiver_,
                         [this](const QString& text) { status_.push_back(text.toStdString()); });
    }

    QString Root() const { return temp_.File("root"); }
    QString Events() const { return temp_.File("events.txt"); }

    std::unique_ptr<test::ServerProcess> StartServer() {
        auto server = std::make_unique<test::ServerProcess>(
            "ftp_server.py",
            QStringList{"--root", Root(), "--events", Events(), "--readonly", "readonly"});
        EXPECT_NE(server->Port(), 0) << server->ErrorOutput().toStdString();
        worker_.SetServer({"127.0.0.1", server->Port(), "cam", "secret"});
        return server;
    }

    FileTransfer Transfer(int number, const QString& remoteDir, int item) {
        FileTransfer t;
        t.watchedFile = "/var/cam/Lookout.jpg";
        t.tempCopy = temp_.File(QStringLiteral("Ftp00TempFile.%1").arg(number, 3, 10, QChar('0')));
        t.remoteName = QStringLiteral("KFTP%1.jpg").arg(number, 4, 10, QChar('0'));
        t.remoteDir = remoteDir;
        t.item = item;
        QFile file(t.tempCopy);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(Content(number));
        return t;
    }

    static QByteArray Content(int number) {
        QByteArray data("\xff\xd8\r\n\x00\x1a image ", 15);
        return data + QByteArray::number(number).repeated(1000 + number);
    }

    // Runs the worker until its run ends, at most 30 s.
    bool RunToEnd() {
        QEventLoop loop;
        QTimer limit;
        limit.setSingleShot(true);
        QObject::connect(&limit, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&worker_, &FtpUploadWorker::finished, &loop, &QEventLoop::quit,
                         Qt::QueuedConnection);
        limit.start(30000);
        if (!worker_.Start()) {
            return false;
        }
        loop.exec();
        QCoreApplication::sendPostedEvents();
        return !worker_.IsRunning();
    }

    QByteArray Stored(const QString& path) const {
        QFile file(Root() + "/" + path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QStringList EventLines() const {
        QFile file(Events());
        return file.open(QIODevice::ReadOnly)
                   ? QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts)
                   : QStringList();
    }

    std::vector<std::pair<int, int>> UploadResults() const {
        std::vector<std::pair<int, int>> uploads;
        for (const auto& r : results_) {
            if (r.second != FtpUploadWorker::kNoItem) {
                uploads.push_back(r);
            }
        }
        return uploads;
    }

    test::TempDir temp_;
    QObject receiver_;
    FtpUploadWorker worker_;
    std::vector<std::pair<int, int>> results_;
    std::vector<std::string> reports_;
    std::vector<std::string> status_;
};

TEST_F(FtpUploadWorkerTest, UploadsQueuedFilesInOrderOverOneConnection) {
    const auto server = StartServer();
    worker_.Enqueue(Transfer(0, "", 0));
    worker_.Enqueue(Transfer(1, "sub", 1));
    worker_.Enqueue(Transfer(2, "", 0));
    ASSERT_TRUE(RunToEnd());

    EXPECT_THAT(EventLines(), ElementsAre("login cam", "stored KFTP0000.jpg",
                                          "stored sub/KFTP0001.jpg", "stored KFTP0002.jpg"));
    EXPECT_EQ(Stored("KFTP0000.jpg"), Content(0));
    EXPECT_EQ(Stored("sub/KFTP0001.jpg"), Content(1));
    EXPECT_EQ(Stored("KFTP0002.jpg"), Content(2));
    EXPECT_THAT(UploadResults(), ElementsAre(std::pair(1, 0), std::pair(1, 1), std::pair(1, 0)));
    EXPECT_EQ(results_.size(), 3u + FtpUploadWorker::kMaxIdlePasses)
        << "one idle report per pass before the run ends";
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kDone);
    EXPECT_TRUE(reports_.empty());
    EXPECT_THAT(status_, Contains("Setting remote directory to sub..."));
    EXPECT_THAT(status_, Contains("Uploading: Lookout.jpg \nTo: sub/KFTP0001.jpg..."));
    EXPECT_THAT(status_, Contains("Uploading: Lookout.jpg \nTo: /KFTP0002.jpg..."));

    // A file queued after the run ended starts a new run with a new connection.
    worker_.Enqueue(Transfer(3, "/sub", 0));
    ASSERT_TRUE(RunToEnd());
    EXPECT_EQ(Stored("sub/KFTP0003.jpg"), Content(3));
    EXPECT_EQ(EventLines().count("login cam"), 2);
}

TEST_F(FtpUploadWorkerTest, MissingRemoteDirectoryStopsTheRun) {
    const auto server = StartServer();
    worker_.Enqueue(Transfer(0, "nothere", 0));
    worker_.Enqueue(Transfer(1, "", 1));
    ASSERT_TRUE(RunToEnd());
    EXPECT_THAT(results_, ElementsAre(std::pair(0, 0)));
    EXPECT_THAT(reports_, ElementsAre("Unable to change directory."));
    EXPECT_THAT(status_, Contains("Failed to set remote directory to nothere. Please check if "
                                  "valid directory. If specifying a subdirectory, usually a "
                                  "foward slash \"/\" is used."));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kFailed);
    EXPECT_EQ(worker_.QueuedCount(), 1u);
    EXPECT_FALSE(worker_.Start()) << "a failed state stops further uploads";
    EXPECT_TRUE(Stored("KFTP0001.jpg").isEmpty());
}

// A refused upload must not be followed by the idle report that reads as success.
TEST_F(FtpUploadWorkerTest, FailedUploadFailsTheRun) {
    const auto server = StartServer();
    worker_.Enqueue(Transfer(0, "readonly", 2));
    ASSERT_TRUE(RunToEnd());
    EXPECT_THAT(results_, ElementsAre(std::pair(0, 2)));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kFailed);
    ASSERT_EQ(reports_.size(), 2u);
    EXPECT_THAT(reports_[0], HasSubstr("INET Error: "));
    EXPECT_EQ(reports_[1], "Failed to upload file. Please be sure that the file to upload exists.");
}

TEST_F(FtpUploadWorkerTest, VanishedFileFailsTheRun) {
    const auto server = StartServer();
    const FileTransfer transfer = Transfer(0, "", 0);
    QFile::remove(transfer.tempCopy);
    worker_.Enqueue(transfer);
    ASSERT_TRUE(RunToEnd());
    EXPECT_THAT(results_, ElementsAre(std::pair(0, 0)));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kFailed);
    EXPECT_THAT(reports_, ElementsAre(HasSubstr("No such file or directory"),
                                      HasSubstr("Failed to upload file.")));
}

TEST_F(FtpUploadWorkerTest, UnreachableServerFailsWithTheLibraryText) {
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    worker_.SetServer({"127.0.0.1", closed.serverPort(), "cam", "secret"});
    closed.close();
    worker_.Enqueue(Transfer(0, "", 0));
    ASSERT_TRUE(RunToEnd());
    EXPECT_TRUE(results_.empty());
    EXPECT_THAT(reports_, ElementsAre(HasSubstr("INET Error: ")));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kFailed);
    EXPECT_EQ(worker_.QueuedCount(), 1u);
}

TEST_F(FtpUploadWorkerTest, SilentServerEndsAtTheTimeLimit) {
    QTcpServer silent;
    ASSERT_TRUE(silent.listen(QHostAddress::LocalHost));
    worker_.SetServer({"127.0.0.1", silent.serverPort(), "cam", "secret"});
    worker_.SetTransferTimeoutMs(300);
    worker_.Enqueue(Transfer(0, "", 0));
    ASSERT_TRUE(RunToEnd());
    EXPECT_THAT(reports_, ElementsAre("Connection timeout.", HasSubstr("INET Error: ")));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kFailed);
}

TEST_F(FtpUploadWorkerTest, StopEndsAWaitingRun) {
    const auto server = StartServer();
    worker_.SetIdlePass(std::chrono::seconds(60));
    worker_.Enqueue(Transfer(0, "", 0));
    ASSERT_TRUE(worker_.Start());
    EXPECT_FALSE(worker_.Start()) << "one worker at a time";
    QEventLoop loop;
    QTimer::singleShot(20000, &loop, &QEventLoop::quit);
    QObject::connect(&worker_, &FtpUploadWorker::WM_FTP_RESULT, &loop, &QEventLoop::quit,
                     Qt::QueuedConnection);
    loop.exec();
    worker_.RequestStop();
    EXPECT_TRUE(worker_.WaitFinished(10000));
    EXPECT_EQ(Stored("KFTP0000.jpg"), Content(0));
    EXPECT_EQ(worker_.CurrentState(), FtpUploadWorker::kDone);
}

}  // namespace
}  // namespace korvex
