// The in-game scene: loading behind the bar, a new game's companies, the money they run, the
// frame's controls, and a second game after the first.

#include <functional>
#include <set>
#include <string>
#include <vector>

#include "engine/input/qninput.h"
#include "engine/input/qninputmap.h"
#include "engine/scene/queued_message.h"
#include "engine/util/qnexception.h"
#include "game/world/ai_company.h"
#include "game/world/black_market_portal.h"
#include "game/world/crew.h"
#include "game/world/game_globals.h"
#include "game/world/id_set.h"
#include "game/world/item_types.h"
#include "game/world/path_planner.h"
#include "game/world/player_company.h"
#include "game/world/site.h"
#include "game/world/space.h"
#include "game/world/store_order.h"
#include "game/world/sun.h"
#include "platform/events.h"
#include "platform/test_events.h"
#include "tests/game/game_test_util.h"

namespace {

struct BARSTEP {
    std::uint32_t Count;
    float Left;
    float Width;
};

std::vector<BARSTEP> g_bar;

void RecordBar()
{
    auto* space = static_cast<SPACE*>(GameScenes.Space);
    const QNMATRIX m = space->LoadBar->GetWorldMatrix();
    const float width = m.m[0] * SPACE::kBarWidth;
    g_bar.push_back({space->LoadCount, m.m[12] - width * 0.5f, width});
}

class SpaceTest : public gametest::GameSceneTest {
protected:
    void SetUp() override
    {
        GameSceneTest::SetUp();
        QNINPUTMAP::Create(QNDEFAULTBINDINGS);
        SpaceMedia = SPACEMEDIA();
        SpaceMedia.Site = &SITE::RegisterMedia;
        SpaceMedia.Portal = &RegisterPortalMedia;
        SPACE::DrawLoadingFrame = &RecordBar;
        g_bar.clear();
        space = new SPACE(&QNSCENE::SceneRoot());
        menu = new QNSCENE(&QNSCENE::SceneRoot(), "MAINMENU", 1);
    }
    void TearDown() override
    {
        GameSceneTest::TearDown();
        SPACE::DrawLoadingFrame = nullptr;
        SpaceMedia = SPACEMEDIA();
        QNINPUTMAP::Free();
    }

    void NewGame()
    {
        QNSCENE::RequestSwitch("SPACE");
        QNSCENE::ApplyRequest();
        scene = space;
    }

    static constexpr std::uint32_t QNDEFAULTBINDINGS = 93;
    SPACE* space = nullptr;
    QNSCENE* menu = nullptr;
};

// Views and identities of the four companies, each a permutation of 0..3.
void ExpectPermutations()
{
    std::set<std::uint32_t> views, identities;
    int players = 0;
    for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
        COMPANY* c = Companies[v];
        ASSERT_NE(c, nullptr);
        EXPECT_EQ(c->View, v);
        views.insert(c->View);
        identities.insert(c->Identity);
        players += dynamic_cast<PLAYERCOMPANY*>(c) ? 1 : 0;
        EXPECT_EQ(dynamic_cast<AICOMPANY*>(c) == nullptr, c == static_cast<COMPANY*>(PlayerCompany));
    }
    EXPECT_EQ(players, 1);
    EXPECT_EQ(views.size(), 4u);
    EXPECT_EQ(identities.size(), 4u);
    EXPECT_EQ(*identities.rbegin(), 3u);
}

