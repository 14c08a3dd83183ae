#pragma once

#include <QString>

#include <deque>
#include <functional>
#include <vector>

namespace korvex {

enum class PromptIcon { Information, Warning, Error, Question };
enum class PromptButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class PromptAnswer { Ok, Cancel, Yes, No };

// Message boxes and questions. Engines report to the user only through this interface;
// the windowed program shows message boxes, the headless program writes to stderr and the
// tests record.
class UserPrompt {
public:
    virtual ~UserPrompt() = default;
    virtual void Message(const QString& text, PromptIcon icon = PromptIcon::Information) = 0;
    // Asks a question; `defaultAnswer` is the answer of the default button.
    virtual PromptAnswer Ask(const QString& text, PromptButtons buttons,
                             PromptAnswer defaultAnswer) = 0;
};

// For programs without windows: every message goes to stderr (and to an optional log
// sink), every question is answered with its default.
class HeadlessPrompt : public UserPrompt {
public:
    using Sink = std::function<void(const QString&)>;
    explicit HeadlessPrompt(Sink log = {}) : log_(std::move(log)) {}
    void Message(const QString& text, PromptIcon icon) override;
    PromptAnswer Ask(const QString& text, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;

private:
    Sink log_;
};

// Keeps every message and question; questions take queued answers, else their default.
class RecordingPrompt : public UserPrompt {
public:
    struct Entry {
        QString text;
        bool question = false;
        PromptAnswer answer = PromptAnswer::Ok;
    };

    void Message(const QString& text, PromptIcon icon) override;
    PromptAnswer Ask(const QString& text, PromptButtons buttons,
                     PromptAnswer defaultAnswer) override;

    void QueueAnswer(PromptAnswer answer) { answers_.push_back(answer); }
    const std::vector<Entry>& Entries() const { return entries_; }
    // Texts of the messages and questions in order.
    std::vector<QString> Texts() const;
    void Clear() { entries_.clear(); }

private:
    std::vector<Entry> entries_;
    std::deque<PromptAnswer> answers_;
};

}  // namespace korvex
