#pragma once
/// SITEINDICATOR: which site a HUD speaks of, as the site's colour (COLORICON) with the owning
/// company's emblem (COMPANYICON) above it.

#include <cstdint>

#include "engine/scene/node_chain.h"

/// An icon showing one cell of its texture; Index is the cell.
class HUDICON : public GAMENODE {
public:
    HUDICON(QNNODE* parent, const char* name, std::int32_t kind, const QNMATRIX& transform, std::uint32_t userFlags,
            const char* texture, const char* mesh);
    void SetIndex(std::uint32_t index);
    std::uint32_t Index = 0;
};

class SITEINDICATOR : public GAMENODE {
public:
    SITEINDICATOR(QNNODE* parent, const QNMATRIX& transform, std::uint32_t userFlags = 0);

    /// Colour cell and emblem cell.
    void Set(std::uint32_t colour, std::uint32_t company);

    HUDICON* ColourIcon = nullptr;
    HUDICON* CompanyIcon = nullptr;
};
