#include <algorithm>
#include <cstring>
#include <set>
#include <tuple>
#include <utility>

#include "tests/physics/collision/collision_test_support.h"

using colltest::FrameworkTest;
using colltest::MessageCapture;

namespace {

constexpr unsigned I = kMcdSlotIntersect;
constexpr unsigned S = kMcdSlotIntersect | kMcdSlotSafeTime;
constexpr unsigned H = kMcdSlotIntersect | kMcdSlotHelloGoodbye;

// The pairs the three interaction groups register, as (A, B, slots).
const std::set<std::tuple<int, int, unsigned>> kExpectedPairs = {
    {1, 1, S}, {2, 2, S}, {2, 3, S}, {2, 1, S}, {1, 3, S}, {4, 6, I}, {2, 6, I}, {1, 6, I}, {5, 4, I},
    {4, 4, S}, {4, 1, S}, {4, 3, I}, {2, 4, S}, {5, 5, I}, {5, 2, I}, {5, 1, I}, {5, 3, I},
    {8, 8, H}, {2, 8, H}, {1, 8, H}, {4, 8, H}, {6, 8, I}, {8, 3, H}, {11, 11, I},
};

std::set<std::tuple<int, int, unsigned>> RowsOf(std::initializer_list<const McdRegistrationGroup*> groups)
{
    std::set<std::tuple<int, int, unsigned>> rows;
    for (const McdRegistrationGroup* g : groups)
        for (int i = 0; i < g->rowCount; ++i)
            rows.insert({g->rows[i].typeA, g->rows[i].typeB, g->rows[i].slots});
    return rows;
}

int HelloCalls = 0;
McdModelID HelloFirst = nullptr;
int CountingHello(McdModelPair* pair)
{
    ++HelloCalls;
    HelloFirst = pair->model1;
    return 1;
}
int IntersectTouch(McdModelPair*, McdIntersectResult* result)
{
    result->contactCount = 0;
    return 1;
}

std::vector<int> CleanupOrder;
void CleanupA(McdFramework*)
{
    CleanupOrder.push_back(1);
}
void CleanupB(McdFramework*)
{
    CleanupOrder.push_back(2);
}

}  // namespace

TEST_F(FrameworkTest, EngineInitialisationRegistersExactlyTheProgramsPairs)
{
    ASSERT_EQ(framework->typeCount, 20);
    EXPECT_EQ(McdFrameworkGetDefaultRequest(framework)->contactMaxCount, 4);
    EXPECT_EQ(McdFrameworkGetDefaultRequest(framework)->faceNormalsFirst, 0);

    EXPECT_EQ(RowsOf({McdPrimitivesInteractionGroup(), McdConvexMeshInteractionGroup(),
                      McdTriangleMeshInteractionGroup()}),
              kExpectedPairs);

    // Every registered entry and its mirror; nothing else.
    const int n = framework->typeCount;
    std::set<std::pair<int, int>> registered;
    for (const auto& [a, b, slots] : kExpectedPairs) {
        registered.insert({a, b});
        registered.insert({b, a});
    }
    for (int t1 = 0; t1 < n; ++t1) {
        for (int t2 = 0; t2 < n; ++t2) {
            const McdInteraction* e = McdFrameworkGetInteractionEntry(framework, t1, t2);
            ASSERT_NE(e, nullptr);
            EXPECT_EQ(e, &framework->interactions->entries[t2 * n + t1]);
            const bool expect = registered.count({t1, t2}) > 0;
            EXPECT_EQ(e->registered != 0, expect) << t1 << "," << t2;
            if (!expect) {
                EXPECT_EQ(e->fns.intersect, nullptr);
                EXPECT_EQ(e->fns.hello, nullptr);
                continue;
            }
            // Registered as (A, B) is stored at (A, B) unmirrored, at (B, A) mirrored.
            const bool asRegistered = std::any_of(kExpectedPairs.begin(), kExpectedPairs.end(), [&](auto& row) {
                return std::get<0>(row) == t1 && std::get<1>(row) == t2;
            });
            EXPECT_EQ(e->mirrored, asRegistered ? 0 : 1) << t1 << "," << t2;
            EXPECT_EQ(e->resolver, nullptr);
        }
    }

    // The functions a row provides stay within its declared slots, and land in the table.
    for (const McdRegistrationGroup* g :
         {McdPrimitivesInteractionGroup(), McdConvexMeshInteractionGroup(), McdTriangleMeshInteractionGroup()}) {
        for (int i = 0; i < g->rowCount; ++i) {
            const McdInteractionRow& row = g->rows[i];
            if (!(row.slots & kMcdSlotHelloGoodbye)) {
                EXPECT_EQ(row.fns.hello, nullptr);
                EXPECT_EQ(row.fns.goodbye, nullptr);
            }
            if (!(row.slots & kMcdSlotSafeTime)) {
                EXPECT_EQ(row.fns.safeTime, nullptr);
            }
            const McdInteraction* e = McdFrameworkGetInteractionEntry(framework, row.typeA, row.typeB);
            EXPECT_EQ(e->fns.intersect, row.fns.intersect);
            EXPECT_EQ(e->fns.hello, row.fns.hello);
            EXPECT_EQ(e->fns.safeTime, row.fns.safeTime);
        }
    }
}

