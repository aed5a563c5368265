// The gzip reader: inflates the input as one record and checks its end, then asks zlib alone
// about the same bytes. Both must agree on whether the input is exactly one sound member, and
// on every byte it inflates to.

#include <zlib.h>

#include <cstdio>
#include <vector>

#include "engine/util/qngzfile.h"
#include "fuzz/fuzz_support.h"

namespace {

constexpr long kLargest = 16L << 20;  // members inflating to more are read, not compared

// The input's inflated bytes by zlib; false unless it is one member that ends the input.
bool Inflate(const std::uint8_t* data, std::size_t size, std::vector<std::uint8_t>& out, bool* tooLarge)
{
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK)
        return false;
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = static_cast<uInt>(size);
    std::uint8_t chunk[16384];
    int rc = Z_OK;
    while (rc == Z_OK) {
        z.next_out = chunk;
        z.avail_out = sizeof chunk;
        rc = inflate(&z, Z_NO_FLUSH);
        out.insert(out.end(), chunk, chunk + (sizeof chunk - z.avail_out));
        if (long(out.size()) > kLargest) {
            *tooLarge = true;
            break;
        }
        if (rc == Z_BUF_ERROR && z.avail_in == 0)
            break;  // the input ends inside the member
    }
    const bool whole = rc == Z_STREAM_END && z.avail_in == 0;
    inflateEnd(&z);
    return whole;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".gz");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    QNGZFILE gz;
    std::vector<std::uint8_t> read;
    bool clean = false;
    if (gz.Open(file, size)) {
        std::uint8_t buffer[4096];
        long n;
        while ((n = gz.Read(buffer, sizeof buffer)) > 0 && long(read.size()) <= kLargest)
            read.insert(read.end(), buffer, buffer + n);
        const bool finished = gz.Finish();
        clean = n == 0 && finished;
        fuzz::Require(clean || gz.Error()[0] != '\0' || long(read.size()) > kLargest, "a failure gives its reason");
        gz.Close();
    }
    std::fclose(file);

    std::vector<std::uint8_t> inflated;
    bool tooLarge = false;
    const bool whole = Inflate(data, size, inflated, &tooLarge);
    if (tooLarge || long(read.size()) > kLargest)
        return 0;
    fuzz::Require(clean == whole, "the reader and zlib agree on a whole member");
    if (clean)
        fuzz::Require(read == inflated, "the reader inflates what zlib does");
    return 0;
}
