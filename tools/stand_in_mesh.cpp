// Stand-in meshes.
//
// Every shape is assembled from a few primitives (boxes, cylinders, cones, spheres, quads) in a
// rough unit frame and then fitted to the entry's box: each axis is mapped linearly onto
// [Min, Max], so the mesh's bounding box is exactly the box the manifest gives and connectors
// computed from that box sit on its faces.
//
// Winding: Direct3D's left-handed frame with clockwise front faces. For a triangle (a, b, c)
// seen from its front, (b - a) x (c - a) (the usual component formula) points towards the viewer,
// so every triangle is added with a hint of its outward direction and its corners are swapped
// when the cross product disagrees; vertex normals are taken from the same hint. Axis scalings
// by positive factors keep that orientation, and normals are carried through them by the inverse
// scale.
//
// Texture coordinates are planar, chosen per vertex by the dominant axis of its normal, with
// v = 0 at the top of the picture.

#include "physics/dynamics/me_random.h"
#include "tools/media_formats.h"
#include "tools/stand_in.h"

#include <array>
#include <cmath>

namespace {

using V3 = std::array<float, 3>;

V3 Add(V3 a, V3 b) { return {a[0] + b[0], a[1] + b[1], a[2] + b[2]}; }
V3 Sub(V3 a, V3 b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
V3 Mul(V3 a, float s) { return {a[0] * s, a[1] * s, a[2] * s}; }
float Dot(V3 a, V3 b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
V3 Cross(V3 a, V3 b) { return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]}; }
V3 Unit(V3 a) {
    float l = std::sqrt(Dot(a, a));
    return l > 0.0f ? Mul(a, 1.0f / l) : V3{0, 0, 0};
}

constexpr float kPi = 3.14159265358979f;

// Rotation about one axis (0 x, 1 y, 2 z) applied to a point.
V3 Turn(V3 p, int axis, float angle) {
    float c = std::cos(angle), s = std::sin(angle);
    int i = (axis + 1) % 3, j = (axis + 2) % 3;
    V3 r = p;
    r[i] = p[i] * c - p[j] * s;
    r[j] = p[i] * s + p[j] * c;
    return r;
}

struct Builder {
    struct Vert {
        V3 p, n;
    };
    std::vector<Vert> verts;
    std::vector<std::uint16_t> idx;

    // Optional placement applied to everything added: rotate about `axis` then move.
    int turnAxis = -1;
    float turnAngle = 0.0f;
    V3 offset{0, 0, 0};

    V3 Place(V3 p) const { return Add(turnAxis >= 0 ? Turn(p, turnAxis, turnAngle) : p, offset); }
    V3 PlaceN(V3 n) const { return turnAxis >= 0 ? Turn(n, turnAxis, turnAngle) : n; }

    std::uint16_t Vertex(V3 p, V3 n) {
        verts.push_back({Place(p), Unit(PlaceN(n))});
        return static_cast<std::uint16_t>(verts.size() - 1);
    }

    // Triangle with its own corners (flat shading), front towards `out`.
    void Tri(V3 a, V3 b, V3 c, V3 out) {
        V3 n = Cross(Sub(b, a), Sub(c, a));
        if (Dot(n, out) < 0.0f) std::swap(b, c);
        V3 fn = Unit(Cross(Sub(b, a), Sub(c, a)));
        std::uint16_t ia = Vertex(a, fn), ib = Vertex(b, fn), ic = Vertex(c, fn);
        idx.insert(idx.end(), {ia, ib, ic});
    }

    // Triangle over shared corners (smooth shading), front towards the mean of their normals.
    void TriShared(std::uint16_t a, std::uint16_t b, std::uint16_t c) {
        V3 out = Add(Add(verts[a].n, verts[b].n), verts[c].n);
        V3 n = Cross(Sub(verts[b].p, verts[a].p), Sub(verts[c].p, verts[a].p));
        if (Dot(n, out) < 0.0f) std::swap(b, c);
        idx.insert(idx.end(), {a, b, c});
    }

    // Quad a-b-c-d around its rim.
    void Quad(V3 a, V3 b, V3 c, V3 d, V3 out) {
        Tri(a, b, c, out);
        Tri(a, c, d, out);
    }

