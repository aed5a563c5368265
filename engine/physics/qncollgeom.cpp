// Collision shapes of meshes.
//
// Welding. Vertices are visited in order; each joins the first kept vertex within 0.0001 of it
// or is kept itself. Kept vertices sit in a hash grid of cell size 0.0001, so the candidates of
// a vertex are the kept vertices of the 27 cells around it, and the first one within reach is
// the one of smallest index among them: the result equals the pairwise scan's. Triangles are
// renumbered through the old-to-new table; since a vertex only ever joins an earlier one, this
// equals replacing indices one vertex at a time.
//
// Edge flags. An edge map from the sorted vertex pair to the (triangle, edge) entries gives
// each triangle A its partners B > A; they are taken in order of B, then of A's edges, exactly
// as the pairwise loop over (A, later B, A's edges still set) visits them.

#include "engine/physics/qncollgeom.h"

#include <algorithm>
#include <cmath>
#include <unordered_map>

#include "engine/mesh/qnmesh.h"
#include "engine/physics/qnphysworld.h"
#include "physics/collision/aggregate.h"
#include "physics/collision/convex_mesh.h"
#include "physics/collision/geometry.h"
#include "physics/collision/model.h"
#include "physics/collision/triangle_mesh.h"
#include "physics/dynamics/me_math.h"

static_assert(sizeof(QNVEC3) == 3 * sizeof(float), "points are passed to the toolkit as float triples");

namespace {

struct CellKey {
    long long x, y, z;
    bool operator==(const CellKey& o) const { return x == o.x && y == o.y && z == o.z; }
};

struct CellHash {
    std::size_t operator()(const CellKey& k) const
    {
        std::size_t h = std::size_t(k.x) * 73856093u;
        h ^= std::size_t(k.y) * 19349663u;
        h ^= std::size_t(k.z) * 83492791u;
        return h;
    }
};

// Cell coordinates are clamped before the cast: a huge or non-finite coordinate lands in an edge
// cell instead of overflowing the integer.
long long CellCoordinate(float v)
{
    const double c = std::floor(double(v) / double(QNCOLLGEOM::kWeldDistance));
    if (!(c > -1e15))
        return -1000000000000000LL;
    return c < 1e15 ? static_cast<long long>(c) : 1000000000000000LL;
}

CellKey CellOf(const QNVEC3& p)
{
    return {CellCoordinate(p.x), CellCoordinate(p.y), CellCoordinate(p.z)};
}

QNVEC3 Cross(const QNVEC3& a, const QNVEC3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}

constexpr std::uint32_t kEdgeBit[3] = {4, 8, 16};

}  // namespace

/// Kept points by grid cell.
class QNCOLLGEOM::PointGrid {
public:
    /// The smallest index of a kept point within 0.0001 of p, or -1.
    long long Find(const QNVEC3& p, const std::vector<QNVEC3>& points) const
    {
        const CellKey c = CellOf(p);
        long long best = -1;
        for (long long dx = -1; dx <= 1; ++dx)
            for (long long dy = -1; dy <= 1; ++dy)
                for (long long dz = -1; dz <= 1; ++dz) {
                    auto it = cells_.find({c.x + dx, c.y + dy, c.z + dz});
                    if (it == cells_.end())
                        continue;
                    for (std::uint32_t i : it->second) {
                        if ((best < 0 || i < best) && PointsWithin(points[i], p))
                            best = i;
                    }
                }
        return best;
    }
    void Add(const QNVEC3& p, std::uint32_t index) { cells_[CellOf(p)].push_back(index); }

private:
    std::unordered_map<CellKey, std::vector<std::uint32_t>, CellHash> cells_;
};

QNCOLLGEOM::QNCOLLGEOM() = default;

QNCOLLGEOM::QNCOLLGEOM(const char* name) : QNITEM(name) {}

QNCOLLGEOM::~QNCOLLGEOM()
{
    Clear();
}

