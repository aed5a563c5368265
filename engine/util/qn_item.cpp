#include "engine/util/qn_item.h"

#include <algorithm>
#include <cstring>
#include <strings.h>
#include <vector>

namespace {

// Live cursors, innermost first. Walks nest (a scene walk inside the frame, a child walk inside
// an update), so the chain is short.
QNLISTCURSOR* gCursors = nullptr;

// Destroy locks held, and the items queued while they are.
int gDestroyLocks = 0;
std::vector<QNITEM*>& Queued()
{
    static std::vector<QNITEM*> queued;
    return queued;
}

} // namespace

QNITEM::QNITEM(const char* name) : name_(name)
{
}

QNITEM::~QNITEM()
{
    ExpireLife();
    if (queued_) {
        auto& q = Queued();
        q.erase(std::remove(q.begin(), q.end(), this), q.end());
        queued_ = false;
    }
    dying_ = true;
    DeleteChildrenNow();
    Unlink();
}

QNITEM* QNITEM::FindChild(const char* name, bool mustExist, bool partial) const
{
    const char* needle = name ? name : "";
    for (QNITEM* child = firstChild_; child; child = child->next_) {
        const char* text = child->name_.Text();
        if (partial) {
            if (text[0] != '\0' && std::strstr(text, needle))
                return child;
        } else if (strcasecmp(text, needle) == 0) {
            return child;
        }
    }
    if (mustExist)
        throw QNNODE_EXC(0, "Node '%s' not found.", needle);
    return nullptr;
}

QNITEM* QNITEM::ChildAt(std::uint32_t index, bool mustExist) const
{
    std::uint32_t i = 0;
    for (QNITEM* child = firstChild_; child; child = child->next_, ++i) {
        if (i == index)
            return child;
    }
    if (mustExist)
        throw QNNODE_EXC(0, "Node index %d not found.", static_cast<int>(index));
    return nullptr;
}

QNITEM* QNITEM::Next(const QNITEM* root, const QNITEM* current)
{
    if (!current)
        return const_cast<QNITEM*>(root);
    const QNITEM* x = current;
    if (x->firstChild_)
        return x->firstChild_;
    if (x == root)
        return nullptr;
    if (x->next_)
        return x->next_;
    for (const QNITEM* p = x->parent_; p; p = p->parent_) {
        if (p == root)
            return nullptr;
        if (p->next_)
            return p->next_;
    }
    return nullptr;
}

bool QNITEM::IsAncestorOf(const QNITEM* item) const
{
    for (const QNITEM* p = item; p; p = p->parent_) {
        if (p == this)
            return true;
    }
    return false;
}

void QNITEM::Unlink()
{
    if (!parent_ && !prev_ && !next_)
        return;
    QNLISTCURSOR::ItemLeaving(parent_, this, next_, prev_);
    if (prev_)
        prev_->next_ = next_;
    else if (parent_)
        parent_->firstChild_ = next_;
    if (next_)
        next_->prev_ = prev_;
    else if (parent_)
        parent_->lastChild_ = prev_;
    if (parent_)
        --parent_->childCount_;
    parent_ = nullptr;
    prev_ = nullptr;
    next_ = nullptr;
}

// Links the detached `item` under this item's list right after `prev` (null: at the front).
void QNITEM::LinkAfter(QNITEM* item, QNITEM* prev)
{
    item->parent_ = this;
    item->prev_ = prev;
    item->next_ = prev ? prev->next_ : firstChild_;
    if (item->next_)
        item->next_->prev_ = item;
    else
        lastChild_ = item;
    if (prev)
        prev->next_ = item;
    else
        firstChild_ = item;
    ++childCount_;
}

QNITEM* QNITEM::AddChild(QNITEM* item)
{
    if (!item || item->IsAncestorOf(this))
        return nullptr;
    item->Unlink();
    LinkAfter(item, lastChild_);
    return item;
}

QNITEM* QNITEM::InsertAfter(QNITEM* item)
{
    if (!item || item->IsAncestorOf(this))
        return nullptr;
    item->Unlink();
    if (parent_) {
        parent_->LinkAfter(item, this);
    } else {
        item->prev_ = this;
        item->next_ = next_;
        if (next_)
            next_->prev_ = item;
        next_ = item;
    }
    return item;
}

