#pragma once
// Positional sound over OpenAL Soft in the shape the engine expects of an audio
// performance: segments (loaded WAV data), audio paths (one OpenAL source each)
// with volume and 3D buffer parameters, and one 3D listener.
//
// Conventions at this boundary:
// - Coordinates arrive in Direct3D's left-handed frame (x right, y up, z into
//   the screen) and are handed to OpenAL's right-handed frame by negating z
//   (positions, velocities, cone orientations, listener front and top).
// - Volume is in hundredths of a decibel (0 = full, -10000 = silence); OpenAL
//   gain = 10^(volume / 2000).
// - Distance attenuation is the inverse-distance-clamped law:
//     gain = min / (min + rolloff * (clamp(d, min, max) - min)),
//   with the path's minimum and maximum distance and the listener's roll-off
//   factor, which is applied to every positional path.
// - Mono and stereo paths play unpositioned (relative to the listener, at its
//   origin); positional paths downmix stereo data to mono, since OpenAL only
//   spatialises mono sources.
// - Stereo paths also feed one shared reverb (a reverb effect in an auxiliary
//   slot of OpenAL's effects extension) when the device offers it; without it
//   they play as plain stereo.
// - 3D settings of paths and the listener are deferred: they take effect at
//   the next PlatformAudio::Commit, all at once, as does fade progress.
//
// Without an open device every object can still be created and every call is
// harmless: nothing plays, IsPlaying is false.
//
// Recording: with a recording rate set, Open makes a device that mixes only when asked
// (OpenAL Soft's loopback device) into memory, stereo float at that rate, and every play and
// stop is logged with the output frame it starts at. A run on a virtual clock renders the
// frames of each of its frames, so what is heard lines up with the game's time.

#include <cstdint>
#include <memory>
#include <vector>

/// Result codes of the audio layer.
enum : uint32_t {
  kAudioOk = 0,
  kAudioErrFail = 0x80004005u,          ///< generic failure
  kAudioErrNoDriver = 0x88780078u,      ///< no audio device could be opened
  kAudioErrFileNotFound = 0x80070002u,  ///< the WAV file is missing
  kAudioErrBadFile = 0x8007000Du,       ///< the file is not a WAV the layer can play
  kAudioErrNotOpen = 0x88780082u,       ///< no device is open
};

/// The loop count that makes a play repeat forever.
constexpr uint32_t kAudioRepeatForever = 0xFFFFFFFFu;

/// 3D parameters of a positional path (left-handed coordinates).
struct PlatformAudio3D {
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  uint32_t insideConeAngle = 360;   ///< whole degrees, full cone
  uint32_t outsideConeAngle = 360;
  float coneOrientation[3] = {0, 0, 1};
  int32_t coneOutsideVolume = 0;    ///< hundredths of a decibel
  float minDistance = 1.0f;
  float maxDistance = 1.0e9f;
  uint32_t mode = 0;                ///< 0 normal, 1 head-relative, 2 not positioned
};

/// Listener parameters (left-handed coordinates).
struct PlatformAudioListener {
  float position[3] = {0, 0, 0};
  float velocity[3] = {0, 0, 0};
  float front[3] = {0, 0, 1};
  float top[3] = {0, 1, 0};
  float distanceFactor = 1.0f;  ///< metres per unit (scales the speed of sound)
  float rolloffFactor = 1.0f;
  float dopplerFactor = 1.0f;
};

class PlatformSegment;

/// One play or stop on a path, as logged while recording.
struct PlatformAudioEvent {
  uint64_t frame = 0;  ///< first output frame it is heard at (the frames rendered before it)
  uint64_t path = 0;   ///< serial number of the path (unique for the process)
  uint32_t kind = 0;   ///< the path's kind
  bool stop = false;   ///< a stop (false: a play)
  bool looping = false;
  uint32_t repeats = 0;
  std::shared_ptr<PlatformSegment> segment;  ///< what plays (null for a stop)
};

/// The audio device and listener.
class PlatformAudio {
 public:
  /// Opens the named device (null = the default one, or the one set by SetDeviceName).
  /// kAudioErrNoDriver when no device can be opened.
  static uint32_t Open(const char* deviceName = nullptr);
  static void Close();
  static bool IsOpen();

  /// Device Open uses when given none (tests point it at a missing device). Null = default.
  static void SetDeviceName(const char* name);

  /// True while the open device has a reverb (OpenAL's effects extension) that stereo paths
  /// send to; without one they play dry.
  static bool HasReverb();
  /// Whether Open may use the effects extension (on by default; tests turn it off to stand
  /// for a device without it). Takes effect at the next Open.
  static void SetEffectsAllowed(bool allowed);

  /// Stores the listener parameters; applied at the next Commit.
  static void SetListener(const PlatformAudioListener& listener);
  static const PlatformAudioListener& Listener();

  /// Applies deferred listener and path settings and advances volume fades.
  static void Commit();

