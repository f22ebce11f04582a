#include "uninstall/registration_removal.h"

#include <array>

#include "install/association_records.h"
#include "install/file_associations.h"
#include "install/registry_keys.h"
#include "model/format_catalogue.h"
#include "model/os_version_class.h"
#include "model/system_probes.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::array<AssociationPlace, 3> kAssociationPlaces = {
    AssociationPlace::MachineDefault, AssociationPlace::FileExts, AssociationPlace::UserChoice};

std::wstring RootName(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine:
    case RegRoot::LocalMachineNative: return L"HKEY_LOCAL_MACHINE\\";
    case RegRoot::CurrentUser: return L"HKEY_CURRENT_USER\\";
    case RegRoot::ClassesRoot: return L"HKEY_CLASSES_ROOT\\";
  }
  return L"";
}

class Remover {
 public:
  Remover(Registry& registry, std::vector<std::wstring>& leftOver)
      : registry_(registry), leftOver_(leftOver) {}

  bool Exists(RegRoot root, std::wstring_view key) {
    return registry_.OpenKey(root, key, kKeyQueryValue) != nullptr;
  }

  // A key that exists and can't go is reported; a missing key is already gone.
  void DeleteKey(RegRoot root, std::wstring_view key) {
    if (Exists(root, key) && !registry_.DeleteKey(root, key)) Report(root, key, std::nullopt);
  }

  // One of the setup's own keys, whatever another program added below it since.
  void DeleteTree(RegRoot root, std::wstring_view key) {
    if (Exists(root, key) && !registry_.DeleteTree(root, key)) Report(root, key, std::nullopt);
  }

  // Only a key that nothing else has put values or subkeys into goes.
  void DeleteKeyIfEmpty(RegRoot root, std::wstring_view key) {
    auto opened = registry_.OpenKey(root, key, kKeyQueryValue);
    if (opened && opened->IsEmpty()) {
      opened.reset();
      DeleteKey(root, key);
    }
  }

  void DeleteValue(const RegistryValueName& name) {
    auto key = registry_.OpenKey(name.root, name.key, kKeyQueryValue | kKeySetValue);
    if (!key || !key->ReadString(name.value, kShortTextChars)) return;
    if (!key->DeleteValue(name.value)) Report(name.root, name.key, name.value);
  }

  void SetValue(const RegistryValueName& name, std::wstring_view text) {
    auto key = registry_.CreateKey(name.root, name.key);
    if (!key || !key->SetString(name.value, text)) Report(name.root, name.key, name.value);
  }

  // The association value goes back to its recorded earlier value, or goes, but only while it
  // still names a Lanternix ProgID: another program's later choice stays. An earlier handler whose
  // class has gone since (its program was uninstalled) is not written back: the value would name
  // nothing. The record goes either way. The keys the setup had to create go with the other
  // created keys, once empty.
  void RestoreAssociation(AssociationPlace place, std::wstring_view extension, bool restoresUserChoice) {
    const RegistryValueName value = AssociationValueOf(place, extension);
    const RegistryValueName record = EarlierRecordOf(place, extension);
    const auto current = ReadRegistryString(registry_, value);
    const auto earlier = ReadRegistryString(registry_, record);
    const bool givesBack = earlier && Exists(RegRoot::ClassesRoot, *earlier);
    if (current && IsLanternixProgId(*current)) {
      if (place == AssociationPlace::UserChoice) {
        // The key is the setup's own creation: it was deleted and made anew. From Windows 8 on a
        // key without the system's hash makes Windows reset the type's default: nothing goes back.
        DeleteKey(value.root, value.key);
        if (givesBack && restoresUserChoice) SetValue(value, *earlier);
      } else if (givesBack) {
        SetValue(value, *earlier);
      } else {
        DeleteValue(value);
      }
      if (place == AssociationPlace::FileExts) DeleteEmptyDefault(value);
    }
    if (earlier) DeleteValue(record);
  }

  void RemoveAddedNoOpenWith(std::wstring_view progId) {
    const RegistryValueName record = AddedNoOpenWithRecordOf(progId);
    if (!ReadRegistryString(registry_, record)) return;
    const std::wstring appKey = std::wstring(kClassesKey) + std::wstring(progId);
    DeleteValue({RegRoot::CurrentUser, appKey, std::wstring(kNoOpenWithValue)});
    DeleteValue(record);
  }

