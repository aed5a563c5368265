#include "engine/util/qn_item.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Checks the tree invariants of the subtree of `root` and returns the number of problems.
int CountBrokenInvariants(const QNITEM* root)
{
    int broken = 0;
    for (const QNITEM* x = root; x; x = QNITEM::Next(root, x)) {
        if ((x->FirstChild() == nullptr) != (x->LastChild() == nullptr))
            ++broken;
        std::uint32_t n = 0;
        const QNITEM* prev = nullptr;
        for (const QNITEM* c = x->FirstChild(); c; c = c->Next()) {
            if (c->Parent() != x || c->Prev() != prev)
                ++broken;
            prev = c;
            ++n;
        }
        if (prev != x->LastChild() || n != x->ChildCount())
            ++broken;
    }
    return broken;
}

std::string Names(const QNITEM* parent)
{
    std::string out;
    for (const QNITEM* c = parent->FirstChild(); c; c = c->Next())
        out += std::string(c->Name().Text()) + ",";
    return out;
}

// Records its destruction order into a shared log.
struct LOGITEM : QNITEM {
    LOGITEM(QNITEM* parent, const char* name, std::vector<std::string>* log)
        : QNITEM(name), log_(log)
    {
        if (parent)
            parent->AddChild(this);
    }
    ~LOGITEM() override
    {
        // Runs before QNITEM deletes the children: record whether the item is still listed.
        log_->push_back(std::string(Name().Text()) + (Parent() ? "+" : "-"));
    }
    std::vector<std::string>* log_;
};

TEST(QnItemTree, LinkOperationsKeepOrderAndInvariants)
{
    QNITEM root("root");
    auto* a = root.AddChild(new QNITEM("A"));
    auto* b = root.AddChild(new QNITEM("B"));
    auto* c = root.AddChild(new QNITEM("C"));
    EXPECT_EQ(Names(&root), "A,B,C,");

    // Appending the last child again changes nothing.
    root.AddChild(c);
    EXPECT_EQ(Names(&root), "A,B,C,");
    EXPECT_EQ(root.ChildCount(), 3u);

    a->InsertAfter(c);
    EXPECT_EQ(Names(&root), "A,C,B,");
    a->InsertBefore(b);
    EXPECT_EQ(Names(&root), "B,A,C,");
    b->InsertBefore(b); // refused: an item cannot be placed next to itself
    EXPECT_EQ(Names(&root), "B,A,C,");

    // Moving a child under a sibling.
    a->AddChild(c);
    EXPECT_EQ(Names(&root), "B,A,");
    EXPECT_EQ(Names(a), "C,");

    c->Unlink();
    EXPECT_EQ(c->Parent(), nullptr);
    EXPECT_EQ(a->ChildCount(), 0u);
    EXPECT_EQ(CountBrokenInvariants(&root), 0);
    delete c;
}

TEST(QnItemTree, CyclesAreRefused)
{
    QNITEM root("root");
    auto* a = root.AddChild(new QNITEM("A"));
    auto* b = a->AddChild(new QNITEM("B"));
    EXPECT_EQ(b->AddChild(&root), nullptr);
    EXPECT_EQ(b->AddChild(a), nullptr);
    EXPECT_EQ(a->AddChild(a), nullptr);
    EXPECT_EQ(b->InsertAfter(a), nullptr);
    EXPECT_EQ(b->Parent(), a);
    EXPECT_EQ(a->Parent(), &root);
    EXPECT_EQ(CountBrokenInvariants(&root), 0);
}

TEST(QnItemTree, FindChildModes)
{
    QNITEM root;
    root.AddChild(new QNITEM(""));
    auto* named = root.AddChild(new QNITEM("ROOT"));
    auto* beam = root.AddChild(new QNITEM("station_beam"));

    EXPECT_EQ(root.FindChild("Root"), named);              // exact: case ignored
    EXPECT_EQ(root.FindChild("beam"), nullptr);            // exact: whole name
    EXPECT_EQ(root.FindChild("beam", false, true), beam);  // partial: substring
    EXPECT_EQ(root.FindChild("BEAM", false, true), nullptr); // partial: case kept
    // An empty needle skips the unnamed child and finds the first named one.
    EXPECT_EQ(root.FindChild("", false, true), named);

    try {
        root.FindChild("MISSING", true);
        FAIL() << "no exception";
    } catch (const QNNODE_EXC& e) {
        EXPECT_STREQ(e.what(), "Node 'MISSING' not found.");
        EXPECT_STREQ(QNEXCEPTION::Message(), "Node 'MISSING' not found.");
    }
}

