// The OpenGL device: context, offscreen back buffer, present, reset and lost
// state, clears and viewports, and the stores of the device state that draws
// apply (see gl_draw.cpp).
//
// The back buffer is a framebuffer object of the presentation size, drawn in
// GL's orientation (row 0 at the bottom); a viewport given top-down is turned
// over at this boundary, and read-back returns rows top first. Present scales
// the back buffer by one factor into the window's real client area, centred,
// with black bars where the shapes differ; the pointer maps through the same
// rectangle (PlatformSetPresentation).

#include <cstdlib>
#include <cstring>

#include "platform/gl_device_local.h"
#include "platform/window.h"

namespace gfxgl {
namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

uint32_t FloatBits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, 4);
    return u;
}

}  // namespace

bool g_errorChecks = false;

bool Device::BoundsKey::operator<(const BoundsKey& o) const {
    if (vb != o.vb) return vb < o.vb;
    if (first != o.first) return first < o.first;
    if (count != o.count) return count < o.count;
    return version < o.version;
}

bool GlHasExtension(const char* extensions, const char* name) {
    if (!extensions || !name || !*name) return false;
    const std::size_t n = std::strlen(name);
    for (const char* p = extensions; (p = std::strstr(p, name)) != nullptr; p += n) {
        const bool starts = p == extensions || p[-1] == ' ';
        if (starts && (p[n] == ' ' || p[n] == '\0')) return true;
    }
    return false;
}

std::string GlContextShortfall(const char* version, const char* extensions, int textureUnits) {
    std::string missing;
    // Core since 3.0; before that only the ARB extension has the entry points used here
    // (the EXT one lacks blits and the depth-stencil attachment).
    const int major = version ? std::atoi(version) : 0;
    if (major < 3 && !GlHasExtension(extensions, "GL_ARB_framebuffer_object"))
        missing = "The OpenGL context (version " + std::string(version ? version : "unknown") +
                  ") lacks framebuffer objects (OpenGL 3.0 or GL_ARB_framebuffer_object).";
    if (textureUnits < 1) {
        if (!missing.empty()) missing += ' ';
        missing += "The OpenGL context has no texture units.";
    }
    return missing;
}

Device::Device(SDL_Window* focus, D3DFORMAT desktopFormat)
    : shared_(std::make_shared<Shared>()), focus_(focus), desktopFormat_(desktopFormat) {
    shared_->device = this;
    for (auto& w : worlds_) std::memcpy(w, kIdentity, sizeof w);
    std::memcpy(view_, kIdentity, sizeof view_);
    std::memcpy(proj_, kIdentity, sizeof proj_);
    for (auto& t : texm_) std::memcpy(t, kIdentity, sizeof t);
}

Device::~Device() {
    if (context_) {
        SDL_GL_MakeCurrent(window_, context_);
        FreeBackBuffer();
        if (white_) glDeleteTextures(1, &white_);
        SDL_GL_MakeCurrent(window_, nullptr);
        SDL_GL_DeleteContext(context_);
        PlatformClearPresentation();
    }
    shared_->alive = false;
    shared_->device = nullptr;
}

void Device::Forget(const void* resource) {
    for (Texture*& t : textures_) {
        if (t == resource) {
            t = nullptr;
            stagesDirty_ = true;
        }
    }
    if (stream_ == resource) stream_ = nullptr;
    if (tweenStream_ == resource) tweenStream_ = nullptr;
    if (indices_ == resource) indices_ = nullptr;
}

GfxResult Device::CheckParameters(const GfxPresentParameters& pp) const {
    if (pp.BackBufferWidth == 0 || pp.BackBufferHeight == 0 || pp.BackBufferWidth > 8192 ||
        pp.BackBufferHeight > 8192)
        return D3DERR_INVALIDCALL;
    D3DFORMAT f = pp.BackBufferFormat;
    bool known = f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 ||
                 f == D3DFMT_A1R5G5B5;
    if (!known) return D3DERR_INVALIDCALL;
    // A windowed swap chain takes the desktop's format.
    if (pp.Windowed && !(f == desktopFormat_ || (desktopFormat_ == D3DFMT_X8R8G8B8 && f == D3DFMT_A8R8G8B8)))
        return D3DERR_INVALIDCALL;
    if (pp.EnableAutoDepthStencil && pp.AutoDepthStencilFormat != D3DFMT_D16 &&
        pp.AutoDepthStencilFormat != D3DFMT_D24X8 && pp.AutoDepthStencilFormat != D3DFMT_D24S8)
        return D3DERR_INVALIDCALL;
    if (pp.MultiSampleType != D3DMULTISAMPLE_NONE) return D3DERR_INVALIDCALL;
    return D3D_OK;
}

