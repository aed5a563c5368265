// Render-state caches and material application.
//
// Each cache holds the last value sent to the device. With send-all clear a
// state goes out only when it differs (float states compare as floats); with
// send-all set every state goes out and the cache takes it. The display sets
// send-all after every open, so the first material applied then sends all
// groups, the masked-out ones included.

#include "engine/render/qnmaterial.h"

#include <cstring>

#include "engine/render/qndisplay.h"
#include "engine/render/qntexture.h"
#include "engine/util/qnmath.h"

std::uint32_t QNMATERIAL::GroupMask = 0x10F;
const QNMATERIAL* QNMATERIAL::Override = nullptr;

namespace {

struct Caches {
    bool statesSendAll = true;
    bool colourSendAll = true;
    bool texturesSendAll = true;
    std::uint32_t states[D3DRS_COUNT] = {};
    QNTEXSTAGE stages[8] = {QNTEXSTAGE(0), QNTEXSTAGE(1), QNTEXSTAGE(2), QNTEXSTAGE(3),
                            QNTEXSTAGE(4), QNTEXSTAGE(5), QNTEXSTAGE(6), QNTEXSTAGE(7)};
    GfxMaterial colour;  // the lighting colours last sent, by value
    QNTEXTURE* textures[8] = {};  // cleared by QNTEXTURE::Release, so an address is never stale
    bool transformOn[8] = {};
};

Caches& C() {
    static Caches c;
    return c;
}

std::uint32_t Bits(float f) {
    std::uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

void Send(D3DRENDERSTATETYPE s, std::uint32_t v, bool force) {
    std::uint32_t& cached = C().states[s];
    if (!force && cached == v) return;
    cached = v;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetRenderState(s, v);
}

void SendF(D3DRENDERSTATETYPE s, float v, bool force) {
    std::uint32_t& cached = C().states[s];
    float old;
    std::memcpy(&old, &cached, 4);
    if (!force && old == v) return;
    cached = Bits(v);
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetRenderState(s, cached);
}

void SendStage(std::uint32_t n, D3DTEXTURESTAGESTATETYPE t, std::uint32_t v, std::uint32_t& cached, bool force) {
    if (!force && cached == v) return;
    cached = v;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetTextureStageState(n, t, v);
}

// The material whose values a group takes.
const QNMATERIAL& Source(const QNMATERIAL& self, std::uint32_t group) {
    const QNMATERIAL* o = QNMATERIAL::Override;
    if (o && (o->KeepMask & group) && !(self.KeepMask & group)) return *o;
    return self;
}

std::uint32_t GrantedStages() {
    std::int32_t n = QNGRFDEV::CurrentMode->Granted.MinBlendStages;
    return n < 0 ? 0u : (n > 8 ? 8u : std::uint32_t(n));
}

}  // namespace

void MarkCachesSendAll() {
    C().statesSendAll = C().colourSendAll = C().texturesSendAll = true;
}

std::uint32_t& RenderStateCache(std::uint32_t state) { return C().states[state < D3DRS_COUNT ? state : 0]; }
QNTEXSTAGE& TextureStageCache(std::uint32_t stage) { return C().stages[stage & 7]; }
QNTEXTURE*& TextureCache(std::uint32_t stage) { return C().textures[stage & 7]; }

const QNCOLOUR& DefaultColour() {
    static const QNCOLOUR c;
    return c;
}

void QNMATERIAL::Apply() const {
    const bool force = C().statesSendAll;
    const std::uint32_t M = GroupMask;
    auto on = [&](std::uint32_t g) { return force || (M & g); };
    if (on(QNMAT_RASTER)) {
        const QNMATERIAL& s = Source(*this, QNMAT_RASTER);
        Send(D3DRS_FILLMODE, s.FillMode, force);
        Send(D3DRS_SHADEMODE, s.ShadeMode, force);
        Send(D3DRS_CULLMODE, s.CullMode, force);
        Send(D3DRS_DITHERENABLE, s.Dither, force);
    }
    if (on(QNMAT_LIGHTING)) {
        const QNMATERIAL& s = Source(*this, QNMAT_LIGHTING);
        Send(D3DRS_SPECULARENABLE, s.Specular, force);
        Send(D3DRS_LIGHTING, s.Lighting, force);
        Send(D3DRS_LOCALVIEWER, s.LocalViewer, force);
        Send(D3DRS_NORMALIZENORMALS, s.NormalizeNormals, force);
        Send(D3DRS_COLORVERTEX, s.ColorVertex, force);
    }
    if (on(QNMAT_ALPHA)) {
        const QNMATERIAL& s = Source(*this, QNMAT_ALPHA);
        Send(D3DRS_ALPHATESTENABLE, s.AlphaTest, force);
        Send(D3DRS_ALPHABLENDENABLE, s.AlphaBlend, force);
        Send(D3DRS_SRCBLEND, s.SrcBlend, force);
        Send(D3DRS_DESTBLEND, s.DestBlend, force);
        Send(D3DRS_ALPHAREF, s.AlphaRef, force);
        Send(D3DRS_ALPHAFUNC, s.AlphaFunc, force);
        Send(D3DRS_BLENDOP, s.BlendOp, force);
        Send(D3DRS_TEXTUREFACTOR, s.TextureFactor, force);
    }
    if (on(QNMAT_DEPTH)) {
        const QNMATERIAL& s = Source(*this, QNMAT_DEPTH);
        Send(D3DRS_ZWRITEENABLE, s.ZWrite, force);
        Send(D3DRS_ZFUNC, s.ZFunc, force);
        Send(D3DRS_ZBIAS, s.ZBias, force);
    }
    if (on(QNMAT_STENCIL)) {
        const QNMATERIAL& s = Source(*this, QNMAT_STENCIL);
        Send(D3DRS_STENCILENABLE, s.Stencil, force);
        Send(D3DRS_STENCILFAIL, s.StencilFail, force);
        Send(D3DRS_STENCILZFAIL, s.StencilZFail, force);
        Send(D3DRS_STENCILPASS, s.StencilPass, force);
        Send(D3DRS_STENCILFUNC, s.StencilFunc, force);
        Send(D3DRS_STENCILREF, s.StencilRef, force);
        Send(D3DRS_STENCILMASK, s.StencilMask, force);
        Send(D3DRS_STENCILWRITEMASK, s.StencilWriteMask, force);
    }
    if (on(QNMAT_FOG)) {
        const QNMATERIAL& s = Source(*this, QNMAT_FOG);
        Send(D3DRS_FOGENABLE, s.Fog, force);
        Send(D3DRS_FOGCOLOR, s.FogColor, force);
        Send(D3DRS_FOGTABLEMODE, s.FogTableMode, force);
        Send(D3DRS_FOGVERTEXMODE, s.FogVertexMode, force);
        SendF(D3DRS_FOGSTART, s.FogStart, force);
        SendF(D3DRS_FOGEND, s.FogEnd, force);
        SendF(D3DRS_FOGDENSITY, s.FogDensity, force);
        Send(D3DRS_RANGEFOGENABLE, s.RangeFog, force);
    }
    if (on(QNMAT_POINTS)) {
        const QNMATERIAL& s = Source(*this, QNMAT_POINTS);
        Send(D3DRS_POINTSPRITEENABLE, s.PointSprite, force);
        SendF(D3DRS_POINTSIZE, s.PointSize, force);
        SendF(D3DRS_POINTSIZE_MIN, s.PointSizeMin, force);
        SendF(D3DRS_POINTSIZE_MAX, s.PointSizeMax, force);
        Send(D3DRS_POINTSCALEENABLE, s.PointScale, force);
        SendF(D3DRS_POINTSCALE_A, s.PointScaleA, force);
        SendF(D3DRS_POINTSCALE_B, s.PointScaleB, force);
        SendF(D3DRS_POINTSCALE_C, s.PointScaleC, force);
    }
    if (on(QNMAT_BLENDING)) {
        const QNMATERIAL& s = Source(*this, QNMAT_BLENDING);
        Send(D3DRS_VERTEXBLEND, s.VertexBlend, force);
        Send(D3DRS_INDEXEDVERTEXBLENDENABLE, s.IndexedVertexBlend, force);
        SendF(D3DRS_TWEENFACTOR, s.TweenFactor, force);
    }
    if (on(QNMAT_STAGES)) {
        const QNMATERIAL& s = Source(*this, QNMAT_STAGES);
        const std::uint32_t n = GrantedStages();
        for (std::uint32_t i = 0; i < n; ++i) ApplyTextureStage(s.Stages[i], i, C().stages[i], force);
    }
    C().statesSendAll = false;
}

void QNMATERIAL::SetAlpha(float threshold) {
    AlphaTest = 1;
    AlphaFunc = D3DCMP_GREATER;
    int ref = RoundToInt(threshold * 255.0f);
    AlphaRef = std::uint32_t(ref < 0 ? 0 : (ref > 255 ? 255 : ref));
}

void QNMATERIAL::SetAlphaBlend() {
    AlphaBlend = 1;
    SrcBlend = D3DBLEND_SRCALPHA;
    DestBlend = D3DBLEND_INVSRCALPHA;
}

void ApplyTextureStage(const QNTEXSTAGE& st, std::uint32_t n, QNTEXSTAGE& c, bool force) {
    SendStage(n, D3DTSS_COLOROP, st.ColorOp, c.ColorOp, force);
    SendStage(n, D3DTSS_COLORARG1, st.ColorArg1, c.ColorArg1, force);
    SendStage(n, D3DTSS_COLORARG2, st.ColorArg2, c.ColorArg2, force);
    SendStage(n, D3DTSS_ALPHAOP, st.AlphaOp, c.AlphaOp, force);
    SendStage(n, D3DTSS_ALPHAARG1, st.AlphaArg1, c.AlphaArg1, force);
    SendStage(n, D3DTSS_ALPHAARG2, st.AlphaArg2, c.AlphaArg2, force);
    SendStage(n, D3DTSS_ADDRESSU, st.AddressU, c.AddressU, force);
    SendStage(n, D3DTSS_ADDRESSV, st.AddressV, c.AddressV, force);
    SendStage(n, D3DTSS_MINFILTER, st.MinFilter, c.MinFilter, force);
    SendStage(n, D3DTSS_MAGFILTER, st.MagFilter, c.MagFilter, force);
    SendStage(n, D3DTSS_MIPFILTER, st.MipFilter, c.MipFilter, force);
    SendStage(n, D3DTSS_BORDERCOLOR, st.BorderColor, c.BorderColor, force);
    if (force || c.MipLodBias != st.MipLodBias) {
        c.MipLodBias = st.MipLodBias;
        if (QNDISPLAY::Device) QNDISPLAY::Device->SetTextureStageState(n, D3DTSS_MIPMAPLODBIAS, Bits(st.MipLodBias));
    }
}

void ApplyD3DMaterial(const QNCOLOUR* const* colourRef) {
    const QNCOLOUR* colour = colourRef ? *colourRef : nullptr;
    const GfxMaterial& value = colour ? *colour : DefaultColour();
    // By value: a record may change in place, or a new one take a freed one's address.
    if (!C().colourSendAll && std::memcmp(&value, &C().colour, sizeof value) == 0) return;
    C().colour = value;
    C().colourSendAll = false;
    if (QNDISPLAY::Device) QNDISPLAY::Device->SetMaterial(value);
}

void ForgetTexture(const QNTEXTURE* texture) {
    for (QNTEXTURE*& cached : C().textures)
        if (cached == texture) cached = nullptr;
}

void ApplyTextures(const QNTEXTURESTAGES& block) {
    const bool force = C().texturesSendAll;
    const std::uint32_t n = GrantedStages();
    GfxDevice* d = QNDISPLAY::Device;
    for (std::uint32_t i = 0; i < n; ++i) {
        const QNTEXTURESTAGES::STAGE& st = block.Stages[i];
        if (force || C().textures[i] != st.Texture) {
            C().textures[i] = st.Texture;
            if (d) d->SetTexture(i, st.Texture ? st.Texture->Texture : nullptr);
        }
        if (st.Texture && st.Texture->TransformFlag) {
            if (force || !C().transformOn[i]) {
                C().transformOn[i] = true;
                if (d) d->SetTextureStageState(i, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2);
            }
            if (d) d->SetTransform(D3DTS_TEXTURE0 + i, st.Matrix.m);
        } else if (force || C().transformOn[i]) {
            C().transformOn[i] = false;
            if (d) d->SetTextureStageState(i, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE);
        }
    }
    C().texturesSendAll = false;
}
