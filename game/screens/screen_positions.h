#pragma once
/// Fixed element positions (x, y) of the screens, in the 1333 x 1000 screen frame.

#include <array>

namespace screenpositions {

/// Three positions along the top of a screen.
inline constexpr std::array<std::array<float, 2>, 3> kRowA = {{{-348.87109f, 392.57809f},
                                                               {-65.087898f, 392.57809f},
                                                               {217.3936f, 392.57809f}}};
/// Three positions in a triangle around the centre.
inline constexpr std::array<std::array<float, 2>, 3> kTriangleB = {{{-46.6563f, 29.4141f},
                                                                    {46.6563f, 29.4141f},
                                                                    {0.0f, -29.4141f}}};

}  // namespace screenpositions
