#pragma once

#include <QString>

namespace korvex {

// Sounds of the camera program: wave files played without waiting, and beeps.
class SoundOutput {
public:
    virtual ~SoundOutput() = default;
    // Starts playing a sound file; a sound still playing is cut short.
    virtual void PlayFile(const QString& path) = 0;
    // A tone of the given frequency and length.
    virtual void Beep(int frequencyHz, int durationMs) = 0;
};

}  // namespace korvex
