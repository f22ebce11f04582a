#include "install/install_driver.h"

#include "model/system_probes.h"
#include "model/texts.h"
#include "install/folder_creation.h"
#include "install/icon_library_rule.h"
#include "install/install_log.h"
#include "install/payload_extractor.h"
#include "install/registration.h"
#include "install/viewer_ini.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

class FailureReporter {
public:
  FailureReporter(Platform& platform, const InstallOptions& options) : platform_(platform), options_(options) {}

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

bool TooLongForLinksAndCommands(std::wstring_view destination) {
  std::wstring trimmed(destination);
  TrimSpaces(trimmed);
  if (trimmed.empty() || trimmed.back() != L'\\') trimmed.push_back(L'\\');
  return trimmed.size() > kMaxDestinationChars;
}

}  // namespace

int RunInstall(Platform& platform, InstallOptions& options) {
  FailureReporter report(platform, options);
  std::wstring preparedFolder = options.destinationFolder;

  // A folder of spaces passes here on purpose and fails at creation.
  if (preparedFolder.empty() || TooLongForLinksAndCommands(preparedFolder)) {
    report.MessageThenFolder(kMessageInvalidDestination, preparedFolder);
    return 0;
  }
  if (!CreateDirectoryTree(platform.files, preparedFolder)) {
    report.MessageThenFolder(kMessageCantCreateDestination, preparedFolder);
    return 0;
  }

  std::wstring pluginsFolder = preparedFolder + L"Plugins";
  CreateDirectoryTree(platform.files, pluginsFolder);
  const int keepExistingIconLibrary = DecideKeepExistingIconLibrary(platform, pluginsFolder + L"Icons.dll");

  if (ExtractPayload(platform, preparedFolder, keepExistingIconLibrary) != 0) {
    report.FolderThenMessage(kMessageCantInstallFiles, preparedFolder);
    return 0;
  }
  // From here on nothing can make the installation fail.

  const std::wstring iniPath =
      WriteViewerIni(platform, options.destinationFolder, options.iniFolder, options.silent != 0);

  int associationsConfirmed = 1;
  if (options.changeAssociations && !options.silent) {
    const int answer = platform.messages.Show(LoadText(platform.resources, kMessageChangeAssociations),
                                              options.messageCaption, kMbYesNo | kMbIconQuestion | kMbDefButton2);
    if (answer == kIdNo) associationsConfirmed = 0;
  }

  RegisterApplication(platform, associationsConfirmed, options.changeAssociations, options.destinationFolder,
                      options.startMenuGroup, options.desktopShortcut, options.thumbnailsShortcut, options.allUsers,
                      options.associationSelection, options.associateForAllUsers);
  ConvertIniToUnicode(platform, iniPath);
  return 1;
}

}  // namespace lanternix
