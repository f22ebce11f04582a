// What the setup remembers so that an uninstallation can give back what it took: the earlier
// association values it overwrote, the NoOpenWith values it added, and the keys outside its own
// that it had to create. The records live in the
// program's own registry area, per machine for machine values and per user for per-user ones.
#pragma once

#include <optional>
#include <span>
#include <utility>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lanternix {

// The association values the setup overwrites.
enum class AssociationPlace {
  MachineDefault,  // HKLM SOFTWARE\Classes\.ext, default value
  FileExts,        // HKCU Explorer FileExts\.ext, "ProgID" (Windows XP)
  UserChoice,      // HKCU Explorer FileExts\.ext\UserChoice, "Progid" (Vista and 7)
};

struct RegistryValueName {
  RegRoot root;
  std::wstring key;
  std::wstring value;
};

// Where the association value of extension (without its dot) lies.
RegistryValueName AssociationValueOf(AssociationPlace place, std::wstring_view extension);
// Where the earlier value of that association is recorded.
RegistryValueName EarlierRecordOf(AssociationPlace place, std::wstring_view extension);
// Where the record of a NoOpenWith value the setup added for a packaged application lies.
RegistryValueName AddedNoOpenWithRecordOf(std::wstring_view progId);
// The record keys, each ahead of its parent, so that emptied ones can go in this order; the
// program's own key "SOFTWARE\Lanternix" of either root is not among them.
std::span<const std::pair<RegRoot, std::wstring_view>> RecordKeys();

// Called before a write below key in root (HKEY_CURRENT_USER or the machine's, classes
// included): records each level of key that does not exist yet as the setup's creation. Records
// are only ever added, so a re-installation keeps what the first one made.
void RecordCreatedKeys(Registry& registry, RegRoot root, std::wstring_view key);
// The keys recorded for root (RegRoot::CurrentUser or RegRoot::LocalMachine), deepest first.
std::vector<std::wstring> CreatedKeysOf(Registry& registry, RegRoot root);

// "Lanternix.<stem>", compared without regard to case.
bool IsLanternixProgId(std::wstring_view value);

// Reads a string value; none when its key or the value is missing.
std::optional<std::wstring> ReadRegistryString(Registry& registry, const RegistryValueName& name);

// Called just before the setup overwrites the association: records the current value when it
// exists, is not Lanternix's own, and no earlier record exists, so a re-installation never
// replaces the first installation's record with Lanternix's own value.
void RecordEarlierAssociation(Platform& platform, AssociationPlace place, std::wstring_view extension);

// Called just before the setup writes NoOpenWith for a packaged application: records that the
// value is the setup's when it did not exist yet.
void RecordAddedNoOpenWith(Platform& platform, std::wstring_view progId);

}  // namespace lanternix
