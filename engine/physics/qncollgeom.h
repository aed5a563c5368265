#pragma once
/// QNCOLLGEOM: the collision shape of a mesh, one geometry of the collision toolkit.
///
/// Primitive shapes are made in one call. Convex hulls, toolkit triangle meshes and the
/// engine's own triangle lists are filled point by point and triangle by triangle: points
/// closer than 0.0001 are welded, degenerate triangles are dropped, and triangle lists get per
/// triangle a plane, a centre, a bounding radius and edge flags, so that the toolkit can ask
/// for the triangles near a sphere (GatherTriangles) without the engine sorting anything.
///
/// Edge flags: bits 1 and 2 always set; bit 4 the edge from vertex 1 to 2, bit 8 from 2 to 3,
/// bit 16 from 3 to 1. An edge shared with a later triangle of the same plane normal (each
/// component within 0.0001) loses its bit in both, so no contact is made on the inner edges
/// of a flat surface. Welding and edge matching use a spatial hash and an edge map, so a build
/// costs about linear time and gives what the pairwise scans would.

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/util/qn_item.h"
#include "engine/util/qnmatrix.h"
#include "physics/collision/primitives.h"

class QNMESH;

/// One triangle of a triangle list.
struct QNCOLLTRIANGLE {
    std::uint16_t Index[4] = {0, 0, 0, 0};  ///< three vertex indices, then 0
    float Normal[3] = {0, 0, 0};            ///< unit plane normal
    float D = 0;                            ///< the plane is Normal . p + D = 0
    float Centre[3] = {0, 0, 0};            ///< mean of the three vertices
    std::uint32_t EdgeFlags = 0;
    float RadiusSq = 0;                     ///< largest squared distance from the centre to a vertex
};

class QNCOLLGEOM : public QNITEM {
public:
    enum : std::uint32_t {
        NONE = 0,
        PLANE = 1,
        SPHERE = 2,
        BOX = 3,
        CYLINDER = 4,
        CONE = 5,
        CONVEX = 6,
        TRIANGLE_LIST = 7,
        TRIANGLE_MESH = 8,
        AGGREGATE = 9,
    };
    static constexpr float kWeldDistance = 0.0001f;
    static constexpr std::uint32_t kEdgeAll = 31;

    QNCOLLGEOM();
    explicit QNCOLLGEOM(const char* name);
    ~QNCOLLGEOM() override;

    /// Frees the arrays and the contact buffer, clears the counts and destroys the toolkit
    /// geometry.
    void Clear();
    void MakePlane();
    void MakeSphere(float radius);
    void MakeBox(float x, float y, float z);
    void MakeCylinder(float radius, float height);
    void MakeCone(float height, float radius);
    void MakeAggregate(std::uint32_t count);
    /// Convex hull: room for `capacity` distinct points; AddPoint drops a point within 0.0001 of
    /// an earlier one (the first stays); MakeConvex builds the hull of the kept points.
    void BeginPoints(std::uint32_t capacity);
    void AddPoint(const QNVEC3& p);
    void MakeConvex();
    /// Toolkit triangle mesh: vertices and triangles, then BuildTriangleMesh.
    void BeginTriangleMesh(std::uint32_t vertexCapacity, std::uint32_t triangleCapacity);
    /// Engine triangle list of the given extents, answering with up to `contactCapacity`
    /// triangles per query; vertices and triangles, then BuildTriangleList.
    void BeginTriangleList(float x, float y, float z, std::uint32_t vertexCapacity, std::uint32_t triangleCapacity,
                           std::uint32_t contactCapacity);
    /// Appends a vertex (triangle meshes and lists); false when the array is full.
    bool AddVertex(const QNVEC3& p);
    /// Appends a triangle unless an index is out of range or two of its vertices lie within
    /// 0.0001 of each other; false when it was not added.
    bool AddTriangle(std::uint32_t i1, std::uint32_t i2, std::uint32_t i3);
    /// Merges vertices within 0.0001 (the first of a group stays) and renumbers the triangles.
    void Weld();
    void BuildTriangleMesh();
    void BuildTriangleList();
    /// The triangles near a sphere (centre in the list's frame), into the contact buffer.
    int GatherTriangles(const float* centre, float radius);
    /// The first triangle the ray hits: point and plane normal out, the ray parameter as the
    /// result (the distance for a unit direction); -1 when none is hit.
    float IntersectSegment(const float* origin, const float* direction, float* point, float* normal) const;

    /// The toolkit's triangle-list callback.
    static int Gatherer(McdModelPair* pair, McdModelID listModel, const MeReal centre[3], MeReal radius);
    /// Whether two points lie within 0.0001 of each other.
    static bool PointsWithin(const QNVEC3& a, const QNVEC3& b);

    McdGeometry* Geometry = nullptr;
    std::vector<McdUserTriangle> Contacts;  ///< triangle-list contact buffer
    std::uint32_t ContactCapacity = 0;
    std::uint32_t VertexCount = 0;
    std::uint32_t TriangleCount = 0;
    std::vector<QNVEC3> Vertices;
    std::vector<QNCOLLTRIANGLE> Triangles;
    std::uint32_t Kind = NONE;

private:
    class PointGrid;
    void BuildEdgeFlags();

    std::unique_ptr<PointGrid> points_;  ///< kept hull points by grid cell
};

/// The collision shape of a mesh, as the mesh holds it.
struct QNMESHCOLLISION : public QNCOLLGEOM {
    using QNCOLLGEOM::QNCOLLGEOM;
};

/// Builds the shape of `kind` for `mesh`, sized from its box (dx, dy, dz): plane; sphere of
/// radius dx / 2; box; cylinder of radius max(dx, dy) / 2 and height dz; cone of height dy and
/// radius max(dx, dz) / 2; hull of the vertices; triangle list (contact capacity `option`,
/// bounds centred on the origin and large enough for the mesh box);
/// triangle mesh; aggregate of `option` elements. Other kinds give an empty shape (no geometry)
/// that still carries the name.
QNMESHCOLLISION* BuildMeshCollision(QNMESH& mesh, std::uint32_t kind, std::uint32_t option, const char* name);
void ReleaseMeshCollision(QNMESHCOLLISION* shape);
