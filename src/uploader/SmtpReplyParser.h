#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace korvex {

// One server reply of the SMTP dialogue. A reply may span several lines: every line but
// the last has a '-' after its three-digit code ("250-SIZE 1000", "250 HELP").
struct SmtpReply {
    // The three-digit code of the last line; 0 when that line does not start with three
    // digits.
    int code = 0;
    // Every line without its line end.
    std::vector<std::string> lines;

    // The lines joined with " ", for messages.
    std::string Text() const;
    // True when one of the lines after the first names `keyword` as its first word (case
    // is ignored), as EHLO replies list the server's extensions.
    bool HasExtension(const std::string& keyword) const;
    // The words after `keyword` on the extension line that names it ("AUTH PLAIN LOGIN").
    std::vector<std::string> ExtensionParameters(const std::string& keyword) const;
};

// Collects the bytes the server sends and cuts them into replies. Bytes after a complete
// reply stay for the next one. A server that sends more than kMaxReplyBytes without
// finishing a reply makes the parser invalid, so hostile input cannot grow memory.
class SmtpReplyParser {
public:
    static constexpr std::size_t kMaxReplyBytes = 64 * 1024;

    void Append(std::span<const uint8_t> bytes);
    // The next complete reply, if there is one.
    std::optional<SmtpReply> Take();
    bool Invalid() const { return invalid_; }
    void Clear();

private:
    std::string pending_;
    bool invalid_ = false;
};

}  // namespace korvex
