#include "game/world/destruction.h"

#include "engine/scene/scene_hooks.h"
#include "game/world/debris.h"

DESTRUCTION::DESTRUCTION(QNNODE* parent, DEBRISKIND debris, const QNMATRIX* transform)
    : GAMENODE(parent, "DESTRUCTION", kKind, QNCF_UPDATE, 0, 2, transform, 0)
{
    Field = new DEBRISFIELD(this, debris, transform);
    if (MakeExplosion && transform) {
        if (QNNODE* site = FindAncestor(QNCF_LEVEL_VIEWROOT))
            MakeExplosion(site, *transform, kExplosionSize);
    }
    Life.Restart();
}

void DESTRUCTION::Update()
{
    if (Delete || Life.Elapsed() < kLifetime)
        return;
    if (QNHOOKS::Node.ReleaseCollision)
        QNHOOKS::Node.ReleaseCollision(this);
    ScheduleOnce();
    Delete = 1;
}
