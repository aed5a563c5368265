// The colour, material, texture, mesh, light and sound slots of the node chain.
//
// Every lookup by key goes through the node's resources and must succeed (QNNODE::EXC "Node
// '%s' not found."); it happens before anything is freed, so a failed lookup leaves the slot
// as it was. The render instance, the hardware light and the sound follow the node's state:
// state 3 shows and plays, state 2 hides and silences, states 0 and 1 also drop the instance.

#include <algorithm>

#include "engine/render/qnlight.h"
#include "engine/render/qnviewport.h"
#include "engine/scene/node_chain.h"
#include "engine/scene/node_slots.h"
#include "engine/scene/resources.h"
#include "engine/scene/view.h"

namespace QNHOOKS {
QNSLOTHOOKS Slots;
}

QNMATRIX NodeWorldMatrix(const QNNODE* node)
{
    QNMATRIX m;
    if (node && QNHOOKS::Slots.WorldMatrix)
        QNHOOKS::Slots.WorldMatrix(node, m);
    return m;
}

void NodeSetTransform(QNNODE* node, const QNMATRIX& m)
{
    if (node && QNHOOKS::Slots.SetTransform)
        QNHOOKS::Slots.SetTransform(node, m);
}

bool NodeCanMove(const QNNODE* node)
{
    for (const QNNODE* n = node; n; n = n->ParentNode()) {
        if (QNHOOKS::Slots.HasRigidBody ? QNHOOKS::Slots.HasRigidBody(n) : (n->ClassFlags & QNCF_BODY) != 0)
            return true;
    }
    return false;
}

namespace {

QNRESOURCES& ResourcesOf(const QNNODE* node, const char* name)
{
    if (!node->Resources)
        throw QNNODE::EXC(0, "Node '%s' not found.", name);
    return *node->Resources;
}

}  // namespace

// ---- colour, material, textures ----

void QNMATERIALNODE::SetColour(const char* name, int index)
{
    QNCOLOUR* found = name ? ResourcesOf(this, name).FindColour(name, index) : nullptr;
    delete OwnColour;
    OwnColour = nullptr;
    Colour = found;
}

void QNMATERIALNODE::SetOwnColour(const char* name)
{
    const QNCOLOUR* source = name ? ResourcesOf(this, name).FindColour(name, 0) : nullptr;
    auto* own = new QNCOLOUR;
    if (source)
        *own = *source;
    delete OwnColour;
    OwnColour = own;
    Colour = own;
}

void QNMATERIALNODE::SetMaterial(const char* name, int index)
{
    QNMATERIAL* found = name ? ResourcesOf(this, name).FindMaterial(name, index) : &QNRESOURCES::DefaultMaterial();
    delete OwnMaterial;
    OwnMaterial = nullptr;
    Material = found;
    if (auto* mesh = dynamic_cast<QNMESHNODE*>(this); mesh && mesh->Instance)
        mesh->Instance->Material = Material;
}

QNTEXTURE* QNMATERIALNODE::SetTexture(const char* name, int index, std::uint32_t stage)
{
    if (stage >= 8)
        return nullptr;
    QNTEXTURE* found = name ? &ResourcesOf(this, name).FindTexture(name, index)->Texture : nullptr;
    delete OwnTexture[stage];
    OwnTexture[stage] = nullptr;
    Stages->Stages[stage].Texture = found;
    return found;
}

void QNMATERIALNODE::ClearTexture(std::uint32_t stage)
{
    if (stage >= 8)
        return;
    delete OwnTexture[stage];
    OwnTexture[stage] = nullptr;
    if (Stages)
        Stages->Stages[stage].Texture = nullptr;
}

void QNMATERIALNODE::ClearTextures()
{
    for (std::uint32_t s = 0; s < 8; ++s)
        ClearTexture(s);
}

void QNMATERIALNODE::ReleaseColours()
{
    delete OwnColour;
    OwnColour = nullptr;
    Colour = nullptr;
}

