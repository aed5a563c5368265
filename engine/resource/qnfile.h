#pragma once
/// QNFILE: the engine's file access, one stdio stream per object. Every failure raises
/// QNFILE::EXC with the text "<message> File='<name>'. (<system error text>)" and the errno as
/// the shared result code. End of file is not a failure: reads return short counts.
///
/// Names may use '\' or '/' as separators; on disk both mean '/'.

#include "engine/util/qnexception.h"
#include "engine/util/qnstring.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

class QNFILE {
public:
    using EXC = QNFILE_EXC;

    /// Open flags; combinations in use: kRead (mode "rb"/"rt") and kWrite | kUpdate ("w+b").
    enum Flags : std::uint32_t { kRead = 1, kUpdate = 2, kCreate = 4, kWrite = 8 };

    /// Longest text ReadString accepts, terminator excluded.
    static constexpr std::uint32_t kMaxString = 259;

    QNFILE() { name_.SetNoCase(true); }
    virtual ~QNFILE();
    QNFILE(const QNFILE&) = delete;
    QNFILE& operator=(const QNFILE&) = delete;

    /// Closes any open stream, keeps `name`, and opens it. Mode: "w" with kWrite, else "r";
    /// "+" with kUpdate; binary with textMode 0, text with 1. With kCreate and a read mode, a
    /// file that does not exist is created by retrying with "w". A null name opens a fresh
    /// temporary file. Raises "Could not create file." (kCreate) or "Could not open file.".
    void Open(const char* name, std::uint32_t flags, int textMode = 0);

    /// One block read; returns the count (short at end of file).
    std::size_t Read(void* buffer, std::size_t n);
    void Write(const void* buffer, std::size_t n);
    /// origin: 0 start, 1 current, 2 end.
    void Seek(std::int64_t offset, int origin);
    std::int64_t Tell();
    /// Next byte, 0 at end of file.
    int ReadChar();
    /// Reads a u32 length and that many bytes into `text` (kMaxString + 1 bytes) and terminates
    /// it. False when the length is 0 or nothing is left to read; raises when the length exceeds
    /// kMaxString or the text ends early.
    bool ReadString(char* text);

    /// Closes the stream (if open) and frees the name.
    void Close();

    /// Raises QNFILE::EXC for this file with `message` and the last error's text.
    [[noreturn]] void Throw(const char* message) const;

    bool IsOpen() const { return stream_ != nullptr; }
    const QNSTRING& Name() const { return name_; }
    std::FILE* Stream() const { return stream_; }
    /// Size of the open file in bytes (the position is kept).
    std::int64_t Size();

protected:
    QNSTRING name_;
    std::FILE* stream_ = nullptr;
};
