// The window-free rules of the coloured static control and the page fonts: how the control's
// styles become a DrawText format, the weight of the fonts it builds and DPI scaling.
#pragma once

#include <cstdint>

namespace lanternix::wizard {

// DrawText format flags, with the values windows.h gives them.
inline constexpr std::uint32_t kDrawLeft = 0x0000;
inline constexpr std::uint32_t kDrawCenter = 0x0001;
inline constexpr std::uint32_t kDrawRight = 0x0002;
inline constexpr std::uint32_t kDrawVCenter = 0x0004;
inline constexpr std::uint32_t kDrawWordBreak = 0x0010;
inline constexpr std::uint32_t kDrawSingleLine = 0x0020;

// SS_CENTER / SS_RIGHT choose the alignment; SS_CENTERIMAGE makes one vertically centred line,
// otherwise the text wraps at word boundaries.
std::uint32_t DrawTextFormatForStyle(std::uint32_t style);

inline constexpr int kWeightNormal = 400;
inline constexpr int kWeightBold = 700;
inline int FontWeight(bool bold) {
  return bold ? kWeightBold : kWeightNormal;
}

inline constexpr int kDefaultDpi = 96;
// Heading and installing-text fonts: 18 pixels at 96 DPI.
inline constexpr int kHeadingFontHeight = 18;

// MulDiv(value, dpi, 96): the product rounded half away from zero.
int ScaleForDpi(int value, int dpi);

}  // namespace lanternix::wizard
