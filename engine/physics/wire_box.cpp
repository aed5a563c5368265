#include "engine/physics/wire_box.h"

#include "engine/render/qnviewport.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/resources.h"

namespace {

// Position and diffuse colour, no texture coordinates.
constexpr std::uint32_t kVertexKind = 2;
constexpr std::uint32_t kDynamic = 2;

bool SameBox(const QNBOX& a, const QNBOX& b)
{
    return a.min == b.min && a.max == b.max;
}

void WriteVertices(QNWIREBOX& w)
{
    QNVERTEXARRAY v = w.Buffers.Vertices();
    if (v.Count < 8)
        return;
    QNVEC3 corners[8];
    QNWIREBOX::Corners(w.Box, corners);
    for (std::uint32_t i = 0; i < 8; ++i) {
        v.SetPosition(i, corners[i]);
        v.SetDiffuse(i, QNWIREBOX::kColour);
    }
    w.Buffers.UploadVertices();
}

}  // namespace

const std::uint16_t QNWIREBOX::kEdges[24] = {0, 1, 2, 3, 4, 5, 6, 7,   // along x
                                             0, 2, 1, 3, 4, 6, 5, 7,   // along y
                                             0, 4, 1, 5, 2, 6, 3, 7};  // along z

void QNWIREBOX::Corners(const QNBOX& box, QNVEC3 out[8])
{
    for (int i = 0; i < 8; ++i)
        out[i] = QNVEC3((i & 1) ? box.max.x : box.min.x, (i & 2) ? box.max.y : box.min.y,
                        (i & 4) ? box.max.z : box.min.z);
}

void CreateWireBox(QNINSTANCENODE* node)
{
    auto* w = new QNWIREBOX;
    node->WireBox = w;
    node->GetLocalBox(w->Box, true);
    w->Buffers.Create(8, 24, kVertexKind, 0, 2, kDynamic, 0, D3DPT_LINELIST);
    std::uint16_t* indices = w->Buffers.Indices();
    for (int i = 0; indices && i < 24; ++i)
        indices[i] = QNWIREBOX::kEdges[i];
    w->Buffers.UploadIndices();
    WriteVertices(*w);
    if (!node->Camera)
        return;
    // Unlit, so the lines show their vertex colour whatever the node's own material is.
    const QNMATERIAL* material = &QNRESOURCES::DefaultMaterial();
    if (node->Resources && node->Resources->Materials.FindChild("flatlit"))
        material = node->Resources->FindMaterial("flatlit");
    w->Item = node->Camera->AddItem("wirebox", &w->Buffers, nullptr, nullptr, material,
                                    node->GetWorldMatrix(), QNRI_NOSTATS | QNRI_NOCULL);
}

void UpdateWireBox(QNINSTANCENODE* node)
{
    QNWIREBOX* w = node->WireBox;
    if (!w)
        return;
    QNBOX box;
    node->GetLocalBox(box, true);
    if (!SameBox(box, w->Box)) {
        w->Box = box;
        WriteVertices(*w);
    }
    if (w->Item) {
        w->Item->World = node->GetWorldMatrix();
        w->Item->Visible = node->State == 3 ? 1 : 0;
    }
}

void ReleaseWireBox(QNINSTANCENODE* node)
{
    QNWIREBOX* w = node->WireBox;
    if (!w)
        return;
    QNITEM::Destroy(w->Item);
    delete w;
    node->WireBox = nullptr;
}