bool QNCOLLGEOM::PointsWithin(const QNVEC3& a, const QNVEC3& b)
{
    return (a - b).LengthSq() <= kWeldDistance * kWeldDistance;
}

void QNCOLLGEOM::Clear()
{
    Contacts.clear();
    Contacts.shrink_to_fit();
    ContactCapacity = 0;
    Vertices.clear();
    Vertices.shrink_to_fit();
    points_.reset();
    Triangles.clear();
    Triangles.shrink_to_fit();
    VertexCount = 0;
    TriangleCount = 0;
    SetName("");
    if (Geometry)
        McdGeometryDestroy(Geometry);
    Geometry = nullptr;
    Kind = NONE;
}

void QNCOLLGEOM::MakePlane()
{
    Clear();
    Kind = PLANE;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdPlaneCreate(fw);
}

void QNCOLLGEOM::MakeSphere(float radius)
{
    Clear();
    Kind = SPHERE;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdSphereCreate(fw, radius);
}

void QNCOLLGEOM::MakeBox(float x, float y, float z)
{
    Clear();
    Kind = BOX;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdBoxCreate(fw, x, y, z);
}

void QNCOLLGEOM::MakeCylinder(float radius, float height)
{
    Clear();
    Kind = CYLINDER;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdCylinderCreate(fw, radius, height);
}

void QNCOLLGEOM::MakeCone(float height, float radius)
{
    Clear();
    Kind = CONE;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdConeCreate(fw, height, radius);
}

void QNCOLLGEOM::MakeAggregate(std::uint32_t count)
{
    Clear();
    Kind = AGGREGATE;
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdAggregateCreate(fw, int(count));
}

void QNCOLLGEOM::BeginPoints(std::uint32_t capacity)
{
    Clear();
    Kind = CONVEX;
    Vertices.reserve(capacity);
}

void QNCOLLGEOM::AddPoint(const QNVEC3& p)
{
    // Welded as they arrive, so repeated points never take the room of later distinct ones; the
    // first of a group stays, as the weld of a whole array keeps it.
    if (!points_)
        points_ = std::make_unique<PointGrid>();
    if (points_->Find(p, Vertices) >= 0)
        return;
    const std::uint32_t index = VertexCount;
    if (AddVertex(p))
        points_->Add(p, index);
}

void QNCOLLGEOM::MakeConvex()
{
    McdFramework* fw = QNPHYSWORLD::Framework();
    Weld();
    if (!fw || VertexCount == 0)
        return;
    if (Geometry)
        McdGeometryDestroy(Geometry);
    Geometry = McdConvexMeshCreateFromPoints(fw, &Vertices[0].x, int(VertexCount), 0.0f);
}

void QNCOLLGEOM::BeginTriangleMesh(std::uint32_t vertexCapacity, std::uint32_t triangleCapacity)
{
    Clear();
    Kind = TRIANGLE_MESH;
    Vertices.reserve(vertexCapacity);
    Triangles.reserve(triangleCapacity);
    if (McdFramework* fw = QNPHYSWORLD::Framework())
        Geometry = McdTriangleMeshCreate(fw, int(std::max<std::uint32_t>(triangleCapacity, 1)));
}

void QNCOLLGEOM::BeginTriangleList(float x, float y, float z, std::uint32_t vertexCapacity,
                                   std::uint32_t triangleCapacity, std::uint32_t contactCapacity)
{
    Clear();
    Kind = TRIANGLE_LIST;
    Vertices.reserve(vertexCapacity);
    Triangles.reserve(triangleCapacity);
    Contacts.assign(contactCapacity, McdUserTriangle{});
    ContactCapacity = contactCapacity;
    if (McdFramework* fw = QNPHYSWORLD::Framework()) {
        Geometry = McdTriangleListCreate(fw, x, y, z, &QNCOLLGEOM::Gatherer);
        if (auto* list = static_cast<McdTriangleList*>(Geometry)) {
            list->triangles = Contacts.data();
            list->triangleMaxCount = int(contactCapacity);
            list->triangleCount = 0;
            list->userData = this;
        }
    }
}

