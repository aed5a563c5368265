#include "tests/engine/scene/scene_test_util.h"

#include "engine/scene/mercenary_state.h"

namespace {

using Log = std::vector<std::string>;

// A scene that logs its operations and builds one node when entered.
class LOGSCENE : public QNSCENE {
public:
    LOGSCENE(QNITEM* parent, const char* name, Log* log, std::uint32_t views = 1)
        : QNSCENE(parent, name, views), log_(log)
    {
    }
    void Register(QNRESOURCES& r) override
    {
        Add("register");
        r.Textures.AddChild(new QNITEM("tex"));
        r.Materials.AddChild(new QNITEM("mat"));
    }
    void Enter() override
    {
        Add("enter");
        node = new PROBENODE(GetView(0)->Root, "N", nullptr);
        node->SetState(3, 0, false, false);
    }
    void Update() override { Add("update"); }
    void Leave() override { Add("leave"); }

    PROBENODE* node = nullptr;

private:
    void Add(const char* what) { log_->push_back(std::string(Name().Text()) + ":" + what); }
    Log* log_;
};

class SceneStackTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        a = new LOGSCENE(&QNSCENE::SceneRoot(), "A", &log);
        b = new LOGSCENE(&QNSCENE::SceneRoot(), "B", &log);
        c = new LOGSCENE(&QNSCENE::SceneRoot(), "C", &log);
    }

    // Applies the request as the frame does and reports whether it counted as a scene change.
    bool Apply()
    {
        QNFRAMESTATS::SceneChanged = 0;
        QNAPP::dt = 0.5f;
        QNAPP::Rate = 1.0f;
        QNSCENE::ApplyRequest();
        const bool changed = QNFRAMESTATS::SceneChanged != 0;
        if (changed) {
            EXPECT_EQ(QNAPP::dt, 0.0f);
            EXPECT_EQ(QNAPP::Rate, 0.0f);
        }
        return changed;
    }

    LOGSCENE* a = nullptr;
    LOGSCENE* b = nullptr;
    LOGSCENE* c = nullptr;
    Log log;
};

TEST_F(SceneStackTest, SwitchPushPopTable)
{
    // No request: nothing at all.
    EXPECT_FALSE(Apply());

    QNSCENE::RequestFirst();
    EXPECT_TRUE(Apply());
    EXPECT_EQ(QNSCENE::Current, a);
    EXPECT_EQ(log, (Log{"A:register", "A:enter"}));
    EXPECT_EQ(a->Entered, 1);
    EXPECT_EQ(a->NeedsRedraw, 1);

    // Push: the covered scene is hidden, not left.
    log.clear();
    QNSCENE::RequestPush("b");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(QNSCENE::Current, b);
    EXPECT_EQ(b->Beneath, a);
    EXPECT_EQ(log, (Log{"B:register", "B:enter"}));
    EXPECT_EQ(a->node->State, 2);
    EXPECT_EQ(a->Entered, 1);

    // Pushing a scene that is already on the stack is refused.
    log.clear();
    QNSCENE::RequestPush("A");
    EXPECT_FALSE(Apply());
    QNSCENE::RequestPush("B");
    EXPECT_FALSE(Apply());
    EXPECT_EQ(QNSCENE::Current, b);
    EXPECT_EQ(a->Beneath, nullptr);
    EXPECT_TRUE(log.empty());

    // Push then pop in one frame: only the pop counts.
    QNSCENE::RequestPush("C");
    QNSCENE::RequestPop();
    EXPECT_TRUE(Apply());
    EXPECT_EQ(log, (Log{"B:leave"}));
    EXPECT_EQ(QNSCENE::Current, a);
    EXPECT_EQ(b->Beneath, nullptr);
    // The revealed scene is not entered again; its nodes reappear as they were.
    EXPECT_EQ(a->node->State, 3);

    // A pop with nothing beneath is ignored.
    log.clear();
    QNSCENE::RequestPop();
    EXPECT_FALSE(Apply());
    EXPECT_EQ(QNSCENE::Current, a);
    EXPECT_EQ(a->Entered, 1);
    EXPECT_TRUE(log.empty());

    // A later request replaces an earlier one.
    QNSCENE::RequestSwitch("C");
    QNSCENE::RequestPush("B");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(QNSCENE::Current, b);
    EXPECT_EQ(b->Beneath, a);
}

