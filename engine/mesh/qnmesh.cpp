#include "engine/mesh/qnmesh.h"
#include "engine/mesh/qnmesh_local.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "engine/mesh/qnparser.h"
#include "engine/resource/qndisk.h"
#include "engine/resource/qntempfile.h"

namespace {

/// Releases the mesh unless Commit was called: every failed load leaves the mesh empty.
class LoadGuard {
public:
    explicit LoadGuard(QNMESH& mesh) : mesh_(mesh) {}
    ~LoadGuard()
    {
        if (!done_)
            mesh_.Release();
    }
    void Commit() { done_ = true; }

private:
    QNMESH& mesh_;
    bool done_ = false;
};

void CheckLayout(const char* name, std::uint32_t kind, std::uint32_t sets, std::uint32_t coords)
{
    if (VertexKindSize(kind) == 0 || sets > 8 || (sets != 0 && (coords < 1 || coords > 2)))
        throw QNMESH::EXC(0, "Mesh '%s' asks for an unknown vertex layout.", name);
}

// The archive was asked for the medium and made no copy: it holds none, or its export failed.
[[noreturn]] void ThrowMissing(const QNTEMPFILE& temp, const QNSTRING& medium)
{
    if (temp.Failure().IsEmpty())
        throw QNMESH::EXC(0, "File '%s' is not in the archive.", medium.Text());
    throw QNMESH::EXC(temp.FailureCode(), "File '%s' could not be read from the archive. %s", medium.Text(),
                      temp.Failure().Text());
}

template <typename T>
T ReadValue(const std::uint8_t* p)
{
    T v;
    std::memcpy(&v, p, sizeof v);
    return v;
}

}  // namespace

QNMESH::~QNMESH() { Release(); }

void QNMESH::Release()
{
    Buffers.Release();
    ReleaseCollision();
}

void QNMESH::ReleaseCollision()
{
    if (Collision && CollisionRelease)
        CollisionRelease(Collision);
    Collision = nullptr;
}

void QNMESH::CreateCollision(std::uint32_t kind, std::uint32_t option, const char* name)
{
    ReleaseCollision();
    if (CollisionBuilder)
        Collision = CollisionBuilder(*this, kind, option, name);
}

void QNMESH::Load(const char* name, int index, std::uint32_t sets, std::uint32_t coords, std::uint32_t vertexUsage,
                  std::uint32_t kind, bool upload, bool useArchive)
{
    const QNSTRING path = QNDISK::DefaultExtension(QNSTRING(name), QNSTRING(".gbm"));
    QNSTRING ext = QNDISK::Extension(path);
    ext.SetNoCase(true);
    if (ext.Equals(QNSTRING(".gbm")))
        LoadGBM(path.Text(), index, sets, coords, vertexUsage, kind, upload, useArchive);
    else if (ext.Equals(QNSTRING(".obj")))
        LoadOBJ(path.Text(), index, sets, coords, vertexUsage, kind, upload, useArchive);
    else
        throw EXC(0, "Unknown mesh format '%s'.", name ? name : "");
}

void QNMESH::FinishBox(bool upload)
{
    Radius = (Box.max - Box.min).Length() * 0.5f;
    QnMeshMarkUsed(Buffers, upload);
}

