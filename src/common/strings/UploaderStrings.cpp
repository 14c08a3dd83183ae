#include "common/strings/UploaderStrings.h"

namespace korvex {

namespace {
const StringEntry kTable[] = {
    {IDS_UPLOADER_FIRST, ""},
};
}  // namespace

const std::span<const StringEntry> kUploaderStrings = kTable;

}  // namespace korvex
