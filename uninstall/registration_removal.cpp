#include "uninstall/registration_removal.h"

#include <array>

#include "install/association_records.h"
#include "install/file_associations.h"
#include "install/registry_keys.h"
#include "model/format_catalogue.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::array<AssociationPlace, 3> kAssociationPlaces = {
    AssociationPlace::MachineDefault, AssociationPlace::FileExts, AssociationPlace::UserChoice};

// The subkeys the setup writes below a class key, each ahead of its parent, the key itself last.
constexpr std::array<std::wstring_view, 5> kClassSubKeys = {L"\\shell\\open\\command", L"\\shell\\open",
                                                            L"\\shell", kDefaultIconSubKey, L""};

std::wstring RootName(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine:
    case RegRoot::LocalMachineNative: return L"HKEY_LOCAL_MACHINE\\";
    case RegRoot::CurrentUser: return L"HKEY_CURRENT_USER\\";
    case RegRoot::ClassesRoot: return L"HKEY_CLASSES_ROOT\\";
  }
  return L"";
}

bool EqualsIgnoringCase(std::wstring_view a, std::wstring_view b) {
  auto lower = [](wchar_t ch) {
    return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
  };
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (lower(a[i]) != lower(b[i])) return false;
  return true;
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

  void DeleteClassKey(RegRoot root, std::wstring_view key) {
    for (const std::wstring_view subKey : kClassSubKeys)
      DeleteKey(root, std::wstring(key) + std::wstring(subKey));
  }

  // The association value goes back to its recorded earlier value, or goes, but only while it
  // still names a Lanternix ProgID: another program's later choice stays. The record goes either way.
  void RestoreAssociation(AssociationPlace place, std::wstring_view extension) {
    const RegistryValueName value = AssociationValueOf(place, extension);
    const RegistryValueName record = EarlierRecordOf(place, extension);
    const auto current = ReadRegistryString(registry_, value);
    const auto earlier = ReadRegistryString(registry_, record);
    if (current && IsLanternixProgId(*current)) {
      if (place == AssociationPlace::UserChoice) {
        // The key is the setup's own creation: it was deleted and made anew.
        DeleteKey(value.root, value.key);
        if (earlier) SetValue(value, *earlier);
      } else if (earlier) {
        SetValue(value, *earlier);
      } else {
        DeleteValue(value);
      }
      if (place == AssociationPlace::FileExts) DeleteEmptyDefault(value);
    }
    if (earlier) DeleteValue(record);

    // The setup created the key when it wrote into a missing one; only an emptied one goes.
    if (place == AssociationPlace::UserChoice) {
      DeleteKeyIfEmpty(value.root, AssociationValueOf(AssociationPlace::FileExts, extension).key);
    } else {
      DeleteKeyIfEmpty(value.root, value.key);
    }
  }

  void RemoveAddedNoOpenWith(std::wstring_view progId) {
    const RegistryValueName record = AddedNoOpenWithRecordOf(progId);
    if (!ReadRegistryString(registry_, record)) return;
    const std::wstring appKey = std::wstring(kClassesKey) + std::wstring(progId);
    DeleteValue({RegRoot::CurrentUser, appKey, std::wstring(kNoOpenWithValue)});
    DeleteKeyIfEmpty(RegRoot::CurrentUser, appKey);
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

bool RegistrationBelongsTo(Registry& registry, std::wstring_view installFolder) {
  const auto location =
      ReadRegistryString(registry, {RegRoot::LocalMachine, std::wstring(kUninstallKey), L"InstallLocation"});
  return !location || location->empty() || EqualsIgnoringCase(*location, installFolder);
}

void RemoveRegistration(Platform& platform, std::vector<std::wstring>& leftOver) {
  Registry& registry = platform.registry;
  Remover remover(registry, leftOver);

  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& pair : row.Extensions()) {
      for (const AssociationPlace place : kAssociationPlaces)
        remover.RestoreAssociation(place, pair.extension);
      remover.DeleteClassKey(RegRoot::LocalMachine, std::wstring(kClassesKey) + ProgIdOf(pair.progIdStem));
    }
  for (const std::wstring_view progId : kStoreAppProgIds) remover.RemoveAddedNoOpenWith(progId);
  // Likewise the user's classes key, made on the way to the NoOpenWith values.
  remover.DeleteKeyIfEmpty(RegRoot::CurrentUser, kClassesKey.substr(0, kClassesKey.size() - 1));

  remover.DeleteClassKey(RegRoot::LocalMachine, kClassKey);
  remover.DeleteClassKey(RegRoot::ClassesRoot, kApplicationKey);
  for (const std::wstring_view parent : kBrowseVerbParents) {
    const std::wstring verbKey = std::wstring(parent) + std::wstring(kBrowseVerb);
    remover.DeleteKey(RegRoot::LocalMachine, verbKey + L"\\command");
    remover.DeleteKey(RegRoot::LocalMachine, verbKey);
    // The setup's write made "Directory\\shell" and "Drive\\shell" where the system had none.
    for (std::wstring_view key = parent.substr(0, parent.size() - 1); key.size() > kClassesKey.size();
         key = key.substr(0, key.rfind(L'\\')))
      remover.DeleteKeyIfEmpty(RegRoot::LocalMachine, key);
  }

  // The capabilities are only registered while RegisteredApplications points at them.
  const RegistryValueName registered{kCapabilitiesRoot, std::wstring(kRegisteredApplicationsKey),
                                     std::wstring(kRegisteredApplicationName)};
  if (const auto target = ReadRegistryString(registry, registered);
      target && EqualsIgnoringCase(*target, kCapabilitiesKey))
    remover.DeleteValue(registered);
  remover.DeleteKey(kCapabilitiesRoot, kCapabilityAssociationsKey);
  remover.DeleteKey(kCapabilitiesRoot, kCapabilitiesKey);
  // The program's own key also holds the setup's records; it goes below, once empty.
  for (const std::wstring_view subKey : {L"\\shell\\open\\command", L"\\shell\\open", L"\\shell"})
    remover.DeleteKey(kCapabilitiesRoot, std::wstring(kAppKey) + std::wstring(subKey));

  for (const auto& [root, key] : RecordKeys()) remover.DeleteKeyIfEmpty(root, key);
  remover.DeleteKeyIfEmpty(kCapabilitiesRoot, kAppKey);
  remover.DeleteKeyIfEmpty(RegRoot::CurrentUser, kAppKey);
  remover.DeleteKey(RegRoot::LocalMachine, kUninstallKey);

  platform.shell.NotifyAssociationsChanged();
}

}  // namespace lanternix
