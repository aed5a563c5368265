#include "engine/scene/node.h"

#include "engine/scene/resources.h"
#include "engine/scene/scene_hooks.h"
#include "engine/scene/view.h"

QNNODE::QNNODE(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
               std::uint32_t userFlags, QNVIEW* rootOf)
    : QNITEM(name), UserFlags(userFlags), Kind(kind), ClassFlags(classFlags)
{
    if (parent) {
        Camera = parent->Camera;
        View = parent->View;
    } else {
        View = rootOf;
        Camera = rootOf ? rootOf->Camera : nullptr;
    }
    if (QNRESOURCES::Override)
        Resources = QNRESOURCES::Override;
    else if (parent)
        Resources = parent->Resources;
    if (parent)
        parent->AddChild(this);
    if (classFlags & QNCF_UPDATE)
        EnableUpdate();
    if (View)
        ++View->NodeCount;
}

QNNODE::~QNNODE()
{
    if (View) {
        if (View->CurrentNode.Is(this))
            View->CurrentNode.Reset();
        UnlinkUpdate();
        UnlinkOnce();
        if (Parent() && View->NodeCount > 0)
            --View->NodeCount;
    }
}

QNNODE* QNNODE::ParentNode() const
{
    return dynamic_cast<QNNODE*>(Parent());
}

// ---- lists ---------------------------------------------------------------------------------

bool QNNODE::IsOnUpdateList() const
{
    return View && (UpdatePrev || UpdateNext || View->UpdateHead == this);
}

bool QNNODE::IsOnOnceList() const
{
    return View && (OncePrev || OnceNext || View->OnceHead == this);
}

void QNNODE::EnableUpdate()
{
    // Testing the head as well as the links keeps the only member of a list from being linked
    // to itself when it is enabled twice.
    if (!View || IsOnUpdateList())
        return;
    UpdatePrev = View->UpdateTail;
    UpdateNext = nullptr;
    if (View->UpdateTail)
        View->UpdateTail->UpdateNext = this;
    else
        View->UpdateHead = this;
    View->UpdateTail = this;
}

void QNNODE::DisableUpdate()
{
    UnlinkUpdate();
}

void QNNODE::ScheduleOnce()
{
    if (!View || IsOnOnceList())
        return;
    OnceStamp = View->OncePass;
    OncePrev = View->OnceTail;
    OnceNext = nullptr;
    if (View->OnceTail)
        View->OnceTail->OnceNext = this;
    else
        View->OnceHead = this;
    View->OnceTail = this;
}

void QNNODE::CancelOnce()
{
    UnlinkOnce();
}

void QNNODE::UnlinkUpdate()
{
    if (!IsOnUpdateList())
        return;
    QNLISTCURSOR::ItemLeaving(View->UpdateListId(), this, UpdateNext, UpdatePrev);
    if (UpdatePrev)
        UpdatePrev->UpdateNext = UpdateNext;
    else
        View->UpdateHead = UpdateNext;
    if (UpdateNext)
        UpdateNext->UpdatePrev = UpdatePrev;
    else
        View->UpdateTail = UpdatePrev;
    UpdatePrev = nullptr;
    UpdateNext = nullptr;
}

void QNNODE::UnlinkOnce()
{
    if (!IsOnOnceList())
        return;
    QNLISTCURSOR::ItemLeaving(View->OnceListId(), this, OnceNext, OncePrev);
    if (OncePrev)
        OncePrev->OnceNext = OnceNext;
    else
        View->OnceHead = OnceNext;
    if (OnceNext)
        OnceNext->OncePrev = OncePrev;
    else
        View->OnceTail = OncePrev;
    OncePrev = nullptr;
    OnceNext = nullptr;
}

// ---- state ---------------------------------------------------------------------------------

std::int32_t QNNODE::Vote(std::int32_t) const
{
    return 3;
}

void QNNODE::StoreVote(std::int32_t, std::int32_t)
{
}

std::int32_t QNNODE::ComputeState() const
{
    std::int32_t s = 3;
    for (std::int32_t v = 0; v < 4; ++v) {
        const std::int32_t vote = Vote(v);
        if (vote < s)
            s = vote;
    }
    if (s < 2)
        return s;
    for (QNITEM* p = Parent(); p && s > 1; p = p->Parent()) {
        // Items that are not nodes (a scene holding a view root, a list head) have no state.
        if (auto* node = dynamic_cast<QNNODE*>(p)) {
            if (node->State < s)
                s = node->State;
        }
    }
    return s;
}

