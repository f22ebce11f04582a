#include "uninstall/uninstaller.h"

#include <algorithm>

#include "install/association_records.h"
#include "install/icon_library_rule.h"
#include "install/install_driver.h"
#include "install/install_log.h"
#include "install/installation_record.h"
#include "install/registry_keys.h"
#include "install/shortcuts.h"
#include "install/viewer_ini.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "platform/text_limits.h"
#include "uninstall/registration_removal.h"
#include "uninstall/uninstall_resources.h"

namespace lanternix {

namespace {

std::wstring_view Trim(std::wstring_view text) {
  while (!text.empty() && (text.front() == L' ' || text.front() == L'\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == L' ' || text.back() == L'\t' || text.back() == L'\r'))
    text.remove_suffix(1);
  return text;
}

std::wstring DecodeIni(SystemInfo& system, std::span<const std::uint8_t> bytes) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    std::wstring text;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      text.push_back(static_cast<wchar_t>(bytes[i] | bytes[i + 1] << 8));
    return text;
  }
  return system.AnsiToWide(std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

std::wstring WithBackslash(std::wstring path) {
  if (!path.empty() && path.back() != L'\\') path.push_back(L'\\');
  return path;
}

// "Plugins/Icons.dll" in the folder.
std::wstring EntryPath(std::wstring_view installFolder, std::wstring_view entry) {
  std::wstring path = std::wstring(installFolder) + std::wstring(entry);
  std::replace(path.begin(), path.end(), L'/', L'\\');
  return path;
}

// Removes what the setup wrote, never through a link: the uninstaller runs elevated, and anyone
// who can write into the installation folder could put a junction or symbolic link where a
// payload folder or file was, or a second name (hard link) of some other file.
class FileRemover {
 public:
  FileRemover(FileSystem& files, std::vector<std::wstring>& leftOver, std::wstring_view installFolder = {})
      : files_(files), leftOver_(leftOver), installFolder_(installFolder) {}

  // A file that is gone already counts as removed; a read-only one goes too. A link goes as a
  // link; a file with other names loses only this one and keeps its attributes, which all its
  // names share.
  void RemoveFile(std::wstring_view path) {
    if (LinkOnTheWay(path)) return;
    if (files_.IsLink(path)) {
      RemoveLinkOnce(path);
      return;
    }
    if (!files_.FileExists(path)) return;
    if (files_.LinkCount(path) <= 1) files_.ClearReadOnly(path);
    if (!files_.Remove(path)) leftOver_.emplace_back(path);
  }

  // A folder that still holds something (the user's own files) stays, and that is no failure.
  void RemoveFolderIfEmpty(std::wstring_view folder) {
    std::wstring path(folder);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    if (LinkOnTheWay(path)) return;
    if (files_.IsLink(path)) {
      RemoveLinkOnce(path);
      return;
    }
    files_.RemoveFolder(path);
  }

 private:
  // Whether a level between the installation folder and path is a link; that link is removed
  // instead, and nothing is looked for behind it.
  bool LinkOnTheWay(std::wstring_view path) {
    // The paths inside are all made from the installation folder's own text.
    if (installFolder_.empty() || path.size() <= installFolder_.size() ||
        !EqualIgnoringCase(path.substr(0, installFolder_.size()), installFolder_))
      return false;
    for (std::size_t at = path.find(L'\\', installFolder_.size()); at != std::wstring_view::npos;
         at = path.find(L'\\', at + 1)) {
      const std::wstring_view level = path.substr(0, at);
      if (files_.IsLink(level)) {
        RemoveLinkOnce(level);
        return true;
      }
    }
    return false;
  }

  void RemoveLinkOnce(std::wstring_view link) {
    const std::wstring path(link);
    if (std::find(triedLinks_.begin(), triedLinks_.end(), path) != triedLinks_.end()) return;
    triedLinks_.push_back(path);
    if (!files_.RemoveLink(path)) leftOver_.push_back(path);
  }

  FileSystem& files_;
  std::vector<std::wstring>& leftOver_;
  std::wstring installFolder_;
  std::vector<std::wstring> triedLinks_;
};

// A link of ours by name goes only while it still leads to exactly the file the setup pointed it
// at: one the user pointed elsewhere, or that another installation made, stays.
void RemoveLinkIfOurs(Platform& platform, FileRemover& remover, std::wstring_view linkPath,
                      std::wstring_view expectedTarget) {
  const auto target = platform.shell.ShellLinkTarget(linkPath);
  if (target && IsSamePath(platform.files, *target, expectedTarget)) remover.RemoveFile(linkPath);
}

void RemoveLinks(Platform& platform, FileRemover& remover, std::wstring_view installFolder) {
  const std::wstring viewer = std::wstring(installFolder) + std::wstring(kViewerExe);
  for (const int csidl : {kCsidlDesktop, kCsidlCommonDesktopDirectory}) {
    const std::wstring desktop = GetSpecialFolderPath(platform, csidl);
    for (const std::wstring_view link : {kDesktopViewerLink, kDesktopThumbnailsLink})
      RemoveLinkIfOurs(platform, remover, desktop + std::wstring(link), viewer);
  }
  std::vector<std::pair<std::wstring, std::wstring>> links = {
      {VersionLinkName(kProductMajor, kProductMinor), viewer},
      {std::wstring(kGroupThumbnailsLink), viewer},
      {std::wstring(kUninstallLink), std::wstring(installFolder) + std::wstring(kUninstallerExe)}};
  for (const GroupDocument& document : kGroupDocuments)
    links.emplace_back(document.linkName, std::wstring(installFolder) + std::wstring(document.fileName));
  for (const int csidl : {kCsidlPrograms, kCsidlCommonPrograms}) {
    const std::wstring group = GetSpecialFolderPath(platform, csidl) + std::wstring(kGroupFolderName) + L"\\";
    for (const auto& [link, target] : links) RemoveLinkIfOurs(platform, remover, group + link, target);
    remover.RemoveFolderIfEmpty(group);
  }
}

// inUseElsewhere: the settings file another installation uses too, which stays.
void RemoveSettings(FileRemover& remover, const SettingsFiles& settings, bool purge,
                    std::wstring_view inUseElsewhere) {
  const auto purgeable = [&](const std::wstring& file) {
    return purge && !file.empty() && file != inUseElsewhere;
  };
  if (settings.programFolderIniIsSetupOnly || purgeable(settings.programFolderIni))
    remover.RemoveFile(settings.programFolderIni);
  if (purgeable(settings.redirectedIni)) {
    remover.RemoveFile(settings.redirectedIni);
    remover.RemoveFolderIfEmpty(FolderOfPath(settings.redirectedIni));
  }
}

// The settings file of this installation that the registered installation, when it is another
// one, uses as well (both redirect to the same per-user file, say); empty when there is none.
std::wstring SettingsInUseElsewhere(Platform& platform, std::wstring_view installFolder,
                                    const SettingsFiles& settings) {
  const auto registered = RegisteredInstallFolder(platform);
  if (!registered || registered->empty() || IsSamePath(platform.files, *registered, installFolder)) return {};
  const SettingsFiles theirs = FindSettingsFiles(platform, WithBackslash(*registered));
  const std::wstring& theirFile =
      theirs.redirectedIni.empty() ? theirs.programFolderIni : theirs.redirectedIni;
  if (theirFile.empty()) return {};
  for (const std::wstring& ours : {settings.programFolderIni, settings.redirectedIni})
    if (!ours.empty() && IsSamePath(platform.files, ours, theirFile)) return ours;
  return {};
}

std::wstring ParentFolder(std::wstring folder) {
  while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
  return FolderOfPath(folder);
}

// The folders of Windows and of its users, which no setup creates whatever a record says: the
// Windows and system folders, the program and common-files folders (both views), ProgramData,
// the profiles with their known folders, and the temporary folder.
std::vector<std::wstring> SystemAndProfileFolders(Platform& platform) {
  std::vector<std::wstring> folders = {platform.system.WindowsFolder(), platform.system.SystemFolder(),
                                       platform.files.TempFolder()};
  for (const wchar_t* name :
       {L"SystemRoot", L"ProgramFiles", L"ProgramFiles(x86)", L"ProgramW6432", L"CommonProgramFiles",
        L"CommonProgramFiles(x86)", L"CommonProgramW6432", L"ProgramData", L"ALLUSERSPROFILE", L"PUBLIC",
        L"USERPROFILE", L"APPDATA", L"LOCALAPPDATA", L"TEMP", L"TMP"})
    if (auto value = platform.system.Environment(name)) folders.push_back(std::move(*value));
  for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::LocalMachineNative})
    if (const auto key =
            platform.registry.OpenKey(root, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", kKeyRead))
      for (const wchar_t* name : {L"ProgramFilesDir", L"ProgramFilesDir (x86)", L"CommonFilesDir"})
        if (auto value = key->ReadString(name, kLongTextChars)) folders.push_back(std::move(*value));
  for (const int csidl : {kCsidlDesktop, kCsidlPrograms, kCsidlCommonPrograms, kCsidlCommonDesktopDirectory})
    if (auto folder = platform.shell.SpecialFolder(csidl)) folders.push_back(std::move(*folder));
  return folders;
}

// A folder that is, or lies above, one of Windows' or its users' own folders, or any user's profile
// (a folder beside the current user's or the public one).
bool IsSystemOrProfileFolder(Platform& platform, const std::vector<std::wstring>& systemFolders,
                             std::wstring_view folder) {
  for (const std::wstring& systemFolder : systemFolders)
    if (!systemFolder.empty() && IsSameOrInsidePath(platform.files, systemFolder, folder)) return true;
  for (const wchar_t* profile : {L"USERPROFILE", L"PUBLIC"})
    if (const auto path = platform.system.Environment(profile); path && !path->empty())
      if (IsSamePath(platform.files, ParentFolder(*path), ParentFolder(std::wstring(folder)))) return true;
  return false;
}

// The installation folder, then each folder above it that the setup recorded as created, up to
// the first one it did not: never a drive or share root, nor a folder of Windows or of its users.
std::vector<std::wstring> FoldersToRemove(Platform& platform, std::wstring_view installFolder,
                                          const std::vector<std::wstring>& createdFolders) {
  const std::vector<std::wstring> systemFolders = SystemAndProfileFolders(platform);
  std::vector<std::wstring> folders;
  if (IsSystemOrProfileFolder(platform, systemFolders, installFolder)) return folders;
  folders.emplace_back(installFolder);
  const auto recorded = [&](const std::wstring& folder) {
    return std::any_of(createdFolders.begin(), createdFolders.end(), [&](const std::wstring& created) {
      return IsSamePath(platform.files, created, folder);
    });
  };
  // A setup that created a level above the installation folder created the installation folder
  // too (and then gave it its own access list): a record without it is no record of ours.
  if (!recorded(std::wstring(installFolder))) return folders;
  for (std::wstring folder = ParentFolder(std::wstring(installFolder));
       !IsRootFolder(platform.files, folder) && recorded(folder) &&
       !IsSystemOrProfileFolder(platform, systemFolders, folder);
       folder = ParentFolder(folder))
    folders.push_back(folder);
  return folders;
}

void RemovePayload(FileRemover& remover, const UninstallRequest& request, bool keptIconLibrary) {
  std::vector<std::wstring_view> folders;
  for (const std::wstring_view entry : request.payloadEntries) {
    if (entry.ends_with(L'/')) {
      folders.push_back(entry);
    } else if (!(request.leaveUninstaller && EqualIgnoringCase(entry, kUninstallerExe)) &&
               !(keptIconLibrary && EqualIgnoringCase(entry, kIconLibraryEntry))) {
      remover.RemoveFile(EntryPath(request.installFolder, entry));
    }
  }
  // Inner folders before the folders that hold them.
  std::stable_sort(folders.begin(), folders.end(), [](std::wstring_view a, std::wstring_view b) {
    return std::count(a.begin(), a.end(), L'/') > std::count(b.begin(), b.end(), L'/');
  });
  for (const std::wstring_view folder : folders)
    remover.RemoveFolderIfEmpty(EntryPath(request.installFolder, folder));
}

}  // namespace

bool IniHoldsOnlySetupEntries(SystemInfo& system, std::span<const std::uint8_t> bytes) {
  const std::wstring text = DecodeIni(system, bytes);
  std::wstring section;
  bool redirects = false, toolbarPair = false;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(L'\n', start), text.size());
    const std::wstring_view line = Trim(std::wstring_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      section = Trim(line.substr(
          1, line.find(L']') == std::wstring_view::npos ? std::wstring_view::npos : line.find(L']') - 1));
      continue;
    }
    const std::size_t equals = line.find(L'=');
    const std::wstring_view key = Trim(line.substr(0, equals));
    const std::wstring_view value = equals == std::wstring_view::npos ? L"" : Trim(line.substr(equals + 1));
    if (EqualIgnoringCase(section, kOthersSection) && EqualIgnoringCase(key, kIniFolderKey)) {
      redirects = true;
    } else if (EqualIgnoringCase(section, kToolbarSection) &&
               ((EqualIgnoringCase(key, kSkinKey) && EqualIgnoringCase(value, kPortableToolbarSkin)) ||
                (EqualIgnoringCase(key, kSizeKey) && value == kPortableToolbarSize))) {
      toolbarPair = true;
    } else {
      return false;
    }
  }
  // Without a redirect the toolbar values are the viewer's own settings.
  return redirects || !toolbarPair;
}

SettingsFiles FindSettingsFiles(Platform& platform, std::wstring_view installFolder) {
  SettingsFiles settings;
  const std::wstring programFolderIni = std::wstring(installFolder) + std::wstring(kViewerIniName);
  if (!platform.files.FileExists(programFolderIni)) return settings;
  settings.programFolderIni = programFolderIni;
  if (const auto bytes = platform.files.ReadAll(programFolderIni))
    settings.programFolderIniIsSetupOnly = IniHoldsOnlySetupEntries(platform.system, *bytes);

  const std::wstring redirect =
      platform.profiles.ReadString(programFolderIni, kOthersSection, kIniFolderKey, kLongTextChars);
  if (redirect.empty()) return settings;
  std::wstring folder =
      redirect.find(L'%') != std::wstring::npos ? ExpandIniFolder(platform.system, redirect) : redirect;
  TrimSpaces(folder);
  if (folder.empty()) return settings;
  const std::wstring redirectedIni = WithBackslash(folder) + std::wstring(kViewerIniName);
  // A redirect back to the program folder names the same file, which is not a second one.
  if (!IsSamePath(platform.files, redirectedIni, programFolderIni) &&
      platform.files.FileExists(redirectedIni))
    settings.redirectedIni = redirectedIni;
  return settings;
}

std::vector<std::wstring> SettingsToKeep(Platform& platform, std::wstring_view installFolder) {
  const SettingsFiles settings = FindSettingsFiles(platform, installFolder);
  // A file another installation uses stays anyway: it is not offered for removal.
  const std::wstring inUseElsewhere = SettingsInUseElsewhere(platform, installFolder, settings);
  std::vector<std::wstring> kept;
  if (!settings.programFolderIni.empty() && !settings.programFolderIniIsSetupOnly &&
      settings.programFolderIni != inUseElsewhere)
    kept.push_back(settings.programFolderIni);
  if (!settings.redirectedIni.empty() && settings.redirectedIni != inUseElsewhere)
    kept.push_back(settings.redirectedIni);
  return kept;
}

UninstallOutcome Uninstall(Platform& platform, const UninstallRequest& request) {
  UninstallOutcome outcome;
  UninstallRequest normalised = request;
  normalised.installFolder = WithBackslash(request.installFolder);
  const std::wstring& installFolder = normalised.installFolder;
  // A viewer in another session (the uninstaller run as SYSTEM by a deployment tool) has no
  // window here, but holds its program file.
  if (IsViewerRunning(platform, installFolder)) {
    outcome.status = kUninstallRefused;
    return outcome;
  }
  FileRemover remover(platform.files, outcome.leftOver, installFolder);
  const InstallationRecord record = ReadInstallationRecord(platform, installFolder);

  // The settings are looked at before the payload goes: the redirect is read from the file.
  const SettingsFiles settings = FindSettingsFiles(platform, installFolder);
  const std::wstring inUseElsewhere = SettingsInUseElsewhere(platform, installFolder, settings);
  if (request.purgeSettings) outcome.settingsKept = inUseElsewhere;
  RemoveSettings(remover, settings, request.purgeSettings, inUseElsewhere);
  // A failed silent run leaves its log in the program folder; it is the setup's, not the user's.
  remover.RemoveFile(installFolder + std::wstring(kInstallLogName));
  RemoveLinks(platform, remover, installFolder);
  if (RegistrationBelongsTo(platform, installFolder)) RemoveRegistration(platform, outcome.leftOver);
  RemovePayload(remover, normalised, record.keptIconLibrary);

  // The record goes last, once everything else went: with something left, the next run still
  // needs to know what the setup kept and created. When the uninstaller's own file stays for its
  // copy, the copy removes the record right after that file.
  if (outcome.leftOver.empty() && !request.leaveUninstaller)
    remover.RemoveFile(InstallationRecordPath(installFolder));
  std::vector<std::wstring> folders = FoldersToRemove(platform, installFolder, record.createdFolders);
  if (request.leaveUninstaller) {
    outcome.foldersAfterUninstaller = std::move(folders);
  } else {
    for (const std::wstring& folder : folders) remover.RemoveFolderIfEmpty(folder);
  }
  outcome.status = outcome.leftOver.empty() ? kUninstallRemoved : kUninstallIncomplete;
  return outcome;
}

namespace {

bool IsUninstallerFile(std::wstring_view path) {
  return EqualIgnoringCase(SplitPath(path).name + SplitPath(path).extension, kUninstallerExe);
}

// A folder "lt_uninstall-..." directly in the temporary folder, holding the copy.
bool LiesInPrivateCopyFolder(Platform& platform, std::wstring_view ownPath) {
  const std::wstring folder = FolderOfPath(ownPath);
  std::wstring name = folder.substr(0, folder.size() - 1);
  name = name.substr(name.find_last_of(L'\\') + 1);
  return IsUninstallerFile(ownPath) && name.size() > kRemovalCopyFolderPrefix.size() &&
         EqualIgnoringCase(std::wstring_view(name).substr(0, kRemovalCopyFolderPrefix.size()),
                           kRemovalCopyFolderPrefix) &&
         IsSamePath(platform.files, ParentFolder(folder), platform.files.TempFolder());
}

bool SameFolders(FileSystem& files, const std::vector<std::wstring>& a, const std::vector<std::wstring>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                    [&](const std::wstring& x, const std::wstring& y) { return IsSamePath(files, x, y); });
}

}  // namespace

