#include "common/UserPrompt.h"

#include <cstdio>

namespace korvex {

void HeadlessPrompt::Message(const QString& text, PromptIcon) {
    std::fprintf(stderr, "KORVEX!: %s\n", qUtf8Printable(text));
    if (log_) {
        log_(text);
    }
}

PromptAnswer HeadlessPrompt::Ask(const QString& text, PromptButtons, PromptAnswer defaultAnswer) {
    Message(text, PromptIcon::Question);
    return defaultAnswer;
}

void RecordingPrompt::Message(const QString& text, PromptIcon) {
    entries_.push_back({text, false, PromptAnswer::Ok});
}

PromptAnswer RecordingPrompt::Ask(const QString& text, PromptButtons, PromptAnswer defaultAnswer) {
    PromptAnswer answer = defaultAnswer;
    if (!answers_.empty()) {
        answer = answers_.front();
        answers_.pop_front();
    }
    entries_.push_back({text, true, answer});
    return answer;
}

std::vector<QString> RecordingPrompt::Texts() const {
    std::vector<QString> texts;
    texts.reserve(entries_.size());
    for (const Entry& e : entries_) {
        texts.push_back(e.text);
    }
    return texts;
}

}  // namespace korvex
