#pragma once
/// The collector ship's mining tool.
///
/// CHIPPERLAUNCHER (rack weapon 73) holds one CHIPPER and reloads it kReload seconds after a
/// shot. A chipper flies straight ahead from alternating muzzles at kSpeed relative to the ship,
/// spinning about its flight axis. The ship cannot hit its own chipper during the first
/// kReleaseTime seconds: their pair is switched off at launch and back on after that.
///
/// Only the chipper's first contact counts. Striking an asteroid or an ore rock splits it: a
/// CLOUD of dust at the hit point (an ore cloud for a rock, which hands its ore to the ship that
/// fired) and a burst of CHUNKs from a CHUNKS emitter; the struck body is left unchanged. A
/// chipper that strikes anything else is removed kAfterHit seconds later, an idle one after
/// kFlightTime. The chipper does no damage.

#include <cstdint>

#include "engine/physics/emitter.h"
#include "engine/util/qntimer.h"
#include "game/vehicles/one_shot_sound.h"
#include "game/vehicles/ship_weapon.h"

class COLLSHIP;
class QNRESOURCES;

class CHIPPERLAUNCHER : public SHIPWEAPON {
public:
    static constexpr double kReload = 10.0;
    static constexpr float kLoaded = 1.0f;
    static constexpr float kSpent = 0.1f;
    /// Launch speed relative to the ship and the spin torque about the flight axis.
    static constexpr float kSpeed = 25.0f;
    static constexpr float kSpin = 25.0f;

    CHIPPERLAUNCHER(QNNODE* ship, bool player, std::uint32_t ownerView);

    /// Reloads kReload seconds after a shot.
    void Update() override;
    /// One chipper from the current muzzle when loaded and carried by a collector ship.
    void Fire() override;
    float AmmoLevel() override { return Level; }

    /// The rack's maker of type 73.
    static SHIPWEAPON* Make(QNNODE* ship, bool player, std::uint32_t ownerView);

    bool Side = true;    ///< true: the left muzzle (-x) fires next
    bool Ready = true;
    QNTIMER ReloadTimer;
    float Level = kLoaded;
};

/// What a chipper struck first.
enum class CHIPPERHIT : std::uint32_t {
    FLYING = 0,
    ASTEROID = 1,
    ORE = 2,
    OTHER = 3,
};

class CHIPPER : public GAMENODE {
public:
    static constexpr double kReleaseTime = 2.0;
    static constexpr double kFlightTime = 4.0;
    static constexpr double kAfterHit = 1.5;
    static constexpr float kScale = 300.0f;
    /// Chunks of the small (0-2) and the large (3-5) rock meshes in a split.
    static constexpr std::int32_t kSmallChunks = 10;
    static constexpr std::int32_t kLargeChunks = 4;
    /// Push of the cloud along the hit normal: the mean chunk speed.
    static constexpr float kCloudPush = (2.0f + 6.0f) * 0.5f;

    CHIPPER(QNNODE* parent, const QNMATRIX* transform, COLLSHIP* ship);

    /// Release window, then removal or split (see the header comment).
    void Update() override;
    /// Records the first contact that begins.
    void OnContact(QNNODE* other, std::uint32_t phase, const float* point, const float* normal) override;
    /// The cloud and the chunks at the hit point.
    void Split();

    /// Registers the chipper's, chunks' and dust's media.
    static void LoadResources(QNRESOURCES& resources);

    QNTIMER FlightTimer;
    bool Release = true;
    QNWEAK<COLLSHIP> Ship;
    QNWEAK<QNNODE> Struck;
    float HitTime = float(kFlightTime);
    CHIPPERHIT Hit = CHIPPERHIT::FLYING;
    QNVEC3 HitPoint;
    QNVEC3 HitNormal;
    ONESHOTSOUND ReleaseSound;

    /// The look-ahead of each update: the line covered in the next frame (a frame of at most
    /// kMaxLookAheadStep seconds) plus kLookAheadMargin, the chipper's own radius and a little.
    static constexpr float kMaxLookAheadStep = 0.1f;
    static constexpr float kLookAheadMargin = 0.25f;
    static constexpr int kLookAheadHits = 8;

private:
    void Remove();
    /// A rock on the line the chipper covers in the next frame counts as its hit.
    void LookAhead();
};

/// The burst of rock chunks a split throws: kBurst every kInterval seconds, then removed.
class CHUNKS : public QNEMITTER {
public:
    static constexpr float kInterval = 0.01f;
    static constexpr float kSpread = 0.2617994f;  // 15 degrees
    static constexpr float kOffset = 0.5f;
    static constexpr std::uint32_t kBurst = 2;

    CHUNKS(QNNODE* parent, const QNMATRIX* transform);
    ONESHOTSOUND Sound;
};

class CHUNK : public QNEFFECTNODE {
public:
    static constexpr float kLifeMin = 5.0f;
    static constexpr float kLifeMax = 10.0f;

    /// Texture (name, index) and "rock" mesh `mesh`, waiting in `chunks`' pool.
    CHUNK(QNEMITTER* chunks, const char* texture, std::int32_t textureIndex, std::int32_t mesh);
    /// Removes itself at the end of its lifetime.
    void Update() override;

    float Lifetime = 0.0f;
};
