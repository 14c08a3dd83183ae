#include "video/DemoCamera.h"

#include "common/FourCC.h"

#include <algorithm>
#include <array>

namespace korvex {

namespace {

constexpr uint32_t kYuy2 = MakeFourCC('Y', 'U', 'Y', '2');
constexpr int kNoiseSize = 4096;

// Sensor noise of -1, 0 or +1, from a fixed pseudo-random sequence.
const std::array<int8_t, kNoiseSize>& NoiseTable() {
    static const std::array<int8_t, kNoiseSize> table = [] {
        std::array<int8_t, kNoiseSize> values{};
        uint32_t state = 0x2545F491;
        for (int8_t& value : values) {
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            value = static_cast<int8_t>(static_cast<int>(state % 3) - 1);
        }
        return values;
    }();
    return table;
}

uint8_t Clamp(int value) {
    return static_cast<uint8_t>(std::clamp(value, 0, 255));
}

}  // namespace

DemoCamera::DemoCamera(const Clock& clock) : clock_(clock) {
    SetFormat({BI_RGB, 320, 240, 24});
}

std::vector<CaptureFormatOption> DemoCamera::Formats() const {
    return {{BI_RGB, 320, 240, 24},
            {BI_RGB, 640, 480, 24},
            {kYuy2, 320, 240, 16},
            {kYuy2, 640, 480, 16}};
}

bool DemoCamera::SetFormat(const CaptureFormatOption& format) {
    const auto offered = Formats();
    if (std::find(offered.begin(), offered.end(), format) == offered.end()) {
        return false;
    }
    format_ = format;
    DrawBackground();
    scene_.resize(background_.size());
    frame_.assign(static_cast<size_t>(Format().Header().biSizeImage), 0);
    return true;
}

DibFormat DemoCamera::Format() const {
    DibFormat format = DibFormat::Rgb(format_.width, format_.height, 24);
    if (format_.compression == kYuy2) {
        BitmapInfoHeader& header = format.Header();
        header.biBitCount = 16;
        header.biCompression = kYuy2;
        header.biSizeImage = static_cast<uint32_t>(format_.width * format_.height * 2);
    }
    return format;
}

bool DemoCamera::ObjectVisibleAt(int64_t nowMs) {
    const int64_t phase = ((nowMs % kCycleMs) + kCycleMs) % kCycleMs;
    return phase >= kObjectStartMs && phase < kObjectStartMs + kObjectMs;
}

// A wall of tiles with soft colour ramps: still, but with enough texture that the camera
// window and the compressors have real work.
void DemoCamera::DrawBackground() {
    const int w = format_.width;
    const int h = format_.height;
    background_.resize(static_cast<size_t>(w) * h * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            uint8_t* p = &background_[(static_cast<size_t>(y) * w + x) * 3];
            const int tile = ((x * 16 / w) + (y * 12 / h)) & 1;
            const bool mortar = (x * 16 % w) < 16 || (y * 12 % h) < 12;
            p[0] = Clamp(60 + x * 70 / w + tile * 25 - (mortar ? 30 : 0));
            p[1] = Clamp(80 + y * 80 / h + tile * 15 - (mortar ? 30 : 0));
            p[2] = Clamp(100 + ((x ^ y) & 15) * 2 + tile * 20 - (mortar ? 30 : 0));
        }
    }
}

void DemoCamera::Render(int64_t nowMs) {
    const int w = format_.width;
    const int h = format_.height;
    std::copy(background_.begin(), background_.end(), scene_.begin());

    if (ObjectVisibleAt(nowMs)) {
        const int64_t inside = ((nowMs % kCycleMs) + kCycleMs) % kCycleMs - kObjectStartMs;
        const int objectW = w / 5;
        const int objectH = h / 2;
        const int left = static_cast<int>(-objectW + inside * (w + objectW) / kObjectMs);
        const int top = h / 4;
        for (int y = top; y < top + objectH; ++y) {
            for (int x = std::max(left, 0); x < std::min(left + objectW, w); ++x) {
                uint8_t* p = &scene_[(static_cast<size_t>(y) * w + x) * 3];
                const bool stripe = ((y - top) * 6 / objectH) % 2 == 1;
                p[0] = stripe ? 200 : 40;
                p[1] = stripe ? 200 : 40;
                p[2] = stripe ? 230 : 190;
            }
        }
    }

    // Noise changes 25 times a second, as a real sensor's would from frame to frame.
    const auto& noise = NoiseTable();
    const size_t seed = static_cast<size_t>((nowMs / 40) * 1237);
    for (size_t i = 0; i < scene_.size(); ++i) {
        scene_[i] = Clamp(scene_[i] + noise[(i + seed) % kNoiseSize]);
    }

    if (format_.compression == BI_RGB) {
        // Bottom-up DIB rows.
        const size_t rowBytes = static_cast<size_t>(DibRowBytes(w, 24));
        for (int y = 0; y < h; ++y) {
            std::copy_n(&scene_[static_cast<size_t>(y) * w * 3], static_cast<size_t>(w) * 3,
                        &frame_[rowBytes * (h - 1 - y)]);
        }
        return;
    }
    // YUYV, top-down, BT.601 studio range: two pixels share one U and one V.
    for (size_t pixel = 0, out = 0; pixel + 1 < static_cast<size_t>(w) * h; pixel += 2) {
        const uint8_t* a = &scene_[pixel * 3];
        const uint8_t* b = a + 3;
        const int r = (a[2] + b[2]) / 2;
        const int g = (a[1] + b[1]) / 2;
        const int bl = (a[0] + b[0]) / 2;
        frame_[out++] = Clamp(((66 * a[2] + 129 * a[1] + 25 * a[0] + 128) >> 8) + 16);
        frame_[out++] = Clamp(((-38 * r - 74 * g + 112 * bl + 128) >> 8) + 128);
        frame_[out++] = Clamp(((66 * b[2] + 129 * b[1] + 25 * b[0] + 128) >> 8) + 16);
        frame_[out++] = Clamp(((112 * r - 94 * g - 18 * bl + 128) >> 8) + 128);
    }
}

std::optional<std::span<const uint8_t>> DemoCamera::Grab() {
    Render(clock_.NowMs());
    return std::span<const uint8_t>(frame_);
}

}  // namespace korvex
