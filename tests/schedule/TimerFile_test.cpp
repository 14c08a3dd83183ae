#include "schedule/TimerFile.h"
#include "schedule/Schedule.h"

#include "ScheduleTestTime.h"
#include "common/strings/ScheduleStrings.h"
#include "support/TempDir.h"

#include <QFile>

#include <gmock/gmock.h>

namespace korvex {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

int32_t Int32At(const std::vector<uint8_t>& bytes, std::size_t offset) {
    return int32_t(uint32_t(bytes[offset]) | uint32_t(bytes[offset + 1]) << 8 |
                   uint32_t(bytes[offset + 2]) << 16 | uint32_t(bytes[offset + 3]) << 24);
}

void PutInt32(std::vector<uint8_t>& bytes, std::size_t offset, int32_t value) {
    for (int i = 0; i < 4; ++i) {
        bytes[offset + i] = uint8_t(uint32_t(value) >> (8 * i));
    }
}

bool SameEntry(const ScheduleEntry& a, const ScheduleEntry& b) {
    const std::tm& x = a.start;
    const std::tm& y = b.start;
    return a.reserved == b.reserved && a.kind == b.kind && a.durationMinutes == b.durationMinutes &&
           x.tm_sec == y.tm_sec && x.tm_min == y.tm_min && x.tm_hour == y.tm_hour &&
           x.tm_mday == y.tm_mday && x.tm_mon == y.tm_mon && x.tm_year == y.tm_year &&
           x.tm_wday == y.tm_wday && x.tm_yday == y.tm_yday && x.tm_isdst == y.tm_isdst;
}

class TimerFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        test::UseUtc();
        entries_ = Schedule::DefaultEntries(test::At(2026, 12, 7, 9, 41));
        ScheduleEntry session = entries_[1];
        session.kind = ScheduleKind::Session;
        session.reserved = 0x00412f58;
        session.durationMinutes = 90;
        entries_.push_back(session);
    }

    // A file holding the test's entries, with `change` applied to its bytes.
    QString WriteFile(const std::function<void(std::vector<uint8_t>&)>& change) {
        std::vector<uint8_t> bytes = EncodeTimerFile(entries_);
        change(bytes);
        const QString path = dir_.File("test.tmr");
        test::WriteBytes(path, bytes);
        return path;
    }

    test::TempDir dir_;
    RecordingPrompt prompt_;
    Schedule schedule_{prompt_};
    std::vector<ScheduleEntry> entries_;
};

TEST_F(TimerFileTest, SavedFileHasHeaderAndLittleEndianRecords) {
    schedule_.SetEntries(entries_);
    const QString path = dir_.File("saved.tmr");
    ASSERT_TRUE(schedule_.SaveSchedule(path));
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    ASSERT_EQ(bytes.size(), 6 + 4 * 48u);
    EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), std::string("TIMER\0", 6));
    // The weekly entry: kind, hours, minutes, day of week, duration.
    EXPECT_EQ(Int32At(bytes, 6 + 4), 1);
    EXPECT_EQ(Int32At(bytes, 6 + 8 + 4), 0);
    EXPECT_EQ(Int32At(bytes, 6 + 8 + 8), 17);
    EXPECT_EQ(Int32At(bytes, 6 + 8 + 20), 126);
    EXPECT_EQ(Int32At(bytes, 6 + 8 + 24), 5);
    EXPECT_EQ(Int32At(bytes, 6 + 44), 3720);
    EXPECT_EQ(Int32At(bytes, 6 + 3 * 48), 0x00412f58);
    EXPECT_EQ(Int32At(bytes, 6 + 3 * 48 + 4), 0);

    Schedule loaded(prompt_);
    ASSERT_TRUE(loaded.LoadSchedule(path));
    ASSERT_EQ(loaded.Entries().size(), entries_.size());
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        EXPECT_TRUE(SameEntry(loaded.Entries()[i], entries_[i])) << "entry " << i;
    }
    EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_F(TimerFileTest, HeaderAloneIsAnEmptySchedule) {
    schedule_.SetEntries(entries_);
    const QString path = WriteFile([](std::vector<uint8_t>& bytes) { bytes.resize(6); });
    EXPECT_TRUE(schedule_.LoadSchedule(path));
    EXPECT_THAT(schedule_.Entries(), IsEmpty());
}

