#pragma once
/// QNSTRING: the engine's text string for names, keys and paths.
///
/// A string either owns its text (a malloc'd, NUL-terminated copy) or borrows it (a literal
/// or any text that outlives the string and is never freed). An empty string holds no text at
/// all and counts as borrowed. The no-case flag makes comparisons ignore ASCII case.
///
/// Copies of an owned text are deep; copies of a borrowed text share it. Moves hand the text on
/// without copying. Self-assignment is safe.

#include <cstddef>
#include <string>

class QNSTRING {
public:
    /// Empty string (no text, borrowed).
    QNSTRING() = default;

    /// From `text`. Neither `borrow` nor `adopt`: a non-empty text is copied. `borrow`: the
    /// pointer is kept and never freed. `adopt`: the pointer (allocated with malloc) is kept and
    /// freed by this string. A null or empty text gives the empty string.
    QNSTRING(const char* text, bool borrow = false, bool adopt = false);

    /// Copy of `text` (owned).
    explicit QNSTRING(const std::string& text);

    QNSTRING(const QNSTRING& other);
    QNSTRING(QNSTRING&& other) noexcept;
    ~QNSTRING();

    /// Releases the own text, takes other's no-case flag, then shares a borrowed text or copies
    /// an owned one.
    QNSTRING& operator=(const QNSTRING& other);
    QNSTRING& operator=(QNSTRING&& other) noexcept;

    /// Formats with printf rules into a new owned string (an empty result is still owned, not
    /// null). The result is never truncated.
    static QNSTRING Format(bool noCase, const char* format, ...)
        __attribute__((format(printf, 2, 3)));

    /// Concatenation; no-case when either side has it. Both empty gives an empty string.
    QNSTRING operator+(const QNSTRING& other) const;
    QNSTRING Plus(const QNSTRING& other) const { return *this + other; }

    /// False when either text is empty (an empty string equals nothing, not even another empty
    /// string). Case-insensitive when either side has the no-case flag.
    bool Equals(const QNSTRING& other) const;

    /// False when this text is empty; true when `other` is empty; else whether other's text
    /// occurs in this one, byte for byte.
    bool Contains(const QNSTRING& other) const;

    /// Shell pattern match with this string as the pattern and `name` as the file name tested:
    /// '*' matches any run of characters (also none), '?' any one character; case-insensitive.
    /// An empty pattern or an empty name never matches.
    bool Matches(const QNSTRING& name) const;

    /// The text, or "" for the empty string (never null).
    const char* Text() const { return text_ ? text_ : ""; }
    /// The text pointer as stored: null for the empty string.
    const char* Data() const { return text_; }
    bool IsEmpty() const { return text_ == nullptr || text_[0] == '\0'; }
    std::size_t Length() const;

    bool IsBorrowed() const { return borrowed_; }
    bool NoCase() const { return noCase_; }
    void SetNoCase(bool noCase) { noCase_ = noCase; }

    /// Frees the own text and leaves the string empty.
    void Clear();

private:
    void Take(const char* text, bool borrow, bool adopt);

    bool borrowed_ = true;
    bool noCase_ = false;
    char* text_ = nullptr;
};

/// Shell pattern match of `name` against `pattern` ('*', '?', case-insensitive). Empty inputs
/// never match.
bool QnMatchPattern(const char* pattern, const char* name);
