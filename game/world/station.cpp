#include "game/world/station.h"

#include <algorithm>
#include <numbers>

#include "engine/scene/node_bounds.h"
#include "engine/scene/resources.h"
#include "engine/scene/view.h"
#include "game/world/arrow.h"
#include "game/world/beam.h"
#include "game/world/cargo_port.h"
#include "game/world/collship_dock.h"
#include "game/world/debris.h"
#include "game/world/enhancer.h"
#include "game/world/generator.h"
#include "game/world/headquarters.h"
#include "game/world/site.h"
#include "game/world/station_media.h"
#include "game/world/station_weapons.h"

namespace {

constexpr std::uint32_t kAllFaces = 0x3f;
constexpr std::uint32_t kTopOnly = 1u << FACE_TOP;
constexpr std::uint32_t kSidesOnly = 0x0f;

PARTMAKER g_makers[KIND_LAST_STRUCTURE + 1] = {};

// Faces of the parent's connector a kind may be attached to.
std::uint32_t FacesOf(std::int32_t kind)
{
    switch (kind) {
    case KIND_HEADQUARTERS:
    case KIND_GENERATOR:
    case KIND_EARLYWARNING:
    case KIND_MERCSHIPDOCK:
        return kTopOnly;
    case KIND_COLLSHIPDOCK:
    case KIND_PROCESSOR:
    case KIND_STORAGE:
    case KIND_CARGOPORT:
        return kSidesOnly;
    default:
        return kAllFaces;
    }
}

bool IsFrame(std::int32_t kind)
{
    return kind == KIND_BEAM || kind == KIND_JOINT;
}

bool DrawsPower(std::int32_t kind)
{
    return !IsFrame(kind) && kind != KIND_GENERATOR;
}

// The station parts among `node`'s children.
template <class F>
void ForEachChildPart(QNNODE* node, F&& f)
{
    for (QNCHILDWALK walk(node); QNITEM* child = walk.Advance();) {
        if (auto* part = dynamic_cast<STATIONPART*>(child); part && part->Kind != KIND_ARROW)
            f(part);
    }
}

void CollectFrom(STATIONPART* part, std::int32_t kind, std::vector<STATIONPART*>& out, std::size_t capacity)
{
    if (out.size() >= capacity)
        return;
    if (part->Kind == kind)
        out.push_back(part);
    ForEachChildPart(part, [&](STATIONPART* child) { CollectFrom(child, kind, out, capacity); });
}

void PowerFrom(STATIONPART* part, bool on)
{
    ForEachChildPart(part, [&](STATIONPART* child) {
        if (IsFrame(child->Kind))
            PowerFrom(child, on);
        else if (child->Kind != KIND_GENERATOR)
            child->SetPowered(on);
    });
}

bool HasMaker(std::int32_t kind)
{
    return IsStructureKind(kind) && g_makers[kind] != nullptr;
}

bool HasFreeConnector(const STATIONPART* part)
{
    for (std::int32_t i = 0; i < part->ConnectorCount; ++i) {
        if (part->Connectors[i].IsFreeForMarker())
            return true;
    }
    return false;
}

}  // namespace

void STATION::SetMaker(std::int32_t kind, PARTMAKER maker)
{
    if (IsStructureKind(kind))
        g_makers[kind] = maker;
}

bool STATION::IsBuildable(std::int32_t kind)
{
    return IsStructureKind(kind) && kind != KIND_HEADQUARTERS &&
           (kind == KIND_BEAM || kind == KIND_JOINT || kind == KIND_GENERATOR || kind == KIND_ENHANCER || HasMaker(kind));
}

std::uint32_t STATION::AllowedFaces(std::int32_t kind)
{
    return FacesOf(kind);
}

