#pragma once

#include "buffer/Mv2Reader.h"
#include "common/Clock.h"
#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "support/TempDir.h"
#include "video/FrameCompressor.h"

#include <QDir>
#include <QFileInfo>
#include <QString>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <vector>

namespace korvex::test {

// One record of an MV2 file as read back.
struct StoredRecord {
    std::time_t time = 0;
    bool keyFrame = false;
    std::vector<uint8_t> data;
};

inline std::vector<StoredRecord> ReadRecords(const QString& path) {
    std::vector<StoredRecord> records;
    CMv2Reader reader;
    if (!reader.Open(path))
        return records;
    int64_t offset = reader.FirstRecordOffset();
    Mv2RecordInfo info;
    while (reader.ReadRecord(offset, info, true) == CMv2Reader::ReadStatus::Ok) {
        const auto data = reader.RecordData(info);
        records.push_back({info.time, info.keyFrame, {data.begin(), data.end()}});
        offset = info.NextOffset();
    }
    return records;
}

// A directory whose own path is `length` characters long, so that longer names inside it
// pass the system's path limit while short ones still fit.
inline QString DeepDirectory(const QString& base, int length) {
    QString path = base;
    while (path.size() < length) {
        const int part = std::min<int>(200, static_cast<int>(length - path.size()) - 1);
        path += QLatin1Char('/') + QString(part, QLatin1Char('d'));
    }
    EXPECT_TRUE(QDir().mkpath(path));
    return path;
}

// The frames of a small camera and a clock in simulated time, in UTC.
class RecorderFixture : public ::testing::Test {
protected:
    // Tuesday, 10 March 2026, 10:00:00 UTC.
    static constexpr std::time_t kStart = 1773136800;

    RecorderFixture() {
        setenv("TZ", "UTC", 1);
        tzset();
    }

    void OpenCompressor(uint32_t handler, int width = 64, int height = 48) {
        format = DibFormat::Rgb(width, height, 24);
        ASSERT_TRUE(compressor.OpenCompressor(handler, format));
        frame.assign(static_cast<size_t>(format.ImageBytes()), 0);
    }
    // A picture that differs from frame to frame.
    void NextPicture() {
        ++pictures;
        for (size_t i = 0; i < frame.size(); ++i) {
            frame[i] = static_cast<uint8_t>((i * 7 + static_cast<size_t>(pictures) * 13) & 0xFF);
        }
    }
    void AtSecond(std::time_t second) { clock.SetWallBase(kStart + second); }

    TempDir dir;
    ManualClock clock{0, kStart};
    RecordingPrompt prompt;
    FrameCompressor compressor{prompt};
    DibFormat format;
    std::vector<uint8_t> frame;
    int pictures = 0;
};

}  // namespace korvex::test