TEST(QnItemTree, ChildAt)
{
    QNITEM root;
    auto* a = root.AddChild(new QNITEM("A"));
    auto* b = root.AddChild(new QNITEM("B"));
    EXPECT_EQ(root.ChildAt(0), a);
    EXPECT_EQ(root.ChildAt(1), b);
    EXPECT_EQ(root.ChildAt(3), nullptr);
    try {
        root.ChildAt(3, true);
        FAIL() << "no exception";
    } catch (const QNEXCEPTION& e) {
        EXPECT_STREQ(e.what(), "Node index 3 not found.");
    }
}

TEST(QnItemTree, PreOrderWalk)
{
    QNITEM root("R");
    auto* a = root.AddChild(new QNITEM("A"));
    a->AddChild(new QNITEM("A1"))->AddChild(new QNITEM("A11"));
    a->AddChild(new QNITEM("A2"));
    auto* b = root.AddChild(new QNITEM("B"));
    b->AddChild(new QNITEM("B1"));

    std::string order;
    for (QNITEM* x = nullptr; (x = QNITEM::Next(&root, x));)
        order += std::string(x->Name().Text()) + " ";
    EXPECT_EQ(order, "R A A1 A11 A2 B B1 ");

    // A subtree walk never leaves its root, even when the root has siblings.
    order.clear();
    for (QNITEM* x = nullptr; (x = QNITEM::Next(a, x));)
        order += std::string(x->Name().Text()) + " ";
    EXPECT_EQ(order, "A A1 A11 A2 ");

    QNITEM leaf("L");
    EXPECT_EQ(QNITEM::Next(&leaf, nullptr), &leaf);
    EXPECT_EQ(QNITEM::Next(&leaf, &leaf), nullptr);
}

TEST(QnItemTree, DeletionDeletesChildrenFirstToLastWhileStillListed)
{
    std::vector<std::string> log;
    auto* top = new LOGITEM(nullptr, "top", &log);
    auto* a = new LOGITEM(top, "a", &log);
    new LOGITEM(a, "a1", &log);
    new LOGITEM(top, "b", &log);
    QNITEM holder;
    holder.AddChild(top);

    delete top;
    // A plain delete runs the item's derived destructor first; its children go next, first to
    // last, each after its own children (while it is whole), and each is still in its parent's
    // list when its own destructor starts.
    EXPECT_EQ(log, (std::vector<std::string>{"top+", "a1+", "a+", "b+"}));
    EXPECT_EQ(holder.ChildCount(), 0u);
    EXPECT_EQ(holder.FirstChild(), nullptr);
}

// A child whose destructor deletes its next sibling.
struct GREEDY : QNITEM {
    using QNITEM::QNITEM;
    ~GREEDY() override { QNITEM::Destroy(Next()); }
};

TEST(QnItemTree, DeleteChildrenSurvivesDestructorsThatDeleteSiblings)
{
    QNITEM root;
    root.AddChild(new GREEDY("a"));
    root.AddChild(new QNITEM("b"));
    root.AddChild(new GREEDY("c"));
    root.AddChild(new QNITEM("d"));
    root.DeleteChildren();
    EXPECT_EQ(root.ChildCount(), 0u);
    EXPECT_EQ(CountBrokenInvariants(&root), 0);
}

