#pragma once
/// A conjugate-gradient minimiser of up to four variables with a bracketing line search
/// (the cylinder-cylinder pair minimises the distance of two rims with it).
///
/// The search state is module-wide: one search at a time, on the collision thread.

#include "physics/dynamics/me_types.h"

/// Most variables of one search.
inline constexpr int kMeMinimizeMaxVariables = 4;

using MeMinimizeFn = MeReal (*)(const MeReal* point);
using MeMinimizeGradientFn = void (*)(MeReal* gradient, const MeReal* point);
using MeLineFn = MeReal (*)(MeReal t);

/// Polak-Ribiere conjugate gradients from `point` (n variables, 1..4; other counts leave the
/// point alone and return f there, or 0 for a null function). Returns the minimum found and
/// moves the point to it.
MeReal MeMinimizeConjugateGradient(int n, MeReal* point, MeReal lineTolerance, MeReal tolerance, MeMinimizeFn f,
                                   MeMinimizeGradientFn g);

/// Moves `point` to the minimum of f along `direction` (the direction is not scaled).
void MeLineMinimize(int n, MeReal* point, const MeReal* direction, MeReal tolerance, MeMinimizeFn f,
                    MeMinimizeGradientFn g);

/// Downhill bracketing of a one-variable minimum from a and b: on return f(b) <= f(a) and
/// f(b) <= f(c) with b between a and c, unless the iteration cap (200 extrapolations) ran
/// out, in which case c is the furthest point reached.
void MeBracketMinimum(MeReal* a, MeReal* b, MeReal* c, MeReal* fa, MeReal* fb, MeReal* fc, MeLineFn f);

/// Brent's minimisation with derivatives inside the bracket (a, b, c); writes the abscissa of
/// the minimum and returns its value. At most 100 iterations.
MeReal MeLineSearchWithDerivative(MeReal* xmin, MeReal a, MeReal b, MeReal c, MeLineFn f, MeLineFn df,
                                  MeReal tolerance);
