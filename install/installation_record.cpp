#include "install/installation_record.h"

#include <algorithm>
#include <array>

#include "install/install_driver.h"
#include "model/path_text.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kRecordSection = L"Installation";
constexpr std::wstring_view kKeptIconLibraryKey = L"KeptIconLibrary";
constexpr std::wstring_view kCreatedFolderKey = L"CreatedFolder";

// Created as UTF-16LE, so the private-profile functions keep a folder name of any language.
bool CreateUnicodeFile(FileSystem& files, std::wstring_view path) {
  constexpr std::array<std::uint8_t, 2> kByteOrderMark = {0xFF, 0xFE};
  auto file = files.OpenForWriting(path);
  return file && file->Write(kByteOrderMark.data(), kByteOrderMark.size()) == kByteOrderMark.size() &&
         file->Close();
}

}  // namespace

std::wstring InstallationRecordPath(std::wstring_view installFolder) {
  return std::wstring(installFolder) + std::wstring(kInstallationRecordName);
}

bool IsRootFolder(FileSystem& files, std::wstring_view folder) {
  std::wstring path = files.CanonicalPath(folder);
  while (!path.empty() && IsPathSeparator(path.back())) path.pop_back();
  // "\\server\share" and "\\?\C:" hold one separator after their leading pair, "C:" none.
  const bool network = path.size() >= 2 && IsPathSeparator(path[0]) && IsPathSeparator(path[1]);
  const std::wstring_view levels = std::wstring_view(path).substr(network ? 2 : 0);
  return std::count_if(levels.begin(), levels.end(), IsPathSeparator<wchar_t>) < (network ? 2 : 1);
}

void RecordInstallation(Platform& platform, std::wstring_view installFolder, std::wstring_view createdFolder,
                        int keptIconLibrary) {
  const std::wstring path = InstallationRecordPath(installFolder);
  const std::wstring created = createdFolder.empty()
                                   ? ReadInstallationRecord(platform, installFolder).createdFolder
                                   : InstallFolderOf(createdFolder);
  // Written anew, so nothing of an earlier record but the created folder carries over.
  platform.files.Remove(path);
  if (!keptIconLibrary && created.empty()) return;
  if (!CreateUnicodeFile(platform.files, path)) return;
  if (keptIconLibrary) platform.profiles.WriteString(path, kRecordSection, kKeptIconLibraryKey, L"1");
  if (!created.empty()) platform.profiles.WriteString(path, kRecordSection, kCreatedFolderKey, created);
}

InstallationRecord ReadInstallationRecord(Platform& platform, std::wstring_view installFolder) {
  const std::wstring path = InstallationRecordPath(installFolder);
  InstallationRecord record;
  if (!platform.files.FileExists(path)) return record;
  record.keptIconLibrary =
      platform.profiles.ReadString(path, kRecordSection, kKeptIconLibraryKey, kShortTextChars) == L"1";
  const std::wstring created =
      platform.profiles.ReadString(path, kRecordSection, kCreatedFolderKey, kLongTextChars);
  if (IsFullyQualifiedFolder(created) && !IsRootFolder(platform.files, created) &&
      IsSameOrInsidePath(platform.files, installFolder, created))
    record.createdFolder = InstallFolderOf(created);
  return record;
}

}  // namespace lanternix
