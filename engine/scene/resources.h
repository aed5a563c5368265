#pragma once
/// QNRESOURCES: a scene's five dictionaries of named media, in order sounds, materials,
/// colours, textures and meshes. Each dictionary is a list head whose children are the entries,
/// named by resource key and found with QNITEM::FindChild in exact mode.
///
/// Registration. Game code resets one of the three parameter blocks (SoundParams,
/// TextureParams, MeshParams), fills it and calls the matching Add operation. A series
/// registration makes Count entries from one name: the keys follow the series rule (trailing
/// digits of the name dropped, then nothing for member 0 and the number i + 1 for member i, so
/// X, X2, X3), and the loaders apply the same rule to the file. A block without a file takes the
/// archive path the media manifest gives for the name.
///
/// Leaving a scene deletes every entry but the materials (each entry releases its medium).

#include <cstdint>
#include <memory>

#include "engine/mesh/qnmesh.h"
#include "engine/render/qncolour.h"
#include "engine/render/qnmaterial.h"
#include "engine/render/qntexture.h"
#include "engine/sound/qnsound.h"
#include "engine/util/qn_item.h"

class QNSCENE;

/// Resource key of member `index` of `name`: the name itself for 0, else the name followed by
/// index + 1. The result lives in one shared buffer of 128 bytes that the next call overwrites
/// (longer keys are cut); index 0 returns `name` itself.
const char* MakeResourceKey(const char* name, int index);

class QNSOUNDENTRY : public QNITEM {
public:
    QNSOUNDENTRY(const char* name, int index) : QNITEM(name), Index(index) {}
    QNSOUND Sound;
    int Index = 0;
};

class QNMATERIALENTRY : public QNITEM {
public:
    explicit QNMATERIALENTRY(const char* name) : QNITEM(name) {}
    QNMATERIAL Material;
};

class QNCOLOURENTRY : public QNITEM {
public:
    explicit QNCOLOURENTRY(const char* name) : QNITEM(name) {}
    QNCOLOUR Colour;
};

class QNTEXTUREENTRY : public QNITEM {
public:
    QNTEXTUREENTRY(const char* name, int index) : QNITEM(name), Index(index) {}
    QNTEXTURE Texture;
    int Index = 0;
    std::uint8_t Flag = 0;
};

/// A mesh group: level 0 the full mesh, levels 1.. simplified copies for distance.
class QNMESHLIST : public QNITEM {
public:
    QNMESHLIST(const char* name, int index, std::uint32_t levelCount);
    QNMESH& Level(std::uint32_t i) { return levels_[i < LevelCount ? i : LevelCount - 1]; }
    const QNMESH& Level(std::uint32_t i) const { return levels_[i < LevelCount ? i : LevelCount - 1]; }
    /// Collision data of level 0 (kind, option, name).
    void Finish(std::uint32_t collisionKind, std::uint32_t collisionOption, const char* name);
    /// Level k (1..LevelCount-1) = level 0 simplified, the fraction falling from 1 by
    /// (1 - lastFraction) / (LevelCount - 1) per level.
    void BuildLevels(float lastFraction);

    std::uint32_t LevelCount = 1;
    int Index = 0;

private:
    std::unique_ptr<QNMESH[]> levels_;
};

struct QNSOUNDPARAMS {
    const char* Name = nullptr;
    const char* File = nullptr;
    std::uint32_t LoadMode = 2;
    float MinDistance = 1.0f;
    float MaxDistance = 100.0f;
    float ConeInside = 6.2831855f;
    float ConeOutside = 6.2831855f;
    float ConeOutsideVolume = 1.0f;
    std::int32_t Count = 1;
    std::uint8_t Option = 1;   ///< non-zero: read through a temporary copy out of the archive
    std::uint8_t OwnPath = 0;
};

struct QNTEXTUREPARAMS {
    const char* Name = nullptr;
    const char* File = nullptr;
    std::uint32_t LoadOption1 = 1;  ///< mip levels to make (0 = the full chain)
    std::uint32_t LoadOption2 = 3;  ///< texture kind, which picks the device format
    std::uint32_t Columns = 1, Rows = 1;
    float CellWidth = 1.0f, CellHeight = 1.0f;
    std::int32_t Count = 1;
    std::uint32_t LoadOption3 = 1;  ///< 1: read out of the archive through a copy; 0: the file itself
    std::uint32_t Width = 128, Height = 128;
    std::uint8_t Reserved = 0;
    std::uint8_t EntryFlag = 0;
};

