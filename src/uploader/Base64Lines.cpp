#include "uploader/Base64Lines.h"

#include <algorithm>

namespace korvex {

namespace {
constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

void AppendLine(std::span<const uint8_t> group, std::string& out) {
    std::size_t i = 0;
    for (; i + 3 <= group.size(); i += 3) {
        const uint32_t bits = (group[i] << 16) | (group[i + 1] << 8) | group[i + 2];
        out.push_back(kAlphabet[(bits >> 18) & 63]);
        out.push_back(kAlphabet[(bits >> 12) & 63]);
        out.push_back(kAlphabet[(bits >> 6) & 63]);
        out.push_back(kAlphabet[bits & 63]);
    }
    const std::size_t rest = group.size() - i;
    if (rest == 1) {
        const uint32_t bits = group[i] << 16;
        out.push_back(kAlphabet[(bits >> 18) & 63]);
        out.push_back(kAlphabet[(bits >> 12) & 63]);
        out += "==";
    } else if (rest == 2) {
        const uint32_t bits = (group[i] << 16) | (group[i + 1] << 8);
        out.push_back(kAlphabet[(bits >> 18) & 63]);
        out.push_back(kAlphabet[(bits >> 12) & 63]);
        out.push_back(kAlphabet[(bits >> 6) & 63]);
        out.push_back('=');
    }
    out += "\r\n";
}
}  // namespace

void AppendBase64Lines(std::span<const uint8_t> input, std::string& out) {
    out.reserve(out.size() + (input.size() + kBase64GroupBytes - 1) / kBase64GroupBytes *
                                 (kBase64LineChars + 2));
    for (std::size_t offset = 0; offset < input.size(); offset += kBase64GroupBytes) {
        AppendLine(input.subspan(offset, std::min(kBase64GroupBytes, input.size() - offset)), out);
    }
}

std::size_t Base64ChunkBytes(std::size_t bufferBytes) {
    const std::size_t limit = bufferBytes > 0 ? (bufferBytes - 1) * kBase64GroupBytes / 78 : 0;
    return std::max(kBase64GroupBytes, limit / kBase64GroupBytes * kBase64GroupBytes);
}

}  // namespace korvex
