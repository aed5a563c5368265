#pragma once
/// QNVIEW: one viewport of a scene, with its camera, its root node, its physics world and the
/// two node lists that the frame walks.
///
/// The update list runs every frame: each node's game Update, then its engine UpdateInstance,
/// then, when its Delete flag is set, the node is destroyed. The one-shot list gives each node
/// scheduled on it one RunOnce: the node leaves the list first (so it may schedule itself
/// again for the next frame), and a node whose Delete flag is set afterwards is destroyed.
/// Both walks use list cursors: a node may delete or unlink itself or any other node of the
/// list during its operations, and nodes appended during a pass are reached in the same pass;
/// a node visited once in a pass is not visited again when it is moved to the end of the list
/// (re-attached) during that pass.

#include <cstdint>

#include "engine/util/qn_item.h"

class QNSCENE;
class QNNODE;
class GAMENODE;
class QNVIEWPORT;
class QNPHYSWORLD;

class QNVIEW {
public:
    /// Builds the view of `scene` with its root node "ROOT" (level 0x8000000, votes 3,
    /// state 3, the scene's resources), its physics world and its camera (through the hooks).
    explicit QNVIEW(QNSCENE* scene);
    /// Deletes the root node (and with it every node of the view), then the camera and world.
    ~QNVIEW();
    QNVIEW(const QNVIEW&) = delete;
    QNVIEW& operator=(const QNVIEW&) = delete;

    /// Runs the one-shot list, then the update list.
    void RunLists();
    /// One RunOnce for every node on the one-shot list.
    void RunOnceList();
    /// Update and UpdateInstance for every node on the update list; destroys flagged nodes.
    void RunUpdateList();

    /// Identity of the two lists for list cursors.
    const void* UpdateListId() const { return &UpdateHead; }
    const void* OnceListId() const { return &OnceHead; }

    QNSCENE* Scene = nullptr;
    QNWEAK<QNNODE> CurrentNode;        ///< the node the camera looks from; none = identity
    QNNODE* UpdateHead = nullptr;
    QNNODE* UpdateTail = nullptr;
    QNNODE* OnceHead = nullptr;
    QNNODE* OnceTail = nullptr;
    std::uint32_t NodeCount = 0;
    QNPHYSWORLD* World = nullptr;      ///< made and stepped by the physics layer's hooks
    QNVIEWPORT* Camera = nullptr;      ///< made and drawn by the renderer
    GAMENODE* Root = nullptr;
    std::uint32_t OncePass = 0;        ///< number of the one-shot pass running or last run
    std::uint32_t UpdatePass = 0;      ///< number of the update pass running or last run
};
