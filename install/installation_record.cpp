#include "install/installation_record.h"

#include <algorithm>
#include <array>

#include "install/install_driver.h"
#include "model/number_text.h"
#include "model/path_text.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kRecordSection = L"Installation";
constexpr std::wstring_view kKeptIconLibraryKey = L"KeptIconLibrary";
// "CreatedFolder1", "CreatedFolder2", ...: one key a level, outermost first.
constexpr std::wstring_view kCreatedFolderKey = L"CreatedFolder";
// More levels than a 259-character path can have.
constexpr int kMaxCreatedLevels = 130;

std::wstring CreatedFolderKey(int level) {
  return std::wstring(kCreatedFolderKey) + DecimalText(level);
}

std::wstring WithoutFinalBackslash(std::wstring folder) {
  while (!folder.empty() && IsPathSeparator(folder.back())) folder.pop_back();
  return folder;
}

// createdFolder and every level below it down to the installation folder, outermost first;
// only createdFolder when the installation folder does not lie below it.
std::vector<std::wstring> CreatedLevels(FileSystem& files, std::wstring_view installFolder,
                                        std::wstring_view createdFolder) {
  std::vector<std::wstring> levels;
  for (std::wstring level = InstallFolderOf(installFolder); !IsRootFolder(files, level);
       level = FolderOfPath(WithoutFinalBackslash(level))) {
    levels.insert(levels.begin(), level);
    if (IsSamePath(files, level, createdFolder)) return levels;
  }
  return {InstallFolderOf(createdFolder)};
}

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
  const std::vector<std::wstring> created =
      createdFolder.empty() ? ReadInstallationRecord(platform, installFolder).createdFolders
                            : CreatedLevels(platform.files, installFolder, createdFolder);
  // Written anew, so nothing of an earlier record but the created folders carries over.
  platform.files.Remove(path);
  if (!keptIconLibrary && created.empty()) return;
  if (!CreateUnicodeFile(platform.files, path)) return;
  if (keptIconLibrary) platform.profiles.WriteString(path, kRecordSection, kKeptIconLibraryKey, L"1");
  for (std::size_t level = 0; level < created.size(); ++level)
    platform.profiles.WriteString(path, kRecordSection, CreatedFolderKey(static_cast<int>(level) + 1),
                                  created[level]);
}

InstallationRecord ReadInstallationRecord(Platform& platform, std::wstring_view installFolder) {
  const std::wstring path = InstallationRecordPath(installFolder);
  InstallationRecord record;
  if (!platform.files.FileExists(path)) return record;
  record.keptIconLibrary =
      platform.profiles.ReadString(path, kRecordSection, kKeptIconLibraryKey, kShortTextChars) == L"1";
  for (int level = 1; level <= kMaxCreatedLevels; ++level) {
    const std::wstring created =
        platform.profiles.ReadString(path, kRecordSection, CreatedFolderKey(level), kLongTextChars);
    if (created.empty()) break;
    if (IsFullyQualifiedFolder(created) && !IsRootFolder(platform.files, created) &&
        IsSameOrInsidePath(platform.files, installFolder, created))
      record.createdFolders.push_back(InstallFolderOf(created));
  }
  return record;
}

}  // namespace lanternix
