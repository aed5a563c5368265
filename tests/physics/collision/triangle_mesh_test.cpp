// Triangle meshes: storage and build, box-tree invariants, box fitting, segment queries.

#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "collision_test_support.h"
#include "physics/collision/mass.h"
#include "physics/collision/triangle_mesh.h"
#include "physics/collision/triangle_mesh_tree.h"
#include "physics/collision/triangle_mesh_walk_local.h"
#include "triangle_mesh_test_support.h"

namespace {

using colltest::FrameworkTest;
using colltest::Uniform;
using meshtest::MeshData;

class TriangleMeshTest : public FrameworkTest {};

TEST_F(TriangleMeshTest, TypeAndInteractionsAreRegisteredAtStartUp)
{
    const McdGeometryTypeEntry* e = McdFrameworkGetTypeEntry(framework, kMcdTriangleMeshType);
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->registered, 1);
    EXPECT_STREQ(e->name, "CxTriangleMesh");
    EXPECT_EQ(e->destroy, McdTriangleMeshDestroy);
    EXPECT_EQ(e->lineSegment, McdTriangleMeshLineSegment);
    const McdInteraction* pair = McdFrameworkGetInteractionEntry(framework, kMcdTriangleMeshType, kMcdTriangleMeshType);
    ASSERT_NE(pair, nullptr);
    EXPECT_EQ(pair->fns.intersect, McdTriangleMeshTriangleMeshIntersect);
    colltest::MessageCapture capture;
    MeReal point[3] = {7, 7, 7};
    CxTriangleMeshMaximPoint(nullptr, point, point);
    ASSERT_EQ(capture.warnings.size(), 1u);
    EXPECT_NE(capture.warnings[0].find("CxTriangleMeshMaximPoint not implemented"), std::string::npos);
    EXPECT_EQ(point[0], 7);
}

TEST_F(TriangleMeshTest, AddTriangleRefusesDegenerateAndGrowsByDoubling)
{
    const MeReal p[5][3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {2, 0, 0}, {0, 0, 1}};
    McdGeometryID g = McdTriangleMeshCreate(framework, 0);
    CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->capacity, 1);
    EXPECT_EQ(McdTriangleMeshAddTriangle(g, p[0], p[1], p[3]), 0);  // collinear
    EXPECT_EQ(McdTriangleMeshAddTriangle(g, p[0], p[0], p[2]), 0);  // coincident
    EXPECT_EQ(m->count, 0);
    EXPECT_EQ(McdTriangleMeshAddTriangle(g, p[0], p[1], p[2]), 1);
    EXPECT_EQ(McdTriangleMeshAddTriangle(g, p[0], p[2], p[1]), 1);
    EXPECT_EQ(m->capacity, 2);
    EXPECT_EQ(McdTriangleMeshAddTriangle(g, p[0], p[1], p[4]), 1);
    EXPECT_EQ(m->capacity, 4);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    const MeReal *n0 = nullptr, *n1 = nullptr;
    McdTriangleMeshGetTriangleNormalPtr(g, 0, &n0);
    McdTriangleMeshGetTriangleNormalPtr(g, 1, &n1);
    EXPECT_FLOAT_EQ(n0[2], 1.0f);
    EXPECT_FLOAT_EQ(n1[2], -1.0f);
    EXPECT_FLOAT_EQ(McdTriangleMeshGetTriangleArea(g, 0), 0.5f);
    McdGeometryDestroy(g);
}

TEST_F(TriangleMeshTest, BuildTrimsOnlyWhenMoreThanTenSpare)
{
    MeshData data = meshtest::RandomSoup(100, 1.0f);
    for (int capacity : {200, 110}) {
        McdGeometryID g = data.Make(framework, capacity);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        EXPECT_EQ(static_cast<CxTriangleMesh*>(g)->capacity, capacity == 200 ? 100 : 110);
        McdGeometryDestroy(g);
    }
}

TEST_F(TriangleMeshTest, UpdateOnIdentityIsTheLocalBoxWidened)
{
    MeshData data = meshtest::Cube(0.5f, 0.2f, 0.3f, 0.7f);
    McdGeometryID g = data.Make(framework, 4);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    McdModelUpdate(model);
    MeReal lo[3], hi[3];
    McdModelGetAABB(model, lo, hi);
    const MeReal expectLo[3] = {-0.3f, -0.2f, 0.2f}, expectHi[3] = {0.7f, 0.8f, 1.2f};
    for (int k = 0; k < 3; ++k) {
        EXPECT_NEAR(lo[k], expectLo[k] - 1e-6f, 1e-6f);
        EXPECT_NEAR(hi[k], expectHi[k] + 1e-6f, 1e-6f);
    }
    McdModelDestroy(model);
    McdGeometryDestroy(g);
}

TEST_F(TriangleMeshTest, EmptyMeshBuildsNothingAndIsNeverHit)
{
    McdGeometryID g = McdTriangleMeshCreate(framework, 8);
    CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
    EXPECT_EQ(McdTriangleMeshBuild(g), 0);
    EXPECT_EQ(m->tree, nullptr);
    for (int k = 0; k < 3; ++k) {
        EXPECT_EQ(m->halfExtents[k], 0);
        EXPECT_EQ(m->centre[k], 0);
    }
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    const MeReal p0[3] = {0, 0, -1}, p1[3] = {0, 0, 1};
    McdLineSegIntersectResult hit;
    EXPECT_EQ(McdTriangleMeshLineSegment(model, p0, p1, &hit), 0);
    McdModelDestroy(model);
    McdGeometryDestroy(g);
}

