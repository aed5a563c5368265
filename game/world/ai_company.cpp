#include "game/world/ai_company.h"

AICOMPANY::AICOMPANY(std::int32_t view, std::uint32_t identity, COMPANY** companies, QNSCENE* scene)
    : COMPANY(view, identity, companies, scene)
{
}

AICOMPANY::~AICOMPANY() = default;
