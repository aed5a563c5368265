#include "engine/resource/qnimagemedium.h"

#include <exception>
#include <fstream>
#include <iterator>
#include <vector>

#include "engine/resource/qndisk.h"
#include "engine/resource/qntempfile.h"

bool QNReadImageMedium(const char* medium, DdsImage* image)
{
    if (!medium || !image)
        return false;
    std::vector<std::uint8_t> bytes;
    try {
        QNTEMPFILE temp;
        const QNSTRING path = QNDISK::MakeTempFile(temp, QNSTRING(medium), true);
        if (temp.Missing())
            return false;
        std::ifstream in(path.Text(), std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    } catch (const std::exception&) {
        return false;  // an unreadable archive is reported by the first medium the program needs
    }
    std::string error;
    return DdsDecode(bytes.data(), bytes.size(), image, &error);
}
