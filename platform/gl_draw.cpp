// Draws of the OpenGL device: the stored Direct3D-shaped state is turned into
// fixed-function GL state at the boundary, then the stream is drawn.
//
// Transforms. The engine's matrices are row-vector and row-major, which is
// exactly GL's column-major column-vector layout, so they load unchanged. Eye
// space is turned right-handed by F = diag(1, 1, -1): modelview = W V F and
// projection = F P R, where R maps clip z from [0, w] to [-w, w]
// (z' = 2z - w) and shifts x and y by half a pixel so that pixel centres land
// where they would with integer centres. Depth values come out as the engine
// computed them, so depth functions compare as written.
//
// Winding. The image is the same upright image in both conventions, so a face
// that is clockwise on screen is clockwise in GL's window coordinates too:
// glFrontFace(GL_CW), and CULLMODE CCW culls GL back faces.
//
// Pre-transformed vertices (XYZRHW) are absolute pixels over the whole back
// buffer with integer pixel centres: x_gl = x + 0.5, y_gl = H - y - 0.5, depth
// z. GL's window y runs up, so its edge rule would take the bottom edge of a
// shape where the original takes the top one: y is raised by 1/128 pixel, below
// the rasteriser's precision for anything but an edge lying on a centre; they are submitted as clip coordinates times w = 1/rhw so texturing stays
// perspective-correct. They are unlit, unfogged and take no texture transform.
//
// Lights. Direct3D light indices are unbounded; at each lit draw the enabled
// lights are mapped onto GL's eight, skipping point and spot lights whose range
// does not reach the drawn vertices' bounding sphere. Positions are given to GL
// under the view matrix, so GL holds them in the converted eye space.
//
// Vertex blending and tweening are done on the CPU, as software vertex processing does:
// each vertex is taken to world space by its weighted world matrices (normals by their
// inverse transposes) and the draw runs under the view alone. Tweening reads its second
// positions and normals from stream 1, laid out as stream 0.
//
// Stages go through GL_COMBINE. A stage with no texture samples a 1x1 white
// texture; a single-level texture ignores its mip filter; two-coordinate
// texture transforms take their translation from the matrix's third row.

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/gl_device_local.h"

namespace gfxgl {
namespace {

const float kIdentity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
// Upward nudge of window y, in pixels, that makes top edges the inclusive ones.
constexpr float kEdgeBias = 1.0f / 128.0f;

float AsFloat(uint32_t u) {
    float f;
    std::memcpy(&f, &u, 4);
    return f;
}

void Mul(const float* a, const float* b, float* out) {
    float r[16];
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r[i * 4 + j] = a[i * 4] * b[j] + a[i * 4 + 1] * b[4 + j] + a[i * 4 + 2] * b[8 + j] + a[i * 4 + 3] * b[12 + j];
    std::memcpy(out, r, sizeof r);
}

void Argb(uint32_t c, float* out) {
    out[0] = float((c >> 16) & 0xFF) / 255.0f;
    out[1] = float((c >> 8) & 0xFF) / 255.0f;
    out[2] = float(c & 0xFF) / 255.0f;
    out[3] = float(c >> 24) / 255.0f;
}

GLenum CmpFunc(uint32_t f) {
    switch (f) {
    case D3DCMP_NEVER: return GL_NEVER;
    case D3DCMP_LESS: return GL_LESS;
    case D3DCMP_EQUAL: return GL_EQUAL;
    case D3DCMP_LESSEQUAL: return GL_LEQUAL;
    case D3DCMP_GREATER: return GL_GREATER;
    case D3DCMP_NOTEQUAL: return GL_NOTEQUAL;
    case D3DCMP_GREATEREQUAL: return GL_GEQUAL;
    default: return GL_ALWAYS;
    }
}

GLenum BlendFactor(uint32_t b, bool* both) {
    switch (b) {
    case D3DBLEND_ZERO: return GL_ZERO;
    case D3DBLEND_ONE: return GL_ONE;
    case D3DBLEND_SRCCOLOR: return GL_SRC_COLOR;
    case D3DBLEND_INVSRCCOLOR: return GL_ONE_MINUS_SRC_COLOR;
    case D3DBLEND_SRCALPHA: return GL_SRC_ALPHA;
    case D3DBLEND_INVSRCALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    case D3DBLEND_DESTALPHA: return GL_DST_ALPHA;
    case D3DBLEND_INVDESTALPHA: return GL_ONE_MINUS_DST_ALPHA;
    case D3DBLEND_DESTCOLOR: return GL_DST_COLOR;
    case D3DBLEND_INVDESTCOLOR: return GL_ONE_MINUS_DST_COLOR;
    case D3DBLEND_SRCALPHASAT: return GL_SRC_ALPHA_SATURATE;
    case 12: *both = true; return GL_SRC_ALPHA;            // both source alpha
    case 13: *both = true; return GL_ONE_MINUS_SRC_ALPHA;  // both inverse source alpha
    default: return GL_ONE;
    }
}

GLenum StencilOp(uint32_t op) {
    switch (op) {
    case D3DSTENCILOP_ZERO: return GL_ZERO;
    case D3DSTENCILOP_REPLACE: return GL_REPLACE;
    case D3DSTENCILOP_INCRSAT: return GL_INCR;
    case D3DSTENCILOP_DECRSAT: return GL_DECR;
    case D3DSTENCILOP_INVERT: return GL_INVERT;
    case D3DSTENCILOP_INCR: return GL_INCR_WRAP;
    case D3DSTENCILOP_DECR: return GL_DECR_WRAP;
    default: return GL_KEEP;
    }
}

GLenum Wrap(uint32_t a) {
    switch (a) {
    case D3DTADDRESS_MIRROR: return GL_MIRRORED_REPEAT;
    case D3DTADDRESS_CLAMP: return GL_CLAMP_TO_EDGE;
    case D3DTADDRESS_BORDER: return GL_CLAMP_TO_BORDER;
    default: return GL_REPEAT;
    }
}

// Source and operand of one combiner argument.
void Arg(uint32_t arg, bool alpha, uint32_t stage, GLenum* src, GLenum* operand) {
    switch (arg & D3DTA_SELECTMASK) {
    case D3DTA_DIFFUSE: *src = GL_PRIMARY_COLOR; break;
    case D3DTA_CURRENT: *src = stage == 0 ? GL_PRIMARY_COLOR : GL_PREVIOUS; break;
    case D3DTA_TEXTURE: *src = GL_TEXTURE; break;
    case D3DTA_TFACTOR: *src = GL_CONSTANT; break;
    // No vertex kind carries a specular colour, so the iterated specular is Direct3D's default
    // 0: the stage's constant, zeroed when the stage reads no texture factor.
    case D3DTA_SPECULAR: *src = GL_CONSTANT; break;
    default: *src = GL_PRIMARY_COLOR; break;  // temporaries are not kept apart
    }
    bool comp = (arg & D3DTA_COMPLEMENT) != 0;
    if (alpha || (arg & D3DTA_ALPHAREPLICATE))
        *operand = comp ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA;
    else
        *operand = comp ? GL_ONE_MINUS_SRC_COLOR : GL_SRC_COLOR;
}

GLenum Complement(GLenum operand) {
    switch (operand) {
    case GL_SRC_COLOR: return GL_ONE_MINUS_SRC_COLOR;
    case GL_ONE_MINUS_SRC_COLOR: return GL_SRC_COLOR;
    case GL_SRC_ALPHA: return GL_ONE_MINUS_SRC_ALPHA;
    default: return GL_SRC_ALPHA;
    }
}

// Whether an argument of the stage reads `which` (D3DTA_SPECULAR, D3DTA_TFACTOR).
bool StageReads(const uint32_t* st, uint32_t which) {
    for (uint32_t a : {st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2], st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2]})
        if ((a & D3DTA_SELECTMASK) == which) return true;
    return false;
}

