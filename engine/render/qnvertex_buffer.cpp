// Pools of shared vertex and index buffers.
//
// Allocation. A request walks the pools of its layout (format and dynamic
// flag; index pools match on the flag only). In each pool the best fit among
// the free ranges is the one with the smallest excess below 65536; an exact
// fit ends the walk. A pool with no fitting free range but enough tail space
// is the fallback when nothing better was found. A free range that is too
// large is split and its rest stays free; a tail request takes a new range at
// the pool's used count. No pool at all makes a new one.
//
// Invariants: a pool's ranges are its children in buffer order, they tile
// [0, used) without gaps, no two free ranges are neighbours after a free, and
// the pool's used count never falls (the tail is handed out once).

#include "engine/render/qnvertex_buffer.h"

#include <algorithm>
#include <cstring>

#include "engine/render/qndisplay.h"

namespace {

constexpr std::uint32_t kDynamicVertexCapacity = 10000;
constexpr std::uint32_t kStaticVertexCapacity = 65536;
constexpr std::uint32_t kIndexCapacity = 65536;
constexpr std::uint32_t kMaxPoolElements = 65536;
constexpr std::uint32_t kFitBound = 65536;

std::uint32_t BufferUsage(bool dynamic) {
    std::uint32_t usage = D3DUSAGE_WRITEONLY;
    if (dynamic) usage |= D3DUSAGE_DYNAMIC;
    if (!QNGRFDEV::CurrentMode->Granted.HardwareVertexProcessing) usage |= D3DUSAGE_SOFTWAREPROCESSING;
    return usage;
}

std::uint32_t LockFlags(bool dynamic, std::uint32_t first, std::uint32_t count, std::uint32_t used) {
    if (!dynamic) return 0;
    return (first == 0 && count >= used) ? D3DLOCK_DISCARD : D3DLOCK_NOOVERWRITE;
}

QNVBUF* NextRange(QNVBUF* r) { return static_cast<QNVBUF*>(r->Next()); }
QNVBUF* PrevRange(QNVBUF* r) { return static_cast<QNVBUF*>(r->Prev()); }

// Merges the run of free ranges that r belongs to into its earliest member.
void MergeFreeRun(QNVBUF* r) {
    while (PrevRange(r) && PrevRange(r)->IsFree) r = PrevRange(r);
    while (QNVBUF* next = NextRange(r)) {
        if (!next->IsFree) break;
        r->First = std::min(r->First, next->First);
        r->Count += next->Count;
        QNITEM::Destroy(next);
    }
}

void HandOut(QNVBUF* r, std::uint32_t base) {
    r->Copy.reset(new std::uint8_t[std::size_t(r->Count) * r->ElementSize]());
    r->IsFree = 0;
    r->Used = 0;
    r->BaseVertex = base;
}

// Shrinks a free range to count elements and leaves the rest free behind it.
void Split(QNVBUF* r, std::uint32_t count) {
    auto* rest = new QNVBUF;
    rest->First = r->First + count;
    rest->Count = r->Count - count;
    rest->ElementSize = r->ElementSize;
    rest->IsFree = 1;
    r->Count = count;
    r->IsFree = 0;  // r is being handed out, so the rest merges only with what follows
    r->InsertAfter(rest);
    MergeFreeRun(rest);
}

QNVBUF* NewTailRange(QNITEM& pool, std::uint32_t first, std::uint32_t count, std::uint32_t size) {
    auto* r = new QNVBUF;
    r->First = first;
    r->Count = count;
    r->ElementSize = size;
    pool.AddChild(r);
    return r;
}

void CheckRequest(std::uint32_t count) {
    if (count == 0 || count > kMaxPoolElements)
        throw QNDISPLAY::EXC(D3DERR_INVALIDCALL, "Buffer request of %u elements does not fit a pool.", count);
}

}  // namespace

std::uint32_t ElementsForPrimitives(std::uint32_t type, std::uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return 2 * n;
    case D3DPT_LINESTRIP: return n + 1;
    case D3DPT_TRIANGLELIST: return 3 * n;
    case D3DPT_TRIANGLESTRIP: case D3DPT_TRIANGLEFAN: return n == 0 ? 0 : n + 2;
    default: return 0;
    }
}

