#include "uploader/FileItem.h"

#include "common/SettingsStore.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"
#include "uploader/DebugTrace.h"
#include "uploader/UploaderLog.h"
#include "uploader/UploaderSettings.h"

#include <QDateTime>
#include <QDir>
#include <QFile>

#include <gmock/gmock.h>

#include <ctime>

namespace korvex {
namespace {

using ::testing::ElementsAre;

class FileItemTest : public ::testing::Test {
protected:
    FileItemTest() : store_(temp_.SettingsPath()) { QDir().mkpath(temp_.File("out")); }

    // Writes the watched file with a modification time `second` seconds into a fixed day,
    // so each new version is newer without waiting.
    void WriteImage(const QString& path, const QByteArray& data, int second) {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(data);
        // The bytes reach the file first, so closing it does not set the time again.
        ASSERT_TRUE(file.flush());
        ASSERT_TRUE(file.setFileTime(QDateTime::fromSecsSinceEpoch(1700000000 + second),
                                     QFileDevice::FileModificationTime));
    }

    FileItem Item(int bufferLimit = 3, int recycleLimit = 10) {
        FileItem item(FileItemKind::Ftp, 0);
        item.settings.localFile = temp_.File("lookout.jpg");
        item.settings.bufferLimit = bufferLimit;
        item.settings.recycleLimit = recycleLimit;
        item.settings.remoteDir = "cams/front";
        return item;
    }

    QString OutDir() const { return temp_.File("out"); }

