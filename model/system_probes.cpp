#include "model/system_probes.h"

#include <algorithm>
#include <cwchar>
#include <cwctype>

#include "model/number_text.h"
#include "model/product.h"

#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kDefaultFolderFallback = L"C:\\Lanternix\\";
constexpr std::wstring_view kCurrentVersionKey = L"Software\\Microsoft\\Windows\\CurrentVersion";
constexpr std::wstring_view kViewerClassKey = L"SOFTWARE\\Classes\\Lanternix";

}  // namespace

OsVersionClass ClassifyOsVersion(const OsVersionRecord& version) {
  if (version.major >= 10) return version.build >= 22000 ? kOsWindows11 : kOsWindows10;
  if (version.major >= 6) {
    if (version.minor >= 2) return kOsWindows8;
    return version.minor == 1 ? kOsWindows7 : kOsVista;
  }
  if (version.major == 5 && version.minor >= 1)
    return version.servicePack.find(L"Service Pack 3") != std::wstring::npos ? kOsXpSp3 : kOsXp;
  return kOsOlderThanXp;
}

OsVersionClass QueryOsVersionClass(SystemInfo& system) {
  if (auto version = system.RtlVersion()) return ClassifyOsVersion(*version);
  return ClassifyOsVersion(system.VersionEx());
}

std::wstring GetDefaultInstallFolder(Registry& registry) {
  auto key = registry.OpenKey(RegRoot::LocalMachine, kCurrentVersionKey, kKeyQueryValue);
  if (!key) return std::wstring(kDefaultFolderFallback);
  auto programFiles = key->ReadString(L"ProgramFilesDir", kShortTextChars);
  key.reset();
  if (!programFiles) return std::wstring(kDefaultFolderFallback);
  std::wstring folder = *programFiles;
  if (!EndsWithBackslash(folder)) folder.push_back(L'\\');
  folder += L"Lanternix";
  return folder;
}

std::optional<std::wstring> FindExistingInstallFolder(Registry& registry) {
  const std::wstring openCommandKey = std::wstring(kViewerClassKey) + std::wstring(kOpenCommandSubKey);
  auto key = registry.OpenKey(RegRoot::LocalMachine, openCommandKey, kKeyQueryValue);
  if (!key) return std::nullopt;
  const std::wstring command = key->ReadString(L"", kShortTextChars).value_or(L"");
  key.reset();
  if (command.empty() || command.find(kViewerExe) == std::wstring::npos) return std::nullopt;

  // The command is expected as "<exe>" "%1": the path runs from the second character to the
  // next quote, or to the end.
  std::wstring_view exePath = command;
  exePath.remove_prefix(1);
  exePath = exePath.substr(0, exePath.find(L'"'));
  const PathParts parts = SplitPath(exePath);
  std::wstring folder = parts.drive + parts.directory;
  // A bare file name has no folder to install into; that is no usable installation either.
  if (folder.empty()) return std::nullopt;
  if (!EndsWithBackslash(folder)) folder.push_back(L'\\');
  return folder;
}

std::wstring FormatFileVersion(const FixedFileVersion& fixed) {
  return DecimalText(fixed.productVersionMS >> 16) + L"." + DecimalText(fixed.productVersionMS & 0xFFFF) +
         DecimalText(fixed.fileVersionLS >> 16);
}

bool QueryFileVersion(VersionResources& versions, std::wstring_view path, std::wstring& versionOut,
                      std::wstring* companyOut) {
  auto data = versions.Query(path);
  if (!data) return false;
  versionOut = FormatFileVersion(data->fixed);
  if (companyOut) {
    *companyOut = data->companyName.value_or(L"");
    CutToBuffer(*companyOut, kShortTextChars);
  }
  return true;
}

std::int32_t QueryFileSize(FileSystem& files, std::wstring_view path) {
  if (path.empty()) return 0;
  return static_cast<std::int32_t>(files.FileSize(path).value_or(0));
}

}  // namespace lanternix
