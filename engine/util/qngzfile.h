#pragma once
/// QNGZFILE: reads one gzip member (RFC 1952) from an already open stdio stream, starting at the
/// stream's current position, and inflates it on demand. The stream stays open when the reader
/// closes; the reader may have read past the member, so its owner restores the stream position.
///
/// Damage is reported, never skipped: a bad header, corrupt deflate data, a CRC-32 or length
/// mismatch in the member's trailer, or input that ends before the member does make Read or
/// Finish fail.

#include <cstddef>
#include <cstdint>
#include <cstdio>

class QNGZFILE {
public:
    QNGZFILE();
    ~QNGZFILE();
    QNGZFILE(const QNGZFILE&) = delete;
    QNGZFILE& operator=(const QNGZFILE&) = delete;

    /// Closes any open stream, then starts decoding `file` at its current position. At most
    /// `limit` bytes of the file are consumed (the stored size of an archive record). False when
    /// the decoder cannot start; the reader is then absent.
    bool Open(std::FILE* file, std::uint64_t limit = UINT64_MAX);

    /// Inflates up to n bytes into buffer. Returns the count (short only at the member's end),
    /// or -1 on damaged or truncated input, or when no stream is open.
    long Read(void* buffer, std::size_t n);

    /// Runs the member to its end and checks its trailer (CRC-32 and length). True when the
    /// member ended cleanly with no bytes left unread by the caller.
    bool Finish();

    /// Closes the stream if open; the file stays open.
    void Close();

    bool IsOpen() const { return open_; }
    /// Text of the last failure ("" when none).
    const char* Error() const { return error_; }

private:
    bool Fill();

    struct State;
    State* state_;
    std::FILE* file_ = nullptr;
    std::uint64_t remaining_ = 0;
    bool open_ = false;
    bool ended_ = false;
    bool failed_ = false;
    const char* error_ = "";
};
