// A frame of a few thousand queued items (opaque meshes in several materials and textures,
// alpha-blended items and sprites) on the OpenGL device, headless when there is no display.
// Reports draw calls and state changes per frame beside the time.

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <vector>

#include "engine/render/qndisplay.h"
#include "engine/render/qnlight.h"
#include "engine/render/qntexture.h"
#include "engine/render/qnviewport.h"
#include "physics/dynamics/me_random.h"
#include "platform/window.h"

namespace {

// Forwards every call to the real device and counts what reaches it.
class CountingDevice : public GfxDevice {
public:
    explicit CountingDevice(GfxDevice* d) : d_(d) {}
    void Release() override { d_->Release(); delete this; }
    long draws = 0, states = 0, stageStates = 0, textures = 0, transforms = 0, other = 0;

    GfxResult TestCooperativeLevel() override { return d_->TestCooperativeLevel(); }
    GfxResult Reset(const GfxPresentParameters& p) override { return d_->Reset(p); }
    GfxResult Present() override { return d_->Present(); }
    GfxResult GetDeviceCaps(GfxCaps* c) override { return d_->GetDeviceCaps(c); }
    GfxResult BeginScene() override { return d_->BeginScene(); }
    GfxResult EndScene() override { return d_->EndScene(); }
    GfxResult Clear(uint32_t f, D3DCOLOR c, float z, uint32_t s) override { return d_->Clear(f, c, z, s); }
    GfxResult SetViewport(const GfxViewport& v) override { return d_->SetViewport(v); }
    GfxResult GetViewport(GfxViewport* v) override { return d_->GetViewport(v); }
    GfxResult SetTransform(uint32_t s, const float* m) override { ++transforms; return d_->SetTransform(s, m); }
    GfxResult SetRenderState(D3DRENDERSTATETYPE s, uint32_t v) override { ++states; return d_->SetRenderState(s, v); }
    GfxResult SetTextureStageState(uint32_t st, D3DTEXTURESTAGESTATETYPE t, uint32_t v) override {
        ++stageStates;
        return d_->SetTextureStageState(st, t, v);
    }
    GfxResult SetTexture(uint32_t s, GfxTexture* t) override { ++textures; return d_->SetTexture(s, t); }
    GfxResult SetMaterial(const GfxMaterial& m) override { ++other; return d_->SetMaterial(m); }
    GfxResult SetLight(uint32_t i, const GfxLight& l) override { return d_->SetLight(i, l); }
    GfxResult LightEnable(uint32_t i, bool e) override { return d_->LightEnable(i, e); }
    GfxResult SetGammaRamp(const GfxGammaRamp& r) override { return d_->SetGammaRamp(r); }
    GfxResult CreateVertexBuffer(uint32_t l, uint32_t u, uint32_t f, D3DPOOL p, GfxVertexBuffer** o) override {
        return d_->CreateVertexBuffer(l, u, f, p, o);
    }
    GfxResult CreateIndexBuffer(uint32_t l, uint32_t u, D3DFORMAT f, D3DPOOL p, GfxIndexBuffer** o) override {
        return d_->CreateIndexBuffer(l, u, f, p, o);
    }
    GfxResult CreateTexture(uint32_t w, uint32_t h, uint32_t lv, uint32_t u, D3DFORMAT f, D3DPOOL p,
                            GfxTexture** o) override {
        return d_->CreateTexture(w, h, lv, u, f, p, o);
    }
    GfxResult SetStreamSource(uint32_t s, GfxVertexBuffer* vb, uint32_t st) override {
        ++other;
        return d_->SetStreamSource(s, vb, st);
    }
    GfxResult SetIndices(GfxIndexBuffer* ib, uint32_t b) override { ++other; return d_->SetIndices(ib, b); }
    GfxResult SetVertexShader(uint32_t f) override { ++other; return d_->SetVertexShader(f); }
    GfxResult DrawPrimitive(D3DPRIMITIVETYPE t, uint32_t s, uint32_t n) override {
        ++draws;
        return d_->DrawPrimitive(t, s, n);
    }
    GfxResult DrawIndexedPrimitive(D3DPRIMITIVETYPE t, uint32_t mi, uint32_t nv, uint32_t si, uint32_t n) override {
        ++draws;
        return d_->DrawIndexedPrimitive(t, mi, nv, si, n);
    }
    void ForceLost(int n) override { d_->ForceLost(n); }
    GfxResult ReadBackBuffer(std::vector<uint32_t>* p, uint32_t* w, uint32_t* h) override {
        return d_->ReadBackBuffer(p, w, h);
    }

private:
    GfxDevice* d_;
};

float Rand(float a, float b) { return a + (b - a) * float(MeRandom()) / 32767.0f; }

struct Scene {
    QNVIEWPORT view;
    std::vector<std::unique_ptr<QNMESHBUFFERS>> meshes;
    std::vector<std::unique_ptr<QNTEXTURE>> textures;
    std::vector<QNTEXTURESTAGES> stages;
    std::vector<QNMATERIAL> materials;
    QNMATERIAL blend;
    QNLIGHT sun;

