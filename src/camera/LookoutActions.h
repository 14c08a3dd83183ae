#pragma once

namespace korvex {

// The alert actions the Lookout sequencer runs itself at the moment it fires: launching a
// program, starting the uploader, playing the wave, minimising the foreground window.
class LookoutActions {
public:
    virtual ~LookoutActions() = default;
    virtual void FireAlertActions() = 0;
};

}  // namespace korvex
