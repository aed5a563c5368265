#include "engine/util/qnstring.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <strings.h>

namespace {

char* CopyText(const char* text, std::size_t n)
{
    char* copy = static_cast<char*>(std::malloc(n + 1));
    if (!copy)
        std::abort();
    std::memcpy(copy, text, n);
    copy[n] = '\0';
    return copy;
}

char Lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

QNSTRING::QNSTRING(const char* text, bool borrow, bool adopt)
{
    Take(text, borrow, adopt);
}

QNSTRING::QNSTRING(const std::string& text)
{
    if (!text.empty()) {
        text_ = CopyText(text.data(), text.size());
        borrowed_ = false;
    }
}

QNSTRING::QNSTRING(const QNSTRING& other) : noCase_(other.noCase_)
{
    Take(other.text_, other.borrowed_, false);
}

QNSTRING::QNSTRING(QNSTRING&& other) noexcept
    : borrowed_(other.borrowed_), noCase_(other.noCase_), text_(other.text_)
{
    other.text_ = nullptr;
    other.borrowed_ = true;
}

QNSTRING::~QNSTRING()
{
    Clear();
}

void QNSTRING::Take(const char* text, bool borrow, bool adopt)
{
    borrowed_ = borrow;
    if (borrow || adopt) {
        text_ = const_cast<char*>(text);
    } else {
        text_ = (text && text[0]) ? CopyText(text, std::strlen(text)) : nullptr;
    }
    if (!text_ || !text_[0]) {
        // An adopted empty allocation is still ours to free.
        if (text_ && adopt && !borrow)
            std::free(text_);
        text_ = nullptr;
        borrowed_ = true;
    }
}

void QNSTRING::Clear()
{
    if (text_ && !borrowed_)
        std::free(text_);
    text_ = nullptr;
    borrowed_ = true;
}

QNSTRING& QNSTRING::operator=(const QNSTRING& other)
{
    if (this == &other)
        return *this;
    Clear();
    noCase_ = other.noCase_;
    Take(other.text_, other.borrowed_, false);
    return *this;
}

QNSTRING& QNSTRING::operator=(QNSTRING&& other) noexcept
{
    if (this == &other)
        return *this;
    Clear();
    noCase_ = other.noCase_;
    borrowed_ = other.borrowed_;
    text_ = other.text_;
    other.text_ = nullptr;
    other.borrowed_ = true;
    return *this;
}

QNSTRING QNSTRING::Format(bool noCase, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    int n = std::vsnprintf(nullptr, 0, format, args);
    va_end(args);
    if (n < 0)
        n = 0;
    char* buffer = static_cast<char*>(std::malloc(static_cast<std::size_t>(n) + 1));
    if (!buffer)
        std::abort();
    std::vsnprintf(buffer, static_cast<std::size_t>(n) + 1, format, again);
    va_end(again);

    QNSTRING result;
    result.noCase_ = noCase;
    result.borrowed_ = false;
    result.text_ = buffer;
    return result;
}

QNSTRING QNSTRING::operator+(const QNSTRING& other) const
{
    QNSTRING result;
    result.noCase_ = noCase_ || other.noCase_;
    const bool mine = !IsEmpty(), theirs = !other.IsEmpty();
    if (mine && theirs) {
        const std::size_t a = std::strlen(text_), b = std::strlen(other.text_);
        char* joined = static_cast<char*>(std::malloc(a + b + 1));
        if (!joined)
            std::abort();
        std::memcpy(joined, text_, a);
        std::memcpy(joined + a, other.text_, b + 1);
        result.text_ = joined;
        result.borrowed_ = false;
    } else if (mine || theirs) {
        result.Take(mine ? text_ : other.text_, false, false);
    }
    return result;
}

bool QNSTRING::Equals(const QNSTRING& other) const
{
    if (IsEmpty() || other.IsEmpty())
        return false;
    if (noCase_ || other.noCase_)
        return strcasecmp(text_, other.text_) == 0;
    return std::strcmp(text_, other.text_) == 0;
}

bool QNSTRING::Contains(const QNSTRING& other) const
{
    if (IsEmpty())
        return false;
    if (other.IsEmpty())
        return true;
    return std::strstr(text_, other.text_) != nullptr;
}

bool QNSTRING::Matches(const QNSTRING& name) const
{
    return QnMatchPattern(text_, name.text_);
}

std::size_t QNSTRING::Length() const
{
    return text_ ? std::strlen(text_) : 0;
}

bool QnMatchPattern(const char* pattern, const char* name)
{
    if (!pattern || !name || !pattern[0] || !name[0])
        return false;
    // Iterative glob with one backtrack point: on a mismatch after a '*', the star absorbs one
    // more character of the name. Linear in practice, never exponential.
    const char* p = pattern;
    const char* n = name;
    const char* starP = nullptr;
    const char* starN = nullptr;
    while (*n) {
        if (*p == '*') {
            starP = ++p;
            starN = n;
        } else if (*p && (*p == '?' || Lower(*p) == Lower(*n))) {
            ++p;
            ++n;
        } else if (starP) {
            p = starP;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (*p == '*')
        ++p;
    return *p == '\0';
}
