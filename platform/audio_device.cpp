#include "platform/audio_device.h"
#include "platform/wav_check.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <AL/alext.h>
#include <AL/efx-presets.h>
#include <AL/efx.h>
#include <SDL.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace {

ALCdevice* gDevice = nullptr;
ALCcontext* gContext = nullptr;
// Raised at every open: AL names made under an earlier device are never touched again.
uint64_t gGeneration = 0;
std::string gDeviceName;
bool gHaveDeviceName = false;
PlatformAudioListener gListener;
bool gListenerPending = false;
uint64_t (*gClock)() = nullptr;
std::vector<PlatformAudioPath*> gPaths;
bool gEffectsAllowed = true;
uint64_t gPathSerial = 0;

// Recording: a loopback device mixed on request, with the log of plays and stops.
int gRecordRate = 0;
bool gRecording = false;
uint64_t gRendered = 0;
std::vector<PlatformAudioEvent> gEvents;
LPALCRENDERSAMPLESSOFT gRenderSamples = nullptr;

void Log(const PlatformAudioPath& path, bool stop, bool looping, uint32_t repeats) {
  if (!gRecording) return;
  PlatformAudioEvent e;
  e.frame = gRendered;
  e.path = path.Serial();
  e.kind = path.Kind();
  e.stop = stop;
  e.looping = looping;
  e.repeats = repeats;
  if (!stop) e.segment = path.Segment();
  gEvents.push_back(std::move(e));
}

// A loopback device at the recording rate, stereo float, no head-related filters (their
// delays and colouring would hide what plays from a comparison with the source's samples).
ALCdevice* OpenRecordingDevice() {
  auto open = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
  gRenderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
  if (!open || !gRenderSamples) return nullptr;
  return open(nullptr);
}

// The reverb of stereo paths: one reverb effect in one auxiliary slot, through the effects
// extension. Entry points come from the context, so a library without them still loads.
struct Reverb {
  LPALGENEFFECTS genEffects = nullptr;
  LPALDELETEEFFECTS deleteEffects = nullptr;
  LPALEFFECTI effecti = nullptr;
  LPALEFFECTF effectf = nullptr;
  LPALGENAUXILIARYEFFECTSLOTS genSlots = nullptr;
  LPALDELETEAUXILIARYEFFECTSLOTS deleteSlots = nullptr;
  LPALAUXILIARYEFFECTSLOTI sloti = nullptr;
  ALuint effect = 0;
  ALuint slot = 0;  // 0 when there is no reverb: stereo paths then play dry
};
Reverb gReverb;

float GainOf(int32_t hundredthsDb) { return std::pow(10.0f, static_cast<float>(hundredthsDb) / 2000.0f); }

// OpenAL keeps one error flag until it is read: one call's error would fail every later check.
// The scope reads it on entry and on exit, so each call sees only its own errors.
class AlScope {
 public:
  AlScope() { Clear(); }
  ~AlScope() { Clear(); }
  AlScope(const AlScope&) = delete;
  AlScope& operator=(const AlScope&) = delete;
  /// True when a call since the last check raised an error (the flag is cleared).
  bool Failed() const { return gContext && alGetError() != AL_NO_ERROR; }

 private:
  static void Clear() {
    if (gContext) alGetError();
  }
};

void ToAl(const float in[3], ALfloat out[3]) {
  out[0] = in[0];
  out[1] = in[1];
  out[2] = -in[2];
}

template <typename F>
bool Entry(F* f, const char* name) {
  *f = reinterpret_cast<F>(alGetProcAddress(name));
  return *f != nullptr;
}