void QNMATERIALNODE::ReleaseMaterial()
{
    delete OwnMaterial;
    OwnMaterial = nullptr;
    Material = &QNRESOURCES::DefaultMaterial();
}

// ---- mesh ----

void QNMESHNODE::SetMesh(const char* name, int index)
{
    QNMESHLIST* group = name ? ResourcesOf(this, name).FindMesh(name, index) : nullptr;
    delete OwnMesh;
    OwnMesh = nullptr;
    MeshGroup = (group && (ClassFlags & 0x800)) ? group : nullptr;
    Mesh = group ? &group->Level(0) : nullptr;
    RefreshMesh();
}

void QNMESHNODE::SetBoxMesh(const char* name, int index)
{
    CollisionGroup = name ? ResourcesOf(this, name).FindMesh(name, index) : nullptr;
    if (!Mesh && CollisionGroup) {
        const QNBOX& box = CollisionGroup->Level(0).Box;
        delete OwnMesh;
        OwnMesh = new QNMESHLIST(Name().Text(), 0, 1);
        OwnMesh->Level(0).SetBoxSize(box.max.x - box.min.x, box.max.y - box.min.y, box.max.z - box.min.z);
        Mesh = &OwnMesh->Level(0);
    }
    RefreshMesh();
}

void QNMESHNODE::BuildTextMesh(float cellWidth, float cellHeight, std::uint32_t columns, std::uint32_t rows)
{
    const QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    auto* group = new QNMESHLIST(Name().Text(), 0, 1);
    QNMESH& mesh = group->Level(0);
    if (QNTEXTURE* texture = Stages ? Stages->Stages[0].Texture : nullptr) {
        const float grid[6] = {texture->Grid.Cells.x, texture->Grid.Cells.y, 0,
                               texture->Grid.CellSize.x, texture->Grid.CellSize.y, 0};
        mesh.SetTextureGrid(grid);
        mesh.Texture = texture;
    }
    try {
        mesh.CreateGrid(cellWidth, cellHeight, columns, rows, 1, 1, p.Option2, p.Option3, p.Option1, p.Option4,
                        p.Args[6] != 0.0f, p.Option5 != 0);
    } catch (...) {
        delete group;
        throw;
    }
    mesh.Columns = float(columns);
    mesh.Rows = float(rows);
    group->Finish(p.CollisionOption1, p.CollisionOption2, Name().Text());
    delete OwnMesh;
    OwnMesh = group;
    Mesh = &mesh;
    MeshGroup = nullptr;
    RefreshMesh();
}

void QNMESHNODE::BuildMesh()
{
    const QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    BuildTextMesh(p.Args[0], p.Args[1], std::uint32_t(p.Args[2]), std::uint32_t(p.Args[3]));
}

void QNMESHNODE::BuildMeshStrip()
{
    const QNMESHPARAMS& p = QNRESOURCES::MeshParams;
    const float* a = p.Args;
    auto* group = new QNMESHLIST(Name().Text(), 0, 1);
    try {
        group->Level(0).CreateGrid(a[0], a[1], std::uint32_t(a[2]), std::uint32_t(a[3]), std::uint32_t(a[4]),
                                   std::uint32_t(a[5]), p.Option2, p.Option3, p.Option1, p.Option4, a[6] != 0.0f,
                                   p.Option5 != 0);
    } catch (...) {
        delete group;
        throw;
    }
    group->Finish(p.CollisionOption1, p.CollisionOption2, Name().Text());
    delete OwnMesh;
    OwnMesh = group;
    Mesh = &group->Level(0);
    MeshGroup = nullptr;
    RefreshMesh();
}

void QNMESHNODE::ReleaseMesh()
{
    if (QNHOOKS::Slots.SetCollisionMesh)
        QNHOOKS::Slots.SetCollisionMesh(this, nullptr);
    DeleteInstance();
    delete OwnMesh;
    OwnMesh = nullptr;
    Mesh = nullptr;
    MeshGroup = nullptr;
    CollisionGroup = nullptr;
}