GfxResult Device::Init(const GfxPresentParameters& pp) {
    window_ = pp.DeviceWindow ? pp.DeviceWindow : focus_;
    if (!window_ || !(SDL_GetWindowFlags(window_) & SDL_WINDOW_OPENGL)) return D3DERR_INVALIDCALL;
    GfxResult r = CheckParameters(pp);
    if (r != D3D_OK) return r;
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    context_ = SDL_GL_CreateContext(window_);
    if (!context_) return D3DERR_NOTAVAILABLE;
    if (SDL_GL_MakeCurrent(window_, context_) != 0) return D3DERR_NOTAVAILABLE;
    GLint units = 0;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
    const char* extensions = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    missing_ = GlContextShortfall(reinterpret_cast<const char*>(glGetString(GL_VERSION)), extensions, units);
    if (!missing_.empty()) return D3DERR_NOTAVAILABLE;
    units_ = units < 8 ? uint32_t(units) : 8u;
    auto has = [extensions](const char* name) { return GlHasExtension(extensions, name); };
    // Flat shading takes the colour of a triangle's first vertex, as Direct3D does.
    if (has("GL_EXT_provoking_vertex") || has("GL_ARB_provoking_vertex"))
        glProvokingVertex(GL_FIRST_VERTEX_CONVENTION);
    combine3_ = has("GL_ATI_texture_env_combine3");

    glGenTextures(1, &white_);
    glBindTexture(GL_TEXTURE_2D, white_);
    const uint32_t white = 0xFFFFFFFFu;
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);

    r = ApplyWindowMode(pp);
    if (r != D3D_OK) return r;
    r = MakeBackBuffer(pp);
    if (r != D3D_OK) return r;
    pp_ = pp;
    pp_.DeviceWindow = window_;
    UpdatePresentation();
    SetDefaultState();
    return D3D_OK;
}

GfxResult Device::ApplyWindowMode(const GfxPresentParameters& pp) {
    if (!PlatformWindowSetFullScreen(window_, !pp.Windowed)) return D3DERR_NOTAVAILABLE;
    // A missing vertical sync only lets frames run faster: not a failure.
    SDL_GL_SetSwapInterval(pp.PresentationInterval == D3DPRESENT_INTERVAL_ONE ? 1 : 0);
    return D3D_OK;
}

GfxResult Device::MakeBackBuffer(const GfxPresentParameters& pp) {
    FreeBackBuffer();
    glGenFramebuffers(1, &fbo_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glGenRenderbuffers(1, &colourRb_);
    glBindRenderbuffer(GL_RENDERBUFFER, colourRb_);
    glRenderbufferStorage(GL_RENDERBUFFER, GL_RGBA8, GLsizei(pp.BackBufferWidth), GLsizei(pp.BackBufferHeight));
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colourRb_);
    if (pp.EnableAutoDepthStencil) {
        glGenRenderbuffers(1, &depthRb_);
        glBindRenderbuffer(GL_RENDERBUFFER, depthRb_);
        glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, GLsizei(pp.BackBufferWidth),
                              GLsizei(pp.BackBufferHeight));
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, depthRb_);
    }
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (glCheckFramebufferStatus(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        FreeBackBuffer();
        return D3DERR_OUTOFVIDEOMEMORY;
    }
    // A new back buffer starts black with depth at the far plane.
    glDisable(GL_SCISSOR_TEST);
    glClearColor(0, 0, 0, 1);
    glClearDepth(1.0);
    glClearStencil(0);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT);
    return D3D_OK;
}

void Device::FreeBackBuffer() {
    if (fbo_) {
        glBindFramebuffer(GL_FRAMEBUFFER, 0);
        glDeleteFramebuffers(1, &fbo_);
    }
    if (colourRb_) glDeleteRenderbuffers(1, &colourRb_);
    if (depthRb_) glDeleteRenderbuffers(1, &depthRb_);
    fbo_ = colourRb_ = depthRb_ = 0;
}

