#include "tests/engine/scene/scene_test_util.h"

#include <algorithm>

namespace {

using Log = std::vector<std::string>;

class NodeTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        scene = new QNSCENE(&QNSCENE::SceneRoot(), "TEST", 2);
        view = scene->GetView(0);
        root = view->Root;
    }

    std::vector<std::string> UpdateOrder() const
    {
        std::vector<std::string> names;
        for (QNNODE* n = view->UpdateHead; n; n = n->UpdateNext)
            names.push_back(n->Name().Text());
        return names;
    }

    QNSCENE* scene = nullptr;
    QNVIEW* view = nullptr;
    GAMENODE* root = nullptr;
    Log log;
};

TEST_F(NodeTest, ViewRootAndConstruction)
{
    EXPECT_STREQ(root->Name().Text(), "ROOT");
    EXPECT_EQ(root->State, 3);
    EXPECT_EQ(root->Resources, &scene->Resources);
    EXPECT_EQ(root->FindAncestor(QNCF_LEVEL_VIEWROOT), root);

    auto* a = new PROBENODE(root, "A", &log);
    auto* b = new PROBENODE(a, "B", &log, QNCF_LEVEL_PLAIN);
    EXPECT_EQ(a->View, view);
    EXPECT_EQ(b->View, view);
    EXPECT_EQ(a->Resources, &scene->Resources);
    EXPECT_EQ(a->State, 0); // born dormant
    EXPECT_EQ(a->Votes[0], 0);
    EXPECT_EQ(UpdateOrder(), (std::vector<std::string>{"A"})); // only class flag 4 joins
    EXPECT_EQ(b->FindAncestor(QNCF_LEVEL_GAME), a);
    EXPECT_EQ(b->FindAncestor(QNCF_LEVEL_VIEWROOT), root);

    // The resource override wins over the parent's resources while it is set.
    QNRESOURCES other;
    QNRESOURCES::Override = &other;
    auto* c = new PROBENODE(a, "C", &log);
    QNRESOURCES::Override = nullptr;
    EXPECT_EQ(c->Resources, &other);

    const std::uint32_t count = view->NodeCount;
    QNITEM::Destroy(a);
    EXPECT_EQ(view->NodeCount, count - 3);
    EXPECT_TRUE(UpdateOrder().empty());
}

TEST_F(NodeTest, StateVoteRule)
{
    auto* parent = new PROBENODE(root, "P", &log);
    auto* child = new PROBENODE(parent, "C", &log);
    child->SetState(3, 0, false, false);
    parent->SetState(3, 0, false, false);
    EXPECT_EQ(parent->State, 3);
    EXPECT_EQ(child->State, 3);

    // Votes (3, 3, 3, 2) give 2 whatever the ancestors say.
    child->SetState(2, 3, false, false);
    EXPECT_EQ(child->State, 2);
    child->SetState(3, 3, false, false);

    // All votes 3 under a hidden ancestor: hidden; under a dormant one: dormant.
    parent->SetState(2, 1, false, false);
    EXPECT_EQ(parent->State, 2);
    EXPECT_EQ(child->State, 2);
    EXPECT_EQ(child->ComputeState(), 2);
    parent->SetState(0, 1, false, false);
    EXPECT_EQ(child->State, 0);
    parent->SetState(3, 1, false, false);
    EXPECT_EQ(child->State, 3);

    // A low vote of the node beats a higher ancestor state.
    child->SetState(1, 2, false, false);
    EXPECT_EQ(child->State, 1);

    // Recursive votes reach every game node of the subtree.
    parent->SetState(3, 2, false, true);
    EXPECT_EQ(child->Votes[2], 3);
    EXPECT_EQ(child->State, 3);
}

TEST_F(NodeTest, HidingTheViewRootHidesTheViewOnceEach)
{
    auto* a = new PROBENODE(root, "A", &log);
    auto* b = new PROBENODE(a, "B", &log);
    auto* c = new PROBENODE(root, "C", &log);
    for (GAMENODE* n : {static_cast<GAMENODE*>(a), static_cast<GAMENODE*>(b),
                        static_cast<GAMENODE*>(c)})
        n->SetState(3, 0, false, false);
    c->SetState(2, 2, false, false); // C hides itself
    log.clear();

    root->SetState(2, 3, false, false);
    EXPECT_EQ(log, (Log{"A:S32", "B:S32"})); // C was hidden already: no change reported
    EXPECT_EQ(b->State, 2);

    log.clear();
    root->SetState(3, 3, false, false);
    EXPECT_EQ(log, (Log{"A:S23", "B:S23"}));
    EXPECT_EQ(c->State, 2); // its own vote still hides it
    EXPECT_EQ(a->Votes[3], 3); // the ancestor never touched the children's votes
}

