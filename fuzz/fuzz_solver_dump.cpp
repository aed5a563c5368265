// Solver input dumps: reads the input into a small world's rows and frees what it made.

#include "fuzz/fuzz_support.h"
#include "physics/dynamics/kea_dump.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/world.h"

namespace {
void Silent(int, const char*, va_list) {}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static MdtWorld* world = [] {
        MeSetWarningHandler(Silent);
        MeSetFatalErrorHandler(Silent);
        return MdtWorldCreate(8, 16);
    }();
    const std::string& path = fuzz::WriteScratch(data, size, ".kea");
    keaParams params;
    params.debug.readFile = path.c_str();
    keaBody* bodies[8] = {};
    int count = 0;
    if (keaReadInput(&world->rows, &params, bodies, 8, &count))
        keaFreeInputBodies(bodies, count);
    return 0;
}