  /// Output rate of recording devices; 0 (the default) opens real devices. Takes effect at
  /// the next Open.
  static void SetRecording(int frequency);
  /// True while the open device is a recording one.
  static bool IsRecording();
  /// Mixes the next `frames` frames (stereo, interleaved floats) onto the end of `out`;
  /// silence when not recording.
  static void Render(size_t frames, std::vector<float>* out);
  /// Output frames rendered since the device opened.
  static uint64_t RenderedFrames();
  /// Plays and stops since the recording device opened.
  static const std::vector<PlatformAudioEvent>& Events();

  /// Millisecond clock for fades (default: SDL's tick count). Null restores the default.
  static void SetClock(uint64_t (*clock)());
  static uint64_t Now();
};

/// Loaded sound data: a WAV file in an OpenAL buffer.
class PlatformSegment {
 public:
  /// Loads a WAV file (through SDL_LoadWAV; 8/16/32-bit and float PCM, any channel count,
  /// converted to 8- or 16-bit mono or stereo). Null with *result set on failure; with no device
  /// open the file is still checked and a silent segment returned.
  static std::shared_ptr<PlatformSegment> LoadWav(const char* path, uint32_t* result);
  ~PlatformSegment();
  PlatformSegment(const PlatformSegment&) = delete;
  PlatformSegment& operator=(const PlatformSegment&) = delete;

  int Channels() const { return channels_; }
  int Frequency() const { return frequency_; }
  double Seconds() const;
  /// The OpenAL buffer (0 without device).
  uint32_t Buffer() const { return buffer_; }
  /// A mono downmix for positional playback (the buffer itself when mono).
  uint32_t MonoBuffer();
  size_t Frames() const { return frames_; }
  /// Sample `frame` of `channel` (the last channel for channels past it) in [-1, 1].
  float Sample(size_t frame, int channel) const;

 private:
  PlatformSegment() = default;

  uint32_t buffer_ = 0;
  uint32_t mono_ = 0;
  uint64_t generation_ = 0;
  int channels_ = 0;
  int bits_ = 0;
  int frequency_ = 0;
  size_t frames_ = 0;
  std::unique_ptr<uint8_t[]> pcm_;  // kept for the mono downmix
};

/// Kinds of audio path.
enum PlatformAudioPathKind : uint32_t {
  kAudioPathMono = 0,    ///< unpositioned
  kAudioPathStereo = 1,  ///< unpositioned, with a send to the device's reverb when it has one
  kAudioPath3D = 2,      ///< positioned in the world
};

/// One voice: an OpenAL source playing one segment.
class PlatformAudioPath {
 public:
  /// Repeats queued at most per play (longer counts are cut to this).
  static constexpr uint32_t kMaxQueuedPlays = 4096;

  explicit PlatformAudioPath(uint32_t kind);
  ~PlatformAudioPath();
  PlatformAudioPath(const PlatformAudioPath&) = delete;
  PlatformAudioPath& operator=(const PlatformAudioPath&) = delete;

  uint32_t Kind() const { return kind_; }
  /// Serial number, unique for the process (the recording log names paths by it).
  uint64_t Serial() const { return serial_; }

  /// The segment this path plays (shared; null detaches).
  void Download(std::shared_ptr<PlatformSegment> segment);
  const std::shared_ptr<PlatformSegment>& Segment() const { return segment_; }

  /// Plays the segment 1 + repeats times, or forever with kAudioRepeatForever.
  uint32_t Play(uint32_t repeats);
  void Stop();
  bool IsPlaying() const;
  bool Looping() const { return looping_; }

  /// Sets the volume (hundredths of a dB, clamped to -10000..0), reached linearly over fadeMs.
  void SetVolume(int32_t volume, uint32_t fadeMs);
  /// The volume now (during a fade, as of the last Commit or SetVolume).
  int32_t Volume() const { return volume_; }

  /// Stores 3D parameters for the next Commit (positional paths only).
  void Set3D(const PlatformAudio3D& params);
  const PlatformAudio3D& Params3D() const { return params_; }

  /// The OpenAL source (0 without device), for read-back.
  uint32_t Source() const { return source_; }
  /// True when the source feeds the device's reverb (stereo paths on a device with one).
  bool ReverbSend() const { return reverbSend_ && Live(); }

 private:
  friend class PlatformAudio;
  void ApplyPending();
  void ApplyRolloff(float rolloff);
  void AdvanceFade(uint64_t now);
  void ApplyGain();
  bool Live() const;

  uint32_t kind_;
  uint64_t serial_;
  uint32_t source_ = 0;
  uint64_t generation_ = 0;
  std::shared_ptr<PlatformSegment> segment_;
  bool looping_ = false;
  int32_t volume_ = 0;
  int32_t fadeFrom_ = 0, fadeTo_ = 0;
  uint64_t fadeStart_ = 0, fadeLength_ = 0;
  bool fading_ = false;
  PlatformAudio3D params_;
  bool pending3D_ = false;
  bool reverbSend_ = false;
};