std::uint32_t PrimitivesForElements(std::uint32_t type, std::uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return n / 2;
    case D3DPT_LINESTRIP: return n > 1 ? n - 1 : 0;
    case D3DPT_TRIANGLELIST: return n / 3;
    case D3DPT_TRIANGLESTRIP: case D3DPT_TRIANGLEFAN: return n >= 3 ? n - 2 : 0;
    default: return 0;
    }
}

std::uint32_t PrimitiveVertex(std::uint32_t type, std::uint32_t i, std::uint32_t k, const std::uint16_t* idx) {
    switch (type) {
    case D3DPT_POINTLIST: return i;
    case D3DPT_LINELIST: return idx[2 * i + k];
    case D3DPT_LINESTRIP: return idx[i + k];
    case D3DPT_TRIANGLELIST: return idx[3 * i + k];
    case D3DPT_TRIANGLESTRIP: return (i % 2 == 0) ? idx[i + k] : idx[i - k + 2];
    case D3DPT_TRIANGLEFAN: return k == 0 ? idx[0] : idx[i + k];
    default: return 0;
    }
}

std::uint32_t VertexKindSize(std::uint32_t kind) {
    static const std::uint32_t sizes[5] = {20, 24, 16, 24, 40};
    return kind < 5 ? sizes[kind] : 0;
}

std::uint32_t VertexKindFlags(std::uint32_t kind) {
    static const std::uint32_t flags[5] = {
        D3DFVF_XYZRHW | D3DFVF_DIFFUSE, D3DFVF_XYZRHW | D3DFVF_PSIZE | D3DFVF_DIFFUSE, D3DFVF_XYZ | D3DFVF_DIFFUSE,
        D3DFVF_XYZ | D3DFVF_NORMAL, D3DFVF_XYZB4 | D3DFVF_LASTBETA_UBYTE4 | D3DFVF_NORMAL};
    return kind < 5 ? flags[kind] : 0;
}

std::uint32_t VertexFormat(std::uint32_t kind, std::uint32_t sets, std::uint32_t coords) {
    std::uint32_t fvf = VertexKindFlags(kind) + sets * 256;
    if (coords == 1)
        for (std::uint32_t s = 0; s < sets; ++s) fvf |= D3DFVF_TEXCOORDSIZE1(int(s));
    return fvf;
}

// ---- device buffers ----

void QNVERTEXBUFFER::Create(std::uint32_t capacity, std::uint32_t kind, std::uint32_t sets, std::uint32_t coords,
                            bool dynamic) {
    Release();
    Used = 0;
    Capacity = capacity;
    Kind = kind;
    Sets = sets;
    Coords = coords;
    Dynamic = dynamic ? 1 : 0;
    Stride = VertexKindSize(kind) + sets * coords * 4;
    Size = capacity * Stride;
    Usage = BufferUsage(dynamic);
    Fvf = VertexFormat(kind, sets, coords);
    Pool = dynamic ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    Recreate();
}

void QNVERTEXBUFFER::Recreate() {
    Release();
    // A failed create leaves no buffer: locks then fail and nothing is drawn from it.
    if (QNDISPLAY::Device) QNDISPLAY::Device->CreateVertexBuffer(Size, Usage, Fvf, Pool, &Buffer);
}

std::uint8_t* QNVERTEXBUFFER::Lock(std::uint32_t first, std::uint32_t count) {
    if (!Buffer || first > Capacity || count > Capacity - first) return nullptr;
    std::uint8_t* data = nullptr;
    if (Buffer->Lock(first * Stride, count * Stride, &data, LockFlags(Dynamic, first, count, Used)) != D3D_OK)
        return nullptr;
    return data;
}

void QNVERTEXBUFFER::Unlock() {
    if (Buffer) Buffer->Unlock();
}

bool QNVERTEXBUFFER::Write(const void* source, std::uint32_t first, std::uint32_t count) {
    if (first > Capacity) return false;
    if (count == 0) count = Capacity - first;
    if (count == 0 || !source) return false;
    std::uint8_t* data = Lock(first, count);
    if (!data) return false;
    std::memcpy(data, source, std::size_t(count) * Stride);
    Unlock();
    Used = std::max(Used, first + count);
    return true;
}

void QNVERTEXBUFFER::Release() {
    if (Buffer) Buffer->Release();
    Buffer = nullptr;
}