bool QNCOLLGEOM::AddVertex(const QNVEC3& p)
{
    if (VertexCount >= Vertices.capacity())
        return false;
    Vertices.push_back(p);
    VertexCount = std::uint32_t(Vertices.size());
    return true;
}

bool QNCOLLGEOM::AddTriangle(std::uint32_t i1, std::uint32_t i2, std::uint32_t i3)
{
    if (TriangleCount >= Triangles.capacity())
        return false;
    if (i1 >= VertexCount || i2 >= VertexCount || i3 >= VertexCount || i1 > 0xFFFF || i2 > 0xFFFF || i3 > 0xFFFF)
        return false;
    if (PointsWithin(Vertices[i1], Vertices[i2]) || PointsWithin(Vertices[i2], Vertices[i3]) ||
        PointsWithin(Vertices[i3], Vertices[i1]))
        return false;
    QNCOLLTRIANGLE t;
    t.Index[0] = std::uint16_t(i1);
    t.Index[1] = std::uint16_t(i2);
    t.Index[2] = std::uint16_t(i3);
    Triangles.push_back(t);
    TriangleCount = std::uint32_t(Triangles.size());
    return true;
}

void QNCOLLGEOM::Weld()
{
    std::vector<QNVEC3> kept;
    kept.reserve(VertexCount);
    std::vector<std::uint32_t> remap(VertexCount);
    PointGrid grid;
    for (std::uint32_t i = 0; i < VertexCount; ++i) {
        const long long found = grid.Find(Vertices[i], kept);
        if (found >= 0) {
            remap[i] = std::uint32_t(found);
        } else {
            remap[i] = std::uint32_t(kept.size());
            grid.Add(Vertices[i], remap[i]);
            kept.push_back(Vertices[i]);
        }
    }
    for (QNCOLLTRIANGLE& t : Triangles)
        for (int k = 0; k < 3; ++k)
            t.Index[k] = std::uint16_t(remap[t.Index[k]]);
    kept.shrink_to_fit();
    Vertices.swap(kept);
    VertexCount = std::uint32_t(Vertices.size());
}

void QNCOLLGEOM::BuildTriangleMesh()
{
    Weld();
    if (!Geometry)
        return;
    for (const QNCOLLTRIANGLE& t : Triangles)
        McdTriangleMeshAddTriangle(Geometry, &Vertices[t.Index[0]].x, &Vertices[t.Index[1]].x,
                                   &Vertices[t.Index[2]].x);
    McdTriangleMeshBuild(Geometry);
}

void QNCOLLGEOM::BuildTriangleList()
{
    Weld();
    for (QNCOLLTRIANGLE& t : Triangles) {
        const QNVEC3& a = Vertices[t.Index[0]];
        const QNVEC3& b = Vertices[t.Index[1]];
        const QNVEC3& c = Vertices[t.Index[2]];
        t.EdgeFlags = kEdgeAll;
        // Clockwise seen from the front: (b - a) x (c - a) points towards the viewer.
        const QNVEC3 n = Cross(b - a, c - a).Normalize();
        t.Normal[0] = n.x;
        t.Normal[1] = n.y;
        t.Normal[2] = n.z;
        t.D = -QNVEC3::Dot(n, a);
        const QNVEC3 centre = a + ((b + c) * 0.5f - a) * (2.0f / 3.0f);
        t.Centre[0] = centre.x;
        t.Centre[1] = centre.y;
        t.Centre[2] = centre.z;
        t.RadiusSq = std::max({(a - centre).LengthSq(), (b - centre).LengthSq(), (c - centre).LengthSq()});
    }
    BuildEdgeFlags();
}

