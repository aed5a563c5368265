#pragma once
/// Input bindings: one record per game action turns a keyboard, mouse or joystick control into
/// a float that game code reads (`QNINPUTMAP::Value(i)`; action 1 is Escape).
///
/// Each frame, after the devices were polled, `EvaluateAll` reads every record's control (raw
/// value r), scales it (v = r * scale * sensitivity) and changes the target's value by the
/// record's mode:
///   0 set        T = v
///   1 integrate  T = T + frameTime * v
///   2 peak       v > 0: T = max(T, v); v < 0: T = min(T, v); v = 0: unchanged
///   3 latch      r != 0: T = v; otherwise unchanged
///   4 toggle     v != 0: T = (T != 0) ? 0 : v
/// then clamps T to the record's own [minimum, maximum] when maximum > minimum. T is the
/// record's target, or the record itself. Records sharing a target apply in table order.

#include <cstdint>

/// Devices of a binding.
enum : std::uint32_t { QNINPUT_NONE = 0, QNINPUT_KEYBOARD = 1, QNINPUT_MOUSE = 2, QNINPUT_JOYSTICK = 3 };

/// Control kinds of a binding.
enum : std::uint32_t {
    QNINPUT_AXIS = 1,      ///< mouse x/y/wheel, joystick x/y/z
    QNINPUT_ROTATION = 2,  ///< joystick rotation x/y/z
    QNINPUT_POV = 3,       ///< joystick hat 0-3
    QNINPUT_SLIDER = 4,    ///< joystick slider 0-1
    QNINPUT_BUTTON = 5,    ///< mouse button 0-3, joystick button 0-31
    QNINPUT_KEY = 6,       ///< scan code with modifier bits 0x100/0x200/0x400
};

/// Modes of a binding.
enum : std::uint32_t {
    QNINPUT_SET = 0,
    QNINPUT_INTEGRATE = 1,
    QNINPUT_PEAK = 2,
    QNINPUT_LATCH = 3,
    QNINPUT_TOGGLE = 4,
};

/// One binding record.
struct QNINPUTBINDING {
    std::uint32_t Device = QNINPUT_NONE;
    float Value = 0.0f;       ///< what game code reads
    float Scale = 1.0f;
    float Minimum = -9999.0f;
    float Maximum = 9999.0f;  ///< no clamping unless Maximum > Minimum
    QNINPUTBINDING* Target = nullptr;  ///< null = this record
    std::uint32_t Kind = 0;
    std::uint32_t Index = 0;
    std::uint32_t Edge = 0;   ///< 1 = only the press of this frame
    std::uint32_t Mode = QNINPUT_SET;
};

/// One row of a binding table as game code writes it (`Target` is a record index, -1 = self).
struct QNINPUTROW {
    int Action;
    std::uint32_t Device;
    std::uint32_t Kind;
    std::uint32_t Index;
    float Scale;
    int Target;
    std::uint32_t Edge;
    std::uint32_t Mode;
    float Minimum;
    float Maximum;
};

class QNINPUTMAP {
public:
    /// Number of sensitivity factors: devices 1-3 x kinds 1-6 x indices 0-2.
    static constexpr int kSensitivityCount = 54;

    /// Frees any previous table, allocates `count` default records (none for 0) and sets every
    /// sensitivity factor to 1.
    static void Create(std::uint32_t count);
    static void Free();
    static std::uint32_t Count();
    /// Record i, or null outside the table.
    static QNINPUTBINDING* Binding(std::uint32_t i);
    /// Value of record i; 0 outside the table.
    static float Value(std::uint32_t i);

    /// Evaluates every record in table order; `frameTime` is the frame statistics' frame time
    /// (seconds), used by the integrating mode.
    static void EvaluateAll(float frameTime);
    /// EvaluateAll with the frame statistics' FrameTime (what the frame calls).
    static void EvaluateAll();
    /// Reads the record's control and applies it.
    static void Evaluate(QNINPUTBINDING& record);
    /// The raw value of the record's control (0 for unknown devices, kinds and indices).
    static float Raw(const QNINPUTBINDING& record);
    /// Applies a raw value to the record's target (see the header comment).
    static void Apply(QNINPUTBINDING& record, float raw);

    /// Writes table rows into the records: device, scale, bounds, target, control, edge and
    /// mode. Rows whose action or target lies outside the table are skipped.
    static void Write(const QNINPUTROW* rows, int count);

    /// Sensitivity factor of (device, kind, index); 1 outside the table.
    static float Sensitivity(std::uint32_t device, std::uint32_t kind, std::uint32_t index);
    static void SetSensitivity(std::uint32_t device, std::uint32_t kind, std::uint32_t index,
                               float factor);

    /// Frame time handed to the last EvaluateAll.
    static float FrameTime();
};
