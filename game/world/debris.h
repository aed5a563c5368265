#pragma once
/// The game's emitters: the debris a destroyed object throws and the station's welding sparks.
///
/// DEBRISFIELD throws its kPieces DEBRIS pieces in one burst kInterval seconds after it is made
/// (every piece, since a burst may launch up to kPerEmission): each leaves from up to kOffset
/// off the field's centre in x and y, in any direction, at kSpeedMin to kSpeedMax, spinning at
/// up to kSpin radians per second about each axis. A piece removes itself after its lifetime
/// (kLifeMin to kLifeMax seconds); the field removes itself once its last piece is gone.
///
/// WELD shows kSparks SPARK flashes around a new joint while the station lets it run; each
/// spark goes back to the pool after kSparkLife seconds.

#include <cstdint>

#include "engine/physics/emitter.h"
#include "game/world/damageable.h"

class QNRESOURCES;

/// Draws the emitter's interval period from [min, max] (exactly min when both are equal).
void SetEmitInterval(QNEMITTER& emitter, float min, float max);

class DEBRIS : public QNEFFECTNODE {
public:
    static constexpr std::int32_t kStationMeshes = 12;
    static constexpr std::int32_t kShipMeshes = 6;
    static constexpr float kLifeMin = 2.0f;
    static constexpr float kLifeMax = 5.0f;
    static constexpr float kPhysicsScale = 1000.0f;
    static constexpr float kMassFactor = 1.0f;

    /// Piece `mesh` of the debris set of `kind`, waiting in `field`'s pool.
    DEBRIS(QNEMITTER* field, DEBRISKIND kind, std::int32_t mesh);
    /// Removes the piece once its age reaches its lifetime.
    void Update() override;

    /// Number of meshes of the debris set of `kind` (0 for other kinds).
    static std::int32_t MeshCount(DEBRISKIND kind);

    float Lifetime = 0.0f;
};

class DEBRISFIELD : public QNEMITTER {
public:
    static constexpr std::int32_t kPieces = 20;
    static constexpr float kInterval = 0.001f;
    static constexpr std::uint32_t kPerEmission = 100;
    static constexpr float kSpeedMin = 5.0f;
    static constexpr float kSpeedMax = 10.0f;
    static constexpr float kSpin = 20.0f;
    static constexpr float kOffset = 1.5f;

    DEBRISFIELD(QNNODE* parent, DEBRISKIND kind, const QNMATRIX* transform);

    /// Registers the debris media (with the station's media).
    static void RegisterMedia(QNRESOURCES& resources);
};

class SPARK : public QNEFFECTNODE {
public:
    static constexpr float kSparkLife = 0.1f;

    explicit SPARK(QNEMITTER* weld);
    /// Back to the pool once its age reaches its lifetime.
    void Update() override;
};

class WELD : public QNEMITTER {
public:
    static constexpr std::int32_t kSparks = 25;
    static constexpr float kInterval = 5.0f;

    /// Under `station` at `transform`, stopped, with its sparks.
    WELD(QNNODE* station, const QNMATRIX* transform);
};
