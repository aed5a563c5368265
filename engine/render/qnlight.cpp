#include "engine/render/qnlight.h"

#include "engine/render/qndisplay.h"

std::uint32_t QNLIGHTSLOT::NextIndex = 0;

QNITEM& QNLIGHTSLOT::InUse() {
    static QNITEM list("lights in use");
    return list;
}

QNITEM& QNLIGHTSLOT::Free() {
    static QNITEM list("free lights");
    return list;
}

namespace {
void Switch(QNLIGHT& l, bool on) {
    l.Enabled = on ? 1 : 0;
    if (QNDISPLAY::Device && l.Slot) QNDISPLAY::Device->LightEnable(l.Slot->Index, on);
}
}  // namespace

QNLIGHT::QNLIGHT() {
    Light.Diffuse.a = Light.Specular.a = Light.Ambient.a = 1.0f;
    SetDirectional(1, 1, 1);
    SetFromMatrix(QNMATRIX::Identity);
}

// Position and direction stay: a light is often placed before it is given its kind.
void QNLIGHT::SetDirectional(float r, float g, float b) {
    Light.Type = D3DLIGHT_DIRECTIONAL;
    Light.Diffuse.r = Light.Specular.r = r;
    Light.Diffuse.g = Light.Specular.g = g;
    Light.Diffuse.b = Light.Specular.b = b;
    Light.Ambient.r = Light.Ambient.g = Light.Ambient.b = 0.0f;
    Light.Range = Light.Falloff = Light.Theta = Light.Phi = 0.0f;
    Light.Attenuation0 = Light.Attenuation1 = Light.Attenuation2 = 0.0f;
}

void QNLIGHT::SetPoint(float range, float r, float g, float b) {
    Light.Type = D3DLIGHT_POINT;
    Light.Diffuse.r = Light.Specular.r = r;
    Light.Diffuse.g = Light.Specular.g = g;
    Light.Diffuse.b = Light.Specular.b = b;
    Light.Ambient.r = Light.Ambient.g = Light.Ambient.b = 0.0f;
    Light.Falloff = Light.Theta = Light.Phi = 0.0f;
    Light.Attenuation0 = 1.0f;
    Light.Attenuation1 = Light.Attenuation2 = 0.0f;
    Light.Range = range;
}

void QNLIGHT::SetFromMatrix(const QNMATRIX& m) {
    Light.Position = {m[12], m[13], m[14]};
    Light.Direction = {m[8], m[9], m[10]};
}

void QNLIGHT::Attach(bool enable, const void* owner) {
    if (!Slot) {
        auto* slot = static_cast<QNLIGHTSLOT*>(QNLIGHTSLOT::Free().FirstChild());
        if (!slot) {
            slot = new QNLIGHTSLOT;
            slot->Index = QNLIGHTSLOT::NextIndex++;
        }
        slot->Light = this;
        slot->Owner = owner;
        QNLIGHTSLOT::InUse().AddChild(slot);
        Slot = slot;
    }
    Update();
    if (bool(Enabled) != enable) Switch(*this, enable);
}

void QNLIGHT::Update() {
    if (Slot && QNDISPLAY::Device) QNDISPLAY::Device->SetLight(Slot->Index, Light);
}

void QNLIGHT::Enable(bool on) {
    if (Slot && bool(Enabled) != on) Switch(*this, on);
}

void QNLIGHT::Detach() {
    if (!Slot) return;
    if (Enabled) Switch(*this, false);
    QNLIGHTSLOT* slot = Slot;
    QNLIGHTSLOT::Free().AddChild(slot);
    slot->Light = nullptr;
    slot->Owner = nullptr;
    Slot = nullptr;
}

void QNLIGHTSLOT::ReapplyAll() {
    for (QNITEM* it = InUse().FirstChild(); it; it = it->Next()) {
        auto* slot = static_cast<QNLIGHTSLOT*>(it);
        if (!slot->Light) continue;
        const bool was = slot->Light->Enabled != 0;
        slot->Light->Enabled = 0;
        slot->Light->Attach(was, slot->Owner);
    }
}

void QNLIGHTSLOT::EnableOwner(bool off, const void* owner) {
    for (QNITEM* it = InUse().FirstChild(); it; it = it->Next()) {
        auto* slot = static_cast<QNLIGHTSLOT*>(it);
        if (!slot->Light || (owner && slot->Owner != owner)) continue;
        if (bool(slot->Light->Enabled) != !off) Switch(*slot->Light, !off);
    }
}

void QNLIGHTSLOT::DeleteAll() {
    for (QNITEM* it = InUse().FirstChild(); it; it = it->Next()) {
        auto* slot = static_cast<QNLIGHTSLOT*>(it);
        if (slot->Light) slot->Light->Slot = nullptr;
    }
    InUse().DeleteChildren();
    Free().DeleteChildren();
    NextIndex = 0;
}
