#include "platform/audio_device.h"
#include "recorded_level.h"
#include "wav_writer.h"

#include <AL/al.h>
#include <AL/alc.h>
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

namespace {

// No sound card is needed: OpenAL's null backend, unless the caller chose another.
const bool kNullDriver = setenv("ALSOFT_DRIVERS", "null", 0) == 0;

uint64_t gNow = 0;
uint64_t VirtualClock() { return gNow; }

std::string TempPath(const char* name) {
  return std::string(::testing::TempDir()) + "/" + std::to_string(getpid()) + "_" + name;
}

class Audio : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kNullDriver);
    ASSERT_EQ(PlatformAudio::Open(), kAudioOk) << "null OpenAL driver expected";
    PlatformAudio::SetClock(&VirtualClock);
    gNow = 1000;
    mono_ = TempPath("mono.wav");
    stereo_ = TempPath("stereo.wav");
    ASSERT_TRUE(testwav::WriteTone(mono_, 1, 0.2));
    ASSERT_TRUE(testwav::WriteTone(stereo_, 2, 0.2));
  }
  void TearDown() override {
    PlatformAudio::Close();
    PlatformAudio::SetClock(nullptr);
    std::remove(mono_.c_str());
    std::remove(stereo_.c_str());
  }
  std::shared_ptr<PlatformSegment> Load(const std::string& path) {
    uint32_t rc = 1;
    auto segment = PlatformSegment::LoadWav(path.c_str(), &rc);
    EXPECT_EQ(rc, kAudioOk);
    return segment;
  }
  static float SourceF(const PlatformAudioPath& p, ALenum param) {
    ALfloat v = -1;
    alGetSourcef(p.Source(), param, &v);
    return v;
  }
  static std::vector<float> SourceV(const PlatformAudioPath& p, ALenum param) {
    std::vector<float> v(3, 0.0f);
    alGetSourcefv(p.Source(), param, v.data());
    return v;
  }
  std::string mono_, stereo_;
};

TEST_F(Audio, PositionalParametersReachOpenAlAtCommit) {
  PlatformAudioPath path(kAudioPath3D);
  path.Download(Load(mono_));
  PlatformAudio3D p;
  p.position[0] = 1;
  p.position[1] = 2;
  p.position[2] = 3;
  p.velocity[2] = -4;
  p.coneOrientation[0] = 0;
  p.coneOrientation[2] = 1;
  p.insideConeAngle = 90;
  p.outsideConeAngle = 180;
  p.coneOutsideVolume = -1000;
  p.minDistance = 2;
  p.maxDistance = 50;
  path.Set3D(p);
  EXPECT_EQ(SourceV(path, AL_POSITION), (std::vector<float>{0, 0, 0}));  // deferred
  PlatformAudio::Commit();
  EXPECT_EQ(SourceV(path, AL_POSITION), (std::vector<float>{1, 2, -3}));
  EXPECT_EQ(SourceV(path, AL_VELOCITY), (std::vector<float>{0, 0, 4}));
  EXPECT_EQ(SourceV(path, AL_DIRECTION), (std::vector<float>{0, 0, -1}));
  EXPECT_EQ(SourceF(path, AL_CONE_INNER_ANGLE), 90.0f);
  EXPECT_EQ(SourceF(path, AL_CONE_OUTER_ANGLE), 180.0f);
  EXPECT_NEAR(SourceF(path, AL_CONE_OUTER_GAIN), std::pow(10.0f, -0.5f), 1e-5);
  EXPECT_EQ(SourceF(path, AL_REFERENCE_DISTANCE), 2.0f);
  EXPECT_EQ(SourceF(path, AL_MAX_DISTANCE), 50.0f);
  EXPECT_EQ(SourceF(path, AL_ROLLOFF_FACTOR), 1.0f);
  ALint relative = -1;
  alGetSourcei(path.Source(), AL_SOURCE_RELATIVE, &relative);
  EXPECT_EQ(relative, AL_FALSE);
  ALint model = alGetInteger(AL_DISTANCE_MODEL);
  EXPECT_EQ(model, AL_INVERSE_DISTANCE_CLAMPED);

  p.mode = 1;  // head-relative
  path.Set3D(p);
  PlatformAudio::Commit();
  alGetSourcei(path.Source(), AL_SOURCE_RELATIVE, &relative);
  EXPECT_EQ(relative, AL_TRUE);
}

