#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include "tests/physics/collision/collision_test_support.h"

using colltest::MessageCapture;
using colltest::Uniform;

namespace {

// A pair as the oracle knows it: the two models (by index) and the insertion serial of each,
// so that a model removed and inserted again forms new pairs.
using PairKey = std::tuple<int, int, int, int>;

struct Reports {
    std::set<PairKey> ended, added, continuing;
};

class SpaceTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        MeRandomSeed(2024);
        McdErrorTableReset(McdErrorTable);
        framework = McdInitEngineFramework(kModels, 0);
        ASSERT_NE(framework, nullptr);
    }
    void TearDown() override
    {
        if (space)
            McdSpaceDestroy(space);
        for (McdModelID m : models)
            McdModelDestroy(m);
        for (McdGeometryID g : geometries)
            McdGeometryDestroy(g);
        McdTerm(framework);
    }

    static constexpr int kModels = 400;

    // Positions on a 1/8 grid and sizes in 1/8 steps make exact touching common.
    static float Grid(float v) { return std::round(v * 8) / 8; }

    int AddModel(bool sphere, float size)
    {
        McdGeometryID g = sphere ? McdSphereCreate(framework, size) : McdBoxCreate(framework, size, size, 2 * size);
        geometries.push_back(g);
        McdModelID m = McdModelCreate(g);
        models.push_back(m);
        transforms.emplace_back();
        serial.push_back(0);
        colltest::Identity(transforms.back().m);
        McdModelSetTransformPtr(m, transforms.back().m);
        const int index = static_cast<int>(models.size()) - 1;
        index_[m] = index;
        return index;
    }

    PairKey KeyOf(int a, int b) const
    {
        if (a > b)
            std::swap(a, b);
        return {a, serial[a], b, serial[b]};
    }

    PairKey KeyOf(const McdModelPair* p) const { return KeyOf(index_.at(p->model1), index_.at(p->model2)); }

    Reports Report()
    {
        Reports r;
        McdModelPair* batch[7];  // small batches exercise the iterator across buckets
        McdPairContainer c;
        McdPairContainerInit(&c, batch, 7);
        McdSpacePairIterator it;
        McdSpacePairIteratorInit(space, &it);
        int more = 1;
        while (more) {
            more = McdSpaceGetPairs(space, &it, &c);
            for (int i = 0; i < c.endedCount; ++i) {
                EXPECT_EQ(c.array[i]->state, kMcdPairEnded);
                EXPECT_TRUE(r.ended.insert(KeyOf(c.array[i])).second);
            }
            for (int i = c.newFirst; i < c.continuingFirst; ++i) {
                EXPECT_EQ(c.array[i]->state, kMcdPairNew);
                EXPECT_TRUE(r.added.insert(KeyOf(c.array[i])).second);
            }
            for (int i = c.continuingFirst; i < c.continuingEnd; ++i) {
                EXPECT_EQ(c.array[i]->state, kMcdPairContinuing);
                EXPECT_TRUE(r.continuing.insert(KeyOf(c.array[i])).second);
            }
            // model 1 is the model of the smaller id
            for (int i = 0; i < c.size; ++i)
                if (i < c.endedCount || i >= c.newFirst) {
                    const McdModelPair* p = c.array[i];
                    if (p->model1->spaceId >= 0 && p->model2->spaceId >= 0) {
                        EXPECT_LT(p->model1->spaceId, p->model2->spaceId);
                    }
                }
        }
        return r;
    }

    // Pairs of models in the space whose boxes overlap (touching included) and are enabled.
    std::set<PairKey> Oracle() const
    {
        std::set<PairKey> s;
        const int n = static_cast<int>(models.size());
        std::vector<std::array<MeReal, 6>> boxes(n);
        for (int i = 0; i < n; ++i)
            McdModelGetAABB(models[i], boxes[i].data(), boxes[i].data() + 3);
        for (int i = 0; i < n; ++i) {
            if (McdModelGetSpace(models[i]) != space)
                continue;
            for (int j = i + 1; j < n; ++j) {
                if (McdModelGetSpace(models[j]) != space || disabled.count(KeyOf(i, j)))
                    continue;
                bool overlap = true;
                for (int k = 0; k < 3; ++k)
                    if ((axisMask & (1u << k)) && (boxes[i][k] > boxes[j][3 + k] || boxes[j][k] > boxes[i][3 + k]))
                        overlap = false;
                if (overlap)
                    s.insert(KeyOf(i, j));
            }
        }
        return s;
    }

    void Insert(int i)
    {
        ++serial[i];
        ASSERT_EQ(McdSpaceInsertModel(space, models[i]), 1);
    }

    struct Transform {
        MeMatrix4 m;
    };

    McdFrameworkID framework = nullptr;
    McdSpaceID space = nullptr;
    unsigned axisMask = 7;
    std::vector<McdModelID> models;
    std::vector<McdGeometryID> geometries;
    std::deque<Transform> transforms;  // stable addresses: models point into it
    std::vector<int> serial;
    std::set<PairKey> disabled;
    std::map<McdModelID, int> index_;

    // Runs 300 steps of motion, teleports, freezing, disabling and churn, checking every report
    // against brute force.
    void RunAgainstBruteForce();
};

}  // namespace

