// Vertex and index pools: best fit, split, merge, growth, lock flags and the rebuild after a
// device reset, with a recording device.

#include <cstring>

#include "tests/engine/render/fake_env.h"

namespace {

class BuffersTest : public FakeDisplayTest {};

QNVBUF* Alloc(std::uint32_t n, bool dynamic = false) {
    QNVBUF* r = nullptr;
    QNVERTEXPOOL::Allocate(n, 3, 1, 2, dynamic, r);
    return r;
}

int FreeRanges(QNITEM& pool) {
    int n = 0;
    for (QNITEM* it = pool.FirstChild(); it; it = it->Next()) n += static_cast<QNVBUF*>(it)->IsFree;
    return n;
}

}  // namespace

TEST(BufferCounting, ElementsAndPrimitives) {
    EXPECT_EQ(ElementsForPrimitives(D3DPT_POINTLIST, 4), 4u);
    EXPECT_EQ(ElementsForPrimitives(D3DPT_LINELIST, 4), 8u);
    EXPECT_EQ(ElementsForPrimitives(D3DPT_LINESTRIP, 4), 5u);
    EXPECT_EQ(ElementsForPrimitives(D3DPT_TRIANGLELIST, 4), 12u);
    EXPECT_EQ(ElementsForPrimitives(D3DPT_TRIANGLESTRIP, 4), 6u);
    EXPECT_EQ(ElementsForPrimitives(D3DPT_TRIANGLEFAN, 0), 0u);
    EXPECT_EQ(ElementsForPrimitives(9, 4), 0u);
    EXPECT_EQ(PrimitivesForElements(D3DPT_LINELIST, 5), 2u);
    EXPECT_EQ(PrimitivesForElements(D3DPT_LINESTRIP, 1), 0u);
    EXPECT_EQ(PrimitivesForElements(D3DPT_TRIANGLELIST, 7), 2u);
    EXPECT_EQ(PrimitivesForElements(D3DPT_TRIANGLESTRIP, 5), 3u);
    EXPECT_EQ(PrimitivesForElements(D3DPT_TRIANGLEFAN, 2), 0u);
    EXPECT_EQ(PrimitivesForElements(0, 9), 0u);
    // A strip reads every second triangle in reverse: triangle 1 of 5 indices is 3, 2, 1.
    const std::uint16_t strip[5] = {10, 11, 12, 13, 14};
    EXPECT_EQ(PrimitiveVertex(D3DPT_TRIANGLESTRIP, 1, 0, strip), 13u);
    EXPECT_EQ(PrimitiveVertex(D3DPT_TRIANGLESTRIP, 1, 1, strip), 12u);
    EXPECT_EQ(PrimitiveVertex(D3DPT_TRIANGLESTRIP, 1, 2, strip), 11u);
    EXPECT_EQ(PrimitiveVertex(D3DPT_TRIANGLEFAN, 2, 0, strip), 10u);
    EXPECT_EQ(PrimitiveVertex(D3DPT_TRIANGLEFAN, 2, 2, strip), 14u);
    EXPECT_EQ(PrimitiveVertex(D3DPT_POINTLIST, 3, 0, strip), 3u);
}

TEST(BufferCounting, VertexFormatsOfTheKinds) {
    EXPECT_EQ(VertexFormat(0, 0, 2), 68u);
    EXPECT_EQ(VertexFormat(1, 0, 2), 100u);
    EXPECT_EQ(VertexFormat(2, 1, 2), 66u + 256u);
    EXPECT_EQ(VertexFormat(3, 2, 1), 18u + 512u + (3u << 16) + (3u << 18));
    EXPECT_EQ(VertexFormat(4, 0, 2), 4124u);
    EXPECT_EQ(GfxFvfStride(VertexFormat(4, 2, 2)), 40u + 16u);
    EXPECT_EQ(GfxFvfStride(VertexFormat(0, 1, 2)), 28u);
}

TEST_F(BuffersTest, BestFitSplitAndMerge) {
    QNVBUF* a = Alloc(10);
    QNVBUF* b = Alloc(20);
    QNVBUF* c = Alloc(30);
    ASSERT_EQ(a->Parent(), c->Parent());
    QNITEM& pool = *a->Parent();
    EXPECT_EQ(b->First, 10u);
    EXPECT_EQ(c->First, 30u);
    b->Free();
    // An exact fit takes the free range without a split.
    QNVBUF* d = Alloc(20);
    EXPECT_EQ(d, b);
    EXPECT_EQ(pool.ChildCount(), 3u);
    d->Free();
    // One smaller splits off a free range of one element.
    QNVBUF* e = Alloc(19);
    EXPECT_EQ(e->First, 10u);
    EXPECT_EQ(pool.ChildCount(), 4u);
    auto* rest = static_cast<QNVBUF*>(e->Next());
    EXPECT_TRUE(rest->IsFree);
    EXPECT_EQ(rest->First, 29u);
    EXPECT_EQ(rest->Count, 1u);
    // Freeing e merges it with the one-element rest; freeing a merges all three into one.
    e->Free();
    EXPECT_EQ(FreeRanges(pool), 1);
    a->Free();
    EXPECT_EQ(pool.ChildCount(), 2u);
    auto* merged = static_cast<QNVBUF*>(pool.FirstChild());
    EXPECT_EQ(merged->First, 0u);
    EXPECT_EQ(merged->Count, 30u);
    QNVBUF* f = Alloc(30);
    EXPECT_EQ(f->First, 0u);
    // The tail is only handed out once.
    EXPECT_EQ(static_cast<QNVERTEXPOOL&>(pool).Buffer.Used, 60u);
}

