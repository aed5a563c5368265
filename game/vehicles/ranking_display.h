#pragma once
/// RANKINGDISPLAY: the panel that ranks the four companies by money, one LINEITEM row each
/// (colour, emblem, money).

#include <cstdint>

#include "game/vehicles/hud_panel.h"

class HUDICON;
class MONEYDISPLAY;

struct RANKINGRECORD {
    std::uint32_t Colour = 0;
    std::uint32_t Icon = 0;
    float Money = 0.0f;
};

class LINEITEM : public GAMENODE {
public:
    LINEITEM(QNNODE* parent, std::uint32_t row);
    void Set(const RANKINGRECORD& record);

    HUDICON* ColourIcon = nullptr;
    HUDICON* CompanyIcon = nullptr;
    MONEYDISPLAY* Money = nullptr;
};

class RANKINGDISPLAY : public PANELNODE {
public:
    static constexpr std::uint32_t kRows = 4;

    explicit RANKINGDISPLAY(QNNODE* parent);

    /// On show: the records sorted by money, largest first (equal amounts keep their order), into
    /// the rows; shown or hidden on vote 2.
    void Show(bool show) override;

    RANKINGRECORD Records[kRows];
    /// The records in display order (a stable order from one showing to the next).
    RANKINGRECORD* Order[kRows] = {&Records[0], &Records[1], &Records[2], &Records[3]};
    LINEITEM* Lines[kRows] = {};
};