// Makes the reverb slot when the device has the effects extension; any failure leaves none.
void OpenReverb() {
  gReverb = Reverb{};
  if (!gEffectsAllowed || alcIsExtensionPresent(gDevice, "ALC_EXT_EFX") != ALC_TRUE) return;
  Reverb r;
  if (!Entry(&r.genEffects, "alGenEffects") || !Entry(&r.deleteEffects, "alDeleteEffects") ||
      !Entry(&r.effecti, "alEffecti") || !Entry(&r.effectf, "alEffectf") ||
      !Entry(&r.genSlots, "alGenAuxiliaryEffectSlots") ||
      !Entry(&r.deleteSlots, "alDeleteAuxiliaryEffectSlots") || !Entry(&r.sloti, "alAuxiliaryEffectSloti"))
    return;
  const AlScope scope;
  r.genEffects(1, &r.effect);
  if (scope.Failed()) return;
  r.effecti(r.effect, AL_EFFECT_TYPE, AL_EFFECT_REVERB);
  const EFXEAXREVERBPROPERTIES p = EFX_REVERB_PRESET_GENERIC;
  r.effectf(r.effect, AL_REVERB_DENSITY, p.flDensity);
  r.effectf(r.effect, AL_REVERB_DIFFUSION, p.flDiffusion);
  r.effectf(r.effect, AL_REVERB_GAIN, p.flGain);
  r.effectf(r.effect, AL_REVERB_GAINHF, p.flGainHF);
  r.effectf(r.effect, AL_REVERB_DECAY_TIME, p.flDecayTime);
  r.effectf(r.effect, AL_REVERB_DECAY_HFRATIO, p.flDecayHFRatio);
  r.effectf(r.effect, AL_REVERB_REFLECTIONS_GAIN, p.flReflectionsGain);
  r.effectf(r.effect, AL_REVERB_REFLECTIONS_DELAY, p.flReflectionsDelay);
  r.effectf(r.effect, AL_REVERB_LATE_REVERB_GAIN, p.flLateReverbGain);
  r.effectf(r.effect, AL_REVERB_LATE_REVERB_DELAY, p.flLateReverbDelay);
  r.effectf(r.effect, AL_REVERB_AIR_ABSORPTION_GAINHF, p.flAirAbsorptionGainHF);
  r.effectf(r.effect, AL_REVERB_ROOM_ROLLOFF_FACTOR, p.flRoomRolloffFactor);
  r.effecti(r.effect, AL_REVERB_DECAY_HFLIMIT, p.iDecayHFLimit);
  if (scope.Failed()) {
    r.deleteEffects(1, &r.effect);
    return;
  }
  r.genSlots(1, &r.slot);
  if (!scope.Failed()) r.sloti(r.slot, AL_EFFECTSLOT_EFFECT, static_cast<ALint>(r.effect));
  if (scope.Failed()) {
    if (r.slot != 0) r.deleteSlots(1, &r.slot);
    r.deleteEffects(1, &r.effect);
    return;
  }
  gReverb = r;
}

// After every source is gone: a slot still fed by a source cannot be deleted.
void CloseReverb() {
  if (gReverb.slot != 0) {
    const AlScope scope;
    gReverb.deleteSlots(1, &gReverb.slot);
    gReverb.deleteEffects(1, &gReverb.effect);
  }
  gReverb = Reverb{};
}

}  // namespace

uint32_t PlatformAudio::Open(const char* deviceName) {
  Close();
  if (!deviceName && gHaveDeviceName) deviceName = gDeviceName.c_str();
  const bool recording = gRecordRate > 0;
  gDevice = recording ? OpenRecordingDevice() : alcOpenDevice(deviceName);
  if (!gDevice) return kAudioErrNoDriver;
  const ALCint loopback[] = {ALC_FREQUENCY, gRecordRate, ALC_FORMAT_CHANNELS_SOFT, ALC_STEREO_SOFT,
                             ALC_FORMAT_TYPE_SOFT, ALC_FLOAT_SOFT, ALC_HRTF_SOFT, ALC_FALSE, 0};
  gContext = alcCreateContext(gDevice, recording ? loopback : nullptr);
  if (!gContext || alcMakeContextCurrent(gContext) != ALC_TRUE) {
    if (gContext) alcDestroyContext(gContext);
    alcCloseDevice(gDevice);
    gContext = nullptr;
    gDevice = nullptr;
    return kAudioErrFail;
  }
  ++gGeneration;
  gRecording = recording;
  gRendered = 0;
  gEvents.clear();
  OpenReverb();
  alDistanceModel(AL_INVERSE_DISTANCE_CLAMPED);
  gListener = PlatformAudioListener{};
  gListenerPending = true;
  Commit();
  return kAudioOk;
}

