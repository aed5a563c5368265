#pragma once
/// Limits and motors of a joint's free coordinate (hinge angle, slider travel, distance):
/// a lower and an upper stop, each hard (with restitution) or springy, and a velocity motor
/// with a force bound.

#include "physics/dynamics/constraint.h"

void MdtLimitReset(MdtLimit* limit);
void MdtSingleLimitReset(MdtSingleLimit* stop);
MdtSingleLimit* MdtLimitGetLower(MdtLimit* limit);
MdtSingleLimit* MdtLimitGetUpper(MdtLimit* limit);
void MdtSingleLimitSetStop(MdtSingleLimit* stop, MeReal value);
/// Stiffness below the limit's threshold (FLT_MAX) makes the stop springy.
void MdtSingleLimitSetStiffness(MdtSingleLimit* stop, MeReal stiffness);
void MdtSingleLimitSetDamping(MdtSingleLimit* stop, MeReal damping);
/// Restitution, kept within 0..1 (not a number stores 0).
void MdtSingleLimitSetRestitution(MdtSingleLimit* stop, MeReal restitution);
/// offset + raw position.
MeReal MdtLimitGetPosition(const MdtLimit* limit);
int MdtLimitIsMotorized(const MdtLimit* limit);
int MdtLimitIsActive(const MdtLimit* limit);
/// The active flag.
int GetSecondWord(const MdtLimit* limit);
void MdtLimitSetLimited(MdtLimit* limit, int on);
void MdtLimitActivate(MdtLimit* limit, int on);
void MdtLimitActivateMotor(MdtLimit* limit, int on);
/// Velocity motor; the maximum force is stored as its absolute value.
void MdtLimitSetMotor(MdtLimit* limit, MeReal desiredVelocity, MeReal maxForce);
/// Proportional servo towards `target`: full speed outside `range`, proportional inside; a
/// range of 0 or less drives at full speed by the sign of the error.
void MdtLimitDriveToPosition(MdtLimit* limit, MeReal target, MeReal range, MeReal maxSpeed, MeReal maxForce);

/// Row building: after the builder stored the raw position and rate; wrap = 1 for angles.
void MdtLimitUpdatePosition(MdtLimit* limit, MeReal raw, int wrap);

/// A row of the limit or motor along (Jlin, Jang0) for body 0 and -(Jlin, Jang1) for body 1.
struct MdtLimitRowTarget {
    keaConstraints* rows;
    int row;        ///< real row index
    int jrow;       ///< Jacobian row index
    keaBody* body0;
    keaBody* body1; ///< null for the world
    const MeReal* params;  ///< step size, epsilon, gamma
};
/// Writes the limit's row when it has one this step; returns 1 when a row was written.
int MdtLimitAddRow(MdtLimit* limit, const MeReal Jlin[3], const MeReal Jang0[3], const MeReal Jang1[3],
                   const MdtLimitRowTarget& target);
