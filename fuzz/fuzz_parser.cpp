// The text parser: the first byte picks the number type, then the input is read as numbers,
// symbols and lines until it ends or fails.

#include "engine/mesh/qnparser.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint32_t type = data[0] % 9;  // 8 is a type that stores nothing
    const std::string& path = fuzz::WriteScratch(data + 1, size - 1, ".txt");
    QNPARSER parser;
    try {
        parser.Open(path.c_str());
        double sink[2] = {0, 0};
        for (int steps = 0; parser.Current() != 0 && steps < 100000; ++steps) {
            if (!parser.ReadNumber(sink, type, false, true) && !parser.ReadSymbol(parser.Current(), false, true))
                parser.NextLine();
        }
    } catch (const QNEXCEPTION&) {
    }
    return 0;
}
