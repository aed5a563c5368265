#pragma once
/// TURRETGUN: a gun barrel of a station turret with its two muzzle flashes and, on some guns, a
/// light. A shot shows the flashes (each rolled at random) and the light for kFlashTime; a gun
/// that recoils is pushed back to a given place and returns after a given time.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qntimer.h"
#include "game/world/muzzle_flash.h"

class TURRETGUN : public GAMENODE {
public:
    static constexpr double kFlashTime = 0.1;
    static constexpr float kLightRange = 6.0f;   ///< the muzzle light's reach (a short glow)

    /// Under `parent` at `at` (relative), with flashes at `flashAt[0..1]` (relative to the gun; none when null)
    /// and a light at `lightAt` when given.
    TURRETGUN(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& at, const char* texture,
              const char* mesh, const QNMATRIX flashAt[2], const QNMATRIX* lightAt);

    void Update() override;
    /// Shows both flashes (rolled) and the light, and restarts the flash timer.
    void ShowFlash();
    /// Moves the gun to `to` (relative); it returns home after `seconds`.
    void Recoil(const QNMATRIX& to, double seconds);

    MUZZLEFLASH* Flashes[2] = {};
    GAMENODE* Light = nullptr;
    QNMATRIX Home;
    bool Flashing = false;
    bool Recoiling = false;
    QNTIMER FlashTimer;
    QNTIMER RecoilTimer;
};
