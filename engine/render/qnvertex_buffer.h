#pragma once
/// Vertex and index buffers shared by many meshes.
///
/// A mesh takes a range of vertices (QNVBUF) out of a shared vertex buffer and,
/// when indexed, a range of 16-bit indices out of a shared index buffer. The
/// buffers are grouped into pools by vertex format and usage (static or
/// dynamic). Each range keeps a system copy of its elements: the mesh writes
/// the copy and uploads it. Dynamic buffers live in device memory that a reset
/// loses; they are released before the reset and rebuilt from the copies after.

#include <cstdint>
#include <memory>

#include "engine/util/qn_item.h"
#include "engine/util/qnmatrix.h"
#include "platform/gl_device.h"

/// Elements needed for n primitives of a type (1 point list .. 6 triangle fan); 0 for others.
std::uint32_t ElementsForPrimitives(std::uint32_t type, std::uint32_t n);
/// Primitives made by n elements of a type; 0 for other types.
std::uint32_t PrimitivesForElements(std::uint32_t type, std::uint32_t n);
/// The element of vertex k (0..2) of primitive i over an index list (a point list gives i).
/// Every second triangle of a strip is read in reverse.
std::uint32_t PrimitiveVertex(std::uint32_t type, std::uint32_t i, std::uint32_t k, const std::uint16_t* indices);

/// Bytes of the fixed part of a vertex kind (0..4), and its format flags.
std::uint32_t VertexKindSize(std::uint32_t kind);
std::uint32_t VertexKindFlags(std::uint32_t kind);
/// Flexible vertex format of a kind with t sets of c (1 or 2) coordinates.
std::uint32_t VertexFormat(std::uint32_t kind, std::uint32_t sets, std::uint32_t coords);

/// A device vertex buffer and what it was made with.
struct QNVERTEXBUFFER {
    GfxVertexBuffer* Buffer = nullptr;
    std::uint32_t Capacity = 0;  ///< vertices
    std::uint32_t Used = 0;      ///< highest vertex written (or handed out) plus one
    std::uint32_t Stride = 0;
    std::uint32_t Sets = 0;
    std::uint32_t Coords = 0;
    std::uint8_t Dynamic = 0;
    std::uint32_t Kind = 0;
    std::uint32_t Size = 0;  ///< bytes
    std::uint32_t Usage = 0;
    std::uint32_t Fvf = 0;
    D3DPOOL Pool = D3DPOOL_MANAGED;

    ~QNVERTEXBUFFER() { Release(); }
    void Create(std::uint32_t capacity, std::uint32_t kind, std::uint32_t sets, std::uint32_t coords, bool dynamic);
    /// Creates the device buffer again from the stored size, usage, format and pool.
    void Recreate();
    /// Locks count vertices from first; null when the lock fails or the range is outside.
    std::uint8_t* Lock(std::uint32_t first, std::uint32_t count);
    void Unlock();
    /// Copies count vertices (0 = up to the capacity) to first. False when nothing was written.
    bool Write(const void* source, std::uint32_t first, std::uint32_t count);
    void Release();
    void SetStream(std::uint32_t stream) const;
    void SetShader() const;
};

/// A device index buffer of 16-bit indices.
struct QNINDEXBUFFER {
    static constexpr std::uint32_t Stride = 2;  ///< bytes per index
    GfxIndexBuffer* Buffer = nullptr;
    std::uint32_t Capacity = 0;  ///< indices
    std::uint32_t Used = 0;
    std::uint8_t Dynamic = 0;
    std::uint32_t Size = 0;
    std::uint32_t Usage = 0;
    D3DPOOL Pool = D3DPOOL_MANAGED;

    ~QNINDEXBUFFER() { Release(); }
    void Create(std::uint32_t capacity, bool dynamic);
    void Recreate();
    std::uint8_t* Lock(std::uint32_t first, std::uint32_t count);
    void Unlock();
    /// Copies count indices (0 = up to the capacity) to first, adding base to each.
    bool Write(const std::uint16_t* source, std::uint32_t first, std::uint32_t count, std::uint32_t base);
    void Release();
    void SetIndices() const;
};

/// One range of a pool, kept among its siblings in buffer order.
class QNVBUF : public QNITEM {
public:
    std::uint32_t First = 0;        ///< first element in the shared buffer
    std::uint32_t Count = 0;        ///< elements
    std::uint32_t ElementSize = 0;  ///< stride, or 2 for indices
    std::uint32_t Used = 0;         ///< elements written since it was handed out
    std::uint32_t BaseVertex = 0;   ///< added to every index when uploaded
    std::unique_ptr<std::uint8_t[]> Copy;  ///< the system copy, Count x ElementSize bytes
    std::uint8_t IsFree = 0;

    std::uint8_t* Data() const { return Copy.get(); }
    /// Frees the range: drops its copy, marks it free and merges it with free neighbours.
    void Free();
};

class QNVERTEXPOOL : public QNITEM {
public:
    QNVERTEXBUFFER Buffer;

