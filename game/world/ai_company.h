#pragma once
/// AICOMPANY: a company run by the computer. Three play in every game.

#include "game/world/company.h"

class AICOMPANY : public COMPANY {
public:
    AICOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene = nullptr);
    ~AICOMPANY() override;
};
