#include "wizard/control_logic.h"

#include "wizard/hyperlink_logic.h"

namespace lanternix::wizard {

std::uint32_t DrawTextFormatForStyle(std::uint32_t style) {
  std::uint32_t format = kDrawLeft;
  if (style & kStaticCenter)
    format = kDrawCenter;
  else if (style & kStaticRight)
    format = kDrawRight;
  format |= (style & kStaticCenterImage) ? (kDrawVCenter | kDrawSingleLine) : kDrawWordBreak;
  return format;
}

int ScaleForDpi(int value, int dpi) {
  const long long product = static_cast<long long>(value) * dpi;
  const long long half = kDefaultDpi / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDefaultDpi : (product - half) / kDefaultDpi);
}

}  // namespace lanternix::wizard