TEST_F(SpaceTest, ANewGameSetsUpFourCompaniesInTheirOwnViews)
{
    StoreOrders[STORE_BUILD].Pending = 1;
    StoreOrders[STORE_SHIPWEAPONS].ProductCount = 4;
    NewGame();
    ExpectPermutations();
    ASSERT_NE(PlayerCompany, nullptr);
    EXPECT_EQ(PlayerView, PlayerCompany->View);
    EXPECT_EQ(space->ViewMask, 1u << PlayerView);
    EXPECT_EQ(space->ActiveView, PlayerView);
    EXPECT_EQ(StoreOrders[STORE_BUILD].Pending, 0);
    EXPECT_EQ(StoreOrders[STORE_SHIPWEAPONS].ProductCount, 0u);
    EXPECT_EQ(space->FarPlane, 925.0f);
    EXPECT_EQ(space->RollOff, 5.0f);
    EXPECT_EQ(QNINPUTMAP::Binding(23)->Target, QNINPUTMAP::Binding(22));

    for (std::uint32_t v = 0; v < kCompanyCount; ++v) {
        COMPANY* c = Companies[v];
        EXPECT_EQ(c->Money(), 0.0f);
        EXPECT_EQ(c->Ship(), nullptr);
        SITE* site = c->Site();
        ASSERT_NE(site, nullptr);
        EXPECT_EQ(site->View, space->GetView(v));
        EXPECT_EQ(site->ViewIndex, v);
        EXPECT_NE(site->Crew, nullptr);
        EXPECT_NE(site->Sun, nullptr);
        EXPECT_EQ(site->Station.Get() != nullptr, SITE::BuildStation != nullptr);
        for (const WORKORDERDATA& order : c->WorkOrders) {
            EXPECT_GE(order.LineCount, 2u);
            EXPECT_LE(order.LineCount, 4u);
            EXPECT_GT(order.Value, 0.0f);
        }
        EXPECT_EQ(ViewTurns[v].Capacity(), SPACE::kTurnCapacity);
        EXPECT_NE(PathPlanner(v), nullptr);
        if (c != PlayerCompany) {
            EXPECT_EQ(c->ItemCount(), 0u);
        }
    }
    const std::uint32_t types[] = {ITEM_GENERATOR, ITEM_DOCK, ITEM_PROCESSOR, ITEM_STORAGE, ITEM_CARGOPORT};
    ASSERT_EQ(PlayerCompany->ItemCount(), 5u);
    for (std::uint32_t i = 0; i < 5; ++i) {
        const INVENTORYITEM& item = PlayerCompany->Item(i);
        EXPECT_EQ(item.Type, types[i]);
        EXPECT_EQ(item.Value, StructurePrice(types[i]));
        EXPECT_EQ(item.ConditionA, -1.0f);
        EXPECT_EQ(item.ConditionB, -1.0f);
        EXPECT_EQ(item.ColourPair, 0u);
    }

    // Over a few games the draws give identities apart from views, and every view to the player.
    std::set<std::uint32_t> playerViews;
    bool identityApart = false;
    for (int game = 0; game < 12; ++game) {
        NewGame();
        ExpectPermutations();
        playerViews.insert(PlayerView);
        for (COMPANY* c : Companies)
            identityApart = identityApart || c->Identity != c->View;
    }
    EXPECT_TRUE(identityApart);
    EXPECT_EQ(playerViews.size(), 4u);
}

TEST_F(SpaceTest, TheLoadBarGrowsFromItsLeftEdgeWithEachRegistration)
{
    // Stand-in for the classes whose media are not registered here: enough steps to fill the bar.
    SpaceMedia.Explosion = [](QNRESOURCES&) {
        auto* s = static_cast<SPACE*>(GameScenes.Space);
        while (s->LoadCount < SPACE::kLoadSteps)
            SPACE::LoadProgress(s);
    };
    NewGame();
    ASSERT_GE(g_bar.size(), SPACE::kLoadSteps);
    for (std::size_t i = 0; i < g_bar.size(); ++i) {
        EXPECT_EQ(g_bar[i].Count, i + 1);
        EXPECT_NEAR(g_bar[i].Left, SPACE::kBarLeft, 0.01f);
        EXPECT_NEAR(g_bar[i].Width, SPACE::kBarWidth * float(i + 1) / SPACE::kLoadSteps, 0.01f);
    }
    EXPECT_NEAR(g_bar.back().Width, SPACE::kBarWidth, 0.01f);
    // The load screen is gone once the game is entered; nothing of the game ran while loading.
    EXPECT_FALSE(space->LoadBar);
    EXPECT_FALSE(space->LoadScreen);
    EXPECT_FALSE(SPACE::IsLoading());
}

