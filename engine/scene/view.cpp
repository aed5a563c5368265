#include "engine/scene/view.h"

#include "engine/scene/node_chain.h"
#include "engine/scene/scene.h"
#include "engine/scene/scene_hooks.h"

namespace {

QNITEM* NextOnUpdateList(const QNITEM* item)
{
    return static_cast<const QNNODE*>(item)->UpdateNext;
}

QNITEM* NextOnOnceList(const QNITEM* item)
{
    return static_cast<const QNNODE*>(item)->OnceNext;
}

} // namespace

QNVIEW::QNVIEW(QNSCENE* scene) : Scene(scene)
{
    if (QNHOOKS::Scene.CreateWorld)
        QNHOOKS::Scene.CreateWorld(this);
    QNHOOKS::Renderer().CreateCamera(*this);
    Root = new GAMENODE(nullptr, "ROOT", 0, QNCF_LEVEL_VIEWROOT, 0, 0, nullptr, 0, this);
    Root->Resources = scene ? &scene->Resources : nullptr;
    for (std::int32_t& vote : Root->Votes)
        vote = 3;
    Root->State = 3;
}

QNVIEW::~QNVIEW()
{
    QNITEM::Destroy(Root);
    Root = nullptr;
    QNHOOKS::Renderer().DestroyCamera(*this);
    if (QNHOOKS::Scene.DestroyWorld)
        QNHOOKS::Scene.DestroyWorld(this);
}

void QNVIEW::RunLists()
{
    RunOnceList();
    RunUpdateList();
}

void QNVIEW::RunOnceList()
{
    // Nodes scheduled during this pass carry its stamp and wait for the next frame, so a node
    // that schedules itself again from RunOnce cannot keep the pass going.
    const std::uint32_t pass = ++OncePass;
    for (QNLISTCURSOR walk(OnceListId(), OnceHead, &NextOnOnceList); QNITEM* x = walk.Advance();) {
        auto* node = static_cast<QNNODE*>(x);
        if (node->OnceStamp == pass)
            continue;
        QNWEAK<QNNODE> alive(node);
        node->CancelOnce();
        node->RunOnce();
        if (QNNODE* n = alive.Get(); n && n->Delete)
            QNITEM::Destroy(n);
    }
}

void QNVIEW::RunUpdateList()
{
    const std::uint32_t pass = ++UpdatePass;
    for (QNLISTCURSOR walk(UpdateListId(), UpdateHead, &NextOnUpdateList);
         QNITEM* x = walk.Advance();) {
        auto* node = static_cast<QNNODE*>(x);
        if (node->UpdateStamp == pass)
            continue;
        node->UpdateStamp = pass;
        QNWEAK<QNNODE> alive(node);
        node->Update();
        if (!alive)
            continue;
        node->UpdateInstance();
        if (QNNODE* n = alive.Get(); n && n->Delete)
            QNITEM::Destroy(n);
    }
}
