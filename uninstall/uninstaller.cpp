#include "uninstall/uninstaller.h"

#include <algorithm>

#include "install/install_log.h"
#include "install/shortcuts.h"
#include "install/viewer_ini.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "platform/text_limits.h"
#include "uninstall/registration_removal.h"
#include "uninstall/uninstall_resources.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kOthersSection = L"others";
constexpr std::wstring_view kIniFolderKey = L"ini_folder";

wchar_t AsciiLower(wchar_t ch) {
  return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  std::transform(out.begin(), out.end(), out.begin(), AsciiLower);
  return out;
}

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

class FileRemover {
 public:
  FileRemover(FileSystem& files, std::vector<std::wstring>& leftOver) : files_(files), leftOver_(leftOver) {}

  // A file that is gone already counts as removed.
  void RemoveFile(std::wstring_view path) {
    if (files_.FileExists(path) && !files_.Remove(path)) leftOver_.emplace_back(path);
  }

  // A folder that still holds something (the user's own files) stays, and that is no failure.
  void RemoveFolderIfEmpty(std::wstring_view folder) {
    std::wstring path(folder);
    while (!path.empty() && path.back() == L'\\') path.pop_back();
    files_.RemoveFolder(path);
  }

 private:
  FileSystem& files_;
  std::vector<std::wstring>& leftOver_;
};

bool IsInside(std::wstring_view path, std::wstring_view folder) {
  return path.size() > folder.size() && Lower(path.substr(0, folder.size())) == Lower(folder);
}

// A link of ours by name goes only while it still leads into the installation folder; one the
// user pointed elsewhere, or that a later installation elsewhere made, stays.
void RemoveLinkIfOurs(Platform& platform, FileRemover& remover, std::wstring_view linkPath,
                      std::wstring_view installFolder) {
  const auto target = platform.shell.ShellLinkTarget(linkPath);
  if (target && IsInside(*target, installFolder)) remover.RemoveFile(linkPath);
}

void RemoveLinks(Platform& platform, FileRemover& remover, std::wstring_view installFolder) {
  for (const int csidl : {kCsidlDesktop, kCsidlCommonDesktopDirectory}) {
    const std::wstring desktop = GetSpecialFolderPath(platform, csidl);
    for (const std::wstring_view link : {kDesktopViewerLink, kDesktopThumbnailsLink})
      RemoveLinkIfOurs(platform, remover, desktop + std::wstring(link), installFolder);
  }
  for (const int csidl : {kCsidlPrograms, kCsidlCommonPrograms}) {
    const std::wstring group = GetSpecialFolderPath(platform, csidl) + std::wstring(kGroupFolderName) + L"\\";
    std::vector<std::wstring> links = {VersionLinkName(kProductMajor, kProductMinor),
                                       std::wstring(kGroupThumbnailsLink), std::wstring(kUninstallLink)};
    for (const GroupDocument& document : kGroupDocuments) links.emplace_back(document.linkName);
    for (const std::wstring& link : links) RemoveLinkIfOurs(platform, remover, group + link, installFolder);
    remover.RemoveFolderIfEmpty(group);
  }
}

void RemoveSettings(FileRemover& remover, const SettingsFiles& settings, bool purge) {
  if (!settings.programFolderIni.empty() && (purge || settings.programFolderIniIsRedirectOnly))
    remover.RemoveFile(settings.programFolderIni);
  if (purge && !settings.redirectedIni.empty()) {
    remover.RemoveFile(settings.redirectedIni);
    remover.RemoveFolderIfEmpty(FolderOfPath(settings.redirectedIni));
  }
}

void RemovePayload(FileRemover& remover, const UninstallRequest& request) {
  std::vector<std::wstring_view> folders;
  for (const std::wstring_view entry : request.payloadEntries) {
    if (entry.ends_with(L'/')) {
      folders.push_back(entry);
    } else if (!(request.leaveUninstaller && Lower(entry) == Lower(kUninstallerExe))) {
      remover.RemoveFile(EntryPath(request.installFolder, entry));
    }
  }
  // Inner folders before the folders that hold them.
  std::stable_sort(folders.begin(), folders.end(), [](std::wstring_view a, std::wstring_view b) {
    return std::count(a.begin(), a.end(), L'/') > std::count(b.begin(), b.end(), L'/');
  });
  for (const std::wstring_view folder : folders)
    remover.RemoveFolderIfEmpty(EntryPath(request.installFolder, folder));
  if (!request.leaveUninstaller) remover.RemoveFolderIfEmpty(request.installFolder);
}

}  // namespace

