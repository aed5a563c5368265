// The world step.
//
// 1. Partition: a breadth-first flood over enabled constraints from each enabled body not yet
//    visited gives islands whose rows never couple; disabled bodies reached through a
//    constraint are woken. After each island the callback may put it to sleep (every body
//    under the rest thresholds) or shed contacts when its rows exceed the limit: first the
//    least important contacts lose their friction rows, then whole contacts go.
// 2. Pack: each body takes its damping, gravity and pending impulses into its force, its
//    centre-of-mass frame is copied for the step, and every constraint writes its rows.
// 3. Solve (kea_solver.cpp): multipliers, constraint forces and accelerations.
// 4. Integrate with semi-implicit Euler: v += h a, then x += h v and the orientation by
//    q += h/2 (0, w) q, renormalised (with an optional exact rotation about a fast-spin axis).
// 5. Write back transforms and per-constraint forces; clear the accumulated forces.
//
// The visited lists and the contact list for shedding are sized at world creation; the only
// memory that grows is the solver scratch, and when it cannot, the step still integrates.

#include "physics/dynamics/world_step.h"

#include "physics/dynamics/contact.h"
#include "physics/dynamics/kea_solver.h"
#include "physics/dynamics/me_math.h"
#include "physics/dynamics/me_message.h"
#include "physics/dynamics/me_profile.h"
#include "physics/dynamics/row_storage.h"

#include <algorithm>
#include <functional>
#include <cmath>
#include <cstring>

MdtDebugLineFn MdtDebugLine = MdtDefaultDebugLine;

void MdtDefaultDebugLine(const MeReal*, const MeReal*, MeReal, MeReal, MeReal)
{
    MeInfo(0, "Cannot draw debug line: No Debug Line Drawing Function Set.\n");
}

namespace {

struct VisitLists {
    MdtBody** bodies;
    int nBodies;
    int bodyCapacity;
    MdtConstraint** constraints;
    int nConstraints;
    int constraintCapacity;
};

void AppendBody(MdtPartitionOutput* out, VisitLists& v, MdtBody* b, int p)
{
    b->arrayIndex = out->totalBodies;
    b->partitionArrayIndex = out->bodyCount[p];
    b->partitionIndex = p;
    b->flags |= MdtBodyFlagVisited;
    out->bodies[out->totalBodies++] = b;
    ++out->bodyCount[p];
    if (v.nBodies < v.bodyCapacity)
        v.bodies[v.nBodies++] = b;
}

}  // namespace

void MdtPartitionWorld(MdtWorld* world, MdtPartitionOutput* out, MdtPartitionCallback callback, void* data)
{
    out->partitionCount = out->totalBodies = out->totalConstraints = 0;
    VisitLists v{world->stepScratch.visitedBodies, 0, world->maxBodies, world->stepScratch.visitedConstraints, 0,
                 world->maxConstraints};
    MeRBTree* enabled = &world->enabledBodyTree;
    MeRBTreeNode* node = MeRBTreeFirst(enabled);
    while (node) {
        MdtBody* seed = static_cast<MdtBody*>(node->data);
        const int p = out->partitionCount;
        out->bodyCount[p] = 0;
        out->constraintCount[p] = 0;
        out->bodyStart[p] = out->totalBodies;
        out->constraintStart[p] = out->totalConstraints;
        AppendBody(out, v, seed, p);
        for (int i = out->bodyStart[p]; i < out->totalBodies; ++i) {
            MdtBody* body = out->bodies[i];
            for (MeRBTreeNode* cn = MeRBTreeFirst(&body->constraintTree); cn;
                 cn = MeRBTreeNext(&body->constraintTree, cn)) {
                MdtConstraint* c = static_cast<MdtConstraint*>(cn->data);
                if (!(c->flags & MdtConstraintFlagEnabled) || (c->flags & MdtConstraintFlagVisited))
                    continue;
                if (out->totalConstraints >= out->constraintCapacity)
                    continue;
                c->flags |= MdtConstraintFlagVisited;
                if (v.nConstraints < v.constraintCapacity)
                    v.constraints[v.nConstraints++] = c;
                out->constraints[out->totalConstraints++] = c;
                ++out->constraintCount[p];
                for (MdtBody* other : c->body)
                    if (other && other != body && !(other->flags & MdtBodyFlagVisited))
                        AppendBody(out, v, other, p);
            }
            if (!(body->flags & MdtBodyFlagEnabled))
                MdtBodyEnable(body);
        }
        ++out->partitionCount;
        // The next seed is found while the current one is surely still in the set; the
        // callback may disable this partition's bodies (all visited, so never a seed).
        MeRBTreeNode* next = MeRBTreeNext(enabled, node);
        while (next && (static_cast<MdtBody*>(next->data)->flags & MdtBodyFlagVisited))
            next = MeRBTreeNext(enabled, next);
        if (callback)
            callback(out, data);
        node = next;
    }
    for (int i = 0; i < v.nConstraints; ++i)
        v.constraints[i]->flags &= ~MdtConstraintFlagVisited;
    for (int i = 0; i < v.nBodies; ++i)
        v.bodies[i]->flags &= ~MdtBodyFlagVisited;
}

