#pragma once
/// PANELNODE: a full-screen overlay a HUD shows one at a time (the ranking display, the
/// approach cube, the work-order panel). While one is shown the HUD hides its clutter.

#include "engine/scene/node_chain.h"

class PANELNODE : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    virtual void Show(bool show) = 0;
};
