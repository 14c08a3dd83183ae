#pragma once

#include <QString>

#include <ctime>

namespace korvex {

// Forms of a time-stamped file name.
enum class TimeNameForm {
    Date = 3,        // MMDDYY.ext
    DateMinute = 5,  // MMDDYY_HHMM.ext
    DateSecond = 6,  // MMDDYY_HHMMSS.ext
};

// A file name from the local time of `t`: month, day, two-digit year, then hour and minute
// (and second) as the form asks, then "." and the extension.
QString MakeTimeName(std::time_t t, TimeNameForm form, const QString& extension);

}  // namespace korvex
