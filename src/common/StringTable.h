#pragma once

#include <QString>

#include <span>

namespace korvex {

// One text of the string table. Numbered texts keep the numbers the user-facing
// messages have always had; texts without a number get one from the range of
// their subsystem (see strings/*.h).
struct StringEntry {
    int id;
    const char* text;
};

// The text of string `id`, or nullptr when the table has none.
const char* FindString(int id);

// The text of string `id` as a QString; empty when the table has none.
QString Str(int id);

// Every table, for the check that no number is used twice.
std::span<const std::span<const StringEntry>> AllStringTables();

}  // namespace korvex