TEST_F(TriangleMeshTest, MassPropertiesOfAClosedCube)
{
    MeshData data = meshtest::Cube(0.5f, 1.0f, -2.0f, 0.5f);
    McdGeometryID g = data.Make(framework, 12);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    MeReal relTM[16], inertia[9], volume = 0;
    EXPECT_EQ(McdGeometryGetMassProperties(g, relTM, inertia, &volume), 0);
    EXPECT_NEAR(volume, 1.0f, 1e-5f);
    EXPECT_NEAR(relTM[12], 1.0f, 1e-5f);
    EXPECT_NEAR(relTM[13], -2.0f, 1e-5f);
    EXPECT_NEAR(relTM[14], 0.5f, 1e-5f);
    // A unit cube per unit mass: 1/6 on the diagonal.
    for (int i = 0; i < 9; ++i)
        EXPECT_NEAR(inertia[i], i % 4 == 0 ? 1.0f / 6 : 0.0f, 1e-4f) << i;
    MeReal centre[3], radius = 0;
    ASSERT_TRUE(McdGeometryGetBSphere(g, centre, &radius));
    EXPECT_NEAR(radius, std::sqrt(0.75f), 1e-6f);
    McdGeometryDestroy(g);
}

int gReleaseCalls = 0;
void CountRelease(void* argument)
{
    gReleaseCalls += *static_cast<int*>(argument);
}

TEST_F(TriangleMeshTest, DestroyCallsTheReleaseHookOnce)
{
    MeshData data = meshtest::Cube(0.5f, 0, 0, 0);
    McdGeometryID g = data.Make(framework, 12);
    int weight = 1;
    static_cast<CxTriangleMesh*>(g)->release = CountRelease;
    static_cast<CxTriangleMesh*>(g)->releaseArgument = &weight;
    gReleaseCalls = 0;
    McdGeometryDestroy(g);
    EXPECT_EQ(gReleaseCalls, 1);
}

// Tree invariants: 2n - 1 nodes in depth-first order, each leaf one triangle, every triangle
// in one leaf, every box containing all corners of its subtree.
int CheckSubtree(const CxTriangleMesh* m, const CxTriangleMeshTreeNode* base, const CxTriangleMeshTreeNode* node,
                 std::vector<int>& seen, std::vector<int>& triangles)
{
    const int index = static_cast<int>(node - base);
    if (node->triangle >= 0) {
        EXPECT_EQ(node->left, nullptr);
        EXPECT_EQ(node->right, nullptr);
        seen[node->triangle]++;
        triangles.push_back(node->triangle);
        return 1;
    }
    EXPECT_NE(node->left, nullptr);
    EXPECT_NE(node->right, nullptr);
    if (!node->left || !node->right)
        return 0;
    EXPECT_EQ(node->left->parent, node);
    EXPECT_EQ(node->right->parent, node);
    EXPECT_EQ(node->left - base, index + 1);
    const size_t start = triangles.size();
    const int leftLeaves = CheckSubtree(m, base, node->left, seen, triangles);
    EXPECT_EQ(node->right - base, index + 2 * leftLeaves);
    const int leaves = leftLeaves + CheckSubtree(m, base, node->right, seen, triangles);
    const CxOrientedBox& b = node->box;
    // Projections are rounded at the scale of the coordinates themselves.
    const MeReal scale = std::fabs(b.centre[0]) + std::fabs(b.centre[1]) + std::fabs(b.centre[2]) + b.ext[0];
    const MeReal tol = 1e-5f + 2e-6f * scale;
    for (size_t i = start; i < triangles.size(); ++i)
        for (const MeReal* p : m->triangles[triangles[i]].v)
            for (int k = 0; k < 3; ++k) {
                const MeReal q = (p[0] - b.centre[0]) * b.axis[k][0] + (p[1] - b.centre[1]) * b.axis[k][1] +
                                 (p[2] - b.centre[2]) * b.axis[k][2];
                EXPECT_LE(std::fabs(q), b.ext[k] + tol);
            }
    return leaves;
}

void CheckTree(const CxTriangleMesh* m)
{
    ASSERT_NE(m->tree, nullptr);
    const CxTriangleMeshTree* tree = m->tree;
    ASSERT_EQ(tree->nodeCount, 2 * m->count - 1);
    EXPECT_EQ(tree->nextNode, 2 * m->count - 2);
    EXPECT_EQ(tree->nodes[0].parent, nullptr);
    std::vector<int> seen(static_cast<size_t>(m->count), 0), triangles;
    // Leaf boxes of single triangles are checked too: the walk reaches them.
    CheckSubtree(m, tree->nodes, tree->nodes, seen, triangles);
    for (int s : seen)
        EXPECT_EQ(s, 1);
    for (int i = 0; i < tree->nodeCount; ++i) {
        const CxOrientedBox& b = tree->nodes[i].box;
        EXPECT_GE(b.ext[0], b.ext[1]);
        EXPECT_GE(b.ext[1], b.ext[2]);
        for (int a = 0; a < 3; ++a)
            for (int c = 0; c < 3; ++c) {
                const MeReal dot = b.axis[a][0] * b.axis[c][0] + b.axis[a][1] * b.axis[c][1] + b.axis[a][2] * b.axis[c][2];
                EXPECT_NEAR(dot, a == c ? 1.0f : 0.0f, 1e-4f);
            }
    }
}

