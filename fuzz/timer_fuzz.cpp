// The TIMER file reader fed arbitrary bytes; whatever it accepts must survive a round trip
// and build days, positions and list lines without trouble.
#include "schedule/Schedule.h"
#include "schedule/ScheduleText.h"
#include "schedule/TimerFile.h"

#include <cstdlib>
#include <ctime>

using namespace korvex;

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("TZ", "UTC", 1);
    tzset();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const auto entries = ParseTimerFile(std::span(data, size));
    if (!entries) {
        return 0;
    }
    const std::vector<uint8_t> encoded = EncodeTimerFile(*entries);
    if (encoded.size() != size || !std::equal(encoded.begin(), encoded.end(), data)) {
        std::abort();
    }
    // A few days around a fixed moment (Friday, 4 December 2026, 12:00).
    const std::time_t noon = 1796385600;
    std::vector<DayInterval> list;
    for (int offset = 0; offset < 7; ++offset) {
        list.clear();
        Schedule::BuildDay(*entries, list, offset, noon);
        for (std::size_t i = 0; i < list.size(); ++i) {
            if (list[i].start < 0 || list[i].end > Schedule::kDayMinutes ||
                list[i].start > list[i].end || (i > 0 && list[i - 1].end >= list[i].start)) {
                std::abort();
            }
            IntervalText(list[i]);
        }
    }
    for (const ScheduleEntry& entry : *entries) {
        EntryListLine(entry);
    }
    HeadlessPrompt prompt;
    Schedule schedule(prompt);
    schedule.SetEntries(*entries);
    schedule.Activate(noon);
    for (std::time_t t = noon; t < noon + 2 * 86400; t += 3600) {
        schedule.IsActive(t);
    }
    return 0;
}
