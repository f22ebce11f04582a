// What the setup installs and how it shows itself: the product's version, its publisher, the
// installed files other steps name, the viewer's window class, the setup's caption and the
// registry names several steps build on.
#pragma once

#include <string_view>

namespace lanternix {

inline constexpr int kProductMajor = 4;
inline constexpr int kProductMinor = 65;
inline constexpr std::wstring_view kPublisher = L"Quillon Varsk";
inline constexpr std::wstring_view kViewerExe = L"l_tern32.exe";
inline constexpr std::wstring_view kUninstallerExe = L"lt_uninstall.exe";

// A running viewer is recognised by its top-level window of this class.
inline constexpr std::wstring_view kViewerWindowClass = L"Lanternix";
// The wizard's title and the caption of every message the setup shows.
inline constexpr std::wstring_view kSetupCaption = L"Lanternix 32-bit Setup";
// Below a class key: the command the shell runs to open a file of that class.
inline constexpr std::wstring_view kOpenCommandSubKey = L"\\shell\\open\\command";

}  // namespace lanternix
