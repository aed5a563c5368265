#pragma once
// Structural check of a RIFF WAVE file before it is handed to the decoder: every chunk lies
// inside the file, a format chunk precedes a non-empty data chunk, and the format describes a
// sound that can be played.

#include <cstddef>
#include <cstdint>
#include <string>

/// The largest sound file the loader reads (about ten minutes of 48 kHz 16-bit stereo).
constexpr std::size_t kWavMaxFileBytes = 128u << 20;

/// True when `data` is a well-formed WAVE file; otherwise false with the reason in `error`.
bool WavCheck(const std::uint8_t* data, std::size_t size, std::string* error);