    QNMESHBUFFERS* Cube(bool lit) {
        auto m = std::make_unique<QNMESHBUFFERS>();
        m->Create(8, 36, lit ? 3 : 2, 1, 2, 0, 0, D3DPT_TRIANGLELIST);
        QNVERTEXARRAY v = m->Vertices();
        for (std::uint32_t i = 0; i < 8; ++i) {
            QNVEC3 p((i & 1) ? 0.5f : -0.5f, (i & 2) ? 0.5f : -0.5f, (i & 4) ? 0.5f : -0.5f);
            v.SetPosition(i, p);
            v.SetNormal(i, p.Normalize());
            v.SetDiffuse(i, 0xFFC0C0C0u);
            const float uv[4] = {float(i & 1), float((i >> 1) & 1), 0, 0};
            v.SetTexCoord(i, 0, uv);
        }
        static const std::uint16_t idx[36] = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                              2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
        std::copy(idx, idx + 36, m->Indices());
        m->UploadVertices();
        m->UploadIndices();
        meshes.push_back(std::move(m));
        return meshes.back().get();
    }

    void Build(int items) {
        MeRandomSeed(12345);
        for (int t = 0; t < 4; ++t) {
            auto tex = std::make_unique<QNTEXTURE>();
            QNDISPLAY::Device->CreateTexture(64, 64, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &tex->Texture);
            std::vector<std::uint32_t> texels(64 * 64, 0xFF000000u | (0x404040u * std::uint32_t(t + 1)));
            tex->Texture->UploadLevel(0, texels.data());
            textures.push_back(std::move(tex));
        }
        stages.resize(4);
        for (int t = 0; t < 4; ++t) stages[std::size_t(t)].Stages[0].Texture = textures[std::size_t(t)].get();
        materials.resize(8);
        for (std::size_t i = 0; i < materials.size(); ++i) materials[i].ZBias = std::uint32_t(i % 2);
        blend.SetAlphaBlend();
        QNMESHBUFFERS* lit = Cube(true);
        QNMESHBUFFERS* flat = Cube(false);
        for (int i = 0; i < items; ++i) {
            QNMATRIX w;
            w.SetTranslation(Rand(-40, 40), Rand(-30, 30), Rand(20, 120));
            const int kind = i % 10;
            QNRENDERITEM* item;
            if (kind < 7) {
                item = view.AddItem("opaque", kind % 2 ? lit : flat, nullptr, &stages[std::size_t(i % 4)],
                                    &materials[std::size_t(i % 8)], w, 0);
            } else if (kind < 9) {
                item = view.AddItem("glass", lit, nullptr, &stages[std::size_t(i % 4)], &blend, w, 0);
            } else {
                item = view.AddItem("spark", flat, nullptr, &stages[0], &materials[0], w, QNRI_SPRITE);
            }
            item->Radius = 0.9f;
        }
        sun.SetDirectional(1, 1, 1);
        sun.Light.Direction = {0.3f, -0.5f, 1.0f};
        sun.Attach(true, nullptr);
    }
};

constexpr int kWarmUpFrames = 10;

void BM_DrawQueue(benchmark::State& state) {
    if (!std::getenv("DISPLAY") && !std::getenv("SDL_VIDEODRIVER")) setenv("SDL_VIDEODRIVER", "offscreen", 1);
    if (!PlatformVideoInit() || !PlatformWindowCreate("bench", 640, 480)) {
        state.SkipWithError("no video");
        return;
    }
    QNDISPLAYSETTINGS req;
    req.MinBlendStages = 2;
    QNGRFDEV::Create(req);
    QNDISPLAY::OpenWindowed();
    auto* counting = new CountingDevice(QNDISPLAY::Device);
    QNDISPLAY::Device = counting;
    QNDISPLAY::SetPerspective(1.0f, 0.2f, 1000.0f);
    {
        Scene scene;
        scene.Build(int(state.range(0)));
        scene.view.SetCamera(QNMATRIX::Identity);
        // The first frames upload buffers and textures and let the driver build its state:
        // they are drawn before timing so that every timed frame is a steady one.
        for (int i = 0; i < kWarmUpFrames; ++i) {
            QNDISPLAY::Clear(0, 0, 0.2f, 1.0f, -1.0f);
            scene.view.Draw();
            QNDISPLAY::Present();
        }
        long frames = 0;
        long draws0 = counting->draws, states0 = counting->states + counting->stageStates + counting->textures +
                                                    counting->other;
        for (auto _ : state) {
            QNDISPLAY::Clear(0, 0, 0.2f, 1.0f, -1.0f);
            scene.view.Draw();
            QNDISPLAY::Present();
            ++frames;
        }
        const double f = double(frames ? frames : 1);
        state.counters["draw_calls"] = double(counting->draws - draws0) / f;
        state.counters["state_changes"] =
            double(counting->states + counting->stageStates + counting->textures + counting->other - states0) / f;
        state.counters["primitives"] = double(scene.view.Primitives);
        scene.view.MainList.DeleteChildren();
        scene.view.SpriteList.DeleteChildren();
        scene.view.ReleaseDevice();
        scene.meshes.clear();
        QNLIGHTSLOT::DeleteAll();
        DeleteAllPools();
    }
    QNDISPLAY::Close();
    QNGRFDEV::Release();
    PlatformWindowDestroy();
}

}  // namespace

BENCHMARK(BM_DrawQueue)->Arg(1000)->Arg(4000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
