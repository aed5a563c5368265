#pragma once
/// CREW: the node that owns a station's crew members and the bag of station parts they visit.
///
/// Members are vehicles (space-suited figures) and so are built by the vehicle layer through
/// MemberFactory; the crew places each one near its site, refusing spots where it would overlap
/// anything, and hands out parts so that each one is visited once per refill of the bag.

#include <cstdint>
#include <vector>

#include "engine/scene/node_chain.h"

/// Node kind of a crew.
inline constexpr std::int32_t kKindCrew = 29;
/// Node kinds of station parts, and of the joints that crews never visit.
inline constexpr std::int32_t kKindFirstPart = 8;
inline constexpr std::int32_t kKindLastPart = 25;
inline constexpr std::int32_t kKindJoint = 9;

class CREW : public GAMENODE {
public:
    /// View from the caller (the station's), empty bag.
    CREW(QNNODE* parent, GAMENODE* station, std::uint32_t view);

    /// Drops from the bag every part that is gone, being removed or destroyed.
    void Update() override;

    /// Adds members until there are `n`, then removes the first ones until there are `n`.
    void SetCount(std::uint32_t n);
    /// Creates a member and shows it at a free random spot within kSpawnRange of the site's
    /// origin; tries kSpawnTries spots. Returns the member, or null when no spot was free or
    /// there is no member factory (nothing is left behind then).
    GAMENODE* AddMember();
    /// The next part to visit: a random entry of the bag, refilled with the station's parts
    /// (depth first, joints left out) when empty. Null when the station has no such part.
    GAMENODE* PickPart();

    /// Members, in child order.
    std::uint32_t MemberCount() const;
    std::uint32_t BagCount() const { return static_cast<std::uint32_t>(bag_.size()); }

    std::uint32_t ViewIndex = 0;
    QNWEAK<GAMENODE> Station;

    /// Builds a member under `crew` (set by the vehicle layer).
    using FACTORY = GAMENODE* (*)(CREW* crew);
    static inline FACTORY MemberFactory = nullptr;
    /// Whether a part has left play: its removal is under way or it is destroyed (set by the
    /// station code; without it only deleted parts leave the bag).
    using GONE = bool (*)(const GAMENODE* part);
    static inline GONE PartGone = nullptr;
    /// Called when a member has been placed (joins its view's planning queue).
    using JOINED = void (*)(GAMENODE* member);
    static inline JOINED MemberJoined = nullptr;
    /// Called when a member is removed (leaves its view's planning queue).
    using LEAVING = void (*)(GAMENODE* member);
    static inline LEAVING MemberLeaving = nullptr;

    /// Half the side of the cube around the site origin where members appear.
    static constexpr float kSpawnRange = 10.0f;
    /// Spots tried before a new member is given up.
    static constexpr std::uint32_t kSpawnTries = 64;

private:
    void Refill();

    std::vector<QNWEAK<GAMENODE>> bag_;
};
