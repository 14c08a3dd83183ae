#include "schedule/Schedule.h"

#include "ScheduleTestTime.h"
#include "schedule/TimerFile.h"
#include "support/TempDir.h"

#include <gmock/gmock.h>

namespace korvex {
namespace {

using test::At;
using ::testing::ElementsAre;
using ::testing::IsEmpty;

ScheduleEntry Daily(int hour, int minute, int duration) {
    ScheduleEntry entry;
    entry.kind = ScheduleKind::Daily;
    entry.start.tm_mday = 1;
    entry.start.tm_year = 126;
    entry.start.tm_hour = hour;
    entry.start.tm_min = minute;
    entry.durationMinutes = duration;
    return entry;
}

ScheduleEntry Weekly(int dayOfWeek, int hour, int minute, int duration) {
    ScheduleEntry entry = Daily(hour, minute, duration);
    entry.kind = ScheduleKind::Weekly;
    entry.start.tm_wday = dayOfWeek;
    return entry;
}

ScheduleEntry Session(int year, int month, int day, int hour, int minute, int duration) {
    ScheduleEntry entry = Daily(hour, minute, duration);
    entry.kind = ScheduleKind::Session;
    entry.start.tm_year = year - 1900;
    entry.start.tm_mon = month - 1;
    entry.start.tm_mday = day;
    return entry;
}

std::vector<DayInterval> Day(const std::vector<ScheduleEntry>& entries, std::time_t t,
                             int offset = 0) {
    std::vector<DayInterval> list;
    Schedule::BuildDay(entries, list, offset, t);
    return list;
}

class ScheduleTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseUtc(); }

    RecordingPrompt prompt_;
    Schedule schedule_{prompt_};
};

// 2026-12-04 is a Friday.
TEST_F(ScheduleTest, DailyEntryRunningPastMidnightCoversMorningAndEvening) {
    schedule_.SetEntries({Daily(17, 30, 840)});
    schedule_.Activate(At(2026, 12, 7, 7, 0));
    EXPECT_THAT(schedule_.Today(), ElementsAre(DayInterval{0, 450}, DayInterval{1050, 1440}));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 7, 29)));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, 7, 30)));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, 17, 29)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 17, 30)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 23, 59)));
}

TEST_F(ScheduleTest, ActivatePositionsOnTheIntervalUnderWayOrTheNextOne) {
    schedule_.SetEntries({Daily(8, 0, 60), Daily(12, 0, 30)});
    EXPECT_EQ(schedule_.Activate(At(2026, 12, 7, 8, 30)), 540);
    EXPECT_FALSE(schedule_.Waiting());
    EXPECT_EQ(schedule_.Activate(At(2026, 12, 7, 10, 0)), 720);
    EXPECT_TRUE(schedule_.Waiting());
    EXPECT_EQ(schedule_.Activate(At(2026, 12, 7, 13, 0)), Schedule::kDayMinutes);
    EXPECT_EQ(schedule_.Index(), -1);
}

TEST_F(ScheduleTest, WeeklyEntryFromFridayEveningToMondayMorning) {
    const std::vector<ScheduleEntry> weekend = {Weekly(5, 17, 0, 3720)};
    const std::time_t monday = At(2026, 12, 7, 12, 0);
    EXPECT_THAT(Day(weekend, monday), ElementsAre(DayInterval{0, 420}));
    EXPECT_THAT(Day(weekend, monday, 1), IsEmpty());
    EXPECT_THAT(Day(weekend, monday, 3), IsEmpty());
    EXPECT_THAT(Day(weekend, monday, 4), ElementsAre(DayInterval{1020, 1440}));
    EXPECT_THAT(Day(weekend, monday, 5), ElementsAre(DayInterval{0, 1440}));
    EXPECT_THAT(Day(weekend, monday, 6), ElementsAre(DayInterval{0, 1440}));
    // Counted from a Sunday the next days wrap into the following week.
    EXPECT_THAT(Day(weekend, At(2026, 12, 6, 9, 0), 1), ElementsAre(DayInterval{0, 420}));
}

TEST_F(ScheduleTest, WeeklyEntryEndingAWeekLaterCoversItsStartDayMorning) {
    // Sunday 23:00 to the next Sunday 22:00.
    const std::vector<ScheduleEntry> week = {Weekly(0, 23, 0, 7 * 1440 - 60)};
    const std::time_t sunday = At(2026, 12, 6, 12, 0);
    EXPECT_THAT(Day(week, sunday), ElementsAre(DayInterval{0, 1320}, DayInterval{1380, 1440}));
    EXPECT_THAT(Day(week, sunday, 3), ElementsAre(DayInterval{0, 1440}));
}

TEST_F(ScheduleTest, TouchingAndOverlappingIntervalsMerge) {
    const std::time_t t = At(2026, 12, 7, 12, 0);
    EXPECT_THAT(Day({Daily(8, 0, 60), Daily(9, 0, 60)}, t), ElementsAre(DayInterval{480, 600}));
    EXPECT_THAT(Day({Daily(20, 0, 30), Daily(6, 0, 60), Daily(6, 30, 120), Daily(11, 0, 10)}, t),
                ElementsAre(DayInterval{360, 510}, DayInterval{660, 670}, DayInterval{1200, 1230}));
}