void SpaceTest::RunAgainstBruteForce()
{
    space = McdAxisSortCreate(framework, axisMask, kModels, 6000);
    ASSERT_NE(space, nullptr);
    const int n = 300;
    std::vector<float> vel(3 * n);
    for (int i = 0; i < n; ++i) {
        AddModel(i % 2 == 0, Grid(Uniform(0.25f, 1.5f)));
        for (int k = 0; k < 3; ++k) {
            transforms[i].m[3][k] = Grid(Uniform(-12, 12));
            vel[3 * i + k] = Grid(Uniform(-0.25f, 0.25f));
        }
        Insert(i);
    }
    // A few boxes turn, so their boxes are not on the grid.
    for (int i = 1; i < n; i += 17)
        colltest::RandomPose(transforms[i].m, transforms[i].m[3][0], transforms[i].m[3][1], transforms[i].m[3][2]);

    std::set<PairKey> previous;
    std::vector<int> removedLastPhase;
    std::vector<int> out;  // models out of the space
    long long totalPairs = 0, touching = 0;
    for (int step = 0; step < 300; ++step) {
        std::vector<int> removedThisPhase;
        // Re-insert models removed in an earlier step; the freed ids come back earliest-removed first.
        std::vector<int> reinsert;
        for (int i : out)
            if (MeRandom() % 3 == 0)
                reinsert.push_back(i);
        for (size_t r = 0; r < reinsert.size(); ++r) {
            const int i = reinsert[r];
            out.erase(std::find(out.begin(), out.end(), i));
            Insert(i);
            if (r < removedLastPhase.size()) {
                EXPECT_EQ(models[i]->spaceId, removedLastPhase[r]) << "step " << step;
            }
        }
        // Remove a few.
        for (int c = 0; c < 4; ++c) {
            const int i = MeRandom() % n;
            if (McdModelGetSpace(models[i]) != space)
                continue;
            const int id = models[i]->spaceId;
            ASSERT_EQ(McdSpaceRemoveModel(models[i]), 1);
            removedThisPhase.push_back(id);
            out.push_back(i);
            for (auto it = disabled.begin(); it != disabled.end();)
                it = (std::get<0>(*it) == i || std::get<2>(*it) == i) ? disabled.erase(it) : std::next(it);
        }
        // Freeze, unfreeze, disable and enable at random.
        // (A model inserted in this step is left alone: it has not had its first update.)
        for (int c = 0; c < 10; ++c) {
            const int i = MeRandom() % n;
            if (McdModelGetSpace(models[i]) != space ||
                std::find(reinsert.begin(), reinsert.end(), i) != reinsert.end())
                continue;
            if (MeRandom() % 2)
                McdSpaceFreezeModel(models[i]);
            else
                McdSpaceUnfreezeModel(models[i]);
        }
        for (int c = 0; c < 6; ++c) {
            const int i = MeRandom() % n, j = MeRandom() % n;
            if (i == j || McdModelGetSpace(models[i]) != space || McdModelGetSpace(models[j]) != space)
                continue;
            if (MeRandom() % 2) {
                EXPECT_EQ(McdSpaceDisablePair(models[i], models[j]), 1);
                disabled.insert(KeyOf(i, j));
            } else {
                EXPECT_EQ(McdSpaceEnablePair(models[i], models[j]), 1);
                disabled.erase(KeyOf(i, j));
            }
            EXPECT_EQ(McdSpacePairIsEnabled(models[i], models[j]), disabled.count(KeyOf(i, j)) ? 0 : 1);
        }
        // Coherent motion inside a bounded region.
        for (int i = 0; i < n; ++i) {
            for (int k = 0; k < 3; ++k) {
                float& p = transforms[i].m[3][k];
                p += vel[3 * i + k];
                if (std::fabs(p) > 12)
                    vel[3 * i + k] = -vel[3 * i + k];
            }
        }
        // A few teleport: long moves up and down pass whole objects.
        for (int c = 0; c < 3; ++c) {
            const int i = MeRandom() % n;
            for (int k = 0; k < 3; ++k)
                transforms[i].m[3][k] = Grid(Uniform(-12, 12));
        }
        ASSERT_EQ(McdSpaceUpdate(space), 1);
        // New ids are never ids removed in this phase.
        for (int i = 0; i < n; ++i) {
            if (McdModelGetSpace(models[i]) != space)
                continue;
            for (int id : removedThisPhase) {
                EXPECT_NE(models[i]->spaceId, id);
            }
        }

        McdSpaceEndChanges(space);
        const Reports r = Report();
        McdSpaceBeginChanges(space);

        const std::set<PairKey> now = Oracle();
        std::set<PairKey> expectAdded, expectEnded, expectContinuing;
        for (const PairKey& k : now)
            (previous.count(k) ? expectContinuing : expectAdded).insert(k);
        for (const PairKey& k : previous)
            if (!now.count(k))
                expectEnded.insert(k);
        ASSERT_EQ(r.added, expectAdded) << "step " << step;
        ASSERT_EQ(r.continuing, expectContinuing) << "step " << step;
        ASSERT_EQ(r.ended, expectEnded) << "step " << step;
        totalPairs += static_cast<long long>(now.size());
        previous = now;
        removedLastPhase = removedThisPhase;

        for (const PairKey& k : now) {
            MeReal a[6], b[6];
            McdModelGetAABB(models[std::get<0>(k)], a, a + 3);
            McdModelGetAABB(models[std::get<2>(k)], b, b + 3);
            for (int ax = 0; ax < 3; ++ax)
                if (a[3 + ax] == b[ax] || b[3 + ax] == a[ax])
                    ++touching;
        }
    }
    // The run exercised what it claims to.
    EXPECT_GT(totalPairs, 3000);
    EXPECT_GT(touching, 50);
    EXPECT_EQ(static_cast<McdAxisSortSpace*>(space)->GetPairOverflowCount(), 0);
}

