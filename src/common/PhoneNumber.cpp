#include "common/PhoneNumber.h"

namespace korvex {

std::optional<QString> CleanPhoneNumber(const QString& number) {
    static const QString kKept = QStringLiteral("0123456789#*,@");
    static const QString kDropped = QStringLiteral(" ()+-.?");
    QString cleaned;
    cleaned.reserve(number.size());
    for (QChar c : number) {
        if (kKept.contains(c)) {
            cleaned.append(c);
        } else if (!kDropped.contains(c)) {
            return std::nullopt;
        }
    }
    return cleaned;
}

}  // namespace korvex
