#include "uploader/SmtpReplyParser.h"

#include <algorithm>
#include <cctype>

namespace korvex {

namespace {
bool StartsWithCode(const std::string& line) {
    return line.size() >= 3 && std::isdigit(static_cast<unsigned char>(line[0])) &&
           std::isdigit(static_cast<unsigned char>(line[1])) &&
           std::isdigit(static_cast<unsigned char>(line[2]));
}

bool IsContinuation(const std::string& line) {
    return StartsWithCode(line) && line.size() >= 4 && line[3] == '-';
}

std::string Upper(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return text;
}

std::vector<std::string> Words(const std::string& text) {
    std::vector<std::string> words;
    std::string word;
    for (const char c : text) {
        if (c == ' ' || c == '\t' || c == '=') {
            if (!word.empty()) {
                words.push_back(word);
                word.clear();
            }
        } else {
            word.push_back(c);
        }
    }
    if (!word.empty()) {
        words.push_back(word);
    }
    return words;
}
// The words after `keyword` on the first extension line that names it.
std::optional<std::vector<std::string>> FindExtension(const std::vector<std::string>& lines,
                                                      const std::string& keyword) {
    const std::string wanted = Upper(keyword);
    for (std::size_t i = 1; i < lines.size(); ++i) {
        if (lines[i].size() < 4) {
            continue;
        }
        std::vector<std::string> words = Words(Upper(lines[i].substr(4)));
        if (!words.empty() && words.front() == wanted) {
            words.erase(words.begin());
            return words;
        }
    }
    return std::nullopt;
}
}  // namespace

std::string SmtpReply::Text() const {
    std::string text;
    for (const std::string& line : lines) {
        if (!text.empty()) {
            text += ' ';
        }
        text += line;
    }
    return text;
}

std::vector<std::string> SmtpReply::ExtensionParameters(const std::string& keyword) const {
    return FindExtension(lines, keyword).value_or(std::vector<std::string>{});
}

bool SmtpReply::HasExtension(const std::string& keyword) const {
    return FindExtension(lines, keyword).has_value();
}

void SmtpReplyParser::Append(std::span<const uint8_t> bytes) {
    if (invalid_) {
        return;
    }
    pending_.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::optional<SmtpReply> SmtpReplyParser::Take() {
    if (invalid_) {
        return std::nullopt;
    }
    SmtpReply reply;
    std::size_t start = 0;
    while (true) {
        const std::size_t end = pending_.find('\n', start);
        if (end == std::string::npos) {
            if (pending_.size() > kMaxReplyBytes) {
                invalid_ = true;
                pending_.clear();
            }
            return std::nullopt;
        }
        std::string line = pending_.substr(start, end - start);
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        start = end + 1;
        const bool more = IsContinuation(line);
        reply.lines.push_back(std::move(line));
        if (!more) {
            break;
        }
    }
    pending_.erase(0, start);
    const std::string& last = reply.lines.back();
    reply.code =
        StartsWithCode(last) ? (last[0] - '0') * 100 + (last[1] - '0') * 10 + (last[2] - '0') : 0;
    return reply;
}

void SmtpReplyParser::Clear() {
    pending_.clear();
    invalid_ = false;
}

}  // namespace korvex