TEST_F(SpaceTest, ReportsEqualBruteForceUnderMotionFreezingDisablingAndChurn)
{
    RunAgainstBruteForce();
}

// Two sorted axes: the third is ignored by the moves, placements and queries alike.
TEST_F(SpaceTest, TwoAxisReportsEqualBruteForceUnderChurn)
{
    axisMask = 5;
    RunAgainstBruteForce();
}

TEST_F(SpaceTest, TwoAxisSpaceIgnoresTheThirdAxis)
{
    axisMask = 3;
    space = McdAxisSortCreate(framework, 3, 8, 16);
    const int a = AddModel(false, 1), b = AddModel(false, 1);
    transforms[b].m[3][2] = 50;  // apart along z only
    Insert(a);
    Insert(b);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    Reports r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.added, Oracle());
    EXPECT_EQ(r.added.size(), 1u);
}

TEST_F(SpaceTest, PhasesPairLifecycleAndDisabledPairs)
{
    space = McdAxisSortCreate(framework, 7, 8, 1000);
    EXPECT_EQ(McdSpaceIsChanging(space), 1);
    const int a = AddModel(false, 1), b = AddModel(false, 1);
    transforms[b].m[3][0] = 1;  // touching faces: max x of a = min x of b = 0.5
    Insert(a);
    Insert(b);
    EXPECT_EQ(McdSpaceGetModelCount(space), 2);
    EXPECT_EQ(McdSpaceInsertModel(space, models[a]), 1);  // already in this space

    // Created and ended within one phase: never reported.
    McdSpaceUpdate(space);
    transforms[b].m[3][0] = 5;
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    EXPECT_EQ(McdSpaceIsChanging(space), 0);
    Reports r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_TRUE(r.added.empty() && r.ended.empty() && r.continuing.empty());

    // Touching begins a pair.
    transforms[b].m[3][0] = 1;
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.added.size(), 1u);

    // Disabled while overlapping: ended, then absent; enabled again: new.
    McdSpaceDisablePair(models[a], models[b]);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.ended.size(), 1u);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_TRUE(r.added.empty() && r.continuing.empty() && r.ended.empty());
    McdSpaceEnablePair(models[a], models[b]);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.added.size(), 1u);

    // Removing a model ends its pairs; its id is not reused before the next phase.
    const int idB = models[b]->spaceId;
    const int c = AddModel(true, 1);
    EXPECT_EQ(McdSpaceRemoveModel(models[b]), 1);
    EXPECT_EQ(models[b]->spaceId, -1);
    EXPECT_EQ(McdSpaceRemoveModel(models[b]), 0);
    EXPECT_EQ(McdSpaceGetModelCount(space), 2);  // the removed id counts until the next phase
    Insert(c);
    EXPECT_NE(models[c]->spaceId, idB);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.ended.size(), 1u);
    EXPECT_EQ(r.added.size(), 1u);  // a with c
    EXPECT_EQ(McdSpaceGetModelCount(space), 2);
    Insert(b);
    EXPECT_EQ(models[b]->spaceId, idB);

    // Frozen models keep their boxes; others still pair with them.
    McdSpaceFreezeModel(models[a]);
    EXPECT_EQ(McdSpaceModelIsFrozen(models[a]), 1);
    transforms[a].m[3][1] = 100;
    McdSpaceUpdate(space);
    MeReal lo[3], hi[3];
    McdModelGetAABB(models[a], lo, hi);
    EXPECT_LT(hi[1], 1);
    McdSpaceUnfreezeModel(models[a]);
    EXPECT_EQ(McdSpaceModelIsFrozen(models[a]), 0);
}