STATION::STATION(QNNODE* parent, const QNMATRIX* transform, std::uint32_t view, TARGETLIST* targets,
                 STATIONPART* marker)
    : GAMENODE(parent, "STATION", 0, QNCF_LEVEL_EMITTER | QNCF_UPDATE, 0, 0, transform, 0), ViewIndex(view),
      Marker(marker), Targets(targets)
{
    // The station follows its site's state; its parts are shown one by one.
    SetState(3, 0, false, false);
    BlinkTimer.Init(kBlinkPeriod);
    Weld = new WELD(this, nullptr);

    auto* root = new BOOT(this, QNMATRIX(), view);
    RootJoint = root;
    STATIONPART* start[6] = {root};
    for (std::int32_t c = 0; c < 4; ++c)
        start[c + 1] = new BEAM(root, c, view, true);
    auto* hq = new HEADQUARTERS(root, FACE_TOP, view, true);
    start[5] = hq;
    for (STATIONPART* part : start) {
        part->SetState(3, 0, false, true);
        part->SetActive(true);
        part->RepairCostSink = &RepairCostTotal;
        part->SetObstacleView(view);
    }
    hq->SetPowered(false);
    Counts[KIND_BEAM] = 4;
    Counts[KIND_JOINT] = 1;
    Counts[KIND_HEADQUARTERS] = 1;
}

STATION::~STATION() = default;

void STATION::Install()
{
    SITE::BuildStation = [](SITE* site, const QNMATRIX& world, std::uint32_t view, TARGETLIST* targets) -> GAMENODE* {
        return new STATION(site, &world, view, targets, nullptr);
    };
    SITE::RegisterStationMedia = &STATION::RegisterMedia;
    InstallStationWeapons();
    COLLECTORSHIPDOCK::Install();
}

void STATION::Uninstall()
{
    SITE::BuildStation = nullptr;
    SITE::RegisterStationMedia = nullptr;
    for (PARTMAKER& maker : g_makers)
        maker = nullptr;
}

void STATION::RegisterMedia(QNRESOURCES& r)
{
    BEAM::RegisterMedia(r);
    JOINT::RegisterMedia(r);
    HEADQUARTERS::RegisterMedia(r);
    GENERATOR::RegisterMedia(r);
    ENHANCER::RegisterMedia(r);
    COLLECTORSHIPDOCK::RegisterMedia(r);
    DEBRISFIELD::RegisterMedia(r);
    RegisterStationWeaponMedia(r);
    CARGOPORT::RegisterMedia(r);
    const char* power = "media\\station\\support\\sounds\\station_power.wav";
    stationmedia::Sound(r, "station_power", 2, 1.0f, 100.0f, power);
    stationmedia::Sound(r, "station_welding", 1, 8.0f, 200.0f);
    stationmedia::Texture(r, "spark");
    stationmedia::Quad(r, "spark", 0.1f, 0.1f);
}

STATIONPART* STATION::MakePart(std::int32_t kind, STATIONPART* parent, std::int32_t connector, std::uint32_t colour)
{
    switch (kind) {
    case KIND_BEAM:
        return new BEAM(parent, connector, ViewIndex, false);
    case KIND_JOINT:
        return new JOINT(parent, connector, ViewIndex, false);
    case KIND_GENERATOR:
        return new GENERATOR(parent, connector, ViewIndex, false);
    case KIND_ENHANCER:
        return new ENHANCER(parent, connector, ViewIndex, false, colour, true);
    default:
        return g_makers[kind] ? g_makers[kind](*this, parent, connector, colour) : nullptr;
    }
}