TEST_F(TriangleMeshTest, TreeInvariantsOnRandomAndAdversarialMeshes)
{
    std::vector<MeshData> meshes;
    meshes.push_back(meshtest::RandomSoup(1, 1.0f));
    meshes.push_back(meshtest::RandomSoup(2, 1.0f));
    meshes.push_back(meshtest::RandomSoup(57, 2.0f));
    meshes.push_back(meshtest::RandomSoup(300, 10.0f));
    meshes.push_back(meshtest::Sphere(1.0f, 12, 8));
    meshes.push_back(meshtest::Coincident(40));
    meshes.push_back(meshtest::Strip(3000));
    for (MeshData& data : meshes) {
        McdGeometryID g = data.Make(framework, 16);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        CheckTree(static_cast<CxTriangleMesh*>(g));
        // A second build over the same triangles gives the same shape.
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        CheckTree(static_cast<CxTriangleMesh*>(g));
        McdGeometryDestroy(g);
    }
}

TEST_F(TriangleMeshTest, TwoTrianglesAlwaysGiveARootAndTwoLeaves)
{
    MeshData data = meshtest::Coincident(2);
    McdGeometryID g = data.Make(framework, 2);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    const CxTriangleMeshTree* tree = static_cast<CxTriangleMesh*>(g)->tree;
    EXPECT_EQ(tree->nodes[0].triangle, -1);
    EXPECT_EQ(tree->nodes[1].triangle, 0);
    EXPECT_EQ(tree->nodes[2].triangle, 1);
    McdGeometryDestroy(g);
}

TEST_F(TriangleMeshTest, SeededBuildsAreIdentical)
{
    MeshData data = meshtest::RandomSoup(200, 3.0f);
    std::vector<CxTriangleMeshTreeNode> first;
    for (int run = 0; run < 2; ++run) {
        MeRandomSeed(777);
        McdGeometryID g = data.Make(framework, 16);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        const CxTriangleMeshTree* tree = static_cast<CxTriangleMesh*>(g)->tree;
        if (run == 0) {
            first.assign(tree->nodes, tree->nodes + tree->nodeCount);
        } else {
            for (int i = 0; i < tree->nodeCount; ++i)
                EXPECT_EQ(std::memcmp(&first[static_cast<size_t>(i)].box, &tree->nodes[i].box, sizeof(CxOrientedBox)), 0);
        }
        McdGeometryDestroy(g);
    }
}

// The fitter as a plain scan over every corner of every listed triangle: the tree build's
// fast fitter (distinct corners gathered, projected four at a time) must give the same boxes
// bit for bit, including the first-corner rule on ties and the random restart.
void ReferenceExtents(const CxTriangleMesh* m, CxOrientedBox* box, const std::vector<int>& list,
                      const MeReal* extremes[3][2])
{
    MeReal centre[3] = {0, 0, 0};
    for (int k = 0; k < 3; ++k) {
        const MeReal *hiV = nullptr, *loV = nullptr;
        MeReal hi = 0, lo = 0;
        CxTriangleSetExtremeVertices(m, list.data(), static_cast<int>(list.size()), box->axis[k], &hiV, &loV, &hi, &lo);
        box->ext[k] = std::fabs(hi - lo) * 0.5f;
        for (int j = 0; j < 3; ++j)
            centre[j] += box->axis[k][j] * (lo + box->ext[k]);
        extremes[k][0] = hiV;
        extremes[k][1] = loV;
    }
    std::memcpy(box->centre, centre, sizeof centre);
}

CxOrientedBox ReferenceFit(const CxTriangleMesh* m, const std::vector<int>& list)
{
    CxOrientedBox box;
    if (list.size() == 1) {
        CxBoxFitTriangle(m, &box, list[0]);
        return box;
    }
    const MeReal n = static_cast<MeReal>(list.size());
    MeReal mean[3] = {0, 0, 0}, C[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i : list) {
        const CxTriangle& t = m->triangles[i];
        const MeReal a = McdTriangleArea(t.v[0], t.v[1], t.v[2]);
        if (std::fabs(a) > 1e-6f)
            for (int k = 0; k < 3; ++k)
                mean[k] += (t.v[0][k] + t.v[1][k] + t.v[2][k]) * (1.0f / a);
    }
    for (MeReal& x : mean)
        x *= 1.0f / (6.0f * n);
    for (int i : list) {
        const CxTriangle& t = m->triangles[i];
        const MeReal a = McdTriangleArea(t.v[0], t.v[1], t.v[2]);
        if (std::fabs(a) <= 1e-6f)
            continue;
        MeReal M[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0};
        for (const MeReal* p : t.v)
            for (int r = 0; r < 3; ++r)
                for (int c = 0; c < 3; ++c)
                    M[r * 3 + c] += (p[r] - mean[r]) * (p[c] - mean[c]);
        for (int k = 0; k < 9; ++k)
            C[k] += M[k] * (1.0f / a);
    }
    for (MeReal& x : C)
        x *= 0.5f / (6.0f * n);
    MeReal V[9];
    const int sweeps = CxEigenSolve3(V, C);
    for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 3; ++j)
            box.axis[k][j] = sweeps > 35 ? (j == k ? 1.0f : 0.0f) : V[j * 3 + k];
    const MeReal* extremes[3][2];
    ReferenceExtents(m, &box, list, extremes);
    CxBoxSortAxes(&box);
    // Descent.
    CxOrientedBox work = box;
    ReferenceExtents(m, &work, list, extremes);
    CxOrientedBox best = work;
    MeReal step = -0.1f, current = CxBoxCost(work.ext), bestCost = current;
    for (int iteration = 0; iteration < 35; ++iteration) {
        const MeReal prev = current;
        const MeReal* e = work.ext;
        const MeReal W[3] = {e[1] * e[2], e[0] * e[2], e[0] * e[1]};
        MeReal g[3] = {0, 0, 0};
        for (int k = 0; k < 3; ++k) {
            const MeReal* a = work.axis[k];
            MeReal s[3];
            for (int j = 0; j < 3; ++j)
                s[j] = extremes[k][0][j] - extremes[k][1][j];
            const MeReal c[3] = {a[1] * s[2] - a[2] * s[1], a[2] * s[0] - a[0] * s[2], a[0] * s[1] - a[1] * s[0]};
            for (int j = 0; j < 3; ++j)
                g[j] += W[k] * c[j];
        }
        const MeReal len = std::sqrt(g[0] * g[0] + g[1] * g[1] + g[2] * g[2]);
        if (len > 1e-30f)
            for (MeReal& x : g)
                x /= len;
        else if (iteration == 0)
            CxRandomUnitVector(g);
        else
            break;
        const MeReal w = std::cos(step * 0.5f), sn = std::sin(step * 0.5f);
        const MeReal x = sn * g[0], y = sn * g[1], z = sn * g[2];
        const MeReal R[3][3] = {{1 - 2 * (y * y + z * z), 2 * (x * y - w * z), 2 * (x * z + w * y)},
                                {2 * (x * y + w * z), 1 - 2 * (x * x + z * z), 2 * (y * z - w * x)},
                                {2 * (x * z - w * y), 2 * (y * z + w * x), 1 - 2 * (x * x + y * y)}};
        for (auto& axis : work.axis) {
            const MeReal v[3] = {axis[0], axis[1], axis[2]};
            for (int r = 0; r < 3; ++r)
                axis[r] = R[r][0] * v[0] + R[r][1] * v[1] + R[r][2] * v[2];
        }
        ReferenceExtents(m, &work, list, extremes);
        current = CxBoxCost(work.ext);
        if (current < bestCost) {
            bestCost = current;
            best = work;
        }
        if (current > prev) {
            step *= 0.6666667f;
            if (std::fabs(step) < 0.0001f)
                break;
        }
    }
    box = current <= bestCost ? work : best;
    CxBoxSortAxes(&box);
    return box;
}

