#include "engine/util/qngzfile.h"

#include <zlib.h>

#include <new>

struct QNGZFILE::State {
    z_stream stream{};
    unsigned char input[16384];
};

QNGZFILE::QNGZFILE() : state_(new State) {}

QNGZFILE::~QNGZFILE()
{
    Close();
    delete state_;
}

bool QNGZFILE::Open(std::FILE* file, std::uint64_t limit)
{
    Close();
    error_ = "";
    if (!file)
        return false;
    state_->stream = z_stream{};
    // 15 + 16: deflate window of 32 KiB inside a gzip wrapper, whose header, CRC-32 and
    // length zlib checks itself.
    if (inflateInit2(&state_->stream, 15 + 16) != Z_OK) {
        error_ = "cannot start inflate";
        return false;
    }
    file_ = file;
    remaining_ = limit;
    open_ = true;
    ended_ = false;
    failed_ = false;
    return true;
}

bool QNGZFILE::Fill()
{
    z_stream& z = state_->stream;
    if (z.avail_in != 0)
        return true;
    std::size_t want = sizeof state_->input;
    if (remaining_ < want)
        want = static_cast<std::size_t>(remaining_);
    if (want == 0)
        return false;
    const std::size_t got = std::fread(state_->input, 1, want, file_);
    if (got == 0)
        return false;
    remaining_ -= got;
    z.next_in = state_->input;
    z.avail_in = static_cast<uInt>(got);
    return true;
}

long QNGZFILE::Read(void* buffer, std::size_t n)
{
    if (!open_ || failed_)
        return -1;
    if (ended_ || n == 0)
        return 0;
    if (n > 0x40000000u)
        n = 0x40000000u;
    z_stream& z = state_->stream;
    z.next_out = static_cast<Bytef*>(buffer);
    z.avail_out = static_cast<uInt>(n);
    while (z.avail_out != 0) {
        if (!Fill()) {
            failed_ = true;
            error_ = "gzip data ends early";
            return -1;
        }
        const int rc = inflate(&z, Z_NO_FLUSH);
        if (rc == Z_STREAM_END) {
            ended_ = true;
            break;
        }
        if (rc != Z_OK && rc != Z_BUF_ERROR) {
            failed_ = true;
            error_ = z.msg ? z.msg : "damaged gzip data";
            return -1;
        }
    }
    return static_cast<long>(n - z.avail_out);
}

bool QNGZFILE::Finish()
{
    if (!open_ || failed_)
        return false;
    unsigned char extra[64];
    const long n = Read(extra, sizeof extra);
    if (n < 0)
        return false;
    if (n > 0) {
        error_ = "gzip data longer than expected";
        return false;
    }
    // One member fills the record: junk or a second member after it is damage.
    if (ended_ && (state_->stream.avail_in != 0 || remaining_ != 0)) {
        error_ = "data after the gzip member";
        return false;
    }
    return ended_;
}

void QNGZFILE::Close()
{
    if (open_)
        inflateEnd(&state_->stream);
    open_ = false;
    file_ = nullptr;
}