// A pair disabled between insertion and the first update stays off when the first update
// places the model; a removal forgets it, so the same pair comes back after a re-insertion.
TEST_F(SpaceTest, PairDisabledBeforeTheFirstUpdateStaysOffUntilRemoval)
{
    space = McdAxisSortCreate(framework, 7, 8, 1000);
    const int a = AddModel(false, 1), b = AddModel(false, 1);
    transforms[b].m[3][0] = 0.5f;
    Insert(a);
    Insert(b);
    McdSpaceDisablePair(models[a], models[b]);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    Reports r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_TRUE(r.added.empty());
    EXPECT_EQ(McdSpaceRemoveModel(models[b]), 1);
    McdSpaceEndChanges(space);
    Report();
    McdSpaceBeginChanges(space);
    Insert(b);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.added.size(), 1u);
}

TEST_F(SpaceTest, CreationArgumentsAndBuckets)
{
    EXPECT_EQ(McdAxisSortCreate(framework, 0, 8, 8), nullptr);
    EXPECT_EQ(McdAxisSortCreate(framework, 8, 8, 8), nullptr);
    EXPECT_EQ(McdAxisSortCreate(framework, 7, 0, 8), nullptr);
    EXPECT_EQ(McdAxisSortCreate(framework, 7, 8, 0), nullptr);
    EXPECT_EQ(McdAxisSortCreate(framework, 7, 65537, 8), nullptr);
    McdSpaceID s = McdAxisSortCreate(framework, 5, 3, 1000);
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(static_cast<McdAxisSortSpace*>(s)->GetActiveAxisCount(), 2);
    EXPECT_EQ(s->GetObjectCapacity(), 3);
    EXPECT_EQ(s->GetPairCapacity(), 1000);
    EXPECT_EQ(s->GetFreeObjectCount(), 3);
    EXPECT_EQ(s->InsertObject(nullptr), 0);  // id 0 first
    EXPECT_EQ(s->InsertObject(nullptr), 1);
    EXPECT_EQ(s->InsertObject(nullptr), 2);
    EXPECT_EQ(s->InsertObject(nullptr), -1);
    EXPECT_FALSE(s->SetObjectFlag(7, true));
    EXPECT_FALSE(s->SetPairEnabled(1, 1, true));
    EXPECT_EQ(s->SetUserWord(42), 42u);
    EXPECT_EQ(s->GetUserWord(), 42u);
    McdSpaceDestroy(s);
}