void QNNODE::SetVote(std::int32_t state, std::int32_t vote, bool recursive)
{
    if (vote < 0 || vote > 3)
        return;
    StoreVote(state, vote);
    if (!recursive)
        return;
    for (QNITEM* x = QNITEM::Next(this, this); x; x = QNITEM::Next(this, x)) {
        if (auto* node = dynamic_cast<QNNODE*>(x))
            node->StoreVote(state, vote);
    }
}

void QNNODE::RefreshState()
{
    // OnStateChanged is game code: it may delete this node or its children.
    QNWEAK<QNNODE> self(this);
    const std::int32_t now = ComputeState();
    if (now != State) {
        const std::int32_t old = State;
        NotifyStateChanged(old, now);
        if (!self)
            return;
        ApplyState(old, now);
        if (!self)
            return;
        State = now;
    }
    for (QNCHILDWALK walk(this); QNITEM* child = walk.Advance();) {
        if (auto* node = dynamic_cast<QNNODE*>(child))
            node->RefreshState();
        if (!self)
            return;
    }
}

void QNNODE::ApplyState(std::int32_t, std::int32_t)
{
}

void QNNODE::NotifyStateChanged(std::int32_t, std::int32_t)
{
}

std::uint32_t QNNODE::CheckedTest(std::int32_t state, std::int32_t vote)
{
    if ((vote >= 0 && state < 2) || !HasCollisionModel() || (ClassFlags & QNCF_NOCONTACT) ||
        State > 1)
        return 0;
    const bool tentative = vote >= 0 && vote <= 3;
    const std::int32_t savedVote = tentative ? Vote(vote) : 0;
    const std::int32_t savedState = State;
    if (tentative)
        StoreVote(state, vote);
    std::uint32_t answer = 0;
    if (ComputeState() >= 2 && QNHOOKS::Node.Overlaps) {
        QNNODE* root = FindAncestor(QNCF_LEVEL_VIEWROOT);
        if (root && QNHOOKS::Node.Overlaps(this, root, 4))
            answer = 1;
    }
    if (tentative)
        StoreVote(savedVote, vote);
    State = savedState;
    return answer;
}

std::uint32_t QNNODE::SetState(std::int32_t state, std::int32_t vote, bool checked,
                               bool recursive)
{
    if (checked) {
        if (const std::uint32_t refused = CheckedTest(state, vote))
            return refused;
    }
    if (vote >= 0)
        SetVote(state, vote, recursive);
    RefreshState();
    return 0;
}

std::uint32_t QNNODE::AttachWithState(QNNODE* parent, std::int32_t state, std::int32_t vote,
                                      bool checked, bool recursive)
{
    StoreVote(1, 0);
    RefreshState();
    if (parent && parent->AddChild(this))
        Rehome(parent);
    return SetState(state, vote, checked, recursive);
}

void QNNODE::Rehome(QNNODE* parent)
{
    if (!parent)
        return;
    UnlinkUpdate();
    // The one-shot list belongs to the old view as well; a pending run moves with the node.
    const bool once = IsOnOnceList();
    UnlinkOnce();
    QNVIEW* const oldView = View;
    View = parent->View;
    Camera = parent->Camera;
    if (oldView != View) {
        if (oldView && oldView->NodeCount > 0)
            --oldView->NodeCount;
        if (View)
            ++View->NodeCount;
    }
    RehomeFeatures();
    EnableUpdate();
    if (once)
        ScheduleOnce();
    for (QNCHILDWALK walk(this); QNITEM* child = walk.Advance();) {
        if (auto* node = dynamic_cast<QNNODE*>(child))
            node->Rehome(this);
    }
}

QNNODE* QNNODE::FindAncestor(std::uint32_t level)
{
    for (QNITEM* x = this; x; x = x->Parent()) {
        auto* node = dynamic_cast<QNNODE*>(x);
        if (node && node->ClassFlags >= level)
            return node;
    }
    return nullptr;
}
