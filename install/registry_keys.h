// The registry keys and values the setup writes, named once: the registration and the
// association pass write them, the uninstaller removes them again.
#pragma once

#include <array>
#include <string_view>

#include "model/product.h"
#include "platform/platform.h"

namespace lanternix {

// Under HKEY_LOCAL_MACHINE unless said otherwise.
inline constexpr std::wstring_view kClassesKey = L"SOFTWARE\\Classes\\";
inline constexpr std::wstring_view kClassKey = L"SOFTWARE\\Classes\\Lanternix";
// Under HKEY_CLASSES_ROOT.
inline constexpr std::wstring_view kApplicationKey = L"Applications\\l_tern32.exe";
inline constexpr std::wstring_view kUninstallKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
// The uninstall entry's own name, by which deployment tools recognise the installed product.
inline constexpr std::wstring_view kUninstallEntryName = kUninstallKey.substr(kUninstallKey.rfind(L'\\') + 1);
// The capabilities and their RegisteredApplications value are read by the system's own shell,
// which is 64-bit on 64-bit Windows: they live in the machine's native view, not the 32-bit one.
inline constexpr RegRoot kCapabilitiesRoot = RegRoot::LocalMachineNative;
// The program's own area, per machine (in the native view, with the capabilities); the earlier-association
// records also use it per user.
inline constexpr std::wstring_view kAppKey = L"SOFTWARE\\Lanternix";
inline constexpr std::wstring_view kCapabilitiesKey = L"SOFTWARE\\Lanternix\\Capabilities";
inline constexpr std::wstring_view kCapabilityAssociationsKey =
    L"SOFTWARE\\Lanternix\\Capabilities\\FileAssociations";
inline constexpr std::wstring_view kRegisteredApplicationsKey = L"SOFTWARE\\RegisteredApplications";
inline constexpr std::wstring_view kRegisteredApplicationName = L"Lanternix";
inline constexpr std::wstring_view kDefaultIconSubKey = L"\\DefaultIcon";

// The folder and drive verb; "%s" of the key is the verb name.
inline constexpr std::wstring_view kBrowseVerb = L"Browse with &Lanternix";
inline constexpr std::array<std::wstring_view, 2> kBrowseVerbParents = {
    L"SOFTWARE\\Classes\\Directory\\shell\\", L"SOFTWARE\\Classes\\Drive\\shell\\"};

// Every ProgID of the program is this prefix, a dot and a stem.
inline constexpr std::wstring_view kProgIdPrefix = L"Lanternix";

// Under HKEY_CURRENT_USER: Explorer's per-user choice of an extension, ".ext" appended.
inline constexpr std::wstring_view kFileExtsKey =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
inline constexpr std::wstring_view kUserChoiceSubKey = L"\\UserChoice";
inline constexpr std::wstring_view kFileExtsProgIdValue = L"ProgID";
inline constexpr std::wstring_view kUserChoiceProgIdValue = L"Progid";

// Packaged applications of Windows 10 that the setup hides from the handler choice, under
// HKEY_CURRENT_USER's classes.
inline constexpr std::wstring_view kNoOpenWithValue = L"NoOpenWith";
inline constexpr std::array<std::wstring_view, 5> kStoreAppProgIds = {
    L"AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg", L"AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
    L"AppX43hnxtbyyps62jhe9sqpdzxn1790zetc", L"AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
    L"AppX6eg8h5sxqq90pv53845wmnbewywdqq5h"};

}  // namespace lanternix
