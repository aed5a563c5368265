#include "tests/engine/scene/scene_test_util.h"

#include <new>

namespace {

using Log = std::vector<std::string>;

// Contacts against a virtual clock: 1000 counts per second, advanced by hand.
class ContactTest : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        savedFrequency = QNTIMER::Frequency();
        QNTIMER::SetFrequency(1000);
        QNTIMER::SetFrameCounter(0);
        scene = new QNSCENE(&QNSCENE::SceneRoot(), "TEST", 1);
        root = scene->GetView(0)->Root;
        node = new PROBENODE(root, "N", &log, QNCF_LEVEL_GAME | QNCF_CONTACTS);
        node->Model = reinterpret_cast<McdModel*>(&modelStandIn);
        other = new PROBENODE(root, "O", nullptr, QNCF_LEVEL_GAME);
    }
    void TearDown() override
    {
        QNTIMER::SetFrequency(savedFrequency);
        SceneFixture::TearDown();
    }

    // One frame of `ms` milliseconds: the clock moves, then the view's lists run.
    void Frame(int ms)
    {
        QNTIMER::SetFrameCounter(QNTIMER::FrameCounter() + ms);
        scene->GetView(0)->RunLists();
    }

    void Touch(QNCOLLIDERNODE* by)
    {
        const float point[3] = {1.0f, 2.0f, 3.0f};
        const float normal[3] = {0.0f, 1.0f, 0.0f};
        node->ReportContact(by, point, normal);
    }

    std::int64_t savedFrequency = 0;
    int modelStandIn = 0;
    QNSCENE* scene = nullptr;
    GAMENODE* root = nullptr;
    PROBENODE* node = nullptr;
    PROBENODE* other = nullptr;
    Log log;
};

// Only the contact events of the log.
Log Contacts(const Log& log)
{
    Log out;
    for (const std::string& s : log)
        if (s.find(":C") != std::string::npos)
            out.push_back(s);
    return out;
}

TEST_F(ContactTest, PhasesBeginGoOnAndEndAfterAQuarterSecond)
{
    Touch(other);
    EXPECT_EQ(Contacts(log), (Log{"N:C0O"}));
    const QNCONTACT* c = node->FindContact(other);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(c->Point[2], 3.0f);

    // Reported every frame: never ends.
    for (int i = 0; i < 20; ++i) {
        Frame(100);
        Touch(other);
    }
    EXPECT_EQ(Contacts(log).size(), 21u);
    EXPECT_EQ(Contacts(log).back(), "N:C1O");
    EXPECT_EQ(node->FindContact(other)->Phase, QNCONTACT_TOUCHING);

    // Silence: exactly 0.25 s is not yet the end; just over it is; removed a frame later.
    log.clear();
    Frame(250);
    EXPECT_TRUE(Contacts(log).empty());
    Frame(1);
    EXPECT_EQ(Contacts(log), (Log{"N:C2O"}));
    EXPECT_EQ(node->FindContact(other)->Phase, QNCONTACT_ENDED);
    Frame(10);
    EXPECT_EQ(node->FindContact(other), nullptr);
    EXPECT_EQ(node->Contacts.ChildCount(), 0u);
    EXPECT_EQ(Contacts(log).size(), 1u);

    // A new touch begins again.
    Touch(other);
    EXPECT_EQ(Contacts(log).back(), "N:C0O");
}

TEST_F(ContactTest, ReportsAreFilteredByClassFlags)
{
    auto* ghost = new PROBENODE(root, "G", nullptr, QNCF_LEVEL_GAME | QNCF_NOCONTACT);
    Touch(ghost);
    EXPECT_TRUE(Contacts(log).empty());
    // The partner's switch is what counts: turned off later, it silences the partner too.
    other->ContactsOn = 0;
    Touch(other);
    EXPECT_TRUE(Contacts(log).empty());
    other->ContactsOn = 1;
    // A node that is never a partner itself still hears of the nodes it touches.
    node->ClassFlags |= QNCF_NOCONTACT;
    Touch(other);
    EXPECT_EQ(Contacts(log).size(), 1u);
    node->ClassFlags &= ~QNCF_CONTACTS;
    node->Contacts.DeleteChildren();
    Touch(other);
    EXPECT_EQ(Contacts(log).size(), 1u);
}

TEST_F(ContactTest, ANewNodeAtAFreedPartnersAddressStartsAtPhaseZero)
{
    // The partner lives in storage of our own so that its successor takes the same address.
    alignas(PROBENODE) unsigned char storage[sizeof(PROBENODE)];
    auto* first = new (storage) PROBENODE(nullptr, "P", nullptr, QNCF_LEVEL_GAME);
    Touch(first);
    Frame(10);
    Touch(first);
    EXPECT_EQ(Contacts(log), (Log{"N:C0P", "N:C1P"}));

    first->~PROBENODE();
    auto* second = new (storage) PROBENODE(nullptr, "P", nullptr, QNCF_LEVEL_GAME);
    ASSERT_EQ(static_cast<void*>(second), static_cast<void*>(first));
    EXPECT_EQ(node->FindContact(second), nullptr);
    Touch(second);
    EXPECT_EQ(Contacts(log).back(), "N:C0P");
    EXPECT_EQ(node->Contacts.ChildCount(), 2u); // the dead record waits for the next frame
    Frame(10);
    EXPECT_EQ(node->Contacts.ChildCount(), 1u); // dropped silently, no phase 2 for it
    EXPECT_EQ(Contacts(log).size(), 3u);
    second->~PROBENODE();
}

TEST_F(ContactTest, ANodeMayDeleteItselfWhenAContactEnds)
{
    auto* third = new PROBENODE(root, "T", nullptr, QNCF_LEVEL_GAME);
    QNWEAK<QNNODE> self(node);
    node->onContact = [](PROBENODE* me, std::uint32_t phase) {
        if (phase == QNCONTACT_ENDED)
            QNITEM::Destroy(me);
    };
    Touch(other);
    Touch(third);
    Frame(300);
    EXPECT_FALSE(self);
    // Only the first ended contact was reported before the node went away.
    EXPECT_EQ(Contacts(log), (Log{"N:C0O", "N:C0T", "N:C2O"}));
}

} // namespace