void QNMESHNODE::RefreshMesh()
{
    if (QNHOOKS::Slots.SetCollisionMesh)
        QNHOOKS::Slots.SetCollisionMesh(this, CollisionGroup ? &CollisionGroup->Level(0) : Mesh);
    if (!Mesh || !Mesh->HasVertices()) {
        DeleteInstance();
    } else if (Instance) {
        Instance->Mesh = &Mesh->Buffers;
        Instance->Radius = Mesh->Radius;
    } else if (State == 3) {
        CreateInstance();
    }
}

namespace {

const QNMATRIX* InstanceTransform(void* arg, int)
{
    return static_cast<QNMESHNODE*>(arg)->RenderMatrix();
}

}  // namespace

void QNMESHNODE::CreateInstance()
{
    if (!Camera || !Mesh || !Mesh->HasVertices())
        return;
    std::uint32_t flags = 0;
    if (ClassFlags & QNCF_BILLBOARD)
        flags |= QNRI_BILLBOARD;
    if (ClassFlags & QNCF_SCREEN)
        flags |= QNRI_OVERLAY;
    if (ClassFlags & QNCF_SPRITE)
        flags |= QNRI_SPRITE;
    if (ClassFlags & QNCF_ALWAYS)
        flags |= QNRI_ALWAYS;
    if (UserFlags & QNUF_NOSTATS)
        flags |= QNRI_NOSTATS;
    if (UserFlags & QNUF_NOCULL)
        flags |= QNRI_NOCULL;
    if (UserFlags & QNUF_APPEND)
        flags |= QNRI_APPEND;
    QNRENDERITEM::DRAWCALLBACK draw = nullptr;
    if (ClassFlags & QNCF_ASKDRAW)
        draw = [](void* node) { return static_cast<QNMESHNODE*>(node)->BeforeDraw(); };
    Instance = Camera->AddItem(Name().Text(), &Mesh->Buffers, &Colour, Stages, Material, NodeWorldMatrix(this),
                               flags, draw, this);
    Instance->Radius = Mesh->Radius;
    if (BodyMode == 1 || (ClassFlags & (QNCF_OFFSET | QNCF_LEVELS)))
        Instance->Transform = &InstanceTransform;
}

void QNMESHNODE::DeleteInstance()
{
    QNITEM::Destroy(Instance);
    Instance = nullptr;
}

std::uint32_t QNMESHNODE::LevelForDistance(float d, float nearDistance, float farDistance, std::uint32_t count)
{
    if (count == 0 || d < nearDistance)
        return 0;
    if (d >= farDistance)
        return count - 1;
    const auto level = std::uint32_t((d - nearDistance) * float(count) / (farDistance - nearDistance));
    return std::min(level, count - 1);
}

std::uint32_t QNMESHNODE::SelectLevel() const
{
    if (!MeshGroup)
        return 0;
    const QNVEC3 camera = Camera ? Camera->Camera.Translation() : QNVEC3();
    const float d = (NodeWorldMatrix(this).Translation() - camera).Length();
    return LevelForDistance(d, LevelNear, LevelFar, MeshGroup->LevelCount);
}

const QNMATRIX* QNMESHNODE::RenderMatrix()
{
    static QNMATRIX shared;
    if ((ClassFlags & QNCF_LEVELS) && MeshGroup) {
        QNMESH* level = &MeshGroup->Level(SelectLevel());
        if (level != Mesh) {
            Mesh = level;
            RefreshMesh();
        }
    }
    shared = NodeWorldMatrix(this);
    if (ClassFlags & QNCF_OFFSET)
        shared = Offset * shared;
    return &shared;
}

void QNMESHNODE::ApplyMeshState(std::int32_t, std::int32_t newState)
{
    if (newState < 2) {
        DeleteInstance();
    } else if (newState == 2) {
        if (Instance)
            Instance->Visible = 0;
    } else if (Instance) {
        Instance->Visible = 1;
    } else if (Mesh && Mesh->HasVertices()) {
        CreateInstance();
    }
}

// ---- light ----

void QNLIGHTNODE::SetDirectionalLight(float r, float g, float b)
{
    Light->SetDirectional(r, g, b);
    Light->Update();
}

