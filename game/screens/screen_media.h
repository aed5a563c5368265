#pragma once
/// Registration and construction helpers shared by the screens: sprite pictures (a texture
/// series and a flat quad mesh of the sprite's size in the 1333 x 1000 screen frame, both
/// under one name), interface sounds, and plain picture sprites.

#include <cstdint>

#include "engine/physics/sprite_node.h"
#include "engine/scene/resources.h"

/// Half extents of the screen frame.
inline constexpr float kScreenHalfWidth = 666.5f;
inline constexpr float kScreenHalfHeight = 500.0f;

/// Registers `count` textures from `file` under `name`, `name`2, ... (a grid of `columns` x
/// `rows` cells) and a sprite mesh of `width` x `height` screen units under `name`.
void RegisterSprite(QNRESOURCES& resources, const char* name, const char* file, int count, float width,
                    float height, std::uint32_t columns = 1, std::uint32_t rows = 1);

/// Registers a texture series alone (fonts and pictures that carry no mesh of their own).
void RegisterTexture(QNRESOURCES& resources, const char* name, const char* file, int count,
                     std::uint32_t columns = 1, std::uint32_t rows = 1);

/// Registers an interface sound (not positional, its own path) with the screens' five sound
/// parameters (1.0, 100.0, 2 pi, 2 pi, 1.0).
void RegisterScreenSound(QNRESOURCES& resources, const char* name, const char* file);

/// Plays the registered sound `name` of `node`'s resources once; the sound, or null when none
/// could be played.
QNSOUND* PlayScreenSound(QNNODE* node, const char* name, std::uint32_t repeats = 0);

/// Gives a sprite the texture and mesh `picture`, the material and the colour "fullbright",
/// places it at (x, y, z) and refreshes its bounds.
void DressSprite(SPRITENODE* sprite, const char* picture, const char* material, float x, float y, float z = 0.0f);

/// A plain picture sprite (no behaviour) under `parent`.
SPRITENODE* MakePictureSprite(QNNODE* parent, const char* name, const char* picture, const char* material,
                              float x, float y);

/// Waits, pumping the platform's events and reading the frame counter, until `sound` has
/// stopped and at least `minimum` seconds have passed; never longer than the sound's length
/// plus one second (`minimum` when longer). Returns false when a quit arrived meanwhile (it
/// stays pending).
bool WaitForSound(QNSOUND* sound, double minimum);