void QNMESH::LoadGBM(const char* name, int index, std::uint32_t sets, std::uint32_t coords,
                     std::uint32_t vertexUsage, std::uint32_t kind, bool upload, bool useArchive)
{
    Release();
    LoadGuard guard(*this);
    CheckLayout(name, kind, sets, coords);

    QNTEMPFILE temp;
    const QNSTRING medium = QNDISK::NumberedName(QNSTRING(name), index);
    const QNSTRING path = QNDISK::MakeTempFile(temp, medium, useArchive);
    if (temp.Missing())
        ThrowMissing(temp, medium);
    // Messages name the medium, not its temporary copy.
    const QNSTRING shown = temp.Shown(path);
    QNFILE file;
    file.Open(path.Text(), QNFILE::kRead, 0);

    std::uint8_t header[17];
    const std::size_t got = file.Read(header, sizeof header);
    if (got < 4 || std::memcmp(header, "QNGM", 4) != 0)
        throw EXC(0, "File '%s' is not GBM format.", shown.Text());
    if (got < sizeof header)
        throw EXC(0, "File '%s' is damaged.", shown.Text());
    const std::uint32_t type = header[4];
    const std::uint32_t recordSize = ReadValue<std::uint32_t>(header + 5);
    const std::uint32_t vertexCount = ReadValue<std::uint32_t>(header + 9);
    const std::uint32_t indexCount = ReadValue<std::uint32_t>(header + 13);
    if (recordSize > kMaxRecordSize || recordSize < kRecordFixedSize)
        throw EXC(0, "File '%s' has a vertex record of %u bytes.", shown.Text(), recordSize);
    if (vertexCount > kMaxVertices)
        throw EXC(0, "File '%s' has too many vertices (%u).", shown.Text(), vertexCount);
    // The counts must fit what the file holds before anything is allocated for them, and the
    // file must end where its data ends.
    const std::int64_t need = 17 + std::int64_t(vertexCount) * recordSize + std::int64_t(indexCount) * 2;
    if (file.Size() < need)
        throw EXC(0, "File '%s' is damaged.", shown.Text());
    if (file.Size() > need)
        throw EXC(0, "File '%s' has %lld bytes after its data.", shown.Text(), (long long)(file.Size() - need));
    if (type < D3DPT_POINTLIST || type > D3DPT_TRIANGLEFAN)
        throw EXC(0, "File '%s' has an unknown primitive type %u.", shown.Text(), type);
    const std::uint32_t elements = indexCount ? indexCount : vertexCount;
    if (vertexCount != 0 && PrimitivesForElements(type, elements) == 0)
        throw EXC(0, "File '%s' has too few elements (%u) for its primitive type %u.", shown.Text(), elements, type);
    if (type == D3DPT_TRIANGLELIST && elements % 3 != 0)
        throw EXC(0, "File '%s' ends in a partial triangle (%u elements).", shown.Text(), elements);

    Buffers.Create(vertexCount, indexCount, kind, sets, coords, vertexUsage, 0, type);
    QNVERTEXARRAY vertices = Buffers.Vertices();
    std::uint8_t record[kMaxRecordSize] = {};
    bool first = true;
    for (std::uint32_t i = 0; i < vertexCount; ++i) {
        if (file.Read(record, recordSize) != recordSize)
            throw EXC(0, "File '%s' is damaged.", shown.Text());
        QNVERTEXARRAY::VERTEX v;
        std::memcpy(v.Position, record, 12);
        v.Rhw = ReadValue<float>(record + 12);
        std::memcpy(v.Weights, record + 16, 12);
        v.BlendIndices = ReadValue<std::uint32_t>(record + 28);
        std::memcpy(v.Normal, record + 32, 12);
        v.PointSize = ReadValue<float>(record + 44);
        v.Diffuse = ReadValue<std::uint32_t>(record + 48);
        if (!std::isfinite(v.Position[0]) || !std::isfinite(v.Position[1]) || !std::isfinite(v.Position[2]))
            throw EXC(0, "File '%s' has vertex %u at a position that is not a finite number.", shown.Text(), i);
        const std::uint32_t room = std::min((recordSize - kRecordFixedSize) / 16, 8u);
        const std::uint32_t stored = ReadValue<std::uint32_t>(record + 56);
        if (stored > room)
            throw EXC(0, "File '%s' has vertex %u with %u texture sets in a record of %u bytes.", shown.Text(), i,
                      stored, recordSize);
        v.SetCount = stored;
        std::memcpy(v.TexSets, record + kRecordFixedSize, std::size_t(v.SetCount) * 16);
        vertices.SetVertex(i, v);
        Box.Extend(QNVEC3(v.Position[0], v.Position[1], v.Position[2]), first);
    }
    if (indexCount) {
        std::uint16_t* indices = Buffers.Indices();
        if (file.Read(indices, std::size_t(indexCount) * 2) != std::size_t(indexCount) * 2)
            throw EXC(0, "File '%s' is damaged.", shown.Text());
        for (std::uint32_t i = 0; i < indexCount; ++i)
            if (indices[i] >= vertexCount)
                throw EXC(0, "File '%s' has an index out of range.", shown.Text());
    }
    file.Close();
    temp.Close();
    if (first)
        Box = QNBOX();
    FinishBox(upload);
    guard.Commit();
}

