#include "engine/util/qnsequence.h"

#include <climits>
#include <cstdlib>

void QNSEQUENCE::SetProgram(const char* program)
{
    Program = program;
    Start();
}

void QNSEQUENCE::Start()
{
    Position = Program;
    LoopCount = 0;
    LoopStart = nullptr;
    Value = -1;
    Timer.Restart();
}

std::int32_t QNSEQUENCE::ReadNumber()
{
    char* end = nullptr;
    long n = std::strtol(Position, &end, 10);
    if (end == Position)
        n = 0;
    Position = end;
    if (n > INT_MAX)
        n = INT_MAX;
    if (n < INT_MIN)
        n = INT_MIN;
    return static_cast<std::int32_t>(n);
}

// Interprets instructions up to the end of one step. False when the program makes no step
// within the idle limit; it is then left at its end.
bool QNSEQUENCE::Step()
{
    for (int idle = 0; idle < kMaxIdleInstructions; ++idle) {
        while (*Position == ' ' || *Position == '\t')
            ++Position;
        const char c = *Position;
        if (c == '\0') {
            Value = -1;
            return true;
        }
        if (c == '@') {
            ++Position;
            const std::int32_t rate = ReadNumber();
            Timer.Init(rate > 0 ? 1.0 / rate : 0.0);
        } else if (c == '(') {
            ++Position;
            LoopCount = ReadNumber();
            if (*Position)
                ++Position;
            LoopStart = Position;
        } else if (c == ')') {
            ++Position;
            if (!LoopStart)
                continue;
            if (LoopCount <= 0) {
                Position = LoopStart;
            } else {
                const std::int32_t was = LoopCount--;
                if (was != 1)
                    Position = LoopStart;
            }
        } else if (c == '~') {
            const char* tilde = Position;
            ++Position;
            const std::int32_t target = ReadNumber();
            if (Value < target)
                ++Value;
            else if (Value > target)
                --Value;
            if (Value != target)
                Position = tilde;
            return true;
        } else if (c == '-' || (c >= '0' && c <= '9')) {
            const char* at = Position;
            const std::int32_t n = ReadNumber();
            if (Position == at) {
                ++Position;   // a lone minus is no number
                continue;
            }
            Value = n;
            return true;
        } else {
            ++Position;   // unknown characters are skipped
        }
    }
    while (*Position)
        ++Position;
    Value = -1;
    return false;
}

std::int32_t QNSEQUENCE::Advance()
{
    if (!Program)
        return Value = -1;
    if (!Position)
        Start();
    std::uint32_t steps = 1;
    if (Position != Program && *Position != '\0')
        steps = Timer.PeriodsElapsed();
    if (steps > kMaxStepsPerAdvance)
        steps = kMaxStepsPerAdvance;
    for (std::uint32_t i = 0; i < steps; ++i) {
        if (!Step())
            break;
    }
    return Value;
}