// Multiply-add operations on the combiner of GL_ATI_texture_env_combine3 (s0 x s2 + s1):
// ADDSMOOTH is a1 + a2 (1 - a1), the premultiplied texture-alpha blend a1 + a2 (1 - texture alpha).
void CombineMultiplyAdd(bool alpha, uint32_t stage, uint32_t op, uint32_t a1, uint32_t a2, const GLenum* srcName,
                        const GLenum* opName) {
    GLenum s1, o1, s2, o2;
    Arg(a1, alpha, stage, &s1, &o1);
    Arg(a2, alpha, stage, &s2, &o2);
    GLenum weight = s1, weightOp = Complement(o1);
    if (op == D3DTOP_BLENDTEXTUREALPHAPM) {
        weight = GL_TEXTURE;
        weightOp = GL_ONE_MINUS_SRC_ALPHA;
    }
    glTexEnvi(GL_TEXTURE_ENV, alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB, GL_MODULATE_ADD_ATI);
    glTexEnvi(GL_TEXTURE_ENV, srcName[0], GLint(s2));
    glTexEnvi(GL_TEXTURE_ENV, opName[0], GLint(o2));
    glTexEnvi(GL_TEXTURE_ENV, srcName[1], GLint(s1));
    glTexEnvi(GL_TEXTURE_ENV, opName[1], GLint(o1));
    glTexEnvi(GL_TEXTURE_ENV, srcName[2], GLint(weight));
    glTexEnvi(GL_TEXTURE_ENV, opName[2], GLint(weightOp));
    glTexEnvf(GL_TEXTURE_ENV, alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE, 1.0f);
}

void Combine(bool alpha, uint32_t stage, uint32_t op, uint32_t a1, uint32_t a2, bool combine3) {
    const GLenum modeName = alpha ? GL_COMBINE_ALPHA : GL_COMBINE_RGB;
    const GLenum srcName[3] = {alpha ? GLenum(GL_SOURCE0_ALPHA) : GLenum(GL_SOURCE0_RGB),
                               alpha ? GLenum(GL_SOURCE1_ALPHA) : GLenum(GL_SOURCE1_RGB),
                               alpha ? GLenum(GL_SOURCE2_ALPHA) : GLenum(GL_SOURCE2_RGB)};
    const GLenum opName[3] = {alpha ? GLenum(GL_OPERAND0_ALPHA) : GLenum(GL_OPERAND0_RGB),
                              alpha ? GLenum(GL_OPERAND1_ALPHA) : GLenum(GL_OPERAND1_RGB),
                              alpha ? GLenum(GL_OPERAND2_ALPHA) : GLenum(GL_OPERAND2_RGB)};
    if (combine3 && (op == D3DTOP_ADDSMOOTH || op == D3DTOP_BLENDTEXTUREALPHAPM)) {
        CombineMultiplyAdd(alpha, stage, op, a1, a2, srcName, opName);
        return;
    }
    const GLenum scaleName = alpha ? GL_ALPHA_SCALE : GL_RGB_SCALE;
    GLenum mode = GL_MODULATE;
    float scale = 1.0f;
    uint32_t args[2] = {a1, a2};
    int nargs = 2;
    GLenum interpSrc = 0;
    switch (op) {
    case D3DTOP_DISABLE:  // alpha disabled under an enabled colour: pass the current alpha on
        mode = GL_REPLACE; args[0] = D3DTA_CURRENT; nargs = 1; break;
    case D3DTOP_SELECTARG1: mode = GL_REPLACE; nargs = 1; break;
    case D3DTOP_SELECTARG2: mode = GL_REPLACE; args[0] = a2; nargs = 1; break;
    case D3DTOP_MODULATE2X: scale = 2.0f; break;
    case D3DTOP_MODULATE4X: scale = 4.0f; break;
    case D3DTOP_ADD: case D3DTOP_ADDSMOOTH: mode = GL_ADD; break;
    case D3DTOP_ADDSIGNED: mode = GL_ADD_SIGNED; break;
    case D3DTOP_ADDSIGNED2X: mode = GL_ADD_SIGNED; scale = 2.0f; break;
    case D3DTOP_SUBTRACT: mode = GL_SUBTRACT; break;
    case D3DTOP_BLENDDIFFUSEALPHA: mode = GL_INTERPOLATE; interpSrc = GL_PRIMARY_COLOR; break;
    case D3DTOP_BLENDTEXTUREALPHA: case D3DTOP_BLENDTEXTUREALPHAPM:
        mode = GL_INTERPOLATE; interpSrc = GL_TEXTURE; break;
    case D3DTOP_BLENDFACTORALPHA: mode = GL_INTERPOLATE; interpSrc = GL_CONSTANT; break;
    case D3DTOP_BLENDCURRENTALPHA:
        mode = GL_INTERPOLATE; interpSrc = stage == 0 ? GL_PRIMARY_COLOR : GL_PREVIOUS; break;
    case D3DTOP_DOTPRODUCT3: mode = alpha ? GL_MODULATE : GL_DOT3_RGBA; break;
    default: break;
    }
    glTexEnvi(GL_TEXTURE_ENV, modeName, GLint(mode));
    for (int i = 0; i < nargs; ++i) {
        GLenum src, operand;
        Arg(args[i], alpha, stage, &src, &operand);
        glTexEnvi(GL_TEXTURE_ENV, srcName[i], GLint(src));
        glTexEnvi(GL_TEXTURE_ENV, opName[i], GLint(operand));
    }
    if (mode == GL_INTERPOLATE) {
        glTexEnvi(GL_TEXTURE_ENV, srcName[2], GLint(interpSrc));
        glTexEnvi(GL_TEXTURE_ENV, opName[2], GL_SRC_ALPHA);
    }
    glTexEnvf(GL_TEXTURE_ENV, scaleName, scale);
}

