// The gzip reader: inflates the input as one record and checks its end.

#include <cstdio>

#include "engine/util/qngzfile.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".gz");
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return 0;
    QNGZFILE gz;
    if (gz.Open(file, size)) {
        unsigned char buffer[4096];
        long total = 0;
        for (long n; (n = gz.Read(buffer, sizeof buffer)) > 0 && total < (64L << 20);)
            total += n;
        gz.Finish();
        gz.Close();
    }
    std::fclose(file);
    return 0;
}