TEST_F(Audio, ListenerConvertsAndItsRolloffReachesEveryPositionalPath) {
  PlatformAudioPath positional(kAudioPath3D);
  PlatformAudioPath flat(kAudioPathMono);
  PlatformAudioListener l;
  l.position[0] = 5;
  l.position[2] = 7;
  l.front[0] = 1;
  l.front[2] = 0;
  l.rolloffFactor = 2.5f;
  PlatformAudio::SetListener(l);
  PlatformAudioPath later(kAudioPath3D);
  PlatformAudio::Commit();
  ALfloat pos[3], orientation[6];
  alGetListenerfv(AL_POSITION, pos);
  alGetListenerfv(AL_ORIENTATION, orientation);
  EXPECT_EQ(pos[0], 5.0f);
  EXPECT_EQ(pos[2], -7.0f);
  EXPECT_EQ(orientation[0], 1.0f);
  EXPECT_EQ(orientation[4], 1.0f);
  EXPECT_EQ(SourceF(positional, AL_ROLLOFF_FACTOR), 2.5f);
  EXPECT_EQ(SourceF(later, AL_ROLLOFF_FACTOR), 2.5f);
  EXPECT_EQ(SourceF(flat, AL_ROLLOFF_FACTOR), 0.0f);
  PlatformAudioPath afterCommit(kAudioPath3D);  // a new path takes the current roll-off
  EXPECT_EQ(SourceF(afterCommit, AL_ROLLOFF_FACTOR), 2.5f);
  ALint relative = -1;
  alGetSourcei(flat.Source(), AL_SOURCE_RELATIVE, &relative);
  EXPECT_EQ(relative, AL_TRUE);
}

TEST_F(Audio, VolumeInHundredthsOfDecibelWithFades) {
  PlatformAudioPath path(kAudioPathStereo);
  path.SetVolume(-1500, 0);
  EXPECT_NEAR(SourceF(path, AL_GAIN), std::pow(10.0f, -0.75f), 1e-5);
  path.SetVolume(-20000, 0);
  EXPECT_EQ(path.Volume(), -10000);
  path.SetVolume(-2000, 0);
  path.SetVolume(0, 1000);  // from -2000 to 0 over one second
  gNow += 250;
  PlatformAudio::Commit();
  EXPECT_EQ(path.Volume(), -1500);
  gNow += 750;
  PlatformAudio::Commit();
  EXPECT_EQ(path.Volume(), 0);
  EXPECT_NEAR(SourceF(path, AL_GAIN), 1.0f, 1e-6);
}

