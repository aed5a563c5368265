#include "game/world/game_frames.h"

namespace gameframes {

QNMATRIX Translate(float x, float y, float z)
{
    QNMATRIX m;
    m.SetTranslation(x, y, z);
    return m;
}

QNMATRIX TurnX(float degrees)
{
    QNMATRIX m;
    m.SetRotationX(Radians(degrees));
    return m;
}

QNMATRIX TurnY(float degrees)
{
    QNMATRIX m;
    m.SetRotationY(Radians(degrees));
    return m;
}

namespace {

// The elevation of a cube's space diagonal above a face: atan(1 / sqrt 2).
constexpr float kDiagonal = 35.264389f;
constexpr float kCube = 200.0f;

}  // namespace

const std::array<QNMATRIX, 4>& SiteFrames()
{
    static const std::array<QNMATRIX, 4> frames = {Translate(2000, 0, 0), Translate(0, 0, 2000), Translate(-2000, 0, 0), Translate(0, 0, -2000)};
    return frames;
}

const std::array<QNMATRIX, 6>& AntiShipLauncherFrames()
{
    static const std::array<QNMATRIX, 6> frames = [] {
        const float xs[6] = {-4.4f, -3.3f, -2.2f, 2.2f, 3.3f, 4.4f};
        std::array<QNMATRIX, 6> f;
        for (int i = 0; i < 6; ++i)
            f[std::size_t(i)] = Translate(xs[i], 0, 0) * TurnX(-15.0f);
        return f;
    }();
    return frames;
}

const std::array<QNMATRIX, 2>& FlakMuzzleFrames()
{
    static const std::array<QNMATRIX, 2> frames = [] {
        std::array<QNMATRIX, 2> f;
        const float zs[2] = {0.3f, -0.3f};
        for (int i = 0; i < 2; ++i) {
            const QNVEC3 p = QNVEC3::TransformCoord(QNVEC3(0, 0, zs[i]), TurnX(-12.0f));
            f[std::size_t(i)] = Translate(p.x, p.y, p.z);
        }
        return f;
    }();
    return frames;
}

const std::array<QNMATRIX, 8>& CubeCornerFrames()
{
    static const std::array<QNMATRIX, 8> frames = [] {
        struct Corner {
            float a, b, x, y, z;
        };
        const Corner corners[8] = {
            {45, -kDiagonal, -kCube, -kCube, -kCube},  {-45, -kDiagonal, kCube, -kCube, -kCube},
            {-45, kDiagonal, kCube, kCube, -kCube},    {45, kDiagonal, -kCube, kCube, -kCube},
            {135, -kDiagonal, -kCube, -kCube, kCube},  {-135, -kDiagonal, kCube, -kCube, kCube},
            {-135, kDiagonal, kCube, kCube, kCube},    {135, kDiagonal, -kCube, kCube, kCube}};
        std::array<QNMATRIX, 8> f;
        for (int i = 0; i < 8; ++i) {
            const Corner& c = corners[i];
            f[std::size_t(i)] = TurnX(c.b) * TurnY(c.a) * Translate(c.x, c.y, c.z);
        }
        return f;
    }();
    return frames;
}

}  // namespace gameframes
