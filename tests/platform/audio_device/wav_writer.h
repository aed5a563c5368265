#pragma once
// Writes small 16-bit PCM WAV files for the sound tests.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace testwav {

// Mono white noise of `seconds` from a fixed seed.
inline bool WriteNoise(const std::string& path, double seconds, int rate = 22050);

// 16-bit PCM samples (interleaved `channels`) as a WAV file.
inline bool WritePcm(const std::string& path, const std::vector<int16_t>& pcm, int channels, int rate) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  auto u32 = [&](uint32_t v) { std::fwrite(&v, 4, 1, f); };
  auto u16 = [&](uint16_t v) { std::fwrite(&v, 2, 1, f); };
  const uint32_t dataBytes = static_cast<uint32_t>(pcm.size() * 2);
  std::fwrite("RIFF", 1, 4, f);
  u32(36 + dataBytes);
  std::fwrite("WAVEfmt ", 1, 8, f);
  u32(16);
  u16(1);
  u16(static_cast<uint16_t>(channels));
  u32(static_cast<uint32_t>(rate));
  u32(static_cast<uint32_t>(rate * channels * 2));
  u16(static_cast<uint16_t>(channels * 2));
  u16(16);
  std::fwrite("data", 1, 4, f);
  u32(dataBytes);
  std::fwrite(pcm.data(), 2, pcm.size(), f);
  return std::fclose(f) == 0;
}

// A sine tone of `seconds` at `hz`; stereo puts it on both channels.
inline bool WriteTone(const std::string& path, int channels, double seconds, double hz = 440.0,
                      int rate = 22050) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::vector<int16_t> pcm(static_cast<size_t>(frames) * channels);
  for (uint32_t i = 0; i < frames; ++i) {
    const int16_t s = static_cast<int16_t>(12000.0 * std::sin(2.0 * M_PI * hz * i / rate));
    for (int c = 0; c < channels; ++c) pcm[static_cast<size_t>(i) * channels + c] = s;
  }
  return WritePcm(path, pcm, channels, rate);
}

inline bool WriteNoise(const std::string& path, double seconds, int rate) {
  const uint32_t frames = static_cast<uint32_t>(seconds * rate);
  std::vector<int16_t> pcm(frames);
  uint32_t x = 12345;
  for (int16_t& s : pcm) {
    x = x * 214013u + 2531011u;
    s = static_cast<int16_t>(static_cast<int>((x >> 16) & 0x7FFF) - 16384);
  }
  return WritePcm(path, pcm, 1, rate);
}

}  // namespace testwav