/// Options in loader order: Option2 texture sets, Option3 coordinates per set, Option1 vertex
/// usage (2 dynamic), Option4 vertex kind, Option5 upload. Args of the grid generator: patch
/// width, patch height, patch columns, patch rows, cells across, cells down, facing; of the
/// sphere generator: radius, segments, rings.
struct QNMESHPARAMS {
    const char* Name = nullptr;
    std::uint32_t Option1 = 0;  ///< vertex usage: 2 dynamic buffers, any other value static
    std::uint32_t Unused = 0;
    std::uint32_t Option2 = 1;  ///< texture-coordinate sets per vertex
    std::uint32_t Option3 = 2;  ///< coordinates per set (1 or 2)
    /// Collision kind of the group (1-9; others give an empty named shape) and that kind's
    /// number: the contacts a triangle list answers per query, or an aggregate's member count.
    std::uint32_t CollisionOption1 = 7, CollisionOption2 = 40;
    std::uint32_t Option4 = 3;  ///< vertex kind (0-4)
    std::uint8_t Option5 = 1;   ///< non-zero: upload the vertices and indices once loaded
    std::uint32_t LevelCount = 1;
    float LastLevelFraction = 0.0f;
    const char* File = nullptr;
    float Args[7] = {};
};

class QNRESOURCES {
public:
    QNITEM Sounds;
    QNITEM Materials;
    QNITEM Colours;
    QNITEM Textures;
    QNITEM Meshes;

    /// Series registrations: Count entries from the block.
    void AddSound();
    void AddTexture();
    void AddMeshFile();
    /// One group named MeshParams.Name: a generated grid (copying the group File names first
    /// when it is given), a generated sphere, or a box of Args[1..3] with no geometry.
    void AddMesh();
    void AddMeshVariant();
    void AddMeshBox();
    /// A default material (or a copy of `copyFrom`, which must be registered) under `name`.
    QNMATERIAL* AddMaterial(const char* name, const char* copyFrom = nullptr);
    QNCOLOUR* AddColour(const char* name, const char* copyFrom = nullptr);

    /// The sound of key (name, index); QNNODE::EXC when not registered.
    QNSOUND* FindSound(const char* name, int index = 0) const;
    /// The sound of key (name, index), or null when not registered.
    QNSOUND* SoundIfAny(const char* name, int index = 0) const;
    QNMATERIAL* FindMaterial(const char* name, int index = 0) const;
    QNCOLOUR* FindColour(const char* name, int index = 0) const;
    QNTEXTUREENTRY* FindTexture(const char* name, int index = 0) const;
    QNMESHLIST* FindMesh(const char* name, int index = 0) const;

    /// Deletes the entries of every dictionary but the materials (leaving a scene).
    void FreeMedia()
    {
        Sounds.DeleteChildren();
        Colours.DeleteChildren();
        Textures.DeleteChildren();
        Meshes.DeleteChildren();
    }

    /// The engine's materials and colours that every scene has ("flatlit", "alpha",
    /// "alphatest", "sprite", "tile"; "fullbright", "black", "white").
    void RegisterDefaults();
    /// Installs RegisterDefaults as the scene layer's default registration.
    static void InstallHooks();

    /// The material of nodes that name none.
    static QNMATERIAL& DefaultMaterial();

    /// While set, new nodes take these resources instead of their parent's.
    static inline QNRESOURCES* Override = nullptr;

    static inline QNSOUNDPARAMS SoundParams;
    static inline QNTEXTUREPARAMS TextureParams;
    static inline QNMESHPARAMS MeshParams;
    /// Called with its argument after each sound, texture and mesh-file registration.
    static inline void (*LoadCallback)(void*) = nullptr;
    static inline void* LoadCallbackArg = nullptr;

private:
    QNMESHLIST* NewGroup(const char* name, int index, std::uint32_t levels);
    void FinishGroup(QNMESHLIST* group, const char* name, bool levels);
};