void Device::SetDefaultState() {
    for (uint32_t& v : rs_) v = 0;
    rs_[D3DRS_ZENABLE] = pp_.EnableAutoDepthStencil ? 1 : 0;
    rs_[D3DRS_FILLMODE] = D3DFILL_SOLID;
    rs_[D3DRS_SHADEMODE] = D3DSHADE_GOURAUD;
    rs_[D3DRS_ZWRITEENABLE] = 1;
    rs_[D3DRS_SRCBLEND] = D3DBLEND_ONE;
    rs_[D3DRS_DESTBLEND] = D3DBLEND_ZERO;
    rs_[D3DRS_CULLMODE] = D3DCULL_CCW;
    rs_[D3DRS_ZFUNC] = D3DCMP_LESSEQUAL;
    rs_[D3DRS_ALPHAFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_FOGEND] = FloatBits(1.0f);
    rs_[D3DRS_FOGDENSITY] = FloatBits(1.0f);
    rs_[D3DRS_STENCILFAIL] = rs_[D3DRS_STENCILZFAIL] = rs_[D3DRS_STENCILPASS] = D3DSTENCILOP_KEEP;
    rs_[D3DRS_STENCILFUNC] = D3DCMP_ALWAYS;
    rs_[D3DRS_STENCILMASK] = rs_[D3DRS_STENCILWRITEMASK] = 0xFFFFFFFFu;
    rs_[D3DRS_TEXTUREFACTOR] = 0xFFFFFFFFu;
    rs_[D3DRS_LIGHTING] = 1;
    rs_[D3DRS_COLORVERTEX] = 1;
    rs_[D3DRS_LOCALVIEWER] = 1;
    rs_[D3DRS_POINTSIZE] = FloatBits(1.0f);
    rs_[D3DRS_POINTSIZE_MAX] = FloatBits(64.0f);
    rs_[D3DRS_POINTSCALE_A] = FloatBits(1.0f);
    rs_[D3DRS_BLENDOP] = D3DBLENDOP_ADD;
    for (uint32_t s = 0; s < 8; ++s) {
        uint32_t* t = tss_[s];
        for (uint32_t i = 0; i < D3DTSS_COUNT; ++i) t[i] = 0;
        t[D3DTSS_COLOROP] = s == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
        t[D3DTSS_ALPHAOP] = s == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
        t[D3DTSS_COLORARG1] = t[D3DTSS_ALPHAARG1] = D3DTA_TEXTURE;
        t[D3DTSS_COLORARG2] = t[D3DTSS_ALPHAARG2] = D3DTA_CURRENT;
        t[D3DTSS_TEXCOORDINDEX] = s;
        t[D3DTSS_ADDRESSU] = t[D3DTSS_ADDRESSV] = D3DTADDRESS_WRAP;
        t[D3DTSS_MAGFILTER] = t[D3DTSS_MINFILTER] = D3DTEXF_POINT;
        t[D3DTSS_MIPFILTER] = D3DTEXF_NONE;
        textures_[s] = nullptr;
        std::memcpy(texm_[s], kIdentity, sizeof texm_[s]);
    }
    for (auto& w : worlds_) std::memcpy(w, kIdentity, sizeof w);
    std::memcpy(view_, kIdentity, sizeof view_);
    std::memcpy(proj_, kIdentity, sizeof proj_);
    material_ = GfxMaterial{};
    lights_.clear();
    stream_ = tweenStream_ = nullptr;
    indices_ = nullptr;
    streamStride_ = tweenStride_ = baseVertex_ = fvf_ = 0;
    viewport_ = GfxViewport{0, 0, pp_.BackBufferWidth, pp_.BackBufferHeight, 0.0f, 1.0f};

    glFrontFace(GL_CW);  // front faces are clockwise as seen on screen
    glDisable(GL_SCISSOR_TEST);
    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, GL_FALSE);
    for (uint32_t s = D3DRS_ZENABLE; s < D3DRS_COUNT; ++s) ApplyRenderState(D3DRENDERSTATETYPE(s));
    glLightSlots_.assign(8, UINT32_MAX);
    for (int i = 0; i < 8; ++i) glDisable(GL_LIGHT0 + i);
    transformsDirty_ = materialDirty_ = stagesDirty_ = lightsDirty_ = true;
    colourMaterialOn_ = false;
    boundsCache_.clear();
}

