// What the setup installs and how it shows itself: the product's name, version and publisher, the
// installed files other steps name, the viewer's window class, the setup's caption, the registry
// names several steps build on and the product's web pages. The release manifest is printed from
// the same facts, so a deployment tool reads what the setup really writes.
#pragma once

#include <string>
#include <string_view>

#include "model/number_text.h"

namespace lanternix {

inline constexpr std::wstring_view kProductName = L"Lanternix";
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
// What the capabilities tell the system's default-programs settings about the viewer.
inline constexpr std::wstring_view kApplicationDescription =
    L"Picture viewer, editor and converter - one of the most popular viewers worldwide";
// What the program is, in the words a package catalogue shows: no claim a reviewer must verify.
inline constexpr std::wstring_view kProductSummary = L"Picture viewer, editor and converter";

// The product's own site; ".example" is reserved and stands in until a real domain exists. The
// addresses are literals, so data() is a terminated string ready for the shell.
inline constexpr std::wstring_view kProductSite = L"https://lanternix.example/";
// The licence agreement behind the Welcome page's link.
inline constexpr std::wstring_view kEulaAddress = L"https://lanternix.example/eula";
// The FAQ page the Finished page offers to open.
inline constexpr std::wstring_view kFaqAddress = L"https://lanternix.example/faq";

// "4.65": the version as the programs list shows it.
inline std::wstring ProductVersionText() {
  return DecimalText(kProductMajor) + L"." + DecimalText(kProductMinor);
}

// "Lanternix 4.65 (32-bit)": the name the programs list shows.
inline std::wstring ProductDisplayName() {
  return std::wstring(kProductName) + L" " + ProductVersionText() + L" (32-bit)";
}

}  // namespace lanternix
