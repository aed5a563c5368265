// Crew members around a small station: placed clear of the parts, they plan one at a time per
// view and reach their parts on the virtual clock; a bump sends a member back to choosing.

#include <algorithm>
#include <vector>

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "game/vehicles/crew_member.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"
#include "game/world/id_set.h"
#include "game/world/path_planner.h"
#include "tests/game/world_fixture.h"

namespace {

constexpr float kDt = 0.05f;
constexpr float kPartSide = 4.0f;

class CrewTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        scene = MakeScene(1, [](QNRESOURCES& r) {
            RegisterCrewMedia(r);
            QNRESOURCES::MeshParams = QNMESHPARAMS();
            QNRESOURCES::MeshParams.Name = "partbox";
            QNRESOURCES::MeshParams.Args[1] = kPartSide;
            QNRESOURCES::MeshParams.Args[2] = kPartSide;
            QNRESOURCES::MeshParams.Args[3] = kPartSide;
            r.AddMeshBox();
        });
        InstallCrewMembers();
        ViewTurns[0].Create(30);
        QNVIEW* view = scene->GetView(0);
        const QNMATRIX at = Translation(0, 0, 0);
        site = new GAMENODE(view->Root, "SITE", 1, QNCF_LEVEL_VIEWROOT, 0, 2, &at, 0);
        station = new GAMENODE(site, "STATION", 7, QNCF_LEVEL_GAME, 0, 1, nullptr, 0);
        // A beam of five parts along x through the site's origin, and a joint that crews skip.
        const std::int32_t kinds[6] = {8, 10, 11, 12, 13, 9};
        for (int i = 0; i < 6; ++i) {
            const QNMATRIX p = Translation(float(i - 2) * kPartSide, i == 5 ? kPartSide : 0.0f, 0);
            auto* part = new GAMENODE(station, "PART", kinds[i], QNCF_LEVEL_GAME, 0, 1, &p, 0);
            part->SetBoxMesh("partbox");
            part->SetState(3, 0, false, false);
            QNBOX box;
            part->GetTreeBounds(box, true, false);
            PathPlanner(0)->AddBox(box);
            parts.push_back(part);
        }
        site->SetState(3, 0, false, false);
        crew = new CREW(site, station, 0);
        crew->SetState(3, 0, false, false);
    }
    void TearDown() override
    {
        CREW::MemberFactory = nullptr;
        CREW::MemberJoined = nullptr;
        CREW::MemberLeaving = nullptr;
        QNSCENE::PopAll();
        QNSCENE::SceneRoot().DeleteChildren();
        ViewTurns[0].Destroy();
        WorldTest::TearDown();
    }
    std::vector<CREWMEMBER*> Members() const
    {
        std::vector<CREWMEMBER*> out;
        for (QNITEM* c = crew->FirstChild(); c; c = c->Next())
            if (auto* m = dynamic_cast<CREWMEMBER*>(c))
                out.push_back(m);
        return out;
    }

    QNSCENE* scene = nullptr;
    GAMENODE* site = nullptr;
    GAMENODE* station = nullptr;
    CREW* crew = nullptr;
    std::vector<GAMENODE*> parts;
};

}  // namespace

TEST_F(CrewTest, MembersSpawnClearPlanOneAtATimeAndReachTheirParts)
{
    crew->SetCount(4);
    const auto members = Members();
    ASSERT_EQ(members.size(), 4u);
    EXPECT_EQ(ViewTurns[0].Count(), 4u);
    for (CREWMEMBER* m : members) {
        QNBOX mb;
        m->GetTreeBounds(mb, true, false);
        EXPECT_EQ(m->State, CREWSTATE::CHOOSE);
        for (GAMENODE* p : parts) {
            QNBOX pb;
            p->GetTreeBounds(pb, true, false);
            EXPECT_FALSE(mb.Intersects(pb));
        }
    }
    // Another vehicle of the view holds the turn: nobody plans.
    const std::uint64_t other = IDSET::NewSerial();
    ViewTurns[0].Insert(other);
    while (ViewTurns[0].Current() != other)
        ViewTurns[0].Advance();
    for (int i = 0; i < 5; ++i)
        Frame(scene, kDt);
    for (CREWMEMBER* m : members)
        EXPECT_EQ(m->Plans, 0u);
    ViewTurns[0].Remove(other);

    std::vector<std::uint32_t> plans(members.size(), 0);
    for (float t = 0; t < 60.0f; t += kDt) {
        ViewTurns[0].Advance();
        Frame(scene, kDt);
        int planned = 0;
        for (std::size_t i = 0; i < members.size(); ++i) {
            planned += members[i]->Plans != plans[i];
            plans[i] = members[i]->Plans;
        }
        ASSERT_LE(planned, 1) << t;
    }
    for (CREWMEMBER* m : members) {
        EXPECT_GE(m->Arrivals, 1u);
        ASSERT_TRUE(m->TargetPart.Get());
        EXPECT_NE(m->TargetPart->Kind, 9);  // joints are never visited
    }
}

TEST_F(CrewTest, BumpsAndLostPartsSendMembersBackToChoosing)
{
    crew->SetCount(1);
    CREWMEMBER* m = Members().at(0);
    for (int i = 0; i < 400 && m->State != CREWSTATE::TRAVEL; ++i) {
        ViewTurns[0].Advance();
        Frame(scene, kDt);
    }
    ASSERT_EQ(m->State, CREWSTATE::TRAVEL);
    m->OnContact(parts[0], QNCONTACT_BEGAN, nullptr, nullptr);
    EXPECT_EQ(m->State, CREWSTATE::CHOOSE);

    for (int i = 0; i < 400 && m->State != CREWSTATE::TRAVEL; ++i) {
        ViewTurns[0].Advance();
        Frame(scene, kDt);
    }
    ASSERT_EQ(m->State, CREWSTATE::TRAVEL);
    m->OnContact(m, QNCONTACT_TOUCHING, nullptr, nullptr);  // later phases change nothing
    EXPECT_EQ(m->State, CREWSTATE::TRAVEL);
    GAMENODE* target = m->TargetPart.Get();
    parts.erase(std::find(parts.begin(), parts.end(), target));
    QNITEM::Destroy(target);
    Frame(scene, kDt);
    EXPECT_NE(m->State, CREWSTATE::TRAVEL);
    crew->SetCount(0);
    EXPECT_EQ(ViewTurns[0].Count(), 0u);
}
