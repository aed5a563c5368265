#pragma once
/// Sound: the audio device with its listener (QNAUDDEV) and sound resources (QNSOUND).
///
/// A sound is a WAV medium (from the storage archive through a temporary copy, or from disk)
/// played on its own audio path, one voice per path. Kinds: 0 mono and 1 stereo with reverb
/// (plain stereo on a device without effects) play unpositioned; 2 plays positioned in the
/// world, in the engine's left-handed coordinates.
/// Several sounds may share one sound's data (CreatePath with a source), each on its own path.
///
/// 3D parameters and the listener are deferred: they take effect at QNAUDDEV::Update, which
/// the frame calls once after rendering. When no audio device could be opened (and none was
/// required) every QNSOUND operation does nothing and the game runs silent.

#include "engine/resource/qntempfile.h"
#include "engine/util/qnexception.h"
#include "engine/util/qnmatrix.h"
#include "engine/util/qnstring.h"
#include "engine/util/qntimer.h"
#include "platform/audio_device.h"

#include <cstdint>
#include <memory>

/// The DirectSound-style 3D parameter block of a sound (angles in whole degrees, outside volume
/// in hundredths of a decibel).
using QNSOUND3D = PlatformAudio3D;
/// The listener parameter block the camera fills.
using QNLISTENER = PlatformAudioListener;

class QNAUDDEV {
public:
    using EXC = QNAUDDEV_EXC;

    /// Opens the audio device. When there is no device: with `required` raises "Audio device
    /// not found.", otherwise returns quietly and the run is silent. Other failures raise
    /// "Unable to open Direct Music device." after closing what was opened.
    static void Open(bool required);
    static void Close();
    /// True while a device is open (the "performance" exists).
    static bool IsOpen();
    /// Commits the deferred 3D settings of the listener and every sound; advances fades.
    static void Update();
    /// Hands the listener block to the device, deferred.
    static void SetListener();

    /// The listener block (position, velocity, front, top, distance, roll-off and Doppler
    /// factors), filled by the camera each frame.
    static QNLISTENER Listener;
};

class QNSOUND {
public:
    using EXC = QNSOUND_EXC;

    /// Repeat count that plays forever.
    static constexpr std::uint32_t kForever = 0xFFFFFFFFu;
    /// Seconds after Play during which IsPlaying answers true without asking the device.
    static constexpr double kStartGrace = 0.15;

    enum : std::uint32_t { MONO = 0, STEREO = 1, POSITIONAL = 2 };

    QNSOUND() = default;
    ~QNSOUND();
    QNSOUND(const QNSOUND&) = delete;
    QNSOUND& operator=(const QNSOUND&) = delete;

    /// Releases, then loads member `index` of the numbered media set `name` (from the archive
    /// when `useArchive`, else from disk). Raises "Unable to load sound '%s'." naming the medium
    /// (the path opened when read from disk), followed by the archive's reason when its export
    /// failed.
    void Load(const QNSTRING& name, std::uint32_t kind, int index, bool useArchive);
    /// Gives the sound a new path. With a source, plays the source's data and takes a copy of
    /// its kind and 3D parameters; otherwise plays its own data. A positional path starts with
    /// the sound's 3D parameters (applied at the next update).
    void CreatePath(QNSOUND* source = nullptr);
    /// Plays 1 + repeats times (kForever loops). Needs data and a path.
    void Play(std::uint32_t repeats = 0);
    void Stop();
    /// False when not played; true for the first 0.15 s after Play; then asks the device and
    /// forgets the play once it has ended.
    bool IsPlaying();
    /// Path volume = fraction * 3000 - 3000 hundredths of a decibel, reached over fadeMs.
    void SetVolume(float fraction, std::uint32_t fadeMs = 0);
    /// Position = the transform's translation (elements 12-14); cone orientation = its third
    /// row (elements 8-10). `m` holds 16 floats in row-vector layout.
    void SetPositionFromMatrix(const float* m);
    void SetPositionFromMatrix(const QNMATRIX& m) { SetPositionFromMatrix(m.m); }
    void SetRange(float minDistance, float maxDistance);
    /// Angles in radians become whole degrees (truncated); outside volume =
    /// round(fraction * 100) - 100.
    void SetCone(float insideAngle, float outsideAngle, float outsideVolume);
    /// Hands the 3D block to the path (positional sounds only), deferred. Without a path it does
    /// nothing; CreatePath applies the block later.
    void Set3DParameters();
    /// Stops and frees the data, the path and the temporary copy; clears the source.
    void Release();

    std::uint32_t Kind() const { return kind_; }
    std::uint32_t Looping() const { return looping_; }
    bool HasData() const { return segment_ != nullptr; }
    bool HasPath() const { return path_ != nullptr; }
    QNSOUND* Source() const { return source_; }
    QNSOUND3D& Params() { return params_; }
    const QNSOUND3D& Params() const { return params_; }
    /// The platform path (null when none), for read-back.
    PlatformAudioPath* Path() const { return path_.get(); }
    /// The data this sound's path plays (its own or the source's).
    const std::shared_ptr<PlatformSegment>& Segment() const { return segment_; }

private:
    QNSOUND3D params_;
    std::shared_ptr<PlatformSegment> segment_;
    std::unique_ptr<PlatformAudioPath> path_;
    bool playing_ = false;
    QNSOUND* source_ = nullptr;
    std::uint32_t looping_ = 0;
    std::uint32_t kind_ = MONO;
    QNTEMPFILE temp_;
    QNTIMER playTimer_;
};
