#include "engine/sound/qnsound.h"
#include "tests/engine/resource/archive_damage.h"
#include "tests/platform/audio_device/wav_writer.h"

#include <AL/al.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// OpenAL's null backend unless the caller chose another.
const bool kNullDriver = setenv("ALSOFT_DRIVERS", "null", 0) == 0;

constexpr float kPi = 3.14159265f;

std::string TempPath(const std::string& name) {
  return std::string(::testing::TempDir()) + "/snd" + std::to_string(getpid()) + "_" + name;
}

void SetClockSeconds(double s) {
  QNTIMER::SetFrameCounter(static_cast<std::int64_t>(s * static_cast<double>(QNTIMER::Frequency())));
}

float SourceF(const QNSOUND& s, ALenum param) {
  ALfloat v = -1;
  alGetSourcef(s.Path()->Source(), param, &v);
  return v;
}

class Sound : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(kNullDriver);
    QNAUDDEV::Open(false);
    ASSERT_TRUE(QNAUDDEV::IsOpen()) << "null OpenAL driver expected";
    wav_ = TempPath("beep.wav");
    wav2_ = TempPath("beep2.wav");
    ASSERT_TRUE(testwav::WriteTone(wav_, 1, 0.3));
    ASSERT_TRUE(testwav::WriteTone(wav2_, 2, 0.1));
    SetClockSeconds(10.0);
  }
  void TearDown() override {
    QNAUDDEV::Listener = QNLISTENER{};
    QNAUDDEV::Close();
    std::remove(wav_.c_str());
    std::remove(wav2_.c_str());
  }
  std::string wav_, wav2_;
};

TEST_F(Sound, PositionalParametersReachTheDeviceAtUpdate) {
  QNSOUND s;
  s.Load(QNSTRING(wav_), QNSOUND::POSITIONAL, 0, false);
  s.SetRange(2.0f, 40.0f);
  s.Set3DParameters();  // no path yet: nothing happens
  s.SetCone(kPi / 2, 2 * kPi, 0.5f);
  const float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 3, 4, 5, 1};
  s.SetPositionFromMatrix(m);
  EXPECT_EQ(s.Params().insideConeAngle, 90u);
  EXPECT_EQ(s.Params().outsideConeAngle, 360u);
  EXPECT_EQ(s.Params().coneOutsideVolume, -50);
  s.CreatePath();
  QNAUDDEV::Listener.rolloffFactor = 3.0f;
  QNAUDDEV::SetListener();
  QNAUDDEV::Update();
  ALfloat pos[3], dir[3];
  alGetSourcefv(s.Path()->Source(), AL_POSITION, pos);
  alGetSourcefv(s.Path()->Source(), AL_DIRECTION, dir);
  EXPECT_EQ(pos[0], 3.0f);
  EXPECT_EQ(pos[1], 4.0f);
  EXPECT_EQ(pos[2], -5.0f);
  EXPECT_EQ(dir[2], -1.0f);
  EXPECT_EQ(SourceF(s, AL_CONE_INNER_ANGLE), 90.0f);
  EXPECT_NEAR(SourceF(s, AL_CONE_OUTER_GAIN), std::pow(10.0f, -50.0f / 2000.0f), 1e-6);
  EXPECT_EQ(SourceF(s, AL_REFERENCE_DISTANCE), 2.0f);
  EXPECT_EQ(SourceF(s, AL_MAX_DISTANCE), 40.0f);
  EXPECT_EQ(SourceF(s, AL_ROLLOFF_FACTOR), 3.0f);

  // Moving: the new position waits for the next update.
  QNMATRIX moved;
  moved.SetTranslation(-1, 0, 2);
  s.SetPositionFromMatrix(moved);
  s.Set3DParameters();
  alGetSourcefv(s.Path()->Source(), AL_POSITION, pos);
  EXPECT_EQ(pos[0], 3.0f);
  QNAUDDEV::Update();
  alGetSourcefv(s.Path()->Source(), AL_POSITION, pos);
  EXPECT_EQ(pos[0], -1.0f);
  EXPECT_EQ(pos[2], -2.0f);
}

TEST_F(Sound, VolumeLoopingAndRepeats) {
  QNSOUND s;
  s.Load(QNSTRING(wav_), QNSOUND::MONO, 0, false);
  s.CreatePath();
  s.SetVolume(0.5f);
  EXPECT_EQ(s.Path()->Volume(), -1500);
  EXPECT_NEAR(SourceF(s, AL_GAIN), std::pow(10.0f, -0.75f), 1e-6);
  s.SetVolume(0.0f);
  EXPECT_EQ(s.Path()->Volume(), -3000);

  s.Play(QNSOUND::kForever);
  EXPECT_EQ(s.Looping(), 1u);
  ALint looping = 0, queued = 0;
  alGetSourcei(s.Path()->Source(), AL_LOOPING, &looping);
  EXPECT_EQ(looping, AL_TRUE);
  s.Play(3);
  EXPECT_EQ(s.Looping(), 0u);
  alGetSourcei(s.Path()->Source(), AL_BUFFERS_QUEUED, &queued);
  EXPECT_EQ(queued, 4);
  s.Stop();
  EXPECT_FALSE(s.IsPlaying());
}

