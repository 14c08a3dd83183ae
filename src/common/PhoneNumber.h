#pragma once

#include <QString>

#include <optional>

namespace korvex {

// A call or pager number as it is dialled: digits, "#", "*", "," and "@" are kept; blanks,
// "(", ")", "+", "-", "." and "?" are dropped; any other character makes the number invalid.
std::optional<QString> CleanPhoneNumber(const QString& number);

}  // namespace korvex