void QNVERTEXBUFFER::SetStream(std::uint32_t stream) const {
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetStreamSource(stream, Buffer, Stride);
}

void QNVERTEXBUFFER::SetShader() const {
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetVertexShader(Fvf);
}

void QNINDEXBUFFER::Create(std::uint32_t capacity, bool dynamic) {
    Release();
    Used = 0;
    Capacity = capacity;
    Dynamic = dynamic ? 1 : 0;
    Size = capacity * 2;
    Usage = BufferUsage(dynamic);
    Pool = dynamic ? D3DPOOL_DEFAULT : D3DPOOL_MANAGED;
    Recreate();
}

void QNINDEXBUFFER::Recreate() {
    Release();
    if (QNDISPLAY::Device) QNDISPLAY::Device->CreateIndexBuffer(Size, Usage, D3DFMT_INDEX16, Pool, &Buffer);
}

std::uint8_t* QNINDEXBUFFER::Lock(std::uint32_t first, std::uint32_t count) {
    if (!Buffer || first > Capacity || count > Capacity - first) return nullptr;
    std::uint8_t* data = nullptr;
    if (Buffer->Lock(first * 2, count * 2, &data, LockFlags(Dynamic, first, count, Used)) != D3D_OK) return nullptr;
    return data;
}

void QNINDEXBUFFER::Unlock() {
    if (Buffer) Buffer->Unlock();
}

bool QNINDEXBUFFER::Write(const std::uint16_t* source, std::uint32_t first, std::uint32_t count,
                          std::uint32_t base) {
    if (first > Capacity) return false;
    if (count == 0) count = Capacity - first;
    if (count == 0 || !source) return false;
    std::uint8_t* data = Lock(first, count);
    if (!data) return false;
    if (base == 0) {
        std::memcpy(data, source, std::size_t(count) * 2);
    } else {
        for (std::uint32_t i = 0; i < count; ++i) {
            std::uint16_t v = static_cast<std::uint16_t>(source[i] + base);
            std::memcpy(data + 2 * std::size_t(i), &v, 2);
        }
    }
    Unlock();
    Used = std::max(Used, first + count);
    return true;
}

void QNINDEXBUFFER::Release() {
    if (Buffer) Buffer->Release();
    Buffer = nullptr;
}

void QNINDEXBUFFER::SetIndices() const {
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetIndices(Buffer, 0);
}

// ---- ranges and pools ----

void QNVBUF::Free() {
    if (IsFree) return;
    Copy.reset();
    IsFree = 1;
    Used = 0;
    MergeFreeRun(this);
}

QNVBUF* BestFit(QNITEM& pool, std::uint32_t count, std::uint32_t& excess) {
    QNVBUF* best = nullptr;
    excess = kFitBound;
    for (QNITEM* it = pool.FirstChild(); it; it = it->Next()) {
        auto* r = static_cast<QNVBUF*>(it);
        if (!r->IsFree || r->Count < count) continue;
        std::uint32_t e = r->Count - count;
        if (e < excess) {
            excess = e;
            best = r;
            if (e == 0) break;
        }
    }
    return best;
}

QNITEM& QNVERTEXPOOL::Pools() {
    static QNITEM root("vertex pools");
    return root;
}

QNITEM& QNINDEXPOOL::Pools() {
    static QNITEM root("index pools");
    return root;
}

namespace {

// The allocation both kinds of pool share. Over the pools `accepts` takes: the best fitting
// free range (an exact fit ends the search); else the tail of the first pool with room; else a
// new pool that `create` sizes to hold at least the request, so a range never overruns its
// buffer. The range is handed out with `baseVertex` and its copy sized by the pool's stride.
template <class POOL, class ACCEPTS, class CREATE>
POOL* AllocateRange(std::uint32_t count, std::uint32_t baseVertex, QNVBUF*& range, ACCEPTS accepts, CREATE create) {
    CheckRequest(count);
    POOL* pool = nullptr;
    QNVBUF* chosen = nullptr;
    std::uint32_t bestExcess = kFitBound;
    for (QNITEM* it = POOL::Pools().FirstChild(); it; it = it->Next()) {
        auto* p = static_cast<POOL*>(it);
        if (!accepts(*p)) continue;
        std::uint32_t excess;
        QNVBUF* r = BestFit(*p, count, excess);
        if (r) {
            if (excess < bestExcess) {
                bestExcess = excess;
                pool = p;
                chosen = r;
                if (excess == 0) break;
            }
        } else if (!pool && p->Buffer.Capacity - p->Buffer.Used >= count) {
            pool = p;
        }
    }
    if (chosen) {
        if (chosen->Count > count) Split(chosen, count);
        HandOut(chosen, baseVertex);
        range = chosen;
        return pool;
    }
    if (!pool) {
        pool = new POOL;
        POOL::Pools().AddChild(pool);
        create(*pool);
    }
    range = NewTailRange(*pool, pool->Buffer.Used, count, pool->Buffer.Stride);
    HandOut(range, baseVertex);
    pool->Buffer.Used += count;
    return pool;
}

}  // namespace