TEST_F(SpaceTest, PairPoolExhaustionIsCountedNotLost)
{
    static int outOfPairs = 0;
    space = McdAxisSortCreate(framework, 7, 8, 2);
    auto* sap = static_cast<McdAxisSortSpace*>(space);
    sap->SetOutOfPairsCallback([](McdModelID, McdModelID) { ++outOfPairs; });
    for (int i = 0; i < 4; ++i)
        Insert(AddModel(true, 1));  // all at the origin: 6 overlapping pairs
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    Reports r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.added.size(), 2u);
    EXPECT_EQ(sap->GetPairOverflowCount(), 4);
    EXPECT_EQ(outOfPairs, 4);
    EXPECT_EQ(sap->GetPairCount(), 2);

    // A box that grows or shrinks a long way while it keeps overlapping the same models
    // neither begins again the pairs the pool had no room for nor loses the recorded ones.
    McdGeometryID big = McdSphereCreate(framework, 100);
    geometries.push_back(big);
    for (McdGeometryID g : {big, geometries[3]}) {
        McdGeometryInstanceSetGeometry(McdModelGetGeometryInstance(models[3]), g);
        McdSpaceUpdate(space);
        McdSpaceEndChanges(space);
        r = Report();
        McdSpaceBeginChanges(space);
        EXPECT_TRUE(r.added.empty() && r.ended.empty());
        EXPECT_EQ(r.continuing.size(), 2u);
        EXPECT_EQ(sap->GetPairOverflowCount(), 4);
        EXPECT_EQ(outOfPairs, 4);
    }
}

TEST_F(SpaceTest, NonFiniteBoxesKeepTheirEndpoints)
{
    space = McdAxisSortCreate(framework, 7, 8, 16);
    const int a = AddModel(false, 1), b = AddModel(false, 1);
    transforms[b].m[3][0] = 0.5f;
    Insert(a);
    Insert(b);
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    Report();
    McdSpaceBeginChanges(space);
    const unsigned cell = static_cast<McdAxisSortSpace*>(space)->GetCell(models[a]->spaceId, models[b]->spaceId);
    EXPECT_EQ(cell, 3u);

    for (float bad : {NAN, INFINITY, -INFINITY}) {
        transforms[b].m[3][1] = bad;
        McdSpaceUpdate(space);
        McdSpaceEndChanges(space);
        Reports r = Report();
        McdSpaceBeginChanges(space);
        EXPECT_EQ(r.continuing.size(), 1u);
        EXPECT_TRUE(r.ended.empty());
        EXPECT_EQ(static_cast<McdAxisSortSpace*>(space)->GetCell(models[a]->spaceId, models[b]->spaceId), 3u);
    }
    transforms[b].m[3][1] = 10;
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);
    Reports r = Report();
    McdSpaceBeginChanges(space);
    EXPECT_EQ(r.ended.size(), 1u);
}

