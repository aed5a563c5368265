#include "engine/scene/text_mesh.h"

#include <cstdio>
#include <cstring>

#include "engine/mesh/qnmesh.h"
#include "engine/render/qntexture.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/scene.h"
#include "engine/scene/view.h"
#include "engine/util/qnapp_state.h"

void SetTextMeshParams()
{
    QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    p = QNMESHPARAMS();
    p.Option1 = 2;
    p.Option2 = 1;
    p.Option3 = 2;
    p.Option4 = 3;
    p.Option5 = 1;
    p.CollisionOption1 = 0;
    p.CollisionOption2 = 40;
    p.Args[6] = 1;
}

void PrintTextLine(QNMESH* mesh, const char* text, std::uint32_t line, std::uint32_t align)
{
    if (!mesh || float(line) >= mesh->Rows)
        return;
    const auto columns = std::int64_t(mesh->Columns);
    std::int64_t n = text ? std::int64_t(std::strlen(text)) : 0;
    if (n > columns)
        n = columns;
    std::int64_t start = 0;
    if (align == QNALIGN_CENTRE)
        start = (columns - n) / 2;
    else if (align == QNALIGN_RIGHT)
        start = columns - n;
    for (std::int64_t c = 0; c < columns; ++c) {
        const unsigned char ch = (c >= start && c < start + n) ? static_cast<unsigned char>(text[c - start]) : ' ';
        mesh->TileTextureCoords(std::uint32_t(c), line, ch, false);
    }
    const std::uint32_t perLine = mesh->Grid.VerticesPerPatch * std::uint32_t(columns);
    mesh->Buffers.UploadVertices(line * perLine, perLine);
}

void PrintTextV(QNMESH* mesh, const char* format, std::uint32_t line, std::uint32_t align, std::va_list args)
{
    char text[kPrintTextSize];
    text[0] = '\0';
    if (format)
        std::vsnprintf(text, sizeof text, format, args);
    PrintTextLine(mesh, text, line, align);
}

void PrintText(QNMESH* mesh, const char* format, std::uint32_t line, std::uint32_t align, ...)
{
    std::va_list args;
    va_start(args, align);
    PrintTextV(mesh, format, line, align, args);
    va_end(args);
}

// ---- console metrics ----

QNCONSOLEMETRICS::QNCONSOLEMETRICS(QNNODE* parent, const char* fontTexture, float x, float y)
    : GAMENODE(parent, "QNCONSOLEMETRICS", 0, 0x2001040, 28, 0, nullptr, 0)
{
    SetMaterial("tile");
    SetColour("fullbright");
    SetTexture(fontTexture, 0, 0);
    SetTextMeshParams();
    BuildTextMesh(20, 40, 50, 2);
    QNMATRIX place;
    place.SetTranslation(x, y, 0);
    NodeSetTransform(this, place);
    Refresh();
    Timer.Init(0);
    QNAPP::ConsoleMetrics = this;
}

QNCONSOLEMETRICS::~QNCONSOLEMETRICS()
{
    if (QNAPP::ConsoleMetrics == this)
        QNAPP::ConsoleMetrics = nullptr;
}

void QNCONSOLEMETRICS::Update()
{
    if (Timer.Elapsed() > 1.0) {
        Refresh();
        Timer.Restart();
    }
}

void QNCONSOLEMETRICS::Refresh()
{
    std::uint32_t triangles = 0, vertices = 0, nodes = 0, first = 0, second = 0;
    const QNVIEW* view = QNSCENE::Current ? QNSCENE::Current->ActiveViewPtr() : nullptr;
    if (view) {
        if (view->Camera) {
            triangles = view->Camera->Primitives;
            vertices = view->Camera->Vertices;
        }
        nodes = view->NodeCount;
        if (PhysicsCounts)
            PhysicsCounts(view, first, second);
    }
    const std::uint32_t fps = QNFRAMESTATS::AverageFps;
    PrintText(Mesh, "F/S:%u(%u:%u) T/F:%u T/S:%.1fm V/T:%.1f", 0, QNALIGN_LEFT, fps, QNFRAMESTATS::MinFps,
              QNFRAMESTATS::MaxFps, triangles, double(fps) * double(triangles) / 1e6,
              triangles ? double(vertices) / double(triangles) : 0.0);
    PrintText(Mesh, "T:%u M:%.1fm O:%u C:%u B:%u", 1, QNALIGN_LEFT, QNTEXTURE::LoadedCount,
              double(QNTEXTURE::LoadedBytes) / 1e6, nodes, first, second);
}
