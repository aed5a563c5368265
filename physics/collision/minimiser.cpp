// Conjugate-gradient minimisation (Polak-Ribiere) with a derivative line search.
//
// Each outer iteration minimises f along the current direction h, then builds the next
// direction from the new steepest descent xi = -grad f: h' = xi + gamma h with
// gamma = ((xi - xi_old) . xi) / |xi_old|^2, which restarts itself (gamma near 0) when the
// search stalls. The search stops when an iteration improves f by less than the relative
// tolerance, or the gradient vanishes.
//
// The line search brackets a minimum of f(t) = f(p + t h) by downhill steps that grow by
// the golden ratio, with parabolic extrapolation limited to 100 times the last step, then
// narrows it with Brent's method using f'(t) = grad f(p + t h) . h: secant steps on the
// derivative where they fall well inside the bracket, bisection towards the side where the
// derivative points otherwise. Both loops are capped.

#include "physics/collision/minimiser.h"

#include <cmath>

namespace {

struct SearchState {
    MeReal point[kMeMinimizeMaxVariables] = {};
    MeReal direction[kMeMinimizeMaxVariables] = {};
    int n = 0;
    MeMinimizeFn f = nullptr;
    MeMinimizeGradientFn g = nullptr;
};

SearchState gSearch;

void Along(MeReal* out, MeReal t)
{
    for (int i = 0; i < gSearch.n; ++i)
        out[i] = gSearch.point[i] + t * gSearch.direction[i];
}

MeReal LineValue(MeReal t)
{
    MeReal x[kMeMinimizeMaxVariables];
    Along(x, t);
    return gSearch.f(x);
}

MeReal LineSlope(MeReal t)
{
    MeReal x[kMeMinimizeMaxVariables], grad[kMeMinimizeMaxVariables];
    Along(x, t);
    gSearch.g(grad, x);
    MeReal s = 0;
    for (int i = 0; i < gSearch.n; ++i)
        s += grad[i] * gSearch.direction[i];
    return s;
}

constexpr MeReal kGolden = 1.618034f;
constexpr MeReal kGrowLimit = 100.0f;
constexpr MeReal kTiny = 1e-20f;
constexpr int kBracketIterations = 200;

}  // namespace

void MeBracketMinimum(MeReal* a, MeReal* b, MeReal* c, MeReal* fa, MeReal* fb, MeReal* fc, MeLineFn f)
{
    *fa = f(*a);
    *fb = f(*b);
    if (*fb > *fa) {
        MeReal t = *a;
        *a = *b, *b = t;
        t = *fa;
        *fa = *fb, *fb = t;
    }
    *c = *b + kGolden * (*b - *a);
    *fc = f(*c);
    for (int it = 0; it < kBracketIterations && *fb > *fc; ++it) {
        // Parabola through a, b, c; its vertex u.
        const MeReal r = (*b - *a) * (*fb - *fc);
        const MeReal q = (*b - *c) * (*fb - *fa);
        MeReal denom = q - r;
        if (std::fabs(denom) < kTiny)
            denom = denom >= 0 ? kTiny : -kTiny;
        MeReal u = *b - ((*b - *c) * q - (*b - *a) * r) / (2 * denom);
        const MeReal ulim = *b + kGrowLimit * (*c - *b);
        MeReal fu;
        if ((*b - u) * (u - *c) > 0) {
            // Vertex between b and c.
            fu = f(u);
            if (fu < *fc) {
                *a = *b, *fa = *fb;
                *b = u, *fb = fu;
                return;
            }
            if (fu > *fb) {
                *c = u, *fc = fu;
                return;
            }
            u = *c + kGolden * (*c - *b);
            fu = f(u);
        } else if ((*c - u) * (u - ulim) > 0) {
            // Vertex beyond c, within the limit.
            fu = f(u);
            if (fu < *fc) {
                *b = *c, *c = u;
                u = *c + kGolden * (*c - *b);
                *fb = *fc, *fc = fu;
                fu = f(u);
            }
        } else if ((u - ulim) * (ulim - *c) >= 0) {
            u = ulim;
            fu = f(u);
        } else {
            u = *c + kGolden * (*c - *b);
            fu = f(u);
        }
        *a = *b, *b = *c, *c = u;
        *fa = *fb, *fb = *fc, *fc = fu;
    }
}