void QNCOLLGEOM::BuildEdgeFlags()
{
    struct Entry {
        std::uint32_t Triangle;
        int Edge;
    };
    std::unordered_map<std::uint64_t, std::vector<Entry>> edges;
    edges.reserve(Triangles.size() * 3);
    auto key = [](std::uint32_t p, std::uint32_t q) {
        return (std::uint64_t(std::min(p, q)) << 32) | std::max(p, q);
    };
    for (std::uint32_t t = 0; t < TriangleCount; ++t)
        for (int e = 0; e < 3; ++e)
            edges[key(Triangles[t].Index[e], Triangles[t].Index[(e + 1) % 3])].push_back({t, e});

    struct Partner {
        std::uint32_t Other;
        int MyEdge;
        int OtherEdge;
    };
    std::vector<Partner> partners;
    for (std::uint32_t a = 0; a < TriangleCount; ++a) {
        QNCOLLTRIANGLE& A = Triangles[a];
        partners.clear();
        for (int e = 0; e < 3; ++e) {
            for (const Entry& x : edges[key(A.Index[e], A.Index[(e + 1) % 3])]) {
                if (x.Triangle > a)
                    partners.push_back({x.Triangle, e, x.Edge});
            }
        }
        std::sort(partners.begin(), partners.end(), [](const Partner& p, const Partner& q) {
            return p.Other != q.Other ? p.Other < q.Other : p.MyEdge < q.MyEdge;
        });
        for (const Partner& p : partners) {
            if (!(A.EdgeFlags & kEdgeBit[p.MyEdge]))
                continue;
            QNCOLLTRIANGLE& B = Triangles[p.Other];
            bool same = true;
            for (int k = 0; k < 3; ++k)
                same = same && std::fabs(A.Normal[k] - B.Normal[k]) <= kWeldDistance;
            if (!same)
                continue;
            A.EdgeFlags &= ~kEdgeBit[p.MyEdge];
            B.EdgeFlags &= ~kEdgeBit[p.OtherEdge];
        }
    }
}

int QNCOLLGEOM::GatherTriangles(const float* centre, float radius)
{
    auto* list = (Kind == TRIANGLE_LIST && Geometry) ? static_cast<McdTriangleList*>(Geometry) : nullptr;
    if (list)
        list->triangleCount = 0;
    int count = 0;
    const QNVEC3 c(centre[0], centre[1], centre[2]);
    for (QNCOLLTRIANGLE& t : Triangles) {
        if (std::uint32_t(count) >= ContactCapacity)
            break;
        // The query sphere meets the triangle's bounding sphere, and its centre lies strictly
        // in front of the triangle's plane.
        const float reach = radius + std::sqrt(t.RadiusSq);
        const QNVEC3 d = c - QNVEC3(t.Centre[0], t.Centre[1], t.Centre[2]);
        if (!(reach * reach > d.LengthSq()))
            continue;
        if (!(t.Normal[0] * c.x + t.Normal[1] * c.y + t.Normal[2] * c.z + t.D > 0.0f))
            continue;
        McdUserTriangle& entry = Contacts[std::size_t(count++)];
        for (int k = 0; k < 3; ++k)
            entry.vertices[k] = &Vertices[t.Index[k]].x;
        entry.normal = t.Normal;
        entry.user = &t;
        entry.flags = t.EdgeFlags;
    }
    if (list)
        list->triangleCount = count;
    return count;
}

int QNCOLLGEOM::Gatherer(McdModelPair*, McdModelID listModel, const MeReal centre[3], MeReal radius)
{
    auto* list = listModel ? static_cast<McdTriangleList*>(McdModelGetGeometry(listModel)) : nullptr;
    auto* self = list ? static_cast<QNCOLLGEOM*>(list->userData) : nullptr;
    return self ? self->GatherTriangles(centre, radius) : 0;
}

