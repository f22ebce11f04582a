// Shell shortcuts to the viewer and its documents: the Start-menu group, the desktop viewer link
// and the desktop thumbnails link, for the current user or for all users.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

// The links the setup makes, named once for the setup and the uninstaller.
inline constexpr std::wstring_view kDesktopViewerLink = L"Lanternix.lnk";
inline constexpr std::wstring_view kDesktopThumbnailsLink = L"Lanternix Thumbnails.lnk";
// The group folder below the Programs folder.
inline constexpr std::wstring_view kGroupFolderName = L"Lanternix";
inline constexpr std::wstring_view kGroupThumbnailsLink = L"Lanternix - Thumbnails.lnk";
inline constexpr std::wstring_view kUninstallLink = L"Uninstall Lanternix.lnk";

// The group's links to documents, after the version link, the thumbnails link and the uninstall
// link, in their order.
struct GroupDocument {
  std::wstring_view linkName;
  std::wstring_view fileName;
};
inline constexpr GroupDocument kGroupDocuments[] = {
    {L"About Lanternix.lnk", L"l_about.txt"},         {L"What's New.lnk", L"l_changes.txt"},
    {L"Command line Options.lnk", L"l_options.txt"},  {L"Available PlugIns.lnk", L"l_plugins.txt"},
    {L"Available Languages.lnk", L"l_languages.txt"}, {L"Lanternix Help.lnk", L"l_tern32.chm"},
};

// "Lanternix 4.65.lnk": the group's link to the viewer, named after the version.
std::wstring VersionLinkName(int major, int minor);

// The shortcut steps of the registration, run before it writes anything to the registry:
// the group (when startMenuGroup), then the desktop links. Nothing is reported; a link that
// can't be written is simply missing.
void CreateShortcuts(Platform& platform, std::wstring_view destinationFolder, int startMenuGroup,
                     int desktopShortcut, int thumbnailsShortcut, int allUsers);

// The group folder's links; folder is the install folder ending in "\".
void CreateStartMenuGroup(Platform& platform, std::wstring_view folder, int allUsers);

// A link on the desktop; 1 when the link file was saved.
int CreateDesktopShortcut(Platform& platform, std::wstring_view target, std::wstring_view linkName,
                          std::optional<std::wstring_view> iconPath, std::optional<std::wstring_view> description,
                          std::optional<std::wstring_view> arguments, int iconIndex, int allUsers);

// A link in a folder ending in "\"; never with a description. 1 when saved.
int CreateShortcutInFolder(Platform& platform, std::wstring_view folder, std::wstring_view linkName,
                           std::wstring_view target, std::optional<std::wstring_view> arguments,
                           std::optional<std::wstring_view> iconPath, int iconIndex);

// The shell folder's path with a final "\"; the Windows folder when the shell can't tell.
std::wstring GetSpecialFolderPath(Platform& platform, int csidl);

}  // namespace lanternix
