#include "game/world/station_part.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <unordered_map>
#include <vector>

#include "engine/scene/node_bounds.h"
#include "game/world/station.h"

namespace {

// An axis that is never parallel to `v` among the two the turn keeps: up (y), else z.
QNVEC3 ReferenceAxis(const QNVEC3& v)
{
    return std::fabs(v.y) < 0.9f ? QNVEC3(0, 1, 0) : QNVEC3(0, 0, 1);
}

// Rows: `first`, the reference axis made orthogonal to it, and their cross product.
QNMATRIX FrameOf(const QNVEC3& first)
{
    const QNVEC3 a = first.Normalize();
    const QNVEC3 r = ReferenceAxis(a);
    const QNVEC3 b = (r - a * QNVEC3::Dot(r, a)).Normalize();
    const QNVEC3 c = QNVEC3::Cross(a, b);
    QNMATRIX m;
    const QNVEC3 rows[3] = {a, b, c};
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            m.at(i, k) = rows[i][k];
    return m;
}

QNMATRIX Transposed3(const QNMATRIX& m)
{
    QNMATRIX t;
    for (int i = 0; i < 3; ++i)
        for (int k = 0; k < 3; ++k)
            t.at(i, k) = m.at(k, i);
    return t;
}

bool Coincide(const QNVEC3& a, const QNVEC3& b)
{
    return std::fabs(a.x - b.x) < STATIONPART::kMatchTolerance && std::fabs(a.y - b.y) < STATIONPART::kMatchTolerance &&
           std::fabs(a.z - b.z) < STATIONPART::kMatchTolerance;
}

}  // namespace

float MaxConditionOfKind(std::int32_t kind)
{
    return IsStructureKind(kind) ? MaximumCondition(std::uint32_t(kind)) : 0.0f;
}

std::int32_t FaceOfNormal(const QNVEC3& n)
{
    if (n.z >= 0.9f)
        return FACE_FRONT;
    if (n.x >= 0.9f)
        return FACE_RIGHT;
    if (n.z <= -0.9f)
        return FACE_BACK;
    if (n.x <= -0.9f)
        return FACE_LEFT;
    if (n.y >= 0.9f)
        return FACE_TOP;
    if (n.y <= -0.9f)
        return FACE_BOTTOM;
    return FACE_FRONT;
}

bool STATIONCONNECTOR::IsFreeForMarker() const
{
    return Link == nullptr || (Link->Owner && Link->Owner->Kind == KIND_ARROW);
}

STATIONPART::STATIONPART(QNNODE* parent, const char* name, std::int32_t kind, std::uint32_t classFlags,
                         bool indestructible, std::int32_t bodyMode, std::uint32_t view)
    : DAMAGEABLE(parent, name, kind, classFlags | QNCF_LEVEL_GAME | QNCF_UPDATE, 0, bodyMode, nullptr, view),
      Indestructible(indestructible)
{
    const float full = MaxConditionOfKind(kind);
    SetMaxima(full, full);
}

STATIONPART::~STATIONPART()
{
    UnlinkAll();
}

STATION* STATIONPART::Station() const
{
    for (QNNODE* n = ParentNode(); n; n = n->ParentNode()) {
        if (auto* station = dynamic_cast<STATION*>(n))
            return station;
    }
    return nullptr;
}

STATIONPART* STATIONPART::ParentPart() const
{
    return dynamic_cast<STATIONPART*>(ParentNode());
}

void STATIONPART::Kill()
{
    if (!Indestructible)
        DAMAGEABLE::Kill();
}

void STATIONPART::DamageBallistic(float amount, std::uint32_t word1, std::uint32_t word2)
{
    DAMAGEABLE::DamageBallistic(amount, word1, word2);
    HitTimer.Restart();
}

void STATIONPART::DamageElectronic(float amount, std::uint32_t word1, std::uint32_t word2)
{
    DAMAGEABLE::DamageElectronic(amount, word1, word2);
    HitTimer.Restart();
}

void STATIONPART::NotifyDestroyed()
{
    if (Indestructible || RemovalNotified)
        return;
    RemovalNotified = true;
    if (STATION* station = Station())
        station->PartDestroyed(this);
}

void STATIONPART::SetPowered(bool on)
{
    Powered = on;
}

void STATIONPART::SetPrice(float price)
{
    Price = price;
    BallisticRepairCost = ElectronicRepairCost = 0.5f * price;
}

