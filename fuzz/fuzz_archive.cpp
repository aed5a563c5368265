// The storage archive: walks every record of the input and exports each to the scratch folder.

#include "engine/resource/qnstorage.h"
#include "fuzz/fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string& path = fuzz::WriteScratch(data, size, ".qns");
    QNSTORAGE storage;
    try {
        storage.Open(path.c_str());
        int walked = 0;
        for (bool more = storage.FirstEntry(); more && walked < 256; more = storage.NextEntry(), ++walked) {
            if (storage.UnpackedSize() <= (16u << 20))
                storage.Export(true, QNSTRING(fuzz::ScratchFolder().c_str()), true, QNSTRING("export.bin"), false);
        }
    } catch (const QNEXCEPTION&) {
    }
    return 0;
}
