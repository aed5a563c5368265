// Buffers and textures of the OpenGL device. Every buffer keeps a system copy:
// a lock hands out a pointer into it and the unlock uploads the locked bytes to
// the GL buffer object, so locks never wait on the GPU and draws of
// pre-transformed vertices can read positions back.

#include <cstring>

#include "platform/gl_device_local.h"

namespace gfxgl {

namespace {
uint64_t g_nextBufferSerial = 1;
}  // namespace

Buffer::Buffer(std::shared_ptr<Shared> s, GLenum t, uint32_t len, uint32_t use, D3DPOOL p)
    : shared(std::move(s)), target(t), length(len), usage(use), pool(p), shadow(len),
      serial(g_nextBufferSerial++) {
    glGenBuffers(1, &id);
    glBindBuffer(target, id);
    glBufferData(target, GLsizeiptr(length), nullptr, (usage & D3DUSAGE_DYNAMIC) ? GL_DYNAMIC_DRAW : GL_STATIC_DRAW);
    glBindBuffer(target, 0);
    if (pool == D3DPOOL_DEFAULT) ++shared->defaultPoolResources;
}

Buffer::~Buffer() {
    if (pool == D3DPOOL_DEFAULT) --shared->defaultPoolResources;
    if (shared->alive && id) glDeleteBuffers(1, &id);
}

VertexBuffer::~VertexBuffer() {
    if (buf.shared->alive && buf.shared->device) buf.shared->device->Forget(this);
}

IndexBuffer::~IndexBuffer() {
    if (buf.shared->alive && buf.shared->device) buf.shared->device->Forget(this);
}

GfxResult Buffer::Lock(uint32_t offset, uint32_t size, uint8_t** data, uint32_t flags) {
    if (!data) return D3DERR_INVALIDCALL;
    *data = nullptr;
    if (locked || offset > length) return D3DERR_INVALIDCALL;
    if (size == 0) size = length - offset;
    if (size > length - offset) return D3DERR_INVALIDCALL;
    locked = true;
    lockOffset = offset;
    lockSize = size;
    lockFlags = flags;
    *data = shadow.data() + offset;
    return D3D_OK;
}

GfxResult Buffer::Unlock() {
    if (!locked) return D3DERR_INVALIDCALL;
    locked = false;
    ++version;
    if (!shared->alive || lockSize == 0) return D3D_OK;
    glBindBuffer(target, id);
    if (lockFlags & D3DLOCK_DISCARD) {
        // Orphan the old storage, then refill all of it from the copy.
        glBufferData(target, GLsizeiptr(length), nullptr, GL_DYNAMIC_DRAW);
        glBufferSubData(target, 0, GLsizeiptr(length), shadow.data());
    } else {
        glBufferSubData(target, GLintptr(lockOffset), GLsizeiptr(lockSize), shadow.data() + lockOffset);
    }
    glBindBuffer(target, 0);
    return D3D_OK;
}

Texture::Texture(std::shared_ptr<Shared> s, uint32_t w, uint32_t h, uint32_t lv, uint32_t use, D3DFORMAT f,
                 D3DPOOL p)
    : shared(std::move(s)), width(w), height(h), levels(lv), usage(use), format(f), pool(p) {
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGenTextures(1, &id);
    glBindTexture(GL_TEXTURE_2D, id);
    uint32_t lw = w, lh = h;
    for (uint32_t l = 0; l < levels; ++l) {
        glTexImage2D(GL_TEXTURE_2D, GLint(l), GL_RGBA8, GLsizei(lw), GLsizei(lh), 0, GL_BGRA,
                     GL_UNSIGNED_INT_8_8_8_8_REV, nullptr);
        lw = lw > 1 ? lw / 2 : 1;
        lh = lh > 1 ? lh / 2 : 1;
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_BASE_LEVEL, 0);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, GLint(levels - 1));
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    if (pool == D3DPOOL_DEFAULT) ++shared->defaultPoolResources;
}