TEST_F(SpaceTest, EveryRegisteredMediumIsFoundAndAMissingOneIsNamed)
{
    NewGame();
    EXPECT_EQ(g_bar.size(), space->LoadCount);  // one drawn frame per registration
    EXPECT_NE(space->Resources.FindSound("chatter", 9), nullptr);
    EXPECT_NE(space->Resources.FindTexture("consolefont"), nullptr);

    // A medium missing from the archive stops the game's start with an error naming it, of
    // whichever kind it is.
    const SPACEMEDIA::REGISTRAR missing[] = {
        [](QNRESOURCES& r) {
            QNRESOURCES::TextureParams = QNTEXTUREPARAMS();
            QNRESOURCES::TextureParams.Name = "portalglow";
            QNRESOURCES::TextureParams.File = "media\\vehicles\\exterior\\textures\\no_such_portal.dds";
            r.AddTexture();
        },
        [](QNRESOURCES& r) {
            QNRESOURCES::SoundParams = QNSOUNDPARAMS();
            QNRESOURCES::SoundParams.File = "media\\vehicles\\exterior\\sounds\\no_such_portal.wav";
            r.AddSound();
        },
        [](QNRESOURCES& r) {
            QNRESOURCES::MeshParams = QNMESHPARAMS();
            QNRESOURCES::MeshParams.Name = "portal";
            QNRESOURCES::MeshParams.File = "media\\vehicles\\exterior\\meshes\\no_such_portal.gbm";
            QNRESOURCES::MeshParams.Args[0] = 1;
            r.AddMeshFile();
        },
    };
    for (const SPACEMEDIA::REGISTRAR& registrar : missing) {
        QNSCENE::PopAll();
        SpaceMedia.Portal = registrar;
        try {
            NewGame();
            ADD_FAILURE() << "a missing medium was registered: " << (&registrar - missing);
        } catch (const QNEXCEPTION& e) {
            EXPECT_NE(std::string(e.what()).find("no_such_portal."), std::string::npos) << e.what();
        }
        EXPECT_FALSE(SPACE::IsLoading());
    }
}

TEST_F(SpaceTest, DebtIsChargedEveryMinuteAndShownOnTheSuitHud)
{
    NewGame();
    auto* line = new QNQUEUEDMESSAGE(space->GetView(PlayerView)->Root, "consolefont", 0, -400, 0, 2, 10, 20);
    PlayerCompany->HudLines[PLAYERCOMPANY::HUD_SUIT] = line;
    PlayerCompany->EnterSuit();
    PlayerCompany->SetMoney(-1000000.0f);
    COMPANY* rival = Companies[(PlayerView + 1) % 4];
    rival->SetMoney(250000.0f);

    Frames(60 * 60 - 2);
    EXPECT_EQ(PlayerCompany->Money(), -1000000.0f);
    Frames(4);
    EXPECT_EQ(PlayerCompany->Money(), -1050000.0f);
    EXPECT_EQ(rival->Money(), 250000.0f);
    EXPECT_STREQ(line->Shown(), "Charged $0.1M interest (5.0%)");
    Frames(60 * 60 - 8);
    EXPECT_EQ(PlayerCompany->Money(), -1050000.0f);
    Frames(12);
    EXPECT_EQ(PlayerCompany->Money(), -1050000.0f * 1.05f);
}

TEST_F(SpaceTest, EscapeCoversTheGameAndASecondGameFreesTheFirst)
{
    NewGame();
    COMPANY* before[4];
    for (std::uint32_t v = 0; v < 4; ++v)
        before[v] = Companies[v];
    const std::uint64_t turn = IDSET::NewSerial();
    ASSERT_TRUE(ViewTurns[0].Insert(turn));

    QNINPUTMAP::Binding(1)->Value = 1.0f;
    Frame();
    QNINPUTMAP::Binding(1)->Value = 0.0f;
    QNSCENE::ApplyRequest();
    EXPECT_EQ(QNSCENE::Current, menu);
    EXPECT_EQ(menu->Beneath, space);
    QNSCENE::RequestPop();
    QNSCENE::ApplyRequest();
    EXPECT_EQ(QNSCENE::Current, space);
    for (std::uint32_t v = 0; v < 4; ++v)
        EXPECT_EQ(Companies[v], before[v]);
    EXPECT_TRUE(ViewTurns[0].Contains(turn));

    QNWEAK<SITE> oldSite = before[0]->Site();
    NewGame();
    EXPECT_FALSE(oldSite);
    EXPECT_FALSE(ViewTurns[0].Contains(turn));
    ExpectPermutations();
    Frames(3);

    QNSCENE::RequestSwitch("MAINMENU");
    QNSCENE::ApplyRequest();
    for (COMPANY* c : Companies)
        EXPECT_EQ(c, nullptr);
    EXPECT_EQ(PlayerCompany, nullptr);
    EXPECT_EQ(ViewTurns[2].Capacity(), 0u);
    EXPECT_EQ(BuilderTurns.Capacity(), 0u);
}