QNVERTEXPOOL* QNVERTEXPOOL::Allocate(std::uint32_t count, std::uint32_t kind, std::uint32_t sets,
                                     std::uint32_t coords, bool dynamic, QNVBUF*& range) {
    const std::uint32_t fvf = VertexFormat(kind, sets, coords);
    return AllocateRange<QNVERTEXPOOL>(
        count, 0, range,
        [&](const QNVERTEXPOOL& p) { return p.Buffer.Fvf == fvf && bool(p.Buffer.Dynamic) == dynamic; },
        [&](QNVERTEXPOOL& p) {
            p.Buffer.Create(std::max(count, dynamic ? kDynamicVertexCapacity : kStaticVertexCapacity), kind, sets,
                            coords, dynamic);
        });
}

QNINDEXPOOL* QNINDEXPOOL::Allocate(std::uint32_t count, bool dynamic, QNVBUF*& range, std::uint32_t baseVertex) {
    return AllocateRange<QNINDEXPOOL>(
        count, baseVertex, range, [&](const QNINDEXPOOL& p) { return bool(p.Buffer.Dynamic) == dynamic; },
        [&](QNINDEXPOOL& p) { p.Buffer.Create(std::max(count, kIndexCapacity), dynamic); });
}

void QNVERTEXPOOL::Rebuild() {
    Buffer.Recreate();
    for (QNITEM* it = FirstChild(); it; it = it->Next()) {
        auto* r = static_cast<QNVBUF*>(it);
        if (!r->IsFree && r->Used) Buffer.Write(r->Data(), r->First, r->Used);
    }
}

void QNINDEXPOOL::Rebuild() {
    Buffer.Recreate();
    for (QNITEM* it = FirstChild(); it; it = it->Next()) {
        auto* r = static_cast<QNVBUF*>(it);
        if (!r->IsFree && r->Used)
            Buffer.Write(reinterpret_cast<const std::uint16_t*>(r->Data()), r->First, r->Used, r->BaseVertex);
    }
}

void ReleaseDynamicBuffers() {
    for (QNITEM* it = QNVERTEXPOOL::Pools().FirstChild(); it; it = it->Next()) {
        auto* p = static_cast<QNVERTEXPOOL*>(it);
        if (p->Buffer.Dynamic) p->Buffer.Release();
    }
    for (QNITEM* it = QNINDEXPOOL::Pools().FirstChild(); it; it = it->Next()) {
        auto* p = static_cast<QNINDEXPOOL*>(it);
        if (p->Buffer.Dynamic) p->Buffer.Release();
    }
}

void RebuildDynamicBuffers() {
    for (QNITEM* it = QNVERTEXPOOL::Pools().FirstChild(); it; it = it->Next()) {
        auto* p = static_cast<QNVERTEXPOOL*>(it);
        if (p->Buffer.Dynamic) p->Rebuild();
    }
    for (QNITEM* it = QNINDEXPOOL::Pools().FirstChild(); it; it = it->Next()) {
        auto* p = static_cast<QNINDEXPOOL*>(it);
        if (p->Buffer.Dynamic) p->Rebuild();
    }
}

void DeleteAllPools() {
    QNMESHBUFFERS::ForgetAllRanges();
    QNVERTEXPOOL::Pools().DeleteChildren();
    QNINDEXPOOL::Pools().DeleteChildren();
}

// ---- typed vertex access ----