 private:
  // The XP writer gives the FileExts key an empty default value along with its ProgID.
  void DeleteEmptyDefault(const RegistryValueName& value) {
    const RegistryValueName defaultValue{value.root, value.key, L""};
    if (const auto text = ReadRegistryString(registry_, defaultValue); text && text->empty())
      DeleteValue(defaultValue);
  }

  void Report(RegRoot root, std::wstring_view key, std::optional<std::wstring_view> value) {
    std::wstring line = RootName(root) + std::wstring(key);
    if (value) line += L" [" + std::wstring(*value) + L"]";
    leftOver_.push_back(line);
  }

  Registry& registry_;
  std::vector<std::wstring>& leftOver_;
};

}  // namespace

std::optional<std::wstring> RegisteredInstallFolder(Platform& platform) {
  return ReadRegistryString(platform.registry,
                            {RegRoot::LocalMachine, std::wstring(kUninstallKey), L"InstallLocation"});
}

bool RegistrationBelongsTo(Platform& platform, std::wstring_view installFolder) {
  const auto location = RegisteredInstallFolder(platform);
  return !location || location->empty() || IsSamePath(platform.files, *location, installFolder);
}

void RemoveRegistration(Platform& platform, std::vector<std::wstring>& leftOver) {
  Registry& registry = platform.registry;
  Remover remover(registry, leftOver);
  const bool restoresUserChoice = WritesUserChoice(QueryOsVersionClass(platform.system));

  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& pair : row.Extensions()) {
      for (const AssociationPlace place : kAssociationPlaces)
        remover.RestoreAssociation(place, pair.extension, restoresUserChoice);
      remover.DeleteTree(RegRoot::LocalMachine, std::wstring(kClassesKey) + ProgIdOf(pair.progIdStem));
    }
  for (const std::wstring_view progId : kStoreAppProgIds) remover.RemoveAddedNoOpenWith(progId);

  remover.DeleteTree(RegRoot::LocalMachine, kClassKey);
  remover.DeleteTree(RegRoot::ClassesRoot, kApplicationKey);
  for (const std::wstring_view parent : kBrowseVerbParents)
    remover.DeleteTree(RegRoot::LocalMachine, std::wstring(parent) + std::wstring(kBrowseVerb));

  // The capabilities are only registered while RegisteredApplications points at them.
  const RegistryValueName registered{kCapabilitiesRoot, std::wstring(kRegisteredApplicationsKey),
                                     std::wstring(kRegisteredApplicationName)};
  if (const auto target = ReadRegistryString(registry, registered);
      target && EqualIgnoringCase(*target, kCapabilitiesKey))
    remover.DeleteValue(registered);

  // Keys outside the setup's own that it had to make (a missing ".ext", "Directory\shell", ...),
  // deepest first; one that something else has put values or subkeys into since stays.
  for (const RegRoot root : {RegRoot::LocalMachine, RegRoot::CurrentUser})
    for (const std::wstring& key : CreatedKeysOf(registry, root)) remover.DeleteKeyIfEmpty(root, key);

  // The records go once everything they name is taken back; with something left, a second run
  // still needs them.
  const bool complete = leftOver.empty();
  for (const auto& [root, key] : RecordKeys()) {
    if (complete)
      remover.DeleteTree(root, key);
    else
      remover.DeleteKeyIfEmpty(root, key);
  }
  // The machine area is the setup's (capabilities, the open command, the records); the user's
  // holds only records, and goes once nothing else is in it.
  remover.DeleteTree(kCapabilitiesRoot, std::wstring(kAppKey) + L"\\shell");
  remover.DeleteTree(kCapabilitiesRoot, kCapabilitiesKey);
  if (complete) remover.DeleteTree(kCapabilitiesRoot, kAppKey);
  remover.DeleteKeyIfEmpty(kCapabilitiesRoot, kAppKey);
  remover.DeleteKeyIfEmpty(RegRoot::CurrentUser, kAppKey);
  remover.DeleteTree(RegRoot::LocalMachine, kUninstallKey);

  platform.shell.NotifyAssociationsChanged();
}

}  // namespace lanternix