uint32_t ElementCount(D3DPRIMITIVETYPE type, uint32_t n) {
    switch (type) {
    case D3DPT_POINTLIST: return n;
    case D3DPT_LINELIST: return 2 * n;
    case D3DPT_LINESTRIP: return n ? n + 1 : 0;
    case D3DPT_TRIANGLELIST: return 3 * n;
    case D3DPT_TRIANGLESTRIP: case D3DPT_TRIANGLEFAN: return n ? n + 2 : 0;
    default: return 0;
    }
}

GLenum GlMode(D3DPRIMITIVETYPE type) {
    switch (type) {
    case D3DPT_POINTLIST: return GL_POINTS;
    case D3DPT_LINELIST: return GL_LINES;
    case D3DPT_LINESTRIP: return GL_LINE_STRIP;
    case D3DPT_TRIANGLESTRIP: return GL_TRIANGLE_STRIP;
    case D3DPT_TRIANGLEFAN: return GL_TRIANGLE_FAN;
    default: return GL_TRIANGLES;
    }
}

}  // namespace

void Device::ApplyRenderState(D3DRENDERSTATETYPE state) {
    const uint32_t v = rs_[state];
    switch (state) {
    case D3DRS_ZENABLE:
        if (v && depthRb_) glEnable(GL_DEPTH_TEST); else glDisable(GL_DEPTH_TEST);
        break;
    case D3DRS_FILLMODE:
        glPolygonMode(GL_FRONT_AND_BACK, v == D3DFILL_POINT ? GL_POINT : v == D3DFILL_WIREFRAME ? GL_LINE : GL_FILL);
        break;
    case D3DRS_SHADEMODE: glShadeModel(v == D3DSHADE_FLAT ? GL_FLAT : GL_SMOOTH); break;
    case D3DRS_ZWRITEENABLE: glDepthMask(v ? GL_TRUE : GL_FALSE); break;
    case D3DRS_ALPHATESTENABLE:
        if (v) glEnable(GL_ALPHA_TEST); else glDisable(GL_ALPHA_TEST);
        break;
    case D3DRS_ALPHAREF: case D3DRS_ALPHAFUNC:
        glAlphaFunc(CmpFunc(rs_[D3DRS_ALPHAFUNC]), float(rs_[D3DRS_ALPHAREF] & 0xFF) / 255.0f);
        break;
    case D3DRS_SRCBLEND: case D3DRS_DESTBLEND: {
        bool both = false;
        GLenum s = BlendFactor(rs_[D3DRS_SRCBLEND], &both);
        if (both) {
            glBlendFunc(s, s == GL_SRC_ALPHA ? GL_ONE_MINUS_SRC_ALPHA : GL_SRC_ALPHA);
            break;
        }
        glBlendFunc(s, BlendFactor(rs_[D3DRS_DESTBLEND], &both));
        break;
    }
    case D3DRS_CULLMODE:
        if (v == D3DCULL_NONE) {
            glDisable(GL_CULL_FACE);
        } else {
            glEnable(GL_CULL_FACE);
            glCullFace(v == D3DCULL_CW ? GL_FRONT : GL_BACK);
        }
        break;
    case D3DRS_ZFUNC: glDepthFunc(CmpFunc(v)); break;
    case D3DRS_DITHERENABLE:
        if (v) glEnable(GL_DITHER); else glDisable(GL_DITHER);
        break;
    case D3DRS_ALPHABLENDENABLE:
        if (v) glEnable(GL_BLEND); else glDisable(GL_BLEND);
        break;
    case D3DRS_NORMALIZENORMALS:
        if (v) glEnable(GL_NORMALIZE); else glDisable(GL_NORMALIZE);
        break;
    case D3DRS_ZBIAS:
        if (v) {
            glEnable(GL_POLYGON_OFFSET_FILL);
            glEnable(GL_POLYGON_OFFSET_LINE);
            glEnable(GL_POLYGON_OFFSET_POINT);
            glPolygonOffset(0.0f, -float(v));
        } else {
            glDisable(GL_POLYGON_OFFSET_FILL);
            glDisable(GL_POLYGON_OFFSET_LINE);
            glDisable(GL_POLYGON_OFFSET_POINT);
        }
        break;
    case D3DRS_STENCILENABLE: case D3DRS_STENCILFAIL: case D3DRS_STENCILZFAIL: case D3DRS_STENCILPASS:
    case D3DRS_STENCILFUNC: case D3DRS_STENCILREF: case D3DRS_STENCILMASK: case D3DRS_STENCILWRITEMASK:
        ApplyStencil();
        break;
    case D3DRS_BLENDOP: {
        GLenum eq = GL_FUNC_ADD;
        if (v == D3DBLENDOP_SUBTRACT) eq = GL_FUNC_SUBTRACT;
        else if (v == D3DBLENDOP_REVSUBTRACT) eq = GL_FUNC_REVERSE_SUBTRACT;
        else if (v == D3DBLENDOP_MIN) eq = GL_MIN;
        else if (v == D3DBLENDOP_MAX) eq = GL_MAX;
        glBlendEquation(eq);
        break;
    }
    // The size before scaling may be a fraction of a pixel: the scale brings it to screen size.
    case D3DRS_POINTSIZE: glPointSize(std::clamp(AsFloat(v), 1.0f / 64.0f, 64.0f)); break;
    case D3DRS_POINTSIZE_MIN: glPointParameterf(GL_POINT_SIZE_MIN, std::max(0.0f, AsFloat(v))); break;
    case D3DRS_POINTSIZE_MAX: glPointParameterf(GL_POINT_SIZE_MAX, std::clamp(AsFloat(v), 0.0f, 64.0f)); break;
    case D3DRS_POINTSCALEENABLE: case D3DRS_POINTSCALE_A: case D3DRS_POINTSCALE_B: case D3DRS_POINTSCALE_C:
        ApplyPointScale();
        break;
    case D3DRS_POINTSPRITEENABLE:
        if (v) glEnable(GL_POINT_SPRITE); else glDisable(GL_POINT_SPRITE);
        glActiveTexture(GL_TEXTURE0);
        glTexEnvi(GL_POINT_SPRITE, GL_COORD_REPLACE, v ? GL_TRUE : GL_FALSE);
        break;
    case D3DRS_TEXTUREFACTOR: stagesDirty_ = true; break;
    case D3DRS_LIGHTING: case D3DRS_AMBIENT: case D3DRS_SPECULARENABLE: case D3DRS_LOCALVIEWER:
    case D3DRS_COLORVERTEX:
        materialDirty_ = true;
        break;
    default: break;  // fog, vertex blending and tweening are applied per draw; multisampling is kept only
    }
}

