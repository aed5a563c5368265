#include "game/world/target_list.h"

#include <algorithm>

void TARGETLIST::Rebuild()
{
    for (std::uint32_t i = 0; i < count_; ++i)
        entries_[i] = ENTRY{};
    count_ = 0;
    GAMENODE* site = site_.Get();
    if (!site)
        return;
    for (QNITEM* child = site->FirstChild(); child && count_ < kCapacity; child = child->Next()) {
        auto* node = dynamic_cast<GAMENODE*>(child);
        if (!node || (node->Kind != kKindCollectorShip && node->Kind != kKindVehicle66))
            continue;
        const CANDIDATE c = Reader ? Reader(node) : CANDIDATE{~0u, false};
        if (c.View == view_ || c.Destroyed)
            continue;
        entries_[count_].Key = node;
        entries_[count_].Node = node;
        ++count_;
    }
    std::sort(entries_, entries_ + count_,
              [](const ENTRY& a, const ENTRY& b) { return std::less<const QNNODE*>()(a.Key, b.Key); });
}

bool TARGETLIST::Contains(const QNNODE* node) const
{
    const ENTRY* end = entries_ + count_;
    const ENTRY* at = std::lower_bound(entries_, end, node, [](const ENTRY& e, const QNNODE* n) {
        return std::less<const QNNODE*>()(e.Key, n);
    });
    return node && at != end && at->Key == node && at->Node.Get() == node;
}