TEST_F(SceneStackTest, SwitchLeavesTheWholeStackAndClearsBeneath)
{
    QNSCENE::RequestSwitch("A");
    Apply();
    QNSCENE::RequestPush("B");
    Apply();
    QNSCENE::RequestPush("C");
    Apply();
    EXPECT_EQ(c->Beneath, b);

    static int poolDeletes = 0;
    poolDeletes = 0;
    QNHOOKS::Scene.DeleteSharedPools = [] { ++poolDeletes; };
    log.clear();
    QNSCENE::RequestSwitch("B");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(log, (Log{"C:leave", "B:leave", "A:leave", "B:register", "B:enter"}));
    EXPECT_EQ(poolDeletes, 1);
    EXPECT_EQ(QNSCENE::Current, b);
    EXPECT_EQ(a->Beneath, nullptr);
    EXPECT_EQ(b->Beneath, nullptr); // B was beneath C; it starts again at the bottom
    EXPECT_EQ(c->Beneath, nullptr);

    // So B can later be pushed over A again.
    QNSCENE::RequestSwitch("A");
    Apply();
    QNSCENE::RequestPush("B");
    EXPECT_TRUE(Apply());
    EXPECT_EQ(b->Beneath, a);
}

TEST_F(SceneStackTest, LeavingFreesTheSceneButKeepsMaterials)
{
    QNSCENE::RequestSwitch("A");
    Apply();
    QNWEAK<QNNODE> node(a->node);
    auto* spot = new HOTSPOT;
    a->Hotspot.AddChild(spot);
    EXPECT_EQ(a->Resources.Textures.ChildCount(), 1u);

    QNSCENE::RequestSwitch("B");
    Apply();
    EXPECT_FALSE(node);
    EXPECT_EQ(a->Hotspot.ChildCount(), 0u);
    EXPECT_EQ(a->Resources.Textures.ChildCount(), 0u);
    EXPECT_EQ(a->Resources.Materials.ChildCount(), 1u);
    EXPECT_EQ(a->GetView(0)->Root->ChildCount(), 0u);

    // Entering again registers once more; the materials pile up, the first one is found.
    QNSCENE::RequestSwitch("A");
    Apply();
    EXPECT_EQ(a->Resources.Materials.ChildCount(), 2u);
    EXPECT_EQ(a->Resources.Textures.ChildCount(), 1u);
}

TEST_F(SceneStackTest, QuitPopAllAndLeavingTwice)
{
    QNSCENE::RequestSwitch("A");
    Apply();
    QNSCENE::RequestPush("B");
    Apply();
    QNSCENE::RequestPop();
    Apply();
    log.clear();
    // B was left by the pop; shutdown leaves it again without calling Leave twice.
    QNSCENE::PopAll();
    EXPECT_EQ(log, (Log{"A:leave"}));
    EXPECT_EQ(QNSCENE::Current, nullptr);
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_NONE);

    QNSCENE::RequestSwitch("A");
    Apply();
    QNSCENE::RequestQuit();
    EXPECT_FALSE(Apply()); // a switch to no scene ends the run; it is no scene change
    EXPECT_EQ(QNSCENE::Current, nullptr);
    EXPECT_EQ(a->Entered, 0);
}

TEST_F(SceneStackTest, UnknownNamesThrowAtTheRequest)
{
    QNSCENE::RequestSwitch("A");
    EXPECT_THROW(QNSCENE::RequestPush("NOPE"), QNNODE_EXC);
    EXPECT_THROW(QNSCENE::RequestSwitch("NOPE"), QNSCENE::EXC);
    // The earlier request stands.
    EXPECT_EQ(QNSCENE::Request, a);
    EXPECT_EQ(QNSCENE::RequestKind, QNSCENE::REQUEST_SWITCH);
}