// Direct3D scales a point of size S at eye distance d to H S sqrt(1 / (A + B d + C d^2)) pixels,
// H the viewport height; GL's attenuation is the same without H, so the coefficients are divided
// by H^2.
void Device::ApplyPointScale() {
    float att[3] = {1.0f, 0.0f, 0.0f};
    if (rs_[D3DRS_POINTSCALEENABLE]) {
        const float h = float(viewport_.Height ? viewport_.Height : pp_.BackBufferHeight);
        const float k = h > 0.0f ? 1.0f / (h * h) : 1.0f;
        att[0] = AsFloat(rs_[D3DRS_POINTSCALE_A]) * k;
        att[1] = AsFloat(rs_[D3DRS_POINTSCALE_B]) * k;
        att[2] = AsFloat(rs_[D3DRS_POINTSCALE_C]) * k;
    }
    glPointParameterfv(GL_POINT_DISTANCE_ATTENUATION, att);
}

void Device::ApplyStencil() {
    if (rs_[D3DRS_STENCILENABLE] && depthRb_) glEnable(GL_STENCIL_TEST); else glDisable(GL_STENCIL_TEST);
    glStencilFunc(CmpFunc(rs_[D3DRS_STENCILFUNC]), GLint(rs_[D3DRS_STENCILREF]), rs_[D3DRS_STENCILMASK]);
    glStencilOp(StencilOp(rs_[D3DRS_STENCILFAIL]), StencilOp(rs_[D3DRS_STENCILZFAIL]),
                StencilOp(rs_[D3DRS_STENCILPASS]));
    glStencilMask(rs_[D3DRS_STENCILWRITEMASK]);
}

void Device::ApplyFog(bool rhw) {
    // Vertex fog is computed by the transform, which pre-transformed vertices skip; table fog
    // reads their depth (the fog coordinates the draw fills).
    uint32_t mode = rs_[D3DRS_FOGTABLEMODE] != D3DFOG_NONE ? rs_[D3DRS_FOGTABLEMODE]
                    : rhw                                   ? uint32_t(D3DFOG_NONE)
                                                            : rs_[D3DRS_FOGVERTEXMODE];
    if (!rs_[D3DRS_FOGENABLE] || mode == D3DFOG_NONE) {
        glDisable(GL_FOG);
        return;
    }
    glEnable(GL_FOG);
    glFogi(GL_FOG_COORD_SRC, rhw ? GL_FOG_COORD : GL_FRAGMENT_DEPTH);
    glFogi(GL_FOG_MODE, mode == D3DFOG_EXP ? GL_EXP : mode == D3DFOG_EXP2 ? GL_EXP2 : GL_LINEAR);
    float c[4];
    Argb(rs_[D3DRS_FOGCOLOR], c);
    glFogfv(GL_FOG_COLOR, c);
    glFogf(GL_FOG_START, AsFloat(rs_[D3DRS_FOGSTART]));
    glFogf(GL_FOG_END, AsFloat(rs_[D3DRS_FOGEND]));
    glFogf(GL_FOG_DENSITY, AsFloat(rs_[D3DRS_FOGDENSITY]));
}