TEST_F(TimerFileTest, RefusedFilesChangeNothingAndSaySo) {
    const std::vector<std::pair<const char*, std::function<void(std::vector<uint8_t>&)>>> cases = {
        {"foreign magic", [](auto& b) { b[4] = 'X'; }},
        {"no terminating zero", [](auto& b) { b[5] = '!'; }},
        {"shorter than the header", [](auto& b) { b.resize(3); }},
        {"record cut short", [](auto& b) { b.resize(b.size() - 10); }},
        {"kind 3", [](auto& b) { PutInt32(b, 6 + 48 + 4, 3); }},
        {"negative kind", [](auto& b) { PutInt32(b, 6 + 4, -1); }},
        {"day of week 7", [](auto& b) { PutInt32(b, 6 + 8 + 24, 7); }},
        {"hour 24", [](auto& b) { PutInt32(b, 6 + 48 + 8 + 8, 24); }},
        {"minute 60", [](auto& b) { PutInt32(b, 6 + 8 + 4, 60); }},
        {"negative duration", [](auto& b) { PutInt32(b, 6 + 48 + 44, -30); }},
        {"daily longer than a day", [](auto& b) { PutInt32(b, 6 + 48 + 44, 1441); }},
        {"weekly longer than a week", [](auto& b) { PutInt32(b, 6 + 44, 10081); }},
        {"session month 12", [](auto& b) { PutInt32(b, 6 + 3 * 48 + 8 + 16, 12); }},
    };
    const std::vector<ScheduleEntry> before = {entries_[2]};
    for (const auto& [name, change] : cases) {
        SCOPED_TRACE(name);
        prompt_.Clear();
        schedule_.SetEntries(before);
        EXPECT_FALSE(schedule_.LoadSchedule(WriteFile(change)));
        EXPECT_THAT(prompt_.Texts(), ElementsAre(Str(IDS_TIMER_FILE_INVALID)));
        ASSERT_EQ(schedule_.Entries().size(), 1u);
        EXPECT_TRUE(SameEntry(schedule_.Entries()[0], before[0]));
    }
}

TEST_F(TimerFileTest, MissingFileIsRefusedSilently) {
    EXPECT_FALSE(schedule_.LoadSchedule(dir_.File("absent.tmr")));
    EXPECT_THAT(prompt_.Texts(), IsEmpty());
}

TEST_F(TimerFileTest, FailedSaveSaysSoAndKeepsTheOldFile) {
    schedule_.SetEntries(entries_);
    EXPECT_FALSE(schedule_.SaveSchedule(dir_.File("no/such/dir/x.tmr")));
    EXPECT_THAT(prompt_.Texts(), ElementsAre(Str(IDS_TIMER_SAVE_FAILED)));
}

TEST_F(TimerFileTest, DefaultFileOfACamera) {
    EXPECT_EQ(Schedule::DefaultSchedulePath(dir_.Path(), 3), dir_.Path() + "/Korvex3.tmr");

    const std::time_t now = test::At(2026, 12, 7, 9, 41);
    schedule_.SetEntries({entries_[3]});
    schedule_.LoadDefaultSchedule(dir_.Path(), 3, now);
    EXPECT_EQ(schedule_.Entries().size(), 3u);
    EXPECT_THAT(prompt_.Texts(), IsEmpty());

    schedule_.SetEntries({entries_[3]});
    ASSERT_TRUE(schedule_.SaveDefaultSchedule(dir_.Path(), 3));
    Schedule other(prompt_);
    other.LoadDefaultSchedule(dir_.Path(), 3, now);
    ASSERT_EQ(other.Entries().size(), 1u);
    EXPECT_TRUE(SameEntry(other.Entries()[0], entries_[3]));
}

}  // namespace
}  // namespace korvex