void STATIONPART::Update()
{
    if (RepairsItself && HitTimer.Elapsed() >= kRepairWait) {
        double step = RepairTimer.Elapsed();
        if (step > kLongStep)
            step = kShortStep;
        RepairTimer.Restart();
        const float electronic = RepairElectronic(kRepairRate * float(step));
        const float ballistic = RepairBallistic(kRepairRate * float(step));
        if (RepairCostSink)
            *RepairCostSink += std::max(electronic, ballistic);
    }
    if (Removal == REMOVALSTATE::REQUESTED) {
        Removal = REMOVALSTATE::DELETING;
    } else if (Removal == REMOVALSTATE::DELETING && !Delete) {
        DeleteNextFrame();
    }
    DAMAGEABLE::Update();
}

std::int32_t STATIONPART::AddConnector(std::int32_t face, const QNVEC3& offset)
{
    if (ConnectorCount >= kMaxConnectors)
        return -1;
    QNBOX box;
    GetLocalBox(box, true);
    QNVEC3 p, n;
    switch (face) {
    case FACE_RIGHT:
        p = QNVEC3(box.max.x + kConnectorGap, 0, 0), n = QNVEC3(1, 0, 0);
        break;
    case FACE_BACK:
        p = QNVEC3(0, 0, box.min.z - kConnectorGap), n = QNVEC3(0, 0, -1);
        break;
    case FACE_LEFT:
        p = QNVEC3(box.min.x - kConnectorGap, 0, 0), n = QNVEC3(-1, 0, 0);
        break;
    case FACE_TOP:
        p = QNVEC3(0, box.max.y + kConnectorGap, 0), n = QNVEC3(0, 1, 0);
        break;
    case FACE_BOTTOM:
        p = QNVEC3(0, box.min.y - kConnectorGap, 0), n = QNVEC3(0, -1, 0);
        break;
    default:
        p = QNVEC3(0, 0, box.max.z + kConnectorGap), n = QNVEC3(0, 0, 1);
        break;
    }
    const std::int32_t i = ConnectorCount++;
    Templates[i] = STATIONCONNECTOR{p + offset, n, nullptr, this};
    Connectors[i] = STATIONCONNECTOR{QNVEC3::TransformCoord(p + offset, placement_),
                                     QNVEC3::TransformNormal(n, placement_), nullptr, this};
    return i;
}

std::int32_t STATIONPART::CountFreeConnectors() const
{
    return std::int32_t(std::count_if(Connectors, Connectors + ConnectorCount,
                                      [](const STATIONCONNECTOR& c) { return c.IsFree(); }));
}

std::int32_t STATIONPART::NextFreeConnector(std::int32_t start)
{
    std::int32_t first = start >= 1 ? start + 1 : (LastConnector >= 0 ? LastConnector : 1);
    if (first >= ConnectorCount)
        first = 0;
    LastConnector = -1;
    for (std::int32_t i = 0; i < ConnectorCount; ++i) {
        const std::int32_t k = (first + i) % ConnectorCount;
        if (Connectors[k].IsFreeForMarker()) {
            LastConnector = k;
            break;
        }
    }
    return LastConnector;
}

std::int32_t STATIONPART::ConnectorFace(std::int32_t index) const
{
    if (index < 0 || index >= ConnectorCount)
        return FACE_FRONT;
    return FaceOfNormal(Connectors[index].Normal);
}

void STATIONPART::Link(STATIONCONNECTOR& a, STATIONCONNECTOR& b)
{
    a.Link = &b;
    b.Link = &a;
}

void STATIONPART::UnlinkAll()
{
    for (std::int32_t i = 0; i < ConnectorCount; ++i) {
        STATIONCONNECTOR& c = Connectors[i];
        if (c.Link && c.Link->Link == &c)
            c.Link->Link = nullptr;
        c.Link = nullptr;
    }
}