GfxResult Device::TestCooperativeLevel() {
    if (lost_ == Lost::Lost) {
        if (lostTests_ > 0) --lostTests_;
        if (lostTests_ == 0) lost_ = Lost::NotReset;
        return D3DERR_DEVICELOST;
    }
    if (lost_ == Lost::NotReset) return D3DERR_DEVICENOTRESET;
    return D3D_OK;
}

void Device::ForceLost(int lostTests) {
    lost_ = lostTests > 0 ? Lost::Lost : Lost::NotReset;
    lostTests_ = lostTests;
}

GfxResult Device::Reset(const GfxPresentParameters& pp) {
    if (lost_ == Lost::Lost) return D3DERR_DEVICELOST;
    if (shared_->defaultPoolResources > 0) return D3DERR_INVALIDCALL;
    GfxResult r = CheckParameters(pp);
    if (r != D3D_OK) return r;
    if (SDL_GL_MakeCurrent(window_, context_) != 0) return D3DERR_NOTAVAILABLE;
    GfxPresentParameters next = pp;
    if (!next.DeviceWindow) next.DeviceWindow = window_;
    r = ApplyWindowMode(next);
    if (r != D3D_OK) return r;
    r = MakeBackBuffer(next);
    if (r != D3D_OK) return r;
    pp_ = next;
    UpdatePresentation();
    lost_ = Lost::None;
    inScene_ = false;
    SetDefaultState();
    return D3D_OK;
}

GfxResult Device::Present() {
    if (lost_ != Lost::None) return D3DERR_DEVICELOST;
    if (inScene_) return D3DERR_INVALIDCALL;
    const PlatformRect r = UpdatePresentation();
    glBindFramebuffer(GL_READ_FRAMEBUFFER, fbo_);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDisable(GL_SCISSOR_TEST);
    glViewport(0, 0, clientW_, clientH_);
    glClearColor(0, 0, 0, 1);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glClear(GL_COLOR_BUFFER_BIT);
    // The rectangle is top-down in client pixels; GL counts rows from the bottom.
    const GLint bottom = GLint(clientH_ - r.y - r.height);
    glBlitFramebuffer(0, 0, GLint(pp_.BackBufferWidth), GLint(pp_.BackBufferHeight), r.x, bottom, r.x + r.width,
                      bottom + r.height, GL_COLOR_BUFFER_BIT, GL_LINEAR);
    SDL_GL_SwapWindow(window_);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    transformsDirty_ = true;  // the viewport was borrowed
    if (g_errorChecks) {
        bool failed = false;
        // The flag may hold several errors (one per kind): read until it is clear.
        for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) failed = true;
        if (failed) return D3DERR_DRIVERINTERNALERROR;
    }
    return D3D_OK;
}

PlatformRect Device::UpdatePresentation() {
    // The real size, not SDL's: a full-screen request may report a size the window never got.
    PlatformRealClientSize(window_, &clientW_, &clientH_);
    PlatformSetPresentation(int(pp_.BackBufferWidth), int(pp_.BackBufferHeight), clientW_, clientH_);
    return PlatformFitPicture(int(pp_.BackBufferWidth), int(pp_.BackBufferHeight), clientW_, clientH_);
}

GfxResult Device::GetDeviceCaps(GfxCaps* caps) {
    if (!caps) return D3DERR_INVALIDCALL;
    FillCaps(caps);
    caps->MaxTextureBlendStages = caps->MaxSimultaneousTextures = units_;
    return D3D_OK;
}

GfxResult Device::BeginScene() {
    if (inScene_) return D3DERR_INVALIDCALL;
    inScene_ = true;
    return D3D_OK;
}

GfxResult Device::EndScene() {
    if (!inScene_) return D3DERR_INVALIDCALL;
    inScene_ = false;
    return D3D_OK;
}

