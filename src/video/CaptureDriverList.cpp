#include "video/CaptureDriverList.h"

#include "common/strings/VideoStrings.h"
#include "video/DemoCamera.h"
#include "video/V4l2Device.h"

namespace korvex {

bool CaptureDriverList::Add(CaptureDriver driver) {
    if (Count() >= kMaxDrivers) {
        return false;
    }
    drivers_.push_back(std::move(driver));
    return true;
}

CaptureDriverList CaptureDriverList::Build(const SettingsStore& settings, const Clock& clock) {
    CaptureDriverList list;
    for (CaptureDriver& driver : V4l2Device::Drivers()) {
        list.Add(std::move(driver));
    }
    if (settings.Read(settings::kDemoCamera) != 0) {
        list.Add({Str(IDS_DEMO_CAMERA), [&clock] { return std::make_unique<DemoCamera>(clock); }});
    }
    return list;
}

QString CaptureDriverList::Description(int index) const {
    return index >= 0 && index < Count() ? drivers_[index].description : QString();
}

std::unique_ptr<CaptureDevice> CaptureDriverList::Open(int index) const {
    if (index < 0 || index >= Count() || !drivers_[index].open) {
        return nullptr;
    }
    return drivers_[index].open();
}

bool CaptureDriverList::IsInUse(int index) const {
    return index >= 0 && index < Count() && inUse_[index];
}

void CaptureDriverList::SetInUse(int index, bool inUse) {
    if (index >= 0 && index < Count()) {
        inUse_[index] = inUse;
    }
}

QString CaptureDriverList::ChoiceLine(int index) const {
    const int id = IsInUse(index) ? IDS_CAMERA_LINE_IN_USE : IDS_CAMERA_LINE;
    return QString::asprintf(Str(id).toUtf8().constData(), index,
                             Description(index).toUtf8().constData());
}

}  // namespace korvex