void QNMESH::LoadOBJ(const char* name, int index, std::uint32_t sets, std::uint32_t coords,
                     std::uint32_t vertexUsage, std::uint32_t kind, bool upload, bool useArchive)
{
    Release();
    LoadGuard guard(*this);
    CheckLayout(name, kind, sets, coords);

    QNTEMPFILE temp;
    const QNSTRING medium = QNDISK::NumberedName(QNSTRING(name), index);
    const QNSTRING path = QNDISK::MakeTempFile(temp, medium, useArchive);
    if (temp.Missing())
        ThrowMissing(temp, medium);
    QNPARSER parser;
    parser.Open(path.Text(), temp.Shown(path).Text());

    struct VEC4 {
        float v[4] = {0, 0, 0, 0};
    };
    std::vector<QNVEC3> positions, normals;
    std::vector<VEC4> texcoords;
    // 0 marks an absent index (the file's indices are 1-based); each triangle keeps its line
    // for the range check once every list is read.
    std::vector<std::uint32_t> positionIndex, texIndex, normalIndex, triangleLine;

    // Indices are decimal; anything outside the 16-bit index range is refused where it stands.
    auto readIndex = [&](bool required) -> std::uint32_t {
        std::int64_t value = 0;
        if (!parser.ReadDecimal(&value, required, false))
            return 0;
        if (value < 1 || value > 65535)
            parser.Fail("Index out of range.");
        return std::uint32_t(value);
    };

    while (parser.Current() != 0) {
        if (parser.ReadSymbol('v', false, true)) {
            if (parser.ReadSymbol('n', false, false)) {
                QNVEC3 n;
                for (int k = 0; k < 3; ++k)
                    parser.ReadNumber(&n[k], QNPARSER::F32, true, true);
                normals.push_back(n);
            } else if (parser.ReadSymbol('t', false, false)) {
                VEC4 t;
                parser.ReadNumber(&t.v[0], QNPARSER::F32, true, true);
                parser.ReadNumber(&t.v[1], QNPARSER::F32, true, true);
                if (parser.ReadNumber(&t.v[2], QNPARSER::F32, false, true))
                    parser.ReadNumber(&t.v[3], QNPARSER::F32, false, true);
                texcoords.push_back(t);
            } else {
                QNVEC3 p;
                for (int k = 0; k < 3; ++k)
                    parser.ReadNumber(&p[k], QNPARSER::F32, true, true);
                positions.push_back(p);
            }
        } else if (parser.ReadSymbol('f', false, true)) {
            // A face of more than three corners is a fan around its first corner.
            struct CORNER {
                std::uint32_t p, t, n;
            };
            std::vector<CORNER> face;
            for (;;) {
                parser.SkipSpaces(false);
                const std::uint32_t p = readIndex(face.size() < 3);
                if (p == 0)
                    break;
                std::uint32_t t = 0, n = 0;
                if (parser.ReadSymbol('/', false, false)) {
                    t = readIndex(false);
                    if (parser.ReadSymbol('/', false, false))
                        n = readIndex(true);
                }
                face.push_back({p, t, n});
                if (face.size() > kMaxVertices)
                    parser.Fail("Too many corners.");
            }
            // Only blanks or a comment may follow the corners.
            const char rest = parser.Current();
            if (rest != 0 && rest != '\n' && rest != '\r' && rest != '#')
                parser.Fail("Unexpected text after the face's corners.");
            for (std::size_t k = 2; k < face.size(); ++k) {
                for (const CORNER& c : {face[0], face[k - 1], face[k]}) {
                    positionIndex.push_back(c.p);
                    texIndex.push_back(c.t);
                    normalIndex.push_back(c.n);
                }
                triangleLine.push_back(parser.Line());
            }
            if (positionIndex.size() > kMaxVertices)
                parser.Fail("Too many corners.");
        }
        if (!parser.NextLine())
            break;
    }
    const QNSTRING parsed = parser.Name();
    parser.Close();
    temp.Close();

    const std::uint32_t corners = std::uint32_t(positionIndex.size());
    if (corners > kMaxVertices)
        throw EXC(0, "File '%s' has too many vertices (%u).", parsed.Text(), corners);
    for (std::uint32_t k = 0; k < corners; ++k) {
        if (positionIndex[k] > positions.size() || texIndex[k] > texcoords.size() ||
            normalIndex[k] > normals.size())
            throw QNPARSER::EXC(0, "'%s' Line #%u Index out of range.", parsed.Text(), triangleLine[k / 3]);
    }

    bool first = true;
    for (const QNVEC3& p : positions)
        Box.Extend(p, first);
    if (first)
        Box = QNBOX();

    Buffers.Create(corners, corners, kind, sets, coords, vertexUsage, vertexUsage, D3DPT_TRIANGLELIST);
    QNVERTEXARRAY vertices = Buffers.Vertices();
    std::uint16_t* indices = Buffers.Indices();
    for (std::uint32_t k = 0; k < corners; ++k) {
        vertices.Clear(k);
        vertices.SetPosition(k, positions[positionIndex[k] - 1]);
        if (!normals.empty() && normalIndex[k])
            vertices.SetNormal(k, normals[normalIndex[k] - 1]);
        if (!texcoords.empty() && texIndex[k] && sets)
            vertices.SetTexCoord(k, -1, texcoords[texIndex[k] - 1].v);
        if (indices)
            indices[k] = std::uint16_t(k);
    }
    FinishBox(upload);
    guard.Commit();
}

