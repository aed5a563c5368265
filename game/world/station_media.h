#pragma once
/// Registration of station media through the resource parameter blocks. Files come from the
/// media manifest by resource name.

#include <cstdint>

class QNRESOURCES;

namespace stationmedia {

/// `count` textures "name", "name2"... with a cell grid of columns x rows.
void Texture(QNRESOURCES& r, const char* name, std::int32_t count = 1, std::uint32_t columns = 1,
             std::uint32_t rows = 1);
/// `count` mesh groups "name", "name2"..., with collision shapes of `collisionKind` (QNCOLLGEOM
/// kinds; the default is the engine's triangle list).
void Mesh(QNRESOURCES& r, const char* name, std::int32_t count = 1, std::uint32_t collisionKind = 7);
/// `count` 3D sounds "name", "name2"... audible from `minDistance` to `maxDistance`.
void Sound(QNRESOURCES& r, const char* name, std::int32_t count, float minDistance, float maxDistance,
           const char* file = nullptr);
/// A generated flat square of `width` x `height` facing -z, without a collision shape.
void Quad(QNRESOURCES& r, const char* name, float width, float height);

}  // namespace stationmedia

class QNMATERIALNODE;

namespace stationmedia {

/// Shows cell `n` of the grid of the texture in `node`'s stage 0 (nothing without one).
void ShowCell(QNMATERIALNODE* node, std::uint32_t n);

}  // namespace stationmedia
