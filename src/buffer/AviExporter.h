#pragma once

#include "buffer/RiffWriter.h"

#include <QString>

#include <cstdint>
#include <functional>

namespace korvex {

class SettingsStore;
class UserPrompt;

// Copies the frames of an MV2 file, as they are stored, into an AVI file with one video
// stream and an "idx1" index. The frames counted when the source is opened are exported,
// even when the source grows meanwhile. An export that would pass the RIFF size limit stops
// with a message and leaves no file behind.
class AviExporter {
public:
    explicit AviExporter(UserPrompt* prompt = nullptr, const SettingsStore* settings = nullptr,
                         int64_t maxFileBytes = RiffWriter::kMaxRiffBytes)
        : prompt_(prompt), settings_(settings), maxFileBytes_(maxFileBytes) {}

    // Called after each frame written with the count done and the count to do.
    void SetProgressListener(std::function<void(int64_t done, int64_t total)> listener) {
        progress_ = std::move(listener);
    }

    bool Export(const QString& sourcePath, const QString& targetPath);

private:
    void Show(int messageId) const;

    UserPrompt* prompt_;
    const SettingsStore* settings_;
    int64_t maxFileBytes_;
    std::function<void(int64_t, int64_t)> progress_;
};

}  // namespace korvex