TEST_F(NodeTest, CheckedStateChangeAsksForOverlaps)
{
    auto* blocker = new PROBENODE(root, "BLOCK", &log);
    auto* node = new PROBENODE(root, "N", &log);
    int dummy = 0;
    node->Model = reinterpret_cast<McdModel*>(&dummy);
    static QNNODE* overlapAnswer = nullptr;
    static QNNODE* askedRoot = nullptr;
    QNHOOKS::Node.Overlaps = [](QNNODE*, QNNODE* r, std::uint32_t mode) -> QNNODE* {
        askedRoot = r;
        return mode == 4 ? overlapAnswer : nullptr;
    };

    overlapAnswer = blocker;
    EXPECT_NE(node->SetState(3, 0, true, false), 0u);
    EXPECT_EQ(node->State, 0);     // refused: state and vote put back
    EXPECT_EQ(node->Votes[0], 0);
    EXPECT_EQ(askedRoot, root);

    // Going dormant is never refused.
    EXPECT_EQ(node->SetState(1, 0, true, false), 0u);
    EXPECT_EQ(node->State, 1);

    overlapAnswer = nullptr;
    EXPECT_EQ(node->SetState(3, 0, true, false), 0u);
    EXPECT_EQ(node->State, 3);

    // Class flag 32 skips the test.
    auto* ghost = new PROBENODE(root, "G", &log, QNCF_LEVEL_GAME | QNCF_NOCONTACT);
    ghost->Model = reinterpret_cast<McdModel*>(&dummy);
    overlapAnswer = blocker;
    EXPECT_EQ(ghost->SetState(3, 0, true, false), 0u);
    EXPECT_EQ(ghost->State, 3);
    node->Model = nullptr;
    ghost->Model = nullptr;
}

TEST_F(NodeTest, UpdatePassSurvivesDeletionAndUnlinkOfAnyNode)
{
    auto* a = new PROBENODE(root, "A", &log);
    auto* b = new PROBENODE(root, "B", &log);
    auto* c = new PROBENODE(root, "C", &log);
    auto* d = new PROBENODE(root, "D", &log);
    auto* e = new PROBENODE(root, "E", &log);
    auto* f = new PROBENODE(root, "F", &log);
    QNWEAK<QNNODE> wa(a), wb(b), wc(c), wf(f);

    a->onUpdate = [](PROBENODE* self) { self->Delete = 1; };   // deleted after its update
    b->onUpdate = [&](PROBENODE*) { // deletes the next node (once)
        QNITEM::Destroy(c);
        c = nullptr;
    };
    d->onUpdate = [](PROBENODE* self) { self->DisableUpdate(); }; // unlinks itself
    e->onUpdate = [&](PROBENODE* self) {
        auto* g = new PROBENODE(root, "G", &log); // appended during the pass
        g->onUpdate = [](PROBENODE* me) { me->DisableUpdate(); };
        // Deletes itself outright; this closure goes with it, so it is the last step.
        QNITEM::Destroy(self);
    };
    view->RunUpdateList();

    EXPECT_EQ(log, (Log{"A:U", "A:I", "A:~", "B:U", "C:~", "B:I", "D:U", "D:I", "E:U", "E:~",
                        "F:U", "F:I", "G:U", "G:I"}));
    EXPECT_FALSE(wa);
    EXPECT_FALSE(wc);
    EXPECT_TRUE(wb);
    EXPECT_TRUE(wf);
    EXPECT_EQ(UpdateOrder(), (std::vector<std::string>{"B", "F"}));
    EXPECT_EQ(d->Parent(), root); // unlinked, not deleted

    log.clear();
    view->RunUpdateList();
    EXPECT_EQ(log, (Log{"B:U", "B:I", "F:U", "F:I"}));
}

TEST_F(NodeTest, EnableUpdateTwiceNeverLinksANodeToItself)
{
    auto* a = new PROBENODE(root, "A", &log, QNCF_LEVEL_GAME);
    a->EnableUpdate();
    a->EnableUpdate();
    EXPECT_EQ(view->UpdateHead, a);
    EXPECT_EQ(view->UpdateTail, a);
    EXPECT_EQ(a->UpdateNext, nullptr);
    EXPECT_EQ(a->UpdatePrev, nullptr);
    view->RunUpdateList();
    EXPECT_EQ(log, (Log{"A:U", "A:I"}));

    a->ScheduleOnce();
    a->ScheduleOnce();
    EXPECT_EQ(a->OnceNext, nullptr);
    a->DisableUpdate();
    a->DisableUpdate();
    EXPECT_EQ(view->UpdateHead, nullptr);
    EXPECT_EQ(view->UpdateTail, nullptr);
}

