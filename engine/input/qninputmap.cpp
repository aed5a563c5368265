#include "engine/input/qninputmap.h"

#include "engine/input/qninput.h"
#include "engine/util/qnapp_state.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<QNINPUTBINDING> gBindings;
float gSensitivity[QNINPUTMAP::kSensitivityCount];
float gFrameTime = 0.0f;

// Index into the sensitivity table, or -1 for a device, kind or index it does not cover.
int SensitivitySlot(std::uint32_t device, std::uint32_t kind, std::uint32_t index) {
    if (device < 1 || device > 3 || kind < 1 || kind > 6 || index > 2) return -1;
    return static_cast<int>(((device - 1) * 6 + (kind - 1)) * 3 + index);
}

float KeyboardRaw(const QNINPUTBINDING& r) {
    if (r.Kind != QNINPUT_KEY) return 0.0f;
    if (r.Edge) return QNKEYBOARD::KeyEvent() == r.Index ? 1.0f : 0.0f;
    return QNKEYBOARD::IsComboDown(r.Index) ? 1.0f : 0.0f;
}

float MouseRaw(const QNINPUTBINDING& r) {
    if (r.Kind == QNINPUT_AXIS) {
        float m[3];
        QNMOUSE::Motion(&m[0], &m[1], &m[2]);
        return r.Index < 3 ? m[r.Index] : 0.0f;
    }
    if (r.Kind == QNINPUT_BUTTON) {
        // Alt with a click releases the cursor; it never reaches a binding.
        if (QNKEYBOARD::Modifiers() & QNKEY_ALT) return 0.0f;
        if (r.Index > 3) return 0.0f;
        if (r.Edge) return QNMOUSE::ButtonEvent() == r.Index + 1 ? 1.0f : 0.0f;
        return QNMOUSE::ButtonDown(static_cast<int>(r.Index) + 1) ? 1.0f : 0.0f;
    }
    return 0.0f;
}

float JoystickRaw(const QNINPUTBINDING& r) {
    float v[3];
    switch (r.Kind) {
        case QNINPUT_AXIS:
            QNJOYSTICK::Axes(&v[0], &v[1], &v[2]);
            return r.Index < 3 ? v[r.Index] : 0.0f;
        case QNINPUT_ROTATION:
            QNJOYSTICK::Rotation(&v[0], &v[1], &v[2]);
            return r.Index < 3 ? v[r.Index] : 0.0f;
        case QNINPUT_POV:
            return r.Index < 4 ? QNJOYSTICK::POV(static_cast<int>(r.Index)) : 0.0f;
        case QNINPUT_SLIDER:
            return r.Index < 2 ? QNJOYSTICK::Slider(static_cast<int>(r.Index)) : 0.0f;
        case QNINPUT_BUTTON:
            if (r.Index > 31) return 0.0f;
            if (r.Edge) return QNJOYSTICK::ButtonEvent() == r.Index ? 1.0f : 0.0f;
            return QNJOYSTICK::ButtonDown(static_cast<int>(r.Index)) ? 1.0f : 0.0f;
        default:
            return 0.0f;
    }
}

}  // namespace

void QNINPUTMAP::Create(std::uint32_t count) {
    Free();
    gBindings.assign(count, QNINPUTBINDING{});
    std::fill(std::begin(gSensitivity), std::end(gSensitivity), 1.0f);
}

void QNINPUTMAP::Free() {
    gBindings.clear();
    gBindings.shrink_to_fit();
}

std::uint32_t QNINPUTMAP::Count() { return static_cast<std::uint32_t>(gBindings.size()); }

QNINPUTBINDING* QNINPUTMAP::Binding(std::uint32_t i) {
    return i < gBindings.size() ? &gBindings[i] : nullptr;
}

float QNINPUTMAP::Value(std::uint32_t i) { return i < gBindings.size() ? gBindings[i].Value : 0.0f; }

void QNINPUTMAP::EvaluateAll(float frameTime) {
    gFrameTime = frameTime;
    for (QNINPUTBINDING& r : gBindings) Evaluate(r);
}

void QNINPUTMAP::EvaluateAll() { EvaluateAll(QNFRAMESTATS::FrameTime); }

float QNINPUTMAP::FrameTime() { return gFrameTime; }

float QNINPUTMAP::Raw(const QNINPUTBINDING& r) {
    switch (r.Device) {
        case QNINPUT_KEYBOARD: return KeyboardRaw(r);
        case QNINPUT_MOUSE: return MouseRaw(r);
        case QNINPUT_JOYSTICK: return JoystickRaw(r);
        default: return 0.0f;
    }
}

void QNINPUTMAP::Evaluate(QNINPUTBINDING& record) { Apply(record, Raw(record)); }

void QNINPUTMAP::Apply(QNINPUTBINDING& r, float raw) {
    QNINPUTBINDING& t = r.Target ? *r.Target : r;
    const bool nonzero = raw != 0.0f;
    float v = raw * r.Scale;
    const int slot = SensitivitySlot(r.Device, r.Kind, r.Index);
    if (slot >= 0) v *= gSensitivity[slot];
    switch (r.Mode) {
        case QNINPUT_SET:
            t.Value = v;
            break;
        case QNINPUT_INTEGRATE:
            t.Value += gFrameTime * v;
            break;
        case QNINPUT_PEAK:
            if (v > 0.0f) t.Value = std::max(t.Value, v);
            else if (v < 0.0f) t.Value = std::min(t.Value, v);
            break;
        case QNINPUT_LATCH:
            if (nonzero) t.Value = v;
            break;
        case QNINPUT_TOGGLE:
            if (v != 0.0f) t.Value = t.Value != 0.0f ? 0.0f : v;
            break;
        default:
            break;
    }
    if (r.Maximum > r.Minimum) t.Value = std::clamp(t.Value, r.Minimum, r.Maximum);
}

void QNINPUTMAP::Write(const QNINPUTROW* rows, int count) {
    for (int i = 0; i < count; ++i) {
        const QNINPUTROW& row = rows[i];
        QNINPUTBINDING* r = row.Action >= 0 ? Binding(static_cast<std::uint32_t>(row.Action)) : nullptr;
        if (!r) continue;
        QNINPUTBINDING* target = nullptr;
        if (row.Target >= 0) {
            target = Binding(static_cast<std::uint32_t>(row.Target));
            if (!target) continue;
        }
        r->Device = row.Device;
        r->Scale = row.Scale;
        r->Minimum = row.Minimum;
        r->Maximum = row.Maximum;
        r->Target = target;
        r->Kind = row.Kind;
        r->Index = row.Index;
        r->Edge = row.Edge;
        r->Mode = row.Mode;
    }
}

float QNINPUTMAP::Sensitivity(std::uint32_t device, std::uint32_t kind, std::uint32_t index) {
    const int slot = SensitivitySlot(device, kind, index);
    return slot >= 0 ? gSensitivity[slot] : 1.0f;
}

void QNINPUTMAP::SetSensitivity(std::uint32_t device, std::uint32_t kind, std::uint32_t index,
                                float factor) {
    const int slot = SensitivitySlot(device, kind, index);
    if (slot >= 0) gSensitivity[slot] = factor;
}