    test::TempDir temp_;
    SettingsStore store_;
};

TEST_F(FileItemTest, ItemsComeFromTheirSectionsWithDefaults) {
    store_.WriteInt("Postrix/Ftp", "LPCount", 2);
    store_.WriteString("Postrix/Ftp/01", "LocalFile", "/var/cam/yard.jpg");
    store_.WriteString("Postrix/Ftp/01", "RemoteDir", "yard");
    store_.WriteString("Postrix/Ftp/01", "Prefix", "YARD");
    store_.WriteInt("Postrix/Ftp/01", "BufferLimit", 0);
    store_.WriteInt("Postrix/Ftp/01", "RecycleLimit", 5);
    store_.WriteInt("Postrix/Ftp/01", "NextRecycle", 7);
    store_.WriteInt("Postrix/Mail", "LPCount", 25);

    const std::vector<FileItem> ftp = FileItem::LoadAll(store_, FileItemKind::Ftp);
    ASSERT_EQ(ftp.size(), 2u);
    EXPECT_EQ(ftp[0].settings.localFile, "Lookout.jpg");
    EXPECT_EQ(ftp[0].settings.prefix, "KFTP");
    EXPECT_EQ(ftp[0].settings.bufferLimit, 3);
    EXPECT_EQ(ftp[0].settings.recycleLimit, 10);
    EXPECT_EQ(ftp[0].settings.nextRecycle, 0);
    EXPECT_EQ(ftp[1].Section(), "Postrix/Ftp/01");
    EXPECT_EQ(ftp[1].BaseName(), "Ftp01");
    EXPECT_EQ(ftp[1].settings.localFile, "/var/cam/yard.jpg");
    EXPECT_EQ(ftp[1].settings.remoteDir, "yard");
    EXPECT_EQ(ftp[1].settings.prefix, "YARD");
    EXPECT_EQ(ftp[1].settings.bufferLimit, 1) << "a limit of 0 would divide by zero";
    EXPECT_EQ(ftp[1].settings.nextRecycle, 2) << "7 wraps within a limit of 5";
    EXPECT_TRUE(FileItem::LoadAll(store_, FileItemKind::Mail).empty());
    store_.WriteInt("Postrix/Mail", "LPCount", 19);
    EXPECT_EQ(FileItem::ItemCount(store_, FileItemKind::Mail), 19);
    EXPECT_EQ(FileItem(FileItemKind::Mail, 3).Section(), "Postrix/Mail/03");
}

TEST_F(FileItemTest, TakesEachNewVersionOnceUpToTheBufferLimit) {
    FileItem item = Item();
    const QString image = temp_.File("lookout.jpg");
    EXPECT_FALSE(item.TakeNewFile(store_, OutDir()).transfer) << "no file yet";

    WriteImage(image, "first", 1);
    WriteImage(image, "second", 2);
    const auto first = item.TakeNewFile(store_, OutDir()).transfer;
    ASSERT_TRUE(first);
    EXPECT_EQ(first->tempCopy, OutDir() + "/Ftp00TempFile.000");
    EXPECT_EQ(first->remoteName, "KFTP0000.jpg");
    EXPECT_EQ(first->remoteDir, "cams/front");
    EXPECT_EQ(first->watchedFile, image);
    EXPECT_EQ(first->item, 0);
    EXPECT_EQ(test::ReadBytes(first->tempCopy),
              std::vector<uint8_t>({'s', 'e', 'c', 'o', 'n', 'd'}));
    EXPECT_FALSE(item.TakeNewFile(store_, OutDir()).transfer) << "the same version again";

    WriteImage(image, "third", 3);
    ASSERT_TRUE(item.TakeNewFile(store_, OutDir()).transfer);
    WriteImage(image, "fourth", 4);
    const auto third = item.TakeNewFile(store_, OutDir()).transfer;
    ASSERT_TRUE(third);
    EXPECT_EQ(third->tempCopy, OutDir() + "/Ftp00TempFile.002");
    EXPECT_EQ(item.QueuedCount(), 3);

    WriteImage(image, "fifth", 5);
    EXPECT_FALSE(item.TakeNewFile(store_, OutDir()).transfer) << "three copies still wait";
    item.TransferDone();
    const auto fourth = item.TakeNewFile(store_, OutDir()).transfer;
    ASSERT_TRUE(fourth);
    EXPECT_EQ(fourth->tempCopy, OutDir() + "/Ftp00TempFile.000");
    EXPECT_EQ(fourth->remoteName, "KFTP0003.jpg");
    EXPECT_EQ(test::ReadBytes(fourth->tempCopy), std::vector<uint8_t>({'f', 'i', 'f', 't', 'h'}));
}

TEST_F(FileItemTest, RemoteNamesRecycleAndTheCounterOutlivesTheRun) {
    FileItem item = Item(1, 10);
    const QString image = temp_.File("lookout.jpg");
    std::vector<QString> names;
    for (int i = 0; i < 12; ++i) {
        WriteImage(image, "x", 10 + i);
        const auto taken = item.TakeNewFile(store_, OutDir()).transfer;
        ASSERT_TRUE(taken);
        names.push_back(taken->remoteName);
        item.TransferDone();
    }
    EXPECT_EQ(names.front(), "KFTP0000.jpg");
    EXPECT_EQ(names[9], "KFTP0009.jpg");
    EXPECT_EQ(names[10], "KFTP0000.jpg");
    EXPECT_EQ(names[11], "KFTP0001.jpg");

    FileItem nextRun(FileItemKind::Ftp, 0);
    nextRun.Load(store_);
    EXPECT_EQ(nextRun.settings.nextRecycle, 2);
}

TEST_F(FileItemTest, WatchedNameMatchesWithoutRegardToCase) {
    FileItem item = Item();
    item.settings.localFile = temp_.File("Lookout.jpg");
    WriteImage(temp_.File("lookout.jpg"), "image", 1);
    const auto taken = item.TakeNewFile(store_, OutDir()).transfer;
    ASSERT_TRUE(taken);
    EXPECT_EQ(taken->watchedFile, temp_.File("lookout.jpg"));
}

TEST_F(FileItemTest, CopyFailureIsReportedOnce) {
    FileItem item = Item();
    WriteImage(temp_.File("lookout.jpg"), "image", 1);
    const auto failed = item.TakeNewFile(store_, temp_.File("missing/dir"));
    EXPECT_FALSE(failed.transfer);
    EXPECT_THAT(failed.error.toStdString(), ::testing::StartsWith("Unable to copy "));
    EXPECT_TRUE(item.TakeNewFile(store_, temp_.File("missing/dir")).error.isEmpty());
    EXPECT_EQ(item.QueuedCount(), 0);
}

TEST_F(FileItemTest, PasswordsAreStoredScrambled) {
    const MailSettings defaults = MailSettings::Load(store_);
    EXPECT_EQ(defaults.subject, "KORVEX! Alert!");
    EXPECT_EQ(defaults.port, 25);
    EXPECT_EQ(defaults.security, SmtpSecurity::None);
    MailSettings mail;
    mail.host = "smtp.example.org";
    mail.password = "mail secret";
    mail.security = SmtpSecurity::StartTls;
    mail.Save(store_);
    FtpSettings ftp;
    ftp.password = "ftp secret";
    ftp.Save(store_);
    store_.Sync();
    const QByteArray file(reinterpret_cast<const char*>(test::ReadBytes(store_.FilePath()).data()));
    EXPECT_FALSE(file.contains("secret"));
    EXPECT_TRUE(file.contains("[Postrix]") || file.contains("Postrix\\"));

    const MailSettings readMail = MailSettings::Load(store_);
    EXPECT_EQ(readMail.password, "mail secret");
    EXPECT_EQ(readMail.security, SmtpSecurity::StartTls);
    EXPECT_EQ(readMail.host, "smtp.example.org");
    EXPECT_EQ(FtpSettings::Load(store_).password, "ftp secret");

    ftp.host = "ftp.example.org:2121";
    EXPECT_EQ(ftp.Server().host, "ftp.example.org");
    EXPECT_EQ(ftp.Server().port, 2121);
    EXPECT_EQ(ftp.Server().password, "ftp secret");
    ftp.host = "ftp.example.org";
    EXPECT_EQ(ftp.Server().port, 21);
    ftp.host = "::1";
    EXPECT_EQ(ftp.Server().host, "::1") << "an IPv6 address is no port";
}

TEST(DebugTraceTest, WritesOnlyWhenSwitchedOn) {
    test::TempDir temp;
    DebugTrace off(temp.Path());
    EXPECT_FALSE(off.Enabled());
    off.Append("HELO Unknown user");
    EXPECT_FALSE(QFile::exists(temp.File("PostrixDbg.txt")));

    QFile ini(temp.File("Postrix.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
    ini.write("[Mail]\nDebug=1\n");
    ini.close();
    DebugTrace on(temp.Path());
    EXPECT_TRUE(on.Enabled());
    on.Append("HELO Unknown user");
    on.Append("250 localhost");
    const auto bytes = test::ReadBytes(temp.File("PostrixDbg.txt"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()), "HELO Unknown user\n250 localhost\n");
}

TEST(UploaderLogTest, AppendsTimeAndMessageAndPromptsOnlyInteractively) {
    test::TempDir temp;
    const std::time_t when = 1700000000;
    ManualClock clock(0, when);
    RecordingPrompt prompt;
    UploaderLog interactive(clock, &prompt, temp.Path());
    UploaderLog unattended(clock, nullptr, temp.Path());
    interactive.Report("Unable to change directory.");
    unattended.Report("Connection timeout.");

    char timeText[32] = {};
    ctime_r(&when, timeText);
    const std::string stamp(timeText, 24);
    const auto bytes = test::ReadBytes(temp.File("PostrixLog.log"));
    EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
              stamp + ": Unable to change directory. \n" + stamp + ": Connection timeout. \n");
    EXPECT_THAT(prompt.Texts(), ElementsAre("Unable to change directory."));
}

}  // namespace
}  // namespace korvex
