#include "install/registration.h"

#include <array>
#include <string>

#include "model/os_version_class.h"
#include "model/product.h"
#include "model/system_probes.h"
#include "install/association_records.h"
#include "install/file_associations.h"
#include "install/registry_keys.h"
#include "install/shortcuts.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::uint32_t kEstimatedSizeKb = 6144;

struct WindowsGeneration {
  int isWindowsXp = 0;
  bool isVistaOrLater = false;
};

// GetVersionExW is enough here: a shimmed answer never drops below 6.2, so the two tests agree
// with the real version.
WindowsGeneration TestWindowsVersion(SystemInfo& system) {
  const OsVersionRecord version = system.VersionEx();
  WindowsGeneration generation;
  if (version.platformId != kPlatformWin32Nt) return generation;
  generation.isWindowsXp = version.major == 5 && version.minor >= 1 ? 1 : 0;
  generation.isVistaOrLater = version.major >= 6;
  return generation;
}

std::wstring Quoted(std::wstring_view text) {
  return L"\"" + std::wstring(text) + L"\"";
}

void WriteFolderAndDriveVerb(Registry& registry, std::wstring_view exePath) {
  const std::wstring thumbnailCommand = Quoted(exePath) + L" \"%1\" /thumbs";
  for (const std::wstring_view parent : kBrowseVerbParents) {
    // "Directory\shell" and "Drive\shell" may be missing; the uninstaller removes only those made here.
    RecordCreatedKeys(registry, RegRoot::LocalMachine, parent.substr(0, parent.size() - 1));
    const std::wstring verbKey = std::wstring(parent) + std::wstring(kBrowseVerb);
    registry.SetDefaultValue(RegRoot::LocalMachine, verbKey, kBrowseVerb);
    registry.SetDefaultValue(RegRoot::LocalMachine, verbKey + L"\\command", thumbnailCommand);
  }
}

void WriteApplicationKeys(Registry& registry, std::wstring_view openCommand) {
  registry.SetDefaultValue(RegRoot::LocalMachine, kClassKey, L"Lanternix");
  registry.SetDefaultValue(RegRoot::LocalMachine, std::wstring(kClassKey) + std::wstring(kOpenCommandSubKey),
                           openCommand);
  // An icon left by an older setup would override the viewer's own; a missing key is no error.
  registry.DeleteKey(RegRoot::LocalMachine, std::wstring(kClassKey) + L"\\DefaultIcon");
  registry.SetDefaultValue(RegRoot::ClassesRoot,
                           std::wstring(kApplicationKey) + std::wstring(kOpenCommandSubKey), openCommand);
  if (auto key = registry.OpenKey(RegRoot::ClassesRoot, kApplicationKey, kKeyAllAccess))
    key->SetString(L"FriendlyAppName", L"Lanternix 32-bit");
}

void WriteUninstallEntry(Registry& registry, std::wstring_view installFolder, std::wstring_view exePath) {
  registry.SetDefaultValue(RegRoot::LocalMachine, kUninstallKey, L"");
  auto key = registry.OpenKey(RegRoot::LocalMachine, kUninstallKey, kKeyAllAccess);
  if (!key) return;
  key->SetString(L"DisplayName", ProductDisplayName());
  const std::wstring uninstaller = Quoted(std::wstring(installFolder) + std::wstring(kUninstallerExe));
  key->SetString(L"UninstallString", uninstaller);
  key->SetString(L"Publisher", kPublisher);
  key->SetString(L"InstallLocation", installFolder);
  key->SetString(L"DisplayVersion", ProductVersionText());
  key->SetString(L"DisplayIcon", std::wstring(exePath) + L",0");
  key->SetDword(L"VersionMajor", kProductMajor);
  key->SetDword(L"VersionMinor", kProductMinor);
  key->SetDword(L"EstimatedSize", kEstimatedSizeKb);
  // What deployment tools run to remove the viewer without a question or a message.
  key->SetString(L"QuietUninstallString", uninstaller + L" /silent");
}

// The shell that reads RegisteredApplications on 64-bit Windows is 64-bit: it follows the path
// the value names in its own view. Written in the 32-bit view, the capabilities would sit under
// Wow6432Node where it never looks, so the whole capabilities tree goes to the native view.
void WriteCapabilities(Registry& registry, std::wstring_view exePath) {
  registry.CreateKey(kCapabilitiesRoot, kAppKey);
  registry.SetDefaultValue(kCapabilitiesRoot, std::wstring(kAppKey) + std::wstring(kOpenCommandSubKey),
                           Quoted(exePath));
  if (auto key = registry.CreateKey(kCapabilitiesRoot, kCapabilitiesKey))
    key->SetString(L"ApplicationDescription", kApplicationDescription);
  registry.CreateKey(kCapabilitiesRoot, std::wstring(kCapabilitiesKey) + L"\\FileAssociations");
  if (auto key = registry.OpenKey(kCapabilitiesRoot, kRegisteredApplicationsKey, kKeySetValue))
    key->SetString(kRegisteredApplicationName, kCapabilitiesKey);
}

}  // namespace

int RegisterApplication(Platform& platform, int associationsConfirmed, int changeAssociations,
                        std::wstring_view destinationFolder, int startMenuGroup, int desktopShortcut,
                        int thumbnailsShortcut, int allUsers,
                        std::span<const std::int32_t, kAssociationSlots> associationSelection,
                        int associateForAllUsers) {
  const WindowsGeneration generation = TestWindowsVersion(platform.system);
  CreateShortcuts(platform, destinationFolder, startMenuGroup, desktopShortcut, thumbnailsShortcut, allUsers);

  // Composed without a width limit: a folder longer than the driver allows must not overflow or
  // leave a cut executable path in the registry.
  const std::wstring installFolder = InstallFolderOf(destinationFolder);
  const std::wstring exePath = installFolder + std::wstring(kViewerExe);
  if (thumbnailsShortcut && generation.isVistaOrLater) WriteFolderAndDriveVerb(platform.registry, exePath);

  const std::wstring openCommand = Quoted(exePath) + L" \"%1\"";
  WriteApplicationKeys(platform.registry, openCommand);
  WriteUninstallEntry(platform.registry, installFolder, exePath);
  if (generation.isVistaOrLater) WriteCapabilities(platform.registry, exePath);

  if (associationsConfirmed || generation.isVistaOrLater) {
    const OsVersionClass osVersion = QueryOsVersionClass(platform.system);
    RunAssociationPass(platform, openCommand, exePath, generation.isWindowsXp, generation.isVistaOrLater,
                       WritesUserChoice(osVersion), associateForAllUsers, associationSelection,
                       associationsConfirmed);
    if (changeAssociations) {
      // A declined question changes nothing, the shell's handler list included.
      if (associationsConfirmed && osVersion == kOsWindows10) HideStoreAppsOpenWith(platform);
      platform.shell.NotifyIconsChanged();
      platform.shell.NotifyAssociationsChanged();
    }
  }
  return 1;
}

}  // namespace lanternix