// A k x k grid with shared corners; heights random, or all 0 for a flat floor full of ties.
MeshData Grid(int k, MeReal roughness)
{
    MeshData d;
    for (int j = 0; j <= k; ++j)
        for (int i = 0; i <= k; ++i)
            d.vertices.push_back({static_cast<MeReal>(i), static_cast<MeReal>(j), roughness > 0 ? Uniform(0, roughness) : 0});
    for (int j = 0; j < k; ++j)
        for (int i = 0; i < k; ++i) {
            const int a = j * (k + 1) + i, b = a + 1, c = a + k + 1, e = c + 1;
            d.triangles.push_back({a, b, e});
            d.triangles.push_back({a, e, c});
        }
    return d;
}

// Rough and flat grids (the flat one full of ties and random starts), a soup, a sphere,
// coincident triangles and a strip.
std::vector<MeshData> FitterMeshes()
{
    std::vector<MeshData> meshes;
    meshes.push_back(Grid(12, 0.5f));
    meshes.push_back(Grid(10, 0));
    meshes.push_back(meshtest::RandomSoup(150, 4.0f));
    meshes.push_back(meshtest::Sphere(1.0f, 16, 10));
    meshes.push_back(meshtest::Coincident(9));
    meshes.push_back(meshtest::Strip(60));
    return meshes;
}

TEST_F(TriangleMeshTest, TreeFitterGivesTheBoxesOfAPlainScanOverEveryCorner)
{
    MeRandomSeed(31);
    std::vector<MeshData> meshes = FitterMeshes();
    int compared = 0;
    for (MeshData& data : meshes) {
        McdGeometryID g = data.Make(framework, 16);
        const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
        CxBoxFitScratch* scratch = CxBoxFitScratchCreate(m);
        ASSERT_NE(scratch, nullptr);
        for (int trial = 0; trial < 40; ++trial) {
            // A random list (order shuffled, sizes from one to all) of distinct triangles.
            std::vector<int> list;
            for (int i = 0; i < m->count; ++i)
                list.push_back(i);
            for (int i = m->count - 1; i > 0; --i)
                std::swap(list[static_cast<size_t>(i)], list[static_cast<size_t>(MeRandom() % (i + 1))]);
            const int size = trial == 0 ? m->count : 1 + MeRandom() % m->count;
            list.resize(static_cast<size_t>(size));
            const unsigned seed = static_cast<unsigned>(MeRandom());
            MeRandomSeed(seed);
            const CxOrientedBox expected = ReferenceFit(m, list);
            MeRandomSeed(seed);
            CxOrientedBox fast, plain;
            CxBoxFitterFitWith(scratch, m, &fast, list.data(), size);
            MeRandomSeed(seed);
            CxBoxFitterFit(m, &plain, list.data(), size);
            EXPECT_EQ(std::memcmp(&expected, &fast, sizeof fast), 0) << "mesh triangles " << m->count << " list " << size;
            EXPECT_EQ(std::memcmp(&expected, &plain, sizeof plain), 0);
            ++compared;
        }
        CxBoxFitScratchDestroy(scratch);
        McdGeometryDestroy(g);
    }
    EXPECT_EQ(compared, 240);
}

// The generator's next value without disturbing the sequence a caller sees afterwards.
int PeekRandom()
{
    MeRandomGenerator copy;
    MeRandomGenerator* current = MeRandomSetGenerator(&copy);
    copy = *current;
    const int next = MeRandom();
    MeRandomSetGenerator(current);
    return next;
}