STATIONPART* STATION::AttachPart(std::int32_t kind, float price, std::uint32_t colour)
{
    STATIONPART* parent = Selected.Get();
    if (!parent) {
        Result = PLACE_NO_STRUCTURE;
        return nullptr;
    }
    const std::int32_t connector = SelectedConnector;
    if (connector < 0 || connector >= parent->ConnectorCount || !parent->Connectors[connector].IsFreeForMarker()) {
        Result = PLACE_NO_CONNECTIONS;
        return nullptr;
    }
    if (!(FacesOf(kind) & (1u << parent->ConnectorFace(connector)))) {
        Result = PLACE_WRONG_SIDE;
        return nullptr;
    }
    // A joint goes on a beam, everything else on a joint; kinds without a construction here
    // (the headquarters, kinds outside the structures, kinds no maker builds) connect nowhere.
    const bool onBeam = parent->Kind == KIND_BEAM;
    if (!IsBuildable(kind) || (kind == KIND_JOINT ? !onBeam : parent->Kind != KIND_JOINT)) {
        Result = PLACE_WRONG_TYPES;
        return nullptr;
    }
    if ((kind == KIND_BEAM && BeamLimit && Counts[KIND_BEAM] >= BeamLimit) ||
        (kind == KIND_JOINT && JointLimit && Counts[KIND_JOINT] >= JointLimit) ||
        (kind == KIND_COLLSHIPDOCK && Dock) || (kind == KIND_CARGOPORT && CargoPort) ||
        (kind == KIND_SHOCKWAVE && Counts[KIND_SHOCKWAVE] > 0)) {
        Result = PLACE_MAXIMUM_REACHED;
        return nullptr;
    }

    STATIONPART* part = MakePart(kind, parent, connector, colour);
    if (!part) {
        Result = PLACE_WRONG_TYPES;
        return nullptr;
    }
    if (kind == KIND_PROCESSOR || kind == KIND_STORAGE)
        ProcessorsAndStorage.emplace_back(part);
    else if (kind == KIND_COLLSHIPDOCK)
        Dock = part;
    else if (kind == KIND_CARGOPORT)
        CargoPort = part;
    if (DrawsPower(kind))
        ++PoweredParts;
    ++Counts[kind];

    if (part->SetState(3, 0, true, true) != 0) {
        QNNODE* root = part->FindAncestor(QNCF_LEVEL_VIEWROOT);
        const QNNODE* blocker = root ? part->Overlaps(root, 4) : nullptr;
        RemovePart(part);
        QNITEM::Destroy(part);
        Result = (blocker && IsStructureKind(blocker->Kind)) ? PLACE_BLOCKED : PLACE_BLOCKED_MOVING;
        return nullptr;
    }
    if (DrawsPower(kind)) {
        part->SetPowered(!Underpowered);
        UpdatePower();
    }
    part->SetPrice(price);
    if (IsFrame(kind)) {
        // Close loops: link the new frame part to every frame part whose free connector it meets.
        std::vector<STATIONPART*> stack;
        if (STATIONPART* root = RootJoint.Get())
            stack.push_back(root);
        while (!stack.empty() && part->CountFreeConnectors() > 0) {
            STATIONPART* visited = stack.back();
            stack.pop_back();
            std::int32_t own = -1, theirs = -1;
            if (visited != part && part->MatchConnector(visited, own, theirs))
                STATIONPART::Link(part->Connectors[own], visited->Connectors[theirs]);
            std::vector<STATIONPART*> children;
            ForEachChildPart(visited, [&](STATIONPART* child) {
                if (IsFrame(child->Kind))
                    children.push_back(child);
            });
            stack.insert(stack.end(), children.rbegin(), children.rend());
        }
    }
    part->SetActive(true);
    if (auto* enhancer = dynamic_cast<ENHANCER*>(part); enhancer && colour < kNoColour) {
        EnhancerColours |= 1u << colour;
        EnhancersChanged = true;
    }
    part->RepairCostSink = &RepairCostTotal;
    part->SetObstacleView(ViewIndex);
    if (part->State == 3)
        StartWeld(parent->Connectors[connector]);
    Result = PLACE_OK;
    return part;
}

STATIONPART* STATION::BuildPart(std::int32_t kind, float price, std::uint32_t colour)
{
    ClearMarker();
    STATIONPART* part = AttachPart(kind, price, colour);
    if (part) {
        AdvanceMarker();
    } else if (Selected && SelectedConnector >= 0) {
        PlaceMarker(SelectedConnector);
    }
    return part;
}

std::uint32_t STATION::RemoveSelected()
{
    STATIONPART* part = Selected.Get();
    if (!part) {
        Result = PLACE_NO_STRUCTURE;
        return Result;
    }
    if (RemovePartChecked(part, false) == PLACE_OK) {
        ClearMarker();
        Selected.Reset();
        SelectedConnector = -1;
    }
    return Result;
}

