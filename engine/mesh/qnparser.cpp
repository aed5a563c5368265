#include "engine/mesh/qnparser.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

void QNPARSER::Open(const char* path, const char* shownName)
{
    QNFILE::Open(path, kRead, 1);
    if (shownName) {
        name_ = QNSTRING(shownName);
        name_.SetNoCase(true);
    }
    current_ = '\n';
    line_ = 1;
    atLineStart_ = 1;
    current_ = ReadRaw();
}

void QNPARSER::Fail(const char* message) const
{
    throw EXC(0, "'%s' Line #%u %s", name_.Text(), line_, message);
}

char QNPARSER::ReadRaw()
{
    if (!stream_)
        return 0;
    const int c = std::fgetc(stream_);
    if (c == EOF)
        return 0;
    if (c == '\r') {
        const int n = std::fgetc(stream_);
        if (n == '\n')
            return '\n';
        if (n != EOF)
            std::ungetc(n, stream_);
    }
    return static_cast<char>(c);
}

void QNPARSER::Advance()
{
    if (current_ == '\n') {
        ++line_;
        atLineStart_ = 1;
    } else {
        atLineStart_ = 0;
    }
    current_ = ReadRaw();
}

void QNPARSER::SkipSpaces(bool required)
{
    bool skipped = false;
    while (current_ == ' ' || current_ == '\t') {
        Advance();
        skipped = true;
    }
    if (!skipped && required)
        Fail("Expecting space or tab.");
}

bool QNPARSER::NextLine()
{
    atLineStart_ = 0;
    while (current_ != 0) {
        const char was = current_;
        Advance();
        if (was == '\n')
            break;
    }
    return current_ != 0;
}

bool QNPARSER::ReadSymbol(char symbol, bool required, bool skipSpaces)
{
    if (skipSpaces)
        SkipSpaces(false);
    if (current_ != 0 && current_ == symbol) {
        Advance();
        return true;
    }
    if (required)
        Fail("Expecting symbol.");
    return false;
}

namespace {
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
}  // namespace

// Collects one number of the grammar into `text` (at most kMaxNumber characters), after
// spaces when asked. False, with nothing consumed, when no number starts here and it is not
// required.
bool QNPARSER::Collect(char* text, bool required, bool skipSpaces, bool* fractionOrExponent)
{
    if (skipSpaces)
        SkipSpaces(false);
    std::uint32_t n = 0;
    auto take = [&]() {
        if (n >= kMaxNumber)
            Fail("Bad number format.");
        text[n++] = current_;
        Advance();
    };

    bool sign = false;
    bool point = false;
    std::uint32_t whole = 0;
    std::uint32_t fraction = 0;
    if (current_ == '+' || current_ == '-') {
        sign = true;
        take();
    }
    while (IsDigit(current_)) {
        take();
        ++whole;
    }
    if (current_ == '.') {
        point = true;
        take();
        while (IsDigit(current_)) {
            take();
            ++fraction;
        }
    }
    if (!sign && !point && whole == 0) {
        if (required)
            Fail("Expecting number.");
        return false;
    }
    if ((whole == 0 && fraction == 0) || (point && fraction == 0))
        Fail("Bad number format.");

    bool exponent = false;
    if (current_ == 'e' || current_ == 'E') {
        exponent = true;
        take();
        if (current_ != '+' && current_ != '-')
            Fail("Exponent missing '+' or '-'.");
        take();
        if (!IsDigit(current_))
            Fail("Exponent missing digits.");
        while (IsDigit(current_))
            take();
    }
    text[n] = '\0';
    *fractionOrExponent = point || exponent;
    return true;
}

bool QNPARSER::ReadDecimal(std::int64_t* destination, bool required, bool skipSpaces)
{
    char text[kMaxNumber + 1];
    bool fractionOrExponent = false;
    if (!Collect(text, required, skipSpaces, &fractionOrExponent))
        return false;
    if (fractionOrExponent)
        Fail("Expecting a whole number.");
    // strtoll saturates beyond 64 bits, which every caller's range check then refuses.
    *destination = std::strtoll(text, nullptr, 10);
    return true;
}

bool QNPARSER::ReadNumber(void* destination, std::uint32_t type, bool required, bool skipSpaces)
{
    char text[kMaxNumber + 1];
    bool fractionOrExponent = false;
    if (!Collect(text, required, skipSpaces, &fractionOrExponent))
        return false;

    // A whole-number type never silently drops a fraction or an exponent.
    if (type <= U32 && fractionOrExponent)
        Fail("Expecting a whole number.");
    switch (type) {
    case S8: *static_cast<std::int8_t*>(destination) = static_cast<std::int8_t>(std::strtol(text, nullptr, 0)); break;
    case U8: *static_cast<std::uint8_t*>(destination) = static_cast<std::uint8_t>(std::strtoul(text, nullptr, 0)); break;
    case S16: *static_cast<std::int16_t*>(destination) = static_cast<std::int16_t>(std::strtol(text, nullptr, 0)); break;
    case U16: *static_cast<std::uint16_t*>(destination) = static_cast<std::uint16_t>(std::strtoul(text, nullptr, 0)); break;
    case S32: *static_cast<std::int32_t*>(destination) = static_cast<std::int32_t>(std::strtol(text, nullptr, 0)); break;
    case U32: *static_cast<std::uint32_t*>(destination) = static_cast<std::uint32_t>(std::strtoul(text, nullptr, 0)); break;
    case F32: {
        const float v = std::strtof(text, nullptr);
        if (!std::isfinite(v))
            Fail("Number out of range.");
        *static_cast<float*>(destination) = v;
        break;
    }
    case F64: {
        const double v = std::strtod(text, nullptr);
        if (!std::isfinite(v))
            Fail("Number out of range.");
        *static_cast<double*>(destination) = v;
        break;
    }
    default: break;
    }
    return true;
}