TEST_F(FrameworkTest, TypeTableAndLineSegmentSlotsAfterEngineInitialisation)
{
    const char* names[] = {nullptr, "McdSphere", "McdBox", "McdPlane", "McdCylinder", "McdCone", "McdTriangleList"};
    for (int t = 0; t < framework->typeCount; ++t) {
        const McdGeometryTypeEntry* e = McdFrameworkGetTypeEntry(framework, t);
        ASSERT_NE(e, nullptr);
        const bool primitive = t >= 1 && t <= 6;
        if (t == kMcdTriangleMeshType)
            continue;  // checked with the triangle mesh type
        EXPECT_EQ(e->registered, primitive || t == kMcdConvexMeshType ? 1 : 0) << t;
        if (primitive) {
            EXPECT_STREQ(e->name, names[t]);
            EXPECT_NE(e->destroy, nullptr);
            EXPECT_NE(e->update, nullptr);
            EXPECT_NE(e->boundingSphere, nullptr);
            EXPECT_NE(e->maximPoint, nullptr);
            EXPECT_NE(e->massProperties, nullptr);
        }
    }
    EXPECT_EQ(McdFrameworkGetTypeEntry(framework, 20), nullptr);
    EXPECT_EQ(McdFrameworkGetTypeEntry(framework, -1), nullptr);

    // Line-segment tests are declared for types 1-5, 8 and 11 and for no other type.
    std::set<int> declared;
    for (const McdRegistrationGroup* g :
         {McdPrimitivesInteractionGroup(), McdConvexMeshInteractionGroup(), McdTriangleMeshInteractionGroup()})
        for (int i = 0; i < g->lineSegCount; ++i) {
            declared.insert(g->lineSegs[i].type);
            EXPECT_EQ(McdFrameworkGetTypeEntry(framework, g->lineSegs[i].type)->lineSegment, g->lineSegs[i].test);
        }
    EXPECT_EQ(declared, (std::set<int>{1, 2, 3, 4, 5, 8, 11}));
    for (int t = 0; t < framework->typeCount; ++t) {
        if (!declared.count(t)) {
            EXPECT_EQ(McdFrameworkGetTypeEntry(framework, t)->lineSegment, nullptr);
        }
    }
}

TEST(Framework, InitTermAndCurrentFramework)
{
    EXPECT_STREQ(McdGetVersionString(), "1.1.0 (build 631)");
    EXPECT_EQ(McdGetExtraTypeCount(), 6);
    McdFrameworkID fw = McdInit(0, 4, 0);
    ASSERT_NE(fw, nullptr);
    EXPECT_EQ(fw->typeCount, 13);
    EXPECT_EQ(McdFrameworkGetCurrent(), fw);
    EXPECT_NE(McdGeometryTestsGet(), nullptr);
    EXPECT_FLOAT_EQ(fw->defaultPadding, 0.005f);
    EXPECT_STREQ(fw->version, "1.1.0 (build 631)");

    // Cleanups go to the current framework's list and run newest first.
    CleanupOrder.clear();
    EXPECT_NE(McdFrameworkAddCleanup(nullptr, CleanupA), nullptr);
    EXPECT_NE(McdFrameworkAddCleanup(fw, CleanupB), nullptr);
    McdTerm(fw);
    EXPECT_EQ(CleanupOrder, (std::vector<int>{2, 1}));
    EXPECT_EQ(McdFrameworkGetCurrent(), nullptr);
    EXPECT_EQ(McdGeometryTestsGet(), nullptr);
    EXPECT_EQ(McdFrameworkAddCleanup(nullptr, CleanupA), nullptr);

    // The pair-data pool is made once, on demand, and freed by McdTerm.
    fw = McdInit(0, 4, 0);
    EXPECT_EQ(fw->pairDataPool, nullptr);
    EXPECT_EQ(McdPairDataPoolCreate(fw, 200), 1);
    MeFixedPool* pool = fw->pairDataPool;
    ASSERT_NE(pool, nullptr);
    EXPECT_EQ(pool->count, 100);
    EXPECT_EQ(McdPairDataPoolCreate(fw, 200), 1);
    EXPECT_EQ(fw->pairDataPool, pool);
    McdTerm(fw);

    // Two frameworks share the line-test object; ending one leaves it to the other.
    McdFrameworkID first = McdInit(0, 4, 0);
    McdFrameworkID second = McdInit(0, 4, 0);
    McdGeometryTests* tests = McdGeometryTestsGet();
    ASSERT_NE(tests, nullptr);
    McdTerm(second);
    EXPECT_EQ(McdGeometryTestsGet(), tests);
    McdTerm(first);
    EXPECT_EQ(McdGeometryTestsGet(), nullptr);

    EXPECT_EQ(McdInit(-1, 4, 0), nullptr);
    EXPECT_EQ(McdInit(0, -4, 0), nullptr);
}