TEST_F(Audio, RepeatsLoopingAndSharedSegments) {
  auto segment = Load(mono_);
  ASSERT_TRUE(segment);
  EXPECT_NEAR(segment->Seconds(), 0.2, 1e-3);
  PlatformAudioPath a(kAudioPathMono), b(kAudioPath3D);
  a.Download(segment);
  b.Download(segment);
  ASSERT_EQ(a.Play(2), kAudioOk);
  ALint queued = 0, looping = -1, buffer = 0;
  alGetSourcei(a.Source(), AL_BUFFERS_QUEUED, &queued);
  alGetSourcei(a.Source(), AL_LOOPING, &looping);
  EXPECT_EQ(queued, 3);  // the first play and two repeats
  EXPECT_EQ(looping, AL_FALSE);
  EXPECT_TRUE(a.IsPlaying());
  EXPECT_FALSE(a.Looping());

  ASSERT_EQ(b.Play(kAudioRepeatForever), kAudioOk);
  alGetSourcei(b.Source(), AL_LOOPING, &looping);
  alGetSourcei(b.Source(), AL_BUFFER, &buffer);
  EXPECT_EQ(looping, AL_TRUE);
  EXPECT_EQ(static_cast<ALuint>(buffer), segment->Buffer());  // the same data on both paths
  EXPECT_TRUE(b.Looping());
  EXPECT_TRUE(b.IsPlaying());

  segment.reset();  // the paths keep the data alive
  a.Stop();
  EXPECT_FALSE(a.IsPlaying());
  EXPECT_TRUE(b.IsPlaying());
  b.Stop();
  EXPECT_FALSE(b.Looping());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(Audio, StereoDataPlaysDownmixedOnPositionalPaths) {
  auto segment = Load(stereo_);
  ASSERT_TRUE(segment);
  EXPECT_EQ(segment->Channels(), 2);
  PlatformAudioPath path(kAudioPath3D);
  path.Download(segment);
  ASSERT_EQ(path.Play(0), kAudioOk);
  ALint buffer = 0, channels = 0;
  alGetSourcei(path.Source(), AL_BUFFER, &buffer);
  alGetBufferi(static_cast<ALuint>(buffer), AL_CHANNELS, &channels);
  EXPECT_EQ(channels, 1);
  EXPECT_EQ(static_cast<ALuint>(buffer), segment->MonoBuffer());
}

TEST_F(Audio, BadFilesAreRefused) {
  uint32_t rc = 0;
  EXPECT_EQ(PlatformSegment::LoadWav(TempPath("missing.wav").c_str(), &rc), nullptr);
  EXPECT_EQ(rc, kAudioErrFileNotFound);
  const std::string junk = TempPath("junk.wav");
  FILE* f = std::fopen(junk.c_str(), "wb");
  ASSERT_TRUE(f);
  std::fputs("RIFF\x10\0\0\0WAVEfmt garbage", f);
  std::fclose(f);
  EXPECT_EQ(PlatformSegment::LoadWav(junk.c_str(), &rc), nullptr);
  EXPECT_EQ(rc, kAudioErrBadFile);
  std::remove(junk.c_str());
}

TEST_F(Audio, AnEarlierErrorOrRunningOutOfSourcesNeverFailsALaterSound) {
  // An error some other call left pending.
  alSourcei(0x7FFFFFFF, AL_LOOPING, AL_TRUE);
  auto segment = Load(mono_);
  ASSERT_TRUE(segment);
  EXPECT_NE(segment->Buffer(), 0u);

  // Paths beyond the device's sources are silent; sounds made after them still load and play.
  std::vector<std::unique_ptr<PlatformAudioPath>> paths;
  while (paths.size() < 2048 && (paths.empty() || paths.back()->Source() != 0))
    paths.push_back(std::make_unique<PlatformAudioPath>(kAudioPath3D));
  ASSERT_EQ(paths.back()->Source(), 0u) << "no source limit reached";
  PlatformAudioPath& silent = *paths.back();
  silent.Download(segment);
  EXPECT_NE(silent.Play(0), kAudioOk);
  EXPECT_FALSE(silent.IsPlaying());
  auto later = Load(stereo_);
  ASSERT_TRUE(later);
  PlatformAudioPath& voiced = *paths.front();
  voiced.Download(later);
  EXPECT_EQ(voiced.Play(kAudioRepeatForever), kAudioOk);
  EXPECT_TRUE(voiced.IsPlaying());
  PlatformAudio::Commit();
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(Audio, StereoPathsFeedTheReverbOrPlayDryWithoutIt) {
  const bool efx = alcIsExtensionPresent(alcGetContextsDevice(alcGetCurrentContext()), "ALC_EXT_EFX") == ALC_TRUE;
  EXPECT_EQ(PlatformAudio::HasReverb(), efx);
  auto segment = Load(stereo_);
  PlatformAudioPath stereo(kAudioPathStereo), mono(kAudioPathMono), positional(kAudioPath3D);
  EXPECT_EQ(stereo.ReverbSend(), efx);
  EXPECT_FALSE(mono.ReverbSend());
  EXPECT_FALSE(positional.ReverbSend());
  stereo.Download(segment);
  EXPECT_EQ(stereo.Play(kAudioRepeatForever), kAudioOk);
  EXPECT_TRUE(stereo.IsPlaying());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);

  // A device without effects: the same kind plays as plain stereo.
  PlatformAudio::SetEffectsAllowed(false);
  ASSERT_EQ(PlatformAudio::Open(), kAudioOk);
  PlatformAudio::SetEffectsAllowed(true);
  EXPECT_FALSE(PlatformAudio::HasReverb());
  EXPECT_FALSE(stereo.ReverbSend());  // its source died with the old device
  PlatformAudioPath dry(kAudioPathStereo);
  EXPECT_FALSE(dry.ReverbSend());
  dry.Download(segment = Load(stereo_));
  EXPECT_EQ(dry.Play(0), kAudioOk);
  EXPECT_TRUE(dry.IsPlaying());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(Audio, ClosingTheDeviceLeavesHarmlessShells) {
  auto segment = Load(mono_);
  PlatformAudioPath path(kAudioPath3D);
  path.Download(segment);
  path.Play(kAudioRepeatForever);
  PlatformAudio::Close();
  EXPECT_FALSE(path.IsPlaying());
  EXPECT_EQ(path.Play(0), kAudioErrNotOpen);
  path.SetVolume(-100, 50);
  path.Set3D(PlatformAudio3D{});
  PlatformAudio::Commit();
  ASSERT_EQ(PlatformAudio::Open(), kAudioOk);  // the old names are never touched again
  PlatformAudioPath fresh(kAudioPathMono);
  EXPECT_NE(fresh.Source(), 0u);
}

TEST(AudioWithoutDevice, EveryCallIsHarmless) {
  PlatformAudio::SetDeviceName("no such device");
  EXPECT_EQ(PlatformAudio::Open(), kAudioErrNoDriver);
  EXPECT_FALSE(PlatformAudio::IsOpen());
  PlatformAudio::SetDeviceName(nullptr);
  const std::string wav = TempPath("silent.wav");
  ASSERT_TRUE(testwav::WriteTone(wav, 1, 0.1));
  uint32_t rc = 1;
  auto segment = PlatformSegment::LoadWav(wav.c_str(), &rc);
  EXPECT_EQ(rc, kAudioOk);  // the file is still checked
  ASSERT_TRUE(segment);
  EXPECT_EQ(segment->Buffer(), 0u);
  PlatformAudioPath path(kAudioPath3D);
  EXPECT_EQ(path.Source(), 0u);
  path.Download(segment);
  EXPECT_EQ(path.Play(3), kAudioErrNotOpen);
  EXPECT_FALSE(path.IsPlaying());
  path.SetVolume(-1500, 100);
  path.Set3D(PlatformAudio3D{});
  PlatformAudio::SetListener(PlatformAudioListener{});
  PlatformAudio::Commit();
  path.Stop();
  std::remove(wav.c_str());
}

}  // namespace

namespace {

// The recording device: the mix lines up with the log of plays, an unpositioned play is heard
// at full level, a positional one by the distance law, and a stopped one no more.
TEST_F(Audio, RecordingMixesOnRequestAndLogsEachPlay) {
  PlatformAudio::Close();
  PlatformAudio::SetRecording(22050);
  ASSERT_EQ(PlatformAudio::Open(), kAudioOk);
  PlatformAudio::SetRecording(0);
  ASSERT_TRUE(PlatformAudio::IsRecording());
  const std::string noise = TempPath("noise.wav");
  ASSERT_TRUE(testwav::WriteNoise(noise, 0.5));
  auto segment = Load(noise);
  ASSERT_TRUE(segment);
  ASSERT_EQ(segment->Frames(), 11025u);

  recorded::RECORDING rec;
  rec.Render(441);
  PlatformAudioPath flat(kAudioPathMono);
  flat.Download(segment);
  flat.Play(0);
  rec.Render(2 * 11025);
  PlatformAudioPath placed(kAudioPath3D);
  placed.Download(segment);
  PlatformAudio3D p;
  p.position[2] = 40.0f;  // 40 ahead, minimum distance 10: a quarter
  p.minDistance = 10.0f;
  p.maxDistance = 100.0f;
  placed.Set3D(p);
  PlatformAudio::Commit();
  placed.Play(kAudioRepeatForever);
  rec.Render(11025);
  placed.Stop();
  rec.Render(11025);

  const auto plays = recorded::Plays(segment);
  ASSERT_EQ(plays.size(), 2u);
  EXPECT_EQ(plays[0].frame, 441u);
  EXPECT_FALSE(plays[0].looping);
  EXPECT_EQ(plays[1].frame, 441u + 2 * 11025u);
  EXPECT_TRUE(plays[1].looping);
  EXPECT_EQ(recorded::EndedAt(plays[0]), UINT64_MAX);
  EXPECT_EQ(recorded::EndedAt(plays[1]), 441u + 3 * 11025u);

  EXPECT_NEAR(recorded::Level(rec, plays[0], 0, rec.Frames()), 1.0, 0.01);
  // Nothing of it before it played, nor after it ended.
  EXPECT_LT(recorded::Level(rec, plays[0], 0, 441), 1e-3);
  EXPECT_NEAR(recorded::Level(rec, plays[1], plays[1].frame, plays[1].frame + 11025), 0.25, 0.01);
  EXPECT_LT(recorded::Level(rec, plays[1], plays[1].frame + 11025 + 64, rec.Frames()), 1e-3);
  std::remove(noise.c_str());
}

}  // namespace