void MdtWorldPartitionCallback(MdtPartitionOutput* out, void* data)
{
    MdtWorld* world = static_cast<MdtWorld*>(data);
    const MdtAutoDisableParams& ad = world->autoDisable;
    const int p = out->partitionCount - 1;
    const int b0 = out->bodyStart[p], nb = out->bodyCount[p];
    const int c0 = out->constraintStart[p], nc = out->constraintCount[p];
    if (ad.autoDisable) {
        bool moving = false;
        for (int i = b0; i < b0 + nb && !moving; ++i)
            moving = MdtBodyIsMoving(out->bodies[i], &ad);
        if (!moving) {
            for (int i = b0; i < b0 + nb; ++i) {
                MdtBody* b = out->bodies[i];
                MdtBodyDisable(b);
                MdtBodyResetForces(b);
                MdtBodyResetImpulses(b);
            }
            out->partitionCount -= 1;
            out->totalBodies -= nb;
            out->totalConstraints -= nc;
            return;
        }
    }
    long rows = 0;
    for (int i = c0; i < c0 + nc; ++i) {
        MdtConstraint* c = out->constraints[i];
        if (c->type == MdtTypeContactGroup) {
            for (MdtConstraint* k = c->group.first; k; k = k->contact.next)
                rows += MdtContactGetRowCount(k);
        } else {
            rows += c->rowCount;
        }
    }
    rows = (rows + 3) & ~3L;
    long excess = rows - ad.maxRows;
    if (excess <= 0)
        return;
    MdtConstraint** contacts = world->stepScratch.contacts;
    int n = 0;
    for (int i = c0; i < c0 + nc; ++i) {
        MdtConstraint* g = out->constraints[i];
        if (g->type != MdtTypeContactGroup)
            continue;
        if (ad.contactImportance)
            ad.contactImportance(g);
        for (MdtConstraint* k = g->group.first; k && n < world->maxConstraints; k = k->contact.next)
            contacts[n++] = k;
    }
    // Ties are ordered by record address (records of one pool), which keeps runs repeatable.
    std::sort(contacts, contacts + n, [](const MdtConstraint* a, const MdtConstraint* b) {
        if (a->contact.importance != b->contact.importance)
            return a->contact.importance < b->contact.importance;
        return std::less<const MdtConstraint*>()(a, b);
    });
    for (int i = 0; i < n && excess > 0; ++i) {
        const int r = MdtContactGetRowCount(contacts[i]);
        if (r > 1) {
            contacts[i]->contact.params.type = 0;
            excess -= r - 1;
        }
    }
    for (int i = 0; i < n && excess > 0; ++i) {
        MdtConstraint* k = contacts[i];
        if (k->contact.group)
            MdtContactGroupDestroyContact(k->contact.group, k);
        else
            MdtConstraintDestroy(k);
        excess -= 1;
    }
    if (excess > 0)
        MeWarning(0, "Turned off all contacts and partition is still too large! Too many joints?\n");
}

void MdtBodyPrepareForces(MdtBody* b, MeReal h, const MeReal gravity[3])
{
    keaBody& k = b->kea;
    for (int i = 0; i < 3; ++i) {
        k.torque[i] -= k.velrot[i] * b->angularDamping;
        k.force[i] += b->mass * gravity[i] - b->linearDamping * k.vel[i];
    }
    ++b->stepsSinceEnabled;
    if (b->impulseFlag) {
        for (int i = 0; i < 4; ++i) {
            k.force[i] += b->impulseLinear[i] / h;
            k.torque[i] += b->impulseAngular[i] / h;
            b->impulseLinear[i] = b->impulseAngular[i] = 0;
        }
        b->impulseFlag = 0;
    }
}

