// What one installation remembers of itself for its uninstaller: whether an existing icon
// library stayed and each folder level it created. It lies in the installation folder beside
// lt_uninstall.exe, so a later installation elsewhere, which rewrites the one uninstall entry,
// leaves it alone.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lanternix {

inline constexpr std::wstring_view kInstallationRecordName = L"lt_uninstall.ini";

struct InstallationRecord {
  bool keptIconLibrary = false;
  // Every level the installation created, outermost first, the installation folder last when it
  // was one of them; each ends in "\". Empty when it created none.
  std::vector<std::wstring> createdFolders;
};

// installFolder ends in "\".
std::wstring InstallationRecordPath(std::wstring_view installFolder);

// Written after the registration. createdFolder is the outermost folder this run created (empty
// when none): it and every level below it down to the installation folder are recorded, as this
// run made each of them. A re-installation into an existing folder keeps the levels the first one
// created. With nothing to record, no record is left.
void RecordInstallation(Platform& platform, std::wstring_view installFolder, std::wstring_view createdFolder,
                        int keptIconLibrary);

// Whoever can write into the installation folder can write the record, and the uninstaller runs
// elevated: a created level counts only when it is fully qualified, no drive or share root, and
// the installation folder itself or a folder above it.
InstallationRecord ReadInstallationRecord(Platform& platform, std::wstring_view installFolder);

// Whether folder is a drive's root ("C:\") or a share's ("\\server\share\").
bool IsRootFolder(FileSystem& files, std::wstring_view folder);

}  // namespace lanternix
