#include "common/strings/BufferStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_BUFFER_FIRST, ""},
};
}  // namespace

const std::span<const StringEntry> kBufferStrings = kTable;

}  // namespace korvex