    void Box(V3 lo, V3 hi) {
        for (int axis = 0; axis < 3; ++axis) {
            int i = (axis + 1) % 3, j = (axis + 2) % 3;
            for (int side = 0; side < 2; ++side) {
                V3 out{0, 0, 0};
                out[axis] = side ? 1.0f : -1.0f;
                V3 c[4];
                for (int k = 0; k < 4; ++k) {
                    c[k][axis] = side ? hi[axis] : lo[axis];
                    c[k][i] = (k == 1 || k == 2) ? hi[i] : lo[i];
                    c[k][j] = (k >= 2) ? hi[j] : lo[j];
                }
                Quad(c[0], c[1], c[2], c[3], out);
            }
        }
    }

    // Frustum along `axis` from radius r0 at a0 to r1 at a1, centred on (cu, cv) in the next two
    // axes (y, z for x; z, x for y; x, y for z); caps closed where the radius is above zero. `inward` turns the fronts inside.
    void Frustum(int axis, float a0, float a1, float r0, float r1, int seg, bool caps, bool inward = false,
                 float cu = 0.0f, float cv = 0.0f) {
        int i = (axis + 1) % 3, j = (axis + 2) % 3;
        auto at = [&](float along, float r, int k) {
            float t = 2.0f * kPi * static_cast<float>(k % seg) / static_cast<float>(seg);
            V3 p{0, 0, 0};
            p[axis] = along;
            p[i] = cu + r * std::cos(t);
            p[j] = cv + r * std::sin(t);
            return p;
        };
        float slope = (r0 - r1) / (a1 - a0);  // radial normal tilts along the axis
        std::vector<std::uint16_t> ring0, ring1;
        for (int k = 0; k < seg; ++k) {
            V3 p0 = at(a0, r0, k), p1 = at(a1, r1, k);
            V3 n{0, 0, 0};
            float t = 2.0f * kPi * static_cast<float>(k) / static_cast<float>(seg);
            n[i] = std::cos(t);
            n[j] = std::sin(t);
            n[axis] = slope;
            if (inward) n = Mul(n, -1.0f);
            ring0.push_back(Vertex(p0, n));
            ring1.push_back(Vertex(p1, n));
        }
        for (int k = 0; k < seg; ++k) {
            int k1 = (k + 1) % seg;
            if (r0 > 0.0f) TriShared(ring0[k], ring1[k], ring0[k1]);
            if (r1 > 0.0f) TriShared(ring0[k1], ring1[k], ring1[k1]);
            if (r0 <= 0.0f) TriShared(ring1[k], ring1[k1], ring0[k]);
        }
        if (caps) {
            for (int end = 0; end < 2; ++end) {
                float along = end ? a1 : a0;
                float r = end ? r1 : r0;
                if (r <= 0.0f) continue;
                V3 out{0, 0, 0};
                out[axis] = ((end ? a1 > a0 : a0 > a1) ? 1.0f : -1.0f) * (inward ? -1.0f : 1.0f);
                V3 centre{0, 0, 0};
                centre[axis] = along;
                centre[i] = cu;
                centre[j] = cv;
                for (int k = 0; k < seg; ++k) Tri(centre, at(along, r, k), at(along, r, k + 1), out);
            }
        }
    }