// The triangle list each node was fitted to: the root's is 0..n-1 and a child's is its
// parent's list with only the child's own triangles kept, in the parent's order (the split
// is stable).
void NodeLists(const CxTriangleMeshTree* tree, const CxTriangleMeshTreeNode* node, const std::vector<int>& list,
               std::vector<std::vector<int>>& lists)
{
    lists[static_cast<size_t>(node - tree->nodes)] = list;
    if (node->triangle >= 0)
        return;
    std::vector<char> inLeft(static_cast<size_t>(tree->mesh->count), 0);
    std::vector<const CxTriangleMeshTreeNode*> walk{node->left};
    while (!walk.empty()) {
        const CxTriangleMeshTreeNode* n = walk.back();
        walk.pop_back();
        if (n->triangle >= 0) {
            inLeft[static_cast<size_t>(n->triangle)] = 1;
        } else {
            walk.push_back(n->left);
            walk.push_back(n->right);
        }
    }
    std::vector<int> left, right;
    for (int t : list)
        (inLeft[static_cast<size_t>(t)] ? left : right).push_back(t);
    NodeLists(tree, node->left, left, lists);
    NodeLists(tree, node->right, right, lists);
}

// Every node's list, indexed by node.
std::vector<std::vector<int>> TreeLists(const CxTriangleMeshTree* tree)
{
    std::vector<int> all;
    for (int i = 0; i < tree->mesh->count; ++i)
        all.push_back(i);
    std::vector<std::vector<int>> lists(static_cast<size_t>(tree->nodeCount));
    NodeLists(tree, tree->nodes, all, lists);
    return lists;
}

// Nodes are fitted in batches and in no fixed order, yet the tree must be the one a
// depth-first build of plain fits gives, draws from the generator included: a flat grid
// makes many descents start from a random direction.
TEST_F(TriangleMeshTest, TreeBoxesAreThePlainFitsInDepthFirstOrder)
{
    MeRandomSeed(57);
    std::vector<MeshData> meshes = FitterMeshes();
    meshes.push_back(Grid(24, 0));
    int meshesThatDraw = 0;
    for (MeshData& data : meshes) {
        McdGeometryID g = data.Make(framework, 16);
        const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
        MeRandomSeed(2024);
        const int undrawn = PeekRandom();
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        const int afterBuild = PeekRandom();
        meshesThatDraw += afterBuild != undrawn;
        const CxTriangleMeshTree* tree = m->tree;
        const std::vector<std::vector<int>> lists = TreeLists(tree);
        MeRandomSeed(2024);
        int differ = 0;
        for (int i = 0; i < tree->nodeCount; ++i) {
            const CxOrientedBox expected = ReferenceFit(m, lists[static_cast<size_t>(i)]);
            differ += std::memcmp(&expected, &tree->nodes[i].box, sizeof expected) != 0;
        }
        EXPECT_EQ(differ, 0) << "mesh of " << m->count << " triangles";
        EXPECT_EQ(PeekRandom(), afterBuild) << "the build drew a different number of values";
        McdGeometryDestroy(g);
    }
    EXPECT_GE(meshesThatDraw, 1);
}

// A batch fits each box as a single fit would, and gives up exactly the fits that would
// draw from the generator, drawing nothing itself.
TEST_F(TriangleMeshTest, BatchFitsAreSingleFitsAndNeverDraw)
{
    MeRandomSeed(8);
    MeshData flat = Grid(8, 0), rough = Grid(8, 0.4f);
    int givenUp = 0, fitted = 0;
    for (MeshData* data : {&flat, &rough}) {
        McdGeometryID g = data->Make(framework, 16);
        const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
        CxBoxFitScratch* scratch = CxBoxFitScratchCreate(m);
        ASSERT_NE(scratch, nullptr);
        for (int trial = 0; trial < 30; ++trial) {
            std::vector<std::vector<int>> lists(kCxBoxFitBatch);
            const int k = 1 + trial % kCxBoxFitBatch;
            for (int j = 0; j < k; ++j) {
                // Rectangular patches of the grid (which often need a random start on the flat
                // one), or single triangles.
                const int x0 = MeRandom() % 6, y0 = MeRandom() % 6, w = 1 + MeRandom() % 3, h = MeRandom() % 3;
                for (int y = y0; y <= y0 + h; ++y)
                    for (int x = x0; x < x0 + w; ++x)
                        lists[static_cast<size_t>(j)].push_back(2 * (y * 8 + x));
                if (j % 3 == 2)
                    lists[static_cast<size_t>(j)].resize(1);
            }
            CxOrientedBox boxes[kCxBoxFitBatch];
            CxOrientedBox* out[kCxBoxFitBatch];
            const int* in[kCxBoxFitBatch];
            int counts[kCxBoxFitBatch];
            for (int j = 0; j < k; ++j) {
                out[j] = &boxes[j];
                in[j] = lists[static_cast<size_t>(j)].data();
                counts[j] = static_cast<int>(lists[static_cast<size_t>(j)].size());
            }
            const int before = PeekRandom();
            const int mask = CxBoxFitterFitBatch(scratch, m, k, out, in, counts);
            ASSERT_EQ(PeekRandom(), before) << "a batch drew from the generator";
            for (int j = 0; j < k; ++j) {
                MeRandomSeed(99);
                const int undrawn = PeekRandom();
                const CxOrientedBox single = ReferenceFit(m, lists[static_cast<size_t>(j)]);
                const bool drew = PeekRandom() != undrawn;
                EXPECT_EQ(((mask >> j) & 1) != 0, !drew) << "trial " << trial << " box " << j;
                if ((mask >> j) & 1) {
                    EXPECT_EQ(std::memcmp(&single, &boxes[j], sizeof single), 0) << "trial " << trial << " box " << j;
                    ++fitted;
                } else {
                    ++givenUp;
                }
            }
        }
        CxBoxFitScratchDestroy(scratch);
        McdGeometryDestroy(g);
    }
    EXPECT_GT(givenUp, 0);
    EXPECT_GT(fitted, 0);
}