void PlatformAudio::Close() {
  if (!gDevice) return;
  // Paths still alive become silent shells: stop and detach their sources first.
  for (PlatformAudioPath* path : gPaths) {
    if (path->source_ != 0 && path->generation_ == gGeneration) {
      alSourceStop(path->source_);
      alSourcei(path->source_, AL_BUFFER, 0);
      alDeleteSources(1, &path->source_);
    }
    path->source_ = 0;
    path->reverbSend_ = false;
  }
  CloseReverb();
  alcMakeContextCurrent(nullptr);
  alcDestroyContext(gContext);
  alcCloseDevice(gDevice);
  gContext = nullptr;
  gDevice = nullptr;
  gRecording = false;
  ++gGeneration;
}

void PlatformAudio::SetRecording(int frequency) { gRecordRate = std::max(0, frequency); }

bool PlatformAudio::IsRecording() { return gRecording; }

void PlatformAudio::Render(size_t frames, std::vector<float>* out) {
  const size_t at = out->size();
  out->resize(at + 2 * frames, 0.0f);
  if (!gRecording || frames == 0) return;
  gRenderSamples(gDevice, out->data() + at, static_cast<ALCsizei>(frames));
  gRendered += frames;
}

uint64_t PlatformAudio::RenderedFrames() { return gRendered; }

const std::vector<PlatformAudioEvent>& PlatformAudio::Events() { return gEvents; }

bool PlatformAudio::IsOpen() { return gDevice != nullptr; }

bool PlatformAudio::HasReverb() { return gReverb.slot != 0; }

void PlatformAudio::SetEffectsAllowed(bool allowed) { gEffectsAllowed = allowed; }

void PlatformAudio::SetDeviceName(const char* name) {
  gHaveDeviceName = name != nullptr;
  gDeviceName = name ? name : "";
}

void PlatformAudio::SetListener(const PlatformAudioListener& listener) {
  gListener = listener;
  gListenerPending = true;
}

const PlatformAudioListener& PlatformAudio::Listener() { return gListener; }

void PlatformAudio::SetClock(uint64_t (*clock)()) { gClock = clock; }

uint64_t PlatformAudio::Now() { return gClock ? gClock() : SDL_GetTicks64(); }

void PlatformAudio::Commit() {
  if (!gDevice) return;
  const AlScope scope;
  if (gListenerPending) {
    gListenerPending = false;
    ALfloat v[3];
    ToAl(gListener.position, v);
    alListenerfv(AL_POSITION, v);
    ToAl(gListener.velocity, v);
    alListenerfv(AL_VELOCITY, v);
    ALfloat orientation[6];
    ToAl(gListener.front, orientation);
    ToAl(gListener.top, orientation + 3);
    alListenerfv(AL_ORIENTATION, orientation);
    alDopplerFactor(std::max(0.0f, gListener.dopplerFactor));
    if (gListener.distanceFactor > 0.0f) alSpeedOfSound(343.3f / gListener.distanceFactor);
    for (PlatformAudioPath* path : gPaths) path->ApplyRolloff(gListener.rolloffFactor);
  }
  const uint64_t now = Now();
  for (PlatformAudioPath* path : gPaths) {
    path->ApplyPending();
    path->AdvanceFade(now);
  }
}

// ---------------------------------------------------------------------------------------------

namespace {

// The whole file, at most kWavMaxFileBytes. False with `out` empty when it can't be opened, with
// `out` holding one byte when it is too large or can't be read.
bool ReadSoundFile(const char* path, std::vector<uint8_t>* out) {
  out->clear();
  SDL_RWops* rw = path ? SDL_RWFromFile(path, "rb") : nullptr;
  if (!rw) return false;
  const Sint64 size = SDL_RWsize(rw);
  bool ok = size > 0 && static_cast<uint64_t>(size) <= kWavMaxFileBytes;
  if (ok) {
    out->resize(static_cast<size_t>(size));
    ok = SDL_RWread(rw, out->data(), 1, out->size()) == out->size();
  }
  SDL_RWclose(rw);
  if (!ok) out->assign(1, 0);
  return ok;
}

ALenum FormatOf(int channels, int bits) {
  if (channels == 1) return bits == 8 ? AL_FORMAT_MONO8 : AL_FORMAT_MONO16;
  return bits == 8 ? AL_FORMAT_STEREO8 : AL_FORMAT_STEREO16;
}

}  // namespace

