#include "engine/sound/qnsound.h"

#include "engine/resource/qndisk.h"
#include "engine/util/qnmath.h"

QNSOUND::~QNSOUND() { Release(); }

void QNSOUND::Load(const QNSTRING& name, std::uint32_t kind, int index, bool useArchive) {
    if (!QNAUDDEV::IsOpen()) return;
    Release();
    kind_ = kind;
    const QNSTRING medium = QNDISK::NumberedName(name, index);
    const QNSTRING path = QNDISK::DiskPath(QNDISK::MakeTempFile(temp_, medium, useArchive));
    if (temp_.Missing()) {
        const QNSTRING failure = temp_.Failure();
        const std::uint32_t code = temp_.FailureCode();
        temp_.Close();
        throw EXC(code, "Unable to load sound '%s'.%s%s", medium.Text(), failure.IsEmpty() ? "" : " ",
                  failure.Text());
    }
    const QNSTRING shown = temp_.Shown(path);
    std::uint32_t rc = kAudioOk;
    segment_ = PlatformSegment::LoadWav(path.Text(), &rc);
    // The data is in memory now; the temporary copy is no longer needed.
    temp_.Close();
    QNEXCEPTION::SetLastDeviceResult(rc);
    if (!segment_) throw EXC(rc, "Unable to load sound '%s'.", shown.Text());
}

void QNSOUND::CreatePath(QNSOUND* source) {
    if (!QNAUDDEV::IsOpen()) return;
    Stop();
    path_.reset();
    source_ = source;
    if (source) {
        params_ = source->params_;
        kind_ = source->kind_;
        segment_ = source->segment_;
    }
    const std::uint32_t pathKind = kind_ <= POSITIONAL ? kind_ : MONO;
    path_ = std::make_unique<PlatformAudioPath>(pathKind);
    path_->Download(segment_);
    if (kind_ == POSITIONAL) path_->Set3D(params_);
}

void QNSOUND::Play(std::uint32_t repeats) {
    if (!QNAUDDEV::IsOpen() || !path_ || !path_->Segment()) return;
    Stop();
    path_->Play(repeats);
    playing_ = true;
    looping_ = repeats == kForever ? 1 : 0;
    playTimer_.Restart();
}

void QNSOUND::Stop() {
    if (!QNAUDDEV::IsOpen()) return;
    if (path_) path_->Stop();
    playing_ = false;
    looping_ = 0;
}

bool QNSOUND::IsPlaying() {
    if (!QNAUDDEV::IsOpen() || !playing_) return false;
    // The device may not have started the voice yet.
    if (playTimer_.Elapsed() < kStartGrace) return true;
    if (path_ && path_->IsPlaying()) return true;
    playing_ = false;
    return false;
}

void QNSOUND::SetVolume(float fraction, std::uint32_t fadeMs) {
    if (!QNAUDDEV::IsOpen() || !path_) return;
    path_->SetVolume(static_cast<std::int32_t>(fraction * 3000.0f - 3000.0f), fadeMs);
}

void QNSOUND::SetPositionFromMatrix(const float* m) {
    if (!QNAUDDEV::IsOpen()) return;
    for (int i = 0; i < 3; ++i) {
        params_.position[i] = m[12 + i];
        params_.coneOrientation[i] = m[8 + i];
    }
}

void QNSOUND::SetRange(float minDistance, float maxDistance) {
    if (!QNAUDDEV::IsOpen()) return;
    params_.minDistance = minDistance;
    params_.maxDistance = maxDistance;
}

void QNSOUND::SetCone(float insideAngle, float outsideAngle, float outsideVolume) {
    if (!QNAUDDEV::IsOpen()) return;
    const float toDegrees = 360.0f / 6.2831855f;
    // Negative or non-finite angles would wrap as unsigned: keep them within 0..360.
    auto degrees = [&](float radians) {
        const float d = radians * toDegrees;
        return d >= 0.0f && d <= 360.0f ? static_cast<std::uint32_t>(d) : (d > 360.0f ? 360u : 0u);
    };
    params_.insideConeAngle = degrees(insideAngle);
    params_.outsideConeAngle = degrees(outsideAngle);
    params_.coneOutsideVolume = RoundToInt(outsideVolume * 100.0f) - 100;
}

void QNSOUND::Set3DParameters() {
    if (!QNAUDDEV::IsOpen() || kind_ != POSITIONAL || !path_) return;
    path_->Set3D(params_);
}

void QNSOUND::Release() {
    if (path_) {
        path_->Stop();
        path_->Download(nullptr);
    }
    path_.reset();
    segment_.reset();
    playing_ = false;
    looping_ = 0;
    temp_.Close();
    source_ = nullptr;
}
