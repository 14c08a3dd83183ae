#include "common/Dib.h"
#include "common/FourCC.h"
#include "common/UserPrompt.h"
#include "video/CodecRegistry.h"
#include "video/FrameDecompressor.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace {

class SilentPrompt : public korvex::UserPrompt {
public:
    void Message(const QString&, korvex::PromptIcon) override {}
    korvex::PromptAnswer Ask(const QString&, korvex::PromptButtons,
                             korvex::PromptAnswer answer) override {
        return answer;
    }
};

}  // namespace

// Every decompressor of the codec registry on arbitrary bytes. The input chooses the codec,
// a small picture size and the codec data of the format block; the rest is split into two
// frames.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::vector<uint32_t> codes = [] {
        auto list = korvex::CodecRegistry::Installed().DecoderCodes();
        list.push_back(korvex::kFourCCDib);
        return list;
    }();
    if (size < 4) {
        return 0;
    }
    const uint32_t code = codes[data[0] % codes.size()];
    const int width = 1 + data[1] % 96;
    const int height = 1 + data[2] % 96;
    const size_t extra = std::min<size_t>(data[3] % 32, size - 4);
    std::span<const uint8_t> rest(data + 4, size - 4);

    korvex::DibFormat format = korvex::DibFormat::Rgb(width, height, 24);
    format.Header().biCompression = code == korvex::kFourCCDib ? korvex::BI_RGB : code;
    std::vector<uint8_t> block(format.Bytes().begin(), format.Bytes().end());
    block.insert(block.end(), rest.begin(), rest.begin() + extra);
    rest = rest.subspan(extra);

    SilentPrompt prompt;
    korvex::FrameDecompressor decompressor(prompt);
    if (decompressor.OpenDecompressor(code, korvex::DibFormat::FromBytes(block))) {
        const size_t half = rest.size() / 2;
        decompressor.DecompressFrame(rest.first(half));
        decompressor.DecompressFrame(rest.subspan(half));
    }
    return 0;
}