void Device::ApplyTransforms(bool rhw) {
    if (!transformsDirty_ && rhw == lastRhw_ && blended_ == lastBlended_) return;
    transformsDirty_ = false;
    lastRhw_ = rhw;
    lastBlended_ = blended_;
    if (rhw) {
        glViewport(0, 0, GLsizei(pp_.BackBufferWidth), GLsizei(pp_.BackBufferHeight));
        glDepthRange(0.0, 1.0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        return;
    }
    GLint y = GLint(pp_.BackBufferHeight) - GLint(viewport_.Y) - GLint(viewport_.Height);
    glViewport(GLint(viewport_.X), y, GLsizei(viewport_.Width), GLsizei(viewport_.Height));
    glDepthRange(viewport_.MinZ, viewport_.MaxZ);
    const float F[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    float R[16];
    std::memcpy(R, kIdentity, sizeof R);
    R[10] = 2.0f;
    R[14] = -1.0f;
    R[12] = 1.0f / float(viewport_.Width);
    R[13] = (-1.0f + 2.0f * kEdgeBias) / float(viewport_.Height);
    float p[16], mv[16];
    Mul(F, proj_, p);
    Mul(p, R, p);
    glMatrixMode(GL_PROJECTION);
    glLoadMatrixf(p);
    Mul(blended_ ? kIdentity : world_, view_, mv);
    Mul(mv, F, mv);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(mv);
}

bool Device::BoundsOfRange(uint32_t first, uint32_t count, float centre[3], float* radius) {
    const Buffer& b = stream_->buf;
    uint32_t stride = streamStride_;
    BoundsKey key{b.serial, first, count, b.version};
    auto it = boundsCache_.find(key);
    if (it != boundsCache_.end()) {
        centre[0] = it->second[0];
        centre[1] = it->second[1];
        centre[2] = it->second[2];
        *radius = it->second[3];
        return true;
    }
    if (count == 0 || size_t(first + count) * stride > b.shadow.size()) return false;
    float lo[3] = {1e30f, 1e30f, 1e30f}, hi[3] = {-1e30f, -1e30f, -1e30f};
    for (uint32_t i = first; i < first + count; ++i) {
        float p[3];
        std::memcpy(p, b.shadow.data() + size_t(i) * stride, sizeof p);
        for (int k = 0; k < 3; ++k) {
            lo[k] = std::min(lo[k], p[k]);
            hi[k] = std::max(hi[k], p[k]);
        }
    }
    float r2 = 0.0f;
    for (int k = 0; k < 3; ++k) {
        centre[k] = 0.5f * (lo[k] + hi[k]);
        float h = 0.5f * (hi[k] - lo[k]);
        r2 += h * h;
    }
    *radius = std::sqrt(r2);
    if (boundsCache_.size() > 4096) boundsCache_.clear();
    boundsCache_[key] = {centre[0], centre[1], centre[2], *radius};
    return true;
}

void Device::ApplyLights(uint32_t first, uint32_t count) {
    // World-space sphere of the drawn vertices, for the range tests.
    float c[3] = {0, 0, 0}, r = 0.0f;
    bool haveBounds = false;
    std::vector<uint32_t> chosen;
    for (auto& [index, rec] : lights_) {
        if (!rec.enabled) continue;
        const GfxLight& l = rec.light;
        if (l.Type != D3DLIGHT_DIRECTIONAL) {
            if (!haveBounds && blended_) {
                std::copy(blendCentre_, blendCentre_ + 3, c);
                r = blendRadius_;
                haveBounds = true;
            } else if (!haveBounds) {
                float lc[3], lr;
                if (!BoundsOfRange(first, count, lc, &lr)) {
                    lc[0] = lc[1] = lc[2] = 0.0f;
                    lr = 0.0f;
                }
                for (int k = 0; k < 3; ++k)
                    c[k] = lc[0] * world_[k] + lc[1] * world_[4 + k] + lc[2] * world_[8 + k] + world_[12 + k];
                float s = 0.0f;
                for (int row = 0; row < 3; ++row) {
                    float len = std::sqrt(world_[row * 4] * world_[row * 4] + world_[row * 4 + 1] * world_[row * 4 + 1] +
                                          world_[row * 4 + 2] * world_[row * 4 + 2]);
                    s = std::max(s, len);
                }
                r = lr * s;
                haveBounds = true;
            }
            float dx = l.Position.x - c[0], dy = l.Position.y - c[1], dz = l.Position.z - c[2];
            float reach = l.Range + r;
            if (!(l.Range > 0.0f) || dx * dx + dy * dy + dz * dz >= reach * reach) continue;
        }
        chosen.push_back(index);
        if (chosen.size() == 8) break;
    }
    chosen.resize(8, UINT32_MAX);
    if (!lightsDirty_ && chosen == glLightSlots_) return;
    lightsDirty_ = false;
    glLightSlots_ = chosen;

    const float F[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 1};
    float vf[16];
    Mul(view_, F, vf);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(vf);
    transformsDirty_ = true;
    for (int j = 0; j < 8; ++j) {
        GLenum L = GLenum(GL_LIGHT0 + j);
        if (chosen[j] == UINT32_MAX) {
            glDisable(L);
            continue;
        }
        const GfxLight& l = lights_[chosen[j]].light;
        glEnable(L);
        glLightfv(L, GL_AMBIENT, &l.Ambient.r);
        glLightfv(L, GL_DIFFUSE, &l.Diffuse.r);
        glLightfv(L, GL_SPECULAR, &l.Specular.r);
        if (l.Type == D3DLIGHT_DIRECTIONAL) {
            // GL wants the direction toward the light.
            const float pos[4] = {-l.Direction.x, -l.Direction.y, -l.Direction.z, 0.0f};
            glLightfv(L, GL_POSITION, pos);
            glLightf(L, GL_SPOT_CUTOFF, 180.0f);
            glLightf(L, GL_CONSTANT_ATTENUATION, 1.0f);
            glLightf(L, GL_LINEAR_ATTENUATION, 0.0f);
            glLightf(L, GL_QUADRATIC_ATTENUATION, 0.0f);
            continue;
        }
        const float pos[4] = {l.Position.x, l.Position.y, l.Position.z, 1.0f};
        glLightfv(L, GL_POSITION, pos);
        bool noAtt = l.Attenuation0 == 0.0f && l.Attenuation1 == 0.0f && l.Attenuation2 == 0.0f;
        glLightf(L, GL_CONSTANT_ATTENUATION, noAtt ? 1.0f : l.Attenuation0);
        glLightf(L, GL_LINEAR_ATTENUATION, l.Attenuation1);
        glLightf(L, GL_QUADRATIC_ATTENUATION, l.Attenuation2);
        if (l.Type == D3DLIGHT_SPOT) {
            const float dir[3] = {l.Direction.x, l.Direction.y, l.Direction.z};
            glLightfv(L, GL_SPOT_DIRECTION, dir);
            float cutoff = std::clamp(l.Phi * 0.5f * 57.29578f, 0.0f, 90.0f);
            glLightf(L, GL_SPOT_CUTOFF, cutoff);
            glLightf(L, GL_SPOT_EXPONENT, std::clamp(l.Falloff, 0.0f, 128.0f));
        } else {
            glLightf(L, GL_SPOT_CUTOFF, 180.0f);
        }
    }
}

void Device::ApplyLighting(const Layout& layout, bool rhw, uint32_t first, uint32_t count) {
    bool on = rs_[D3DRS_LIGHTING] && !rhw;
    if (!on) {
        glDisable(GL_LIGHTING);
        if (colourMaterialOn_) {
            glDisable(GL_COLOR_MATERIAL);
            colourMaterialOn_ = false;
            materialDirty_ = true;
        }
        return;
    }
    glEnable(GL_LIGHTING);
    if (materialDirty_ || colourMaterialOn_) {
        float amb[4];
        Argb(rs_[D3DRS_AMBIENT], amb);
        amb[3] = 1.0f;
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, amb);
        glLightModeli(GL_LIGHT_MODEL_LOCAL_VIEWER, rs_[D3DRS_LOCALVIEWER] ? 1 : 0);
        bool spec = rs_[D3DRS_SPECULARENABLE] != 0;
        glLightModeli(GL_LIGHT_MODEL_COLOR_CONTROL, spec ? GL_SEPARATE_SPECULAR_COLOR : GL_SINGLE_COLOR);
        glDisable(GL_COLOR_MATERIAL);
        const float zero[4] = {0, 0, 0, 0};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, &material_.Ambient.r);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, &material_.Diffuse.r);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, spec ? &material_.Specular.r : zero);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, &material_.Emissive.r);
        glMaterialf(GL_FRONT_AND_BACK, GL_SHININESS, std::clamp(material_.Power, 0.0f, 128.0f));
        bool cm = rs_[D3DRS_COLORVERTEX] && layout.diffuse;
        if (cm) {
            glColorMaterial(GL_FRONT_AND_BACK, GL_DIFFUSE);
            glEnable(GL_COLOR_MATERIAL);
        }
        colourMaterialOn_ = cm;
        materialDirty_ = false;
    }
    ApplyLights(first, count);
}

