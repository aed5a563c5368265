#pragma once
/// Types and constants of the graphics device. The device has the shape of a
/// Direct3D 8 device (render states, texture stages, transforms, lights,
/// materials, buffers, present and reset) and keeps its conventions: row-vector
/// left-handed matrices, depth in [0, 1], clockwise front faces, pre-transformed
/// screen vertices at integer pixel centres, ARGB colours in 32-bit words.
/// The numeric values are those the engine's records store.

#include <cstdint>

using GfxResult = uint32_t;
using D3DCOLOR = uint32_t;

constexpr GfxResult D3D_OK = 0;
constexpr GfxResult D3DERR_WRONGTEXTUREFORMAT = 0x88760818u;
constexpr GfxResult D3DERR_OUTOFVIDEOMEMORY = 0x8876017Cu;
constexpr GfxResult D3DERR_NOTAVAILABLE = 0x8876086Au;
constexpr GfxResult D3DERR_INVALIDCALL = 0x8876086Cu;
constexpr GfxResult D3DERR_DEVICELOST = 0x88760868u;
constexpr GfxResult D3DERR_DEVICENOTRESET = 0x88760869u;
constexpr GfxResult D3DERR_NOTFOUND = 0x88760866u;
/// The driver reported an error of its own (GL's error flag, under the error checks).
constexpr GfxResult D3DERR_DRIVERINTERNALERROR = 0x88760827u;
constexpr GfxResult GFX_E_FAIL = 0x80004005u;
constexpr GfxResult GFX_E_OUTOFMEMORY = 0x8007000Eu;

constexpr uint32_t GfxFourCC(char a, char b, char c, char d) {
    return uint32_t(uint8_t(a)) | uint32_t(uint8_t(b)) << 8 | uint32_t(uint8_t(c)) << 16 | uint32_t(uint8_t(d)) << 24;
}

enum D3DFORMAT : uint32_t {
    D3DFMT_UNKNOWN = 0,
    D3DFMT_R8G8B8 = 20,
    D3DFMT_A8R8G8B8 = 21,
    D3DFMT_X8R8G8B8 = 22,
    D3DFMT_R5G6B5 = 23,
    D3DFMT_X1R5G5B5 = 24,
    D3DFMT_A1R5G5B5 = 25,
    D3DFMT_A4R4G4B4 = 26,
    D3DFMT_D32 = 71,
    D3DFMT_D15S1 = 73,
    D3DFMT_D24S8 = 75,
    D3DFMT_D16 = 80,
    D3DFMT_D24X8 = 77,
    D3DFMT_D24X4S4 = 79,
    D3DFMT_INDEX16 = 101,
    D3DFMT_DXT1 = GfxFourCC('D', 'X', 'T', '1'),
    D3DFMT_DXT3 = GfxFourCC('D', 'X', 'T', '3'),
    D3DFMT_DXT5 = GfxFourCC('D', 'X', 'T', '5'),
};

enum D3DDEVTYPE : uint32_t { D3DDEVTYPE_HAL = 1, D3DDEVTYPE_REF = 2 };
enum D3DPOOL : uint32_t { D3DPOOL_DEFAULT = 0, D3DPOOL_MANAGED = 1, D3DPOOL_SYSTEMMEM = 2 };
enum D3DRESOURCETYPE : uint32_t { D3DRTYPE_SURFACE = 1, D3DRTYPE_TEXTURE = 3 };

// Usage flags.
constexpr uint32_t D3DUSAGE_RENDERTARGET = 0x1;
constexpr uint32_t D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr uint32_t D3DUSAGE_WRITEONLY = 0x8;
constexpr uint32_t D3DUSAGE_SOFTWAREPROCESSING = 0x10;
constexpr uint32_t D3DUSAGE_DYNAMIC = 0x200;

// Lock flags.
constexpr uint32_t D3DLOCK_DISCARD = 0x2000;
constexpr uint32_t D3DLOCK_NOOVERWRITE = 0x1000;

// Device creation behaviour.
constexpr uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr uint32_t D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

// Clear flags.
constexpr uint32_t D3DCLEAR_TARGET = 1;
constexpr uint32_t D3DCLEAR_ZBUFFER = 2;
constexpr uint32_t D3DCLEAR_STENCIL = 4;

// Flexible vertex format bits.
constexpr uint32_t D3DFVF_XYZ = 0x002;
constexpr uint32_t D3DFVF_XYZRHW = 0x004;
constexpr uint32_t D3DFVF_XYZB4 = 0x00C;
constexpr uint32_t D3DFVF_POSITION_MASK = 0x00E;
constexpr uint32_t D3DFVF_NORMAL = 0x010;
constexpr uint32_t D3DFVF_PSIZE = 0x020;
constexpr uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr uint32_t D3DFVF_SPECULAR = 0x080;
constexpr uint32_t D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr uint32_t D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr uint32_t D3DFVF_LASTBETA_UBYTE4 = 0x1000;
/// Size code of texture set i: 0 two floats, 1 three, 2 four, 3 one.
constexpr uint32_t D3DFVF_TEXCOORDSIZE1(int i) { return 3u << (16 + 2 * i); }