// The long form keeps, per node, a rectangle-sphere volume that holds every corner of the
// node's triangles.
TEST_F(TriangleMeshTest, LongFormVolumesHoldTheirTriangles)
{
    MeRandomSeed(12);
    MeshData data = meshtest::RandomSoup(120, 3.0f);
    McdGeometryID g = McdTriangleMeshCreateFull(framework, 16, 1);
    for (const auto& t : data.triangles)
        McdTriangleMeshAddTriangle(g, data.vertices[static_cast<size_t>(t[0])].data(),
                                   data.vertices[static_cast<size_t>(t[1])].data(),
                                   data.vertices[static_cast<size_t>(t[2])].data());
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
    const CxTriangleMeshTree* tree = m->tree;
    ASSERT_NE(tree->rectSpheres, nullptr);
    const std::vector<std::vector<int>> lists = TreeLists(tree);
    int shrunk = 0;
    for (int i = 0; i < tree->nodeCount; ++i) {
        const CxOrientedBox& b = tree->nodes[i].box;
        const CxRectSphere& v = tree->rectSpheres[i];
        EXPECT_EQ(v.radius, b.ext[2]);
        EXPECT_LE(v.half[0], b.ext[0]);
        EXPECT_LE(v.half[1], b.ext[1]);
        shrunk += v.half[0] < b.ext[0];
        for (int t : lists[static_cast<size_t>(i)])
            for (const MeReal* p : m->triangles[t].v) {
                MeReal q[3];
                for (int k = 0; k < 3; ++k)
                    q[k] = (p[0] - b.centre[0]) * b.axis[k][0] + (p[1] - b.centre[1]) * b.axis[k][1] +
                           (p[2] - b.centre[2]) * b.axis[k][2];
                const MeReal dx = std::fmax(std::fabs(q[0]) - v.half[0], 0);
                const MeReal dy = std::fmax(std::fabs(q[1]) - v.half[1], 0);
                EXPECT_LE(std::sqrt(dx * dx + dy * dy + q[2] * q[2]), v.radius + 1e-4f) << "node " << i;
            }
    }
    EXPECT_GT(shrunk, 0);
    // The short form keeps no volumes.
    McdGeometryID plain = data.Make(framework, 16);
    ASSERT_EQ(McdTriangleMeshBuild(plain), 1);
    EXPECT_EQ(static_cast<CxTriangleMesh*>(plain)->tree->rectSpheres, nullptr);
    McdGeometryDestroy(plain);
    McdGeometryDestroy(g);
}

TEST(BoxFitter, JacobiDiagonalisesAndSortsEigenvectors)
{
    MeReal diag[9] = {1, 0, 0, 0, 3, 0, 0, 0, 2};
    MeReal V[9];
    EXPECT_EQ(CxEigenSolve3(V, diag), 0);
    // Columns sorted by eigenvalue 3, 2, 1: y, z, x.
    EXPECT_EQ(V[1 * 3 + 0], 1.0f);
    EXPECT_EQ(V[2 * 3 + 1], 1.0f);
    EXPECT_EQ(V[0 * 3 + 2], 1.0f);

    MeRandomSeed(5);
    for (int trial = 0; trial < 50; ++trial) {
        MeReal a[9];
        for (int r = 0; r < 3; ++r)
            for (int c = r; c < 3; ++c)
                a[r * 3 + c] = a[c * 3 + r] = Uniform(-5, 5);
        MeReal C[9];
        std::memcpy(C, a, sizeof C);
        const int sweeps = CxEigenSolve3(V, C);
        ASSERT_LE(sweeps, 35);
        // A v = lambda v for each column, lambda = v.A.v, largest first.
        MeReal lambda[3];
        for (int col = 0; col < 3; ++col) {
            MeReal av[3] = {0, 0, 0};
            for (int r = 0; r < 3; ++r)
                for (int k = 0; k < 3; ++k)
                    av[r] += a[r * 3 + k] * V[k * 3 + col];
            lambda[col] = av[0] * V[col] + av[1] * V[3 + col] + av[2] * V[6 + col];
            for (int r = 0; r < 3; ++r)
                EXPECT_NEAR(av[r], lambda[col] * V[r * 3 + col], 5e-3f);
        }
        EXPECT_GE(lambda[0], lambda[1] - 1e-3f);
        EXPECT_GE(lambda[1], lambda[2] - 1e-3f);
    }
}

TEST(BoxFitter, CostMeasureChoosesDiagonalForFlatAndLongBoxes)
{
    const MeReal flat[3] = {1, 1, 0};
    const MeReal longBox[3] = {30, 1, 1};
    const MeReal cube[3] = {1, 1, 1};
    EXPECT_FLOAT_EQ(CxBoxCost(flat), 2.0f);
    EXPECT_FLOAT_EQ(CxBoxCost(longBox), 902.0f);
    EXPECT_FLOAT_EQ(CxBoxCost(cube), 3.0f);
}