TEST_F(FrameworkTest, MirroredRegistrationSwapsModelsAtHello)
{
    McdInteractions fns;
    fns.hello = CountingHello;
    fns.intersect = IntersectTouch;
    // Registering (2, 1) writes entry 1 x n + 2 unmirrored and 2 x n + 1 mirrored.
    McdFrameworkSetInteraction(framework, 2, 1, &fns, nullptr);
    const int n = framework->typeCount;
    EXPECT_EQ(framework->interactions->entries[1 * n + 2].mirrored, 0);
    EXPECT_EQ(framework->interactions->entries[2 * n + 1].mirrored, 1);
    // (4, 4) fills one entry, unmirrored.
    McdFrameworkSetInteraction(framework, 4, 4, &fns, nullptr);
    EXPECT_EQ(framework->interactions->entries[4 * n + 4].mirrored, 0);

    MeMatrix4 t;
    colltest::Identity(t);
    McdGeometryID box = McdBoxCreate(framework, 1, 1, 1);
    McdGeometryID sphere = McdSphereCreate(framework, 1);
    McdModelID mb = McdModelCreate(box);
    McdModelID ms = McdModelCreate(sphere);
    McdModelSetTransformPtr(mb, t);
    McdModelSetTransformPtr(ms, t);

    McdModelPair pair;
    McdModelPairInit(&pair, ms, mb);  // (sphere, box): swapped at hello
    EXPECT_EQ(pair.request, McdFrameworkGetDefaultRequest(framework));
    HelloCalls = 0;
    McdHello(&pair);
    EXPECT_EQ(HelloCalls, 1);
    EXPECT_EQ(pair.model1, mb);
    EXPECT_EQ(pair.model2, ms);
    EXPECT_EQ(HelloFirst, mb);
    McdContact contacts[4];
    McdIntersectResult result;
    result.contacts = contacts;
    result.contactMaxCount = 4;
    EXPECT_EQ(McdIntersect(&pair, &result), 1);
    EXPECT_EQ(result.touch, 1);
    EXPECT_EQ(result.pair, &pair);

    // The framework's hello hook runs first, on the pair as the space made it.
    static McdModelID hookFirst = nullptr;
    framework->helloHook = [](McdModelPair* p) { hookFirst = p->model1; };
    McdModelPairInit(&pair, mb, ms);  // (box, sphere): as registered
    McdHello(&pair);
    EXPECT_EQ(pair.model1, mb);
    EXPECT_EQ(hookFirst, mb);
    framework->helloHook = nullptr;

    // Goodbye runs over the ended section of a batch only.
    static int goodbyes = 0;
    McdInteractions counting = fns;
    counting.goodbye = [](McdModelPair*) {
        ++goodbyes;
        return 1;
    };
    McdModelPair p1 = pair, p2 = pair, p3 = pair;
    p1.interaction = p2.interaction = p3.interaction = &counting;
    McdModelPair* batch[3] = {&p1, &p2, &p3};
    McdPairContainer c;
    McdPairContainerInit(&c, batch, 3);
    c.endedCount = 2;
    c.newFirst = c.continuingFirst = 2;
    McdGoodbyeEach(&c);
    EXPECT_EQ(goodbyes, 2);

    // A pair of types with no interaction: nothing is called, intersect reports nothing.
    McdGeometryID plane = McdPlaneCreate(framework);
    McdModelID mp = McdModelCreate(plane);
    McdModelSetTransformPtr(mp, t);
    McdGeometryID tlCone = McdConeCreate(framework, 1, 1);
    McdModelID mc = McdModelCreate(tlCone);
    McdModelSetTransformPtr(mc, t);
    McdModelPairInit(&pair, mp, mp);
    McdHello(&pair);
    result.contactCount = 7;
    result.touch = 7;
    EXPECT_EQ(McdIntersect(&pair, &result), 0);
    EXPECT_EQ(result.contactCount, 0);
    EXPECT_EQ(result.touch, 0);
    McdGoodbye(&pair);

    for (McdModelID m : {mb, ms, mp, mc})
        McdModelDestroy(m);
    for (McdGeometryID g : {box, sphere, plane, tlCone})
        McdGeometryDestroy(g);
}

