#include "camera/StatusCaptions.h"

#include "common/StringTable.h"
#include "common/strings/CameraStrings.h"

namespace korvex {

namespace {

struct CaptionSource {
    int stringId;
    const char* fallback;
    CaptionColour colour;
};

constexpr std::array<CaptionSource, StatusCaptions::kCount> kSources = {{
    {IDS_STATUS_IDLE, "Idle", {192, 192, 192}},
    {IDS_STATUS_WAITING, "Waiting...", {192, 0, 0}},
    {IDS_STATUS_RECORDING, "Recording...", {0, 192, 0}},
    {IDS_STATUS_HOLDING, "Holding...", {192, 192, 0}},
    {IDS_STATUS_REARMING, "Re-arming Lookout...", {192, 0, 192}},
    {IDS_STATUS_KORVEX, "KORVEX!", {255, 0, 0}},
    {IDS_STATUS_ABORT_REARM, "Abort Re-arm Lookout", {0, 192, 192}},
    {IDS_STATUS_FUSE, "Fuse Burning...", {0, 0, 255}},
    {IDS_STATUS_XMIT, "Xmiting...", {192, 192, 192}},
}};

}  // namespace

StatusCaptions::StatusCaptions(UserPrompt& prompt) : StatusCaptions(prompt, FindString) {}

StatusCaptions::StatusCaptions(UserPrompt& prompt, const StringLookup& lookup) {
    bool missing = false;
    for (int i = 0; i < kCount; ++i) {
        const CaptionSource& source = kSources[i];
        const char* text = lookup(source.stringId);
        missing = missing || text == nullptr;
        captions_[i] = {source.stringId, QString::fromUtf8(text ? text : source.fallback),
                        source.colour};
    }
    if (missing) {
        prompt.Message(Str(IDS_RESOURCE_CORRUPTED), PromptIcon::Error);
    }
}

const StatusCaption& StatusCaptions::Caption(int index) const {
    return captions_[IsValidIndex(index) ? index : kStatusIdle];
}

}  // namespace korvex
