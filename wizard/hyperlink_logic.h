// The window-free part of the hyperlink control: the size it takes to fit its text, the colour
// of each state, the browser command line of the ".htm" fallback, and how the wizard starts
// what a link or the Finished page names.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix::wizard {

// A rectangle and a size in the Win32 layout, kept free of windows.h so the host build tests
// the arithmetic.
struct LinkRect {
  int left = 0;
  int top = 0;
  int right = 0;
  int bottom = 0;
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool operator==(const LinkRect&) const = default;
};

struct LinkSize {
  int cx = 0;
  int cy = 0;
};

// Static-control styles the layout reads.
inline constexpr std::uint32_t kStaticCenter = 0x0001;
inline constexpr std::uint32_t kStaticRight = 0x0002;
inline constexpr std::uint32_t kStaticNotify = 0x0100;
inline constexpr std::uint32_t kStaticCenterImage = 0x0200;

// The control's rectangle (in its parent's coordinates) resized to text plus the control's
// borders: centred controls keep their centre, right-aligned ones their right edge, the others
// their left edge; with SS_CENTERIMAGE the vertical centre stays, otherwise the top.
LinkRect FitRectToText(const LinkRect& window, const LinkRect& client, LinkSize text, std::uint32_t style);

using Colour = std::uint32_t;  // COLORREF: 0x00BBGGRR

struct LinkColours {
  Colour link = 0x00EE0000;     // red 0, green 0, blue 238
  Colour visited = 0x008B1A55;  // red 85, green 26, blue 139
  Colour hover = 0x000000FF;    // red 255, green 0, blue 0
};

// Hovering wins over visited, visited over the plain link colour.
Colour LinkTextColour(const LinkColours& colours, bool over, bool visited);

// Underline modes.
inline constexpr int kUnderlineWhileHovering = -1;
inline constexpr int kUnderlineAlways = 1;

// The command line that starts the browser registered for ".htm" with url: the registered
// command cut before its first quoted "%1" (or, failing that, its first bare %1), then a blank
// and the address. Switches after the placeholder are dropped.
std::wstring BrowserCommandForUrl(std::wstring_view registeredCommand, std::wstring_view url);

// A command line's program (its quotes removed) and the rest after the blank that ends it.
struct ProgramAndArguments {
  std::wstring program;
  std::wstring arguments;
};
ProgramAndArguments SplitCommandLine(std::wstring_view commandLine);

// Opens a document, address or program with the rights the logged-on user normally has. The
// wizard runs elevated for the installation; the viewer and the browser it starts must not: an
// elevated process hands the request to the desktop shell, and when there is no shell to take
// it nothing starts (rather than with an administrator's rights). Not elevated: ShellExecute
// directly. Above 32 is success.
std::intptr_t StartWithUserRights(Platform& platform, std::wstring_view file, std::wstring_view parameters);

// Opens url: the shell's "open" first, then the browser registered for ".htm" with the
// address; both with the user's normal rights. Above 32 is success.
std::intptr_t OpenLinkAddress(Platform& platform, std::wstring_view url);

}  // namespace lanternix::wizard
