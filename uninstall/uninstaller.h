// The uninstall engine: removes what the setup installed into one folder, its links and its
// registration, and keeps the user's settings unless asked to remove them too.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lanternix {

// Exit statuses of the uninstaller.
inline constexpr int kUninstallRemoved = 0;
inline constexpr int kUninstallIncomplete = 1;
inline constexpr int kUninstallRefused = 2;

struct UninstallRequest {
  // The installation folder, ending in "\".
  std::wstring installFolder;
  // The payload's archive entry names: "/" between levels, a folder entry ends in "/".
  std::span<const std::wstring_view> payloadEntries;
  bool purgeSettings = false;
  // The running uninstaller can't remove its own file or the folder holding it; its temporary
  // copy does that once it has exited.
  bool leaveUninstaller = false;
};

struct UninstallOutcome {
  int status = kUninstallRemoved;
  // What should have gone but could not: file paths and registry keys, one per line.
  std::vector<std::wstring> leftOver;
};

// The viewer's settings file in the program folder and, when that one redirects, the per-user
// one; empty paths when there is none.
struct SettingsFiles {
  std::wstring programFolderIni;
  // Set when the program-folder file holds nothing but the [Others] INI_Folder redirect.
  bool programFolderIniIsRedirectOnly = false;
  std::wstring redirectedIni;
};
SettingsFiles FindSettingsFiles(Platform& platform, std::wstring_view installFolder);

// True when an INI file's bytes (ANSI, or UTF-16LE with its byte-order mark) hold no key other
// than [Others] INI_Folder; comments, blank lines and empty sections don't count.
bool IniHoldsOnlyRedirect(SystemInfo& system, std::span<const std::uint8_t> bytes);

// The settings the user would lose with purgeSettings, for the confirmation: the per-user file
// and a program-folder file that holds settings, each only when it exists.
std::vector<std::wstring> SettingsToKeep(Platform& platform, std::wstring_view installFolder);

// Refuses (kUninstallRefused, nothing touched) while a viewer window exists; otherwise removes
// and reports kUninstallRemoved or kUninstallIncomplete with what was left.
UninstallOutcome Uninstall(Platform& platform, const UninstallRequest& request);

// The log lines of an outcome: one per item that is left, nothing for a complete removal.
void LogLeftOver(Platform& platform, std::wstring_view logPath, const UninstallOutcome& outcome);

}  // namespace lanternix
