// The text parser: the first byte picks the number type, then the input is read as numbers,
// symbols and lines until it ends or fails. Every number read as a double is written back in
// the grammar and must read again to the same bits.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/mesh/qnparser.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    const std::uint32_t type = data[0] % 9;  // 8 is a type that stores nothing
    const std::string& path = fuzz::WriteScratch(data + 1, size - 1, ".txt");
    std::vector<double> numbers;
    QNPARSER parser;
    try {
        parser.Open(path.c_str());
        double sink[2] = {0, 0};
        for (int steps = 0; parser.Current() != 0 && steps < 100000; ++steps) {
            if (parser.ReadNumber(sink, type, false, true)) {
                if (type == QNPARSER::F64)
                    numbers.push_back(sink[0]);
            } else if (!parser.ReadSymbol(parser.Current(), false, true)) {
                parser.NextLine();
            }
        }
    } catch (const QNEXCEPTION&) {
    }
    parser.Close();
    if (numbers.empty())
        return 0;

    // Seventeen significant digits give every double back; the exponent keeps its sign.
    std::string text;
    char item[64];
    for (double v : numbers) {
        std::snprintf(item, sizeof item, "%.16e\n", v);
        text += item;
    }
    const std::string& again =
        fuzz::WriteScratch(reinterpret_cast<const std::uint8_t*>(text.data()), text.size(), ".again.txt");
    try {
        parser.Open(again.c_str());
        for (double v : numbers) {
            double w = 0;
            fuzz::Require(parser.ReadNumber(&w, QNPARSER::F64, true, true), "a written number reads again");
            fuzz::Require(std::memcmp(&v, &w, sizeof v) == 0, "a written number reads back to the same bits");
            parser.NextLine();
        }
    } catch (const QNEXCEPTION& e) {
        fuzz::Require(false, e.what());
    }
    return 0;
}
