#pragma once
/// The sphere, box and plane pairs: sphere-sphere (1, 1), sphere-plane (1, 3), box-sphere
/// (2, 1) and box-plane (2, 3); box-box is in box_box.h.
///
/// Intersect functions follow the pair contract: model 1 has the first type of the pair, the
/// normal points from model 2 towards model 1, separations are negative on penetration, and
/// the pair's tolerance is the sum of both paddings. Every intersect writes the result's
/// normal (zero when not touching); readers take contact 0 only when the count is above 0.
///
/// Safe-time functions write {pair, step} into the record first and replace the time only
/// when they find a time of contact within the step (then they return 1). A missing velocity
/// pointer counts as a model at rest.

#include "physics/collision/model_pair.h"

int McdSphereSphereIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdSpherePlaneIntersect(McdModelPair* pair, McdIntersectResult* result);
int McdBoxSphereIntersect(McdModelPair* pair, McdIntersectResult* result);
/// Touching (1) whenever the box reaches within the tolerance of the plane and its outline
/// crosses it, also when no point lies deep enough to make a contact.
int McdBoxPlaneIntersect(McdModelPair* pair, McdIntersectResult* result);

int McdSphereSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
int McdSpherePlaneSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
int McdBoxSphereSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);
int McdBoxPlaneSafeTime(McdModelPair* pair, MeReal step, McdSafeTimeResult* result);

int McdSphereSphereRegisterInteraction(McdFrameworkID framework);
int McdSpherePlaneRegisterInteraction(McdFrameworkID framework);
int McdBoxSphereRegisterInteraction(McdFrameworkID framework);
int McdBoxPlaneRegisterInteraction(McdFrameworkID framework);

/// Registers the four pairs above, box-box, and the line-segment tests of sphere, box and
/// plane; returns 1.
int McdSimplePrimitivesRegisterInteractions(McdFrameworkID framework);