bool AcceptRemovalCopyOrder(Platform& platform, const RemovalCopyOrder& order,
                            const RemovalCopyFacts& facts) {
  const auto genuine = [&] {
    if (!facts.waitedProcessPath || order.removeFile.empty() || !IsUninstallerFile(order.removeFile) ||
        !IsSamePath(platform.files, *facts.waitedProcessPath, order.removeFile) ||
        IsSamePath(platform.files, facts.ownPath, order.removeFile) ||
        !LiesInPrivateCopyFolder(platform, facts.ownPath))
      return false;
    const std::wstring installFolder = FolderOfPath(order.removeFile);
    const InstallationRecord record = ReadInstallationRecord(platform, installFolder);
    return SameFolders(platform.files, order.folders,
                       FoldersToRemove(platform, installFolder, record.createdFolders));
  };
  if (genuine()) return true;
  std::wstring line =
      platform.resources.String(IDS_UNINSTALL_NOT_THE_COPY, kLongTextChars) + order.removeFile;
  for (const std::wstring& folder : order.folders) line += L" | " + folder;
  AppendLogEntry(platform, platform.files.TempFolder() + std::wstring(kUninstallLogName), line);
  return false;
}

void LogOutcome(Platform& platform, std::wstring_view logPath, const UninstallOutcome& outcome) {
  const std::wstring notRemoved = platform.resources.String(IDS_UNINSTALL_NOT_REMOVED, kShortTextChars);
  for (const std::wstring& item : outcome.leftOver) AppendLogEntry(platform, logPath, notRemoved + item);
  if (!outcome.settingsKept.empty())
    AppendLogEntry(
        platform, logPath,
        platform.resources.String(IDS_UNINSTALL_SETTINGS_IN_USE, kShortTextChars) + outcome.settingsKept);
}

