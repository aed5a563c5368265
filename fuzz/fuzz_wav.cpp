// WAV sounds: the chunk check, then the loader with no audio device open.

#include "fuzz/fuzz_support.h"
#include "platform/audio_device.h"
#include "platform/wav_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    WavCheck(data, size, nullptr);
    const std::string& path = fuzz::WriteScratch(data, size, ".wav");
    std::uint32_t result = 0;
    PlatformSegment::LoadWav(path.c_str(), &result);
    return 0;
}
