// WAV sounds: the chunk check, then the loader with an audio device open (OpenAL's null
// backend), so the data is converted and uploaded, mixed down to mono for a positional path
// and played on a stereo and a positional path. Checked: a file the chunk check refuses never
// loads, and a loaded sound's samples lie in [-1, 1] with its length its frames at its rate.

#include <cstdlib>

#include "fuzz/fuzz_support.h"
#include "platform/audio_device.h"
#include "platform/wav_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const bool opened = [] {
        setenv("ALSOFT_DRIVERS", "null", 0);
        return PlatformAudio::Open() == kAudioOk;
    }();
    fuzz::Require(opened, "the null audio device opens");

    std::string error;
    const bool wellFormed = WavCheck(data, size, &error);
    fuzz::Require(wellFormed || !error.empty(), "a refusal gives its reason");
    const std::string& path = fuzz::WriteScratch(data, size, ".wav");
    std::uint32_t result = 0;
    std::shared_ptr<PlatformSegment> segment = PlatformSegment::LoadWav(path.c_str(), &result);
    if (!segment) {
        fuzz::Require(result != kAudioOk, "a failed load says why");
        return 0;
    }
    fuzz::Require(wellFormed, "only a file the chunk check accepts loads");
    fuzz::Require(segment->Buffer() != 0, "the data reaches the device");
    fuzz::Require(segment->Channels() == 1 || segment->Channels() == 2, "sounds are mono or stereo");
    fuzz::Require(segment->Frequency() > 0 && segment->Seconds() == double(segment->Frames()) / segment->Frequency(),
                  "a sound lasts its frames at its rate");
    const std::size_t step = segment->Frames() / 64 + 1;
    for (std::size_t frame = 0; frame < segment->Frames(); frame += step)
        for (int channel = 0; channel < segment->Channels(); ++channel) {
            const float s = segment->Sample(frame, channel);
            fuzz::Require(s >= -1.0f && s <= 1.0f, "samples lie in [-1, 1]");
        }
    fuzz::Require(segment->MonoBuffer() != 0, "a positional path gets a mono mix");

    PlatformAudioPath stereo(kAudioPathStereo), positional(kAudioPath3D);
    stereo.Download(segment);
    positional.Download(segment);
    stereo.Play(1);
    positional.Play(0);
    PlatformAudio::Commit();
    stereo.Stop();
    positional.Stop();
    return 0;
}
