// Destruction order of node trees and destruction held back by a lock.

#include <string>
#include <vector>

#include "tests/engine/scene/scene_test_util.h"

namespace {

// A game object whose parts ask it for its name while they are destroyed.
class STATIONLIKE : public GAMENODE {
public:
    STATIONLIKE(QNNODE* parent, std::vector<std::string>* log)
        : GAMENODE(parent, "STATION", 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0), log_(log)
    {
    }
    ~STATIONLIKE() override { log_->push_back("~station"); }
    virtual std::string Callsign() const { return "alpha"; }

private:
    std::vector<std::string>* log_;
};

class PARTLIKE : public GAMENODE {
public:
    PARTLIKE(QNNODE* parent, const char* name, std::vector<std::string>* log)
        : GAMENODE(parent, name, 0, QNCF_LEVEL_GAME, 0, 0, nullptr, 0), log_(log)
    {
    }
    ~PARTLIKE() override
    {
        auto* owner = dynamic_cast<STATIONLIKE*>(ParentNode());
        log_->push_back(std::string("~") + Name().Text() + "@" + (owner ? owner->Callsign() : "gone"));
    }

private:
    std::vector<std::string>* log_;
};

}  // namespace

TEST_F(SceneFixture, DestructionDeletesChildrenWhileTheirParentIsWhole)
{
    auto* scene = new QNSCENE(&QNSCENE::SceneRoot(), "S", 1);
    QNVIEW* view = scene->GetView(0);
    const std::uint32_t before = view->NodeCount;
    std::vector<std::string> log;
    for (int round = 0; round < 2; ++round) {
        log.clear();
        auto* station = new STATIONLIKE(view->Root, &log);
        auto* part = new PARTLIKE(station, "beam", &log);
        new PARTLIKE(part, "bolt", &log);
        new PARTLIKE(station, "dock", &log);
        // Deleted directly, then by the update pass through the delete flag.
        if (round == 0) {
            QNITEM::Destroy(station);
        } else {
            station->Delete = 1;
            station->EnableUpdate();
            view->RunUpdateList();
        }
        EXPECT_EQ(log, (std::vector<std::string>{"~bolt@gone", "~beam@alpha", "~dock@alpha", "~station"}))
            << round;
        EXPECT_EQ(view->Root->ChildCount(), 0u);
        EXPECT_EQ(view->NodeCount, before);
    }
}

TEST(QnDestroyLock, DestructionWaitsForTheLastLockAndKeepsItsOrder)
{
    std::vector<std::string> log;
    struct LOGGED : QNITEM {
        LOGGED(QNITEM* parent, const char* name, std::vector<std::string>* log) : QNITEM(name), log_(log)
        {
            parent->AddChild(this);
        }
        ~LOGGED() override { log_->push_back(Name().Text()); }
        std::vector<std::string>* log_;
    };
    QNITEM root;
    auto* a = new LOGGED(&root, "a", &log);
    auto* a1 = new LOGGED(a, "a1", &log);
    auto* b = new LOGGED(&root, "b", &log);
    auto* c = new LOGGED(&root, "c", &log);
    QNWEAK<QNITEM> weakA1(a1);
    {
        QNDESTROYLOCK outer;
        {
            QNDESTROYLOCK inner;
            QNITEM::Destroy(b);
            QNITEM::Destroy(a1);
            QNITEM::Destroy(a);   // takes a1 along: a1 is deleted once
            QNITEM::Destroy(b);   // already dying: ignored
            EXPECT_FALSE(weakA1); // handles read null at once
            EXPECT_TRUE(b->IsDying());
            EXPECT_EQ(root.ChildCount(), 3u);  // still linked where they were
        }
        EXPECT_TRUE(log.empty());
        c->DeleteChildren();
        root.DeleteChildren();
        EXPECT_TRUE(log.empty());
        EXPECT_EQ(root.ChildCount(), 3u);
    }
    EXPECT_EQ(log, (std::vector<std::string>{"b", "a1", "a", "c"}));
    EXPECT_EQ(root.ChildCount(), 0u);
}
