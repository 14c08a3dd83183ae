#include "schedule/ScheduleText.h"
#include "schedule/TimerConfigRows.h"

#include "ScheduleTestTime.h"
#include "schedule/LocalTime.h"

#include <gmock/gmock.h>

namespace korvex {
namespace {

class ScheduleTextTest : public ::testing::Test {
protected:
    void SetUp() override { test::UseUtc(); }

    static ScheduleEntry Entry(ScheduleKind kind, std::time_t start, int duration) {
        ScheduleEntry entry;
        entry.kind = kind;
        entry.start = LocalTime(start);
        entry.durationMinutes = duration;
        return entry;
    }
};

TEST_F(ScheduleTextTest, TwelveHourTimes) {
    EXPECT_EQ(TimeOfDayText(0, 5), "12:05 AM");
    EXPECT_EQ(TimeOfDayText(7, 30), "07:30 AM");
    EXPECT_EQ(TimeOfDayText(11, 59), "11:59 AM");
    EXPECT_EQ(TimeOfDayText(12, 0), "12:00 PM");
    EXPECT_EQ(TimeOfDayText(13, 1), "01:01 PM");
    EXPECT_EQ(TimeOfDayText(23, 45), "11:45 PM");
    EXPECT_EQ(TimeOfDayText(24, 0), "12:00 AM");
    EXPECT_EQ(IntervalText({1050, 1440}), "05:30 PM - 12:00 AM");
}

TEST_F(ScheduleTextTest, NamesOutsideTheirTablesAreEmpty) {
    EXPECT_EQ(MonthName(11), "December");
    EXPECT_TRUE(DayName(7).isEmpty());
    EXPECT_TRUE(DayName(-1).isEmpty());
    EXPECT_TRUE(MonthName(12).isEmpty());
}

TEST_F(ScheduleTextTest, ListLinesOfEachKind) {
    EXPECT_EQ(EntryListLine(Entry(ScheduleKind::Weekly, test::At(2026, 12, 4, 17, 0), 3720)),
              "Weekly  Friday 05:00 PM  -  Monday 07:00 AM");
    EXPECT_EQ(EntryListLine(Entry(ScheduleKind::Daily, test::At(2026, 12, 4, 17, 30), 840)),
              "Daily  05:30 PM  -  07:30 AM");
    EXPECT_EQ(EntryListLine(Entry(ScheduleKind::Session, test::At(2026, 12, 4, 23, 0), 120)),
              "Session  12/04/2026 Friday 11:00 PM  -  12/05/2026 Saturday 01:00 AM");
}

TEST_F(ScheduleTextTest, RowsGiveDurationsWrappingIntoTheNextDayOrWeek) {
    ScheduleEntry base = Entry(ScheduleKind::Daily, test::At(2026, 12, 7, 10, 0), 120);
    TimerRow from;
    from.dayOfWeek = 5;
    from.hour12 = 5;
    from.pm = true;
    TimerRow to;
    to.dayOfWeek = 1;
    to.hour12 = 7;

    auto weekly = EntryFromRows(base, ScheduleKind::Weekly, from, to);
    ASSERT_TRUE(weekly);
    EXPECT_EQ(weekly->start.tm_wday, 5);
    EXPECT_EQ(weekly->start.tm_hour, 17);
    EXPECT_EQ(weekly->durationMinutes, 3720);
    const TimerRow end = ToRow(*weekly);
    EXPECT_EQ(end.dayOfWeek, 1);
    EXPECT_EQ(end.hour12, 7);
    EXPECT_FALSE(end.pm);
    EXPECT_EQ(EntryFromRows(base, ScheduleKind::Weekly, from, from)->durationMinutes, 0);

    auto daily = EntryFromRows(base, ScheduleKind::Daily, from, to);
    ASSERT_TRUE(daily);
    EXPECT_EQ(daily->durationMinutes, 840);

    // 12 AM is midnight and 12 PM noon.
    TimerRow midnight;
    TimerRow noon;
    noon.pm = true;
    EXPECT_EQ(EntryFromRows(base, ScheduleKind::Daily, midnight, noon)->durationMinutes, 720);
    EXPECT_EQ(EntryFromRows(base, ScheduleKind::Daily, noon, midnight)->start.tm_hour, 12);
}

TEST_F(ScheduleTextTest, SessionRowsMustEndAfterTheyStart) {
    const ScheduleEntry base = Entry(ScheduleKind::Session, test::At(2026, 12, 4, 23, 0), 120);
    const TimerRow from = FromRow(base);
    const TimerRow to = ToRow(base);
    EXPECT_EQ(to.day, 5);
    EXPECT_EQ(to.hour12, 1);
    EXPECT_FALSE(to.pm);

    auto session = EntryFromRows(base, ScheduleKind::Session, from, to);
    ASSERT_TRUE(session);
    EXPECT_EQ(session->durationMinutes, 120);
    EXPECT_EQ(session->start.tm_mday, 4);
    EXPECT_EQ(session->start.tm_hour, 23);

    EXPECT_FALSE(EntryFromRows(base, ScheduleKind::Session, from, from));
    EXPECT_FALSE(EntryFromRows(base, ScheduleKind::Session, to, from));
}

}  // namespace
}  // namespace korvex
