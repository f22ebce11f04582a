#include "app/silent_setup.h"

#include "app/command_line.h"
#include "model/install_options.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "model/texts.h"
#include "install/install_driver.h"
#include "install/install_log.h"
#include "install/payload_integrity.h"
#include "install/viewer_ini.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

// An update keeps the user's settings where they are: the existing program folder's INI file
// either sends them elsewhere (its redirect is kept) or holds them itself (they stay there). Only
// an installation without that file gets the defaults of a fresh one.
void KeepExistingIniPlace(Platform& platform, const std::wstring& existingFolder, InstallOptions& options) {
  const std::wstring programFolderIni = existingFolder + std::wstring(kViewerIniName);
  options.iniFolder = ReadIniRedirect(platform.profiles, programFolderIni);
  if (options.iniFolder.empty() && platform.files.FileSize(programFolderIni))
    options.keepIniInProgramFolder = 1;
}

bool HasOption(std::wstring_view workingCopy, std::wstring_view name) {
  return workingCopy.find(name) != std::wstring_view::npos;
}

InstallOptions DefaultOptions(Platform& platform, std::wstring_view workingCopy) {
  InstallOptions options;
  options.messageCaption = kSetupCaption;
  options.silent = 1;
  if (auto existing = FindExistingInstallFolder(platform.registry)) {
    options.destinationFolder = *existing;
    if (!HasOption(workingCopy, kIniOption)) KeepExistingIniPlace(platform, *existing, options);
  } else {
    options.destinationFolder = GetDefaultInstallFolder(platform.registry);
    options.iniFolder = kPerUserIniFolder;
  }
  return options;
}

// A folder value the limits cut, or an INI folder the viewer would not find again, is refused
// before anything is created: installing somewhere else than asked is worse than not at all.
bool RefuseUnusableFolders(Platform& platform, std::wstring_view commandLine, std::wstring_view workingCopy,
                           const InstallOptions& options) {
  if (IsOptionValueShortened(commandLine, kFolderOption)) {
    WriteInstallLog(platform, LoadText(platform.resources, kMessageInvalidDestination) + L": " +
                                  options.destinationFolder);
    return true;
  }
  if (HasOption(workingCopy, kIniOption) && (IsOptionValueShortened(commandLine, kIniOption) ||
                                             !IsUsableIniFolder(platform.system, options.iniFolder))) {
    WriteInstallLog(platform,
                    LoadText(platform.resources, kMessageInvalidIniFolder) + L": " + options.iniFolder);
    return true;
  }
  return false;
}

}  // namespace

int RunSilentSetup(Platform& platform, std::wstring_view commandLine) {
  // A damaged download is refused before anything exists that would have to be taken back.
  if (!IsSetupIntact(platform.resources)) {
    WriteInstallLog(platform, LoadText(platform.resources, kMessageSetupDamaged));
    return kExitFailed;
  }
  if (platform.system.TopLevelWindowExists(kViewerWindowClass)) {
    WriteInstallLog(platform, LoadText(platform.resources, kMessageViewerRunning));
    return kExitViewerRunning;
  }
  const std::wstring workingCopy = CommandLineWorkingCopy(commandLine);
  InstallOptions options = DefaultOptions(platform, workingCopy);
  ApplyCommandLineOptions(workingCopy, options);
  if (RefuseUnusableFolders(platform, commandLine, workingCopy, options)) return kExitFailed;
  // Seen from another session (a deployment tool's SYSTEM account) the viewer has no window.
  if (IsViewerFileInUse(platform, options.destinationFolder)) {
    WriteInstallLog(platform, LoadText(platform.resources, kMessageViewerRunning));
    return kExitViewerRunning;
  }
  return RunInstall(platform, options) == 1 ? kExitInstalled : kExitFailed;
}

}  // namespace lanternix
