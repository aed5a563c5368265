// Box LCP by block principal pivoting.
//
// Problem: given SPD A (factorised), b and bounds lo <= hi, find x and w with
//     A x = b + w,  lo <= x <= hi,
//     w >= 0 where x = lo, w <= 0 where x = hi, w = 0 where lo < x < hi.
// Each row is in one of three states: free (0), at its lower bound (1) or at its upper bound
// (2). For a guess of the states, the clamped rows C take their bound values v and the free
// rows F have w = 0, which fixes x: with x0 = A^-1 b,
//     x = x0 + A^-1[:, C] y,   where  A^-1[C, C] y = v - x0[C]   and  w[C] = y.
// Columns of A^-1 are computed lazily from the Cholesky factor and cached for the partition.
// The states are then updated all at once (free rows that left their box become clamped;
// clamped rows whose reaction has the wrong sign are freed). A state vector that repeats
// switches to a fallback that changes one row per iteration, walking rows in order of
// decreasing diagonal; a second repeat ends the solve with x clamped into its box.

#include "physics/dynamics/kea_dump.h"
#include "physics/dynamics/kea_pool.h"
#include "physics/dynamics/kea_solver.h"
#include "physics/dynamics/me_profile.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr float ResidualTolerance = 0.001f;
constexpr float Infinite = 1e20f;

template <typename T>
T* Take(int count, const char* name)
{
    const int bytes = (static_cast<int>(sizeof(T)) * std::max(count, 1) + 15) & ~15;
    return static_cast<T*>(keaPoolAlloc(bytes, name));
}

void ClampFinish(float* x, const float* lo, const float* hi, int np)
{
    for (int i = 0; i < np; ++i) {
        if (x[i] > hi[i])
            x[i] = x[i] < Infinite ? hi[i] : 0;
        if (x[i] < lo[i])
            x[i] = x[i] > -Infinite ? lo[i] : 0;
    }
}

}  // namespace

