#pragma once
/// MUZZLEFLASH: the flash at a gun's muzzle, a textured flame (when textured) with a crossed
/// FLASH card behind it. Guns show it for a moment at each shot, rolled at random about its z
/// axis so that no two flashes look the same; a textured flash shows a random cell of its grid
/// each frame.

#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/util/qnmatrix.h"

class QNRESOURCES;

class MUZZLEFLASH : public GAMENODE {
public:
    static constexpr std::int32_t kKind = 27;
    static constexpr std::uint32_t kCells = 8;   ///< cells of the "muzzleflash" grid
    static constexpr float kFlashBack = 2.2f;    ///< the card sits this far behind, times the scale
    static constexpr float kFlashAlpha = 0.6f;   ///< the card's share of the colour's alpha

    /// Under `parent` at `base`, in `colour` (r, g, b, a), scaled by `scale`; `textured` gives
    /// the flame its texture and material.
    MUZZLEFLASH(QNNODE* parent, const QNMATRIX& base, const float colour[4], float scale, bool textured);

    void Update() override;
    /// The base placement turned by a random angle in [-180, 180) degrees about z.
    void RandomRoll();
    /// Shows (state 3) or hides (state 2) the flash with its card.
    void Show(bool on);

    static void RegisterMedia(QNRESOURCES& resources);

    QNMATRIX Base;
    float Scale = 1.0f;
    bool Textured = false;
    GAMENODE* Flash = nullptr;
};