void QNMESH::SetBoxSize(float x, float y, float z)
{
    Box.min = QNVEC3(-x / 2, -y / 2, -z / 2);
    Box.max = Box.min + QNVEC3(x, y, z);
    Radius = (QNVEC3(x, y, z) * 0.5f).Length();
}

void QNMESH::SetTextureGrid(const float* values)
{
    static const float defaults[6] = {1, 1, 0, 1, 1, 0};
    std::memcpy(TextureGrid, values ? values : defaults, sizeof TextureGrid);
}

void QNMESH::CopyTo(QNMESH& destination) const
{
    destination.Release();
    if (HasVertices()) {
        const QNVERTEXARRAY src = Buffers.Vertices();
        destination.Buffers.Create(VertexCount(), IndexCount(), src.Kind, src.Sets, src.Coords,
                                   Buffers.VertexUsage, Buffers.IndexUsage, Buffers.PrimitiveType);
        std::memcpy(destination.Buffers.VertexRange->Data(), Buffers.VertexRange->Data(),
                    std::size_t(VertexCount()) * src.Stride);
        if (IndexCount())
            std::memcpy(destination.Buffers.Indices(), Buffers.Indices(), std::size_t(IndexCount()) * 2);
        QnMeshMarkUsed(destination.Buffers, true);
    }
    destination.Box = Box;
    destination.Radius = Radius;
    destination.Grid = Grid;
    std::memcpy(destination.TextureGrid, TextureGrid, sizeof TextureGrid);
    destination.Columns = Columns;
    destination.Rows = Rows;
    destination.Texture = Texture;
}