    // Sphere of `rings` x `seg` with a radius factor as a function of the unit direction: one
    // vertex at each pole, `seg` on every ring between.
    template <class F>
    void Sphere(V3 c, float radius, int seg, int rings, F&& radiusAt) {
        std::vector<V3> pos;
        auto dirOf = [&](int r, int k) {
            float phi = kPi * static_cast<float>(r) / static_cast<float>(rings);
            float t = 2.0f * kPi * static_cast<float>(k) / static_cast<float>(seg);
            return V3{std::sin(phi) * std::cos(t), std::cos(phi), std::sin(phi) * std::sin(t)};
        };
        pos.push_back(Add(c, Mul(V3{0, 1, 0}, radius * radiusAt(V3{0, 1, 0}))));
        for (int r = 1; r < rings; ++r)
            for (int k = 0; k < seg; ++k) {
                V3 d = dirOf(r, k);
                pos.push_back(Add(c, Mul(d, radius * radiusAt(d))));
            }
        pos.push_back(Add(c, Mul(V3{0, -1, 0}, radius * radiusAt(V3{0, -1, 0}))));
        const int last = static_cast<int>(pos.size()) - 1;
        auto ring = [&](int r, int k) { return 1 + (r - 1) * seg + (k % seg); };
        std::vector<std::array<int, 3>> tris;
        for (int k = 0; k < seg; ++k) {
            tris.push_back({0, ring(1, k), ring(1, k + 1)});
            tris.push_back({last, ring(rings - 1, k), ring(rings - 1, k + 1)});
            for (int r = 1; r + 1 < rings; ++r) {
                tris.push_back({ring(r, k), ring(r, k + 1), ring(r + 1, k + 1)});
                tris.push_back({ring(r, k), ring(r + 1, k + 1), ring(r + 1, k)});
            }
        }
        std::vector<V3> nrm(pos.size(), V3{0, 0, 0});
        for (auto& t : tris) {
            V3 n = Cross(Sub(pos[t[1]], pos[t[0]]), Sub(pos[t[2]], pos[t[0]]));
            V3 mid = Mul(Add(Add(pos[t[0]], pos[t[1]]), pos[t[2]]), 1.0f / 3.0f);
            if (Dot(n, Sub(mid, c)) < 0.0f) n = Mul(n, -1.0f);
            for (int v : t) nrm[v] = Add(nrm[v], n);
        }
        std::vector<std::uint16_t> id;
        for (std::size_t v = 0; v < pos.size(); ++v) id.push_back(Vertex(pos[v], nrm[v]));
        for (auto& t : tris) TriShared(id[t[0]], id[t[1]], id[t[2]]);
    }

    void Sphere(V3 c, float radius, int seg, int rings) {
        Sphere(c, radius, seg, rings, [](V3) { return 1.0f; });
    }

    // Two-sided quad: both faces, so it shows from either side.
    void Card(V3 a, V3 b, V3 c, V3 d) {
        V3 n = Cross(Sub(b, a), Sub(c, a));
        Quad(a, b, c, d, n);
        Quad(a, b, c, d, Mul(n, -1.0f));
    }

    // Prism of a convex outline in the x-z plane between heights y0 and y1.
    void Slab(const std::vector<V3>& outline, float y0, float y1) {
        V3 centre{0, 0, 0};
        for (const V3& p : outline) centre = Add(centre, p);
        centre = Mul(centre, 1.0f / static_cast<float>(outline.size()));
        std::size_t n = outline.size();
        for (std::size_t k = 0; k < n; ++k) {
            V3 a = outline[k], b = outline[(k + 1) % n];
            V3 a0{a[0], y0, a[2]}, a1{a[0], y1, a[2]}, b0{b[0], y0, b[2]}, b1{b[0], y1, b[2]};
            V3 c0{centre[0], y0, centre[2]}, c1{centre[0], y1, centre[2]};
            Tri(c1, a1, b1, V3{0, 1, 0});
            Tri(c0, a0, b0, V3{0, -1, 0});
            V3 edge = Sub(b, a);
            V3 out{edge[2], 0, -edge[0]};
            if (Dot(out, Sub(a, centre)) < 0.0f) out = Mul(out, -1.0f);
            Quad(a0, b0, b1, a1, out);
        }
    }

