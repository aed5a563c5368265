#pragma once
/// MONEYDISPLAY: the company's money in millions, one line of 11 characters, in the positive
/// colour or in red below zero.

#include <cstdint>

#include "engine/scene/node_chain.h"

class MONEYDISPLAY : public GAMENODE {
public:
    static constexpr std::uint32_t kColumns = 11;

    MONEYDISPLAY(QNNODE* parent, const QNMATRIX& transform, std::uint32_t align);

    /// "$%.1f M" of money / 1e6 in "hud_moneydisplay_pos", or "-$%.1f M" of -money / 1e6 in
    /// "hud_moneydisplay_neg".
    void SetValue(float money);
    /// The text last printed (whole, before the line cuts it).
    const char* Text() const { return text_; }

    /// The text and whether it is the negative form, for `money`.
    static bool Format(float money, char* out, std::size_t size);

    std::uint32_t Align = 0;

private:
    char text_[64] = {};
};
