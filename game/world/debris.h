#pragma once
/// DEBRISFIELD and DEBRIS: the tumbling pieces a destroyed object throws. A field throws all its
/// kPieces pieces in one burst kFirstBurst seconds after it is made: each leaves from a point up
/// to kOffset from the field's centre in x and y, in a random direction at kSpeedMin to
/// kSpeedMax, spinning at up to kSpin radians per second about each axis. A piece removes
/// itself after its lifetime (kLifeMin to kLifeMax seconds); the field removes itself once its
/// last piece is gone.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"
#include "game/world/damageable.h"

class QNRESOURCES;

class DEBRIS : public GAMENODE {
public:
    static constexpr std::int32_t kStationMeshes = 12;
    static constexpr std::int32_t kShipMeshes = 6;
    static constexpr float kLifeMin = 2.0f;
    static constexpr float kLifeMax = 5.0f;

    /// Piece `mesh` of the debris set of `kind` under `field`, waiting to be thrown.
    DEBRIS(QNNODE* field, DEBRISKIND kind, std::int32_t mesh);
    /// Removes the piece once its age reaches its lifetime.
    void Update() override;
    /// Sends the piece off from `at` with `velocity` and `spin`.
    void Launch(const QNMATRIX& at, const QNVEC3& velocity, const QNVEC3& spin);

    /// Number of meshes of the debris set of `kind` (0 for other kinds).
    static std::int32_t MeshCount(DEBRISKIND kind);

    float Lifetime = 0.0f;
    bool Thrown = false;
    QNTIMER Age;
};

class DEBRISFIELD : public GAMENODE {
public:
    static constexpr std::int32_t kPieces = 20;
    static constexpr double kFirstBurst = 0.001;
    static constexpr float kSpeedMin = 5.0f;
    static constexpr float kSpeedMax = 10.0f;
    static constexpr float kSpin = 20.0f;
    static constexpr float kOffset = 1.5f;

    DEBRISFIELD(QNNODE* parent, DEBRISKIND kind, const QNMATRIX* transform);
    /// Throws the pieces when the burst is due; removes the field once they are all gone.
    void Update() override;

    /// Registers the debris media (with the station's media).
    static void RegisterMedia(QNRESOURCES& resources);

    bool Thrown = false;
    QNTIMER Clock;
};
