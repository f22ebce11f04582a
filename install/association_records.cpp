#include "install/association_records.h"

#include <algorithm>
#include <array>

#include "install/registry_keys.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kEarlierAssociations = L"SOFTWARE\\Lanternix\\EarlierAssociations";
constexpr std::wstring_view kMachineDefaultRecords = L"SOFTWARE\\Lanternix\\EarlierAssociations\\Classes";
constexpr std::wstring_view kFileExtsRecords = L"SOFTWARE\\Lanternix\\EarlierAssociations\\FileExts";
constexpr std::wstring_view kUserChoiceRecords = L"SOFTWARE\\Lanternix\\EarlierAssociations\\UserChoice";
constexpr std::wstring_view kNoOpenWithRecords = L"SOFTWARE\\Lanternix\\AddedNoOpenWith";
// One value per key the setup created, named by the key's path.
constexpr std::wstring_view kCreatedKeyRecords = L"SOFTWARE\\Lanternix\\CreatedKeys";

constexpr std::array<std::pair<RegRoot, std::wstring_view>, 8> kRecordKeys = {{
    {kCapabilitiesRoot, kMachineDefaultRecords},
    {kCapabilitiesRoot, kEarlierAssociations},
    {RegRoot::CurrentUser, kFileExtsRecords},
    {RegRoot::CurrentUser, kUserChoiceRecords},
    {RegRoot::CurrentUser, kEarlierAssociations},
    {RegRoot::CurrentUser, kNoOpenWithRecords},
    {kCapabilitiesRoot, kCreatedKeyRecords},
    {RegRoot::CurrentUser, kCreatedKeyRecords},
}};

// Machine keys are recorded in the program's machine area, next to the other machine records.
RegRoot RecordRootOf(RegRoot root) {
  return root == RegRoot::CurrentUser ? RegRoot::CurrentUser : kCapabilitiesRoot;
}

std::wstring Join(std::initializer_list<std::wstring_view> parts) {
  std::wstring text;
  for (const std::wstring_view part : parts) text += part;
  return text;
}

wchar_t AsciiLower(wchar_t ch) {
  return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch - L'A' + L'a') : ch;
}

}  // namespace

RegistryValueName AssociationValueOf(AssociationPlace place, std::wstring_view extension) {
  switch (place) {
    case AssociationPlace::MachineDefault: break;
    case AssociationPlace::FileExts:
      return {RegRoot::CurrentUser, Join({kFileExtsKey, extension}), std::wstring(kFileExtsProgIdValue)};
    case AssociationPlace::UserChoice:
      return {RegRoot::CurrentUser, Join({kFileExtsKey, extension, kUserChoiceSubKey}),
              std::wstring(kUserChoiceProgIdValue)};
  }
  return {RegRoot::LocalMachine, Join({kClassesKey, L".", extension}), L""};
}

RegistryValueName EarlierRecordOf(AssociationPlace place, std::wstring_view extension) {
  const std::wstring name = Join({L".", extension});
  switch (place) {
    case AssociationPlace::MachineDefault: break;
    case AssociationPlace::FileExts: return {RegRoot::CurrentUser, std::wstring(kFileExtsRecords), name};
    case AssociationPlace::UserChoice: return {RegRoot::CurrentUser, std::wstring(kUserChoiceRecords), name};
  }
  // Kept in the program's machine area, next to its capabilities.
  return {kCapabilitiesRoot, std::wstring(kMachineDefaultRecords), name};
}

RegistryValueName AddedNoOpenWithRecordOf(std::wstring_view progId) {
  return {RegRoot::CurrentUser, std::wstring(kNoOpenWithRecords), std::wstring(progId)};
}

std::span<const std::pair<RegRoot, std::wstring_view>> RecordKeys() {
  return kRecordKeys;
}

bool IsLanternixProgId(std::wstring_view value) {
  const std::wstring prefix = Join({kProgIdPrefix, L"."});
  if (value.size() <= prefix.size()) return false;
  for (std::size_t i = 0; i < prefix.size(); ++i)
    if (AsciiLower(value[i]) != AsciiLower(prefix[i])) return false;
  return true;
}

std::optional<std::wstring> ReadRegistryString(Registry& registry, const RegistryValueName& name) {
  auto key = registry.OpenKey(name.root, name.key, kKeyQueryValue);
  if (!key) return std::nullopt;
  return key->ReadString(name.value, kShortTextChars);
}

void RecordEarlierAssociation(Platform& platform, AssociationPlace place, std::wstring_view extension) {
  const auto current = ReadRegistryString(platform.registry, AssociationValueOf(place, extension));
  // An empty value names no handler: there is nothing to give back.
  if (!current || current->empty() || IsLanternixProgId(*current)) return;
  const RegistryValueName record = EarlierRecordOf(place, extension);
  if (ReadRegistryString(platform.registry, record)) return;
  if (auto key = platform.registry.CreateKey(record.root, record.key)) key->SetString(record.value, *current);
}

void RecordCreatedKeys(Registry& registry, RegRoot root, std::wstring_view key) {
  const std::wstring path = root == RegRoot::ClassesRoot ? Join({kClassesKey, key}) : std::wstring(key);
  const RegRoot keyRoot = root == RegRoot::ClassesRoot ? RegRoot::LocalMachine : root;
  for (std::size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
    const std::wstring level = path.substr(0, end);
    if (!registry.OpenKey(keyRoot, level, kKeyQueryValue)) {
      // Everything below a missing level is missing too.
      auto record = registry.CreateKey(RecordRootOf(keyRoot), kCreatedKeyRecords);
      for (std::size_t below = end; record; below = path.find(L'\\', below + 1)) {
        record->SetString(path.substr(0, below), L"");
        if (below == std::wstring::npos) break;
      }
      return;
    }
    if (end == std::wstring::npos) return;
  }
}

std::vector<std::wstring> CreatedKeysOf(Registry& registry, RegRoot root) {
  std::vector<std::wstring> keys;
  auto record = registry.OpenKey(RecordRootOf(root), kCreatedKeyRecords, kKeyQueryValue);
  if (record) keys = record->ValueNames();
  std::stable_sort(keys.begin(), keys.end(), [](const std::wstring& a, const std::wstring& b) {
    return std::count(a.begin(), a.end(), L'\\') > std::count(b.begin(), b.end(), L'\\');
  });
  return keys;
}

void RecordAddedNoOpenWith(Platform& platform, std::wstring_view progId) {
  const std::wstring appKey = Join({kClassesKey, progId});
  if (ReadRegistryString(platform.registry, {RegRoot::CurrentUser, appKey, std::wstring(kNoOpenWithValue)}))
    return;
  const RegistryValueName record = AddedNoOpenWithRecordOf(progId);
  if (auto key = platform.registry.CreateKey(record.root, record.key)) key->SetString(record.value, L"");
}

}  // namespace lanternix
