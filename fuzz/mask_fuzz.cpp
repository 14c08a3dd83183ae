#include "common/Dib.h"
#include "common/UserPrompt.h"
#include "video/detector/MaskFile.h"
#include "video/detector/MotionDetector.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>

// Arbitrary bytes as a MASK3 file, loaded into detectors of a common grid and of a grid of
// one block; a file that loads must save back to the same mask.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static korvex::RecordingPrompt prompt;
    const std::span<const uint8_t> bytes(data, size);
    for (const auto& [width, height] : {std::pair{320, 240}, std::pair{8, 8}}) {
        korvex::MotionDetector detector(prompt);
        detector.Setup(korvex::DibFormat::Rgb(width, height, 24));
        korvex::MaskFile file(detector, prompt);
        if (file.LoadMaskBytes(bytes, true)) {
            const auto saved = korvex::MaskFile::Encode(detector);
            korvex::MotionDetector again(prompt);
            again.Setup(korvex::DibFormat::Rgb(width, height, 24));
            korvex::MaskFile reread(again, prompt);
            if (!reread.LoadMaskBytes(saved, true) ||
                !std::equal(again.Mask().begin(), again.Mask().end(), detector.Mask().begin())) {
                __builtin_trap();
            }
        }
        prompt.Clear();
    }
    return 0;
}
