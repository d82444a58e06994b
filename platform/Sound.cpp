#include "platform/Sound.h"

namespace platform {

namespace {
TNullSoundSink nullSink;
TSoundSink *current = &nullSink;
} // namespace

TSoundSink &SoundSink() { return *current; }

void SetSoundSink(TSoundSink *sink) { current = sink ? sink : &nullSink; }

uint32_t waveOutGetNumDevs() { return current->DeviceCount(); }

int sndPlaySoundA(const void *sound, uint32_t flags)
{
    if (!sound) {
        current->Stop();
        return 1;
    }
    return current->Play(sound, flags) ? 1 : 0;
}

} // namespace platform
