// Hyperjumps of the collector ship between the company sites.
//
// The eight arrival frames are the corners of a cube of half side 200 around the destination
// site, each turned to look at the site's centre: a rotation about x by b (the elevation), then
// about y by a (the heading), then the corner's translation, in the engine's row-vector order
// (x rotation first). Corner 0 at (-200, -200, -200) so looks along (1, 1, 1) / sqrt 3.
//
// The player's jump re-homes the ship's whole tree into the destination view's world (the bodies
// are made anew there), so the physics parameters are applied again afterwards (the hull's for
// the player, the kept flight settings of a computer pilot's ship); the enabled-view
// mask, the active view and the camera owner move with it. A ship seen from outside jumps at
// once, unless the destination planner finds its arrival point blocked.

#include <limits>

#include "engine/physics/node_motion.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/util/qnmath.h"
#include "game/vehicles/collship.h"
#include "game/vehicles/comet.h"
#include "game/vehicles/stars.h"
#include "game/vehicles/inside_hyperspace.h"
#include "game/vehicles/outside_hyperspace.h"
#include "game/vehicles/ship_hud_link.h"
#include "game/world/path_planner.h"
#include "game/world/site.h"

namespace {

constexpr float kDegree = 0.017453293f;
constexpr float kElevation = 35.264389f;  // atan(1 / sqrt 2): the cube diagonal's elevation
// Where the tunnel hangs in front of the pilot.
constexpr float kTunnelZ = 1.62f;
// Size of the flash a ship makes when it jumps in or out.
constexpr float kFlashWidth = 60.0f, kFlashHeight = 50.0f;
// The comet's drift after it is placed around the newly arrived viewer.
constexpr float kCometSpeed = 0.1f;

struct CORNER {
    float Heading, Elevation;
    float X, Y, Z;
};

constexpr float D = COLLSHIP::kCornerDistance;
constexpr CORNER kCorners[8] = {
    {45, -kElevation, -D, -D, -D},  {-45, -kElevation, D, -D, -D},  {-45, kElevation, D, D, -D},
    {45, kElevation, -D, D, -D},    {135, -kElevation, -D, -D, D},  {-135, -kElevation, D, -D, D},
    {-135, kElevation, D, D, D},    {135, kElevation, -D, D, D},
};

}  // namespace

QNMATRIX COLLSHIP::CornerMatrix(std::uint32_t corner)
{
    const CORNER& c = kCorners[corner % 8];
    QNMATRIX x, y, t;
    x.SetRotationX(c.Elevation * kDegree);
    y.SetRotationY(c.Heading * kDegree);
    t.SetTranslation(c.X, c.Y, c.Z);
    return x * y * t;
}

bool COLLSHIP::StartHyperjump(SITE* site, std::uint32_t corner)
{
    if (!site || corner > 7)
        return false;
    if (ViewMode == VIEWMODE_INSIDE) {
        // A refused request leaves the running jump's destination alone.
        if (Tunnel)
            return false;
        Destination = site;
        Corner = corner;
        const QNMATRIX at = [] {
            QNMATRIX m;
            m.SetTranslation(0, 0, kTunnelZ);
            return m;
        }();
        Tunnel = new INSIDEHYPERSPACE(this, &at, &CockpitShown);
        Tunnel->SetState(3, 0, false, true);
        if (Hud)
            Hud->Node()->SetState(2, 0, false, true);
        HyperjumpPending = 1;
        return true;
    }
    if (ViewMode == VIEWMODE_OUTSIDE) {
        Destination = site;
        Corner = corner;
        return PerformHyperjump();
    }
    return false;
}

bool COLLSHIP::PerformHyperjump()
{
    SITE* destination = Destination.Get();
    if (!destination)
        return false;
    const QNMATRIX arrival = CornerMatrix(Corner) * destination->GetWorldMatrix();
    const bool done = ViewMode == VIEWMODE_INSIDE ? JumpInside(arrival) : JumpOutside(arrival);
    if (!done)
        return false;
    SetObstacleView(destination->ViewIndex);
    Destination = nullptr;
    ++HyperjumpCount;
    return true;
}

