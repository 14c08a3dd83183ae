#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace korvex {

// Base64 for mail attachments: the standard alphabet with "=" padding, 57 input bytes to
// one line of 76 characters, every line ended by CR LF, the last line of a chunk shorter.
inline constexpr std::size_t kBase64GroupBytes = 57;
inline constexpr std::size_t kBase64LineChars = 76;

// Appends the lines of `input` to `out`; nothing for an empty input.
void AppendBase64Lines(std::span<const uint8_t> input, std::string& out);

// The size of a chunk read from the file for a send buffer of `bufferBytes`: the largest
// multiple of 57 not above (bufferBytes * 57 - 57) / 78, so that the encoded chunk (78 bytes
// per 57) and a terminating zero fit in the buffer; at least one group.
std::size_t Base64ChunkBytes(std::size_t bufferBytes);

}  // namespace korvex