GfxResult Device::Clear(uint32_t flags, D3DCOLOR colour, float z, uint32_t stencil) {
    if (lost_ != Lost::None) return D3D_OK;
    GLbitfield bits = 0;
    if (flags & D3DCLEAR_TARGET) bits |= GL_COLOR_BUFFER_BIT;
    if ((flags & D3DCLEAR_ZBUFFER) && depthRb_) bits |= GL_DEPTH_BUFFER_BIT;
    if ((flags & D3DCLEAR_STENCIL) && depthRb_) bits |= GL_STENCIL_BUFFER_BIT;
    if (!bits) return D3D_OK;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glEnable(GL_SCISSOR_TEST);
    GLint y = GLint(pp_.BackBufferHeight) - GLint(viewport_.Y) - GLint(viewport_.Height);
    glScissor(GLint(viewport_.X), y, GLsizei(viewport_.Width), GLsizei(viewport_.Height));
    glClearColor(float((colour >> 16) & 0xFF) / 255.0f, float((colour >> 8) & 0xFF) / 255.0f,
                 float(colour & 0xFF) / 255.0f, float(colour >> 24) / 255.0f);
    glClearDepth(z < 0.0f ? 0.0 : (z > 1.0f ? 1.0 : double(z)));
    glClearStencil(GLint(stencil));
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glDepthMask(GL_TRUE);
    glStencilMask(0xFFFFFFFFu);
    glClear(bits);
    glDisable(GL_SCISSOR_TEST);
    ApplyRenderState(D3DRS_ZWRITEENABLE);
    ApplyRenderState(D3DRS_STENCILWRITEMASK);
    return D3D_OK;
}

GfxResult Device::SetViewport(const GfxViewport& vp) {
    if (vp.Width == 0 || vp.Height == 0 || vp.X + vp.Width > pp_.BackBufferWidth ||
        vp.Y + vp.Height > pp_.BackBufferHeight || vp.MinZ < 0.0f || vp.MaxZ > 1.0f || vp.MinZ > vp.MaxZ)
        return D3DERR_INVALIDCALL;
    viewport_ = vp;
    transformsDirty_ = true;
    if (rs_[D3DRS_POINTSCALEENABLE] && context_) ApplyPointScale();
    return D3D_OK;
}

GfxResult Device::GetViewport(GfxViewport* vp) {
    if (!vp) return D3DERR_INVALIDCALL;
    *vp = viewport_;
    return D3D_OK;
}

GfxResult Device::SetTransform(uint32_t state, const float* m) {
    if (!m) return D3DERR_INVALIDCALL;
    if (state == D3DTS_VIEW) {
        std::memcpy(view_, m, sizeof view_);
        lightsDirty_ = true;
    } else if (state == D3DTS_PROJECTION) {
        std::memcpy(proj_, m, sizeof proj_);
    } else if (state == D3DTS_WORLD) {
        std::memcpy(world_, m, sizeof world_);
        lightsDirty_ = true;  // range tests depend on where the mesh is
    } else if (state >= D3DTS_TEXTURE0 && state < D3DTS_TEXTURE0 + units_) {
        std::memcpy(texm_[state - D3DTS_TEXTURE0], m, sizeof texm_[0]);
        stagesDirty_ = true;
        return D3D_OK;
    } else if (state > D3DTS_WORLD && state < D3DTS_WORLD + 256) {
        std::memcpy(worlds_[state - D3DTS_WORLD], m, sizeof worlds_[0]);
        return D3D_OK;  // read by blended draws only, which blend on every draw
    } else {
        return D3DERR_INVALIDCALL;
    }
    transformsDirty_ = true;
    return D3D_OK;
}

GfxResult Device::SetRenderState(D3DRENDERSTATETYPE state, uint32_t value) {
    if (state >= D3DRS_COUNT) return D3DERR_INVALIDCALL;
    rs_[state] = value;
    ApplyRenderState(state);
    return D3D_OK;
}

GfxResult Device::SetTextureStageState(uint32_t stage, D3DTEXTURESTAGESTATETYPE type, uint32_t value) {
    if (stage >= units_ || type >= D3DTSS_COUNT) return D3DERR_INVALIDCALL;
    tss_[stage][type] = value;
    stagesDirty_ = true;
    return D3D_OK;
}

GfxResult Device::SetTexture(uint32_t stage, GfxTexture* texture) {
    if (stage >= units_) return D3DERR_INVALIDCALL;
    textures_[stage] = static_cast<Texture*>(texture);
    stagesDirty_ = true;
    return D3D_OK;
}

GfxResult Device::SetMaterial(const GfxMaterial& material) {
    material_ = material;
    materialDirty_ = true;
    return D3D_OK;
}

GfxResult Device::SetLight(uint32_t index, const GfxLight& light) {
    if (light.Type != D3DLIGHT_POINT && light.Type != D3DLIGHT_SPOT && light.Type != D3DLIGHT_DIRECTIONAL)
        return D3DERR_INVALIDCALL;
    lights_[index].light = light;
    lightsDirty_ = true;
    return D3D_OK;
}

