#include "camera/AlsaSoundOutput.h"

#include <QFile>

#include <alsa/asoundlib.h>
#include <sndfile.h>

#include <cmath>
#include <memory>
#include <numbers>

namespace korvex {

namespace {
struct PcmCloser {
    void operator()(snd_pcm_t* pcm) const { snd_pcm_close(pcm); }
};
struct SndFileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};

constexpr int kBeepRate = 44100;
constexpr size_t kChunkFrames = 1024;
}  // namespace

AlsaSoundOutput::AlsaSoundOutput() : worker_([this] { Run(); }) {}

AlsaSoundOutput::~AlsaSoundOutput() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        interrupt_ = true;
    }
    wake_.notify_all();
    worker_.join();
}

void AlsaSoundOutput::PlayFile(const QString& path) {
    SF_INFO info{};
    std::unique_ptr<SNDFILE, SndFileCloser> file(
        sf_open(QFile::encodeName(path).constData(), SFM_READ, &info));
    if (!file || info.channels <= 0 || info.frames <= 0) {
        return;
    }
    Sound sound;
    sound.channels = info.channels;
    sound.rate = info.samplerate;
    sound.samples.resize(static_cast<size_t>(info.frames) * static_cast<size_t>(info.channels));
    const sf_count_t read = sf_readf_short(file.get(), sound.samples.data(), info.frames);
    sound.samples.resize(static_cast<size_t>(read) * static_cast<size_t>(info.channels));
    Enqueue(std::move(sound));
}

void AlsaSoundOutput::Beep(int frequencyHz, int durationMs) {
    Sound sound;
    sound.rate = kBeepRate;
    const size_t n = static_cast<size_t>(kBeepRate) * static_cast<size_t>(durationMs) / 1000;
    sound.samples.resize(n);
    for (size_t i = 0; i < n; ++i) {
        const double phase =
            2.0 * std::numbers::pi * frequencyHz * static_cast<double>(i) / kBeepRate;
        sound.samples[i] = static_cast<int16_t>(12000.0 * std::sin(phase));
    }
    Enqueue(std::move(sound));
}

void AlsaSoundOutput::Enqueue(Sound sound) {
    {
        std::lock_guard lock(mutex_);
        queue_.clear();
        queue_.push_back(std::move(sound));
        interrupt_ = true;
    }
    wake_.notify_all();
}

void AlsaSoundOutput::Run() {
    for (;;) {
        Sound sound;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_) {
                return;
            }
            sound = std::move(queue_.front());
            queue_.pop_front();
            interrupt_ = false;
        }
        Play(sound);
    }
}

void AlsaSoundOutput::Play(const Sound& sound) {
    snd_pcm_t* raw = nullptr;
    if (snd_pcm_open(&raw, "default", SND_PCM_STREAM_PLAYBACK, 0) < 0) {
        return;
    }
    std::unique_ptr<snd_pcm_t, PcmCloser> pcm(raw);
    if (snd_pcm_set_params(pcm.get(), SND_PCM_FORMAT_S16_LE, SND_PCM_ACCESS_RW_INTERLEAVED,
                           static_cast<unsigned>(sound.channels), static_cast<unsigned>(sound.rate),
                           1, 200000) < 0) {
        return;
    }
    const size_t frames = sound.samples.size() / static_cast<size_t>(sound.channels);
    size_t done = 0;
    while (done < frames) {
        {
            std::lock_guard lock(mutex_);
            if (interrupt_) {
                snd_pcm_drop(pcm.get());
                return;
            }
        }
        const size_t chunk = std::min(kChunkFrames, frames - done);
        const snd_pcm_sframes_t written = snd_pcm_writei(
            pcm.get(), sound.samples.data() + done * static_cast<size_t>(sound.channels), chunk);
        if (written < 0) {
            if (snd_pcm_recover(pcm.get(), static_cast<int>(written), 1) < 0) {
                return;
            }
            continue;
        }
        done += static_cast<size_t>(written);
    }
    snd_pcm_drain(pcm.get());
}

}  // namespace korvex
