// The sound service the library sees: waveOutGetNumDevs and sndPlaySoundA
// over a replaceable sink. The default sink is a machine without a wave
// output device: it reports no device and plays nothing. Tests install a
// fake that records every call.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace platform {

enum : uint32_t { SND_SYNC = 0, SND_ASYNC = 1, SND_NODEFAULT = 2, SND_MEMORY = 4, SND_LOOP = 8 };

class TSoundSink {
public:
    virtual ~TSoundSink() = default;
    virtual uint32_t DeviceCount() = 0;
    // Plays a WAVE image held in memory; true when it started (or ended, for
    // a synchronous sound) successfully.
    virtual bool Play(const void *image, uint32_t flags) = 0;
    // Ends whatever sound the process plays.
    virtual void Stop() = 0;
};

// No device; plays nothing.
class TNullSoundSink : public TSoundSink {
public:
    uint32_t DeviceCount() override { return 0; }
    bool Play(const void *, uint32_t) override { return false; }
    void Stop() override {}
};

// A settable device count and a log of every call.
class TFakeSoundSink : public TSoundSink {
public:
    struct Call {
        bool IsStop;
        const void *Image;
        uint32_t Flags;
    };
    uint32_t Devices = 1;
    bool PlayResult = true;
    std::vector<Call> Calls;
    uint32_t DeviceCount() override { return Devices; }
    bool Play(const void *image, uint32_t flags) override
    {
        Calls.push_back({false, image, flags});
        return PlayResult;
    }
    void Stop() override { Calls.push_back({true, nullptr, SND_MEMORY}); }
};

TSoundSink &SoundSink();
// nullptr restores the default sink.
void SetSoundSink(TSoundSink *sink);

uint32_t waveOutGetNumDevs();
// A nil sound stops the playing one; otherwise plays it. Non-zero on success.
int sndPlaySoundA(const void *sound, uint32_t flags);

} // namespace platform