TEST_F(FrameworkTest, InvalidTypeIdsAreRefusedAndReported)
{
    MessageCapture capture;
    McdGeometryRegisterType(framework, 20, "Bad", nullptr, nullptr, nullptr, nullptr, nullptr);
    ASSERT_EQ(capture.fatals.size(), 1u);
    EXPECT_EQ(capture.exits, 1);
    EXPECT_NE(capture.fatals[0].find("Mcd function McdGeometryRegisterType (in file McdFrame at line 371): Failed "
                                     "to register new geometry type. Ensure sufficient number of geometries in "
                                     "McdInit(). in McdGeometryRegisterType.\n"),
              std::string::npos);

    McdInteractions fns;
    McdFrameworkSetInteraction(framework, 25, 1, &fns, nullptr);
    EXPECT_EQ(capture.warnings.size(), 1u);
    EXPECT_EQ(McdFrameworkGetInteractionEntry(framework, 25, 1), nullptr);
}

TEST(McdErrorTableTest, RepeatLimitActionsAndUnknownCodes)
{
    MessageCapture capture;
    McdErrorTableReset(McdErrorTable);
    // The table ends with code 38 and every entry starts at the repeat limit.
    int entries = 0;
    for (McdErrorEntry* e = McdErrorTable;; ++e, ++entries) {
        EXPECT_EQ(e->remaining, 5);
        if (e->code == 38)
            break;
    }
    EXPECT_EQ(entries, 37);
    EXPECT_EQ(McdErrorFind(McdErrorTable, 38)->action, kMcdErrorFatal);
    EXPECT_EQ(McdErrorFind(McdErrorTable, 2)->code, 38);
    EXPECT_EQ(McdErrorFind(McdErrorTable, 25)->action, kMcdErrorWarning);

    // A warning reports five times, the fifth saying so, then falls silent.
    for (int i = 0; i < 7; ++i)
        McdError(McdErrorTable, 25, "sfx", "Fn", "file.c", 12);
    ASSERT_EQ(capture.warnings.size(), 5u);
    EXPECT_EQ(capture.warnings[0], "Mcd function Fn (in file file.c at line 12): Ran out of memory for PairData "
                                   "objects.sfx\n");
    EXPECT_EQ(capture.warnings[4], capture.warnings[0] + "[This message will not be repeated again!]\n");
    EXPECT_TRUE(capture.fatals.empty());

    // Message 23 holds a "%s": it reaches the channel as finished text.
    McdError(McdErrorTable, 23, "x", "Fn", "f", 1);
    ASSERT_EQ(capture.fatals.size(), 1u);
    EXPECT_NE(capture.fatals[0].find("Invalid Intersect Request (%s),.x"), std::string::npos);
    EXPECT_EQ(capture.exits, 1);

    // Codes without an entry of their own, code 0 and the end code: "Undefined Internal Error".
    for (int code : {0, 2, 38, 99}) {
        McdError(McdErrorTable, code, "", "Fn", "f", 1);
        EXPECT_NE(capture.fatals.back().find("Undefined Internal Error"), std::string::npos) << code;
    }
    EXPECT_EQ(capture.exits, 5);

    // A very long suffix is cut at the 512-byte buffer.
    std::string longSuffix(2000, 'x');
    McdError(McdErrorTable, 31, longSuffix.c_str(), "Fn", "f", 1);
    EXPECT_LT(capture.warnings.back().size(), 512u);
    McdErrorTableReset(McdErrorTable);
}
