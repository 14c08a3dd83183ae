#include "video/detector/MaskFile.h"

#include "common/Paths.h"
#include "common/StringTable.h"
#include "common/strings/VideoStrings.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <cstring>

namespace korvex {

namespace {

constexpr char kMagic[] = "MASK3";
constexpr size_t kMagicBytes = 6;

void PutInt32(std::vector<uint8_t>& out, int32_t value) {
    const auto v = static_cast<uint32_t>(value);
    for (int shift = 0; shift < 32; shift += 8) {
        out.push_back(static_cast<uint8_t>(v >> shift));
    }
}

int32_t GetInt32(std::span<const uint8_t> bytes, size_t offset) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) {
        v = v << 8 | bytes[offset + i];
    }
    return static_cast<int32_t>(v);
}

}  // namespace

MaskFile::MaskFile(MotionDetector& detector, UserPrompt& prompt)
    : detector_(detector), prompt_(prompt) {}

std::vector<uint8_t> MaskFile::Encode(const MotionDetector& detector) {
    std::vector<uint8_t> out(kMagic, kMagic + kMagicBytes);
    PutInt32(out, detector.BlockCols());
    PutInt32(out, detector.BlockRows());
    PutInt32(out, static_cast<int32_t>(detector.Style()));
    PutInt32(out, static_cast<int32_t>(detector.Colour()));
    const auto mask = detector.Mask();
    out.insert(out.end(), mask.begin(), mask.end());
    return out;
}

// Written beside and renamed over the old file, so a full disk never leaves half a mask.
bool MaskFile::SaveMask(const QString& path) {
    const std::vector<uint8_t> bytes = Encode(detector_);
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) ||
        file.write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !file.commit()) {
        prompt_.Message(Str(IDS_MASK_OPEN_WRITE_FAILED), PromptIcon::Error);
        return false;
    }
    return true;
}

bool MaskFile::LoadMask(const QString& path, bool verbose) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (verbose) {
            prompt_.Message(Str(IDS_MASK_OPEN_READ_FAILED), PromptIcon::Error);
        }
        return false;
    }
    // Nothing past the mask of the current grid is ever looked at.
    const qint64 wanted = kHeaderBytes + static_cast<qint64>(detector_.BlockCount());
    const QByteArray data = file.read(wanted);
    return LoadMaskBytes(
        {reinterpret_cast<const uint8_t*>(data.constData()), static_cast<size_t>(data.size())},
        verbose);
}

bool MaskFile::LoadMaskBytes(std::span<const uint8_t> bytes, bool verbose) {
    const auto notValid = [&] {
        if (verbose) {
            prompt_.Message(Str(IDS_MASK_NOT_VALID), PromptIcon::Error);
        }
        return false;
    };
    // The magic compares as a zero-terminated string.
    if (bytes.size() < kMagicBytes ||
        std::strncmp(reinterpret_cast<const char*>(bytes.data()), kMagic, kMagicBytes) != 0) {
        return notValid();
    }
    if (bytes.size() < 14) {
        return notValid();
    }
    const int32_t cols = GetInt32(bytes, 6);
    const int32_t rows = GetInt32(bytes, 10);
    if (cols < 0 || rows < 0) {
        return notValid();
    }
    if (cols != detector_.BlockCols() || rows != detector_.BlockRows()) {
        const int64_t width = int64_t{cols} * 8;
        const int64_t height = int64_t{rows} * 8;
        prompt_.Message(QString::asprintf(
                            "%s %lldx%lld - %lldx%lld", qUtf8Printable(Str(IDS_MASK_WRONG_SIZE)),
                            static_cast<long long>(width), static_cast<long long>(height),
                            static_cast<long long>(width + 7), static_cast<long long>(height + 7)),
                        PromptIcon::Warning);
        return false;
    }
    const size_t blocks = static_cast<size_t>(detector_.BlockCount());
    if (bytes.size() < kHeaderBytes + blocks) {
        return notValid();
    }
    const int32_t style = GetInt32(bytes, 14);
    const int32_t colour = GetInt32(bytes, 18);
    if (style == static_cast<int32_t>(MaskStyle::Block) ||
        style == static_cast<int32_t>(MaskStyle::Wire)) {
        detector_.SetStyle(static_cast<MaskStyle>(style));
    }
    if (colour >= static_cast<int32_t>(MaskColour::Negative) &&
        colour <= static_cast<int32_t>(MaskColour::White)) {
        detector_.SetColour(static_cast<MaskColour>(colour));
    }
    const auto source = bytes.subspan(kHeaderBytes, blocks);
    std::transform(source.begin(), source.end(), detector_.Mask().begin(),
                   [](uint8_t b) { return b != 0 ? MotionDetector::kMasked : uint8_t{0}; });
    return true;
}

QString MaskFile::DefaultMaskPath(const QString& dir, int camera) {
    return JoinPath(dir, QStringLiteral("Korvex%1.msk").arg(camera));
}

bool MaskFile::SaveDefaultMask(const QString& dir, int camera) {
    return SaveMask(DefaultMaskPath(dir, camera));
}

bool MaskFile::LoadDefaultMask(const QString& dir, int camera) {
    return LoadMask(DefaultMaskPath(dir, camera), false);
}

}  // namespace korvex