unsigned MdtPackPartitions(MdtWorld* world, MeReal h)
{
    MdtPartitionOutput* out = &world->partitions;
    keaConstraints* rows = &world->rows;
    const MeReal params[3] = {h, world->epsilon, world->workingGamma};
    MdtRowStorageReset(rows);
    unsigned largest = 0;
    for (int p = 0; p < out->partitionCount; ++p) {
        const int bs = out->bodyStart[p];
        for (int j = 0; j < out->bodyCount[p]; ++j) {
            MdtBody* b = out->bodies[bs + j];
            MdtBodyPrepareForces(b, h, world->gravity);
            if (b->constraintTree.count > 0)
                b->kea.flags |= keaBodyFlagHasConstraints;
            else
                b->kea.flags &= ~keaBodyFlagHasConstraints;
            MeMatrix4Copy(world->stepTransforms[bs + j], b->comTM);
            world->solverBodies[bs + j] = &b->kea;
        }
        const int cs = out->constraintStart[p], nc = out->constraintCount[p];
        for (int j = 0; j < nc; ++j) {
            MdtConstraint* c = out->constraints[cs + j];
            c->bodyIndex[0] = c->body[0]->arrayIndex;
            c->bodyIndex[1] = c->body[1] ? c->body[1]->arrayIndex : -1;
        }
        if (nc > 0) {
            MdtRowStorageClearEntry(rows);
            for (int j = 0; j < nc; ++j) {
                MdtConstraint* c = out->constraints[cs + j];
                c->buildRows(rows, c, world->stepTransforms, world->solverBodies, params);
            }
            const int real = rows->num_rows_exc_padding_partition[rows->num_partitions];
            MdtRowStorageEndPartition(rows);
            largest = std::max(largest, static_cast<unsigned>(real));
        }
    }
    return largest;
}

void MdtIntegrateBodies(keaBody* const* bodies, MeMatrix4* transforms, int count, const keaParams& params)
{
    MeProfileStartSectionFn("Integrate", 0);
    const MeReal h = params.stepsize;
    for (int i = 0; i < count; ++i) {
        keaBody* b = bodies[i];
        for (int k = 0; k < 3; ++k) {
            b->vel[k] += h * b->accel[k];
            b->velrot[k] += h * b->accelrot[k];
        }
    }
    for (int i = 0; i < count; ++i) {
        keaBody* b = bodies[i];
        MeMatrix4& T = transforms[i];
        for (int k = 0; k < 3; ++k)
            T[3][k] += h * b->vel[k];
        T[3][3] = 1;
        MeReal w[3] = {b->velrot[0], b->velrot[1], b->velrot[2]};
        MeReal* q = b->qrot;
        if (b->flags & keaBodyFlagFastSpin) {
            const MeReal* a = b->fastSpinAxis;
            const MeReal s = MeVector3Dot(w, a);
            const MeReal spin[3] = {s * a[0], s * a[1], s * a[2]};
            MeQuaternionFiniteRotation(q, spin, h);
            for (int k = 0; k < 3; ++k)
                w[k] -= spin[k];
        }
        const MeReal q0 = q[0], q1 = q[1], q2 = q[2], q3 = q[3];
        q[0] = q0 + h * (-(w[0] * q1 + w[1] * q2 + w[2] * q3) / 2);
        q[1] = q1 + h * (w[0] * q0 + w[1] * q3 - w[2] * q2) / 2;
        q[2] = q2 + h * (w[1] * q0 + w[2] * q1 - w[0] * q3) / 2;
        q[3] = q3 + h * (w[2] * q0 + w[0] * q2 - w[1] * q1) / 2;
        MeQuaternionNormalize(q);
        T[0][3] = T[1][3] = T[2][3] = 0;
        MeQuaternionToTM(T, q);
    }
    MeProfileEndSectionFn("Integrate");
}

void MdtUnpackTransforms(MdtWorld* world, int partition)
{
    const MdtPartitionOutput* out = &world->partitions;
    const int bs = out->bodyStart[partition];
    for (int j = 0; j < out->bodyCount[partition]; ++j) {
        MdtBody* b = out->bodies[bs + j];
        MeMatrix4Copy(b->comTM, world->stepTransforms[bs + j]);
        MdtBodyUpdateTransformFromCom(b);
    }
}

