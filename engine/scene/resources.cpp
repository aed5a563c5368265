#include "engine/scene/resources.h"

#include <cstdio>
#include <string>

#include "engine/resource/media_manifest.h"
#include "engine/resource/qndisk.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_hooks.h"

const char* MakeResourceKey(const char* name, int index)
{
    static char key[128];
    if (index == 0)
        return name;
    std::snprintf(key, sizeof key, "%s%d", name ? name : "", index + 1);
    return key;
}

// ---- mesh groups ----

QNMESHLIST::QNMESHLIST(const char* name, int index, std::uint32_t levelCount)
    : QNITEM(name), LevelCount(levelCount ? levelCount : 1), Index(index),
      levels_(std::make_unique<QNMESH[]>(LevelCount))
{
}

void QNMESHLIST::Finish(std::uint32_t collisionKind, std::uint32_t collisionOption, const char* name)
{
    levels_[0].CreateCollision(collisionKind, collisionOption, name);
}

void QNMESHLIST::BuildLevels(float lastFraction)
{
    if (LevelCount < 2)
        return;
    const float step = (1.0f - lastFraction) / float(LevelCount - 1);
    float fraction = 1.0f;
    for (std::uint32_t k = 1; k < LevelCount; ++k) {
        fraction -= step;
        levels_[0].Simplify(fraction, levels_[k]);
    }
}

// ---- registration ----

namespace {

/// The block's file, or the manifest's archive path for the name when the block names none.
std::string FileOf(const char* file, const char* name, QNMEDIAKIND kind)
{
    if (file && *file)
        return file;
    if (const QNMEDIAENTRY* entry = name ? FindMediaByName(name, kind) : nullptr)
        return entry->Path;
    return name ? name : "";
}

QNSTRING BaseName(const char* name, const std::string& file)
{
    if (name && *name)
        return QNSTRING(name);
    return QNDISK::FileTitle(QNSTRING(file.c_str()));
}

void Loaded()
{
    if (QNRESOURCES::LoadCallback)
        QNRESOURCES::LoadCallback(QNRESOURCES::LoadCallbackArg);
}

template <typename T>
T* Find(const QNITEM& dictionary, const char* name, int index)
{
    return static_cast<T*>(dictionary.FindChild(MakeResourceKey(name, index), true));
}

}  // namespace

void QNRESOURCES::AddSound()
{
    const QNSOUNDPARAMS& p = SoundParams;
    const std::string file = FileOf(p.File, p.Name, QNMEDIAKIND::SOUND);
    const QNSTRING base = BaseName(p.Name, file);
    for (int i = 0; i < p.Count; ++i) {
        auto* entry = new QNSOUNDENTRY(QNDISK::NumberedName(base, i).Text(), i);
        Sounds.AddChild(entry);
        QNSOUND& s = entry->Sound;
        s.Load(QNSTRING(file.c_str()), p.LoadMode, i, p.Option != 0);
        s.SetRange(p.MinDistance, p.MaxDistance);
        s.Set3DParameters();
        s.SetCone(p.ConeInside, p.ConeOutside, p.ConeOutsideVolume);
        s.Set3DParameters();
        if (p.OwnPath)
            s.CreatePath();
    }
    Loaded();
}

void QNRESOURCES::AddTexture()
{
    const QNTEXTUREPARAMS& p = TextureParams;
    const std::string file = FileOf(p.File, p.Name, QNMEDIAKIND::TEXTURE);
    const QNSTRING base = BaseName(p.Name, file);
    for (int i = 0; i < p.Count; ++i) {
        auto* entry = new QNTEXTUREENTRY(QNDISK::NumberedName(base, i).Text(), i);
        Textures.AddChild(entry);
        entry->Texture.Load(file.c_str(), p.LoadOption1, i, p.LoadOption2, p.LoadOption3);
        entry->Texture.Grid.SetGrid(float(p.Columns), float(p.Rows), p.CellWidth, p.CellHeight);
        entry->Flag = p.EntryFlag;
    }
    Loaded();
}

QNMESHLIST* QNRESOURCES::NewGroup(const char* name, int index, std::uint32_t levels)
{
    auto* group = new QNMESHLIST(name, index, levels);
    Meshes.AddChild(group);
    return group;
}

void QNRESOURCES::FinishGroup(QNMESHLIST* group, const char* name, bool levels)
{
    const QNMESHPARAMS& p = MeshParams;
    group->Finish(p.CollisionOption1, p.CollisionOption2, name);
    if (levels)
        group->BuildLevels(p.LastLevelFraction);
}

void QNRESOURCES::AddMeshFile()
{
    const QNMESHPARAMS& p = MeshParams;
    const std::string file = FileOf(p.File, p.Name, QNMEDIAKIND::MESH);
    const QNSTRING base = BaseName(p.Name, file);
    const int count = int(p.Args[0]);
    for (int i = 0; i < count; ++i) {
        QNMESHLIST* group = NewGroup(QNDISK::NumberedName(base, i).Text(), i, p.LevelCount);
        group->Level(0).Load(file.c_str(), i, p.Option2, p.Option3, p.Option1, p.Option4, p.Option5 != 0);
        FinishGroup(group, base.Text(), true);
    }
    Loaded();
}