TEST_F(Sound, IsPlayingTrustsThePlayForItsFirstMoments) {
  QNSOUND s;
  s.Load(QNSTRING(wav_), QNSOUND::STEREO, 0, false);
  EXPECT_FALSE(s.IsPlaying());
  s.CreatePath();
  EXPECT_EQ(s.Path()->Kind(), kAudioPathStereo);
  EXPECT_EQ(s.Path()->ReverbSend(), PlatformAudio::HasReverb());  // stereo with reverb
  s.Play(0);
  EXPECT_TRUE(s.Path()->IsPlaying());
  s.Path()->Stop();  // as if the device had not started the voice yet
  EXPECT_TRUE(s.IsPlaying());
  SetClockSeconds(10.1);
  EXPECT_TRUE(s.IsPlaying());
  SetClockSeconds(10.2);
  EXPECT_FALSE(s.IsPlaying());
  SetClockSeconds(10.0);
  EXPECT_FALSE(s.IsPlaying());  // the ended play was forgotten

  s.Play(QNSOUND::kForever);
  SetClockSeconds(30.0);
  EXPECT_TRUE(s.IsPlaying());  // a looping voice keeps playing
}

TEST_F(Sound, SoundsShareOneSourcesData) {
  auto a = std::make_unique<QNSOUND>();
  a->Load(QNSTRING(wav_), QNSOUND::POSITIONAL, 0, false);
  a->SetRange(5.0f, 6.0f);
  a->CreatePath();
  QNSOUND b, c;
  b.CreatePath(a.get());
  c.CreatePath(a.get());
  EXPECT_EQ(b.Source(), a.get());
  EXPECT_EQ(b.Kind(), QNSOUND::POSITIONAL);
  EXPECT_EQ(b.Params().minDistance, 5.0f);
  EXPECT_EQ(b.Segment(), a->Segment());
  EXPECT_NE(b.Path()->Source(), c.Path()->Source());
  b.Play(QNSOUND::kForever);
  c.Play(QNSOUND::kForever);
  ALint bufB = 0, bufC = 0;
  alGetSourcei(b.Path()->Source(), AL_BUFFER, &bufB);
  alGetSourcei(c.Path()->Source(), AL_BUFFER, &bufC);
  EXPECT_NE(bufB, 0);
  EXPECT_EQ(bufB, bufC);
  a.reset();  // the source goes first; the sharers keep playing its data
  SetClockSeconds(20.0);
  EXPECT_TRUE(b.IsPlaying());
  EXPECT_TRUE(c.IsPlaying());
  EXPECT_EQ(alGetError(), AL_NO_ERROR);
}

TEST_F(Sound, NumberedMembersAndLoadFailures) {
  QNSOUND s;
  s.Load(QNSTRING(wav_), QNSOUND::STEREO, 1, false);  // beep.wav member 1 is beep2.wav
  ASSERT_TRUE(s.HasData());
  EXPECT_EQ(s.Segment()->Channels(), 2);
  const std::string missing = TempPath("nothere.wav");
  try {
    s.Load(QNSTRING(missing), QNSOUND::MONO, 0, false);
    FAIL() << "no exception";
  } catch (const QNDEVICES::EXC&) {
    EXPECT_EQ(std::string(QNEXCEPTION::Message()), "Unable to load sound '" + missing + "'.");
  }
  EXPECT_FALSE(s.HasData());
  s.Play(0);  // no data, no path: nothing
  EXPECT_FALSE(s.IsPlaying());
}

TEST_F(Sound, ArchiveFailuresNameTheMediumAndTheArchivesReason) {
  std::FILE* f = std::fopen(wav_.c_str(), "rb");
  ASSERT_NE(f, nullptr);
  std::vector<std::uint8_t> wav(1 << 16);
  wav.resize(std::fread(wav.data(), 1, wav.size(), f));
  std::fclose(f);
  const std::string archive = TempPath("sounds.qns");
  QNSOUND s;
  auto load = [&](const char* name) {
    return archivetest::FailureOf([&] { s.Load(QNSTRING(name), QNSOUND::MONO, 0, true); });
  };
  archivetest::ExpectArchiveFailuresNamed(
      archive, ".wav", wav, archivetest::Bytes("RIFF and nothing else"), load,
      {"Unable to load sound '%'. ", "Unable to load sound '%'.", "Unable to load sound '%'."});
  EXPECT_TRUE(s.HasData());
  s.Release();
  QNSTORAGE::SetArchive("");
  QNDISK::RemoveTempFolder();
  std::remove(archive.c_str());
}

TEST(SoundWithoutDevice, SilentRunAndRequiredDevice) {
  ASSERT_TRUE(kNullDriver);
  PlatformAudio::SetDeviceName("no such device");
  EXPECT_NO_THROW(QNAUDDEV::Open(false));
  EXPECT_FALSE(QNAUDDEV::IsOpen());
  QNSOUND s, shared;
  EXPECT_NO_THROW(s.Load(QNSTRING("media\\general\\sounds\\missing.wav"), 2, 0, true));
  s.CreatePath();
  shared.CreatePath(&s);
  s.SetRange(1, 2);
  s.SetCone(1, 2, 0.5f);
  const float m[16] = {};
  s.SetPositionFromMatrix(m);
  s.Set3DParameters();
  s.Play(QNSOUND::kForever);
  s.SetVolume(0.5f, 100);
  EXPECT_FALSE(s.IsPlaying());
  EXPECT_FALSE(s.HasPath());
  QNAUDDEV::SetListener();
  QNAUDDEV::Update();
  s.Stop();
  s.Release();

  try {
    QNAUDDEV::Open(true);
    FAIL() << "a required device must be found";
  } catch (const QNAUDIO::EXC&) {
    EXPECT_STREQ(QNEXCEPTION::Message(), "Audio device not found.");
    EXPECT_EQ(QNEXCEPTION::ResultCode(), 0x88780078u);
  }
  EXPECT_FALSE(QNAUDDEV::IsOpen());
  PlatformAudio::SetDeviceName(nullptr);
}

}  // namespace