    void ResetPlacement() {
        turnAxis = -1;
        turnAngle = 0.0f;
        offset = {0, 0, 0};
    }
};

float Hash01(std::uint32_t x) {
    x ^= x >> 16;
    x *= 0x7feb352dU;
    x ^= x >> 15;
    x *= 0x846ca68bU;
    x ^= x >> 16;
    return static_cast<float>(x & 0xFFFFFF) / 16777215.0f;
}

// Smooth lumpiness: a sum of a few bumps in random directions.
struct Lumps {
    V3 dir[6];
    float amp[6];
    explicit Lumps(std::uint32_t seed, float strength) {
        MeRandomGenerator g;
        g.state = seed;
        auto r = [&] { return static_cast<float>(g.Next()) / static_cast<float>(MeRANDOM_MAX); };
        for (int i = 0; i < 6; ++i) {
            dir[i] = Unit(V3{r() * 2 - 1, r() * 2 - 1, r() * 2 - 1});
            if (Dot(dir[i], dir[i]) == 0.0f) dir[i] = {0, 1, 0};
            amp[i] = (r() * 2 - 1) * strength;
        }
    }
    float operator()(V3 d) const {
        float s = 1.0f;
        for (int i = 0; i < 6; ++i) {
            float c = Dot(d, dir[i]);
            s += amp[i] * c * c * c * c;
        }
        return std::max(0.4f, s);
    }
};

void BuildShape(Builder& b, QNMESHLOOK look, int member, std::uint32_t seed) {
    switch (look) {
    case QNMESHLOOK::BLOCK:
        b.Box({-1, -1, -1}, {1, 0.8f, 1});
        b.Box({-0.6f, 0.8f, -0.6f}, {0.6f, 1, 0.6f});
        break;
    case QNMESHLOOK::BEAM:
        b.Box({-1, -1, -1}, {-0.94f, 1, 1});
        b.Box({0.94f, -1, -1}, {1, 1, 1});
        for (int sy = -1; sy <= 1; sy += 2)
            for (int sz = -1; sz <= 1; sz += 2)
                b.Box({-0.94f, sy < 0 ? -0.9f : 0.65f, sz < 0 ? -0.9f : 0.65f},
                      {0.94f, sy < 0 ? -0.65f : 0.9f, sz < 0 ? -0.65f : 0.9f});
        b.Box({-0.3f, -0.75f, -0.75f}, {-0.25f, 0.75f, 0.75f});
        b.Box({0.25f, -0.75f, -0.75f}, {0.3f, 0.75f, 0.75f});
        break;
    case QNMESHLOOK::JOINT:
        b.Box({-0.7f, -0.7f, -0.7f}, {0.7f, 0.7f, 0.7f});
        for (int axis = 0; axis < 3; ++axis)
            for (int side = -1; side <= 1; side += 2) {
                V3 lo{-0.5f, -0.5f, -0.5f}, hi{0.5f, 0.5f, 0.5f};
                lo[axis] = side < 0 ? -1.0f : 0.7f;
                hi[axis] = side < 0 ? -0.7f : 1.0f;
                b.Box(lo, hi);
            }
        break;
    case QNMESHLOOK::PLATE:
        b.Box({-1, -1, -1}, {1, 1, 1});
        break;
    case QNMESHLOOK::CYLINDER:
        // Members of a series carry member + 1 ribs, so stacked parts tell apart.
        b.Frustum(1, -1, 1, 0.9f, 0.9f, 16, true);
        for (int r = 0; r <= member; ++r) {
            float y = -0.8f + 1.6f * (static_cast<float>(r) + 0.5f) / static_cast<float>(member + 1);
            b.Frustum(1, y - 0.06f, y + 0.06f, 1.0f, 1.0f, 16, true);
        }
        break;
    case QNMESHLOOK::MISSILE:
        b.Frustum(2, -1, 0.4f, 0.45f, 0.45f, 12, true);
        b.Frustum(2, 0.4f, 1, 0.45f, 0.0f, 12, false);
        b.Box({-1, -0.04f, -1}, {1, 0.04f, -0.6f});
        b.Box({-0.04f, -1, -1}, {0.04f, 1, -0.6f});
        break;
    case QNMESHLOOK::ROCK:
        b.Sphere({0, 0, 0}, 1.0f, 14, 9, Lumps(seed, 0.45f + 0.05f * static_cast<float>(member % 3)));
        break;
    case QNMESHLOOK::CRYSTAL: {
        Builder tmp;
        int seg = 5 + member;
        float twist = Hash01(seed) * kPi;
        for (int k = 0; k < seg; ++k) {
            float t0 = twist + 2 * kPi * static_cast<float>(k) / static_cast<float>(seg);
            float t1 = twist + 2 * kPi * static_cast<float>(k + 1) / static_cast<float>(seg);
            V3 p0{std::cos(t0), 0, std::sin(t0)}, p1{std::cos(t1), 0, std::sin(t1)};
            V3 top{0, 1, 0}, bottom{0, -1, 0};
            V3 mid = Mul(Add(p0, p1), 0.5f);
            b.Tri(p0, p1, top, Add(mid, V3{0, 0.5f, 0}));
            b.Tri(p0, p1, bottom, Add(mid, V3{0, -0.5f, 0}));
        }
        break;
    }
    case QNMESHLOOK::DEBRIS: {
        float bend = 0.3f + 0.9f * Hash01(seed + 17u * static_cast<std::uint32_t>(member));
        b.Box({-1, -0.1f, -1}, {0, 0.1f, 1});
        b.turnAxis = 2;
        b.turnAngle = bend;
        b.Box({0, -0.1f, -0.7f}, {0.9f, 0.1f, 0.7f});
        b.ResetPlacement();
        break;
    }
    case QNMESHLOOK::SHIP:
        // Fuselage and nose along +z, swept wings with engine pods at their tips (where the
        // engine glows sit) and gun barrels forward of the pods, a canopy bubble and a tail fin.
        b.Frustum(2, -1.0f, 0.45f, 0.3f, 0.28f, 8, true);
        b.Frustum(2, 0.45f, 1.0f, 0.28f, 0.0f, 8, false);
        b.Sphere({0, 0.26f, 0.25f}, 0.17f, 10, 6);
        b.Slab({{0.2f, 0, 0.2f}, {0.2f, 0, -0.75f}, {0.7f, 0, -0.85f}, {0.7f, 0, -0.35f}}, -0.06f, 0.06f);
        b.Slab({{-0.2f, 0, 0.2f}, {-0.7f, 0, -0.35f}, {-0.7f, 0, -0.85f}, {-0.2f, 0, -0.75f}}, -0.06f, 0.06f);
        for (float x : {0.7f, -0.7f}) {
            b.Frustum(2, -1.0f, -0.3f, 0.2f, 0.2f, 10, true, false, x, -0.1f);
            b.Frustum(2, -0.3f, 0.6f, 0.05f, 0.05f, 6, true, false, x, -0.1f);
        }
        b.turnAxis = 2;
        b.turnAngle = kPi / 2;
        b.Slab({{0.25f, 0, -0.55f}, {0.25f, 0, -1.0f}, {1.0f, 0, -1.0f}, {1.0f, 0, -0.85f}}, -0.04f, 0.04f);
        b.ResetPlacement();
        b.Box({-0.05f, -1.0f, -0.7f}, {0.05f, -0.28f, -0.5f});
        break;
    case QNMESHLOOK::RAIDER:
        // Wedge hull with three engines at the back, two high and one low.
        b.Slab({{0.0f, 0, 1.0f}, {-0.9f, 0, -0.6f}, {-0.7f, 0, -0.8f}, {0.7f, 0, -0.8f}, {0.9f, 0, -0.6f}}, -0.35f, 0.3f);
        b.Box({-0.3f, 0.3f, -0.5f}, {0.3f, 0.6f, 0.3f});
        for (V3 e : {V3{0.35f, 0.55f, 0}, V3{-0.35f, 0.55f, 0}, V3{0.0f, -0.4f, 0}})
            b.Frustum(2, -1.0f, -0.3f, 0.22f, 0.22f, 10, true, false, e[0], e[1]);
        b.Box({-0.05f, -1.0f, -0.2f}, {0.05f, -0.35f, 0.4f});
        b.Box({-0.05f, 0.6f, -0.6f}, {0.05f, 1.0f, -0.2f});
        break;
    case QNMESHLOOK::FREIGHTER:
        // Cargo hull with an open hold amidships (the door leaves close it from above, the pods
        // sit on its deck), bridge on top at the front, engine block and three nozzles at the back.
        b.Box({-0.85f, -0.8f, 0.76f}, {0.85f, 0.75f, 0.9f});
        b.Box({-0.85f, -0.8f, -0.85f}, {0.85f, 0.75f, -0.23f});
        b.Box({-0.85f, -0.8f, -0.23f}, {0.85f, -0.69f, 0.76f});
        b.Box({-0.85f, -0.69f, -0.23f}, {-0.75f, 0.48f, 0.76f});
        b.Box({0.75f, -0.69f, -0.23f}, {0.85f, 0.48f, 0.76f});
        b.Box({-0.5f, 0.75f, 0.55f}, {0.5f, 1.0f, 0.85f});
        b.Frustum(2, 0.9f, 1.0f, 0.6f, 0.3f, 12, true);
        b.Box({-1.0f, -0.9f, -0.92f}, {1.0f, 0.5f, -0.85f});
        b.Frustum(2, -1.0f, -0.92f, 0.12f, 0.16f, 10, true, false, 0.74f, -0.49f);
        b.Frustum(2, -1.0f, -0.92f, 0.12f, 0.16f, 10, true, false, -0.74f, -0.49f);
        b.Frustum(2, -1.0f, -0.92f, 0.16f, 0.2f, 10, true, false, 0.0f, -0.68f);
        break;
    case QNMESHLOOK::BERTH:
        // The freighter lies along x under the roof, between the back wall and the front posts.
        b.Box({-1, -1, 0.7f}, {1, 1, 1});
        b.Box({-1, 0.6f, -1}, {1, 1, 0.7f});
        for (float x : {-1.0f, 0.8f})
            b.Box({x, -1, -1}, {x + 0.2f, 0.6f, -0.85f});
        b.Box({-0.8f, -1, -1}, {0.8f, -0.85f, -0.85f});
        break;
    case QNMESHLOOK::DOCK:
        b.Box({-1, -1, -1}, {1, -0.75f, 0.85f});
        b.Box({-1, -1, 0.85f}, {1, 1, 1});
        b.Box({-1, -0.75f, -1}, {-0.85f, -0.3f, 0.85f});
        b.Box({0.85f, -0.75f, -1}, {1, -0.3f, 0.85f});
        break;
    case QNMESHLOOK::TOWER:
        b.Box({-0.45f, -1, -0.45f}, {0.45f, 0.55f, 0.45f});
        b.Box({-1, 0.55f, -1}, {1, 1, 1});
        break;
    case QNMESHLOOK::HEADQUARTERS:
        b.Box({-1, -1, -1}, {1, 0.1f, 1});
        b.Frustum(1, 0.1f, 0.8f, 0.5f, 0.35f, 12, true);
        b.Box({-0.05f, 0.8f, -0.05f}, {0.05f, 1, 0.05f});
        break;
    case QNMESHLOOK::GENERATOR:
        b.Frustum(1, -1, 0.6f, 1, 1, 16, true);
        b.Box({-0.7f, 0.6f, -0.7f}, {0.7f, 1, 0.7f});
        break;
    case QNMESHLOOK::RING:
        for (int k = 0; k < 12; ++k) {
            b.turnAxis = 1;
            b.turnAngle = 2 * kPi * static_cast<float>(k) / 12.0f;
            b.Box({0.7f, -1, -0.27f}, {1.0f, 1, 0.27f});
        }
        b.ResetPlacement();
        b.Frustum(1, -0.6f, 0.6f, 0.25f, 0.25f, 10, true);
        break;
    case QNMESHLOOK::SPHERE:
        b.Sphere({0, 0, 0}, 1.0f, 16, 10);
        break;
    case QNMESHLOOK::TURRET:
        b.Box({-1, -1, -1}, {1, -0.3f, 1});
        b.Frustum(1, -0.3f, 0.5f, 0.6f, 0.6f, 14, true);
        b.Frustum(1, 0.5f, 1.0f, 0.45f, 0.2f, 14, true);
        b.Box({-0.1f, 0.1f, 0.4f}, {0.1f, 0.3f, 0.95f});
        break;
    case QNMESHLOOK::GUNS:
        b.Box({-1, -1, -1}, {1, 1, -0.4f});
        b.Frustum(2, -0.4f, 1.0f, 0.3f, 0.3f, 10, true, false, 0.0f, 0.55f);
        b.Frustum(2, -0.4f, 1.0f, 0.3f, 0.3f, 10, true, false, 0.0f, -0.55f);
        break;
    case QNMESHLOOK::DISH:
        b.Frustum(1, -1, -0.3f, 0.12f, 0.12f, 8, true);
        b.Frustum(1, -0.3f, 1.0f, 0.2f, 1.0f, 16, false);
        b.Frustum(1, -0.3f, 1.0f, 0.2f, 1.0f, 16, false, true);
        break;
    case QNMESHLOOK::ARROW:
        b.Box({-0.35f, -0.35f, -0.4f}, {0.35f, 0.35f, 1.0f});
        b.Frustum(2, -0.4f, -1.0f, 1.0f, 0.0f, 4, true);
        break;
    case QNMESHLOOK::STARS:
        if (member == 1) {
            b.Frustum(1, -1, 1, 1, 1, 24, false, true);
        } else {
            float s = member == 0 ? 1.0f : -1.0f;
            b.Frustum(1, -s, s, 1.0f, 0.35f, 24, false, true);
            V3 top{0, s, 0};
            for (int k = 0; k < 24; ++k) {
                float t0 = 2 * kPi * static_cast<float>(k) / 24.0f, t1 = 2 * kPi * static_cast<float>(k + 1) / 24.0f;
                b.Tri(top, V3{0.35f * std::cos(t0), s, 0.35f * std::sin(t0)},
                      V3{0.35f * std::cos(t1), s, 0.35f * std::sin(t1)}, V3{0, -s, 0});
            }
        }
        break;
    case QNMESHLOOK::CANOPY:
        for (int side = -1; side <= 1; side += 2) {
            b.Box({side * 1.0f - 0.06f, -1, 0.7f}, {side * 1.0f + 0.06f, 0.8f, 0.85f});
            b.Box({side * 0.9f - 0.06f, -1, -1}, {side * 0.9f + 0.06f, 0.9f, -0.85f});
            b.Box({side * 0.95f - 0.05f, 0.8f, -0.9f}, {side * 0.95f + 0.05f, 1.0f, 0.8f});
        }
        b.Box({-1.06f, 0.8f, 0.7f}, {1.06f, 1.0f, 0.85f});
        b.Box({-1.06f, -1.0f, 0.7f}, {1.06f, -0.85f, 1.0f});
        break;
    case QNMESHLOOK::FIGURE:
        b.Sphere({0, 0.78f, 0}, 0.22f, 10, 6);
        b.Box({-0.45f, -0.1f, -0.3f}, {0.45f, 0.55f, 0.3f});
        b.Box({-0.5f, 0.2f, 0.3f}, {0.5f, 0.5f, 1.0f});  // life-support pack
        b.Box({-1.0f, 0.0f, -0.15f}, {-0.5f, 0.5f, 0.15f});
        b.Box({0.5f, 0.0f, -0.15f}, {1.0f, 0.5f, 0.15f});
        b.Box({-0.4f, -1.0f, -0.2f}, {-0.08f, -0.1f, 0.2f});
        b.Box({0.08f, -1.0f, -0.2f}, {0.4f, -0.1f, 0.2f});
        break;
    case QNMESHLOOK::SEAT:
        b.Box({-1, -0.3f, -1}, {1, -0.1f, 0.6f});
        b.Box({-1, -0.3f, 0.6f}, {1, 1, 0.85f});
        b.Frustum(1, -1, -0.3f, 0.35f, 0.35f, 10, true, false, 1.0f, 0.0f);
        b.Box({-0.2f, -0.6f, 0.85f}, {0.2f, 0.8f, 1.0f});
        break;
    case QNMESHLOOK::FLAME:
        b.Card({-1, 0, -1}, {1, 0, -1}, {0.2f, 0, 1}, {-0.2f, 0, 1});
        b.Card({0, -1, -1}, {0, 1, -1}, {0, 0.2f, 1}, {0, -0.2f, 1});
        break;
    case QNMESHLOOK::FLASH:
        b.Card({-1, -1, -1}, {1, -1, -1}, {1, 1, -1}, {-1, 1, -1});
        b.Card({-1, -1, 1}, {1, -1, 1}, {1, 1, 1}, {-1, 1, 1});
        break;
    case QNMESHLOOK::CANISTER:
        b.Frustum(2, -0.85f, 0.85f, 0.9f, 0.9f, 14, true);
        b.Frustum(2, 0.85f, 1.0f, 1.0f, 1.0f, 14, true);
        b.Frustum(2, -1.0f, -0.85f, 1.0f, 1.0f, 14, true);
        break;
    case QNMESHLOOK::PORTAL:
        b.Box({-1, 0.8f, -1}, {1, 1, 1});
        b.Box({-1, -1, -1}, {1, -0.8f, 1});
        b.Box({-1, -0.8f, -1}, {-0.8f, 0.8f, 1});
        b.Box({0.8f, -0.8f, -1}, {1, 0.8f, 1});
        break;
    case QNMESHLOOK::DISCS:
        for (int k = 0; k < 3; ++k) {
            float z0 = -1.0f + static_cast<float>(k) * 0.75f;
            b.Frustum(2, z0, z0 + 0.5f, 1, 1, 16, true);
        }
        break;
    case QNMESHLOOK::MINE:
        b.Sphere({0, 0, 0}, 0.7f, 12, 8);
        for (int axis = 0; axis < 3; ++axis)
            for (int side = -1; side <= 1; side += 2)
                b.Frustum(axis, 0.6f * static_cast<float>(side), 1.0f * static_cast<float>(side), 0.15f, 0.0f, 6, true);
        break;
    case QNMESHLOOK::STREAK:
        b.Card({-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0});
        b.Card({-1, 0, -1}, {1, 0, -1}, {1, 0, 1}, {-1, 0, 1});
        break;
    }
}

}  // namespace