QNITEM* QNITEM::InsertBefore(QNITEM* item)
{
    if (!item || item->IsAncestorOf(this))
        return nullptr;
    item->Unlink();
    if (parent_) {
        parent_->LinkAfter(item, prev_);
    } else {
        item->next_ = this;
        item->prev_ = prev_;
        if (prev_)
            prev_->next_ = item;
        prev_ = item;
    }
    return item;
}

void QNITEM::DeleteChildren()
{
    if (gDestroyLocks > 0) {
        // Queued children stay linked until the lock is released.
        for (QNITEM* child = firstChild_; child; child = child->next_)
            Destroy(child);
        return;
    }
    DeleteChildrenNow();
}

void QNITEM::DeleteChildrenNow()
{
    // Deleting the first child unlinks it, so the next one becomes first; a destructor that
    // deletes or moves siblings cannot leave this loop holding a freed pointer. A child whose
    // own destruction is under way further up the stack is let go: it finishes there.
    while (QNITEM* child = firstChild_) {
        if (child->dying_ && !child->queued_)
            child->Unlink();
        else
            DestroyNow(child);
    }
}

void QNITEM::Destroy(QNITEM* item)
{
    if (!item || item->dying_)
        return;
    if (gDestroyLocks > 0) {
        for (QNITEM* x = item; x; x = Next(item, x))
            x->ExpireLife();
        item->dying_ = true;
        item->queued_ = true;
        Queued().push_back(item);
        return;
    }
    DestroyNow(item);
}

void QNITEM::DestroyNow(QNITEM* item)
{
    for (QNITEM* x = item; x; x = Next(item, x))
        x->ExpireLife();
    item->dying_ = true;
    // Children first, while every level of the item is still whole.
    item->DeleteChildrenNow();
    delete item;
}

QNDESTROYLOCK::QNDESTROYLOCK()
{
    ++gDestroyLocks;
}

QNDESTROYLOCK::~QNDESTROYLOCK()
{
    if (--gDestroyLocks > 0)
        return;
    auto& q = Queued();
    while (!q.empty()) {
        QNITEM* item = q.front();
        q.erase(q.begin());
        item->queued_ = false;
        QNITEM::DestroyNow(item);
    }
}

bool QNDESTROYLOCK::Held()
{
    return gDestroyLocks > 0;
}

QNLIFETOKEN* QNITEM::AcquireLife()
{
    if (!life_) {
        life_ = new QNLIFETOKEN;
        life_->Refs = 1; // the item's own reference
    }
    ++life_->Refs;
    return life_;
}

void QNITEM::ReleaseLife(QNLIFETOKEN* token)
{
    if (token && --token->Refs == 0)
        delete token;
}

void QNITEM::ExpireLife()
{
    if (life_) {
        life_->Alive = false;
        ReleaseLife(life_);
        life_ = nullptr;
    }
}

QNLISTCURSOR::QNLISTCURSOR(const void* list, QNITEM* first, NextFn next)
    : list_(list), next_(next), pending_(first), outer_(gCursors)
{
    if (gCursors)
        gCursors->inner_ = this;
    gCursors = this;
}

QNLISTCURSOR::~QNLISTCURSOR()
{
    if (inner_)
        inner_->outer_ = outer_;
    else
        gCursors = outer_;
    if (outer_)
        outer_->inner_ = inner_;
}

QNITEM* QNLISTCURSOR::Advance()
{
    if (started_ && current_) {
        current_ = next_(current_);
    } else {
        started_ = true;
        current_ = pending_ ? pending_ : (anchor_ ? next_(anchor_) : nullptr);
        pending_ = nullptr;
        anchor_ = nullptr;
    }
    return current_;
}

void QNLISTCURSOR::ItemLeaving(const void* list, const QNITEM* item, QNITEM* successor,
                               QNITEM* predecessor)
{
    if (!list)
        return;
    for (QNLISTCURSOR* c = gCursors; c; c = c->outer_) {
        if (c->list_ != list)
            continue;
        if (c->current_ == item || (!c->current_ && c->pending_ == item)) {
            c->current_ = nullptr;
            c->pending_ = successor;
            c->anchor_ = successor ? nullptr : predecessor;
        } else if (!c->current_ && !c->pending_ && c->anchor_ == item) {
            c->anchor_ = predecessor;
        }
    }
}