namespace {

struct KindOffsets {
    int rhw, weights, indices, normal, psize, diffuse;
};

const KindOffsets& Offsets(std::uint32_t kind) {
    static const KindOffsets table[5] = {
        {12, -1, -1, -1, -1, 16},  // screen position, rhw, diffuse
        {12, -1, -1, -1, 16, 20},  // + point size
        {-1, -1, -1, -1, -1, 12},  // position, diffuse
        {-1, -1, -1, 12, -1, -1},  // position, normal
        {-1, 12, 24, 28, -1, -1},  // position, weights, indices, normal
    };
    static const KindOffsets none{-1, -1, -1, -1, -1, -1};
    return kind < 5 ? table[kind] : none;
}

}  // namespace

void QNVERTEXARRAY::SetPosition(std::uint32_t i, const QNVEC3& p) {
    if (std::uint8_t* v = At(i)) std::memcpy(v, &p.x, 12);
}

QNVEC3 QNVERTEXARRAY::GetPosition(std::uint32_t i) const {
    QNVEC3 p;
    if (const std::uint8_t* v = At(i)) std::memcpy(&p.x, v, 12);
    return p;
}

void QNVERTEXARRAY::SetRhw(std::uint32_t i, float rhw) {
    std::uint8_t* v = At(i);
    if (v && Offsets(Kind).rhw >= 0) std::memcpy(v + Offsets(Kind).rhw, &rhw, 4);
}

void QNVERTEXARRAY::SetNormal(std::uint32_t i, const QNVEC3& n) {
    std::uint8_t* v = At(i);
    if (v && Offsets(Kind).normal >= 0) std::memcpy(v + Offsets(Kind).normal, &n.x, 12);
}

void QNVERTEXARRAY::SetDiffuse(std::uint32_t i, std::uint32_t argb) {
    std::uint8_t* v = At(i);
    if (v && Offsets(Kind).diffuse >= 0) std::memcpy(v + Offsets(Kind).diffuse, &argb, 4);
}

void QNVERTEXARRAY::SetTexCoord(std::uint32_t i, int set, const float values[4]) {
    std::uint8_t* v = At(i);
    if (!v) return;
    std::uint8_t* sets = v + VertexKindSize(Kind);
    const std::size_t bytes = std::size_t(Coords) * 4;
    if (set < 0) {
        for (std::uint32_t s = 0; s < Sets; ++s) std::memcpy(sets + s * bytes, values, bytes);
    } else if (std::uint32_t(set) < Sets) {
        std::memcpy(sets + std::size_t(set) * bytes, values, bytes);
    }
}

const float* QNVERTEXARRAY::TexCoord(std::uint32_t i, std::uint32_t set) const {
    const std::uint8_t* v = At(i);
    if (!v || set >= Sets) return nullptr;
    return reinterpret_cast<const float*>(v + VertexKindSize(Kind) + std::size_t(set) * Coords * 4);
}

void QNVERTEXARRAY::Clear(std::uint32_t i) {
    if (std::uint8_t* v = At(i)) std::memset(v, 0, Stride);
}

void QNVERTEXARRAY::SetVertex(std::uint32_t i, const VERTEX& in) {
    std::uint8_t* v = At(i);
    if (!v) return;
    const KindOffsets& o = Offsets(Kind);
    std::memcpy(v, in.Position, 12);
    if (o.rhw >= 0) std::memcpy(v + o.rhw, &in.Rhw, 4);
    if (o.weights >= 0) std::memcpy(v + o.weights, in.Weights, 12);
    if (o.indices >= 0) std::memcpy(v + o.indices, &in.BlendIndices, 4);
    if (o.normal >= 0) std::memcpy(v + o.normal, in.Normal, 12);
    if (o.psize >= 0) std::memcpy(v + o.psize, &in.PointSize, 4);
    if (o.diffuse >= 0) std::memcpy(v + o.diffuse, &in.Diffuse, 4);
    if (in.SetCount == 0) return;
    const std::uint32_t given = std::min<std::uint32_t>(in.SetCount, 8);
    for (std::uint32_t s = 0; s < Sets; ++s) SetTexCoord(i, int(s), in.TexSets[std::min(s, given - 1)]);
}

// ---- mesh buffers ----

namespace {
QNMESHBUFFERS* g_liveMeshes = nullptr;  // every mesh, newest first
}

