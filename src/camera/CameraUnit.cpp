#include "camera/CameraUnit.h"

#include "camera/EventLog.h"
#include "camera/PacingGroup.h"
#include "common/Paths.h"
#include "common/SettingsStore.h"
#include "common/StringTable.h"
#include "common/TimeName.h"
#include "common/strings/VideoStrings.h"
#include "video/CaptureDriverList.h"

namespace korvex {

// The capture source as the frame step sees it.
class CameraUnit::Frames : public FrameSource {
public:
    explicit Frames(CaptureSource& source) : source_(source) {}
    bool Grab() override { return source_.IsReady() && source_.Grab(); }
    bool FormatUsable() const override {
        const DibFormat& format = source_.OutFormat();
        const int bits = format.IsEmpty() ? 0 : format.BitCount();
        return format.IsRgb() && (bits == 8 || bits == 16 || bits == 24 || bits == 32);
    }
    const DibFormat& Format() const override { return source_.OutFormat(); }
    std::span<const uint8_t> Bits() const override { return source_.OutBits(); }

private:
    CaptureSource& source_;
};

// Both video buffers of the camera, as the frame step sees them.
class CameraUnit::Recorders : public BufferRecorder {
public:
    Recorders(BufferCommands& buffers, FrameCompressor& compressor, const Clock& clock)
        : buffers_(buffers), compressor_(compressor), clock_(clock) {}