TEST(QnWeak, ReadsNullOnceTheItemIsGone)
{
    QNITEM root;
    auto* a = root.AddChild(new QNITEM("A"));
    auto* a1 = a->AddChild(new QNITEM("A1"));
    QNWEAK<QNITEM> wa(a), wa1(a1);
    QNWEAK<QNITEM> copy = wa;
    QNWEAK<QNITEM> moved = std::move(copy);
    EXPECT_EQ(wa.Get(), a);
    EXPECT_EQ(moved.Get(), a);
    EXPECT_EQ(copy.Get(), nullptr);

    QNITEM::Destroy(a);
    EXPECT_EQ(wa.Get(), nullptr);
    EXPECT_EQ(wa1.Get(), nullptr);
    EXPECT_EQ(moved.Get(), nullptr);
    EXPECT_FALSE(wa);

    // A new item at any address starts with no handle of the old one.
    auto* b = root.AddChild(new QNITEM("B"));
    EXPECT_EQ(wa.Get(), nullptr);
    wa = b;
    EXPECT_EQ(wa.Get(), b);
    wa = wa; // self-assignment keeps the handle
    EXPECT_EQ(wa.Get(), b);
}

// Reads its weak handle on another item while being destroyed.
struct WATCHER : QNITEM {
    using QNITEM::QNITEM;
    ~WATCHER() override { *seen = other.Get(); }
    QNWEAK<QNITEM> other;
    QNITEM** seen = nullptr;
};

TEST(QnWeak, HandlesIntoADestroyedSubtreeAreDeadBeforeDestructorsRun)
{
    // The watcher is deleted before its parent's QNITEM part is destroyed; with Destroy the
    // parent's handle is already dead, so the watcher never follows it into a dying object.
    auto* parent = new QNITEM("P");
    auto* w = new WATCHER("W");
    parent->AddChild(w);
    QNITEM* seen = reinterpret_cast<QNITEM*>(1);
    w->other = parent;
    w->seen = &seen;
    QNITEM::Destroy(parent);
    EXPECT_EQ(seen, nullptr);
}

TEST(QnListCursor, SurvivesRemovalOfCurrentAndPendingItems)
{
    QNITEM root;
    std::vector<QNITEM*> items;
    for (const char* n : {"a", "b", "c", "d", "e"})
        items.push_back(root.AddChild(new QNITEM(n)));

    std::string visited;
    for (QNCHILDWALK w(&root); QNITEM* x = w.Advance();) {
        const std::string name = x->Name().Text();
        visited += name;
        if (name == "a") {
            QNITEM::Destroy(items[1]); // delete the next item
        } else if (name == "c") {
            QNITEM::Destroy(x); // delete the current item
        } else if (name == "d") {
            x->Unlink(); // unlink the current item
            root.AddChild(new QNITEM("f")); // appended during the walk: still reached
        }
    }
    EXPECT_EQ(visited, "acdef");
    delete items[3];
    EXPECT_EQ(Names(&root), "a,e,f,");
}

TEST(QnListCursor, NestedWalksOfTheSameListStayConsistent)
{
    QNITEM root;
    for (const char* n : {"a", "b", "c"})
        root.AddChild(new QNITEM(n));
    std::string visited;
    for (QNCHILDWALK outer(&root); QNITEM* x = outer.Advance();) {
        visited += x->Name().Text();
        for (QNCHILDWALK inner(&root); QNITEM* y = inner.Advance();) {
            if (y != x && std::string(y->Name().Text()) == "b")
                QNITEM::Destroy(y);
        }
    }
    EXPECT_EQ(visited, "ac");
    EXPECT_EQ(root.ChildCount(), 2u);
}

} // namespace

namespace {

TEST(QnListCursor, ItemsAppendedAfterTheLastItemLeftAreStillReached)
{
    QNITEM root;
    root.AddChild(new QNITEM("a"));
    QNITEM* b = root.AddChild(new QNITEM("b"));
    QNITEM moved;
    std::string visited;
    for (QNCHILDWALK w(&root); QNITEM* x = w.Advance();) {
        visited += x->Name().Text();
        if (x == b) {
            moved.AddChild(b); // the last child leaves ...
            root.AddChild(new QNITEM("c")); // ... and a new one is appended
        }
    }
    EXPECT_EQ(visited, "abc");
}

} // namespace