GfxResult Device::LightEnable(uint32_t index, bool enable) {
    auto it = lights_.find(index);
    if (it == lights_.end()) {
        // Enabling a light never set gives the default light, as the original API does.
        GfxLight def;
        def.Type = D3DLIGHT_DIRECTIONAL;
        def.Diffuse = {1, 1, 1, 0};
        def.Direction = {0, 0, 1};
        it = lights_.emplace(index, LightRecord{def, false}).first;
    }
    it->second.enabled = enable;
    lightsDirty_ = true;
    return D3D_OK;
}

GfxResult Device::SetGammaRamp(const GfxGammaRamp& ramp) {
    // Only a full-screen window can change the ramp; elsewhere the request is ignored.
    if (!pp_.Windowed) SDL_SetWindowGammaRamp(window_, ramp.red, ramp.green, ramp.blue);
    return D3D_OK;
}

GfxResult Device::CreateVertexBuffer(uint32_t length, uint32_t usage, uint32_t, D3DPOOL pool,
                                     GfxVertexBuffer** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (length == 0 || length > (256u << 20)) return D3DERR_INVALIDCALL;
    *out = new VertexBuffer(shared_, length, usage, pool);
    return D3D_OK;
}

GfxResult Device::CreateIndexBuffer(uint32_t length, uint32_t usage, D3DFORMAT format, D3DPOOL pool,
                                    GfxIndexBuffer** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (format != D3DFMT_INDEX16 || length == 0 || length > (256u << 20)) return D3DERR_INVALIDCALL;
    *out = new IndexBuffer(shared_, length, usage, pool);
    return D3D_OK;
}

GfxResult Device::CreateTexture(uint32_t width, uint32_t height, uint32_t levels, uint32_t usage, D3DFORMAT format,
                                D3DPOOL pool, GfxTexture** out) {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (width == 0 || height == 0 || width > 4096 || height > 4096) return D3DERR_INVALIDCALL;
    if (GfxFormatBits(format) == 0) return D3DERR_INVALIDCALL;
    uint32_t full = 1;
    for (uint32_t w = width, h = height; w > 1 || h > 1; w = w > 1 ? w / 2 : 1, h = h > 1 ? h / 2 : 1) ++full;
    if (levels == 0 || levels > full) levels = full;
    *out = new Texture(shared_, width, height, levels, usage, format, pool);
    return D3D_OK;
}

GfxResult Device::SetStreamSource(uint32_t stream, GfxVertexBuffer* vb, uint32_t stride) {
    if (stream == 1) {
        tweenStream_ = static_cast<VertexBuffer*>(vb);
        tweenStride_ = stride;
        return D3D_OK;
    }
    if (stream != 0) return D3DERR_INVALIDCALL;
    stream_ = static_cast<VertexBuffer*>(vb);
    streamStride_ = stride;
    return D3D_OK;
}

GfxResult Device::SetIndices(GfxIndexBuffer* ib, uint32_t baseVertex) {
    indices_ = static_cast<IndexBuffer*>(ib);
    baseVertex_ = baseVertex;
    return D3D_OK;
}

GfxResult Device::SetVertexShader(uint32_t fvf) {
    if (fvf_ != fvf) stagesDirty_ = materialDirty_ = true;
    fvf_ = fvf;
    return D3D_OK;
}

GfxResult Device::ReadBackBuffer(std::vector<uint32_t>* argb, uint32_t* width, uint32_t* height) {
    if (!argb || !fbo_) return D3DERR_INVALIDCALL;
    uint32_t w = pp_.BackBufferWidth, h = pp_.BackBufferHeight;
    std::vector<uint32_t> rows(size_t(w) * h);
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, GLsizei(w), GLsizei(h), GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, rows.data());
    argb->resize(rows.size());
    for (uint32_t y = 0; y < h; ++y)
        std::memcpy(argb->data() + size_t(y) * w, rows.data() + size_t(h - 1 - y) * w, size_t(w) * 4);
    if (width) *width = w;
    if (height) *height = h;
    return D3D_OK;
}

}  // namespace gfxgl

void GfxSetErrorChecks(bool on) { gfxgl::g_errorChecks = on; }

bool GfxErrorChecks() { return gfxgl::g_errorChecks; }