    void SetDirectories(const QString& primary, const QString& secondary) override {
        buffers_.SetWorkingDirectory(primary);
        buffers_.SetSecondaryDirectory(secondary);
        buffers_.SetSecondaryEnabled(!secondary.isEmpty());
    }
    bool SaveOldBuffer(bool hidden) override {
        return buffers_.SaveOldBuffer(hidden, [this](const QString& proposed) {
            // Without a window the save dialog's proposal is the answer.
            return std::optional<QString>(JoinPath(buffers_.Primary().Directory(), proposed));
        });
    }
    bool CreateBuffers(int, bool continuous) override {
        const bool primary =
            buffers_.Primary().CreateBufferFile(buffers_.BufferName(), compressor_, continuous);
        if (!buffers_.SecondaryInUse()) {
            return primary;
        }
        const bool secondary =
            buffers_.Secondary().CreateBufferFile(buffers_.BufferName(), compressor_, continuous);
        return primary || secondary;
    }
    bool ContinueBuffers(bool continuous) override {
        return buffers_.Append(compressor_, continuous);
    }
    void ResetHourMark(std::time_t) override {
        buffers_.Primary().ResetHourMark();
        buffers_.Secondary().ResetHourMark();
    }
    bool TakesFrames() const override { return buffers_.Primary().BelowLimit(); }
    bool RecordFrame(bool motion, std::span<const uint8_t> bits) override {
        return buffers_.Step(motion, bits);
    }
    bool HasData() const override { return buffers_.HasData(); }
    int Status() const override { return static_cast<int>(buffers_.Primary().Status()); }
    void ArchiveBuffers() override {
        const std::time_t now = clock_.WallSeconds();
        if (buffers_.Primary().HasData()) {
            buffers_.Primary().SaveByRenaming(now);
        }
        if (buffers_.SecondaryInUse() && buffers_.Secondary().HasData()) {
            buffers_.Secondary().SaveByRenaming(now);
        }
    }
    bool FormatMatches() const override { return buffers_.CanAppend(compressor_); }

private:
    BufferCommands& buffers_;
    FrameCompressor& compressor_;
    const Clock& clock_;
};

CameraUnit::CameraUnit(CameraContext& context, QObject* parent)
    : QObject(parent),
      context_(context),
      source_(context.drivers, context.prompt),
      detector_(context.prompt, context.clock),
      mask_(detector_, context.prompt),
      compressor_(context.prompt),
      schedule_(context.prompt),
      alerts_(context.store, context.prompt, context.sound, context.clock, context.programDir),
      sequencer_(alerts_, context.prompt) {
    frameTick_.setSingleShot(true);
    frameTick_.setTimerType(Qt::PreciseTimer);
    connect(&frameTick_, &QTimer::timeout, this, &CameraUnit::Tick);
}

CameraUnit::~CameraUnit() {
    Close();
}

void CameraUnit::Report(const QString& text) {
    context_.log.Append(text, context_.clock.WallSeconds());
    emit Event(text);
}

bool CameraUnit::Open(int number, LaunchOperation launch) {
    CaptureDriverList& drivers = context_.drivers;
    if (drivers.Count() == 0) {
        context_.prompt.Message(Str(IDS_NO_CAPTURE_DEVICE), PromptIcon::Error);
        return false;
    }
    const bool wanted =
        number >= 0 && number < drivers.Count() && !drivers.IsInUse(number) && source_.Open(number);
    if (!wanted && !source_.OpenFirstFree()) {
        context_.prompt.Message(Str(IDS_NO_CAPTURE_DEVICE), PromptIcon::Error);
        return false;
    }
    number_ = source_.DriverIndex();
    drivers.SetInUse(number_, true);
    name_ = CameraName(number_, drivers.Description(number_),
                       context_.store.Read(settings::kExtendedName) != 0);

    settings_ =
        LoadCameraSettings(context_.store, name_, {context_.programDir, true, &context_.prompt});
    buffers_ = std::make_unique<BufferCommands>(number_, context_.clock, context_.prompt);
    buffers_->SetFailureListener([this](int, const QString& text) { Report(text); });
    frames_ = std::make_unique<Frames>(source_);
    recorders_ = std::make_unique<Recorders>(*buffers_, compressor_, context_.clock);
    operation_ = std::make_unique<CameraOperation>(
        CameraOperation::Parts{*frames_, detector_, *recorders_, sequencer_, schedule_, alerts_,
                               context_.sound, context_.prompt, context_.clock, context_.pacing,
                               context_.store,
                               JoinPath(context_.programDir, QStringLiteral("korvex.wav"))},
        settings_, number_);
    connect(operation_.get(), &CameraOperation::BufferValidityChanged, this, [this](bool valid) {
        settings_.general.validBuffer = valid ? 1 : 0;
        context_.store.WriteInt(name_ + QStringLiteral("/General"), QStringLiteral("ValidBuffer"),
                                settings_.general.validBuffer);
        context_.store.Sync();
    });
    connect(operation_.get(), &CameraOperation::Event, this, &CameraUnit::Report);

    ApplySettings();
    SetUpForFormat();
    SettleLeftBehindBuffer(launch);
    schedule_.LoadDefaultSchedule(settings_.general.workingDir, number_,
                                  context_.clock.WallSeconds());
    mask_.LoadDefaultMask(settings_.general.workingDir, number_);
    StartLaunchOperation(launch);
    frameTick_.start(1000 / settings_.video.framePerSec);
    return true;
}

void CameraUnit::ApplySettings() {
    detector_.SetLevel(settings_.detect.level);
    detector_.SetMode(static_cast<DetectionMode>(settings_.detect.mode));
    detector_.SetMaskOn(settings_.detect.maskOn != 0);
    detector_.SetMaxDelta(settings_.maxDelta);
    detector_.SetInterval(settings_.detect.TimeLapseSeconds());
    detector_.ResetTimeLapse();
    sequencer_.SetTiming({settings_.lookOut.lookOutTime, settings_.lookOut.reArmTime,
                          settings_.lookOut.doReArm != 0});
    alerts_.SetSettings(&settings_);
    compressor_.SetQuality(settings_.video.compQuality);
    buffers_->Configure(settings_.recording);
    buffers_->SetWorkingDirectory(settings_.general.workingDir);
    buffers_->SetSecondaryDirectory(settings_.general.secondaryWorkingDir);
    buffers_->SetSecondaryEnabled(settings_.general.enableSecondDir != 0);
}

void CameraUnit::SetUpForFormat() {
    const DibFormat& format = source_.OutFormat();
    detector_.Setup(format);
    if (!compressor_.OpenCompressor(settings_.video.compressor, format)) {
        compressor_.OpenCompressor(kFourCCDib, format);
    }
}

// A buffer an interrupted run left behind: an unattended start archives it, any other
// start takes it up again so it can be played back or appended to.
void CameraUnit::SettleLeftBehindBuffer(LaunchOperation launch) {
    if (!settings_.general.validBuffer) {
        return;
    }
    const bool recordsAtLaunch =
        launch == LaunchOperation::Observe || launch == LaunchOperation::Timer ||
        (launch == LaunchOperation::FromSettings &&
         (settings_.general.observeAtLaunch || settings_.general.timerAtLaunch));
    const bool continuous = settings_.detect.mode != static_cast<int>(DetectionMode::Intrusion);
    if (recordsAtLaunch) {
        buffers_->ArchiveLeftBehind();
    } else if (buffers_->Restore(compressor_, continuous)) {
        operation_->SetBufferValid(buffers_->HasData());
    }
}

void CameraUnit::StartLaunchOperation(LaunchOperation launch) {
    if (launch == LaunchOperation::FromSettings) {
        const CameraGeneral& general = settings_.general;
        launch = general.observeAtLaunch   ? LaunchOperation::Observe
                 : general.timerAtLaunch   ? LaunchOperation::Timer
                 : general.lookOutAtLaunch ? LaunchOperation::Lookout
                                           : LaunchOperation::None;
    }
    switch (launch) {
        case LaunchOperation::Observe:
            operation_->StartObserve(context_.hidden);
            break;
        case LaunchOperation::Timer:
            operation_->StartTimer(context_.hidden);
            break;
        case LaunchOperation::Lookout:
            operation_->StartLookout();
            break;
        case LaunchOperation::FromSettings:
        case LaunchOperation::None:
            break;
    }
}

void CameraUnit::Tick() {
    frameTick_.start(operation_->FrameStep());
}

void CameraUnit::Close() {
    if (number_ < 0) {
        return;
    }
    frameTick_.stop();
    operation_->Stop();
    const QString& dir = settings_.general.workingDir;
    schedule_.SaveDefaultSchedule(dir, number_);
    mask_.SaveDefaultMask(dir, number_);
    context_.drivers.SetInUse(number_, false);
    settings_.video.compressor = compressor_.Handler();
    settings_.detect.maskOn = detector_.MaskOn() ? 1 : 0;
    settings_.recording.recycleCounter = buffers_->Primary().RecycleCounter();
    SaveCameraSettings(context_.store, name_, settings_, true, true);
    number_ = -1;
}

}  // namespace korvex