void Device::ApplySampler(Texture* t, uint32_t s) {
    const uint32_t* st = tss_[s];
    bool minLinear = st[D3DTSS_MINFILTER] >= D3DTEXF_LINEAR;
    GLint minf = minLinear ? GL_LINEAR : GL_NEAREST;
    if (t->levels > 1 && st[D3DTSS_MIPFILTER] != D3DTEXF_NONE) {
        bool mipLinear = st[D3DTSS_MIPFILTER] >= D3DTEXF_LINEAR;
        minf = minLinear ? (mipLinear ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR_MIPMAP_NEAREST)
                         : (mipLinear ? GL_NEAREST_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_NEAREST);
    }
    GLint magf = st[D3DTSS_MAGFILTER] >= D3DTEXF_LINEAR ? GL_LINEAR : GL_NEAREST;
    GLint ws = GLint(Wrap(st[D3DTSS_ADDRESSU])), wt = GLint(Wrap(st[D3DTSS_ADDRESSV]));
    Sampler& sm = t->sampler;
    if (sm.minFilter != minf) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, sm.minFilter = minf);
    if (sm.magFilter != magf) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, sm.magFilter = magf);
    if (sm.wrapS != ws) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, sm.wrapS = ws);
    if (sm.wrapT != wt) glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, sm.wrapT = wt);
    if (sm.border != st[D3DTSS_BORDERCOLOR]) {
        sm.border = st[D3DTSS_BORDERCOLOR];
        float c[4];
        Argb(sm.border, c);
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, c);
    }
}

void Device::ApplyTextureStages(const Layout&, bool rhw) {
    // Samplers live in the texture objects, so a bound texture is checked on every draw.
    bool disabled = false;
    float factor[4];
    Argb(rs_[D3DRS_TEXTUREFACTOR], factor);
    for (uint32_t s = 0; s < units_; ++s) {
        const uint32_t* st = tss_[s];
        glActiveTexture(GL_TEXTURE0 + s);
        if (disabled || st[D3DTSS_COLOROP] == D3DTOP_DISABLE) {
            disabled = true;
            if (stagesDirty_) glDisable(GL_TEXTURE_2D);
            continue;
        }
        Texture* t = textures_[s];
        if (stagesDirty_) {
            glEnable(GL_TEXTURE_2D);
            glBindTexture(GL_TEXTURE_2D, t ? t->id : white_);
        }
        if (t) ApplySampler(t, s);
        if (!stagesDirty_ && rhw == lastStagesRhw_) continue;
        if (stagesDirty_) {
            glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_COMBINE);
            Combine(false, s, st[D3DTSS_COLOROP], st[D3DTSS_COLORARG1], st[D3DTSS_COLORARG2], combine3_);
            Combine(true, s, st[D3DTSS_ALPHAOP], st[D3DTSS_ALPHAARG1], st[D3DTSS_ALPHAARG2], combine3_);
            static const float kNoSpecular[4] = {0, 0, 0, 0};
            const bool specularOnly = StageReads(st, D3DTA_SPECULAR) && !StageReads(st, D3DTA_TFACTOR);
            glTexEnvfv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_COLOR, specularOnly ? kNoSpecular : factor);
            glTexEnvf(GL_TEXTURE_FILTER_CONTROL, GL_TEXTURE_LOD_BIAS, AsFloat(st[D3DTSS_MIPMAPLODBIAS]));
        }
        glMatrixMode(GL_TEXTURE);
        if (rhw || (st[D3DTSS_TEXTURETRANSFORMFLAGS] & 0xFF) == D3DTTFF_DISABLE) {
            glLoadIdentity();
        } else {
            // (u, v, 1) x M: rows 0 and 1 scale and turn, row 2 translates.
            const float* m = texm_[s];
            const float gm[16] = {m[0], m[1], 0, 0, m[4], m[5], 0, 0, 0, 0, 1, 0, m[8], m[9], 0, 1};
            glLoadMatrixf(gm);
        }
        glMatrixMode(GL_MODELVIEW);
    }
    stagesDirty_ = false;
    lastStagesRhw_ = rhw;
    glActiveTexture(GL_TEXTURE0);
}

