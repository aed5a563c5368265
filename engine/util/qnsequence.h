#pragma once
/// QNSEQUENCE: a tiny program in a text string that yields one integer per step, at a step rate
/// of its own; used for blinking lights, counters and frame animation.
///
/// Language (read left to right, spaces and tabs skipped):
///   @N      step rate N per second (the timer restarts)       does not end a step
///   (N:     loop start, N turns (0 = for ever); the one character after N is skipped
///   )       loop end: jump back to the loop start while turns remain
///   N       Value = N (optional minus)                        ends a step
///   ~N      move Value one toward N; past the number once it equals N      ends a step
///   end     Value = -1                                        ends a step
///
/// Advance runs as many steps as whole timer periods passed since the last call (one at the
/// start and at the end of the program). A loop that makes no step would spin for ever; after
/// kMaxIdleInstructions instructions without a step the program counts as ended. The number of
/// steps run by one call is capped at kMaxStepsPerAdvance.

#include "engine/util/qntimer.h"

#include <cstdint>

class QNSEQUENCE {
public:
    static constexpr int kMaxIdleInstructions = 4096;
    static constexpr std::uint32_t kMaxStepsPerAdvance = 1u << 20;

    /// `program` is borrowed: it must outlive the sequence (literals usually).
    explicit QNSEQUENCE(const char* program = nullptr) : Program(program) {}

    /// Sets a new program (borrowed) and starts it.
    void SetProgram(const char* program);
    /// Back to the beginning: no value, no loop, timer restarted.
    void Start();
    /// Runs the due steps and returns Value (-1 = no value or ended).
    std::int32_t Advance();

    const char* Program = nullptr;
    const char* Position = nullptr;
    const char* LoopStart = nullptr;
    std::int32_t LoopCount = 0;
    std::int32_t Value = -1;
    QNTIMER Timer;

private:
    bool Step();
    std::int32_t ReadNumber();
};
