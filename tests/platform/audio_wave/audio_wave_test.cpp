// A positional source is rendered to a stereo wave file and the channel energies compared:
// this checks the whole chain (WAV load, left-handed to right-handed conversion, listener
// orientation, panning) against OpenAL Soft's own mixer.

#include "platform/audio_device.h"
#include "../audio_device/wav_writer.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <unistd.h>

namespace {

struct Energy {
  double left = 0, right = 0;
};

// Sums the squares of each channel of a 16-bit stereo WAV file.
bool ReadEnergy(const std::string& path, Energy* e) {
  std::ifstream in(path, std::ios::binary);
  std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 12 || std::memcmp(bytes.data(), "RIFF", 4) != 0) return false;
  size_t at = 12;
  uint16_t channels = 0, bits = 0;
  while (at + 8 <= bytes.size()) {
    uint32_t size;
    std::memcpy(&size, &bytes[at + 4], 4);
    const size_t body = at + 8;
    if (std::memcmp(&bytes[at], "fmt ", 4) == 0 && body + 16 <= bytes.size()) {
      std::memcpy(&channels, &bytes[body + 2], 2);
      std::memcpy(&bits, &bytes[body + 14], 2);
    } else if (std::memcmp(&bytes[at], "data", 4) == 0) {
      if (channels != 2 || bits != 16) return false;
      // The writer may not have patched the size of a stream; take what is there.
      const size_t end = size == 0 || body + size > bytes.size() ? bytes.size() : body + size;
      for (size_t i = body; i + 4 <= end; i += 4) {
        int16_t s[2];
        std::memcpy(s, &bytes[i], 4);
        e->left += double(s[0]) * s[0];
        e->right += double(s[1]) * s[1];
      }
      return true;
    }
    at = body + size + (size & 1);
  }
  return false;
}

TEST(WaveBackend, SourceOnTheListenersRightIsLouderOnTheRight) {
  const std::string base = std::string(::testing::TempDir()) + "/wave_" + std::to_string(getpid());
  const std::string conf = base + ".conf", out = base + "_out.wav", tone = base + "_tone.wav";
  {
    std::ofstream c(conf);
    c << "[general]\ndrivers = wave\nchannels = stereo\nsample-type = int16\nfrequency = 22050\n"
         "hrtf = false\nstereo-mode = speakers\n[wave]\nfile = "
      << out << "\n";
  }
  // OpenAL reads its configuration at the first device call in the process.
  setenv("ALSOFT_CONF", conf.c_str(), 1);
  setenv("ALSOFT_DRIVERS", "wave", 1);
  ASSERT_TRUE(testwav::WriteTone(tone, 1, 0.4));
  ASSERT_EQ(PlatformAudio::Open(), kAudioOk);
  {
    // Listener facing +x (left-handed): its right is -z, so the source at z = -3 is on its right.
    PlatformAudioListener l;
    l.front[0] = 1;
    l.front[2] = 0;
    PlatformAudio::SetListener(l);
    uint32_t rc = 1;
    PlatformAudioPath path(kAudioPath3D);
    path.Download(PlatformSegment::LoadWav(tone.c_str(), &rc));
    ASSERT_EQ(rc, kAudioOk);
    PlatformAudio3D p;
    p.position[2] = -3;
    p.minDistance = 1;
    path.Set3D(p);
    PlatformAudio::Commit();
    ASSERT_EQ(path.Play(0), kAudioOk);
    // The backend mixes in real time; allow for a loaded machine.
    for (int i = 0; i < 1000 && path.IsPlaying(); ++i) SDL_Delay(10);
    EXPECT_FALSE(path.IsPlaying());
    SDL_Delay(100);  // let the mixer write the tail
  }
  PlatformAudio::Close();
  Energy e;
  ASSERT_TRUE(ReadEnergy(out, &e)) << out;
  EXPECT_GT(e.right, 0.0);
  EXPECT_GT(e.right, 4.0 * e.left) << "left " << e.left << " right " << e.right;
  std::remove(conf.c_str());
  std::remove(out.c_str());
  std::remove(tone.c_str());
}

}  // namespace