bool IniHoldsOnlyRedirect(SystemInfo& system, std::span<const std::uint8_t> bytes) {
  const std::wstring text = DecodeIni(system, bytes);
  std::wstring section;
  std::size_t start = 0;
  while (start <= text.size()) {
    const std::size_t end = std::min(text.find(L'\n', start), text.size());
    const std::wstring_view line = Trim(std::wstring_view(text).substr(start, end - start));
    start = end + 1;
    if (line.empty() || line.front() == L';') continue;
    if (line.front() == L'[') {
      section = Lower(Trim(line.substr(
          1, line.find(L']') == std::wstring_view::npos ? std::wstring_view::npos : line.find(L']') - 1)));
      continue;
    }
    const std::wstring key = Lower(Trim(line.substr(0, line.find(L'='))));
    if (section != kOthersSection || key != kIniFolderKey) return false;
  }
  return true;
}

SettingsFiles FindSettingsFiles(Platform& platform, std::wstring_view installFolder) {
  SettingsFiles settings;
  const std::wstring programFolderIni = std::wstring(installFolder) + std::wstring(kViewerIniName);
  if (!platform.files.FileExists(programFolderIni)) return settings;
  settings.programFolderIni = programFolderIni;
  if (const auto bytes = platform.files.ReadAll(programFolderIni))
    settings.programFolderIniIsRedirectOnly = IniHoldsOnlyRedirect(platform.system, *bytes);

  const std::wstring redirect =
      platform.profiles.ReadString(programFolderIni, L"Others", L"INI_Folder", kLongTextChars);
  if (redirect.empty()) return settings;
  std::wstring folder =
      redirect.find(L'%') != std::wstring::npos ? ExpandIniFolder(platform.system, redirect) : redirect;
  TrimSpaces(folder);
  if (folder.empty()) return settings;
  const std::wstring redirectedIni = WithBackslash(folder) + std::wstring(kViewerIniName);
  // A redirect back to the program folder names the same file, which is not a second one.
  if (Lower(redirectedIni) != Lower(programFolderIni) && platform.files.FileExists(redirectedIni))
    settings.redirectedIni = redirectedIni;
  return settings;
}

std::vector<std::wstring> SettingsToKeep(Platform& platform, std::wstring_view installFolder) {
  const SettingsFiles settings = FindSettingsFiles(platform, installFolder);
  std::vector<std::wstring> kept;
  if (!settings.programFolderIni.empty() && !settings.programFolderIniIsRedirectOnly)
    kept.push_back(settings.programFolderIni);
  if (!settings.redirectedIni.empty()) kept.push_back(settings.redirectedIni);
  return kept;
}

UninstallOutcome Uninstall(Platform& platform, const UninstallRequest& request) {
  UninstallOutcome outcome;
  if (platform.system.TopLevelWindowExists(kViewerWindowClass)) {
    outcome.status = kUninstallRefused;
    return outcome;
  }
  const std::wstring installFolder = WithBackslash(request.installFolder);
  FileRemover remover(platform.files, outcome.leftOver);

  // The settings are looked at before the payload goes: the redirect is read from the file.
  RemoveSettings(remover, FindSettingsFiles(platform, installFolder), request.purgeSettings);
  RemoveLinks(platform, remover, installFolder);
  if (RegistrationBelongsTo(platform.registry, installFolder)) RemoveRegistration(platform, outcome.leftOver);
  UninstallRequest normalised = request;
  normalised.installFolder = installFolder;
  RemovePayload(remover, normalised);

  outcome.status = outcome.leftOver.empty() ? kUninstallRemoved : kUninstallIncomplete;
  return outcome;
}

void LogLeftOver(Platform& platform, std::wstring_view logPath, const UninstallOutcome& outcome) {
  const std::wstring notRemoved = platform.resources.String(IDS_UNINSTALL_NOT_REMOVED, kShortTextChars);
  for (const std::wstring& item : outcome.leftOver) AppendLogEntry(platform, logPath, notRemoved + item);
}

}  // namespace lanternix