Texture::~Texture() {
    if (shared->alive && shared->device) shared->device->Forget(this);
    if (pool == D3DPOOL_DEFAULT) --shared->defaultPoolResources;
    if (shared->alive && id) glDeleteTextures(1, &id);
}

GfxResult Texture::GetLevelDesc(uint32_t level, GfxSurfaceDesc* desc) const {
    if (!desc || level >= levels) return D3DERR_INVALIDCALL;
    uint32_t w = width >> level, h = height >> level;
    if (w == 0) w = 1;
    if (h == 0) h = 1;
    desc->Format = format;
    desc->Pool = pool;
    desc->Usage = usage;
    desc->Width = w;
    desc->Height = h;
    if (format == D3DFMT_DXT1 || format == D3DFMT_DXT3 || format == D3DFMT_DXT5) {
        uint32_t blocks = ((w + 3) / 4) * ((h + 3) / 4);
        desc->Size = blocks * (format == D3DFMT_DXT1 ? 8 : 16);
    } else {
        desc->Size = w * h * (GfxFormatBits(format) / 8);
    }
    return D3D_OK;
}

GfxResult Texture::UploadLevel(uint32_t level, const uint32_t* argb) {
    if (!argb || level >= levels) return D3DERR_INVALIDCALL;
    if (!shared->alive) return D3DERR_INVALIDCALL;
    uint32_t w = width >> level, h = height >> level;
    if (w == 0) w = 1;
    if (h == 0) h = 1;
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glBindTexture(GL_TEXTURE_2D, id);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexSubImage2D(GL_TEXTURE_2D, GLint(level), 0, 0, GLsizei(w), GLsizei(h), GL_BGRA,
                    GL_UNSIGNED_INT_8_8_8_8_REV, argb);
    glBindTexture(GL_TEXTURE_2D, GLuint(bound));
    return D3D_OK;
}

Layout ParseFvf(uint32_t fvf) {
    Layout l;
    uint32_t off = 0;
    uint32_t betas = 0;  // words after the position: blend weights, the last one the indices with UBYTE4
    switch (fvf & D3DFVF_POSITION_MASK) {
    case D3DFVF_XYZ: off = 12; break;
    case D3DFVF_XYZRHW: off = 16; l.rhw = true; break;
    case 0x006: off = 16; betas = 1; break;  // XYZB1
    case 0x008: off = 20; betas = 2; break;  // XYZB2
    case 0x00A: off = 24; betas = 3; break;  // XYZB3
    case D3DFVF_XYZB4: off = 28; betas = 4; break;
    case 0x00E: off = 32; betas = 5; break;  // XYZB5
    default: off = 0; break;
    }
    l.weights = betas;
    if (betas > 0 && (fvf & D3DFVF_LASTBETA_UBYTE4)) {
        l.weights = betas - 1;
        l.blendIndices = true;
        l.indicesOffset = 12 + 4 * l.weights;
    }
    if (fvf & D3DFVF_NORMAL) {
        l.normal = true;
        l.normalOffset = off;
        off += 12;
    }
    if (fvf & D3DFVF_PSIZE) off += 4;
    if (fvf & D3DFVF_DIFFUSE) {
        l.diffuse = true;
        l.diffuseOffset = off;
        off += 4;
    }
    if (fvf & D3DFVF_SPECULAR) off += 4;
    l.texSets = (fvf & D3DFVF_TEXCOUNT_MASK) >> D3DFVF_TEXCOUNT_SHIFT;
    if (l.texSets > 8) l.texSets = 8;
    for (uint32_t i = 0; i < l.texSets; ++i) {
        static const uint32_t sizes[4] = {2, 3, 4, 1};
        l.texSize[i] = sizes[(fvf >> (16 + 2 * i)) & 3];
        l.texOffset[i] = off;
        off += 4 * l.texSize[i];
    }
    l.stride = off;
    return l;
}

}  // namespace gfxgl
