#include "camera/AlsaSoundOutput.h"
#include "camera/EventLog.h"
#include "camera/SoundList.h"
#include "support/TempDir.h"

#include <QFile>

#include <gtest/gtest.h>

#include <cstdlib>

namespace korvex {
namespace {

void WriteText(const QString& path, const QByteArray& text) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

TEST(SoundList, ReadingStopsAtTheFirstEmptyWave) {
    test::TempDir dir;
    const QString ini = dir.File("Waves.ini");
    WriteText(ini,
              "[Entry]\nTotal=3\n[Wave]\nwave0=bark.wav\nwave1=\nwave2=/tmp/x.wav\n"
              "[Desc]\nwave0=Dog\nwave2=Other\n");
    const SoundList list = SoundList::Load(ini, "/opt/korvex");
    ASSERT_EQ(list.Entries().size(), 1u);
    EXPECT_EQ(list.Entries()[0].path, "/opt/korvex/bark.wav");
    EXPECT_EQ(list.Entries()[0].description, "Dog");
    EXPECT_EQ(list.Select("/OPT/KORVEX/BARK.WAV"), 0);
    EXPECT_EQ(list.Select("/elsewhere.wav"), 0);
}

TEST(SoundList, MissingFileGivesAnEmptyListAndSavedListsComeBack) {
    test::TempDir dir;
    SoundList list = SoundList::Load(dir.File("missing.ini"), dir.Path());
    EXPECT_TRUE(list.Entries().empty());
    EXPECT_EQ(list.Select("bark.wav"), -1);
    EXPECT_FALSE(list.Remove(0));

    list.Add({"/a/one.wav", "One"});
    list.Add({"/a/two.wav", "Two"});
    ASSERT_TRUE(list.Save(dir.File("Waves.ini")));
    SoundList back = SoundList::Load(dir.File("Waves.ini"), dir.Path());
    ASSERT_EQ(back.Entries().size(), 2u);
    EXPECT_EQ(back.Select("/a/two.wav"), 1);
    EXPECT_TRUE(back.Remove(0));
    EXPECT_FALSE(back.Remove(0));  // the last entry stays
}

TEST(EventLog, EachEventIsAppendedWithItsTimeStamp) {
    setenv("TZ", "UTC", 1);
    tzset();
    test::TempDir dir;
    const EventLog log(dir.Path());
    log.Append("Recording started", 934899785);  // 1999-08-17 14:23:05
    log.Append("Second", 934899786);
    QFile file(log.FilePath());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(),
              "Recording started\n\n081799_142305: Recording started\n"
              "Second\n\n081799_142306: Second\n");

    const EventLog unwritable("/nonexistent/dir");
    unwritable.Append("lost quietly", 0);
}

TEST(AlsaSoundOutput, RequestsWithoutADeviceOrFileAreDroppedQuietly) {
    AlsaSoundOutput sound;
    sound.PlayFile("/nonexistent/bark.wav");
    sound.Beep(600, 80);
    sound.Beep(600, 80);
}

}  // namespace
}  // namespace korvex