TEST_F(TriangleMeshTest, DescentNeverEndsAboveTheCovarianceBox)
{
    for (int trial = 0; trial < 20; ++trial) {
        MeshData data = meshtest::RandomSoup(12, 2.0f);
        McdGeometryID g = data.Make(framework, 12);
        const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
        std::vector<int> indices;
        for (int i = 0; i < m->count; ++i)
            indices.push_back(i);
        MeReal C[9] = {0, 0, 0, 0, 0, 0, 0, 0, 0}, V[9];
        CxTriangleSetCovariance(m, indices.data(), m->count, C);
        ASSERT_LE(CxEigenSolve3(V, C), 35);
        MeReal start[3];
        for (int k = 0; k < 3; ++k) {
            const MeReal axis[3] = {V[k], V[3 + k], V[6 + k]};
            MeReal hi = 0, lo = 0;
            CxTriangleSetExtremeVertices(m, indices.data(), m->count, axis, nullptr, nullptr, &hi, &lo);
            start[k] = (hi - lo) * 0.5f;
        }
        CxOrientedBox box;
        CxBoxFitterFit(m, &box, indices.data(), m->count);
        EXPECT_LE(CxBoxCost(box.ext), CxBoxCost(start) * (1 + 1e-5f));
        for (int i = 0; i < m->count; ++i)
            for (const MeReal* p : m->triangles[i].v)
                for (int k = 0; k < 3; ++k) {
                    const MeReal q = (p[0] - box.centre[0]) * box.axis[k][0] + (p[1] - box.centre[1]) * box.axis[k][1] +
                                     (p[2] - box.centre[2]) * box.axis[k][2];
                    EXPECT_LE(std::fabs(q), box.ext[k] + 1e-5f);
                }
        McdGeometryDestroy(g);
    }
}

// Segment queries against a brute-force scan of every triangle.
class MeshSegmentTest : public FrameworkTest {
protected:
    /// A model of g at a random pose about (x, y, z); t holds the pose.
    McdModelID PlacedModel(McdGeometryID g, MeMatrix4 t, MeReal x, MeReal y, MeReal z)
    {
        colltest::RandomPose(t, x, y, z);
        McdModelID model = McdModelCreate(g);
        McdModelSetTransformPtr(model, t);
        return model;
    }

    int BruteForce(const CxTriangleMesh* m, MeConstMatrix4Ptr t, const MeReal p0[3], const MeReal p1[3],
                   McdLineSegIntersectResult* hit)
    {
        const MeReal d[3] = {p1[0] - p0[0], p1[1] - p0[1], p1[2] - p0[2]};
        const MeReal L = std::sqrt(d[0] * d[0] + d[1] * d[1] + d[2] * d[2]);
        MeReal tBest = 2.0f;
        for (int i = 0; i < m->count; ++i) {
            MeReal w[3][3], n[3];
            for (int c = 0; c < 3; ++c)
                meshtest::ToWorld(t, m->triangles[i].v[c], w[c]);
            for (int j = 0; j < 3; ++j)
                n[j] = m->normals[3 * i] * t[0][j] + m->normals[3 * i + 1] * t[1][j] + m->normals[3 * i + 2] * t[2][j];
            CxSegmentTriangle(w[0], w[1], w[2], n, p0, d, L, &tBest, hit);
        }
        return tBest < 1.0f;
    }
};

TEST_F(MeshSegmentTest, TreeWalkEqualsBruteForce)
{
    MeshData data = meshtest::Sphere(1.0f, 16, 10);
    MeshData soup = meshtest::RandomSoup(150, 2.0f);
    for (MeshData* mesh : {&data, &soup}) {
        McdGeometryID g = mesh->Make(framework, 16);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        MeMatrix4 t;
        McdModelID model = PlacedModel(g, t, 0.3f, -0.2f, 0.5f);
        int hits = 0;
        for (int trial = 0; trial < 400; ++trial) {
            MeReal p0[3], p1[3];
            for (int k = 0; k < 3; ++k) {
                p0[k] = Uniform(-2.5f, 2.5f);
                p1[k] = Uniform(-2.5f, 2.5f);
            }
            McdLineSegIntersectResult fast, slow;
            const int a = McdTriangleMeshLineSegment(model, p0, p1, &fast);
            const int b = BruteForce(static_cast<CxTriangleMesh*>(g), t, p0, p1, &slow);
            ASSERT_EQ(a, b) << "trial " << trial;
            if (a) {
                ++hits;
                EXPECT_NEAR(fast.distance, slow.distance, 1e-5f);
                for (int k = 0; k < 3; ++k)
                    EXPECT_NEAR(fast.position[k], slow.position[k], 1e-5f);
            }
        }
        EXPECT_GT(hits, 50);
        McdModelDestroy(model);
        McdGeometryDestroy(g);
    }
}

