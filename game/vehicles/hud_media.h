#pragma once
/// Registration and dressing helpers shared by the HUD elements: textures with a cell grid,
/// flat quads sized in HUD units whose texture coordinates cover one cell of their texture, and
/// the "sprite" / "fullbright" look every element starts from.

#include <cstddef>
#include <cstdint>

#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"

/// Registers texture `name` from `file` with a grid of `columns` x `rows` cells.
void RegisterHudTexture(QNRESOURCES& resources, const char* name, const char* file, std::uint32_t columns = 1,
                        std::uint32_t rows = 1);

/// Registers "consolefont" as the in-game scene does: the font picture with its 16 x 16 glyph
/// grid over the top-left 0.9688 x 0.8438 of it (for scenes that draw HUD text without it).
void RegisterConsoleFont(QNRESOURCES& resources);

/// Registers a quad of `width` x `height` HUD units named `name`, centred on its origin and
/// facing the viewer; its texture coordinates span one cell of the registered texture
/// `texture`, so that selecting a cell shows exactly that cell.
void RegisterHudQuad(QNRESOURCES& resources, const char* name, const char* texture, float width, float height);

/// Material "sprite", colour "fullbright", texture `texture` in stage 0 and mesh `mesh` (the
/// texture's name when null); a null texture leaves stage 0 empty.
void DressHudNode(QNMESHNODE* node, const char* texture, const char* mesh = nullptr);

/// A private copy of the colour `from` (default "fullbright") lit as (r, g, b) with `opacity`.
void SetHudColour(QNMATERIALNODE* node, float r, float g, float b, float opacity = 1.0f,
                  const char* from = "fullbright");

/// A private copy of "fullbright" at `opacity`.
void SetHudOpacity(QNMATERIALNODE* node, float opacity);

/// State 3 (shown) or 2 (hidden) on `vote`.
void ShowOnVote(QNNODE* node, std::int32_t vote, bool show, bool checked = false, bool recursive = false);

/// A private text grid of `columns` x `rows` glyph cells of `width` x `height` on the stage-0
/// font texture, with dynamic vertices so the text can be reprinted every frame.
void BuildHudText(QNMESHNODE* node, float width, float height, std::uint32_t columns, std::uint32_t rows);

/// The colour "consolefont" where the scene registers one, else "fullbright".
void SetFontColour(QNMATERIALNODE* node);

/// One HUD picture: a texture of `Columns` x `Rows` cells and a quad of its own name.
struct HUDMEDIA {
    const char* Name;
    std::uint32_t Columns, Rows;
    float Width, Height;
};

/// Registers each picture's texture from `folder` + name + ".dds" and its quad.
void RegisterHudMedia(QNRESOURCES& resources, const char* folder, const HUDMEDIA* media, std::size_t count);

/// Registers a sound of the HUD (not positional).
/// Registers sound `name`; `positioned` sounds play in the world (a vehicle's collision), the
/// others at the player's ear (the HUD's own).
void RegisterHudSound(QNRESOURCES& resources, const char* name, const char* file, bool positioned = false);

/// A translation matrix to (x, y, 0).
QNMATRIX HudAt(float x, float y);
