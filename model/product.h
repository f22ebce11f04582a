// What the setup installs: the product's version, its publisher and the installed files other
// steps name.
#pragma once

#include <string_view>

namespace lanternix {

inline constexpr int kProductMajor = 4;
inline constexpr int kProductMinor = 65;
inline constexpr std::wstring_view kPublisher = L"Quillon Varsk";
inline constexpr std::wstring_view kViewerExe = L"l_tern32.exe";
inline constexpr std::wstring_view kUninstallerExe = L"lt_uninstall.exe";

}  // namespace lanternix
