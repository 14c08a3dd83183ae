// The in-memory MV2 parser on blocks as they arrive from the modem link: the first bytes
// choose how the input is cut into a header block and record blocks.

#include "buffer/Mv2BlockParser.h"
#include "common/UserPrompt.h"

#include <cstdint>
#include <span>

using namespace korvex;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    RecordingPrompt prompt;
    Mv2BlockParser parser(&prompt);
    std::span<const uint8_t> input(data + 2, size - 2);
    const size_t headerBytes = std::min<size_t>(data[0] * 8u, input.size());
    parser.ParseHeaderBlock(input.first(headerBytes));
    input = input.subspan(headerBytes);
    const size_t cut = data[1] + 1u;
    while (!input.empty()) {
        const size_t n = std::min(cut, input.size());
        if (parser.ParseRecordBlock(input.first(n))) {
            const auto frame = parser.FrameData();
            volatile uint8_t sink = frame.empty() ? 0 : frame[frame.size() - 1];
            (void)sink;
        }
        input = input.subspan(n);
    }
    return 0;
}