namespace {

int SegmentCalls = 0;
int AlwaysHit(McdModelID, const MeReal*, const MeReal*, McdLineSegIntersectResult* hit)
{
    ++SegmentCalls;
    hit->distance = static_cast<MeReal>(SegmentCalls);
    return 1;
}

}  // namespace

TEST_F(SpaceTest, LineSegmentWalkStaysWithinCapacity)
{
    McdGeometrySetLineSegFn(framework, kMcdSphereType, AlwaysHit);
    space = McdAxisSortCreate(framework, 7, 6, 16);
    for (int i = 0; i < 6; ++i)
        Insert(AddModel(true, 1));
    // Ids removed in this phase still count as used, yet are no longer valid.
    McdSpaceRemoveModel(models[1]);
    McdSpaceRemoveModel(models[4]);
    McdLineSegIntersectResult hits[10];
    const MeReal p1[3] = {0, 0, -5}, p2[3] = {0, 0, 5};
    SegmentCalls = 0;
    EXPECT_EQ(McdSpaceGetLineSegIntersections(space, p1, p2, hits, 10), 4);
    EXPECT_EQ(SegmentCalls, 4);
    std::set<McdModelID> hit;
    for (int i = 0; i < 4; ++i)
        hit.insert(hits[i].model);
    EXPECT_EQ(hit, (std::set<McdModelID>{models[0], models[2], models[3], models[5]}));
    EXPECT_EQ(McdSpaceGetLineSegIntersections(space, p1, p2, hits, 2), 2);
    EXPECT_EQ(McdSpaceGetLineSegIntersections(space, p1, p2, hits, 0), 0);
}

namespace {

struct GuardProbe {
    McdModelID victim;
    int refused = 0;
    int seen = 0;
};

}  // namespace

TEST_F(SpaceTest, ReportLoopRefusesChangesFromItsHandlers)
{
    space = McdAxisSortCreate(framework, 7, 8, 16);
    for (int i = 0; i < 3; ++i)
        Insert(AddModel(true, 1));
    McdSpaceUpdate(space);
    McdSpaceEndChanges(space);

    MessageCapture capture;
    GuardProbe probe{models[2]};
    McdSpacePairHandlers h;
    h.added = [](McdModelPair*, void* data) {
        auto* p = static_cast<GuardProbe*>(data);
        ++p->seen;
        if (!McdSpaceRemoveModel(p->victim))
            ++p->refused;
        if (!McdSpaceBeginChanges(p->victim->space))
            ++p->refused;
    };
    EXPECT_EQ(McdSpaceReportPairs(space, &h, &probe), 3);
    EXPECT_EQ(probe.seen, 3);
    EXPECT_EQ(probe.refused, 6);
    EXPECT_FALSE(space->IsReporting());
    EXPECT_EQ(McdModelGetSpace(models[2]), space);
    ASSERT_FALSE(capture.fatals.empty());
    EXPECT_NE(capture.fatals[0].find("Assertion failed: "), std::string::npos);

    // Destroying a model from inside the loop leaves it alive and in the space.
    h.added = [](McdModelPair*, void* data) {
        auto* p = static_cast<GuardProbe*>(data);
        if (!McdModelDestroy(p->victim))
            ++p->refused;
    };
    probe.refused = 0;
    McdSpaceReportPairs(space, &h, &probe);
    EXPECT_EQ(probe.refused, 3);
    EXPECT_EQ(McdModelGetSpace(models[2]), space);

    // Outside the loop the same calls work, and the next report shows the pairs continuing.
    EXPECT_EQ(McdSpaceBeginChanges(space), 1);
    McdSpaceEndChanges(space);
    Reports r = Report();
    EXPECT_EQ(r.continuing.size(), 3u);
    McdSpaceBeginChanges(space);
    EXPECT_EQ(McdSpaceRemoveModel(models[2]), 1);
}