std::shared_ptr<PlatformSegment> PlatformSegment::LoadWav(const char* path, uint32_t* result) {
  *result = kAudioOk;
  std::vector<uint8_t> file;
  if (!ReadSoundFile(path, &file)) {
    *result = file.empty() ? kAudioErrFileNotFound : kAudioErrBadFile;
    return nullptr;
  }
  // The chunks are checked against the file before the decoder sees them: it would otherwise
  // allocate whatever a chunk declares.
  if (!WavCheck(file.data(), file.size(), nullptr)) {
    *result = kAudioErrBadFile;
    return nullptr;
  }
  SDL_AudioSpec spec;
  Uint8* data = nullptr;
  Uint32 length = 0;
  SDL_RWops* rw = SDL_RWFromConstMem(file.data(), static_cast<int>(file.size()));
  if (!rw || !SDL_LoadWAV_RW(rw, 1, &spec, &data, &length)) {
    *result = kAudioErrBadFile;
    return nullptr;
  }
  if (length == 0 || !data) {
    SDL_FreeWAV(data);
    *result = kAudioErrBadFile;
    return nullptr;
  }
  // Convert to what OpenAL takes everywhere: unsigned 8 or signed 16 bit, one or two channels.
  const int channels = spec.channels == 1 ? 1 : 2;
  const SDL_AudioFormat target = spec.format == AUDIO_U8 ? AUDIO_U8 : AUDIO_S16SYS;
  SDL_AudioCVT cvt;
  const int build = SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, target,
                                      static_cast<Uint8>(channels), spec.freq);
  if (build < 0 || spec.freq <= 0) {
    SDL_FreeWAV(data);
    *result = kAudioErrBadFile;
    return nullptr;
  }
  std::unique_ptr<uint8_t[]> pcm;
  size_t bytes = length;
  if (build == 0) {
    pcm.reset(new uint8_t[bytes]);
    std::memcpy(pcm.get(), data, bytes);
  } else {
    cvt.len = static_cast<int>(length);
    pcm.reset(new uint8_t[static_cast<size_t>(length) * cvt.len_mult]);
    std::memcpy(pcm.get(), data, length);
    cvt.buf = pcm.get();
    if (SDL_ConvertAudio(&cvt) != 0) {
      SDL_FreeWAV(data);
      *result = kAudioErrBadFile;
      return nullptr;
    }
    bytes = static_cast<size_t>(cvt.len_cvt);
  }
  SDL_FreeWAV(data);

  std::shared_ptr<PlatformSegment> segment(new PlatformSegment());
  segment->channels_ = channels;
  segment->bits_ = target == AUDIO_U8 ? 8 : 16;
  segment->frequency_ = spec.freq;
  const size_t frameBytes = static_cast<size_t>(channels) * (segment->bits_ / 8);
  segment->frames_ = bytes / frameBytes;
  bytes = segment->frames_ * frameBytes;
  segment->pcm_ = std::move(pcm);
  if (gDevice) {
    const AlScope scope;
    segment->generation_ = gGeneration;
    alGenBuffers(1, &segment->buffer_);
    if (scope.Failed()) {
      segment->buffer_ = 0;
      *result = kAudioErrFail;
      return nullptr;
    }
    alBufferData(segment->buffer_, FormatOf(channels, segment->bits_), segment->pcm_.get(),
                 static_cast<ALsizei>(bytes), spec.freq);
    if (scope.Failed()) {
      *result = kAudioErrBadFile;
      return nullptr;  // the destructor deletes the buffer
    }
  }
  return segment;
}

PlatformSegment::~PlatformSegment() {
  if (gDevice && generation_ == gGeneration) {
    const AlScope scope;
    if (buffer_) alDeleteBuffers(1, &buffer_);
    if (mono_ && mono_ != buffer_) alDeleteBuffers(1, &mono_);
  }
}

float PlatformSegment::Sample(size_t frame, int channel) const {
  if (frame >= frames_ || channels_ <= 0) return 0.0f;
  const size_t at = frame * static_cast<size_t>(channels_) + static_cast<size_t>(std::min(channel, channels_ - 1));
  if (bits_ == 8) return (static_cast<int>(pcm_[at]) - 128) / 128.0f;
  int16_t v;
  std::memcpy(&v, pcm_.get() + 2 * at, sizeof v);
  return static_cast<float>(v) / 32768.0f;
}