TEST_F(BuffersTest, BestFitPrefersTheSmallestExcessAcrossPools) {
    QNVBUF* a = Alloc(50);
    Alloc(1);
    QNVBUF* b = Alloc(12);
    Alloc(1);
    a->Free();
    b->Free();
    QNVBUF* c = Alloc(10);
    EXPECT_EQ(c, b);  // excess 2 beats excess 40
    std::uint32_t excess = 0;
    EXPECT_EQ(BestFit(*a->Parent(), 60, excess), nullptr);
}

TEST_F(BuffersTest, PoolsGrowAndRefuseWhatNoPoolHolds) {
    QNVBUF* a = Alloc(6000, true);
    QNVBUF* b = Alloc(6000, true);  // a dynamic pool holds 10000
    EXPECT_NE(a->Parent(), b->Parent());
    EXPECT_EQ(b->First, 0u);
    // A request above a new pool's capacity gets a pool of its own size, never an overrun.
    QNVBUF* big = Alloc(20000, true);
    auto* pool = static_cast<QNVERTEXPOOL*>(big->Parent());
    EXPECT_EQ(pool->Buffer.Capacity, 20000u);
    EXPECT_EQ(pool->Buffer.Buffer->Length(), 20000u * pool->Buffer.Stride);
    EXPECT_THROW(Alloc(70000), QNDISPLAY::EXC);
    // Different layouts never share a pool.
    QNVBUF* other = nullptr;
    QNVERTEXPOOL::Allocate(10, 2, 1, 2, false, other);
    EXPECT_EQ(other->First, 0u);
    EXPECT_EQ(QNVERTEXPOOL::Pools().ChildCount(), 4u);
    EXPECT_EQ(static_cast<QNVERTEXPOOL*>(other->Parent())->Buffer.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(pool->Buffer.Pool, D3DPOOL_DEFAULT);
}

TEST_F(BuffersTest, DynamicLocksDiscardOnlyWhenRewritingFromTheStart) {
    QNMESHBUFFERS m;
    m.Create(4, 0, 3, 1, 2, 2, 0, D3DPT_TRIANGLESTRIP);
    auto* vb = static_cast<FakeVertexBuffer*>(m.VertexPool->Buffer.Buffer);
    m.UploadVertices();
    m.UploadVertices(2, 1);
    ASSERT_EQ(vb->lockFlags.size(), 2u);
    EXPECT_EQ(vb->lockFlags[0], D3DLOCK_DISCARD);
    EXPECT_EQ(vb->lockFlags[1], D3DLOCK_NOOVERWRITE);
    QNMESHBUFFERS s;
    s.Create(4, 0, 3, 1, 2, 0, 0, D3DPT_TRIANGLESTRIP);
    s.UploadVertices();
    EXPECT_EQ(static_cast<FakeVertexBuffer*>(s.VertexPool->Buffer.Buffer)->lockFlags[0], 0u);
    // A failed lock writes nothing and is reported.
    device_->failLocks = true;
    EXPECT_FALSE(s.VertexPool->Buffer.Write(s.VertexRange->Data(), 0, 4));
}

TEST_F(BuffersTest, MeshDrawsWithAndWithoutIndices) {
    QNMESHBUFFERS plain;
    plain.Create(5, 0, 2, 0, 2, 0, 0, D3DPT_TRIANGLESTRIP);
    plain.UploadIndices();  // nothing to do
    plain.UploadVertices();
    EXPECT_EQ(plain.PrimitiveCount(), 3u);
    plain.Draw();
    EXPECT_EQ(device_->log.back(), "draw 5 0 3");

    QNMESHBUFFERS indexed;
    indexed.Create(3, 6, 2, 0, 2, 0, 0, D3DPT_TRIANGLELIST);
    std::uint16_t* idx = indexed.Indices();
    for (int i = 0; i < 6; ++i) idx[i] = std::uint16_t(i % 3);
    indexed.UploadVertices();
    indexed.UploadIndices();
    indexed.Draw();
    // The vertex range starts at 5, so 5 is added to every index.
    auto* ib = static_cast<FakeIndexBuffer*>(indexed.IndexPool->Buffer.Buffer);
    EXPECT_EQ(ib->Index(indexed.IndexRange->First + 1), 6);
    EXPECT_EQ(device_->log.back(), "drawindexed 4 5 3 0 2");
}

TEST_F(BuffersTest, DynamicBuffersAreRebuiltAfterAReset) {
    QNMESHBUFFERS dyn, stat;
    stat.Create(3, 0, 2, 0, 2, 0, 0, D3DPT_TRIANGLELIST);
    dyn.Create(4, 6, 2, 0, 2, 2, 2, D3DPT_TRIANGLELIST);
    Alloc(1, true);  // something before, so the mesh's range does not start at 0 elsewhere
    QNVERTEXARRAY v = dyn.Vertices();
    for (std::uint32_t i = 0; i < 4; ++i) v.SetPosition(i, QNVEC3(float(i), 2.0f, 3.0f));
    const std::uint16_t tri[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(dyn.Indices(), tri, sizeof tri);
    dyn.UploadVertices();
    dyn.UploadIndices();
    GfxVertexBuffer* staticBuffer = stat.VertexPool->Buffer.Buffer;

    EXPECT_GT(device_->defaultPool, 0);
    ReleaseDynamicBuffers();
    EXPECT_EQ(device_->defaultPool, 0);
    EXPECT_EQ(stat.VertexPool->Buffer.Buffer, staticBuffer);
    GfxPresentParameters pp;
    EXPECT_EQ(device_->Reset(pp), D3D_OK);
    RebuildDynamicBuffers();
    auto* vb = static_cast<FakeVertexBuffer*>(dyn.VertexPool->Buffer.Buffer);
    auto* ib = static_cast<FakeIndexBuffer*>(dyn.IndexPool->Buffer.Buffer);
    ASSERT_NE(vb, nullptr);
    float x3;
    std::memcpy(&x3, vb->bytes.data() + (dyn.VertexRange->First + 3) * 16, 4);
    EXPECT_EQ(x3, 3.0f);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(ib->Index(dyn.IndexRange->First + i), tri[i] + dyn.VertexRange->First);
    EXPECT_EQ(stat.VertexPool->Buffer.Buffer, staticBuffer);
}

TEST_F(BuffersTest, VertexArrayWritesByKind) {
    QNMESHBUFFERS m;
    m.Create(2, 0, 0, 3, 2, 0, 0, D3DPT_POINTLIST);
    QNVERTEXARRAY a = m.Vertices();
    EXPECT_EQ(a.Stride, 20u + 24u);
    QNVERTEXARRAY::VERTEX in;
    in.Position[0] = 5;
    in.Rhw = 0.5f;
    in.Diffuse = 0x80FF0000u;
    in.SetCount = 2;
    in.TexSets[0][0] = 0.25f;
    in.TexSets[1][0] = 0.75f;
    a.SetVertex(1, in);
    float rhw;
    std::uint32_t diffuse;
    std::memcpy(&rhw, a.Data + a.Stride + 12, 4);
    std::memcpy(&diffuse, a.Data + a.Stride + 16, 4);
    EXPECT_EQ(rhw, 0.5f);
    EXPECT_EQ(diffuse, 0x80FF0000u);
    // The last given set repeats into the third.
    EXPECT_EQ(a.TexCoord(1, 0)[0], 0.25f);
    EXPECT_EQ(a.TexCoord(1, 1)[0], 0.75f);
    EXPECT_EQ(a.TexCoord(1, 2)[0], 0.75f);
    EXPECT_EQ(a.TexCoord(1, 3), nullptr);
    const float uv[4] = {9, 8, 0, 0};
    a.SetTexCoord(0, -1, uv);
    EXPECT_EQ(a.TexCoord(0, 2)[1], 8.0f);
    a.SetNormal(0, QNVEC3(1, 1, 1));  // kind 0 has none: nothing written
    EXPECT_EQ(a.GetPosition(0), QNVEC3());
    a.SetPosition(7, QNVEC3(1, 1, 1));  // outside: ignored
}

TEST_F(BuffersTest, MeshesOutlivingThePoolsFreeNothingTwice) {
    auto* m = new QNMESHBUFFERS;
    m->Create(4, 6, 2, 0, 2, 0, 0, D3DPT_TRIANGLELIST);
    DeleteAllPools();
    EXPECT_EQ(m->VertexRange, nullptr);
    EXPECT_EQ(m->PrimitiveCount(), 0u);
    m->Draw();
    delete m;  // under the sanitizers a stale range would be a use after free here
    EXPECT_EQ(QNVERTEXPOOL::Pools().ChildCount(), 0u);
}
