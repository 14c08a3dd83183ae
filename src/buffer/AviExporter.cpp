#include "buffer/AviExporter.h"

#include "buffer/FileHandle.h"
#include "buffer/Mv2Reader.h"
#include "common/FourCC.h"
#include "common/UserPrompt.h"
#include "common/strings/BufferStrings.h"

#include <QFile>

#include <fcntl.h>
#include <array>
#include <new>
#include <vector>

namespace korvex {

namespace {

constexpr uint32_t kRiff = MakeFourCC('R', 'I', 'F', 'F');
constexpr uint32_t kList = MakeFourCC('L', 'I', 'S', 'T');
constexpr uint32_t kAvi = MakeFourCC('A', 'V', 'I', ' ');
constexpr uint32_t kHdrl = MakeFourCC('h', 'd', 'r', 'l');
constexpr uint32_t kAvih = MakeFourCC('a', 'v', 'i', 'h');
constexpr uint32_t kStrl = MakeFourCC('s', 't', 'r', 'l');
constexpr uint32_t kStrh = MakeFourCC('s', 't', 'r', 'h');
constexpr uint32_t kStrf = MakeFourCC('s', 't', 'r', 'f');
constexpr uint32_t kVids = MakeFourCC('v', 'i', 'd', 's');
constexpr uint32_t kMovi = MakeFourCC('m', 'o', 'v', 'i');
constexpr uint32_t kIdx1 = MakeFourCC('i', 'd', 'x', '1');
constexpr uint32_t k00dc = MakeFourCC('0', '0', 'd', 'c');
constexpr uint32_t kAviHasIndex = 0x10;
constexpr uint32_t kIndexKeyFrame = 0x10;
constexpr uint32_t kMaxBytesPerSec = 500000;
constexpr uint32_t kSuggestedBuffer = 64000;
// Each frame takes at least its chunk header and its index entry.
constexpr int64_t kMinBytesPerFrame = 8 + 16;

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
}

void Put32At(std::vector<uint8_t>& out, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(v >> (8 * i));
    }
}

std::vector<uint8_t> MainHeader(const CMv2Reader& reader, uint32_t frames) {
    const BitmapInfoHeader& info = reader.Format().Header();
    std::vector<uint8_t> out;
    Put32(out, 1000000u / static_cast<uint32_t>(reader.PeakRate()));
    Put32(out, kMaxBytesPerSec);
    Put32(out, 0);
    Put32(out, kAviHasIndex);
    Put32(out, frames);
    Put32(out, 0);
    Put32(out, 1);
    Put32(out, kSuggestedBuffer);
    Put32(out, static_cast<uint32_t>(info.biWidth));
    Put32(out, static_cast<uint32_t>(info.biHeight));
    for (int i = 0; i < 4; ++i) {
        Put32(out, 0);
    }
    return out;
}

std::vector<uint8_t> StreamHeader(const CMv2Reader& reader, uint32_t frames) {
    const uint32_t fourcc = reader.Header().FourCC();
    std::vector<uint8_t> out;
    Put32(out, kVids);
    Put32(out, fourcc == kFourCCDib ? 0 : fourcc);
    Put32(out, 0);  // flags
    Put32(out, 0);  // priority and language
    Put32(out, 0);  // initial frames
    Put32(out, 1);  // scale
    Put32(out, static_cast<uint32_t>(reader.PeakRate()));
    Put32(out, 0);  // start
    Put32(out, frames);
    Put32(out, kSuggestedBuffer);
    Put32(out, 0xFFFFFFFFu);  // quality
    Put32(out, 0);            // sample size
    for (int i = 0; i < 4; ++i) {
        Put32(out, 0);
    }
    return out;
}

}  // namespace

void AviExporter::Show(int messageId) const {
    if (prompt_) {
        prompt_->Message(Str(messageId), PromptIcon::Error);
    }
}

bool AviExporter::Export(const QString& sourcePath, const QString& targetPath) {
    CMv2Reader reader(prompt_, settings_);
    if (!reader.Open(sourcePath)) {
        return false;
    }
    const int64_t frames = reader.FrameCount();
    if (frames * kMinBytesPerFrame > maxFileBytes_) {
        Show(IDS_AVI_TOO_LARGE);
        return false;
    }
    std::vector<uint8_t> index;
    try {
        index.assign(static_cast<size_t>(frames) * 16, 0);
    } catch (const std::bad_alloc&) {
        Show(IDS_MV2_OUT_OF_MEMORY);
        return false;
    }

    FileHandle target = FileHandle::Open(targetPath, O_RDWR | O_CREAT | O_TRUNC);
    if (!target.IsOpen()) {
        Show(IDS_MV2_OPEN_WRITE_FAILED);
        return false;
    }

    RiffWriter riff(target, maxFileBytes_);
    const auto count = static_cast<uint32_t>(frames);
    bool ok = riff.BeginList(kRiff, kAvi) && riff.BeginList(kList, kHdrl) &&
              riff.BeginChunk(kAvih) && riff.Write(MainHeader(reader, count)) && riff.End() &&
              riff.BeginList(kList, kStrl) && riff.BeginChunk(kStrh) &&
              riff.Write(StreamHeader(reader, count)) && riff.End() && riff.BeginChunk(kStrf) &&
              riff.Write(reader.Format().Bytes()) && riff.End() && riff.End() && riff.End();

    const int64_t moviStart = riff.Position();
    ok = ok && riff.BeginList(kList, kMovi);
    int64_t pos = reader.FirstRecordOffset();
    for (int64_t i = 0; ok && i < frames; ++i) {
        Mv2RecordInfo record;
        if (reader.ReadRecord(pos, record, true) != CMv2Reader::ReadStatus::Ok) {
            ok = false;
            break;
        }
        const size_t entry = static_cast<size_t>(i) * 16;
        Put32At(index, entry, k00dc);
        Put32At(index, entry + 4, record.keyFrame ? kIndexKeyFrame : 0);
        Put32At(index, entry + 8, static_cast<uint32_t>(riff.Position() - moviStart - 8));
        Put32At(index, entry + 12, record.length);
        ok = riff.BeginChunk(k00dc) && riff.Write(reader.RecordData(record)) && riff.End();
        pos = record.NextOffset();
        if (ok && progress_) {
            progress_(i + 1, frames);
        }
    }
    ok =
        ok && riff.End() && riff.BeginChunk(kIdx1) && riff.Write(index) && riff.End() && riff.End();
    ok = target.Close() && ok;
    if (!ok) {
        Show(riff.LimitReached() ? IDS_AVI_TOO_LARGE : IDS_AVI_CREATE_FAILED);
        QFile::remove(targetPath);
        return false;
    }
    return true;
}

}  // namespace korvex
