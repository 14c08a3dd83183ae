#include "common/PasswordScrambler.h"

#include <QByteArray>

#include <cstdint>
#include <random>

namespace korvex {

// The stored form hides a password from a casual look at the settings file; it is not
// encryption. Block layout before scrambling: one length byte, the UTF-8 password, random
// padding up to a multiple of 40 bytes. Every byte is XORed with a xorshift32 key stream
// seeded by the parameter word and the running previous plain byte, so equal passwords
// stored twice look different.
namespace {
constexpr int kBlockBytes = 40;
constexpr int kMaxPasswordBytes = 255;

uint32_t NextKey(uint32_t& state) {
    state ^= state << 13;
    state ^= state >> 17;
    state ^= state << 5;
    return state;
}

uint32_t RandomWord() {
    std::random_device device;
    uint32_t word = 0;
    while (word == 0) {
        word = device();
    }
    return word;
}
}  // namespace

ScrambledPassword ScramblePassword(const QString& plain) {
    QByteArray bytes = plain.toUtf8();
    if (bytes.isEmpty()) {
        return {};
    }
    if (bytes.size() > kMaxPasswordBytes) {
        bytes.truncate(kMaxPasswordBytes);
    }
    const int total =
        ((1 + static_cast<int>(bytes.size()) + kBlockBytes - 1) / kBlockBytes) * kBlockBytes;
    const uint32_t word = RandomWord();
    uint32_t padState = word ^ 0x9E3779B9u;
    QByteArray block(total, '\0');
    block[0] = static_cast<char>(bytes.size());
    for (int i = 0; i < total - 1; ++i) {
        block[i + 1] = i < bytes.size() ? bytes[i] : static_cast<char>(NextKey(padState) & 0xFF);
    }
    uint32_t state = word;
    uint8_t previous = 0;
    for (int i = 0; i < total; ++i) {
        const auto plainByte = static_cast<uint8_t>(block[i]);
        block[i] = static_cast<char>(plainByte ^ static_cast<uint8_t>(NextKey(state)) ^ previous);
        previous = plainByte;
    }
    return {static_cast<int>(word), QString::fromLatin1(block.toHex().toUpper())};
}

QString UnscramblePassword(int byteWord, const QString& text) {
    if (byteWord == 0 || text.isEmpty() || text.size() % (2 * kBlockBytes) != 0) {
        return {};
    }
    const QByteArray hex = text.toLatin1();
    for (char c : hex) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f'))) {
            return {};
        }
    }
    QByteArray block = QByteArray::fromHex(hex);
    uint32_t state = static_cast<uint32_t>(byteWord);
    uint8_t previous = 0;
    for (char& c : block) {
        const auto plainByte = static_cast<uint8_t>(
            static_cast<uint8_t>(c) ^ static_cast<uint8_t>(NextKey(state)) ^ previous);
        c = static_cast<char>(plainByte);
        previous = plainByte;
    }
    const int length = static_cast<uint8_t>(block[0]);
    if (length == 0 || length > block.size() - 1) {
        return {};
    }
    return QString::fromUtf8(block.mid(1, length));
}

}  // namespace korvex
