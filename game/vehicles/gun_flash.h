#pragma once
/// GUNFLASH: a flash a gun shows for a moment at each shot (the Ironman's cockpit and muzzle
/// flashes share this operation).

#include "engine/scene/node_chain.h"

class GUNFLASH : public GAMENODE {
public:
    using GAMENODE::GAMENODE;
    /// Shows (on) or hides the flash.
    virtual void Show(bool on) = 0;
};
