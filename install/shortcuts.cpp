#include "install/shortcuts.h"

#include <cwchar>

#include "model/product.h"
#include "model/system_probes.h"
#include "install/folder_creation.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kThumbsArgument = L"/thumbs";
constexpr int kThumbnailsIconIndex = 7;

// Link targets are composed in 260-character buffers; an over-long folder yields a cut target
// (a missing link) rather than an overflow.
std::wstring ComposePath(std::wstring_view folder, std::wstring_view name) {
  std::wstring path(folder);
  path += name;
  CutToBuffer(path, kShortTextChars);
  return path;
}

std::optional<std::wstring> Owned(std::optional<std::wstring_view> text) {
  return text ? std::optional<std::wstring>(std::wstring(*text)) : std::nullopt;
}

bool SaveLink(Platform& platform, std::wstring_view linkPath, std::wstring_view target,
              std::optional<std::wstring_view> arguments, std::optional<std::wstring_view> iconPath, int iconIndex,
              std::optional<std::wstring_view> description) {
  ShellLink link;
  link.target = target;
  link.arguments = Owned(arguments);
  link.iconPath = Owned(iconPath);
  link.iconIndex = iconIndex;
  link.description = Owned(description);
  return platform.shell.SaveShellLink(linkPath, link);
}

}  // namespace

std::wstring VersionLinkName(int major, int minor) {
  return L"Lanternix " + DecimalText(major) + L"." + DecimalText(minor, 2) + L".lnk";
}

std::wstring GetSpecialFolderPath(Platform& platform, int csidl) {
  std::wstring path = platform.shell.SpecialFolder(csidl).value_or(platform.system.WindowsFolder());
  CutToBuffer(path, kShortTextChars);
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  return path;
}

int CreateDesktopShortcut(Platform& platform, std::wstring_view target, std::wstring_view linkName,
                          std::optional<std::wstring_view> iconPath, std::optional<std::wstring_view> description,
                          std::optional<std::wstring_view> arguments, int iconIndex, int allUsers) {
  const std::wstring desktop =
      GetSpecialFolderPath(platform, allUsers ? kCsidlCommonDesktopDirectory : kCsidlDesktop);
  return SaveLink(platform, desktop + std::wstring(linkName), target, arguments, iconPath, iconIndex, description)
             ? 1
             : 0;
}

int CreateShortcutInFolder(Platform& platform, std::wstring_view folder, std::wstring_view linkName,
                           std::wstring_view target, std::optional<std::wstring_view> arguments,
                           std::optional<std::wstring_view> iconPath, int iconIndex) {
  const std::wstring linkPath = std::wstring(folder) + std::wstring(linkName);
  return SaveLink(platform, linkPath, target, arguments, iconPath, iconIndex, std::nullopt) ? 1 : 0;
}

void CreateStartMenuGroup(Platform& platform, std::wstring_view folder, int allUsers) {
  std::wstring group = GetSpecialFolderPath(platform, allUsers ? kCsidlCommonPrograms : kCsidlPrograms);
  group += kGroupFolderName;
  // When the group can't be made, the links below simply fail.
  CreateDirectoryTree(platform.files, group);

  const std::wstring exePath = ComposePath(folder, kViewerExe);
  CreateShortcutInFolder(platform, group, VersionLinkName(kProductMajor, kProductMinor), exePath, std::nullopt,
                         std::nullopt, 0);
  // The links of the two previous releases would otherwise stay next to the new one.
  for (const wchar_t* oldVersion : {L"4.62", L"4.60"})
    platform.files.Remove(group + L"Lanternix " + oldVersion + L".lnk");

  CreateShortcutInFolder(platform, group, kGroupThumbnailsLink, exePath, kThumbsArgument, exePath,
                         kThumbnailsIconIndex);
  // Windows 8 has no place for an uninstall link in its start screen.
  if (QueryOsVersionClass(platform.system) != kOsWindows8)
    CreateShortcutInFolder(platform, group, kUninstallLink, ComposePath(folder, kUninstallerExe),
                           std::nullopt, std::nullopt, 0);
  for (const GroupDocument& document : kGroupDocuments)
    CreateShortcutInFolder(platform, group, document.linkName, ComposePath(folder, document.fileName),
                           std::nullopt, std::nullopt, 0);
}

void CreateShortcuts(Platform& platform, std::wstring_view destinationFolder, int startMenuGroup,
                     int desktopShortcut, int thumbnailsShortcut, int allUsers) {
  const std::wstring installFolder = InstallFolderOf(destinationFolder);

  if (startMenuGroup) CreateStartMenuGroup(platform, installFolder, allUsers);
  const std::wstring exePath = ComposePath(installFolder, kViewerExe);
  if (desktopShortcut)
    CreateDesktopShortcut(platform, exePath, kDesktopViewerLink, std::nullopt, L"Lanternix - Image Viewer",
                          std::nullopt, 0, allUsers);
  if (thumbnailsShortcut)
    CreateDesktopShortcut(platform, exePath, kDesktopThumbnailsLink, exePath, L"Lanternix - Thumbnails",
                          kThumbsArgument, kThumbnailsIconIndex, allUsers);
}

}  // namespace lanternix