TEST_F(NodeTest, OneShotListRunsEachNodeOnce)
{
    auto* a = new PROBENODE(root, "A", &log, QNCF_LEVEL_GAME);
    auto* b = new PROBENODE(root, "B", &log, QNCF_LEVEL_GAME);
    auto* c = new PROBENODE(root, "C", &log, QNCF_LEVEL_GAME);
    a->onOnce = [](PROBENODE* self) { self->ScheduleOnce(); }; // again next frame
    b->onOnce = [&](PROBENODE* self) {
        self->Delete = 1; // removal from its own operation: deleted by the view
        QNITEM::Destroy(c);
    };
    a->ScheduleOnce();
    b->ScheduleOnce();
    c->ScheduleOnce();
    view->RunOnceList();
    EXPECT_EQ(log, (Log{"A:O", "B:O", "C:~", "B:~"}));
    EXPECT_EQ(view->OnceHead, a);
    EXPECT_EQ(view->OnceTail, a);

    log.clear();
    view->RunOnceList();
    EXPECT_EQ(log, (Log{"A:O"}));
}

TEST_F(NodeTest, ChildrenGoBeforeTheBodyAndJointOfTheirParent)
{
    static Log* events = nullptr;
    events = &log;
    QNHOOKS::Node.ReleaseBody = [](QNBODYNODE* n) {
        events->push_back(std::string(n->Name().Text()) + ":body");
    };
    QNHOOKS::Node.ReleaseJoint = [](QNJOINTNODE* n) {
        events->push_back(std::string(n->Name().Text()) + ":joint");
    };
    auto* parent = new PROBENODE(root, "P", nullptr);
    new PROBENODE(parent, "C", nullptr);
    log.clear();
    QNITEM::Destroy(parent);
    EXPECT_EQ(log, (Log{"C:joint", "C:body", "P:joint", "P:body"}));
    events = nullptr;
}

TEST_F(NodeTest, WeakHandleReadsNullAfterTheUpdatePassDeletesTheNode)
{
    auto* a = new PROBENODE(root, "A", &log);
    QNWEAK<PROBENODE> handle(a);
    QNWEAK<QNNODE> camera(a);
    view->CurrentNode = a;
    EXPECT_EQ(handle.Get(), a);
    a->Delete = 1;
    view->RunUpdateList();
    EXPECT_EQ(handle.Get(), nullptr);
    EXPECT_EQ(camera.Get(), nullptr);
    EXPECT_EQ(view->CurrentNode.Get(), nullptr);
}

TEST_F(NodeTest, AttachWithStateMovesListsToTheNewView)
{
    QNVIEW* second = scene->GetView(1);
    auto* a = new PROBENODE(root, "A", &log);
    auto* a1 = new PROBENODE(a, "A1", &log, QNCF_LEVEL_PLAIN);
    a->SetState(3, 0, false, false);
    const std::uint32_t before = view->NodeCount;

    EXPECT_EQ(a->AttachWithState(second->Root, 3, 0, false, false), 0u);
    EXPECT_EQ(a->Parent(), second->Root);
    EXPECT_EQ(a->View, second);
    EXPECT_EQ(a1->View, second);
    EXPECT_EQ(view->UpdateHead, nullptr);
    // Rehoming puts every moved node on the new update list.
    EXPECT_EQ(second->UpdateHead, a);
    EXPECT_EQ(second->UpdateTail, a1);
    EXPECT_EQ(view->NodeCount, before - 2);
    EXPECT_EQ(a->State, 3);
    // The detour through dormancy was reported.
    EXPECT_EQ(std::count(log.begin(), log.end(), "A:S31"), 1);
}

} // namespace

namespace {

TEST_F(NodeTest, NodesMovedWithinTheListAreVisitedOncePerPass)
{
    auto* a = new PROBENODE(root, "A", &log);
    auto* b = new PROBENODE(root, "B", &log);
    auto* holder = new PROBENODE(root, "H", &log, QNCF_LEVEL_GAME);
    // A re-attaches itself in the same view every update: it moves to the end of the list.
    a->onUpdate = [holder](PROBENODE* self) { self->AttachWithState(holder, 3, 0, false, false); };
    // B, the last node, leaves the list and spawns a node: the newcomer still runs this pass.
    b->onUpdate = [this](PROBENODE* self) {
        self->DisableUpdate();
        new PROBENODE(root, "N", &log);
    };
    view->RunUpdateList();
    std::vector<std::string> updates;
    for (const std::string& s : log)
        if (s.size() > 2 && s.substr(s.size() - 2) == ":U")
            updates.push_back(s);
    EXPECT_EQ(updates, (Log{"A:U", "B:U", "N:U"}));
}

} // namespace