float QNCOLLGEOM::IntersectSegment(const float* origin, const float* direction, float* point, float* normal) const
{
    for (const QNCOLLTRIANGLE& t : Triangles) {
        const QNVEC3& a = Vertices[t.Index[0]];
        const QNVEC3& b = Vertices[t.Index[1]];
        const QNVEC3& c = Vertices[t.Index[2]];
        MeReal u = 0, v = 0, s = 0;
        if (!MeRayTriangleIntersect(&a.x, &b.x, &c.x, origin, direction, &u, &v, &s))
            continue;
        const QNVEC3 p = a + (b - a) * u + (c - a) * v;
        for (int k = 0; k < 3; ++k) {
            point[k] = p[k];
            normal[k] = t.Normal[k];
        }
        return s;
    }
    return -1.0f;
}

// ---- shapes of meshes ----------------------------------------------------------------------

QNMESHCOLLISION* BuildMeshCollision(QNMESH& mesh, std::uint32_t kind, std::uint32_t option, const char* name)
{
    const float dx = mesh.Box.max.x - mesh.Box.min.x;
    const float dy = mesh.Box.max.y - mesh.Box.min.y;
    const float dz = mesh.Box.max.z - mesh.Box.min.z;
    const std::uint32_t vertexCount = mesh.VertexCount();
    const std::uint32_t triangleCount = mesh.IndexCount() / 3;
    auto* shape = new QNMESHCOLLISION;
    auto addVertices = [&] {
        const QNVERTEXARRAY vertices = mesh.Buffers.Vertices();
        for (std::uint32_t i = 0; i < vertexCount; ++i)
            shape->AddVertex(vertices.GetPosition(i));
    };
    auto addTriangles = [&] {
        const std::uint16_t* indices = mesh.Buffers.Indices();
        for (std::uint32_t t = 0; indices && t < triangleCount; ++t)
            shape->AddTriangle(indices[3 * t], indices[3 * t + 1], indices[3 * t + 2]);
    };
    switch (kind) {
    case QNCOLLGEOM::PLANE: shape->MakePlane(); break;
    case QNCOLLGEOM::SPHERE: shape->MakeSphere(dx / 2); break;
    case QNCOLLGEOM::BOX: shape->MakeBox(dx, dy, dz); break;
    // The radius comes from the larger of the two extents across the axis, so the shape holds
    // the whole mesh box.
    case QNCOLLGEOM::CYLINDER: shape->MakeCylinder(std::max(dx, dy) / 2, dz); break;
    case QNCOLLGEOM::CONE: shape->MakeCone(dy, std::max(dx, dz) / 2); break;
    case QNCOLLGEOM::CONVEX: {
        shape->BeginPoints(vertexCount);
        const QNVERTEXARRAY vertices = mesh.Buffers.Vertices();
        for (std::uint32_t i = 0; i < vertexCount; ++i)
            shape->AddPoint(vertices.GetPosition(i));
        shape->MakeConvex();
        break;
    }
    case QNCOLLGEOM::TRIANGLE_LIST: {
        // The list's bounds are a box centred on the model's origin: sized to hold the mesh box
        // even when that box is not centred (dx, dy, dz for a centred one).
        float extent[3];
        for (int k = 0; k < 3; ++k)
            extent[k] = 2.0f * std::max(std::fabs(mesh.Box.min[k]), std::fabs(mesh.Box.max[k]));
        shape->BeginTriangleList(extent[0], extent[1], extent[2], vertexCount, triangleCount, option);
        addVertices();
        addTriangles();
        shape->BuildTriangleList();
        break;
    }
    case QNCOLLGEOM::TRIANGLE_MESH:
        shape->BeginTriangleMesh(vertexCount, triangleCount);
        addVertices();
        addTriangles();
        shape->BuildTriangleMesh();
        break;
    case QNCOLLGEOM::AGGREGATE: shape->MakeAggregate(option); break;
    default: break;
    }
    shape->SetName(name ? name : "");
    return shape;
}

void ReleaseMeshCollision(QNMESHCOLLISION* shape)
{
    QNITEM::Destroy(shape);
}
