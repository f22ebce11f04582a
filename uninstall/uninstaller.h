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
inline constexpr int kUninstallCancelled = 3;

// The uninstaller's log, in the user's temporary folder.
inline constexpr std::wstring_view kUninstallLogName = L"Lanternix_Uninstall.log";

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
  // With leaveUninstaller: the installation folder and the folders the setup created above it,
  // innermost first, each to go once empty after the uninstaller's own file.
  std::vector<std::wstring> foldersAfterUninstaller;
  // With purgeSettings: the settings file that stayed because the registered installation, another
  // one than this, uses it too; empty when none did.
  std::wstring settingsKept;
};

// The viewer's settings file in the program folder and, when that one redirects, the per-user
// one; empty paths when there is none.
struct SettingsFiles {
  std::wstring programFolderIni;
  // Set when the program-folder file holds nothing of the user's: the [Others] INI_Folder
  // redirect, with or without the setup's portable toolbar pair.
  bool programFolderIniIsSetupOnly = false;
  std::wstring redirectedIni;
};
SettingsFiles FindSettingsFiles(Platform& platform, std::wstring_view installFolder);

// True when an INI file's bytes (ANSI, or UTF-16LE with its byte-order mark) hold no key other
// than [Others] INI_Folder and, next to that redirect, the portable toolbar pair exactly as the
// setup writes it; comments, blank lines and empty sections don't count.
bool IniHoldsOnlySetupEntries(SystemInfo& system, std::span<const std::uint8_t> bytes);

// The settings the user would lose with purgeSettings, for the confirmation: the per-user file
// and a program-folder file that holds settings, each only when it exists and the registered
// installation, when it is another one, does not use it too.
std::vector<std::wstring> SettingsToKeep(Platform& platform, std::wstring_view installFolder);

// Refuses (kUninstallRefused, nothing touched) while a viewer window exists or the installation's
// viewer file is held open; otherwise removes and reports kUninstallRemoved or
// kUninstallIncomplete with what was left.
UninstallOutcome Uninstall(Platform& platform, const UninstallRequest& request);

// The log lines of an outcome: one per item that is left and one for settings kept because another
// installation uses them; nothing for a plain complete removal.
void LogOutcome(Platform& platform, std::wstring_view logPath, const UninstallOutcome& outcome);

// What lt_uninstall.exe needs of the system beyond the platform: its confirmation and the
// temporary copy of itself that removes its own file once it has ended.
class UninstallerHost {
 public:
  enum class Answer { Yes, No, Failed };
  virtual ~UninstallerHost() = default;
  // Asks once, the folder and the settings shown; purge is the settings box, in and out.
  virtual Answer Confirm(std::wstring_view installFolder, const std::vector<std::wstring>& settings,
                         bool& purge) = 0;
  // Copies the uninstaller to a place of its own and holds the copy; false when that fails.
  virtual bool PrepareRemovalCopy() = 0;
  // Starts the prepared copy, which waits for this process to end, removes the uninstaller's
  // file and then each folder once empty, in order. False when it could not start.
  virtual bool StartRemovalCopy(const std::vector<std::wstring>& folders) = 0;
};

// What the uninstaller's temporary copy is told on its command line: the uninstaller's file to
// remove once the process holding it has ended (with the installation's record beside it), and
// the folders to remove after it, each once empty.
struct RemovalCopyOrder {
  std::wstring removeFile;
  std::vector<std::wstring> folders;
};

// What the copy finds out about itself, which its command line can't make up.
struct RemovalCopyFacts {
  // The running program's own file.
  std::wstring ownPath;
  // The file of the live process whose handle the copy inherited; none when the handle it was
  // given names no live process.
  std::optional<std::wstring> waitedProcessPath;
};

// The copy lies in a folder named so, directly in the temporary folder.
inline constexpr std::wstring_view kRemovalCopyFolderPrefix = L"lt_uninstall-";

// lt_uninstall.exe runs elevated, and anyone can start it with any command line: the copy's
// options are honoured only in the copy the uninstaller made. That is a program in a
// "lt_uninstall-..." folder of its own in the temporary folder, holding the handle of a live
// process whose file is the lt_uninstall.exe it is to remove, and told the folders that
// uninstaller would remove: that file's folder, then the levels its installation recorded as
// created. Otherwise the refusal is logged and nothing is touched.
bool AcceptRemovalCopyOrder(Platform& platform, const RemovalCopyOrder& order, const RemovalCopyFacts& facts);

struct UninstallerRun {
  bool silent = false;
  bool purge = false;
  // The running lt_uninstall.exe: the installation it removes is the one it lies in.
  std::wstring uninstallerPath;
  std::span<const std::wstring_view> payloadEntries;
};

// The whole run of lt_uninstall.exe: the viewer check, the confirmation (unless silent), the
// removal, the log, the final message (unless silent) and, after a complete removal, the copy
// that removes the uninstaller itself. Returns the exit status.
int RunUninstaller(Platform& platform, UninstallerHost& host, const UninstallerRun& run);

}  // namespace lanternix
