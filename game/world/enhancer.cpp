#include "game/world/enhancer.h"

#include <numbers>

#include "engine/scene/resources.h"
#include "engine/util/qnapp_state.h"
#include "game/world/station_media.h"

namespace {

constexpr float kQuarter = std::numbers::pi_v<float> / 2.0f;
// Labels sit on the four long faces of the body, just outside them.
constexpr float kLabelOut = 1.51f;

}  // namespace

ENHANCER::ENHANCER(STATIONPART* parent, std::int32_t connector, std::uint32_t view, bool indestructible,
                   std::uint32_t colour, bool labels)
    : STATIONPART(parent, "ENHANCER", KIND_ENHANCER, 0x400, indestructible, 0, view), Colour(colour)
{
    SetTexture("enhancer");
    SetMesh("enhancer");
    SetSound("enhancer");
    AddConnector(FACE_FRONT);
    if (parent)
        AttachTo(parent, connector, 0);
    rest_ = PartTransform();
    if (!labels || colour >= 6)
        return;
    for (std::uint32_t i = 0; i < kLabels; ++i) {
        QNMATRIX turn, out;
        turn.SetRotationZ(2.0f * kQuarter * float(i));
        out.SetTranslation(0, -kLabelOut, 0);
        QNMATRIX face;
        face.SetRotationX(kQuarter);
        const QNMATRIX at = face * out * turn;
        auto* label = new GAMENODE(this, "LABEL", KIND_ENHANCER, QNCF_LEVEL_PLAIN, 32, 1, &at, 0);
        label->SetMaterial("enhancer_label");
        label->SetColour("enhancer_label");
        label->SetTexture("enhancer_label");
        label->SetMesh("enhancer_label");
        stationmedia::ShowCell(label, colour);
    }
}

void ENHANCER::Apply()
{
    const bool spin = Powered && Active;
    if (spin == Spinning)
        return;
    Spinning = spin;
    if (spin) {
        PlaySound(-1);
    } else {
        StopSound();
        StopMotion(true, QNCF_LEVEL_PLAIN);
    }
}

void ENHANCER::Update()
{
    STATIONPART::Update();
    if (!Spinning || Delete)
        return;
    angle_ += kSpin * QNAPP::dt;
    QNMATRIX spin;
    spin.SetRotationZ(angle_);
    SetPartTransform(spin * rest_);
}

void ENHANCER::SetHighlight(bool on)
{
    STATIONPART::SetHighlight(on);
    SetTexture("enhancer", on ? 1 : 0);
}

void ENHANCER::SetActive(bool on)
{
    if (on == Active)
        return;
    STATIONPART::SetActive(on);
    Apply();
}

void ENHANCER::SetPowered(bool on)
{
    if (on == Powered)
        return;
    STATIONPART::SetPowered(on);
    Apply();
}

void ENHANCER::RegisterMedia(QNRESOURCES& r)
{
    stationmedia::Texture(r, "enhancer", 2);
    stationmedia::Mesh(r, "enhancer");
    stationmedia::Sound(r, "enhancer", 1, 5.0f, 100.0f);
    stationmedia::Texture(r, "enhancer_label", 1, 4, 2);
    stationmedia::Quad(r, "enhancer_label", 2.0f, 1.0f);
    r.AddMaterial("enhancer_label", "alphatest");
    r.AddColour("enhancer_label", "fullbright");
}