TEST_F(SceneStackTest, ChildScenesFollowTheirParent)
{
    auto* child = new LOGSCENE(c, "C1", &log);
    QNSCENE::RequestSwitch("C");
    Apply();
    EXPECT_EQ(log, (Log{"C:register", "C:enter", "C1:register", "C1:enter"}));
    log.clear();
    QNSCENE::UpdateScene(QNSCENE::Current);
    EXPECT_EQ(log, (Log{"C1:update", "C:update"}));
    log.clear();
    QNSCENE::RequestSwitch("A");
    Apply();
    EXPECT_EQ(log, (Log{"C1:leave", "C:leave", "A:register", "A:enter"}));
    EXPECT_EQ(child->Entered, 0);
}

TEST_F(SceneStackTest, UpdateRunsOnlyEnabledViews)
{
    auto* multi = new LOGSCENE(&QNSCENE::SceneRoot(), "M", &log, 3);
    Log nodes;
    new PROBENODE(multi->GetView(0)->Root, "V0", &nodes);
    new PROBENODE(multi->GetView(2)->Root, "V2", &nodes);
    multi->ViewMask = 0x4;
    QNSCENE::UpdateScene(multi);
    EXPECT_EQ(nodes, (Log{"V2:U", "V2:I"}));
    QNITEM::Destroy(multi); // its nodes log into this test's frame
}

TEST_F(SceneStackTest, DestroyingAStackedSceneLeavesNoDanglingLinks)
{
    QNSCENE::RequestSwitch("A");
    Apply();
    QNSCENE::RequestPush("B");
    Apply();
    QNSCENE::RequestPush("C");
    Apply();
    QNITEM::Destroy(b);
    EXPECT_EQ(c->Beneath, a);
    QNSCENE::RequestPop();
    Apply();
    EXPECT_EQ(QNSCENE::Current, a);
}

// Records the renderer calls of one frame.
class RECORDER : public QNSCENERENDERER {
public:
    void Clear(const float* rgba, float, std::int32_t) override
    {
        calls.push_back("clear " + std::to_string(static_cast<int>(rgba[0] * 10)));
    }
    void SetViewMatrix(QNVIEW&, QNNODE* node) override
    {
        calls.push_back(std::string("view ") + (node ? node->Name().Text() : "-"));
    }
    void DrawView(QNVIEW&, std::uint8_t, QNDRAWSTATS& stats) override
    {
        calls.push_back("draw");
        stats.Primitives += 10;
    }
    Log calls;
};

class QUIETSPOT : public HOTSPOT {
public:
    bool Animate() override { return false; }
};

TEST_F(SceneStackTest, RenderClearsColourOnlyInTheFirstFramesAndDrawsCameraViews)
{
    RECORDER recorder;
    QNHOOKS::Scene.Renderer = &recorder;
    QNSCENE::RequestSwitch("A");
    Apply();
    a->Background[0] = -0.5f;

    for (int i = 0; i < 10; ++i) {
        recorder.calls.clear();
        QNSCENE::RenderScene(a);
        // Frames 0..8 clear to red 0; later frames keep the colour buffer (red -1).
        EXPECT_EQ(recorder.calls.front(), i <= 8 ? "clear 0" : "clear -10") << i;
    }
    EXPECT_EQ(a->FramesRendered, 10u);
    EXPECT_EQ(a->DrawStats.Primitives, 10u);

    auto* spot = new HOTSPOT;
    spot->Node = a->node;
    spot->ClearColour[0] = 0.5f;
    a->Hotspot.AddChild(spot);
    a->Hotspot.AddChild(new QUIETSPOT);
    a->GetView(0)->CurrentNode = a->node;
    recorder.calls.clear();
    QNSCENE::RenderScene(a);
    EXPECT_EQ(recorder.calls,
              (Log{"clear -10", "view N", "draw", "clear 5", "view N", "draw", "clear -20",
                   "clear -20"}));
    EXPECT_EQ(a->DrawStats.Primitives, 10u); // the scene's own view only
}

