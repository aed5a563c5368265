#pragma once
/// QNITEM: the named tree item that scenes, nodes, resource dictionaries and their entries are
/// built from, with the two mechanisms every owner of tree items relies on.
///
/// Tree. An item has a parent, a previous and a next sibling, a first and a last child, a child
/// count and a name. It owns its children: deleting an item deletes its whole subtree, children
/// first to last, before the item leaves its own parent's list. Invariants kept by every
/// operation: a child is in exactly one parent's list; FirstChild and LastChild are both null or
/// both set; ChildCount is the length of the list; every child's Parent is its owner; no item is
/// its own ancestor (linking an item under itself or under one of its descendants is refused).
///
/// Weak handles (QNWEAK). Whoever keeps a pointer to an item it does not own keeps a QNWEAK: it
/// reads null once the item is being destroyed. An item gets a small reference-counted life
/// token the first time a handle is taken; destruction marks the token dead. QNITEM::Destroy
/// marks the tokens of the whole subtree dead before any destructor runs, so no handle into a
/// subtree that is going away can be followed while its destructors run; a plain `delete` marks
/// the item's own token only when its QNITEM part is destroyed.
///
/// Destruction order. QNITEM::Destroy deletes the children (each through Destroy, so depth
/// first) before the item's own destructors run: a child that reaches its parent while it is
/// destroyed meets the whole object. A plain `delete` runs the item's destructors first and
/// deletes the children in the QNITEM part, after the derived parts are gone.
///
/// Deferred destruction (QNDESTROYLOCK). While a lock is held (a physics step, a draw walk),
/// Destroy marks the subtree's handles dead at once, marks the item dying and queues it; it
/// stays linked where it is. The last lock released destroys the queued items, first queued
/// first. Walks that run under a lock skip dying items.
///
/// List cursors (QNLISTCURSOR). Every walk of an intrusive list that calls out to code which
/// may delete or unlink items (the child lists here, the update and one-shot lists of views,
/// contact lists) walks with a cursor. Live cursors are registered; whoever takes an item out of
/// a list reports it with QNLISTCURSOR::ItemLeaving before the links change. A cursor whose
/// current item leaves continues with that item's successor at the time it left (or, when it
/// was the last, with whatever follows its predecessor by then); a cursor whose pending item
/// leaves moves on the same way. Items appended while an item is being visited are reached in
/// the same walk.

#include <cstdint>

#include "engine/util/qnexception.h"
#include "engine/util/qnstring.h"

/// Shared liveness record of an item with weak handles on it.
struct QNLIFETOKEN {
    std::uint32_t Refs = 0;
    bool Alive = true;
};

class QNITEM {
public:
    /// Detached item with an empty name.
    QNITEM() = default;
    /// Detached item named `name` (copied).
    explicit QNITEM(const char* name);
    /// Deletes every child, unlinks the item, destroys the name.
    virtual ~QNITEM();

    QNITEM(const QNITEM&) = delete;
    QNITEM& operator=(const QNITEM&) = delete;

    QNITEM* Parent() const { return parent_; }
    QNITEM* Prev() const { return prev_; }
    QNITEM* Next() const { return next_; }
    QNITEM* FirstChild() const { return firstChild_; }
    QNITEM* LastChild() const { return lastChild_; }
    std::uint32_t ChildCount() const { return childCount_; }
    const QNSTRING& Name() const { return name_; }
    void SetName(const char* name) { name_ = QNSTRING(name); }
    void SetName(const QNSTRING& name) { name_ = name; }

    /// Searches the direct children, first to last. Exact mode: the first child whose name
    /// equals `name` ignoring ASCII case. Partial mode: the first child whose name is non-empty
    /// and contains `name` (case-sensitive; an empty `name` is contained in every non-empty
    /// name). Not found: null, or with `mustExist` QNNODE_EXC "Node '%s' not found.".
    QNITEM* FindChild(const char* name, bool mustExist = false, bool partial = false) const;

    /// The child at 0-based `index`. Not found: null, or with `mustExist` QNNODE_EXC
    /// "Node index %d not found.".
    QNITEM* ChildAt(std::uint32_t index, bool mustExist = false) const;

    /// Pre-order walk of the subtree of `root`: starting from null and feeding each result back
    /// visits every item of the subtree, `root` first; null after the last one.
    static QNITEM* Next(const QNITEM* root, const QNITEM* current);

    /// Unlinks `item` from wherever it is and appends it as the last child. Returns `item`, or
    /// null (nothing changed) when `item` is null, this item, or an ancestor of this item.
    QNITEM* AddChild(QNITEM* item);

    /// Unlinks `item` and places it right after this item under this item's parent. Returns
    /// `item`, or null (nothing changed) when `item` is null, this item or one of its ancestors.
    QNITEM* InsertAfter(QNITEM* item);
    /// The same, right before this item.
    QNITEM* InsertBefore(QNITEM* item);

    /// Takes the item out of its parent's list (or only fixes its sibling links without parent).
    void Unlink();

    /// Deletes every child (with its subtree), first to last, through QNITEM::Destroy.
    void DeleteChildren();

    /// True when this item is `item` or one of its ancestors.
    bool IsAncestorOf(const QNITEM* item) const;

    /// Marks every weak handle into the subtree of `item` dead, deletes its children, then
    /// `item` itself; queued instead while a QNDESTROYLOCK is held. Null and items already
    /// dying are ignored. The way the engine deletes items.
    static void Destroy(QNITEM* item);
    /// True once Destroy has taken the item (queued or being deleted).
    bool IsDying() const { return dying_; }

