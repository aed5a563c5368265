#include "game/world/crew.h"

#include "engine/util/qnmath.h"

namespace {

bool IsVisitable(const GAMENODE* node)
{
    return node->Kind >= kKindFirstPart && node->Kind <= kKindLastPart && node->Kind != kKindJoint &&
           (node->ClassFlags & QNCF_LEVEL_MASK) == QNCF_LEVEL_GAME;
}

}  // namespace

CREW::CREW(QNNODE* parent, GAMENODE* station, std::uint32_t view)
    : GAMENODE(parent, "CREW", kKindCrew, QNCF_UPDATE, 0, 3, nullptr, 0), ViewIndex(view), Station(station)
{
}

void CREW::Update()
{
    for (std::size_t i = 0; i < bag_.size();) {
        GAMENODE* part = bag_[i].Get();
        if (!part || (PartGone && PartGone(part))) {
            bag_[i] = bag_.back();
            bag_.pop_back();
        }
        // An entry moved into a freed place is examined on the next frame.
        ++i;
    }
}

std::uint32_t CREW::MemberCount() const
{
    std::uint32_t n = 0;
    for (QNITEM* c = FirstChild(); c; c = c->Next())
        n += dynamic_cast<GAMENODE*>(c) != nullptr;
    return n;
}

void CREW::SetCount(std::uint32_t n)
{
    while (MemberCount() < n) {
        if (!AddMember())
            break;
    }
    while (MemberCount() > n) {
        auto* first = dynamic_cast<GAMENODE*>(FirstChild());
        if (!first)
            break;
        if (MemberLeaving)
            MemberLeaving(first);
        QNITEM::Destroy(first);
    }
}

GAMENODE* CREW::AddMember()
{
    if (!MemberFactory)
        return nullptr;
    GAMENODE* member = MemberFactory(this);
    if (!member)
        return nullptr;
    QNNODE* site = FindAncestor(QNCF_LEVEL_VIEWROOT);
    const QNVEC3 origin = site ? site->GetWorldMatrix().Translation() : QNVEC3();
    for (std::uint32_t attempt = 0; attempt < kSpawnTries; ++attempt) {
        const QNVEC3 at(origin.x + RandomRange(-kSpawnRange, kSpawnRange),
                        origin.y + RandomRange(-kSpawnRange, kSpawnRange),
                        origin.z + RandomRange(-kSpawnRange, kSpawnRange));
        QNMATRIX m;
        m.SetTranslationV(at);
        member->SetTransform(m);
        if (member->SetState(3, 0, true, true) == 0) {
            if (MemberJoined)
                MemberJoined(member);
            return member;
        }
    }
    QNITEM::Destroy(member);
    return nullptr;
}

void CREW::Refill()
{
    bag_.clear();
    GAMENODE* station = Station.Get();
    if (!station)
        return;
    for (QNITEM* i = QNITEM::Next(station, nullptr); i; i = QNITEM::Next(station, i)) {
        auto* node = dynamic_cast<GAMENODE*>(i);
        if (node && node != station && IsVisitable(node) && !(PartGone && PartGone(node)))
            bag_.emplace_back(node);
    }
}

GAMENODE* CREW::PickPart()
{
    if (bag_.empty())
        Refill();
    while (!bag_.empty()) {
        const auto index = static_cast<std::size_t>(RandomRange(0.0f, float(bag_.size()) - 0.0001f));
        GAMENODE* part = bag_[index].Get();
        bag_[index] = bag_.back();
        bag_.pop_back();
        if (part)
            return part;
    }
    return nullptr;
}