GfxResult Device::BlendVertices(const Layout& L, uint32_t lo, uint32_t hi, bool* blended) {
    *blended = false;
    if (L.rhw) return D3D_OK;
    const uint32_t mode = rs_[D3DRS_VERTEXBLEND];
    const bool tween = mode == D3DVBF_TWEENING;
    const bool indexed = rs_[D3DRS_INDEXEDVERTEXBLENDENABLE] && L.blendIndices;
    uint32_t weights = 0;  // weights read from the vertex; the matrix after them takes the rest
    if (mode >= D3DVBF_1WEIGHTS && mode <= D3DVBF_3WEIGHTS) weights = std::min(mode, L.weights);
    else if (!tween && !(mode == D3DVBF_0WEIGHTS && indexed)) return D3D_OK;
    if (!tween && weights == 0 && !indexed) return D3D_OK;

    const Buffer& vb = stream_->buf;
    const uint32_t stride = streamStride_;
    const uint8_t* second = nullptr;
    if (tween && tweenStream_) {
        if (tweenStride_ < L.stride || size_t(hi) * tweenStride_ > tweenStream_->buf.shadow.size())
            return D3DERR_INVALIDCALL;
        second = tweenStream_->buf.shadow.data();
    }

    // Normals go through the inverse transpose of each matrix's 3x3 part, made once per draw.
    float normalMatrix[256][9];
    bool haveNormalMatrix[256] = {};
    auto normalOf = [&](uint32_t k) -> const float* {
        float* n = normalMatrix[k];
        if (haveNormalMatrix[k]) return n;
        haveNormalMatrix[k] = true;
        const float* m = worlds_[k];
        const float a = m[0], b = m[1], c = m[2], d = m[4], e = m[5], f = m[6], g = m[8], h = m[9], i = m[10];
        // Cofactors, which are the inverse transpose times the determinant.
        const float cof[9] = {e * i - f * h, f * g - d * i, d * h - e * g, c * h - b * i, a * i - c * g,
                              b * g - a * h, b * f - c * e, c * d - a * f, a * e - b * d};
        const float det = a * cof[0] + b * cof[1] + c * cof[2];
        const float s = std::fabs(det) > 1e-20f ? 1.0f / det : 1.0f;
        for (int j = 0; j < 9; ++j) n[j] = cof[j] * s;
        return n;
    };

    blendPos_.resize(size_t(hi) * 4);
    blendNormal_.resize(size_t(hi) * 3);
    float lo3[3] = {1e30f, 1e30f, 1e30f}, hi3[3] = {-1e30f, -1e30f, -1e30f};
    for (uint32_t v = lo; v < hi; ++v) {
        const uint8_t* src = vb.shadow.data() + size_t(v) * stride;
        float p[3], n[3] = {0, 0, 0};
        std::memcpy(p, src, sizeof p);
        if (L.normal) std::memcpy(n, src + L.normalOffset, sizeof n);
        float w[4] = {1, 0, 0, 0};
        uint32_t matrix[4] = {0, 1, 2, 3};
        uint32_t count = 1;
        if (tween) {
            const float t = AsFloat(rs_[D3DRS_TWEENFACTOR]);
            if (second) {
                const uint8_t* src2 = second + size_t(v) * tweenStride_;
                float p2[3], n2[3];
                std::memcpy(p2, src2, sizeof p2);
                for (int k = 0; k < 3; ++k) p[k] += t * (p2[k] - p[k]);
                if (L.normal) {
                    std::memcpy(n2, src2 + L.normalOffset, sizeof n2);
                    for (int k = 0; k < 3; ++k) n[k] += t * (n2[k] - n[k]);
                }
            }
        } else {
            float rest = 1.0f;
            for (uint32_t k = 0; k < weights; ++k) {
                std::memcpy(&w[k], src + 12 + 4 * k, 4);
                rest -= w[k];
            }
            w[weights] = rest;
            count = weights + 1;
            if (indexed) {
                uint8_t idx[4];
                std::memcpy(idx, src + L.indicesOffset, sizeof idx);
                for (uint32_t k = 0; k < count; ++k) matrix[k] = idx[k];
            }
        }
        float* op = &blendPos_[size_t(v) * 4];
        float* on = &blendNormal_[size_t(v) * 3];
        std::fill(op, op + 4, 0.0f);
        std::fill(on, on + 3, 0.0f);
        for (uint32_t k = 0; k < count; ++k) {
            const float* m = worlds_[matrix[k]];
            for (int j = 0; j < 4; ++j) op[j] += w[k] * (p[0] * m[j] + p[1] * m[4 + j] + p[2] * m[8 + j] + m[12 + j]);
            if (!L.normal) continue;
            const float* nm = normalOf(matrix[k]);
            for (int j = 0; j < 3; ++j) on[j] += w[k] * (n[0] * nm[j] + n[1] * nm[3 + j] + n[2] * nm[6 + j]);
        }
        const float iw = op[3] != 0.0f ? 1.0f / op[3] : 1.0f;
        for (int k = 0; k < 3; ++k) {
            lo3[k] = std::min(lo3[k], op[k] * iw);
            hi3[k] = std::max(hi3[k], op[k] * iw);
        }
    }
    float r2 = 0.0f;
    for (int k = 0; k < 3; ++k) {
        blendCentre_[k] = 0.5f * (lo3[k] + hi3[k]);
        const float h = 0.5f * (hi3[k] - lo3[k]);
        r2 += h * h;
    }
    blendRadius_ = std::sqrt(r2);
    *blended = true;
    return D3D_OK;
}

