// Sites: frames, sun, and the target list rebuilt from the site's children.

#include <algorithm>
#include <vector>

#include "engine/scene/view.h"
#include "game/world/crew.h"
#include "game/world/site.h"
#include "game/world/sun.h"
#include "tests/game/world_fixture.h"

namespace {

// Stand-in vehicle: a game node of a vehicle kind with a company view and destroyed flag.
class FAKEVEHICLE : public GAMENODE {
public:
    FAKEVEHICLE(QNNODE* parent, std::int32_t kind, std::uint32_t company)
        : GAMENODE(parent, "FAKE", kind, QNCF_LEVEL_GAME, 0, 3, nullptr, 0), Company(company)
    {
    }
    std::uint32_t Company;
    bool Destroyed = false;
};

TARGETLIST::CANDIDATE ReadFake(const GAMENODE* node)
{
    auto* v = dynamic_cast<const FAKEVEHICLE*>(node);
    return v ? TARGETLIST::CANDIDATE{v->Company, v->Destroyed} : TARGETLIST::CANDIDATE{~0u, false};
}

class SiteTest : public WorldTest {
protected:
    void SetUp() override
    {
        WorldTest::SetUp();
        scene = MakeScene(1, [](QNRESOURCES& r) { SITE::RegisterMedia(r); });
        TARGETLIST::Reader = &ReadFake;
    }
    void TearDown() override
    {
        TARGETLIST::Reader = nullptr;
        WorldTest::TearDown();
    }
    QNSCENE* scene = nullptr;
};

}  // namespace

TEST_F(SiteTest, SitesStandApartWithASunAtFortyFiveDegrees)
{
    QNVIEW& view = *scene->GetView(0);
    const QNVEC3 expected[4] = {{2000, 0, 0}, {0, 0, 2000}, {-2000, 0, 0}, {0, 0, -2000}};
    for (std::uint32_t i = 0; i < 4; ++i) {
        auto* site = new SITE(view.Root, i, i);
        EXPECT_EQ(site->GetWorldMatrix().Translation(), expected[i]);
        EXPECT_EQ(site->FindAncestor(QNCF_LEVEL_VIEWROOT), site);
        ASSERT_NE(site->Sun, nullptr);
        ASSERT_NE(site->Crew, nullptr);
        EXPECT_EQ(site->Crew->ViewIndex, i);
        // Forward turned 45 degrees about y, then tipped 45 degrees about the world's x axis.
        const QNVEC3 d = site->Sun->Direction();
        EXPECT_NEAR(std::fabs(d.x), std::sqrt(0.5f), 1e-4f);
        EXPECT_NEAR(std::fabs(d.y), 0.5f, 1e-4f);
        EXPECT_NEAR(std::fabs(d.z), 0.5f, 1e-4f);
        EXPECT_TRUE(site->Sun->LightOn);
    }
}

TEST_F(SiteTest, TargetListKeepsFiftyEnemiesSortedAndDropsOwnAndDestroyed)
{
    QNVIEW& view = *scene->GetView(0);
    auto* site = new SITE(view.Root, 0, 1);
    std::vector<FAKEVEHICLE*> ships;
    for (int i = 0; i < 30; ++i)
        ships.push_back(new FAKEVEHICLE(site, 64, 2));
    auto* own = new FAKEVEHICLE(site, 64, 1);
    auto* other = new FAKEVEHICLE(site, 66, 3);
    auto* suit = new FAKEVEHICLE(site, 65, 3);
    for (int i = 0; i < 25; ++i)
        ships.push_back(new FAKEVEHICLE(site, 64, 0));
    site->Update();
    TARGETLIST& list = site->Targets();
    ASSERT_EQ(list.Count(), 50u);
    for (std::uint32_t i = 1; i < list.Count(); ++i)
        EXPECT_LT(list.Entry(i - 1), list.Entry(i));
    EXPECT_FALSE(list.Contains(own));
    EXPECT_FALSE(list.Contains(suit));
    EXPECT_TRUE(list.Contains(other));
    // Walk order decides who is left out: the 51st enemy and later ones.
    EXPECT_TRUE(list.Contains(ships[48]));
    EXPECT_FALSE(list.Contains(ships[49]));
    EXPECT_FALSE(list.Contains(ships[54]));

    ships[3]->Destroyed = true;
    QNITEM::Destroy(ships[4]);
    EXPECT_FALSE(list.Contains(ships[4]));  // gone before the next rebuild
    site->Update();
    EXPECT_FALSE(list.Contains(ships[3]));
    EXPECT_TRUE(list.Contains(ships[49]));
    EXPECT_TRUE(list.Contains(ships[50]));
    EXPECT_FALSE(list.Contains(ships[51]));
    EXPECT_EQ(list.Count(), 50u);
}