double PlatformSegment::Seconds() const {
  return frequency_ > 0 ? static_cast<double>(frames_) / frequency_ : 0.0;
}

uint32_t PlatformSegment::MonoBuffer() {
  if (channels_ == 1 || buffer_ == 0) return buffer_;
  if (mono_ == 0 && gDevice && generation_ == gGeneration) {
    std::vector<int16_t> mono(frames_);
    if (bits_ == 8) {
      const uint8_t* s = pcm_.get();
      for (size_t i = 0; i < frames_; ++i)
        mono[i] = static_cast<int16_t>(((s[2 * i] - 128) + (s[2 * i + 1] - 128)) * 128);
    } else {
      int16_t sample[2];
      for (size_t i = 0; i < frames_; ++i) {
        std::memcpy(sample, pcm_.get() + 4 * i, sizeof sample);
        mono[i] = static_cast<int16_t>((sample[0] + sample[1]) / 2);
      }
    }
    const AlScope scope;
    alGenBuffers(1, &mono_);
    if (scope.Failed()) {
      mono_ = 0;
      return 0;
    }
    alBufferData(mono_, AL_FORMAT_MONO16, mono.data(),
                 static_cast<ALsizei>(mono.size() * sizeof(int16_t)), frequency_);
    if (scope.Failed()) {
      alDeleteBuffers(1, &mono_);
      mono_ = 0;
    }
  }
  return mono_;
}

// ---------------------------------------------------------------------------------------------

PlatformAudioPath::PlatformAudioPath(uint32_t kind) : kind_(kind), serial_(++gPathSerial) {
  gPaths.push_back(this);
  if (!gDevice) return;
  generation_ = gGeneration;
  const AlScope scope;
  alGenSources(1, &source_);
  if (scope.Failed()) {
    // Out of sources: the path stays silent rather than failing the sound.
    source_ = 0;
    return;
  }
  if (kind_ != kAudioPath3D) {
    // Unpositioned: at the listener, no attenuation.
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, 0, 0, 0);
    alSourcef(source_, AL_ROLLOFF_FACTOR, 0);
    if (kind_ == kAudioPathStereo && gReverb.slot != 0) {
      alSource3i(source_, AL_AUXILIARY_SEND_FILTER, static_cast<ALint>(gReverb.slot), 0, AL_FILTER_NULL);
      reverbSend_ = !scope.Failed();
    }
  } else {
    pending3D_ = true;
    ApplyPending();
    ApplyRolloff(gListener.rolloffFactor);
  }
}

PlatformAudioPath::~PlatformAudioPath() {
  gPaths.erase(std::remove(gPaths.begin(), gPaths.end(), this), gPaths.end());
  if (Live()) {
    if (gRecording && IsPlaying()) Log(*this, true, false, 0);
    const AlScope scope;
    alSourceStop(source_);
    alSourcei(source_, AL_BUFFER, 0);
    alDeleteSources(1, &source_);
  }
}

bool PlatformAudioPath::Live() const {
  return source_ != 0 && gDevice && generation_ == gGeneration;
}

void PlatformAudioPath::Download(std::shared_ptr<PlatformSegment> segment) {
  Stop();
  segment_ = std::move(segment);
}

uint32_t PlatformAudioPath::Play(uint32_t repeats) {
  Stop();
  if (!segment_) return kAudioErrFail;
  looping_ = repeats == kAudioRepeatForever;
  if (!Live()) return kAudioErrNotOpen;
  const ALuint buffer = kind_ == kAudioPath3D ? segment_->MonoBuffer() : segment_->Buffer();
  if (buffer == 0) return kAudioErrFail;
  const AlScope scope;
  alSourcei(source_, AL_BUFFER, 0);
  if (looping_ || repeats == 0) {
    alSourcei(source_, AL_BUFFER, static_cast<ALint>(buffer));
    alSourcei(source_, AL_LOOPING, looping_ ? AL_TRUE : AL_FALSE);
  } else {
    // Repeats: the same buffer queued once per play.
    alSourcei(source_, AL_LOOPING, AL_FALSE);
    const uint32_t plays = std::min<uint64_t>(uint64_t{repeats} + 1, kMaxQueuedPlays);
    const std::vector<ALuint> queue(plays, buffer);
    alSourceQueueBuffers(source_, static_cast<ALsizei>(plays), queue.data());
  }
  ApplyGain();
  alSourcePlay(source_);
  Log(*this, false, looping_, repeats);
  return scope.Failed() ? kAudioErrFail : kAudioOk;
}