TEST_F(ScheduleTest, SessionAcrossMidnightSpansTwoDays) {
    const std::vector<ScheduleEntry> session = {Session(2026, 12, 4, 23, 0, 120)};
    EXPECT_THAT(Day(session, At(2026, 12, 3, 12, 0)), IsEmpty());
    EXPECT_THAT(Day(session, At(2026, 12, 4, 12, 0)), ElementsAre(DayInterval{1380, 1440}));
    EXPECT_THAT(Day(session, At(2026, 12, 4, 12, 0), 1), ElementsAre(DayInterval{0, 60}));
    EXPECT_THAT(Day(session, At(2026, 12, 5, 0, 30)), ElementsAre(DayInterval{0, 60}));
    EXPECT_THAT(Day(session, At(2026, 12, 5, 1, 30)), IsEmpty());
}

TEST_F(ScheduleTest, LongSessionFillsTheDaysBetween) {
    const std::vector<ScheduleEntry> session = {Session(2026, 12, 4, 12, 0, 3 * 1440)};
    const std::time_t friday = At(2026, 12, 4, 6, 0);
    EXPECT_THAT(Day(session, friday), ElementsAre(DayInterval{720, 1440}));
    EXPECT_THAT(Day(session, friday, 1), ElementsAre(DayInterval{0, 1440}));
    EXPECT_THAT(Day(session, friday, 3), ElementsAre(DayInterval{0, 720}));
    EXPECT_THAT(Day(session, friday, 4), IsEmpty());
}

TEST_F(ScheduleTest, NoEntriesNeverActive) {
    EXPECT_EQ(schedule_.Activate(At(2026, 12, 7, 0, 0)), Schedule::kDayMinutes);
    for (int hour : {0, 7, 23}) {
        EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, hour, 0)));
        EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 8, hour, 59)));
    }
}

TEST_F(ScheduleTest, ListIsRebuiltForTheNewDay) {
    schedule_.SetEntries({Daily(22, 0, 180)});
    schedule_.Activate(At(2026, 12, 7, 23, 30));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 23, 59)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 8, 0, 0)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 8, 0, 59)));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 8, 1, 0)));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 8, 21, 59)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 8, 22, 0)));
}

TEST_F(ScheduleTest, NewDayIsNoticedEvenWithoutACheckInItsFirstMinute) {
    schedule_.SetEntries({Session(2026, 12, 7, 23, 0, 60)});
    schedule_.Activate(At(2026, 12, 7, 23, 30));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 23, 30)));
    // The machine slept over midnight: the session lies in the past now.
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 8, 10, 0)));
}

TEST_F(ScheduleTest, LoadingWhileActiveAnswersFromTheNewEntries) {
    test::TempDir dir;
    const QString path = dir.File("evening.tmr");
    const std::vector<ScheduleEntry> evening = {Daily(20, 0, 60)};
    test::WriteBytes(path, EncodeTimerFile(evening));

    schedule_.SetEntries({Daily(6, 0, 30), Daily(7, 0, 30), Daily(8, 0, 120)});
    schedule_.Activate(At(2026, 12, 7, 9, 0));
    ASSERT_TRUE(schedule_.IsActive(At(2026, 12, 7, 9, 0)));
    ASSERT_TRUE(schedule_.LoadSchedule(path));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, 9, 1)));
    EXPECT_THAT(schedule_.Today(), ElementsAre(DayInterval{1200, 1260}));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, 19, 59)));
    EXPECT_TRUE(schedule_.IsActive(At(2026, 12, 7, 20, 0)));
    EXPECT_FALSE(schedule_.IsActive(At(2026, 12, 7, 21, 0)));
}

TEST_F(ScheduleTest, EntriesOutOfRangeGiveNoIntervals) {
    ScheduleEntry badHour = Daily(8, 0, 60);
    badHour.start.tm_hour = 25;
    ScheduleEntry badDay = Weekly(7, 8, 0, 60);
    const std::vector<ScheduleEntry> entries = {Daily(8, 0, -600), Daily(8, 0, 2000000000),
                                                Weekly(1, 8, 0, -1), badHour, badDay};
    for (int offset = 0; offset < 7; ++offset) {
        EXPECT_THAT(Day(entries, At(2026, 12, 7, 12, 0), offset), IsEmpty());
    }
}

TEST_F(ScheduleTest, DefaultScheduleCoversWeekendLunchAndNights) {
    const auto entries = Schedule::DefaultEntries(At(2026, 12, 9, 10, 15));
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].kind, ScheduleKind::Weekly);
    EXPECT_EQ(entries[0].start.tm_wday, 5);
    EXPECT_EQ(entries[0].durationMinutes, 3720);
    EXPECT_THAT(Day(entries, At(2026, 12, 9, 10, 15)),
                ElementsAre(DayInterval{0, 450}, DayInterval{705, 780}, DayInterval{1050, 1440}));
    EXPECT_THAT(Day(entries, At(2026, 12, 12, 10, 15)), ElementsAre(DayInterval{0, 1440}));
}

}  // namespace
}  // namespace korvex