// A large rough terrain and a soup of slivers (triangles barely above the area limit), both
// turned and moved: the walk's nearest hit is brute force's, to the bit, for long segments
// that cross many boxes, short ones and ones that start or end near the surface.
TEST_F(MeshSegmentTest, LargeMeshesAndSliversGiveTheBruteForceHit)
{
    MeRandomSeed(404);
    MeshData terrain = Grid(60, 0.6f);
    MeshData slivers;
    for (int i = 0; i < 400; ++i) {
        const MeReal x = Uniform(-2, 2), y = Uniform(-2, 2), z = Uniform(-2, 2);
        const MeReal len = Uniform(0.5f, 1.5f), thin = Uniform(3e-6f, 1e-4f);
        const int base = static_cast<int>(slivers.vertices.size());
        slivers.vertices.push_back({x, y, z});
        slivers.vertices.push_back({x + len, y + Uniform(-0.2f, 0.2f), z});
        slivers.vertices.push_back({x + 0.5f * len, y, z + thin});
        slivers.triangles.push_back({base, base + 1, base + 2});
    }
    struct Case {
        MeshData* data;
        MeReal reach;  // segments span about this much around the mesh
        int expectedTriangles;
    } cases[] = {{&terrain, 70, 7200}, {&slivers, 5, 0}};
    for (const Case& c : cases) {
        McdGeometryID g = c.data->Make(framework, 16);
        ASSERT_EQ(McdTriangleMeshBuild(g), 1);
        const CxTriangleMesh* m = static_cast<CxTriangleMesh*>(g);
        if (c.expectedTriangles)
            ASSERT_EQ(m->count, c.expectedTriangles);
        else
            ASSERT_GT(m->count, 300);  // most slivers are above the area limit
        MeMatrix4 t;
        McdModelID model = PlacedModel(g, t, 3.0f, -40.0f, 7.5f);
        int hits = 0;
        for (int trial = 0; trial < 3000; ++trial) {
            MeReal a[3], b[3];
            for (int k = 0; k < 3; ++k) {
                a[k] = Uniform(-0.5f * c.reach, 0.5f * c.reach);
                b[k] = trial % 3 == 0 ? a[k] + Uniform(-1, 1) : Uniform(-0.5f * c.reach, 0.5f * c.reach);
            }
            if (c.data == &terrain) {
                // Terrain lies in 0 <= z <= 0.6 of a 60 x 60 grid from the origin.
                a[0] += 30, a[1] += 30, b[0] += 30, b[1] += 30;
                a[2] = Uniform(-1, 2);
                b[2] = trial % 2 ? Uniform(-1, 2) : -a[2] + 0.6f;
            }
            MeReal p0[3], p1[3];
            meshtest::ToWorld(t, a, p0);
            meshtest::ToWorld(t, b, p1);
            McdLineSegIntersectResult fast, slow;
            const int x = McdTriangleMeshLineSegment(model, p0, p1, &fast);
            const int y = BruteForce(m, t, p0, p1, &slow);
            ASSERT_EQ(x, y) << "trial " << trial;
            if (!x)
                continue;
            ++hits;
            EXPECT_EQ(fast.distance, slow.distance) << "trial " << trial;
            for (int k = 0; k < 3; ++k)
                EXPECT_EQ(fast.position[k], slow.position[k]) << "trial " << trial;
            EXPECT_NEAR(fast.normal[0] * fast.normal[0] + fast.normal[1] * fast.normal[1] +
                            fast.normal[2] * fast.normal[2],
                        1.0f, 1e-4f);
        }
        EXPECT_GT(hits, c.data == &terrain ? 1000 : 100);
        McdModelDestroy(model);
        McdGeometryDestroy(g);
    }
}

TEST_F(MeshSegmentTest, SweepAcrossADiagonalSeamNeverSlipsThrough)
{
    // A unit quad split along its diagonal, turned and moved; segments cross it exactly on
    // the shared edge.
    MeshData data;
    data.vertices = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    data.triangles = {{0, 1, 2}, {0, 2, 3}};
    McdGeometryID g = data.Make(framework, 2);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    // Far from the origin the rounding of the leaf boxes' projections is large enough that
    // an untolerant box test drops both leaves along the seam.
    MeMatrix4 t;
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    for (int pose = 0; pose < 40; ++pose) {
        colltest::RandomPose(t, Uniform(-50, 50), Uniform(-50, 50), Uniform(-50, 50));
        for (int i = 1; i < 500; ++i) {
            const MeReal s = static_cast<MeReal>(i) / 500.0f;
            const MeReal a[3] = {s, s, -0.7f}, b[3] = {s, s, 0.3f};
            MeReal p0[3], p1[3];
            meshtest::ToWorld(t, a, p0);
            meshtest::ToWorld(t, b, p1);
            McdLineSegIntersectResult hit;
            ASSERT_EQ(McdTriangleMeshLineSegment(model, p0, p1, &hit), 1) << "pose " << pose << " s " << s;
            EXPECT_NEAR(hit.distance, 0.7f, 1e-3f);
            // The stored normal, rotated: the local z axis.
            for (int k = 0; k < 3; ++k)
                EXPECT_NEAR(hit.normal[k], t[2][k], 1e-5f);
        }
    }
    McdModelDestroy(model);
    McdGeometryDestroy(g);
}

TEST_F(MeshSegmentTest, NearestOfStackedTrianglesAndEndPointRule)
{
    MeshData data;
    data.vertices = {{-1, -1, 0}, {1, -1, 0}, {0, 1, 0}, {-1, -1, 1}, {1, -1, 1}, {0, 1, 1}};
    data.triangles = {{3, 4, 5}, {0, 1, 2}};
    McdGeometryID g = data.Make(framework, 2);
    ASSERT_EQ(McdTriangleMeshBuild(g), 1);
    MeMatrix4 t;
    colltest::Identity(t);
    McdModelID model = McdModelCreate(g);
    McdModelSetTransformPtr(model, t);
    McdLineSegIntersectResult hit;
    const MeReal below[3] = {0, 0, -1}, above[3] = {0, 0, 2};
    ASSERT_EQ(McdTriangleMeshLineSegment(model, below, above, &hit), 1);
    EXPECT_NEAR(hit.distance, 1.0f, 1e-6f);
    EXPECT_NEAR(hit.position[2], 0.0f, 1e-6f);
    // Coming from above, the far triangle's own normal (+z) is reported.
    ASSERT_EQ(McdTriangleMeshLineSegment(model, above, below, &hit), 1);
    EXPECT_NEAR(hit.position[2], 1.0f, 1e-6f);
    EXPECT_NEAR(hit.normal[2], 1.0f, 1e-6f);
    // Ending exactly on a triangle is not a hit; lying in its plane never is.
    const MeReal onPlane[3] = {0, 0, 0};
    EXPECT_EQ(McdTriangleMeshLineSegment(model, below, onPlane, &hit), 0);
    const MeReal inA[3] = {-0.5f, -0.5f, 0}, inB[3] = {0.5f, -0.5f, 0};
    EXPECT_EQ(McdTriangleMeshLineSegment(model, inA, inB, &hit), 0);
    McdModelDestroy(model);
    McdGeometryDestroy(g);
}

}  // namespace