Bytes MakeMesh(const QNMEDIAENTRY& entry, int member) {
    Builder b;
    BuildShape(b, static_cast<QNMESHLOOK>(entry.Look), member, MemberSeed(entry, member));

    // Fit to the entry's box.
    V3 lo{1e30f, 1e30f, 1e30f}, hi{-1e30f, -1e30f, -1e30f};
    for (const auto& v : b.verts)
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], v.p[k]);
            hi[k] = std::max(hi[k], v.p[k]);
        }
    V3 scale{1, 1, 1};
    for (int k = 0; k < 3; ++k) {
        float from = hi[k] - lo[k], to = entry.Max[k] - entry.Min[k];
        scale[k] = from > 0.0f ? to / from : 1.0f;
    }
    std::vector<GbmVertex> out;
    out.reserve(b.verts.size());
    for (const auto& v : b.verts) {
        GbmVertex g{};
        for (int k = 0; k < 3; ++k) {
            float from = hi[k] - lo[k];
            g.Position[k] = from > 0.0f ? entry.Min[k] + (v.p[k] - lo[k]) * scale[k] : 0.5f * (entry.Min[k] + entry.Max[k]);
        }
        V3 n{scale[0] > 0 ? v.n[0] / scale[0] : 0, scale[1] > 0 ? v.n[1] / scale[1] : 0, scale[2] > 0 ? v.n[2] / scale[2] : 0};
        n = Unit(n);
        for (int k = 0; k < 3; ++k) g.Normal[k] = n[k];
        g.Diffuse = entry.Colour;
        out.push_back(g);
    }

    // Drop triangles that the fit made degenerate (and any that were built so).
    std::vector<std::uint16_t> indices;
    for (std::size_t t = 0; t + 2 < b.idx.size(); t += 3) {
        const float* a = out[b.idx[t]].Position;
        const float* c1 = out[b.idx[t + 1]].Position;
        const float* c2 = out[b.idx[t + 2]].Position;
        V3 e1{c1[0] - a[0], c1[1] - a[1], c1[2] - a[2]}, e2{c2[0] - a[0], c2[1] - a[1], c2[2] - a[2]};
        V3 cr = Cross(e1, e2);
        if (0.5f * std::sqrt(Dot(cr, cr)) < 1e-5f) continue;
        indices.insert(indices.end(), {b.idx[t], b.idx[t + 1], b.idx[t + 2]});
    }

    // Planar texture coordinates, v = 0 at the top.
    V3 size{entry.Max[0] - entry.Min[0], entry.Max[1] - entry.Min[1], entry.Max[2] - entry.Min[2]};
    auto rel = [&](const GbmVertex& g, int k) { return size[k] > 0.0f ? (g.Position[k] - entry.Min[k]) / size[k] : 0.5f; };
    for (GbmVertex& g : out) {
        float ax = std::fabs(g.Normal[0]), ay = std::fabs(g.Normal[1]), az = std::fabs(g.Normal[2]);
        if (ay >= ax && ay >= az) {
            g.U = rel(g, 0);
            g.V = g.Normal[1] >= 0.0f ? 1.0f - rel(g, 2) : rel(g, 2);
        } else if (ax >= az) {
            g.U = g.Normal[0] >= 0.0f ? 1.0f - rel(g, 2) : rel(g, 2);
            g.V = 1.0f - rel(g, 1);
        } else {
            g.U = g.Normal[2] >= 0.0f ? 1.0f - rel(g, 0) : rel(g, 0);
            g.V = 1.0f - rel(g, 1);
        }
    }
    return WriteGbm(out, indices);
}
