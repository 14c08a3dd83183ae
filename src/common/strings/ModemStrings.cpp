#include "common/strings/ModemStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_MODEM_FIRST, ""},
};
}  // namespace

const std::span<const StringEntry> kModemStrings = kTable;

}  // namespace korvex
