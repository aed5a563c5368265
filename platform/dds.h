#pragma once
/// DDS images and the texture loader of the graphics device.
///
/// DdsDecode reads a DDS file held in memory (A8R8G8B8, X8R8G8B8, R8G8B8,
/// R5G6B5, X1R5G5B5, A1R5G5B5, A4R4G4B4 and other bit-mask layouts of 16, 24
/// or 32 bits, and DXT1, DXT3, DXT5) into 32-bit ARGB words. GfxLoadTexture
/// makes a device texture from a file the way the original utility loader
/// does: sizes rounded up to powers of two (box-filtered resampling), texels
/// reduced to the precision of the asked format (so 16-bit formats keep their
/// 1- or 4-bit alpha), and box-filtered mip levels.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/gl_device.h"

struct DdsImage {
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;  ///< the file's own format
    std::vector<std::uint32_t> argb;    ///< top level, rows top first
};

/// Decodes the top level of a DDS file. False with a reason for malformed or unsupported data.
bool DdsDecode(const std::uint8_t* data, std::size_t size, DdsImage* out, std::string* error);

/// Reduces each texel to the precision of a format and back to ARGB (8-bit channels).
void DdsQuantize(std::vector<std::uint32_t>& argb, D3DFORMAT format);

/// Area-weighted (box) resampling of an ARGB image.
std::vector<std::uint32_t> DdsResample(const std::vector<std::uint32_t>& src, std::uint32_t sw, std::uint32_t sh,
                                       std::uint32_t dw, std::uint32_t dh);

/// The next level of a mip chain: each texel the mean of its 2 x 2 (or 2 x 1) block.
std::vector<std::uint32_t> DdsHalve(const std::vector<std::uint32_t>& src, std::uint32_t w, std::uint32_t h);

/// The smallest power of two at or above n (n of 0 gives 1).
std::uint32_t DdsNextPow2(std::uint32_t n);

constexpr std::uint32_t GFX_DEFAULT = 0xFFFFFFFFu;

/// Loads a texture from a DDS file. width and height: GFX_DEFAULT (or 0) for the file's size,
/// rounded up to powers of two; mipLevels: 0 or GFX_DEFAULT for a full chain; format:
/// D3DFMT_UNKNOWN for the file's own; colourKey: 0 for none, else texels of that colour (alpha
/// included) become transparent black. Results: D3D_OK, D3DERR_NOTFOUND (no file),
/// D3DERR_INVALIDCALL (bad arguments or data) or the device's failure.
GfxResult GfxLoadTexture(GfxDevice* device, const char* path, std::uint32_t width, std::uint32_t height,
                         std::uint32_t mipLevels, std::uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                         D3DCOLOR colourKey, GfxTexture** out);
