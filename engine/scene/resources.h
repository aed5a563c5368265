#pragma once
/// QNRESOURCES: a scene's five dictionaries of named media, in order sounds, materials,
/// colours, textures and meshes. Each dictionary is a list head whose children are the entries,
/// named by resource key and found with QNITEM::FindChild in exact mode. The entry types and
/// the registration operations belong to the resource code; the scene layer only owns the
/// dictionaries and empties them when a scene is left.

#include "engine/util/qn_item.h"

class QNRESOURCES {
public:
    QNITEM Sounds;
    QNITEM Materials;
    QNITEM Colours;
    QNITEM Textures;
    QNITEM Meshes;

    /// Deletes the entries of every dictionary but the materials (leaving a scene).
    void FreeMedia()
    {
        Sounds.DeleteChildren();
        Colours.DeleteChildren();
        Textures.DeleteChildren();
        Meshes.DeleteChildren();
    }

    /// While set, new nodes take these resources instead of their parent's.
    static inline QNRESOURCES* Override = nullptr;
};
