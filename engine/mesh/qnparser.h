#pragma once
/// QNPARSER: a line-oriented reader of text files, one character at a time with one character
/// of lookahead and a line counter for its error messages.
///
/// Every failure raises QNPARSER::EXC "'<file>' Line #<n> <message>". A CR LF pair reads as one
/// line feed, so files written on either platform parse alike.

#include <cstdint>

#include "engine/resource/qnfile.h"

class QNPARSER : public QNFILE {
public:
    using EXC = QNPARSER_EXC;

    /// Conversion types of ReadNumber.
    enum : std::uint32_t { S8 = 0, U8, S16, U16, S32, U32, F32, F64 };

    /// Longest number text the grammar takes.
    static constexpr std::uint32_t kMaxNumber = 79;

    /// Opens `path` for reading in text mode, line 1, at a line start, and reads the first
    /// character. Messages name the file `shownName` when given (a medium read from a temporary
    /// copy), else `path`.
    void Open(const char* path, const char* shownName = nullptr);

    /// Raises QNPARSER::EXC "'%s' Line #%d %s" with the file name, the line and `message`.
    [[noreturn]] void Fail(const char* message) const;

    /// Skips spaces and tabs. With `required`, fails "Expecting space or tab." when none was there.
    void SkipSpaces(bool required);
    /// Reads on to just past the next line feed (or the end). True when a character is left.
    bool NextLine();
    /// Consumes `symbol` when it is the current character (optionally after spaces). Otherwise
    /// false, or "Expecting symbol." with `required`.
    bool ReadSymbol(char symbol, bool required, bool skipSpaces);
    /// Reads a number: [sign] digits [. digits] [e sign digits], at least one digit on either
    /// side of an optional point, and stores it converted by `type` (integers with base-0
    /// strtol/strtoul, so a leading 0 is octal). Nothing that starts a number: false with nothing
    /// consumed, or "Expecting number." with `required`.
    bool ReadNumber(void* destination, std::uint32_t type, bool required, bool skipSpaces);
    /// Reads a whole number of the same grammar in base 10 (a leading 0 is a plain digit);
    /// values beyond 64 bits read as the nearest 64-bit one. Fails "Expecting a whole number."
    /// for a fraction or an exponent. Nothing that starts a number: as ReadNumber.
    bool ReadDecimal(std::int64_t* destination, bool required, bool skipSpaces);

    /// The current character (0 at the end of the file).
    char Current() const { return current_; }
    std::uint32_t Line() const { return line_; }
    bool AtLineStart() const { return atLineStart_ != 0; }

private:
    bool Collect(char* text, bool required, bool skipSpaces, bool* fractionOrExponent);
    char ReadRaw();
    void Advance();

    char current_ = 0;
    std::uint32_t line_ = 1;
    std::uint8_t atLineStart_ = 1;
};