// What a pause's waits do, set per test.
std::function<void()> g_onWait;
std::vector<float> g_waits;

TEST_F(SpaceTest, PauseWaitsBetweenPollsUntilPauseAgainAndLeavesOnAQuitThatStaysPending)
{
    NewGame();
    QNINPDEV::Open();
    QNKEYBOARD::Open(false);
    PlatformScriptedEvents script;
    script.Install();
    SPACE::PauseWait = [](float seconds) {
        g_waits.push_back(seconds);
        if (g_onWait)
            g_onWait();
        if (g_waits.size() > 50)  // a pause that never ends fails the test, not the run
            PlatformPostQuit();
    };
    g_waits.clear();
    // The frame's own pump and poll, then the game's update, as the main loop runs them.
    auto frame = [this] {
        PlatformPumpMessages();
        QNKEYBOARD::Poll();
        Frame();
    };

    // Pause pressed: the update waits, polling, until Pause is released (second wait) and
    // pressed again (third wait).
    script.KeyDown(SDLK_PAUSE);
    g_onWait = [&script] {
        if (g_waits.size() == 2)
            script.KeyUp(SDLK_PAUSE);
        if (g_waits.size() == 3)
            script.KeyDown(SDLK_PAUSE);
    };
    frame();
    ASSERT_EQ(g_waits.size(), 3u);
    for (float w : g_waits)
        EXPECT_EQ(w, SPACE::kPausePoll);
    EXPECT_FALSE(PlatformQuitPending());
    EXPECT_EQ(QNSCENE::Current, space);

    // Shift+Pause does not start a pause.
    script.KeyUp(SDLK_PAUSE);
    script.KeyDown(SDLK_LSHIFT);
    script.KeyDown(SDLK_PAUSE, KMOD_LSHIFT);
    frame();
    EXPECT_EQ(g_waits.size(), 3u);

    // Paused again, a quit arrives while waiting: the pause ends at the next pump and the quit
    // stays pending for the main loop, which ends the program with it.
    script.KeyUp(SDLK_PAUSE, KMOD_LSHIFT);
    script.KeyUp(SDLK_LSHIFT);
    frame();
    script.KeyDown(SDLK_PAUSE);
    g_waits.clear();
    g_onWait = [] {
        if (g_waits.size() == 2)
            PlatformPostQuit();
    };
    frame();
    EXPECT_EQ(g_waits.size(), 2u);
    EXPECT_TRUE(PlatformQuitPending());

    PlatformClearQuit();
    g_onWait = nullptr;
    SPACE::PauseWait = nullptr;
    script.Uninstall();
    QNKEYBOARD::Close();
    QNINPDEV::Close();
}

TEST_F(SpaceTest, ChatterPlaysEveryFiveToThirtySeconds)
{
    NewGame();
    std::vector<double> gaps;
    double last = 0.0;
    int frame = 0;
    std::uint32_t plays = 0;
    auto count = [&] {
        std::uint32_t n = 0;
        for (int i = 0; i < 10; ++i)
            n += space->Resources.FindSound("chatter", i)->IsPlaying() ? 1u : 0u;
        return n;
    };
    while (frame < 60 * 200) {
        const double period = space->ChatterTimer.Period();
        EXPECT_GE(period, 5.0);
        EXPECT_LE(period, 30.0);
        const double started = space->ChatterTimer.Start();
        Frame();
        ++frame;
        if (space->ChatterTimer.Start() != started) {
            gaps.push_back(frame / 60.0 - last);
            last = frame / 60.0;
            plays += count() > 0 ? 1u : 0u;
        }
    }
    ASSERT_GE(gaps.size(), 6u);
    for (double g : gaps) {
        EXPECT_GE(g, 5.0 - 0.05);
        EXPECT_LE(g, 30.0 + 0.05);
    }
    EXPECT_EQ(plays, gaps.size());
}

}  // namespace
