#pragma once
// Colours as the tests read them back from a picture or the screen.

#include <array>


// RGB, 0 to 255 a channel.
using Colour = std::array<int, 3>;
inline constexpr Colour kBlack{0, 0, 0};
inline constexpr Colour kWhite{255, 255, 255};
inline constexpr Colour kRed{255, 0, 0};
inline constexpr Colour kGreen{0, 255, 0};
inline constexpr Colour kBlue{0, 0, 255};
inline constexpr Colour kYellow{255, 255, 0};
inline constexpr Colour kCyan{0, 255, 255};