QNMESHBUFFERS::QNMESHBUFFERS() {
    nextLive_ = g_liveMeshes;
    if (nextLive_) nextLive_->prevLive_ = this;
    g_liveMeshes = this;
}

QNMESHBUFFERS::~QNMESHBUFFERS() {
    Release();
    if (prevLive_) prevLive_->nextLive_ = nextLive_;
    else g_liveMeshes = nextLive_;
    if (nextLive_) nextLive_->prevLive_ = prevLive_;
}

void QNMESHBUFFERS::ForgetAllRanges() {
    for (QNMESHBUFFERS* m = g_liveMeshes; m; m = m->nextLive_) {
        m->VertexRange = m->IndexRange = nullptr;
        m->VertexPool = nullptr;
        m->IndexPool = nullptr;
    }
}

void QNMESHBUFFERS::Create(std::uint32_t vertexCount, std::uint32_t indexCount, std::uint32_t kind,
                           std::uint32_t sets, std::uint32_t coords, std::uint32_t vertexUsage,
                           std::uint32_t indexUsage, std::uint32_t type) {
    Release();
    VertexUsage = vertexUsage;
    IndexUsage = indexUsage;
    PrimitiveType = type;
    VertexPool = QNVERTEXPOOL::Allocate(vertexCount, kind, sets, coords, vertexUsage == 2, VertexRange);
    if (indexCount != 0) IndexPool = QNINDEXPOOL::Allocate(indexCount, indexUsage == 2, IndexRange, VertexRange->First);
}

void QNMESHBUFFERS::UploadVertices(std::uint32_t first, std::uint32_t count) {
    if (!VertexRange || first >= VertexRange->Count) return;
    if (count == 0 || count > VertexRange->Count - first) count = VertexRange->Count - first;
    VertexPool->Buffer.Write(VertexRange->Data() + std::size_t(first) * VertexRange->ElementSize,
                             VertexRange->First + first, count);
    VertexRange->Used = std::max(VertexRange->Used, first + count);
}

void QNMESHBUFFERS::UploadIndices(std::uint32_t first, std::uint32_t count) {
    if (!IndexRange || !VertexRange || first >= IndexRange->Count) return;
    if (count == 0 || count > IndexRange->Count - first) count = IndexRange->Count - first;
    IndexPool->Buffer.Write(Indices() + first, IndexRange->First + first, count, VertexRange->First);
    IndexRange->Used = std::max(IndexRange->Used, first + count);
}

void QNMESHBUFFERS::Release() {
    if (VertexRange) VertexRange->Free();
    if (IndexRange) IndexRange->Free();
    VertexRange = IndexRange = nullptr;
    VertexPool = nullptr;
    IndexPool = nullptr;
}

std::uint32_t QNMESHBUFFERS::PrimitiveCount() const {
    if (IndexRange) return PrimitivesForElements(PrimitiveType, IndexRange->Used);
    return VertexRange ? PrimitivesForElements(PrimitiveType, VertexRange->Used) : 0;
}

void QNMESHBUFFERS::Draw() const {
    GfxDevice* d = QNDISPLAY::Device;
    if (!d || !VertexRange) return;
    const std::uint32_t prims = PrimitiveCount();
    if (prims == 0) return;
    if (IndexRange)
        d->DrawIndexedPrimitive(D3DPRIMITIVETYPE(PrimitiveType), VertexRange->First, VertexRange->Used,
                                IndexRange->First, prims);
    else
        d->DrawPrimitive(D3DPRIMITIVETYPE(PrimitiveType), VertexRange->First, prims);
}

QNVERTEXARRAY QNMESHBUFFERS::Vertices() const {
    QNVERTEXARRAY a;
    if (!VertexRange || !VertexPool) return a;
    a.Data = VertexRange->Data();
    a.Count = VertexRange->Count;
    a.Stride = VertexPool->Buffer.Stride;
    a.Kind = VertexPool->Buffer.Kind;
    a.Sets = VertexPool->Buffer.Sets;
    a.Coords = VertexPool->Buffer.Coords;
    return a;
}

std::uint16_t* QNMESHBUFFERS::Indices() const {
    return IndexRange ? reinterpret_cast<std::uint16_t*>(IndexRange->Data()) : nullptr;
}