    /// The item's life token with one more reference for the caller (QNWEAK uses it).
    QNLIFETOKEN* AcquireLife();
    /// Drops one reference of a token; the last one frees it.
    static void ReleaseLife(QNLIFETOKEN* token);

private:
    friend class QNDESTROYLOCK;
    static void DestroyNow(QNITEM* item);
    void DeleteChildrenNow();
    void ExpireLife();
    void LinkAfter(QNITEM* item, QNITEM* prev);

    QNITEM* parent_ = nullptr;
    QNITEM* prev_ = nullptr;
    QNITEM* next_ = nullptr;
    QNITEM* firstChild_ = nullptr;
    QNITEM* lastChild_ = nullptr;
    std::uint32_t childCount_ = 0;
    QNSTRING name_;
    QNLIFETOKEN* life_ = nullptr;
    bool dying_ = false;
    bool queued_ = false;
};

/// Holds back QNITEM::Destroy while it lives (see the header comment); locks nest.
class QNDESTROYLOCK {
public:
    QNDESTROYLOCK();
    ~QNDESTROYLOCK();
    QNDESTROYLOCK(const QNDESTROYLOCK&) = delete;
    QNDESTROYLOCK& operator=(const QNDESTROYLOCK&) = delete;

    /// True while any lock is held.
    static bool Held();
};

/// Weak handle on a tree item (usually a node) that the holder does not own. Get() reads null
/// once the item is being destroyed (see QNITEM::Destroy).
template <class T>
class QNWEAK {
public:
    QNWEAK() = default;
    QNWEAK(T* item) { Set(item); }
    QNWEAK(const QNWEAK& other) : item_(other.item_), token_(other.token_)
    {
        if (token_)
            ++token_->Refs;
    }
    QNWEAK(QNWEAK&& other) noexcept : item_(other.item_), token_(other.token_)
    {
        other.item_ = nullptr;
        other.token_ = nullptr;
    }
    ~QNWEAK() { Reset(); }

    QNWEAK& operator=(const QNWEAK& other)
    {
        if (this != &other) {
            if (other.token_)
                ++other.token_->Refs;
            Reset();
            item_ = other.item_;
            token_ = other.token_;
        }
        return *this;
    }
    QNWEAK& operator=(QNWEAK&& other) noexcept
    {
        if (this != &other) {
            Reset();
            item_ = other.item_;
            token_ = other.token_;
            other.item_ = nullptr;
            other.token_ = nullptr;
        }
        return *this;
    }
    QNWEAK& operator=(T* item)
    {
        Set(item);
        return *this;
    }

    /// The item, or null when none was set or it is gone.
    T* Get() const { return (token_ && token_->Alive) ? item_ : nullptr; }
    T* operator->() const { return Get(); }
    explicit operator bool() const { return Get() != nullptr; }
    /// True when this handle names `item` and it is alive.
    bool Is(const T* item) const { return item != nullptr && Get() == item; }

    void Reset()
    {
        QNITEM::ReleaseLife(token_);
        token_ = nullptr;
        item_ = nullptr;
    }

private:
    void Set(T* item)
    {
        QNLIFETOKEN* token = item ? static_cast<QNITEM*>(item)->AcquireLife() : nullptr;
        Reset();
        item_ = item;
        token_ = token;
    }

    T* item_ = nullptr;
    QNLIFETOKEN* token_ = nullptr;
};

/// Cursor over an intrusive list of tree items that survives items leaving the list while it is
/// walked (see the header comment). `list` identifies the list (its owner's address); `next`
/// reads an item's successor in that list.
class QNLISTCURSOR {
public:
    using NextFn = QNITEM* (*)(const QNITEM*);

    QNLISTCURSOR(const void* list, QNITEM* first, NextFn next);
    ~QNLISTCURSOR();
    QNLISTCURSOR(const QNLISTCURSOR&) = delete;
    QNLISTCURSOR& operator=(const QNLISTCURSOR&) = delete;

    /// Moves to the next item to visit and returns it (the first item on the first call); null
    /// at the end of the list.
    QNITEM* Advance();

    /// The item being visited; null when it left the list or before the first Advance.
    QNITEM* Current() const { return current_; }

    /// Reports that `item` is about to leave `list`; `successor` and `predecessor` are its
    /// neighbours there.
    static void ItemLeaving(const void* list, const QNITEM* item, QNITEM* successor,
                            QNITEM* predecessor);

    /// Child-list walk: the list of `parent`'s children.
    static QNITEM* NextSibling(const QNITEM* item) { return item->Next(); }

private:
    const void* list_;
    NextFn next_;
    QNITEM* current_ = nullptr;
    QNITEM* pending_ = nullptr;
    // When the item left was the last one, the walk goes on after its predecessor, so that
    // items appended later in the visit are still reached.
    QNITEM* anchor_ = nullptr;
    bool started_ = false;
    QNLISTCURSOR* outer_ = nullptr;
    QNLISTCURSOR* inner_ = nullptr;
};

/// Walks the children of `parent` with a cursor: `for (QNCHILDWALK w(p); QNITEM* c = w.Advance();)`.
class QNCHILDWALK : public QNLISTCURSOR {
public:
    explicit QNCHILDWALK(const QNITEM* parent)
        : QNLISTCURSOR(parent, parent ? parent->FirstChild() : nullptr, &QNLISTCURSOR::NextSibling)
    {
    }
};