void PlatformAudioPath::Stop() {
  looping_ = false;
  if (!Live()) return;
  if (gRecording && IsPlaying()) Log(*this, true, false, 0);
  const AlScope scope;
  alSourceStop(source_);
  alSourcei(source_, AL_LOOPING, AL_FALSE);
  alSourcei(source_, AL_BUFFER, 0);
}

bool PlatformAudioPath::IsPlaying() const {
  if (!Live()) return false;
  const AlScope scope;
  ALint state = AL_STOPPED;
  alGetSourcei(source_, AL_SOURCE_STATE, &state);
  return state == AL_PLAYING;
}

void PlatformAudioPath::SetVolume(int32_t volume, uint32_t fadeMs) {
  volume = std::clamp<int32_t>(volume, -10000, 0);
  if (fadeMs == 0) {
    fading_ = false;
    volume_ = volume;
  } else {
    fading_ = true;
    fadeFrom_ = volume_;
    fadeTo_ = volume;
    fadeStart_ = PlatformAudio::Now();
    fadeLength_ = fadeMs;
  }
  ApplyGain();
}

void PlatformAudioPath::AdvanceFade(uint64_t now) {
  if (!fading_) return;
  const uint64_t t = now > fadeStart_ ? now - fadeStart_ : 0;
  if (t >= fadeLength_) {
    volume_ = fadeTo_;
    fading_ = false;
  } else {
    volume_ = fadeFrom_ + static_cast<int32_t>(std::lround(
                              (fadeTo_ - fadeFrom_) * static_cast<double>(t) / fadeLength_));
  }
  ApplyGain();
}

void PlatformAudioPath::ApplyGain() {
  if (!Live()) return;
  const AlScope scope;
  alSourcef(source_, AL_GAIN, GainOf(volume_));
}

void PlatformAudioPath::Set3D(const PlatformAudio3D& params) {
  if (kind_ != kAudioPath3D) return;
  params_ = params;
  pending3D_ = true;
}

void PlatformAudioPath::ApplyRolloff(float rolloff) {
  if (Live() && kind_ == kAudioPath3D) alSourcef(source_, AL_ROLLOFF_FACTOR, std::max(0.0f, rolloff));
}

void PlatformAudioPath::ApplyPending() {
  if (!pending3D_ || !Live()) return;
  pending3D_ = false;
  const PlatformAudio3D& p = params_;
  ALfloat v[3];
  if (p.mode == 2) {
    // Positioning off: plays at the listener.
    alSourcei(source_, AL_SOURCE_RELATIVE, AL_TRUE);
    alSource3f(source_, AL_POSITION, 0, 0, 0);
  } else {
    alSourcei(source_, AL_SOURCE_RELATIVE, p.mode == 1 ? AL_TRUE : AL_FALSE);
    ToAl(p.position, v);
    alSourcefv(source_, AL_POSITION, v);
  }
  ToAl(p.velocity, v);
  alSourcefv(source_, AL_VELOCITY, v);
  ToAl(p.coneOrientation, v);
  alSourcefv(source_, AL_DIRECTION, v);
  alSourcef(source_, AL_CONE_INNER_ANGLE, static_cast<float>(std::min<uint32_t>(p.insideConeAngle, 360)));
  alSourcef(source_, AL_CONE_OUTER_ANGLE, static_cast<float>(std::min<uint32_t>(p.outsideConeAngle, 360)));
  alSourcef(source_, AL_CONE_OUTER_GAIN, GainOf(std::clamp<int32_t>(p.coneOutsideVolume, -10000, 0)));
  const float minDistance = p.minDistance > 0.0f ? p.minDistance : 0.0f;
  alSourcef(source_, AL_REFERENCE_DISTANCE, minDistance);
  alSourcef(source_, AL_MAX_DISTANCE, std::max(p.maxDistance, minDistance));
}
