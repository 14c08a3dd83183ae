#include "common/TimeName.h"

namespace korvex {

QString MakeTimeName(std::time_t t, TimeNameForm form, const QString& extension) {
    std::tm local{};
    localtime_r(&t, &local);
    const int year = local.tm_year % 100;
    char name[64];
    switch (form) {
        case TimeNameForm::Date:
            std::snprintf(name, sizeof name, "%02d%02d%02d", local.tm_mon + 1, local.tm_mday, year);
            break;
        case TimeNameForm::DateMinute:
            std::snprintf(name, sizeof name, "%02d%02d%02d_%02d%02d", local.tm_mon + 1,
                          local.tm_mday, year, local.tm_hour, local.tm_min);
            break;
        case TimeNameForm::DateSecond:
            std::snprintf(name, sizeof name, "%02d%02d%02d_%02d%02d%02d", local.tm_mon + 1,
                          local.tm_mday, year, local.tm_hour, local.tm_min, local.tm_sec);
            break;
    }
    return QString::fromLatin1(name) + u'.' + extension;
}

}  // namespace korvex
