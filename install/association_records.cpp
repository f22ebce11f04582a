#include "install/association_records.h"

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

constexpr std::array<std::pair<RegRoot, std::wstring_view>, 6> kRecordKeys = {{
    {kCapabilitiesRoot, kMachineDefaultRecords},
    {kCapabilitiesRoot, kEarlierAssociations},
    {RegRoot::CurrentUser, kFileExtsRecords},
    {RegRoot::CurrentUser, kUserChoiceRecords},
    {RegRoot::CurrentUser, kEarlierAssociations},
    {RegRoot::CurrentUser, kNoOpenWithRecords},
}};

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

void RecordAddedNoOpenWith(Platform& platform, std::wstring_view progId) {
  const std::wstring appKey = Join({kClassesKey, progId});
  if (ReadRegistryString(platform.registry, {RegRoot::CurrentUser, appKey, std::wstring(kNoOpenWithValue)}))
    return;
  const RegistryValueName record = AddedNoOpenWithRecordOf(progId);
  if (auto key = platform.registry.CreateKey(record.root, record.key)) key->SetString(record.value, L"");
}

}  // namespace lanternix