namespace {

std::wstring Text(Platform& platform, unsigned id) {
  return platform.resources.String(id, kLongTextChars);
}

class RunReporter {
 public:
  RunReporter(Platform& platform, const UninstallerRun& run)
      : platform_(platform),
        run_(run),
        caption_(Text(platform, IDS_UNINSTALL_CAPTION)),
        logPath_(platform.files.TempFolder() + std::wstring(kUninstallLogName)) {}

  // A message box, or silently a log entry: what stopped the run before anything was removed.
  // A failure is logged in either case.
  int Refuse(unsigned id, int status) {
    const std::wstring message = Text(platform_, id);
    if (run_.silent || status == kUninstallIncomplete) AppendLogEntry(platform_, logPath_, message);
    if (!run_.silent) platform_.messages.Show(message, caption_, kMbIconExclamation);
    return status;
  }

  // The log lines and, unless silent, the final message.
  void Report(const UninstallOutcome& outcome) {
    LogOutcome(platform_, logPath_, outcome);
    if (run_.silent) return;
    if (outcome.leftOver.empty()) {
      std::wstring message = Text(platform_, IDS_UNINSTALL_REMOVED);
      if (!outcome.settingsKept.empty())
        message += L"\n\n" + Text(platform_, IDS_UNINSTALL_SETTINGS_IN_USE) + outcome.settingsKept;
      platform_.messages.Show(message, caption_, kMbIconInformation);
      return;
    }
    std::wstring message = Text(platform_, IDS_UNINSTALL_INCOMPLETE) + L"\n\n";
    for (const std::wstring& item : outcome.leftOver) message += item + L"\n";
    message += L"\n" + Text(platform_, IDS_UNINSTALL_LOG_NOTE) + L"\n" + logPath_;
    platform_.messages.Show(message, caption_, kMbIconExclamation);
  }