void QNLIGHTNODE::SetPointLight(float range, float r, float g, float b)
{
    Light->SetPoint(range, r, g, b);
    Light->Update();
}

void QNLIGHTNODE::AttachLight(bool on)
{
    LightOn = on ? 1 : 0;
    Light->SetFromMatrix(NodeWorldMatrix(this));
    if (on && State == 3)
        Light->Attach(true, View);
    else
        Light->Detach();
    if (NodeCanMove(this))
        EnableUpdate();
}

void QNLIGHTNODE::SetLightOn(bool on)
{
    LightOn = on ? 1 : 0;
    Light->Enable(on && State == 3);
}

void QNLIGHTNODE::ReleaseLight()
{
    if (Light)
        Light->Detach();
    LightOn = 0;
}

void QNLIGHTNODE::UpdateLight()
{
    if (State == 3 && Light->Slot && NodeCanMove(this)) {
        Light->SetFromMatrix(NodeWorldMatrix(this));
        Light->Update();
    }
}

void QNLIGHTNODE::ApplyLightState(std::int32_t oldState, std::int32_t newState)
{
    if (oldState == 3 && newState != 3) {
        Light->Enable(false);
    } else if (newState == 3 && oldState != 3 && LightOn) {
        if (Light->Slot) {
            Light->Enable(true);
        } else {
            Light->SetFromMatrix(NodeWorldMatrix(this));
            Light->Attach(true, View);
        }
    }
}

// ---- sound ----

void QNSOUNDNODE::SetSound(const char* name, int index)
{
    QNSOUND* source = name ? ResourcesOf(this, name).FindSound(name, index) : nullptr;
    if (OwnSound) {
        OwnSound->Stop();
        delete OwnSound;
    }
    OwnSound = nullptr;
    Sound = nullptr;
    if (!source)
        return;
    OwnSound = new QNSOUND;
    OwnSound->CreatePath(source);
    OwnSound->SetPositionFromMatrix(NodeWorldMatrix(this));
    OwnSound->Set3DParameters();
    Sound = OwnSound;
    if (NodeCanMove(this))
        EnableUpdate();
}

void QNSOUNDNODE::PlaySound(std::int32_t loops)
{
    Looping = loops == -1 ? 1 : 0;
    if (Sound && State == 3) {
        PlaceSound();
        Sound->Play(loops == -1 ? QNSOUND::kForever : std::uint32_t(std::max(loops, 0)));
    }
}

void QNSOUNDNODE::PlaceSound()
{
    // A node that cannot move is never followed: it may have been placed (attached, moved by
    // its owner) since its sound was made.
    if (Sound && Sound->Kind() == QNSOUND::POSITIONAL) {
        Sound->SetPositionFromMatrix(NodeWorldMatrix(this));
        Sound->Set3DParameters();
    }
}

void QNSOUNDNODE::StopSound()
{
    if (Sound)
        Sound->Stop();
    Looping = 0;
}

void QNSOUNDNODE::SetSoundVolume(float value)
{
    if (Sound)
        Sound->SetVolume(value);
}

void QNSOUNDNODE::UpdateSound()
{
    if (Sound && Sound->Kind() == QNSOUND::POSITIONAL && NodeCanMove(this) && Sound->IsPlaying()) {
        Sound->SetPositionFromMatrix(NodeWorldMatrix(this));
        Sound->Set3DParameters();
    }
}

void QNSOUNDNODE::ApplySoundState(std::int32_t oldState, std::int32_t newState)
{
    if (!Sound)
        return;
    if (oldState == 3 && newState != 3)
        Sound->Stop();
    else if (newState == 3 && oldState != 3 && Looping) {
        PlaceSound();
        Sound->Play(QNSOUND::kForever);
    }
}

void QNSOUNDNODE::ReleaseSoundSlot()
{
    if (OwnSound) {
        OwnSound->Stop();
        delete OwnSound;
    }
    OwnSound = nullptr;
    Sound = nullptr;
}