namespace {

// Record order (f0, t0, f1, t1) into the constraint's fields (f0, f1, t0, t1).
void TakeRecord(MdtConstraint* c, const MeReal* rec)
{
    for (int k = 0; k < 4; ++k) {
        c->force[0][k] = rec[k];
        c->force[2][k] = rec[4 + k];
        c->force[1][k] = rec[8 + k];
        c->force[3][k] = rec[12 + k];
    }
}

}  // namespace

int MdtUnpackConstraintForces(const MeReal* forces, const MdtPartitionOutput* out, int partition)
{
    int used = 0;
    const int cs = out->constraintStart[partition];
    for (int j = 0; j < out->constraintCount[partition]; ++j) {
        MdtConstraint* c = out->constraints[cs + j];
        if (c->type == MdtTypeContactGroup) {
            std::memset(c->force, 0, sizeof c->force);
            c->group.load = 0;
            for (MdtConstraint* k = c->group.first; k; k = k->contact.next) {
                TakeRecord(k, forces + 16 * used++);
                for (int v = 0; v < 4; ++v)
                    for (int i = 0; i < 4; ++i)
                        c->force[v][i] += k->force[v][i];
                c->group.load += MeVector3Dot(k->force[0], k->contact.normal);
            }
        } else {
            TakeRecord(c, forces + 16 * used++);
        }
    }
    return used;
}

void MdtDebugDrawContacts(const MdtPartitionOutput* out, int partition, MeU32 flags)
{
    const int cs = out->constraintStart[partition];
    for (int j = 0; j < out->constraintCount[partition]; ++j) {
        MdtConstraint* g = out->constraints[cs + j];
        if (g->type != MdtTypeContactGroup)
            continue;
        for (MdtConstraint* k = g->group.first; k; k = k->contact.next) {
            MeReal p[3], n[3], end[3];
            MdtContactGetPosition(k, p);
            MdtContactGetNormal(k, n);
            if (flags & 1) {
                const MeReal len = MdtContactGetPenetration(k) * 50 + 1;
                for (int i = 0; i < 3; ++i)
                    end[i] = p[i] + n[i] * len;
                MdtDebugLine(p, end, 1, 0, 0);
            }
            if (flags & 2) {
                MeReal f[3];
                MdtConstraintGetForce(k, 0, f);
                MeVector3Add(end, p, f);
                MdtDebugLine(p, end, 0, 1, 0);
            }
        }
    }
}

void MdtWorldStep(MdtWorld* world, MeReal stepsize)
{
    if (!world || !(stepsize > 0) || !std::isfinite(stepsize))
        return;
    MdtPartitionOutput* out = &world->partitions;
    MdtPartitionWorld(world, out, MdtWorldPartitionCallback, world);
    world->workingGamma = world->gamma;
    const unsigned maxRows = world->maxConstraints > 0 ? MdtPackPartitions(world, stepsize) : 0;
    if (world->maxConstraints == 0) {
        // No rows to pack; bodies still take their forces.
        for (int i = 0; i < out->totalBodies; ++i) {
            MdtBody* b = out->bodies[i];
            MdtBodyPrepareForces(b, stepsize, world->gravity);
            MeMatrix4Copy(world->stepTransforms[i], b->comTM);
            world->solverBodies[i] = &b->kea;
        }
        world->rows.num_partitions = 0;
    }
    keaParams params;
    void* memory = MdtWorldFillSolverParams(world, maxRows, stepsize, &params);
    if (!memory && world->rows.num_partitions > 0)
        MeWarning(0, "MdtWorldStep: solver scratch could not grow; constraints are not solved this step.\n");
    keaConstraints rows = world->rows;
    if (!memory)
        rows.num_partitions = 0;
    keaSolve(rows, world->solverBodies, out->totalBodies, params);
    MdtIntegrateBodies(world->solverBodies, world->stepTransforms, out->totalBodies, params);
    for (int p = 0; p < out->partitionCount; ++p)
        MdtUnpackTransforms(world, p);
    const MeReal* forces = world->rows.constraintForces;
    for (int p = 0; p < out->partitionCount && forces; ++p) {
        forces += 16 * MdtUnpackConstraintForces(forces, out, p);
        if (world->debugDrawFlags & 3u)
            MdtDebugDrawContacts(out, p, world->debugDrawFlags);
    }
    for (MeRBTreeNode* n = MeRBTreeFirst(&world->enabledBodyTree); n; n = MeRBTreeNext(&world->enabledBodyTree, n))
        MdtBodyResetForces(static_cast<MdtBody*>(n->data));
}