 private:
  Platform& platform_;
  const UninstallerRun& run_;
  std::wstring caption_;
  std::wstring logPath_;
};

UninstallOutcome UninstallerLeftOver(const UninstallerRun& run) {
  UninstallOutcome outcome;
  outcome.status = kUninstallIncomplete;
  outcome.leftOver.push_back(run.uninstallerPath);
  return outcome;
}

}  // namespace

int RunUninstaller(Platform& platform, UninstallerHost& host, const UninstallerRun& run) {
  RunReporter reporter(platform, run);
  UninstallRequest request;
  request.installFolder = FolderOfPath(run.uninstallerPath);
  if (IsViewerRunning(platform, request.installFolder))
    return reporter.Refuse(IDS_UNINSTALL_VIEWER_RUNNING, kUninstallRefused);

  request.payloadEntries = run.payloadEntries;
  request.purgeSettings = run.purge;
  request.leaveUninstaller = true;
  if (!run.silent) {
    switch (host.Confirm(request.installFolder, SettingsToKeep(platform, request.installFolder),
                         request.purgeSettings)) {
      case UninstallerHost::Answer::Yes: break;
      case UninstallerHost::Answer::No: return kUninstallCancelled;
      case UninstallerHost::Answer::Failed:
        return reporter.Refuse(IDS_UNINSTALL_NO_CONFIRMATION, kUninstallIncomplete);
    }
  }

  UninstallOutcome outcome = Uninstall(platform, request);
  // The viewer may have been started while the question was open.
  if (outcome.status == kUninstallRefused)
    return reporter.Refuse(IDS_UNINSTALL_VIEWER_RUNNING, kUninstallRefused);
  // With something left the uninstaller stays too, so that it can be run again; so it does when
  // the copy that would remove it can't be made.
  if (outcome.leftOver.empty() && !host.PrepareRemovalCopy()) outcome = UninstallerLeftOver(run);
  // The message comes first: the copy waits for this process, however long the message is open.
  reporter.Report(outcome);
  if (!outcome.leftOver.empty()) return outcome.status;
  if (!host.StartRemovalCopy(outcome.foldersAfterUninstaller)) {
    reporter.Report(UninstallerLeftOver(run));
    return kUninstallIncomplete;
  }
  return kUninstallRemoved;
}

}  // namespace lanternix
