#pragma once

#include "common/UserPrompt.h"

#include <QString>

#include <array>
#include <cstdint>
#include <functional>

namespace korvex {

// Indexes of the captions drawn on a camera's image.
enum StatusIndex : int {
    kStatusIdle = 0,
    kStatusWaiting = 1,
    kStatusRecording = 2,
    kStatusHolding = 3,
    kStatusRearming = 4,
    kStatusKorvex = 5,
    kStatusAbortRearm = 6,
    kStatusFuseBurning = 7,
    kStatusTransmitting = 8,
};

struct CaptionColour {
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;

    friend bool operator==(const CaptionColour&, const CaptionColour&) = default;
};

struct StatusCaption {
    int stringId = 0;
    QString text;
    CaptionColour colour;
};

// The caption table, built once at program start from the string table. A string missing
// from the table is replaced by its fallback text, and the user is told once that the
// resources are corrupted.
class StatusCaptions {
public:
    static constexpr int kCount = 9;
    // Looks a string up by number; nullptr when there is none.
    using StringLookup = std::function<const char*(int id)>;

    explicit StatusCaptions(UserPrompt& prompt);
    StatusCaptions(UserPrompt& prompt, const StringLookup& lookup);

    static bool IsValidIndex(int index) { return index >= 0 && index < kCount; }
    // The caption of `index`; an index outside the table gives the Idle caption.
    const StatusCaption& Caption(int index) const;

private:
    std::array<StatusCaption, kCount> captions_;
};

}  // namespace korvex
