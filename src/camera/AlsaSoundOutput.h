#pragma once

#include "camera/SoundOutput.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

namespace korvex {

// Plays through the default ALSA device on a thread of its own, so the frame step never
// waits for a sound. Files are read with libsndfile. Without a sound device every request
// is quietly dropped.
class AlsaSoundOutput : public SoundOutput {
public:
    AlsaSoundOutput();
    ~AlsaSoundOutput() override;

    void PlayFile(const QString& path) override;
    void Beep(int frequencyHz, int durationMs) override;

private:
    struct Sound {
        std::vector<int16_t> samples;  // interleaved
        int channels = 1;
        int rate = 44100;
    };

    void Enqueue(Sound sound);
    void Run();
    void Play(const Sound& sound);

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<Sound> queue_;
    bool stopping_ = false;
    bool interrupt_ = false;
    std::thread worker_;
};

}  // namespace korvex
