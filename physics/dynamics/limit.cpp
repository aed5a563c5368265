// Limits and motors.
//
// Sign rule shared with every row: the solver achieves J v = c - (gamma + xgamma) xi / h, so
// xi is the constraint function whose time derivative is J v. A limit row measures the
// coordinate x with J v = dx/dt, so a stop row has xi = x - stop (the overshoot), and a motor
// row has c = the desired rate.
//
// Springy stops follow an implicit spring-damper: the force k (x - stop) + c dx/dt evaluated
// at the end of the step gives a diagonal softness t / h and an error reduction h k t with
// t = 1 / (h k + c). The solver adds slipfactor / h + epsilon to the diagonal and uses
// gamma + xgamma, so slipfactor = t - epsilon h and xgamma = h k t - gamma.

#include "physics/dynamics/limit.h"

#include "physics/dynamics/me_math.h"

#include <cfloat>
#include <cmath>

void MdtSingleLimitReset(MdtSingleLimit* s)
{
    s->stop = 0;
    s->stiffness = FLT_MAX;
    s->damping = 0;
    s->restitution = 1.0f;
}

void MdtLimitReset(MdtLimit* l)
{
    l->limited = l->active = l->calibrated = l->bounceSuppressed = 0;
    l->overshoot = l->rawPosition = l->positionTarget = 0;
    l->positionMode = 0;
    l->previousRaw = l->offset = l->rate = 0;
    l->stiffnessThreshold = FLT_MAX;
    MdtSingleLimitReset(&l->lower);
    MdtSingleLimitReset(&l->upper);
    l->motorized = 0;
    l->motorDesiredVelocity = 0;
    l->motorMaxForce = 0;
}

MdtSingleLimit* MdtLimitGetLower(MdtLimit* l) { return &l->lower; }
MdtSingleLimit* MdtLimitGetUpper(MdtLimit* l) { return &l->upper; }
void MdtSingleLimitSetStop(MdtSingleLimit* s, MeReal v) { s->stop = v; }
void MdtSingleLimitSetStiffness(MdtSingleLimit* s, MeReal k) { s->stiffness = k; }
void MdtSingleLimitSetDamping(MdtSingleLimit* s, MeReal c) { s->damping = c; }

void MdtSingleLimitSetRestitution(MdtSingleLimit* s, MeReal e)
{
    if (e > 1)
        s->restitution = 1;
    else if (e >= 0)
        s->restitution = e;
    else
        s->restitution = 0;  // negative or not a number
}

MeReal MdtLimitGetPosition(const MdtLimit* l) { return l->offset + l->rawPosition; }
int MdtLimitIsMotorized(const MdtLimit* l) { return l->motorized; }
int MdtLimitIsActive(const MdtLimit* l) { return l->active; }
int GetSecondWord(const MdtLimit* l) { return l->active; }

void MdtLimitSetLimited(MdtLimit* l, int on)
{
    l->limited = on;
    l->active = (on || l->motorized || l->positionMode) ? 1 : 0;
}

void MdtLimitActivate(MdtLimit* l, int on)
{
    l->active = (on || l->limited || l->motorized || l->positionMode) ? 1 : 0;
}

void MdtLimitActivateMotor(MdtLimit* l, int on)
{
    l->motorized = on;
    if (on) {
        l->positionMode = 0;
        l->active = 1;
    } else {
        l->active = (l->limited || l->positionMode) ? 1 : 0;
    }
}

void MdtLimitSetMotor(MdtLimit* l, MeReal velocity, MeReal force)
{
    l->motorDesiredVelocity = velocity;
    l->positionMode = 0;
    l->motorized = force != 0 ? 1 : 0;
    l->motorMaxForce = std::fabs(force);
}

void MdtLimitDriveToPosition(MdtLimit* l, MeReal target, MeReal range, MeReal maxSpeed, MeReal maxForce)
{
    const MeReal e = MdtLimitGetPosition(l) - target;
    if (!l->active)
        MdtLimitActivate(l, 1);
    MeReal velocity;
    if (range <= 0)
        velocity = e > 0 ? -maxSpeed : (e < 0 ? maxSpeed : 0);
    else if (e < -range)
        velocity = maxSpeed;
    else if (e > range)
        velocity = -maxSpeed;
    else
        velocity = -maxSpeed * e / range;
    MdtLimitSetMotor(l, velocity, maxForce);
}

