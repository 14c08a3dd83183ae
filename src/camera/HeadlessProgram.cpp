#include "camera/HeadlessProgram.h"

#include "common/Clock.h"
#include "common/Paths.h"
#include "video/detector/LumaTable.h"

#include <cstdio>

namespace korvex {

HeadlessProgram::HeadlessProgram()
    : log_(DataDir()),
      prompt_([this](const QString& text) { log_.Append(text, std::time(nullptr)); }),
      drivers_(CaptureDriverList::Build(store_, SystemClock::Instance())),
      context_{store_, prompt_,   sound_, SystemClock::Instance(), drivers_, pacing_,
               log_,   DataDir(), true} {}

HeadlessProgram::~HeadlessProgram() {
    Shutdown();
}

std::vector<int> HeadlessProgram::CamerasToOpen(const HeadlessOptions& options) const {
    if (!options.cameras.empty()) {
        return options.cameras;
    }
    QString used = CamerasUsedAtStart(store_.Read(settings::kCamerasUsed));
    std::vector<int> numbers;
    for (int n = NextCameraNumber(used); n != 10; n = NextCameraNumber(used)) {
        numbers.push_back(n);
    }
    if (numbers.empty()) {
        numbers.push_back(10);  // no choice stored: the first free camera
    }
    return numbers;
}

bool HeadlessProgram::Start(const HeadlessOptions& options) {
    store_.Write(settings::kPostrixLaunched, 0);
    store_.Sync();
    LumaTable::Shared();
    for (int number : CamerasToOpen(options)) {
        auto camera = std::make_unique<CameraUnit>(context_);
        connect(camera.get(), &CameraUnit::Event, this, [](const QString& text) {
            std::fprintf(stderr, "KORVEX!: %s\n", qUtf8Printable(text));
        });
        if (camera->Open(number, options.launch)) {
            std::fprintf(stderr, "KORVEX!: %s opened as camera %d\n",
                         qUtf8Printable(camera->Name()), camera->Number());
            cameras_.push_back(std::move(camera));
        }
    }
    return !cameras_.empty();
}

void HeadlessProgram::Shutdown() {
    for (auto& camera : cameras_) {
        camera->Close();
    }
    cameras_.clear();
    store_.Write(settings::kPostrixLaunched, 0);
    store_.Sync();
}

void ListCameras(const CaptureDriverList& drivers) {
    for (int i = 0; i < drivers.Count(); ++i) {
        std::printf("Cam%d : %s\n", i, qUtf8Printable(drivers.Description(i)));
    }
}

}  // namespace korvex
