#include "common/StringTable.h"

#include "common/strings/BufferStrings.h"
#include "common/strings/CameraStrings.h"
#include "common/strings/ModemStrings.h"
#include "common/strings/ScheduleStrings.h"
#include "common/strings/UploaderStrings.h"
#include "common/strings/VideoStrings.h"

#include <array>

namespace korvex {

namespace {
const std::array<std::span<const StringEntry>, 6> kTables = {
    kCameraStrings, kVideoStrings,    kBufferStrings,
    kModemStrings,  kScheduleStrings, kUploaderStrings,
};
}  // namespace

const char* FindString(int id) {
    for (const auto& table : kTables) {
        for (const StringEntry& entry : table) {
            if (entry.id == id) {
                return entry.text;
            }
        }
    }
    return nullptr;
}

QString Str(int id) {
    const char* text = FindString(id);
    return text ? QString::fromUtf8(text) : QString();
}

std::span<const std::span<const StringEntry>> AllStringTables() {
    return kTables;
}

}  // namespace korvex
