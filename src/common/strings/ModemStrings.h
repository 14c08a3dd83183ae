#pragma once

#include "common/StringTable.h"

#include <span>

namespace korvex {

// Texts of the modem subsystem. Numbered texts keep their numbers; the others
// take numbers from 13000 upwards.
enum ModemStringId : int {
    IDS_MODEM_FIRST = 13000,
};

extern const std::span<const StringEntry> kModemStrings;

}  // namespace korvex
