#include "game/vehicles/weapon_line.h"

#include "engine/physics/node_motion.h"
#include "engine/physics/qnphysworld.h"
#include "engine/scene/node.h"

namespace {

// Hits asked of the query: the firing ship's own parts may come first.
constexpr int kHits = 16;

bool Within(const QNNODE* node, const QNNODE* root)
{
    for (const QNNODE* n = node; n; n = n->ParentNode())
        if (n == root)
            return true;
    return false;
}

}  // namespace

bool NearestWeaponHit(QNNODE* from, const QNVEC3& direction, float length, const QNNODE* ship, QNNODEHIT& out)
{
    QNNODEHIT hits[kHits];
    const int n = from->CastSegment(0.0f, length, direction, kHits, hits);
    const QNNODEHIT* nearest = nullptr;
    for (int i = 0; i < n && i < kHits; ++i) {
        const QNNODEHIT& h = hits[i];
        if (!h.Node || (ship && Within(h.Node, ship)))
            continue;
        if (const QNBODY* body = PhysicsBodyOf(h.Node); body && !body->IsSolid())
            continue;
        if (!nearest || h.Distance < nearest->Distance)
            nearest = &h;
    }
    if (!nearest)
        return false;
    out = *nearest;
    return true;
}