MeReal MeLineSearchWithDerivative(MeReal* xmin, MeReal ax, MeReal bx, MeReal cx, MeLineFn f, MeLineFn df,
                                  MeReal tolerance)
{
    constexpr int kIterations = 100;
    constexpr MeReal kFloor = 1e-10f;
    MeReal a = ax < cx ? ax : cx;
    MeReal b = ax > cx ? ax : cx;
    MeReal x = bx, w = bx, v = bx;
    MeReal fx = f(x), fw = fx, fv = fx;
    MeReal dx = df(x), dw = dx, dv = dx;
    MeReal d = 0, e = 0;
    for (int it = 0; it < kIterations; ++it) {
        const MeReal mid = 0.5f * (a + b);
        const MeReal tol1 = tolerance * std::fabs(x) + kFloor;
        const MeReal tol2 = 2 * tol1;
        if (std::fabs(x - mid) <= tol2 - 0.5f * (b - a))
            break;
        bool bisect = true;
        if (std::fabs(e) > tol1) {
            // Secant steps on the derivative through (x, w) and (x, v); take the smaller
            // acceptable one.
            MeReal d1 = 2 * (b - a), d2 = d1;
            if (dw != dx)
                d1 = (w - x) * dx / (dx - dw);
            if (dv != dx)
                d2 = (v - x) * dx / (dx - dv);
            const MeReal u1 = x + d1, u2 = x + d2;
            const bool ok1 = (a - u1) * (u1 - b) > 0 && dx * d1 <= 0;
            const bool ok2 = (a - u2) * (u2 - b) > 0 && dx * d2 <= 0;
            const MeReal olde = e;
            e = d;
            if (ok1 || ok2) {
                d = (ok1 && ok2) ? (std::fabs(d1) < std::fabs(d2) ? d1 : d2) : (ok1 ? d1 : d2);
                if (std::fabs(d) <= std::fabs(0.5f * olde)) {
                    const MeReal u = x + d;
                    if (u - a < tol2 || b - u < tol2)
                        d = mid - x >= 0 ? std::fabs(tol1) : -std::fabs(tol1);
                    bisect = false;
                }
            }
        }
        if (bisect) {
            e = dx >= 0 ? a - x : b - x;
            d = 0.5f * e;
        }
        MeReal u, fu;
        if (std::fabs(d) >= tol1) {
            u = x + d;
            fu = f(u);
        } else {
            u = x + (d >= 0 ? std::fabs(tol1) : -std::fabs(tol1));
            fu = f(u);
            if (fu > fx)
                break;  // a minimal step uphill: x is the minimum
        }
        const MeReal du = df(u);
        if (fu <= fx) {
            if (u >= x)
                a = x;
            else
                b = x;
            v = w, fv = fw, dv = dw;
            w = x, fw = fx, dw = dx;
            x = u, fx = fu, dx = du;
        } else {
            if (u < x)
                a = u;
            else
                b = u;
            if (fu <= fw || w == x) {
                v = w, fv = fw, dv = dw;
                w = u, fw = fu, dw = du;
            } else if (fu < fv || v == x || v == w) {
                v = u, fv = fu, dv = du;
            }
        }
    }
    *xmin = x;
    return fx;
}

void MeLineMinimize(int n, MeReal* point, const MeReal* direction, MeReal tolerance, MeMinimizeFn f,
                    MeMinimizeGradientFn g)
{
    if (n < 1 || n > kMeMinimizeMaxVariables || !f || !g)
        return;
    gSearch.n = n;
    gSearch.f = f;
    gSearch.g = g;
    for (int i = 0; i < n; ++i) {
        gSearch.point[i] = point[i];
        gSearch.direction[i] = direction[i];
    }
    MeReal a = 0, b = 1, c, fa, fb, fc, t;
    MeBracketMinimum(&a, &b, &c, &fa, &fb, &fc, LineValue);
    MeLineSearchWithDerivative(&t, a, b, c, LineValue, LineSlope, tolerance);
    for (int i = 0; i < n; ++i)
        point[i] += t * direction[i];
}

MeReal MeMinimizeConjugateGradient(int n, MeReal* point, MeReal lineTolerance, MeReal tolerance, MeMinimizeFn f,
                                   MeMinimizeGradientFn g)
{
    if (!f)
        return 0;
    if (n < 1 || n > kMeMinimizeMaxVariables || !g)
        return f(point);
    constexpr int kIterations = 100;
    MeReal gv[kMeMinimizeMaxVariables], hv[kMeMinimizeMaxVariables], xi[kMeMinimizeMaxVariables];
    MeReal fp = f(point);
    g(xi, point);
    for (int i = 0; i < n; ++i) {
        gv[i] = -xi[i];
        hv[i] = xi[i] = gv[i];
    }
    MeReal fret = fp;
    for (int it = 0; it < kIterations; ++it) {
        MeLineMinimize(n, point, xi, lineTolerance, f, g);
        fret = f(point);
        if (2 * std::fabs(fret - fp) <= tolerance * (std::fabs(fp) + std::fabs(fret) + 1e-10f))
            break;
        fp = fret;
        g(xi, point);
        MeReal gg = 0, dgg = 0;
        for (int i = 0; i < n; ++i) {
            gg += gv[i] * gv[i];
            dgg += (xi[i] + gv[i]) * xi[i];
        }
        if (gg == 0)
            break;
        const MeReal gamma = dgg / gg;
        for (int i = 0; i < n; ++i) {
            gv[i] = -xi[i];
            hv[i] = gv[i] + gamma * hv[i];
            xi[i] = hv[i];
        }
    }
    return fret;
}