int keaLCPSolve(keaLCPMatrix* m, const float* b, const float* lo, const float* hi, int maxIterations)
{
    const int np = m->np;
    float* x = m->x;
    keaPoolPushMark();
    float* x0 = Take<float>(np, "x0");
    float* w = Take<float>(np, "w");
    float* bvec = Take<float>(np, "b");
    float* cv = Take<float>(np, "clampedValues");
    float* column = Take<float>(np, "column");
    int* state = Take<int>(np, "state");
    int* saved1 = Take<int>(np, "saved1");
    int* saved2 = Take<int>(np, "saved2");
    int* clampedList = Take<int>(np, "clamped");
    int* order = Take<int>(np, "order");
    int* uncached = Take<int>(np, "uncached");
    if (!(x0 && w && bvec && cv && column && state && saved1 && saved2 && clampedList && order && uncached)) {
        std::fill(x, x + np, 0.0f);
        keaPoolPopMark();
        return 0;
    }
    std::copy(b, b + m->n, x);
    std::fill(x + m->n, x + np, 0.0f);
    std::copy(x, x + np, bvec);
    MeProfileStartSectionFn("LCP Initial solve", 0);
    m->solve(x);
    MeProfileEndSectionFn("LCP Initial solve");
    std::copy(x, x + np, x0);
    keaIntermediateFloats("initial x", x, np);

    bool inside = true;
    for (int i = 0; i < np && inside; ++i)
        inside = lo[i] <= x[i] && x[i] <= hi[i];
    if (inside || maxIterations < 1) {
        keaPoolPopMark();
        return 0;
    }
    for (int i = 0; i < np; ++i)
        state[i] = x[i] < lo[i] ? 1 : (x[i] > hi[i] ? 2 : 0);
    bool haveSaved1 = false, haveSaved2 = false, fallback = false;
    int keptRows = 0;
    std::fill(w, w + np, 0.0f);
    int counter = 0;
    int result = 0;
    for (;;) {
        const bool repeated = (haveSaved1 && std::equal(state, state + np, saved1)) ||
                              (haveSaved2 && std::equal(state, state + np, saved2));
        bool switchToFallback = false;
        if (repeated) {
            if (fallback) {
                ClampFinish(x, lo, hi, np);
                result = -counter;
                break;
            }
            switchToFallback = true;
        } else if (!fallback && counter >= 10) {
            switchToFallback = true;
        }
        if (switchToFallback) {
            for (int i = 0; i < np; ++i)
                order[i] = i;
            std::sort(order, order + np, [m](int a, int c) {
                const float da = m->getDiagonal(a), dc = m->getDiagonal(c);
                return da != dc ? da > dc : a < c;
            });
            keptRows = 0;
            while (keptRows < np && m->getDiagonal(order[keptRows]) > 3 * m->getEpsilon())
                ++keptRows;
            haveSaved1 = haveSaved2 = false;
            fallback = true;
        }
        if (counter % 10 == 0) {
            std::copy(state, state + np, saved1);
            haveSaved1 = true;
        }
        if (counter % 3 == 0) {
            std::copy(state, state + np, saved2);
            haveSaved2 = true;
        }

        int nc = 0;
        for (int i = 0; i < np; ++i) {
            if (state[i] != 0) {
                clampedList[nc] = i;
                cv[nc] = state[i] == 1 ? lo[i] : hi[i];
                ++nc;
            }
        }
        if (nc == np) {
            for (int i = 0; i < np; ++i)
                x[i] = cv[i];
            m->multiply(x, w);
            for (int i = 0; i < np; ++i)
                w[i] -= bvec[i];
        } else if (nc == 0) {
            std::copy(x0, x0 + np, x);
            std::fill(w, w + np, 0.0f);
        } else {
            MeProfileStartSectionFn("ppt", 0);
            int missing = 0;
            for (int c = 0; c < nc; ++c) {
                const int k = clampedList[c];
                if (!m->cached[k]) {
                    uncached[missing++] = k;
                    m->cached[k] = 1;
                }
            }
            m->solveUnits(uncached, missing);
            for (int r = 0; r < nc; ++r)
                for (int c = 0; c < nc; ++c)
                    m->Q[r * np + c] = m->Ainv[clampedList[c] * np + clampedList[r]];
            for (int r = 0; r < nc; ++r)
                m->Qrhs[r] = cv[r] - x0[clampedList[r]];
            m->factorQ(m->Q, nc);
            m->solveQ(m->Q, m->Qrhs, nc);
            keaIntermediateFloats("make lambda rhs", m->Qrhs, nc);
            std::copy(x0, x0 + np, x);
            const bool trace = keaIntermediateIsOpen();
            for (int c = 0; c < nc; ++c) {
                const float* col = m->Ainv + clampedList[c] * np;
                const float y = m->Qrhs[c];
                for (int i = 0; i < np; ++i)
                    x[i] += col[i] * y;
                if (trace) {
                    char key[48];
                    std::snprintf(key, sizeof key, "solveresults %d", c);
                    keaIntermediateFloats(key, col, np);
                    std::snprintf(key, sizeof key, "x %d (%d)", c, clampedList[c]);
                    keaIntermediateFloats(key, x, np);
                }
            }
            std::fill(w, w + np, 0.0f);
            for (int c = 0; c < nc; ++c) {
                x[clampedList[c]] = cv[c];
                w[clampedList[c]] = m->Qrhs[c];
            }
            MeProfileEndSectionFn("ppt");
        }
        keaIntermediateFloats("X", x, np);
        keaIntermediateFloats("w", w, np);

        auto wants = [&](int i) {
            if (state[i] == 0)
                return x[i] < lo[i] ? 1 : (x[i] > hi[i] ? 2 : 0);
            if (state[i] == 1 && w[i] < -ResidualTolerance)
                return 0;
            if (state[i] == 2 && w[i] > ResidualTolerance)
                return 0;
            return state[i];
        };
        bool changed = false;
        if (!fallback) {
            for (int i = 0; i < np; ++i) {
                const int next = wants(i);
                if (next != state[i]) {
                    state[i] = next;
                    changed = true;
                }
            }
        } else {
            for (int s = 0; s < keptRows && !changed; ++s) {
                const int i = order[s];
                const int next = wants(i);
                if (next != state[i]) {
                    state[i] = next;
                    changed = true;
                }
            }
        }
        if (!changed) {
            result = counter;
            break;
        }
        ++counter;
        if (counter >= maxIterations) {
            result = counter;
            break;
        }
    }
    keaPoolPopMark();
    return result;
}
