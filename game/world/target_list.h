#pragma once
/// TARGETLIST: the enemy vehicles under a site, rebuilt every frame, from which the station's
/// weapons choose targets.
///
/// Rebuild walks the site's direct children: a node of kind 64 (collector ship) or 66 whose
/// company view differs from the list's view and which is not destroyed is appended while
/// fewer than 50 are held; the entries are then sorted by identity (address) so that Contains
/// is a binary search. Entries are weak: a vehicle deleted between rebuilds reads null and is
/// never reported as contained.

#include <cstdint>

#include "engine/scene/node_chain.h"

/// Node kinds the list accepts.
inline constexpr std::int32_t kKindCollectorShip = 64;
inline constexpr std::int32_t kKindVehicle66 = 66;

class TARGETLIST {
public:
    static constexpr std::uint32_t kCapacity = 50;

    /// What the list reads of a candidate vehicle.
    struct CANDIDATE {
        std::uint32_t View = 0;   ///< the company view the vehicle belongs to
        bool Destroyed = false;
    };
    /// Reads a candidate; set by the damageable level (company view and destroyed state).
    /// Without a reader a candidate belongs to no company (view ~0) and is intact.
    using READER = CANDIDATE (*)(const GAMENODE* node);
    static inline READER Reader = nullptr;

    TARGETLIST(GAMENODE* site, std::uint32_t view) : site_(site), view_(view) {}

    void Rebuild();
    /// Whether `node` is listed and still alive.
    bool Contains(const QNNODE* node) const;

    std::uint32_t Count() const { return count_; }
    std::uint32_t View() const { return view_; }
    /// Entry `i` in identity order (null when out of range or gone since the rebuild).
    GAMENODE* Entry(std::uint32_t i) const { return i < count_ ? entries_[i].Node.Get() : nullptr; }

private:
    struct ENTRY {
        const QNNODE* Key = nullptr;
        QNWEAK<GAMENODE> Node;
    };

    QNWEAK<GAMENODE> site_;
    ENTRY entries_[kCapacity];
    std::uint32_t view_ = 0;
    std::uint32_t count_ = 0;
};