    /// A range of count vertices of the layout; returns its pool. Throws QNDISPLAY::EXC for a
    /// request larger than a pool can hold (65536 vertices).
    static QNVERTEXPOOL* Allocate(std::uint32_t count, std::uint32_t kind, std::uint32_t sets, std::uint32_t coords,
                                  bool dynamic, QNVBUF*& range);
    /// Recreates the device buffer and writes every range in use from its copy.
    void Rebuild();
    /// The list of every vertex pool.
    static QNITEM& Pools();
};

class QNINDEXPOOL : public QNITEM {
public:
    QNINDEXBUFFER Buffer;

    static QNINDEXPOOL* Allocate(std::uint32_t count, bool dynamic, QNVBUF*& range, std::uint32_t baseVertex);
    void Rebuild();
    static QNITEM& Pools();
};

/// Best free range of a pool for count elements (smallest excess below 65536, an exact fit
/// ends the search), with its excess; null when none fits.
QNVBUF* BestFit(QNITEM& pool, std::uint32_t count, std::uint32_t& excess);

/// Before a device reset: every dynamic pool releases its device buffer.
void ReleaseDynamicBuffers();
/// After the reset: every dynamic pool recreates its buffer and refills it from the copies.
void RebuildDynamicBuffers();
/// Deletes every pool and range (shutdown, and between tests).
void DeleteAllPools();

/// A view of vertex data of one kind.
struct QNVERTEXARRAY {
    std::uint8_t* Data = nullptr;
    std::uint32_t Count = 0;
    std::uint32_t Stride = 0;
    std::uint32_t Kind = 0;
    std::uint32_t Sets = 0;
    std::uint32_t Coords = 2;

    /// The input of SetVertex.
    struct VERTEX {
        float Position[3] = {0, 0, 0};
        float Rhw = 1.0f;
        float Weights[3] = {0, 0, 0};
        std::uint32_t BlendIndices = 0;
        float Normal[3] = {0, 0, 0};
        float PointSize = 0.0f;
        std::uint32_t Diffuse = 0xFFFFFFFFu;
        std::uint32_t Unused = 0;
        std::uint32_t SetCount = 0;
        float TexSets[8][4] = {};
    };

    void SetPosition(std::uint32_t i, const QNVEC3& p);
    QNVEC3 GetPosition(std::uint32_t i) const;
    void SetRhw(std::uint32_t i, float rhw);
    void SetNormal(std::uint32_t i, const QNVEC3& n);
    void SetDiffuse(std::uint32_t i, std::uint32_t argb);
    /// Writes the first c values into set `set`, or into every set when set is negative.
    void SetTexCoord(std::uint32_t i, int set, const float values[4]);
    void Clear(std::uint32_t i);
    void SetVertex(std::uint32_t i, const VERTEX& v);
    /// Texture coordinates of set `set` of element i (null outside the array).
    const float* TexCoord(std::uint32_t i, std::uint32_t set) const;

private:
    std::uint8_t* At(std::uint32_t i) const { return i < Count && Data ? Data + std::size_t(i) * Stride : nullptr; }
};

/// The two ranges of a mesh and how it draws. Deleting the pools (DeleteAllPools) clears the
/// ranges of every live mesh, so a mesh released later frees nothing twice.
struct QNMESHBUFFERS {
    std::uint32_t IndexUsage = 0;   ///< 2 = dynamic
    std::uint32_t VertexUsage = 0;  ///< 2 = dynamic
    QNVBUF* VertexRange = nullptr;
    QNVBUF* IndexRange = nullptr;
    QNVERTEXPOOL* VertexPool = nullptr;
    QNINDEXPOOL* IndexPool = nullptr;
    std::uint32_t PrimitiveType = D3DPT_TRIANGLELIST;

    QNMESHBUFFERS();
    QNMESHBUFFERS(const QNMESHBUFFERS&) = delete;
    QNMESHBUFFERS& operator=(const QNMESHBUFFERS&) = delete;
    ~QNMESHBUFFERS();
    void Create(std::uint32_t vertexCount, std::uint32_t indexCount, std::uint32_t kind, std::uint32_t sets,
                std::uint32_t coords, std::uint32_t vertexUsage, std::uint32_t indexUsage, std::uint32_t type);
    /// Writes elements [first, first + count) of the vertex copy (count 0 = to the end).
    void UploadVertices(std::uint32_t first = 0, std::uint32_t count = 0);
    /// The same for the indices, adding the vertex range's first element to each.
    void UploadIndices(std::uint32_t first = 0, std::uint32_t count = 0);
    void Release();
    std::uint32_t PrimitiveCount() const;
    void Draw() const;
    /// The vertex copy as a typed array.
    QNVERTEXARRAY Vertices() const;
    std::uint16_t* Indices() const;

    /// Forgets the ranges of every live mesh (their pools are being deleted).
    static void ForgetAllRanges();

private:
    QNMESHBUFFERS* prevLive_ = nullptr;
    QNMESHBUFFERS* nextLive_ = nullptr;
};