TEST(SceneRecords, HotspotAndMercenaryDefaults)
{
    HOTSPOT spot;
    EXPECT_TRUE(spot.Animate());
    EXPECT_FLOAT_EQ(spot.FieldOfView, 1.0471976f);
    EXPECT_EQ(spot.ClearColour[3], 1.0f);
    EXPECT_EQ(spot.ClearDepth, 1.0f);
    EXPECT_EQ(spot.Node.Get(), nullptr);
    EXPECT_EQ(spot.Parent(), nullptr);

    MercenaryState.Records[2].AttackOn = 7;
    MercenaryState.Records[0].Approach = 9;
    MercenaryState.ScreenLeft = 2;
    MercenaryState.Clear();
    EXPECT_EQ(MercenaryState.Records[2].AttackOn, 0);
    EXPECT_EQ(MercenaryState.Records[0].Approach, 0u);
    EXPECT_EQ(MercenaryState.ScreenLeft, 0u);

    QNSCENE& root = QNSCENE::SceneRoot();
    EXPECT_EQ(root.Background[0], -1.0f);
    EXPECT_EQ(root.ViewMask, 0u);
    EXPECT_EQ(root.GetView(0), nullptr);
}

} // namespace

namespace {

// Counts camera releases per view.
class CAMERACOUNTER : public QNSCENERENDERER {
public:
    void ReleaseCamera(QNVIEW&) override { ++released; }
    int released = 0;
};

TEST_F(SceneStackTest, DeviceResetKeepsResourcesAndReleasesEveryCamera)
{
    auto* wide = new LOGSCENE(&QNSCENE::SceneRoot(), "W", &log, 3);
    new LOGSCENE(wide, "W1", &log, 2);
    wide->ViewMask = 1; // disabled views release their cameras too
    CAMERACOUNTER counter;
    QNHOOKS::Scene.Renderer = &counter;
    QNSCENE::ReleaseDevice(wide);
    EXPECT_EQ(counter.released, 5);

    QNSCENE::RequestSwitch("A");
    Apply();
    log.clear();
    QNSCENE::DeviceResetPending = true;
    QNSCENE::RequestSwitch("B");
    Apply();
    // Leaving keeps A's media; entering B registers nothing; the flag is spent afterwards.
    EXPECT_EQ(a->Resources.Textures.ChildCount(), 1u);
    EXPECT_EQ(log, (Log{"A:leave", "B:enter"}));
    EXPECT_FALSE(QNSCENE::DeviceResetPending);
}

TEST_F(SceneStackTest, HidingSurvivesANodeThatDeletesItselfOnTheChange)
{
    QNSCENE::RequestSwitch("A");
    Apply();
    Log nodes;
    auto* doomed = new PROBENODE(a->GetView(0)->Root, "D", &nodes);
    auto* after = new PROBENODE(a->GetView(0)->Root, "E", &nodes);
    doomed->SetState(3, 0, false, false);
    after->SetState(3, 0, false, false);
    struct SELFDELETE : PROBENODE {
        using PROBENODE::PROBENODE;
        void OnStateChanged(std::int32_t, std::int32_t newState) override
        {
            if (newState == 2)
                QNITEM::Destroy(this);
        }
    };
    auto* quitter = new SELFDELETE(doomed, "Q", &nodes);
    quitter->SetState(3, 0, false, false);
    QNWEAK<QNNODE> q(quitter);
    nodes.clear();

    QNSCENE::RequestPush("B");
    Apply();
    EXPECT_FALSE(q);
    EXPECT_EQ(after->State, 2);
    EXPECT_EQ(nodes, (Log{"D:S32", "Q:~", "E:S32"}));
    QNSCENE::PopAll(); // the nodes log into this test's frame
}

} // namespace