std::uint32_t STATION::RemovePartChecked(STATIONPART* part, bool force)
{
    // A destroyed part has left the books already (PartDestroyed); one being removed is leaving.
    if (!part || part->IsDestroyed() || part->RemovalNotified || part->Removal != REMOVALSTATE::NONE)
        Result = PLACE_NO_STRUCTURE;
    else if (part->Indestructible)
        Result = PLACE_PERMANENT;
    else if (!part->CanDetach(0))
        Result = PLACE_SUPPORTS_OTHERS;
    else if (part->HoldsOre() && !force)
        Result = PLACE_CONTAINS_ORE;
    else {
        RemovePart(part);
        part->UnlinkAll();
        if (part->Removal == REMOVALSTATE::NONE)
            part->Removal = REMOVALSTATE::REQUESTED;
        Result = PLACE_OK;
    }
    return Result;
}

void STATION::Forget(STATIONPART* part)
{
    if (Selected.Is(part)) {
        ClearMarker();
        Selected.Reset();
        SelectedConnector = -1;
    }
    if (PreviousSelection.Is(part))
        PreviousSelection.Reset();
}

void STATION::RemovePart(STATIONPART* part)
{
    if (!part)
        return;
    const std::int32_t kind = part->Kind;
    switch (kind) {
    case KIND_GENERATOR:
        if (part->Active && Generators > 0)
            --Generators;
        break;
    case KIND_COLLSHIPDOCK:
        if (Dock.Is(part))
            Dock.Reset();
        break;
    case KIND_PROCESSOR:
    case KIND_STORAGE: {
        auto it = std::find_if(ProcessorsAndStorage.begin(), ProcessorsAndStorage.end(),
                               [&](const QNWEAK<STATIONPART>& e) { return e.Is(part); });
        if (it != ProcessorsAndStorage.end()) {
            *it = ProcessorsAndStorage.back();
            ProcessorsAndStorage.pop_back();
        }
        break;
    }
    case KIND_CARGOPORT:
        if (CargoPort.Is(part))
            CargoPort.Reset();
        break;
    case KIND_ENHANCER:
        if (auto* enhancer = dynamic_cast<ENHANCER*>(part); enhancer && enhancer->Colour < kNoColour) {
            EnhancerColours &= ~(1u << enhancer->Colour);
            EnhancersChanged = true;
        }
        break;
    default:
        break;
    }
    if (DrawsPower(kind) && PoweredParts > 0)
        --PoweredParts;
    if (!IsFrame(kind))
        UpdatePower();
    if (IsStructureKind(kind) && Counts[kind] > 0)
        --Counts[kind];
    Forget(part);
}

void STATION::PartDestroyed(STATIONPART* part)
{
    // A part already taken down by a removal was counted out then.
    if (part->Removal == REMOVALSTATE::NONE)
        RemovePart(part);
    part->UnlinkAll();
}

void STATION::GeneratorChanged(bool on)
{
    if (on)
        ++Generators;
    else if (Generators > 0)
        --Generators;
    UpdatePower();
}

bool STATION::NoPowerForMore() const
{
    return Generators * kPartsPerGenerator < PoweredParts + 1;
}

void STATION::UpdatePower()
{
    const bool under = Generators * kPartsPerGenerator < PoweredParts;
    if (under == Underpowered)
        return;
    Underpowered = under;
    if (Sounds)
        PlayPowerSound(under);
    SetPoweredAll(!under);
}

void STATION::PlayPowerSound(bool down)
{
    SetSound("station_power", down ? 1 : 0);
    PlaySound(0);
}

std::vector<STATIONPART*> STATION::CollectParts(std::int32_t kind, std::size_t capacity) const
{
    std::vector<STATIONPART*> out;
    if (STATIONPART* root = RootJoint.Get())
        CollectFrom(root, kind, out, capacity);
    return out;
}

void STATION::SetPoweredAll(bool on, STATIONPART* from)
{
    if (!from)
        from = RootJoint.Get();
    if (!from)
        return;
    if (IsFrame(from->Kind))
        PowerFrom(from, on);
    else if (from->Kind != KIND_GENERATOR)
        from->SetPowered(on);
}

void STATION::ClearMarker()
{
    if (STATIONPART* marker = Marker.Get()) {
        marker->UnlinkAll();
        marker->SetState(2, 0, false, true);
    }
}

