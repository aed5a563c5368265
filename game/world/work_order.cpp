#include "game/world/work_order.h"

#include "engine/util/qnmath.h"
#include "game/world/item_types.h"

namespace {

constexpr float kKindPrices[kOreKinds] = {8000000.0f, 10000000.0f, 12500000.0f};

constexpr std::uint32_t kPairColours[kColourPairCount][2] = {
    {ORE_RED, ORE_GREEN}, {ORE_RED, ORE_BLUE},    {ORE_RED, ORE_YELLOW},
    {ORE_GREEN, ORE_BLUE}, {ORE_GREEN, ORE_YELLOW}, {ORE_BLUE, ORE_YELLOW},
};

}  // namespace

bool ColourPairColours(std::uint32_t pair, std::uint32_t* first, std::uint32_t* second)
{
    if (pair >= kColourPairCount)
        return false;
    *first = kPairColours[pair][0];
    *second = kPairColours[pair][1];
    return true;
}

float WORKORDERDATA::KindPrice(std::uint32_t kind)
{
    return kind < kOreKinds ? kKindPrices[kind] : 0.0f;
}

void WORKORDERDATA::Clear()
{
    *this = WORKORDERDATA();
}

void WORKORDERDATA::AddLine(std::uint32_t colour, std::uint32_t kind)
{
    if (LineCount >= kMaxLines || colour >= kOreColours || kind >= kOreKinds)
        return;
    const std::uint32_t bit = 1u << OreCell(colour, kind);
    if (Cells & bit)
        return;
    Lines[LineCount++] = WORKORDERLINE{colour, kind};
    Cells |= bit;
    Value += KindPrice(kind);
}

// The line count is RoundToInt(RandomRange(2, 4)): 2 and 4 a quarter of the time each. Each
// line draws its colour (0-3, the ends half as likely) and then its kind (0-2, likewise); a cell
// already taken moves on to the next cell, wrapping after 11, so the cells stay distinct.
void WORKORDERDATA::Generate()
{
    Clear();
    const int n = RoundToInt(RandomRange(2.0f, 4.0f));
    for (int i = 0; i < n; ++i) {
        const auto colour = static_cast<std::uint32_t>(RoundToInt(RandomRange(0.0f, 3.0f)));
        const auto kind = static_cast<std::uint32_t>(RoundToInt(RandomRange(0.0f, 2.0f)));
        std::uint32_t cell = OreCell(colour, kind);
        while (Cells & (1u << cell))
            cell = (cell + 1) % kOreCells;
        AddLine(cell / kOreKinds, cell % kOreKinds);
    }
}

bool WORKORDERDATA::IsFilledBy(std::uint32_t oreMask) const
{
    return (Cells & oreMask) == Cells;
}

bool WORKORDERDATA::HasColour(std::uint32_t colour) const
{
    if (colour >= kOreColours)
        return false;
    const std::uint32_t colourCells = 0x7u << (colour * kOreKinds);
    return (Cells & colourCells) != 0;
}

bool WORKORDERDATA::HasColourPair(std::uint32_t pair) const
{
    std::uint32_t a = 0, b = 0;
    return ColourPairColours(pair, &a, &b) && HasColour(a) && HasColour(b);
}

void WORKORDERDATA::ComputeBonus(std::uint32_t pairMask)
{
    Bonus = 0.0f;
    for (std::uint32_t pair = 0; pair < kColourPairCount; ++pair) {
        if ((pairMask & (1u << pair)) && HasColourPair(pair))
            Bonus += Value * kBonusRate;
    }
}
