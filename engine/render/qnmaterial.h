#pragma once
/// Materials: the complete fixed-function state a node draws with, and the
/// caches that keep device calls few.
///
/// Applying a material sends only the states that differ from what was last
/// sent, group by group, under the program's group mask; groups outside the
/// mask are sent only when everything is sent (after every display open). An
/// override material (set by the scene render) supplies the groups in its keep
/// mask unless the material keeps them itself. Smaller caches do the same for
/// the lighting colours and for each stage's texture and texture transform.

#include <cstdint>

#include "engine/render/qncolour.h"
#include "engine/util/qnmatrix.h"

class QNTEXTURE;

/// Group bits of a material.
enum : std::uint32_t {
    QNMAT_RASTER = 1,
    QNMAT_LIGHTING = 2,
    QNMAT_ALPHA = 4,
    QNMAT_DEPTH = 8,
    QNMAT_STENCIL = 16,
    QNMAT_FOG = 32,
    QNMAT_POINTS = 64,
    QNMAT_BLENDING = 128,
    QNMAT_STAGES = 256,
};

/// The thirteen states of one texture stage.
struct QNTEXSTAGE {
    std::uint32_t ColorOp;
    std::uint32_t AlphaOp = 4;
    std::uint32_t ColorArg1 = 2;
    std::uint32_t ColorArg2 = 0;
    std::uint32_t AlphaArg1 = 2;
    std::uint32_t AlphaArg2 = 0;
    std::uint32_t MinFilter = 2;
    std::uint32_t MagFilter = 2;
    std::uint32_t MipFilter = 2;
    std::uint32_t BorderColor = 0;
    std::uint32_t AddressU = 1;
    std::uint32_t AddressV = 1;
    float MipLodBias = 0.0f;

    /// Modulate on stage 0, disabled on the others.
    explicit QNTEXSTAGE(std::uint32_t stage = 0) : ColorOp(stage == 0 ? 4 : 1) {}
};

/// Per-node texture stages: a leading switch, then eight stages of texture matrix, texture
/// and switch.
struct QNTEXTURESTAGES {
    struct STAGE {
        QNMATRIX Matrix;
        QNTEXTURE* Texture = nullptr;
        std::uint8_t Switch = 0;
    };
    std::uint8_t Switch = 0;
    STAGE Stages[8];
};

struct QNMATERIAL {
    // Group 1: rasterising.
    std::uint32_t FillMode = 3;
    std::uint32_t ShadeMode = 2;
    std::uint32_t CullMode = 3;
    std::uint8_t Dither = 1;
    // Group 2: lighting switches.
    std::uint8_t Specular = 0;
    std::uint8_t Lighting = 1;
    std::uint8_t LocalViewer = 0;
    std::uint8_t NormalizeNormals = 0;
    std::uint8_t ColorVertex = 1;
    // Group 4: alpha test and blending.
    std::uint8_t AlphaTest = 0;
    std::uint8_t AlphaBlend = 0;
    std::uint32_t SrcBlend = 5;
    std::uint32_t DestBlend = 6;
    std::uint32_t AlphaRef = 0;
    std::uint32_t AlphaFunc = 5;
    std::uint32_t BlendOp = 1;
    std::uint32_t TextureFactor = 0;
    // Group 8: depth.
    std::uint32_t ZWrite = 1;
    std::uint32_t ZFunc = 4;
    std::uint32_t ZBias = 0;
    // Group 16: stencil.
    std::uint8_t Stencil = 0;
    std::uint32_t StencilFail = 1;
    std::uint32_t StencilZFail = 1;
    std::uint32_t StencilPass = 1;
    std::uint32_t StencilFunc = 8;
    std::uint32_t StencilRef = 0;
    std::uint32_t StencilMask = 0xFFFFFFFFu;
    std::uint32_t StencilWriteMask = 0xFFFFFFFFu;
    // Group 32: fog.
    std::uint8_t Fog = 0;
    std::uint32_t FogColor = 0xFFB2B2B2u;
    std::uint32_t FogTableMode = 0;
    std::uint32_t FogVertexMode = 3;
    float FogStart = 1.0f;
    float FogEnd = 100.0f;
    float FogDensity = 0.0f;
    std::uint8_t RangeFog = 0;
    // Group 64: point sprites.
    std::uint8_t PointSprite = 0;
    float PointSize = 0.0f;
    float PointSizeMin = 0.0f;
    float PointSizeMax = 0.0f;
    std::uint8_t PointScale = 0;
    float PointScaleA = 0.0f;
    float PointScaleB = 0.0f;
    float PointScaleC = 0.0f;
    // Group 128: vertex blending (with the tween factor below).
    std::uint32_t VertexBlend = 0;
    std::uint8_t IndexedVertexBlend = 0;
    // Group 256: texture stages.
    QNTEXSTAGE Stages[8] = {QNTEXSTAGE(0), QNTEXSTAGE(1), QNTEXSTAGE(2), QNTEXSTAGE(3),
                            QNTEXSTAGE(4), QNTEXSTAGE(5), QNTEXSTAGE(6), QNTEXSTAGE(7)};
    float TweenFactor = 0.0f;
    /// Groups in which this material's own values win over the override material.
    std::uint32_t KeepMask = 0;

    /// Sends the material through the caches.
    void Apply() const;
    /// Alpha testing on, function greater, reference round(threshold x 255).
    void SetAlpha(float threshold);
    /// Alpha blending on with source alpha and inverse source alpha.
    void SetAlphaBlend();

    /// The program's group mask (271: rasterising, lighting, alpha, depth and stages).
    static std::uint32_t GroupMask;
    /// The override material of the view being drawn, or null.
    static const QNMATERIAL* Override;
};

/// Sends one stage's states that differ from its cache record (all of them when sendAll).
void ApplyTextureStage(const QNTEXSTAGE& stage, std::uint32_t number, QNTEXSTAGE& cache, bool sendAll);
/// Sets the device's lighting colours from *colourRef (the default colour for null) when their
/// values differ from the last ones sent.
void ApplyD3DMaterial(const QNCOLOUR* const* colourRef);
/// Sets each granted stage's texture and texture transform when they differ from the cache.
void ApplyTextures(const QNTEXTURESTAGES& stages);
/// Drops a texture being released from the stage caches, so that a texture made later at the
/// same address is sent again.
void ForgetTexture(const QNTEXTURE* texture);

/// Marks every cache to send all states with the next apply (after every display open).
void MarkCachesSendAll();
/// The cache of a render state's last sent value (for the draw code that changes states
/// around the caches and writes what it sent back).
std::uint32_t& RenderStateCache(std::uint32_t state);
/// The cache record of a device stage.
QNTEXSTAGE& TextureStageCache(std::uint32_t stage);
/// The cache of a stage's bound texture.
QNTEXTURE*& TextureCache(std::uint32_t stage);
/// The program's default colour record.
const QNCOLOUR& DefaultColour();