void STATION::PlaceMarker(std::int32_t connector)
{
    STATIONPART* marker = Marker.Get();
    STATIONPART* part = Selected.Get();
    // The marker never takes a connector another part holds.
    if (!marker || !part || connector < 0 || connector >= part->ConnectorCount ||
        !part->Connectors[connector].IsFreeForMarker() || marker->AttachTo(part, connector, 0) < 0)
        return;
    marker->SetState(3, 0, false, true);
    BlinkTimer.Restart();
}

void STATION::AdvanceMarker()
{
    STATIONPART* part = Selected.Get();
    if (!part)
        return;
    const std::int32_t next = part->NextFreeConnector(SelectedConnector);
    if (next == SelectedConnector)
        return;
    SelectedConnector = next;
    if (next >= 0)
        PlaceMarker(next);
    else
        ClearMarker();
}

void STATION::Select(STATIONPART* part)
{
    if (Selected.Get() == part)
        return;
    Selected = part;
    if (!part) {
        ClearMarker();
        SelectedConnector = -1;
        return;
    }
    SelectedConnector = part->NextFreeConnector(-1);
    if (SelectedConnector >= 0)
        PlaceMarker(SelectedConnector);
    else
        ClearMarker();
}

STATIONPART* STATION::FindAimedPart(bool needFreeConnector)
{
    QNNODE* eye = QNNODE::View ? QNNODE::View->CurrentNode.Get() : nullptr;
    if (!eye)
        return nullptr;
    std::vector<QNNODEHIT> hits(kAimHits);
    const QNVEC3 direction = eye->GetWorldMatrix().Row(2).Normalize();
    const int count = std::clamp(eye->CastSegment(0.0f, kAimDistance, direction, kAimHits, hits.data()), 0, kAimHits);
    hits.resize(std::size_t(count));
    std::sort(hits.begin(), hits.end(), [](const QNNODEHIT& a, const QNNODEHIT& b) { return a.Distance < b.Distance; });
    for (const QNNODEHIT& hit : hits) {
        QNNODE* node = hit.Node;
        if (!node || !IsStructureKind(node->Kind))
            continue;
        auto* part = dynamic_cast<STATIONPART*>(node->FindAncestor(QNCF_LEVEL_GAME));
        if (!part || part->IsDestroyed() || (needFreeConnector && !HasFreeConnector(part)))
            continue;
        return part;
    }
    return nullptr;
}

void STATION::Update()
{
    STATIONPART* aimed = FindAimedPart(false);
    if (aimed != Selected.Get())
        Select(aimed);
    PreviousSelection = Selected.Get();

    STATIONPART* marker = Marker.Get();
    if (marker && marker->ConnectorCount > 0 && marker->Connectors[0].Link) {
        if (BlinkTimer.PeriodsElapsed() % 2 == 1)
            marker->SetState(marker->Votes[0] == 3 ? 2 : 3, 0, false, true);
    } else if (marker && marker->Votes[0] != 2) {
        // A recursive show of the site does not bring back a marker that marks nothing.
        marker->SetState(2, 0, false, true);
    }

    WELD* weld = Weld.Get();
    if (Welding == WELDSTATE::START) {
        WeldTimer.Restart();
        if (weld) {
            weld->Stopped = 0;
            weld->FireNow = 1;
        }
        Welding = WELDSTATE::RUNNING;
    } else if (Welding == WELDSTATE::RUNNING && WeldTimer.Elapsed() >= kWeldSeconds) {
        if (weld)
            weld->Stopped = 1;
        Welding = WELDSTATE::IDLE;
    }
}

void STATION::StartWeld(const STATIONCONNECTOR& at)
{
    WELD* weld = Weld.Get();
    if (!weld)
        return;
    constexpr float kDegree = std::numbers::pi_v<float> / 180.0f;
    QNMATRIX turnX, turnY, place;
    turnX.SetRotationX(kWeldTurnX * kDegree);
    turnY.SetRotationY(kWeldTurnY * kDegree);
    place.SetTranslationV(at.Position);
    weld->SetTransform(turnX * turnY * place * GetWorldMatrix());
    weld->SetSound("station_welding");
    weld->PlaySound(0);
    Welding = WELDSTATE::START;
}