enum D3DPRIMITIVETYPE : uint32_t {
    D3DPT_POINTLIST = 1,
    D3DPT_LINELIST = 2,
    D3DPT_LINESTRIP = 3,
    D3DPT_TRIANGLELIST = 4,
    D3DPT_TRIANGLESTRIP = 5,
    D3DPT_TRIANGLEFAN = 6,
};

enum D3DTRANSFORMSTATETYPE : uint32_t {
    D3DTS_VIEW = 2,
    D3DTS_PROJECTION = 3,
    D3DTS_TEXTURE0 = 16,
    D3DTS_WORLD = 256,
};
constexpr uint32_t D3DTS_WORLDMATRIX(uint32_t i) { return D3DTS_WORLD + i; }

enum D3DRENDERSTATETYPE : uint32_t {
    D3DRS_ZENABLE = 7,
    D3DRS_FILLMODE = 8,
    D3DRS_SHADEMODE = 9,
    D3DRS_ZWRITEENABLE = 14,
    D3DRS_ALPHATESTENABLE = 15,
    D3DRS_SRCBLEND = 19,
    D3DRS_DESTBLEND = 20,
    D3DRS_CULLMODE = 22,
    D3DRS_ZFUNC = 23,
    D3DRS_ALPHAREF = 24,
    D3DRS_ALPHAFUNC = 25,
    D3DRS_DITHERENABLE = 26,
    D3DRS_ALPHABLENDENABLE = 27,
    D3DRS_FOGENABLE = 28,
    D3DRS_SPECULARENABLE = 29,
    D3DRS_FOGCOLOR = 34,
    D3DRS_FOGTABLEMODE = 35,
    D3DRS_FOGSTART = 36,
    D3DRS_FOGEND = 37,
    D3DRS_FOGDENSITY = 38,
    D3DRS_ZBIAS = 47,
    D3DRS_RANGEFOGENABLE = 48,
    D3DRS_STENCILENABLE = 52,
    D3DRS_STENCILFAIL = 53,
    D3DRS_STENCILZFAIL = 54,
    D3DRS_STENCILPASS = 55,
    D3DRS_STENCILFUNC = 56,
    D3DRS_STENCILREF = 57,
    D3DRS_STENCILMASK = 58,
    D3DRS_STENCILWRITEMASK = 59,
    D3DRS_TEXTUREFACTOR = 60,
    D3DRS_LIGHTING = 137,
    D3DRS_AMBIENT = 139,
    D3DRS_FOGVERTEXMODE = 140,
    D3DRS_COLORVERTEX = 141,
    D3DRS_LOCALVIEWER = 142,
    D3DRS_NORMALIZENORMALS = 143,
    D3DRS_VERTEXBLEND = 151,
    D3DRS_POINTSIZE = 154,
    D3DRS_POINTSIZE_MIN = 155,
    D3DRS_POINTSPRITEENABLE = 156,
    D3DRS_POINTSCALEENABLE = 157,
    D3DRS_POINTSCALE_A = 158,
    D3DRS_POINTSCALE_B = 159,
    D3DRS_POINTSCALE_C = 160,
    D3DRS_MULTISAMPLEANTIALIAS = 161,
    D3DRS_POINTSIZE_MAX = 166,
    D3DRS_INDEXEDVERTEXBLENDENABLE = 167,
    D3DRS_TWEENFACTOR = 170,
    D3DRS_BLENDOP = 171,
    D3DRS_COUNT = 256,
};

enum D3DTEXTURESTAGESTATETYPE : uint32_t {
    D3DTSS_COLOROP = 1,
    D3DTSS_COLORARG1 = 2,
    D3DTSS_COLORARG2 = 3,
    D3DTSS_ALPHAOP = 4,
    D3DTSS_ALPHAARG1 = 5,
    D3DTSS_ALPHAARG2 = 6,
    D3DTSS_TEXCOORDINDEX = 11,
    D3DTSS_ADDRESSU = 13,
    D3DTSS_ADDRESSV = 14,
    D3DTSS_BORDERCOLOR = 15,
    D3DTSS_MAGFILTER = 16,
    D3DTSS_MINFILTER = 17,
    D3DTSS_MIPFILTER = 18,
    D3DTSS_MIPMAPLODBIAS = 19,
    D3DTSS_TEXTURETRANSFORMFLAGS = 24,
    D3DTSS_COUNT = 32,
};

