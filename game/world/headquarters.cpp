#include "game/world/headquarters.h"

#include <numbers>

#include "engine/scene/glow.h"
#include "game/world/station_media.h"

namespace {

constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
constexpr float kGlowSize = 2.0f;

QNMATRIX Turned(float aboutX, float aboutY, const QNVEC3& at)
{
    QNMATRIX x, y, t;
    x.SetRotationX(aboutX);
    y.SetRotationY(aboutY);
    t.SetTranslationV(at);
    return x * y * t;
}

// Vote 0 of a light: 3 shown, 2 hidden (a recursive show of the headquarters may have set it).
void Show(QNGLOW* glow, bool on)
{
    const std::int32_t vote = on ? 3 : 2;
    if (glow && glow->Votes[0] != vote)
        glow->SetState(vote, 0, false, true);
}

}  // namespace

HEADQUARTERS::HEADQUARTERS(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible)
    : STATIONPART(parent, "HEADQUARTERS", KIND_HEADQUARTERS, 0, indestructible, 0, view)
{
    SetTexture("headq");
    SetMesh("headq");
    AddConnector(FACE_BOTTOM);
    AttachTo(parent, connector, 0);
    const QNMATRIX world = GetWorldMatrix();
    // The first white light faces out of one top corner; each next one a quarter turn on.
    const QNVEC3 corner(3.8645f, -3.745f, 3.898f);
    for (int i = 0; i < 4; ++i) {
        QNMATRIX quarter;
        quarter.SetRotationY(90.0f * kDegree * float(i));
        const QNMATRIX at = Turned(-45.0f * kDegree, -135.0f * kDegree, corner) * quarter * world;
        white_[i] = new QNGLOW(this, &at, 90.0f * kDegree, 6.0f * kDegree, kGlowSize, "headq_glow_white",
                               "headq_glow_white");
    }
    QNMATRIX mast;
    mast.SetTranslation(0, 6, 0);
    const QNMATRIX redAt = mast * world;
    red_ = new QNGLOW(this, &redAt, 105.0f * kDegree, 11.25f * kDegree, kGlowSize, "headq_glow_red", "headq_glow_red");
    Powered = true;
    blink_.Start();
    ApplyLights();
}

void HEADQUARTERS::ApplyLights()
{
    lightsOn_ = Powered && Active;
    for (QNGLOW* glow : white_)
        Show(glow, lightsOn_);
    Show(red_, lightsOn_ && blink_.Value == 0);
}

void HEADQUARTERS::Update()
{
    STATIONPART::Update();
    blink_.Advance();
    for (QNGLOW* glow : white_)
        Show(glow, lightsOn_);
    Show(red_, lightsOn_ && blink_.Value == 0);
}

void HEADQUARTERS::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("headq", on ? 1 : 0);
}

void HEADQUARTERS::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    ApplyLights();
}

void HEADQUARTERS::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    ApplyLights();
}

void HEADQUARTERS::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "headq", 2);
    stationmedia::Mesh(r, "headq");
    stationmedia::Texture(r, "headq_glow_white");
    stationmedia::Texture(r, "headq_glow_red");
    stationmedia::Quad(r, "headq_glow_white", 1.0f, 1.0f);
    stationmedia::Quad(r, "headq_glow_red", 1.0f, 1.0f);
}