GfxResult Device::Draw(D3DPRIMITIVETYPE type, uint32_t prims, bool indexed, uint32_t first, uint32_t,
                       uint32_t startIndex) {
    if (lost_ != Lost::None) return D3D_OK;
    if (!stream_) return D3DERR_INVALIDCALL;
    const Layout L = ParseFvf(fvf_);
    const uint32_t stride = streamStride_;
    if (stride == 0 || stride < L.stride) return D3DERR_INVALIDCALL;
    const uint32_t elements = ElementCount(type, prims);
    if (elements == 0) return type >= D3DPT_POINTLIST && type <= D3DPT_TRIANGLEFAN ? D3D_OK : D3DERR_INVALIDCALL;
    const Buffer& vb = stream_->buf;
    const uint32_t vertices = vb.length / stride;

    // The vertices actually read, checked against the buffer.
    uint32_t lo = first, hi = first + elements;  // [lo, hi)
    if (indexed) {
        if (!indices_) return D3DERR_INVALIDCALL;
        const Buffer& ib = indices_->buf;
        if (size_t(startIndex) + elements > ib.length / 2) return D3DERR_INVALIDCALL;
        const uint16_t* idx = reinterpret_cast<const uint16_t*>(ib.shadow.data()) + startIndex;
        uint32_t mn = 0xFFFF, mx = 0;
        for (uint32_t i = 0; i < elements; ++i) {
            mn = std::min<uint32_t>(mn, idx[i]);
            mx = std::max<uint32_t>(mx, idx[i]);
        }
        lo = mn + baseVertex_;
        hi = mx + baseVertex_ + 1;
    }
    if (size_t(hi) > vertices || lo >= hi) return D3DERR_INVALIDCALL;

    if (GfxResult r = BlendVertices(L, lo, hi, &blended_); r != D3D_OK) return r;
    glBindFramebuffer(GL_FRAMEBUFFER, fbo_);
    ApplyLighting(L, L.rhw, lo, hi - lo);
    ApplyTransforms(L.rhw);
    ApplyFog(L.rhw);
    ApplyTextureStages(L, L.rhw);

    const uint8_t* base = nullptr;  // offsets into the bound buffer object
    glEnableClientState(GL_VERTEX_ARRAY);
    if (L.rhw) {
        const float W = float(pp_.BackBufferWidth), H = float(pp_.BackBufferHeight);
        rhwScratch_.resize(size_t(hi) * 4);
        rhwFog_.resize(hi);
        for (uint32_t i = lo; i < hi; ++i) {
            float v[4];
            std::memcpy(v, vb.shadow.data() + size_t(i) * stride, sizeof v);
            float w = v[3] > 0.0f ? 1.0f / v[3] : 1.0f;
            float* o = &rhwScratch_[size_t(i) * 4];
            o[0] = ((v[0] + 0.5f) * 2.0f / W - 1.0f) * w;
            o[1] = (1.0f - (v[1] + 0.5f - kEdgeBias) * 2.0f / H) * w;
            o[2] = (2.0f * v[2] - 1.0f) * w;
            o[3] = w;
            // Table fog depth: w under a projection with w = z (_34 = 1), else the depth z.
            rhwFog_[i] = proj_[11] != 0.0f ? w : v[2];
        }
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glVertexPointer(4, GL_FLOAT, 0, rhwScratch_.data());
        glEnableClientState(GL_FOG_COORD_ARRAY);
        glFogCoordPointer(GL_FLOAT, 0, rhwFog_.data());
        glBindBuffer(GL_ARRAY_BUFFER, vb.id);
    } else if (blended_) {
        glDisableClientState(GL_FOG_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glVertexPointer(4, GL_FLOAT, 0, blendPos_.data());
        if (L.normal) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, blendNormal_.data());
        }
        glBindBuffer(GL_ARRAY_BUFFER, vb.id);
    } else {
        glDisableClientState(GL_FOG_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, vb.id);
        glVertexPointer(3, GL_FLOAT, GLsizei(stride), base);
    }
    if (L.normal && !L.rhw) {
        glEnableClientState(GL_NORMAL_ARRAY);
        if (!blended_) glNormalPointer(GL_FLOAT, GLsizei(stride), base + L.normalOffset);
    } else {
        glDisableClientState(GL_NORMAL_ARRAY);
        glNormal3f(0.0f, 0.0f, 0.0f);
    }
    if (L.diffuse) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(GL_BGRA, GL_UNSIGNED_BYTE, GLsizei(stride), base + L.diffuseOffset);
    } else {
        glDisableClientState(GL_COLOR_ARRAY);
        glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    }
    for (uint32_t s = 0; s < units_; ++s) {
        glClientActiveTexture(GL_TEXTURE0 + s);
        uint32_t set = tss_[s][D3DTSS_TEXCOORDINDEX] & 0xFFFF;
        if (set < L.texSets) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(GLint(L.texSize[set]), GL_FLOAT, GLsizei(stride), base + L.texOffset[set]);
        } else {
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
            glMultiTexCoord4f(GL_TEXTURE0 + s, 0.0f, 0.0f, 0.0f, 1.0f);
        }
    }
    glClientActiveTexture(GL_TEXTURE0);

    if (indexed) {
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, indices_->buf.id);
        glDrawElementsBaseVertex(GlMode(type), GLsizei(elements), GL_UNSIGNED_SHORT,
                                 base + size_t(startIndex) * 2, GLint(baseVertex_));
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
    } else {
        glDrawArrays(GlMode(type), GLint(first), GLsizei(elements));
    }
    glBindBuffer(GL_ARRAY_BUFFER, 0);
    return D3D_OK;
}

GfxResult Device::DrawPrimitive(D3DPRIMITIVETYPE type, uint32_t startVertex, uint32_t primitiveCount) {
    return Draw(type, primitiveCount, false, startVertex, 0, 0);
}

GfxResult Device::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, uint32_t minIndex, uint32_t numVertices,
                                       uint32_t startIndex, uint32_t primitiveCount) {
    return Draw(type, primitiveCount, true, minIndex, numVertices, startIndex);
}

}  // namespace gfxgl
