// Feeds arbitrary server bytes to the SMTP reply parser, cut into pieces as a socket
// would deliver them, and checks that every reply it returns is well formed.
#include "uploader/SmtpReplyParser.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses the size of the pieces.
    const std::size_t piece = 1 + data[0] % 64;
    const std::span<const uint8_t> bytes(data + 1, size - 1);
    korvex::SmtpReplyParser parser;
    std::size_t consumed = 0;
    for (std::size_t offset = 0; offset < bytes.size(); offset += piece) {
        const auto chunk = bytes.subspan(offset, std::min(piece, bytes.size() - offset));
        parser.Append(chunk);
        while (const auto reply = parser.Take()) {
            if (reply->lines.empty() || reply->code < 0 || reply->code > 999) {
                std::abort();
            }
            for (const auto& line : reply->lines) {
                consumed += line.size() + 1;
            }
            reply->Text();
            reply->HasExtension("STARTTLS");
            reply->ExtensionParameters("AUTH");
        }
    }
    if (consumed > bytes.size() && !parser.Invalid()) {
        std::abort();
    }
    return 0;
}
