#include "wizard/hyperlink_logic.h"

namespace lanternix::wizard {

LinkRect FitRectToText(const LinkRect& window, const LinkRect& client, LinkSize text, std::uint32_t style) {
  const int neededWidth = text.cx + (window.Width() - client.Width());
  const int neededHeight = text.cy + (window.Height() - client.Height());
  LinkRect fitted = window;

  if (style & kStaticCenterImage) {
    const int shrink = (window.Height() - neededHeight) / 2;
    fitted.top += shrink;
    fitted.bottom -= shrink;
  } else {
    fitted.bottom = fitted.top + neededHeight;
  }

  if (style & kStaticCenter) {
    const int shrink = (window.Width() - neededWidth) / 2;
    fitted.left += shrink;
    fitted.right -= shrink;
  } else if (style & kStaticRight) {
    fitted.left = fitted.right - neededWidth;
  } else {
    fitted.right = fitted.left + neededWidth;
  }
  return fitted;
}

Colour LinkTextColour(const LinkColours& colours, bool over, bool visited) {
  if (over) return colours.hover;
  return visited ? colours.visited : colours.link;
}

std::wstring BrowserCommandForUrl(std::wstring_view registeredCommand, std::wstring_view url) {
  std::size_t cut = registeredCommand.find(L"\"%1\"");
  if (cut == std::wstring_view::npos) cut = registeredCommand.find(L"%1");
  std::wstring command(registeredCommand.substr(0, cut));
  command += L' ';
  command += url;
  return command;
}

}  // namespace lanternix::wizard