enum D3DTEXTUREOP : uint32_t {
    D3DTOP_DISABLE = 1,
    D3DTOP_SELECTARG1 = 2,
    D3DTOP_SELECTARG2 = 3,
    D3DTOP_MODULATE = 4,
    D3DTOP_MODULATE2X = 5,
    D3DTOP_MODULATE4X = 6,
    D3DTOP_ADD = 7,
    D3DTOP_ADDSIGNED = 8,
    D3DTOP_ADDSIGNED2X = 9,
    D3DTOP_SUBTRACT = 10,
    D3DTOP_ADDSMOOTH = 11,
    D3DTOP_BLENDDIFFUSEALPHA = 12,
    D3DTOP_BLENDTEXTUREALPHA = 13,
    D3DTOP_BLENDFACTORALPHA = 14,
    D3DTOP_BLENDTEXTUREALPHAPM = 15,
    D3DTOP_BLENDCURRENTALPHA = 16,
    D3DTOP_DOTPRODUCT3 = 24,
};

// Texture arguments.
constexpr uint32_t D3DTA_DIFFUSE = 0;
constexpr uint32_t D3DTA_CURRENT = 1;
constexpr uint32_t D3DTA_TEXTURE = 2;
constexpr uint32_t D3DTA_TFACTOR = 3;
constexpr uint32_t D3DTA_SPECULAR = 4;
constexpr uint32_t D3DTA_SELECTMASK = 0xF;
constexpr uint32_t D3DTA_COMPLEMENT = 0x10;
constexpr uint32_t D3DTA_ALPHAREPLICATE = 0x20;

enum D3DTEXTUREFILTERTYPE : uint32_t { D3DTEXF_NONE = 0, D3DTEXF_POINT = 1, D3DTEXF_LINEAR = 2, D3DTEXF_ANISOTROPIC = 3 };
enum D3DTEXTUREADDRESS : uint32_t { D3DTADDRESS_WRAP = 1, D3DTADDRESS_MIRROR = 2, D3DTADDRESS_CLAMP = 3, D3DTADDRESS_BORDER = 4 };
enum D3DTEXTURETRANSFORMFLAGS : uint32_t { D3DTTFF_DISABLE = 0, D3DTTFF_COUNT2 = 2 };

// Vertex blend modes: 1 to 3 weights blend 2 to 4 world matrices; tweening blends two streams.
constexpr uint32_t D3DVBF_DISABLE = 0;
constexpr uint32_t D3DVBF_1WEIGHTS = 1;
constexpr uint32_t D3DVBF_2WEIGHTS = 2;
constexpr uint32_t D3DVBF_3WEIGHTS = 3;
constexpr uint32_t D3DVBF_TWEENING = 255;
constexpr uint32_t D3DVBF_0WEIGHTS = 256;

enum D3DFILLMODE : uint32_t { D3DFILL_POINT = 1, D3DFILL_WIREFRAME = 2, D3DFILL_SOLID = 3 };
enum D3DSHADEMODE : uint32_t { D3DSHADE_FLAT = 1, D3DSHADE_GOURAUD = 2 };
enum D3DCULL : uint32_t { D3DCULL_NONE = 1, D3DCULL_CW = 2, D3DCULL_CCW = 3 };
enum D3DCMPFUNC : uint32_t {
    D3DCMP_NEVER = 1, D3DCMP_LESS = 2, D3DCMP_EQUAL = 3, D3DCMP_LESSEQUAL = 4,
    D3DCMP_GREATER = 5, D3DCMP_NOTEQUAL = 6, D3DCMP_GREATEREQUAL = 7, D3DCMP_ALWAYS = 8,
};
enum D3DBLEND : uint32_t {
    D3DBLEND_ZERO = 1, D3DBLEND_ONE = 2, D3DBLEND_SRCCOLOR = 3, D3DBLEND_INVSRCCOLOR = 4,
    D3DBLEND_SRCALPHA = 5, D3DBLEND_INVSRCALPHA = 6, D3DBLEND_DESTALPHA = 7, D3DBLEND_INVDESTALPHA = 8,
    D3DBLEND_DESTCOLOR = 9, D3DBLEND_INVDESTCOLOR = 10, D3DBLEND_SRCALPHASAT = 11,
};
enum D3DBLENDOP : uint32_t { D3DBLENDOP_ADD = 1, D3DBLENDOP_SUBTRACT = 2, D3DBLENDOP_REVSUBTRACT = 3, D3DBLENDOP_MIN = 4, D3DBLENDOP_MAX = 5 };
enum D3DSTENCILOP : uint32_t {
    D3DSTENCILOP_KEEP = 1, D3DSTENCILOP_ZERO = 2, D3DSTENCILOP_REPLACE = 3, D3DSTENCILOP_INCRSAT = 4,
    D3DSTENCILOP_DECRSAT = 5, D3DSTENCILOP_INVERT = 6, D3DSTENCILOP_INCR = 7, D3DSTENCILOP_DECR = 8,
};
enum D3DFOGMODE : uint32_t { D3DFOG_NONE = 0, D3DFOG_EXP = 1, D3DFOG_EXP2 = 2, D3DFOG_LINEAR = 3 };
enum D3DLIGHTTYPE : uint32_t { D3DLIGHT_POINT = 1, D3DLIGHT_SPOT = 2, D3DLIGHT_DIRECTIONAL = 3 };
enum D3DMULTISAMPLE_TYPE : uint32_t { D3DMULTISAMPLE_NONE = 0 };
enum D3DSWAPEFFECT : uint32_t { D3DSWAPEFFECT_DISCARD = 1, D3DSWAPEFFECT_FLIP = 2, D3DSWAPEFFECT_COPY = 3 };
constexpr uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;

