#include "physics/collision/error.h"

#include <cstdio>
#include <cstdlib>

#include "physics/dynamics/me_message.h"

namespace {

constexpr std::int16_t F = kMcdErrorFatal;
constexpr std::int16_t W = kMcdErrorWarning;
constexpr std::int16_t N = kMcdErrorRepeatLimit;

void DefaultFatalExit()
{
    std::abort();
}

McdFatalExitFn gFatalExit = DefaultFatalExit;

}  // namespace

McdErrorEntry McdErrorTable[] = {
    {0, F, N, ""},
    {1, F, N, ""},
    {3, F, N, "Function called with null pointer as argument "},
    {4, F, N, "object not of correct derived type: expecting object of type "},
    {5, F, N, "Allocation failed for object of type: "},
    {6, F, N, "Assertion failed: "},
    {7, W, N,
     "Invalid use of McdModelSetTransform(),: This McdModel's transform is automatically updated from a MdtBody "
     "transform "},
    {8, F, N, "Invalid McdModelID."},
    {9, F, N, "Invalid McdSpaceID."},
    {10, F, N, "Invalid McdGeometryID."},
    {11, F, N, "Invalid McdSpacePairID."},
    {12, F, N, "Invalid McdModelPair pointer."},
    {13, F, N, "Invalid McdIntersectResult pointer."},
    {14, F, N, "McdModelPair contains null model pointer(s),."},
    {15, F, N, "Invalid McdDtBridgeID."},
    {16, F, N, "Invalid McdRwWorldID."},
    {17, F, N, "Invalid McdRwBSPID."},
    {18, F, N, "Expected non null transform pointer."},
    {19, F, N, "SpaceUpdate called on unbuilt space.  Invoke SpaceBuild(),"},
    {20, F, N, "Attempt to SetBody(), without Initializing dynamics bridge (BridgeInit(),),"},
    {21, F, N, "Failed to register new geometry type. Ensure sufficient number of geometries in McdInit()."},
    {22, F, N, "Invalid Intersect Result. Output contact array pointer must exist."},
    {23, F, N, "Invalid Intersect Request (%s),."},
    {24, F, N,
     "Out of memory for McdModelPairs in McdSpace. Resizing not implemented. Please use a larger number or pairs in "
     "McdAxisSortCreate."},
    {25, W, N, "Ran out of memory for PairData objects."},
    {26, W, N,
     "Ran out of contact in pool, a larger buffer can be set using the function "
     "McdIntersectSetContactBufferSize(size), "},
    {27, W, N, "No memory for adding more triangles - McdTriangleMeshAddTriangle(),"},
    {28, W, N, "Degenerate triangle, ignored - by McdTriangleMeshAddTriangle(),"},
    {29, F, N, "TriangleMesh is not built - the function McdTriangleMeshBuild(mesh), shoud be called."},
    {30, W, N,
     "No intersection function available for this pair combination. Pair will be ignored. This could also be due to "
     "an invalid Request for the given pair: "},
    {31, W, N, "Invalid Request "},
    {32, W, N,
     "Attempt to register an interaction involving an unregistered geometry type. Interaction ignored. Pair "
     "combination was "},
    {33, W, N,
     "Attempt to find an interaction involving an unregistered geometry type. Empty interaction will be used for "
     "debug version, but release version will produce undefined behaviour."},
    {34, W, N, "Unimplemented case in McdSafeTime in "},
    {35, W, N,
     "Attempt to register an interaction involving an invalid geometry type. Failure to register geometry type "
     "before registering interactions?"},
    {36, W, N,
     "Attempt to use a state-modification function while McdSpaceIsChanging() is false. Call "
     "McdSpaceBeginChanges() first. Function name: "},
    {37, W, N,
     "Attempt to use a state-query function while McdSpaceIsChanging() is true. Call McdSpaceEndChanges() first. "
     "Function name: "},
    {38, F, N, "No error"},
};

McdErrorEntry* McdErrorFind(McdErrorEntry* table, int code)
{
    McdErrorEntry* entry = table;
    while (entry->code != code && entry->code != kMcdErrorEndCode)
        ++entry;
    return entry;
}

void McdErrorTableReset(McdErrorEntry* table)
{
    for (McdErrorEntry* entry = table;; ++entry) {
        entry->remaining = kMcdErrorRepeatLimit;
        if (entry->code == kMcdErrorEndCode)
            break;
    }
}

McdFatalExitFn McdErrorSetFatalExit(McdFatalExitFn exitFn)
{
    McdFatalExitFn previous = gFatalExit;
    gFatalExit = exitFn ? exitFn : DefaultFatalExit;
    return previous;
}

void McdError(McdErrorEntry* table, int code, const char* suffix, const char* function, const char* file, int line)
{
    McdErrorEntry* entry = McdErrorFind(table, code);
    // A code without an entry of its own lands on the end entry; it must not borrow that
    // entry's "No error" text.
    const bool known = entry->code == code && code >= 1 && code < kMcdErrorEndCode;
    const char* message = known ? entry->message : "Undefined Internal Error";
    if (entry->remaining <= 0)
        return;

    char text[512];
    int n = std::snprintf(text, sizeof text, "Mcd function %s (in file %s at line %d): %s%s\n",
                          function ? function : "", file ? file : "", line, message, suffix ? suffix : "");
    if (entry->remaining == 1 && n >= 0 && static_cast<std::size_t>(n) < sizeof text)
        std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n),
                      "[This message will not be repeated again!]\n");
    --entry->remaining;

    switch (entry->action) {
    case kMcdErrorFatal:
        MeFatalError(0, "%s", text);
        gFatalExit();
        break;
    case kMcdErrorWarning:
        MeWarning(0, "%s", text);
        break;
    case kMcdErrorInfo:
        MeInfo(0, "%s", text);
        break;
    default:
        break;
    }
}