void QNRESOURCES::AddMesh()
{
    const QNMESHPARAMS& p = MeshParams;
    // A File naming no registered group (a texture's name, as load screens and sprites give)
    // leaves the group to be made from the block's own arguments.
    const QNMESHLIST* source =
        (p.File && *p.File) ? static_cast<const QNMESHLIST*>(Meshes.FindChild(p.File)) : nullptr;
    QNMESHLIST* group = NewGroup(p.Name, 0, p.LevelCount);
    QNMESH& mesh = group->Level(0);
    if (source)
        source->Level(0).CopyTo(mesh);
    const float* a = p.Args;
    mesh.CreateGrid(a[0], a[1], std::uint32_t(a[2]), std::uint32_t(a[3]), std::uint32_t(a[4]), std::uint32_t(a[5]),
                    p.Option2, p.Option3, p.Option1, p.Option4, a[6] != 0.0f, true);
    FinishGroup(group, p.Name, true);
}

void QNRESOURCES::AddMeshVariant()
{
    const QNMESHPARAMS& p = MeshParams;
    QNMESHLIST* group = NewGroup(p.Name, 0, p.LevelCount);
    const float* a = p.Args;
    group->Level(0).CreateSphere(a[0], std::uint32_t(a[1]), std::uint32_t(a[2]), p.Option2, p.Option3, p.Option1,
                                 p.Option4, true);
    FinishGroup(group, p.Name, true);
}

void QNRESOURCES::AddMeshBox()
{
    const QNMESHPARAMS& p = MeshParams;
    QNMESHLIST* group = NewGroup(p.Name, 0, 1);
    group->Level(0).SetBoxSize(p.Args[1], p.Args[2], p.Args[3]);
    FinishGroup(group, p.Name, false);
}

QNMATERIAL* QNRESOURCES::AddMaterial(const char* name, const char* copyFrom)
{
    const QNMATERIAL* source = copyFrom ? FindMaterial(copyFrom) : nullptr;
    auto* entry = new QNMATERIALENTRY(name);
    if (source)
        entry->Material = *source;
    Materials.AddChild(entry);
    return &entry->Material;
}

QNCOLOUR* QNRESOURCES::AddColour(const char* name, const char* copyFrom)
{
    const QNCOLOUR* source = copyFrom ? FindColour(copyFrom) : nullptr;
    auto* entry = new QNCOLOURENTRY(name);
    if (source)
        entry->Colour = *source;
    Colours.AddChild(entry);
    return &entry->Colour;
}

QNSOUND* QNRESOURCES::FindSound(const char* name, int index) const
{
    return &Find<QNSOUNDENTRY>(Sounds, name, index)->Sound;
}

QNSOUND* QNRESOURCES::SoundIfAny(const char* name, int index) const
{
    auto* entry = static_cast<QNSOUNDENTRY*>(Sounds.FindChild(MakeResourceKey(name, index), false));
    return entry ? &entry->Sound : nullptr;
}

QNMATERIAL* QNRESOURCES::FindMaterial(const char* name, int index) const
{
    return &Find<QNMATERIALENTRY>(Materials, name, index)->Material;
}

QNCOLOUR* QNRESOURCES::FindColour(const char* name, int index) const
{
    return &Find<QNCOLOURENTRY>(Colours, name, index)->Colour;
}

QNTEXTUREENTRY* QNRESOURCES::FindTexture(const char* name, int index) const
{
    return Find<QNTEXTUREENTRY>(Textures, name, index);
}

QNMESHLIST* QNRESOURCES::FindMesh(const char* name, int index) const
{
    return Find<QNMESHLIST>(Meshes, name, index);
}

QNMATERIAL& QNRESOURCES::DefaultMaterial()
{
    static QNMATERIAL material;
    return material;
}

void QNRESOURCES::RegisterDefaults()
{
    AddMaterial("flatlit")->Lighting = 0;
    AddMaterial("alpha")->SetAlphaBlend();
    AddMaterial("alphatest")->SetAlpha(0.03125f);
    QNMATERIAL* sprite = AddMaterial("sprite");
    sprite->KeepMask = 271;
    sprite->Stages[0].AddressU = sprite->Stages[0].AddressV = 3;
    sprite->SetAlphaBlend();
    QNMATERIAL* tile = AddMaterial("tile");
    tile->KeepMask = 271;
    tile->Stages[0].AddressU = tile->Stages[0].AddressV = 3;

    AddColour("fullbright")->SetEmissive(1, 1, 1);
    AddColour("black")->SetColour(0, 0, 0, 1);
    AddColour("white")->SetColour(1, 1, 1, 1);
}

void QNRESOURCES::InstallHooks()
{
    QNHOOKS::Scene.RegisterDefaults = [](QNSCENE* scene) { scene->Resources.RegisterDefaults(); };
}

namespace {
// Every program with nodes links this file (the default material), so scenes get the engine's
// defaults without the start-up code naming them; the hook table is constant-initialised.
const bool kDefaultsInstalled = (QNRESOURCES::InstallHooks(), true);
}  // namespace