// Capability bits.
constexpr uint32_t D3DCAPS_READ_SCANLINE = 0x00020000;
constexpr uint32_t D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x00010000;
constexpr uint32_t D3DPBLENDCAPS_SRCALPHA = 0x00000010;
constexpr uint32_t D3DPTEXTURECAPS_POW2 = 0x00000002;
constexpr uint32_t D3DPTEXTURECAPS_SQUAREONLY = 0x00000020;

struct GfxDisplayMode {
    uint32_t Width = 0;
    uint32_t Height = 0;
    uint32_t RefreshRate = 0;
    D3DFORMAT Format = D3DFMT_UNKNOWN;
};

struct GfxCaps {
    D3DDEVTYPE DeviceType = D3DDEVTYPE_HAL;
    uint32_t AdapterOrdinal = 0;
    uint32_t Caps = 0;
    uint32_t DevCaps = 0;
    uint32_t SrcBlendCaps = 0;
    uint32_t DestBlendCaps = 0;
    uint32_t TextureCaps = 0;
    uint32_t MaxTextureWidth = 0;
    uint32_t MaxTextureHeight = 0;
    uint32_t MaxTextureBlendStages = 0;
    uint32_t MaxSimultaneousTextures = 0;
    uint32_t MaxActiveLights = 0;
    uint32_t MaxVertexIndex = 0;
    uint32_t MaxStreams = 0;
    float MaxPointSize = 0.0f;
};

struct SDL_Window;

struct GfxPresentParameters {
    uint32_t BackBufferWidth = 0;
    uint32_t BackBufferHeight = 0;
    D3DFORMAT BackBufferFormat = D3DFMT_UNKNOWN;
    uint32_t BackBufferCount = 1;
    D3DMULTISAMPLE_TYPE MultiSampleType = D3DMULTISAMPLE_NONE;
    D3DSWAPEFFECT SwapEffect = D3DSWAPEFFECT_DISCARD;
    SDL_Window* DeviceWindow = nullptr;
    bool Windowed = true;
    bool EnableAutoDepthStencil = false;
    D3DFORMAT AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    uint32_t Flags = 0;
    uint32_t FullScreenRefreshRate = 0;
    uint32_t PresentationInterval = 0;
};

struct GfxViewport {
    uint32_t X = 0, Y = 0, Width = 0, Height = 0;
    float MinZ = 0.0f, MaxZ = 1.0f;
};

struct GfxColorValue {
    float r = 0.0f, g = 0.0f, b = 0.0f, a = 0.0f;
};

/// Lighting colours of a surface.
struct GfxMaterial {
    GfxColorValue Diffuse, Ambient, Specular, Emissive;
    float Power = 0.0f;
};

struct GfxVector {
    float x = 0.0f, y = 0.0f, z = 0.0f;
};

struct GfxLight {
    D3DLIGHTTYPE Type = D3DLIGHT_POINT;
    GfxColorValue Diffuse, Specular, Ambient;
    GfxVector Position, Direction;
    float Range = 0.0f;
    float Falloff = 0.0f;
    float Attenuation0 = 0.0f, Attenuation1 = 0.0f, Attenuation2 = 0.0f;
    float Theta = 0.0f, Phi = 0.0f;
};

struct GfxGammaRamp {
    uint16_t red[256];
    uint16_t green[256];
    uint16_t blue[256];
};

struct GfxSurfaceDesc {
    D3DFORMAT Format = D3DFMT_UNKNOWN;
    D3DPOOL Pool = D3DPOOL_MANAGED;
    uint32_t Usage = 0;
    uint32_t Size = 0;
    uint32_t Width = 0;
    uint32_t Height = 0;
};

/// Bits per pixel of a format (DXT1 4, DXT3/5 8, others by their layout; 0 if unknown).
uint32_t GfxFormatBits(D3DFORMAT f);
/// Bytes per vertex of a flexible vertex format.
uint32_t GfxFvfStride(uint32_t fvf);