void MdtLimitUpdatePosition(MdtLimit* l, MeReal raw, int wrap)
{
    const MeReal pi = 3.1415927f, twoPi = 6.2831855f;
    if (!l->calibrated) {
        l->previousRaw = raw;
        l->offset -= raw;
        l->calibrated = 1;
    }
    if (std::fabs(l->rate) < 0.000001f) {
        raw = l->previousRaw;
    } else if (wrap) {
        while (raw >= l->previousRaw + pi)
            raw -= twoPi;
        while (raw + pi < l->previousRaw)
            raw += twoPi;
    }
    l->rawPosition = raw;
    l->previousRaw = raw;
    l->overshoot = 0;
    if (l->limited) {
        const MeReal p = l->offset + raw;
        if (p < l->lower.stop)
            l->overshoot = p - l->lower.stop;
        else if (p > l->upper.stop)
            l->overshoot = p - l->upper.stop;
        else
            l->bounceSuppressed = 0;
    }
}

namespace {

struct RowValues {
    MeReal xi = 0, c = 0, lo = -FLT_MAX, hi = FLT_MAX, slip = 0, xgamma = 0;
};

// Fills the row values for the violated stop. Returns false when no row is wanted.
bool ComputeStopRow(MdtLimit* l, const MdtSingleLimit& s, const MeReal* params, RowValues& v)
{
    const MeReal h = params[0], eps = params[1], gamma = params[2];
    if (s.stiffness < l->stiffnessThreshold) {
        const MeReal t = 1 / (h * s.stiffness + s.damping);
        // Total diagonal addition slip / h + eps = t / h, never negative.
        v.slip = t - eps * h;
        v.xgamma = s.damping == 0 ? 1 - gamma : h * s.stiffness * t - gamma;
        v.xi = l->overshoot;
        return true;
    }
    const MeReal bounce = -s.restitution * l->rate;
    l->bounceSuppressed = (gamma != 0 && std::fabs(bounce * h / (gamma * l->overshoot)) < 1) ? 1 : 0;
    if (l->rate * l->overshoot >= 0) {
        v.c = bounce;
        if (l->bounceSuppressed) {
            v.c = 0;
            v.xi = l->overshoot;
        }
        return true;
    }
    if (l->bounceSuppressed) {
        v.c = 0;
        v.xi = l->overshoot;
        return true;
    }
    return false;
}

}  // namespace

int MdtLimitAddRow(MdtLimit* l, const MeReal Jlin[3], const MeReal Jang0[3], const MeReal Jang1[3],
                   const MdtLimitRowTarget& t)
{
    RowValues v;
    // A stop of stiffness 0 or less does not hold; only the motor may still write the row.
    bool onStop = false;
    if (l->overshoot < 0 && l->lower.stiffness > 0) {
        if (!ComputeStopRow(l, l->lower, t.params, v))
            return 0;
        v.lo = 0;
        v.hi = FLT_MAX;
        onStop = true;
    } else if (l->overshoot > 0 && l->upper.stiffness > 0) {
        if (!ComputeStopRow(l, l->upper, t.params, v))
            return 0;
        v.lo = -FLT_MAX;
        v.hi = 0;
        onStop = true;
    }
    const bool driven = l->motorized || l->positionMode;
    if (!onStop && !driven)
        return 0;

    keaConstraints* rows = t.rows;
    for (int k = 0; k < 3; ++k) {
        rows->Jstore[keaJstoreIndex(t.jrow, k)] = Jlin[k];
        rows->Jstore[keaJstoreIndex(t.jrow, 3 + k)] = Jang0[k];
        rows->Jstore[keaJstoreIndex(t.jrow, 6 + k)] = t.body1 ? -Jlin[k] : 0;
        rows->Jstore[keaJstoreIndex(t.jrow, 9 + k)] = t.body1 ? -Jang1[k] : 0;
    }
    if (onStop && driven) {
        // On a stop the row stays the stop row; the motor pushes with its full force directly.
        const MeReal f = l->motorDesiredVelocity <= l->rate ? -l->motorMaxForce : l->motorMaxForce;
        for (int k = 0; k < 3; ++k) {
            t.body0->force[k] += f * Jlin[k];
            t.body0->torque[k] += f * Jang0[k];
            if (t.body1) {
                t.body1->force[k] -= f * Jlin[k];
                t.body1->torque[k] -= f * Jang1[k];
            }
        }
    } else if (driven) {
        v.lo = -l->motorMaxForce;
        v.hi = l->motorMaxForce;
        if (l->motorized)
            v.c = l->motorDesiredVelocity;
        else
            v.xi = l->rawPosition - l->positionTarget;
    }
    rows->xi[t.row] = v.xi;
    rows->c[t.row] = v.c;
    rows->lo[t.row] = v.lo;
    rows->hi[t.row] = v.hi;
    rows->slipfactor[t.row] = v.slip;
    rows->xgamma[t.row] = v.xgamma;
    return 1;
}