std::int32_t STATIONPART::AttachTo(STATIONPART* parent, std::int32_t parentConnector, std::int32_t own)
{
    if (!parent || own < 0 || own >= ConnectorCount)
        return -1;
    if (parentConnector < 0)
        parentConnector = parent->NextFreeConnector(-1);
    if (parentConnector < 0 || parentConnector >= parent->ConnectorCount)
        return -1;
    UnlinkAll();
    STATIONCONNECTOR& target = parent->Connectors[parentConnector];
    if (target.Link && target.Link->Owner != this) {
        STATIONCONNECTOR* other = target.Link;
        other->Link = nullptr;
        target.Link = nullptr;
    }
    // Turn the own connector's normal onto the reverse of the target's, keeping up where the
    // faces allow, then move its point onto the target's point.
    const STATIONCONNECTOR& mine = Templates[own];
    const QNMATRIX from = FrameOf(mine.Normal);
    const QNMATRIX to = FrameOf(target.Normal * -1.0f);
    QNMATRIX placement = Transposed3(from) * to;
    const QNVEC3 turned = QNVEC3::TransformNormal(mine.Position, placement);
    placement.at(3, 0) = target.Position.x - turned.x;
    placement.at(3, 1) = target.Position.y - turned.y;
    placement.at(3, 2) = target.Position.z - turned.z;
    SetPartTransform(placement);
    Link(Connectors[own], target);
    return parentConnector;
}

void STATIONPART::SetPartTransform(const QNMATRIX& placement)
{
    placement_ = placement;
    for (std::int32_t i = 0; i < ConnectorCount; ++i) {
        Connectors[i].Position = QNVEC3::TransformCoord(Templates[i].Position, placement_);
        Connectors[i].Normal = QNVEC3::TransformNormal(Templates[i].Normal, placement_).Normalize();
    }
    const STATION* station = Station();
    const QNMATRIX world = station ? placement_ * station->GetWorldMatrix() : placement_;
    if (BodyMode == 1) {
        const QNNODE* parent = ParentNode();
        SetTransform(parent ? world * parent->GetWorldMatrix().Inverse() : world);
    } else {
        SetTransform(world);
    }
    // The part's boxes are its own: parts hang from each other in the node tree, and a part is
    // never in the way of the parts it carries.
    QNBOX local;
    GetLocalBox(local, false);
    if (!Bounds)
        Bounds = new QNNODEBOUNDS;
    Bounds->LocalBox = local;
    Bounds->WorldBox = local.Transform(world);
}

bool STATIONPART::MatchConnector(const STATIONPART* other, std::int32_t& own, std::int32_t& theirs) const
{
    own = theirs = -1;
    if (!other || other == this)
        return false;
    for (std::int32_t i = 0; i < ConnectorCount; ++i) {
        if (!Connectors[i].IsFree())
            continue;
        for (std::int32_t k = 0; k < other->ConnectorCount; ++k) {
            if (other->Connectors[k].IsFree() && Coincide(Connectors[i].Position, other->Connectors[k].Position)) {
                own = i;
                theirs = k;
                return true;
            }
        }
    }
    return false;
}

bool STATIONPART::CanDetach(std::int32_t)
{
    // The root of the link graph: the station's root joint, else the topmost part above.
    STATIONPART* root = nullptr;
    if (STATION* station = Station())
        root = station->RootJoint.Get();
    if (!root) {
        root = this;
        for (STATIONPART* p = ParentPart(); p; p = p->ParentPart())
            root = p;
    }
    std::vector<STATIONPART*> hanging;
    for (QNITEM* x = QNITEM::Next(this, this); x; x = QNITEM::Next(this, x)) {
        // Parts already on their way out need no support.
        auto* p = dynamic_cast<STATIONPART*>(x);
        if (p && p->Kind != KIND_ARROW && p->Removal == REMOVALSTATE::NONE && !p->IsDestroyed())
            hanging.push_back(p);
    }
    if (hanging.empty())
        return true;
    if (root == this)
        return false;

    // Breadth first from the root over the links, around this part and the marker.
    std::vector<STATIONPART*> order{root};
    std::unordered_map<STATIONPART*, STATIONPART*> via{{root, nullptr}};
    for (std::size_t i = 0; i < order.size(); ++i) {
        STATIONPART* p = order[i];
        for (std::int32_t c = 0; c < p->ConnectorCount; ++c) {
            const STATIONCONNECTOR* link = p->Connectors[c].Link;
            STATIONPART* q = link ? link->Owner : nullptr;
            if (!q || q == this || q->Kind == KIND_ARROW || via.count(q))
                continue;
            via.emplace(q, p);
            order.push_back(q);
        }
    }
    for (STATIONPART* p : hanging) {
        if (!via.count(p))
            return false;
    }
    // Hang the parts below this one from the part that reached them first. In breadth-first
    // order each new parent is already hung from the root by a chain that avoids this part, so
    // no part becomes its own ancestor.
    for (STATIONPART* p : order) {
        if (IsAncestorOf(p) && p != this)
            via[p]->AddChild(p);
    }
    return true;
}
