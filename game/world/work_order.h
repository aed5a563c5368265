#pragma once
/// WORKORDERDATA: one work order, two to four kinds of ore of given colours to be delivered
/// together, and its match against a collector ship's ore mask.
///
/// Ore cells: ore kind k (0-2) of colour c (0 red, 1 green, 2 blue, 3 yellow) is cell c * 3 + k;
/// a 12-bit ore mask has bit (c * 3 + k) set for each cell present. An order's value is the sum of
/// its lines' kind prices; its bonus adds 20% of the value for each enhancer colour pair on the
/// station whose two colours the order holds.

#include <array>
#include <cstdint>

/// Ore colours.
enum ORECOLOUR : std::uint32_t { ORE_RED = 0, ORE_GREEN = 1, ORE_BLUE = 2, ORE_YELLOW = 3 };
inline constexpr std::uint32_t kOreColours = 4;
inline constexpr std::uint32_t kOreKinds = 3;
inline constexpr std::uint32_t kOreCells = kOreColours * kOreKinds;
/// A mask with every ore cell set.
inline constexpr std::uint32_t kAllOre = (1u << kOreCells) - 1u;

/// Cell of ore kind `kind` of colour `colour`.
constexpr std::uint32_t OreCell(std::uint32_t colour, std::uint32_t kind)
{
    return colour * kOreKinds + kind;
}

/// The two colours of enhancer colour pair `pair` (0-5); false for any other number.
bool ColourPairColours(std::uint32_t pair, std::uint32_t* first, std::uint32_t* second);

struct WORKORDERLINE {
    std::uint32_t Colour = 0;
    std::uint32_t Kind = 0;
};

class WORKORDERDATA {
public:
    static constexpr std::uint32_t kMaxLines = 4;
    /// Share of the value added per matching enhancer pair.
    static constexpr float kBonusRate = 0.2f;

    /// Dollars a line of ore kind `kind` (0-2) is worth; 0 for any other kind.
    static float KindPrice(std::uint32_t kind);

    /// Draws a new order: 2-4 lines of distinct cells (see the .cpp for the draw).
    void Generate();
    /// No lines, value, bonus or cells.
    void Clear();
    /// Appends a line (ignored when four are held or the cell is already in the order) and adds
    /// its kind price to the value.
    void AddLine(std::uint32_t colour, std::uint32_t kind);

    /// True when every line's cell is set in `oreMask` (extra ore is ignored); true without lines.
    bool IsFilledBy(std::uint32_t oreMask) const;
    /// True when any cell of `colour` is in the order.
    bool HasColour(std::uint32_t colour) const;
    /// True when both colours of pair `pair` (0-5) are in the order; false for other numbers.
    bool HasColourPair(std::uint32_t pair) const;
    /// Bonus = value * 0.2 for each pair bit of `pairMask` whose pair the order holds.
    void ComputeBonus(std::uint32_t pairMask);

    /// Value plus bonus: what a delivery of this order pays.
    float Worth() const { return Value + Bonus; }

    std::uint32_t LineCount = 0;
    float Value = 0.0f;
    float Bonus = 0.0f;
    std::array<WORKORDERLINE, kMaxLines> Lines{};
    std::uint32_t Cells = 0;
};
