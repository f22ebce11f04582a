// One complete installation, in a fixed order: destination checks, the icon-library decision,
// extraction, the INI file, the association question, registration, the Unicode INI file.
#pragma once

#include "model/install_options.h"
#include "platform/platform.h"

namespace lanternix {

// String-table ids of the driver's messages.
inline constexpr unsigned kMessageInvalidDestination = 5;
inline constexpr unsigned kMessageCantInstallFiles = 7;
inline constexpr unsigned kMessageChangeAssociations = 9;
inline constexpr unsigned kMessageCantCreateDestination = 11;
inline constexpr unsigned kMessageCantWriteSettings = 14;

// A destination longer than this (trimmed, with its final "\") would not leave room in the
// 260-character link targets and registry commands built from it.
inline constexpr std::size_t kMaxDestinationChars = 240;

// "X:\..." (or "X:/..."), or a network path "\\server\share\...": a relative ("Rel\Lanternix"),
// drive-relative ("C:foo") or root-relative ("\foo") folder would depend on whatever folder is
// current, and so would every path registered from it.
bool IsFullyQualifiedFolder(std::wstring_view folder);

// Whether every entry of the payload fits below the folder: the folder as it will be prepared
// (trimmed, with its final "\") followed by the longest entry name must stay within a
// 260-character path.
bool LeavesRoomForPayload(std::wstring_view destinationFolder, std::size_t longestEntryNameChars);

// The checks made before anything is created: not empty, fully qualified, short enough for the
// links and commands built from it, and room for the payload's longest entry name. A folder of
// spaces passes on purpose; it fails when it is created.
bool IsUsableDestination(Platform& platform, std::wstring_view destinationFolder);

// Whether the viewer installed in the destination is held open so that it can't be replaced: a
// setup run as SYSTEM in session 0 (as deployment tools run it) sees no window on the user's
// desktop, but the running program's file still refuses to be written.
bool IsViewerFileInUse(Platform& platform, std::wstring_view destinationFolder);
// A viewer window on this desktop, or the installed viewer's file in use.
bool IsViewerRunning(Platform& platform, std::wstring_view destinationFolder);

// 1 when the installation ran through its last step; 0 when it stopped at a destination check
// or the extraction, or when the viewer's INI file (or the redirect to it) could not be written,
// after the failure was shown (wizard) or logged (silent). In silent mode an empty iniFolder may
// receive the per-user default, unless keepIniInProgramFolder is set.
int RunInstall(Platform& platform, InstallOptions& options);

}  // namespace lanternix