bool COLLSHIP::JumpInside(const QNMATRIX& arrival)
{
    SITE* destination = Destination.Get();
    SITE* current = CurrentSite.Get();
    QNSCENE* scene = View ? View->Scene : nullptr;
    STARS* stars = Stars.Get();
    const bool moved = destination != current;
    if (moved) {
        StopMotion(true, QNCF_LEVEL_PLAIN);
        if (View && View->CurrentNode.Get() == this)
            View->CurrentNode = nullptr;
        if (current) {
            if (scene)
                scene->ViewMask &= ~(1u << current->ViewIndex);
            current->SetState(2, 0, false, false);
        }
        AttachWithState(destination, 3, 0, false, true);
        if (stars)
            stars->AttachWithState(destination, 3, 0, false, true);
        if (stars && stars->Comet)
            stars->Comet->Reposition(RandomRange(-1.0f, 1.0f), RandomRange(-1.0f, 1.0f), kCometSpeed);
        ClearTargets(FarTargets);
        if (Hud) {
            Hud->ClearMarkers();
            // The move showed the whole tree; the HUD stays hidden until the tunnel ends.
            if (Tunnel)
                Hud->Node()->SetState(2, 0, false, true);
        }
    }
    FlightScale = kScale;
    FlightFactor = 1.0f;
    FlightAngularDamping = kAngularDamping;
    ApplyPhysics();
    SetTransform(arrival);
    if (stars)
        stars->SetTransform(arrival.TranslationOnly());
    if (moved) {
        if (View)
            View->CurrentNode = CameraView != 0 && Camera ? Camera : this;
        CurrentSite = destination;
        destination->SetState(3, 0, false, false);
        BuildTargetList();
        if (scene) {
            scene->ActiveView = destination->ViewIndex;
            scene->ViewMask |= 1u << destination->ViewIndex;
        }
    }
    return true;
}

bool COLLSHIP::JumpOutside(const QNMATRIX& arrival)
{
    SITE* destination = Destination.Get();
    SITE* current = CurrentSite.Get();
    QNBOX box;
    GetBox(box, false);
    const float radius = (box.max - box.min).Length() * 0.5f;
    // The planner lets a box that holds the path's start or goal pass; a point far outside every
    // box as both makes the arrival point itself decide.
    const float far = std::numeric_limits<float>::max();
    const QNVEC3 nowhere(far, far, far);
    if (QNPATHPLANNER* planner = PathPlanner(destination->ViewIndex))
        if (planner->IsPointBlocked(arrival.Translation(), nowhere, nowhere, radius))
            return false;

    StopMotion(true, QNCF_LEVEL_PLAIN);
    QNSCENE* scene = View ? View->Scene : nullptr;
    auto flash = [&](QNNODE* parent) {
        QNMATRIX at;
        at.SetTranslationV(GetWorldMatrix().Translation());
        auto* effect = new OUTSIDEHYPERSPACE(parent, &at, kFlashWidth, kFlashHeight);
        effect->SetState(3, 0, false, true);
    };
    if (scene && current && View == scene->ActiveViewPtr())
        flash(current);
    const bool arrivesInView = scene && destination->View == scene->ActiveViewPtr();
    if (destination != current) {
        AttachWithState(destination, arrivesInView ? 3 : 2, 0, false, true);
        if (!arrivesInView)
            destination->AddHiddenArrival(this);
    }
    ApplyPhysics();
    SetTransform(arrival);
    if (arrivesInView)
        flash(destination);
    CurrentSite = destination;
    return true;
}

void COLLSHIP::DeleteTunnel()
{
    QNITEM::Destroy(Tunnel);
    Tunnel = nullptr;
}
