#include "install/file_associations.h"

#include <array>

#include "model/product.h"
#include "install/association_records.h"
#include "install/registry_keys.h"

namespace lanternix {

namespace {

// The three extensions whose machine default is set even when their row is not selected.
constexpr std::array<std::wstring_view, 3> kForcedDefaultExtensions = {L"JPG", L"PNG", L"TIF"};

wchar_t AsciiUpper(wchar_t ch) {
  return ch >= L'a' && ch <= L'z' ? static_cast<wchar_t>(ch - L'a' + L'A') : ch;
}

bool EqualsAsciiIgnoringCase(std::wstring_view a, std::wstring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (AsciiUpper(a[i]) != AsciiUpper(b[i])) return false;
  return true;
}

bool IsForcedDefaultExtension(std::wstring_view extension) {
  for (const std::wstring_view forced : kForcedDefaultExtensions)
    if (EqualsAsciiIgnoringCase(extension, forced)) return true;
  return false;
}

std::wstring Concat(std::initializer_list<std::wstring_view> parts) {
  std::wstring text;
  for (const std::wstring_view part : parts) text += part;
  return text;
}

void WritePerUserFileExts(Platform& platform, std::wstring_view extension, std::wstring_view progId) {
  const std::wstring key = Concat({kFileExtsKey, extension});
  RecordEarlierAssociation(platform, AssociationPlace::FileExts, extension);
  RecordCreatedKeys(platform.registry, RegRoot::CurrentUser, key);
  platform.registry.SetDefaultValue(RegRoot::CurrentUser, key, L"");
  if (auto opened = platform.registry.OpenKey(RegRoot::CurrentUser, key, kKeyAllAccess))
    opened->SetString(kFileExtsProgIdValue, progId);
}

void WriteUserChoice(Platform& platform, std::wstring_view extension, std::wstring_view progId) {
  const std::wstring key = Concat({kFileExtsKey, extension, kUserChoiceSubKey});
  RecordEarlierAssociation(platform, AssociationPlace::UserChoice, extension);
  RecordCreatedKeys(platform.registry, RegRoot::CurrentUser, Concat({kFileExtsKey, extension}));
  // An existing UserChoice key carries the hash of the previous choice; only a fresh key can
  // take the new "Progid".
  platform.registry.DeleteKey(RegRoot::CurrentUser, key);
  if (auto created = platform.registry.CreateKey(RegRoot::CurrentUser, key))
    created->SetString(kUserChoiceProgIdValue, progId);
}

// The subkey's default value, its levels created when missing. A subkey text may start with the
// separator that joins it to a full path.
void SetSubKeyDefault(RegistryKey* parent, std::wstring_view subKey, std::wstring_view value) {
  if (!subKey.empty() && subKey.front() == L'\\') subKey.remove_prefix(1);
  if (!parent) return;
  if (auto key = parent->CreateSubKey(subKey)) key->SetString(L"", value);
}

void WriteMachineDefault(Platform& platform, RegistryKey* classes, std::wstring_view extension,
                         std::wstring_view progId) {
  const std::wstring extensionKey = Concat({L".", extension});
  RecordEarlierAssociation(platform, AssociationPlace::MachineDefault, extension);
  RecordCreatedKeys(platform.registry, RegRoot::LocalMachine, Concat({kClassesKey, extensionKey}));
  SetSubKeyDefault(classes, extensionKey, progId);
}

}  // namespace

std::wstring ProgIdOf(std::wstring_view progIdStem) {
  return Concat({kProgIdPrefix, L".", progIdStem});
}

std::wstring ProgIdDescriptionOf(std::wstring_view progIdStem) {
  std::wstring upper(progIdStem);
  for (wchar_t& ch : upper) ch = AsciiUpper(ch);
  return Concat({kProgIdPrefix, L" ", upper, L" File"});
}

std::wstring IconSpecOf(IconKind iconKind, std::wstring_view exePath) {
  switch (iconKind) {
    case IconKind::OwnIcon: return L"%1";
    case IconKind::ViewerIcon0: return Concat({exePath, L",0"});
    case IconKind::VideoIcon9: return Concat({exePath, L",9"});
    case IconKind::AudioIcon8: return Concat({exePath, L",8"});
  }
  return Concat({exePath, L",0"});
}

bool WritesUserChoice(OsVersionClass osVersion) {
  return osVersion < kOsWindows8;
}

AssociationKeys OpenAssociationKeys(Registry& registry) {
  AssociationKeys keys;
  keys.classes = registry.OpenKey(RegRoot::LocalMachine, kClassesKey.substr(0, kClassesKey.size() - 1),
                                  kKeyCreateSubKey);
  keys.capabilities = registry.OpenKey(kCapabilitiesRoot, kCapabilityAssociationsKey, kKeySetValue);
  return keys;
}

void RunAssociationPass(Platform& platform, std::wstring_view openCommand, std::wstring_view exePath,
                        int isWindowsXp, bool isVistaOrLater, bool writeUserChoice, int associateForAllUsers,
                        std::span<const std::int32_t, kAssociationSlots> associationSelection,
                        int associationsConfirmed) {
  // Opened once for all extensions: each key named from the root costs a registry call for every
  // level of its path, and the pass writes several hundred.
  const AssociationKeys keys = OpenAssociationKeys(platform.registry);
  for (std::size_t r = 0; r < FormatCatalogue.size(); ++r) {
    // A declined question keeps every current association; the slots then count as unselected.
    const int selected = associationsConfirmed && associationSelection[r] != 0 ? 1 : 0;
    if (!isVistaOrLater && associationSelection[r] == 0) continue;
    const FormatRow& row = FormatCatalogue[r];
    const std::wstring iconSpec = IconSpecOf(row.iconKind, exePath);
    for (const FormatExtension& pair : row.Extensions())
      WriteExtensionAssociation(platform, keys, pair.extension, pair.progIdStem, openCommand, iconSpec,
                                isWindowsXp, isVistaOrLater, writeUserChoice, associateForAllUsers, selected,
                                associationsConfirmed);
  }
}

void WriteExtensionAssociation(Platform& platform, const AssociationKeys& keys, std::wstring_view extension,
                               std::wstring_view progIdStem, std::wstring_view openCommand,
                               std::wstring_view iconSpec, int isWindowsXp, bool isVistaOrLater,
                               bool writeUserChoice, int associateForAllUsers, int selected,
                               int associationsConfirmed) {
  const std::wstring progId = ProgIdOf(progIdStem);
  const bool writesMachineDefault =
      isWindowsXp == 1 ? associateForAllUsers == 1
                       : selected != 0 || (associationsConfirmed != 0 && IsForcedDefaultExtension(extension));
  if (isWindowsXp == 1) WritePerUserFileExts(platform, extension, progId);
  if (writesMachineDefault) WriteMachineDefault(platform, keys.classes.get(), extension, progId);

  const std::unique_ptr<RegistryKey> classKey = keys.classes ? keys.classes->CreateSubKey(progId) : nullptr;
  if (classKey) classKey->SetString(L"", ProgIdDescriptionOf(progIdStem));
  SetSubKeyDefault(classKey.get(), kOpenCommandSubKey, openCommand);
  SetSubKeyDefault(classKey.get(), kDefaultIconSubKey, iconSpec);

  if (isVistaOrLater) {
    AddCapabilityAssociation(keys.capabilities.get(), extension, progIdStem);
    if (selected != 0 && writeUserChoice) WriteUserChoice(platform, extension, progId);
  }
}

void AddCapabilityAssociation(RegistryKey* capabilities, std::wstring_view extension,
                              std::wstring_view progIdStem) {
  if (capabilities) capabilities->SetString(Concat({L".", extension}), ProgIdOf(progIdStem));
}

void HideStoreAppsOpenWith(Platform& platform) {
  for (const std::wstring_view progId : kStoreAppProgIds) {
    const std::wstring key = Concat({kClassesKey, progId});
    RecordAddedNoOpenWith(platform, progId);
    RecordCreatedKeys(platform.registry, RegRoot::CurrentUser, key);
    if (auto created = platform.registry.CreateKey(RegRoot::CurrentUser, key))
      created->SetString(kNoOpenWithValue, L"");
  }
}

}  // namespace lanternix
