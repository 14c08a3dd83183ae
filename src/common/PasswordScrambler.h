#pragma once

#include <QString>

namespace korvex {

// A password as it is stored: the scrambled text (upper-case hexadecimal, 80 characters for
// passwords of up to 39 bytes, 80 more for every further 40) and the parameter word kept
// beside it. A word of 0 means that no password is stored.
struct ScrambledPassword {
    int byteWord = 0;
    QString text;
};

// Scrambles a password for storing; an empty password gives {0, ""}.
ScrambledPassword ScramblePassword(const QString& plain);

// The password back from its stored form; empty for a word of 0 or a damaged text.
QString UnscramblePassword(int byteWord, const QString& text);

}  // namespace korvex
