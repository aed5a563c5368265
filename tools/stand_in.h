#pragma once
// Stand-in media made from the media manifest: one GBM mesh, DDS texture or WAV sound per
// series member, the same bytes on every run.

#include "engine/resource/media_manifest.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

/// File contents of member `member` of `entry`.
Bytes MakeStandIn(const QNMEDIAENTRY& entry, int member);

/// GBM mesh of a mesh entry.
Bytes MakeMesh(const QNMEDIAENTRY& entry, int member);

/// DDS texture of a texture entry.
Bytes MakeTexture(const QNMEDIAENTRY& entry, int member);

/// WAV sound of a sound entry.
Bytes MakeSound(const QNMEDIAENTRY& entry, int member);

/// Deterministic seed of a series member, from its archive name.
std::uint32_t MemberSeed(const QNMEDIAENTRY& entry, int member);

/// The font file a glyph atlas is rasterised from (a DejaVu face chosen by the atlas's name).
std::string FontPath(std::string_view archiveName);
/// Width over height of a glyph cell of the atlas as the game draws it on the screen.
float FontCellAspect(std::string_view archiveName);
