#include "install/install_driver.h"

#include "model/product.h"
#include "model/system_probes.h"
#include "model/texts.h"
#include "install/folder_creation.h"
#include "install/icon_library_rule.h"
#include "install/install_log.h"
#include "install/installation_record.h"
#include "install/payload_extractor.h"
#include "install/registration.h"
#include "install/viewer_ini.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

class FailureReporter {
 public:
  FailureReporter(Platform& platform, const InstallOptions& options)
      : platform_(platform), options_(options) {}

  // Silent: one log line "<first>: <second>", the parts in the order each failure wants.
  // Wizard: a message box with the message alone.
  void MessageThenFolder(unsigned id, std::wstring_view folder) { Report(id, Message(id), folder); }
  void FolderThenMessage(unsigned id, std::wstring_view folder) { Report(id, folder, Message(id)); }

 private:
  std::wstring Message(unsigned id) { return LoadText(platform_.resources, id); }

  void Report(unsigned id, std::wstring_view first, std::wstring_view second) {
    if (options_.silent) {
      WriteInstallLog(platform_, std::wstring(first) + L": " + std::wstring(second));
    } else {
      platform_.messages.Show(Message(id), options_.messageCaption, kMbIconError);
    }
  }

  Platform& platform_;
  const InstallOptions& options_;
};

// An 8.3 level ("C:\PROG~5P2\Lanternix") becomes its long name once the folder exists: Windows
// shows the long one, and the uninstaller and later updates compare with it. Kept as created when
// the long name would not leave the room the destination checks asked for.
std::wstring LongFolderName(Platform& platform, const std::wstring& folder) {
  std::wstring longName = platform.files.CanonicalPath(folder);
  if (longName.empty()) return folder;
  if (longName.back() != L'\\') longName.push_back(L'\\');
  return IsUsableDestination(platform, longName) ? longName : folder;
}

bool IsAsciiLetter(wchar_t ch) {
  return (ch >= L'A' && ch <= L'Z') || (ch >= L'a' && ch <= L'z');
}

}  // namespace

bool IsFullyQualifiedFolder(std::wstring_view folder) {
  if (folder.size() >= 2 && IsPathSeparator(folder[0]) && IsPathSeparator(folder[1])) return true;
  return folder.size() >= 3 && IsAsciiLetter(folder[0]) && folder[1] == L':' && IsPathSeparator(folder[2]);
}

bool LeavesRoomForPayload(std::wstring_view destinationFolder, std::size_t longestEntryNameChars) {
  return InstallFolderOf(destinationFolder).size() + longestEntryNameChars < kShortTextChars;
}

bool IsUsableDestination(Platform& platform, std::wstring_view destinationFolder) {
  if (destinationFolder.empty()) return false;
  std::wstring trimmed(destinationFolder);
  TrimSpaces(trimmed);
  if (trimmed.empty()) return true;
  if (!IsFullyQualifiedFolder(trimmed) || InstallFolderOf(trimmed).size() > kMaxDestinationChars)
    return false;
  // Entries that would not fit would fail half-way through the extraction, under a message that
  // blames free space or write protection.
  return LeavesRoomForPayload(trimmed, LongestPayloadEntryName(platform));
}

bool IsViewerFileInUse(Platform& platform, std::wstring_view destinationFolder) {
  const std::wstring folder = NormaliseFolderText(destinationFolder);
  return !folder.empty() && platform.files.IsHeldOpen(folder + std::wstring(kViewerExe));
}

bool IsViewerRunning(Platform& platform, std::wstring_view destinationFolder) {
  return platform.system.TopLevelWindowExists(kViewerWindowClass) ||
         IsViewerFileInUse(platform, destinationFolder);
}

int RunInstall(Platform& platform, InstallOptions& options) {
  FailureReporter report(platform, options);
  std::wstring preparedFolder = options.destinationFolder;

  if (!IsUsableDestination(platform, preparedFolder)) {
    report.MessageThenFolder(kMessageInvalidDestination, preparedFolder);
    return 0;
  }
  std::wstring createdFolder;
  // Elevated, a folder made under a root that lets users modify what is created in it (C:\ does)
  // would let any of them replace the programs the uninstall entry and the associations run.
  // A per-user installation goes into the user's own folders and keeps what they pass on.
  const FolderAccess access =
      platform.system.IsElevated() ? FolderAccess::Protected : FolderAccess::Inherited;
  if (!CreateDirectoryTree(platform.files, preparedFolder, &createdFolder, access)) {
    report.MessageThenFolder(kMessageCantCreateDestination, preparedFolder);
    return 0;
  }
  preparedFolder = LongFolderName(platform, preparedFolder);
  if (!createdFolder.empty()) createdFolder = platform.files.CanonicalPath(createdFolder);

  std::wstring pluginsFolder = preparedFolder + L"Plugins";
  CreateDirectoryTree(platform.files, pluginsFolder);
  const int keepExistingIconLibrary = DecideKeepExistingIconLibrary(platform, pluginsFolder + L"Icons.dll");

  if (ExtractPayload(platform, preparedFolder, keepExistingIconLibrary) != 0) {
    report.FolderThenMessage(kMessageCantInstallFiles, preparedFolder);
    return 0;
  }
  // Every later step names the folder as it was created: the typed text may carry a level with
  // trailing spaces, which Windows reads as another folder, or "." and ".." levels.

  // An INI file that could not be written fails the installation, but only once everything else
  // is in place: the viewer is then installed, registered and removable, and the report names
  // the one file left to mend.
  const ViewerIniResult ini = WriteViewerIni(platform, preparedFolder, options.iniFolder,
                                             options.silent != 0 && options.keepIniInProgramFolder == 0);

  int associationsConfirmed = 1;
  if (options.changeAssociations && !options.silent) {
    const int answer =
        platform.messages.Show(LoadText(platform.resources, kMessageChangeAssociations),
                               options.messageCaption, kMbYesNo | kMbIconQuestion | kMbDefButton2);
    if (answer == kIdNo) associationsConfirmed = 0;
  }

  RegisterApplication(platform, associationsConfirmed, options.changeAssociations, preparedFolder,
                      options.startMenuGroup, options.desktopShortcut, options.thumbnailsShortcut,
                      options.allUsers, options.associationSelection, options.associateForAllUsers);
  RecordInstallation(platform, preparedFolder, createdFolder, keepExistingIconLibrary);
  if (!ini.iniPath.empty() && ini.iniPath != ini.unwrittenFile) ConvertIniToUnicode(platform, ini.iniPath);
  if (!ini.unwrittenFile.empty()) {
    report.FolderThenMessage(kMessageCantWriteSettings, ini.unwrittenFile);
    return 0;
  }
  return 1;
}

}  // namespace lanternix
