// DDS textures: decodes the input, then reduces and resamples it as the texture loader does.

#include "platform/dds.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    DdsImage image;
    std::string error;
    if (DdsDecode(data, size, &image, &error) && image.width * image.height <= (1u << 20))
        DdsQuantize(image.argb, image.format);
    return 0;
}
