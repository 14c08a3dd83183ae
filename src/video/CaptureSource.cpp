#include "video/CaptureSource.h"

#include "common/strings/VideoStrings.h"
#include "video/FrameSize.h"

namespace korvex {

void CaptureSource::GatedPrompt::Message(const QString& text, PromptIcon icon) {
    if (open) {
        target_.Message(text, icon);
    }
}

PromptAnswer CaptureSource::GatedPrompt::Ask(const QString& text, PromptButtons buttons,
                                             PromptAnswer defaultAnswer) {
    return open ? target_.Ask(text, buttons, defaultAnswer) : defaultAnswer;
}

CaptureSource::CaptureSource(const CaptureDriverList& drivers, UserPrompt& prompt,
                             const CodecRegistry& codecs)
    : drivers_(drivers), prompt_(prompt), codecs_(codecs), decompressorPrompt_(prompt) {}

CaptureSource::~CaptureSource() = default;

bool CaptureSource::Connect(int driverIndex) {
    ReleaseTranslators();
    outFormat_ = {};
    captureFormat_ = {};
    rawBits_ = {};
    outBits_ = {};
    device_ = drivers_.Open(driverIndex);
    if (!device_) {
        driverIndex_ = -1;
        return false;
    }
    driverIndex_ = driverIndex;
    return true;
}

bool CaptureSource::Open(int driverIndex) {
    return Connect(driverIndex) && Attach();
}

bool CaptureSource::OpenFirstFree() {
    for (int index = 0; index < drivers_.Count(); ++index) {
        if (!drivers_.IsInUse(index) && Connect(index)) {
            return Attach();
        }
    }
    driverIndex_ = -1;
    return false;
}

bool CaptureSource::Reconnect(int driverIndex) {
    return Open(driverIndex);
}

bool CaptureSource::Attach() {
    if (!device_) {
        driverIndex_ = -1;
        return false;
    }
    tryScaler_ = true;
    return ReadFormat();
}

bool CaptureSource::ReadFormat() {
    if (!device_) {
        prompt_.Message(Str(IDS_CAPTURE_NOT_CONNECTED), PromptIcon::Warning);
        return false;
    }
    captureFormat_ = device_->Format();
    if (captureFormat_.IsEmpty() || !PlausibleFrameSize(captureFormat_.Header())) {
        outFormat_ = {};
        prompt_.Message(Str(IDS_CAPTURE_NOT_CONNECTED), PromptIcon::Warning);
        return false;
    }
    const auto raw = device_->Grab();
    const bool rgb = IsBasicRgb(captureFormat_.Header());
    if (!raw || (rgb && raw->size() < static_cast<size_t>(FrameBytes(captureFormat_.Header())))) {
        outFormat_ = {};
        prompt_.Message(Str(IDS_CAPTURE_DEVICE_ERROR), PromptIcon::Warning);
        return false;
    }
    rawBits_ = *raw;
    ReleaseTranslators();
    if (rgb) {
        outFormat_ = captureFormat_;
        outBits_ = rawBits_;
        return true;
    }
    if (SetUpTranslator(rawBits_)) {
        translating_ = true;
        return true;
    }
    // Handed out untranslated: the detector sees no motion in such frames.
    prompt_.Message(Str(IDS_UNSUPPORTED_VIDEO_FORMAT), PromptIcon::Warning);
    outFormat_ = captureFormat_;
    outBits_ = rawBits_;
    return true;
}

bool CaptureSource::SetUpTranslator(std::span<const uint8_t> raw) {
    if (tryScaler_) {
        scaler_ = std::make_unique<PixelTranslator>();
        if (scaler_->Setup(captureFormat_)) {
            if (!TryAssign(translatedBits_,
                           static_cast<size_t>(scaler_->OutFormat().ImageBytes()))) {
                scaler_.reset();
                prompt_.Message(Str(IDS_OUT_OF_MEMORY_CLOSE_APPS), PromptIcon::Error);
                return false;
            }
            if (TranslateWithScaler(raw)) {
                outFormat_ = scaler_->OutFormat();
                return true;
            }
        }
        scaler_.reset();
        tryScaler_ = false;
    }
    decompressor_ = std::make_unique<FrameDecompressor>(decompressorPrompt_, codecs_);
    decompressorPrompt_.open = true;
    const bool decoded =
        decompressor_->OpenDecompressor(captureFormat_.Compression(), captureFormat_) &&
        decompressor_->DecompressFrame(raw);
    decompressorPrompt_.open = false;
    if (!decoded) {
        decompressor_.reset();
        return false;
    }
    if (!IsBasicRgb(decompressor_->OutFormat().Header())) {
        const BitmapInfoHeader& out = decompressor_->OutFormat().Header();
        prompt_.Message(QString::asprintf(Str(IDS_DECOMPRESSED_NOT_RGB).toUtf8().constData(),
                                          out.biCompression, int{out.biBitCount}),
                        PromptIcon::Warning);
        decompressor_.reset();
        return false;
    }
    outFormat_ = decompressor_->OutFormat();
    outBits_ = decompressor_->OutBits();
    return true;
}

bool CaptureSource::TranslateWithScaler(std::span<const uint8_t> raw) {
    if (!scaler_->Translate(raw, translatedBits_)) {
        return false;
    }
    outBits_ = translatedBits_;
    return true;
}

bool CaptureSource::TranslateWithDecompressor(std::span<const uint8_t> raw) {
    if (!decompressor_->DecompressFrame(raw)) {
        return false;
    }
    outBits_ = decompressor_->OutBits();
    return true;
}

void CaptureSource::ReleaseTranslators() {
    scaler_.reset();
    decompressor_.reset();
    translatedBits_ = {};
    translating_ = false;
}

bool CaptureSource::Grab() {
    if (!device_ || outFormat_.IsEmpty()) {
        return false;
    }
    const auto raw = device_->Grab();
    if (!raw) {
        return false;
    }
    rawBits_ = *raw;
    if (!translating_) {
        // The frame must hold a whole picture of the format before anyone reads it.
        if (IsBasicRgb(outFormat_.Header()) &&
            rawBits_.size() < static_cast<size_t>(FrameBytes(outFormat_.Header()))) {
            return false;
        }
        outBits_ = rawBits_;
        return true;
    }
    if (scaler_) {
        return TranslateWithScaler(rawBits_);
    }
    return decompressor_ && TranslateWithDecompressor(rawBits_);
}

bool CaptureSource::IsReady() const {
    return driverIndex_ != -1 && !outFormat_.IsEmpty();
}

std::vector<CaptureFormatOption> CaptureSource::Formats() const {
    return device_ ? device_->Formats() : std::vector<CaptureFormatOption>{};
}

bool CaptureSource::SetFormat(const CaptureFormatOption& format) {
    if (!device_) {
        return false;
    }
    if (!device_->SetFormat(format)) {
        return false;
    }
    tryScaler_ = true;
    return ReadFormat();
}

std::vector<DeviceControl> CaptureSource::Controls() const {
    return device_ ? device_->Controls() : std::vector<DeviceControl>{};
}

bool CaptureSource::SetControl(uint32_t id, int value) {
    return device_ && device_->SetControl(id, value);
}

}  // namespace korvex
