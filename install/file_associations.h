// Registers the viewer as the handler of the catalogue's file extensions: ProgID class keys under
// the machine's classes, per-user "FileExts" keys on Windows XP, capability entries, machine
// defaults and "UserChoice" keys from Windows 6.0 on.
#pragma once

#include <memory>
#include <span>
#include <string>
#include <string_view>

#include "model/format_catalogue.h"
#include "model/os_version_class.h"
#include "platform/platform.h"

namespace lanternix {

// "Lanternix." followed by the stem.
std::wstring ProgIdOf(std::wstring_view progIdStem);
// "Lanternix <STEM> File".
std::wstring ProgIdDescriptionOf(std::wstring_view progIdStem);
// The row's DefaultIcon text for a viewer at exePath.
std::wstring IconSpecOf(IconKind iconKind, std::wstring_view exePath);

// Since Windows 8 a UserChoice key carries a hash that only the system's own settings can
// compute: a key recreated with "Progid" alone is discarded, the extension goes back to the
// system's default app and the user's earlier choice is lost. Only Vista and 7 take the key.
bool WritesUserChoice(OsVersionClass osVersion);

// The keys every extension's entries go below, open for the whole pass; null where a key can't be
// opened (a user without administrator rights, the capabilities missing before Vista).
struct AssociationKeys {
  std::unique_ptr<RegistryKey> classes;       // the machine's SOFTWARE\Classes
  std::unique_ptr<RegistryKey> capabilities;  // the native view's Capabilities\FileAssociations
};

AssociationKeys OpenAssociationKeys(Registry& registry);

// Walks the catalogue in order. On Windows XP and older only selected rows are written; from
// Windows 6.0 on every row is. associationsConfirmed is 0 when the user declined to change the
// current associations: the pass then writes class keys and capability entries only.
// writeUserChoice comes from WritesUserChoice.
void RunAssociationPass(Platform& platform, std::wstring_view openCommand, std::wstring_view exePath,
                        int isWindowsXp, bool isVistaOrLater, bool writeUserChoice, int associateForAllUsers,
                        std::span<const std::int32_t, kAssociationSlots> associationSelection,
                        int associationsConfirmed);

// associationsConfirmed 0 keeps the forced machine default of jpg, png and tif from being written.
void WriteExtensionAssociation(Platform& platform, const AssociationKeys& keys, std::wstring_view extension,
                               std::wstring_view progIdStem, std::wstring_view openCommand,
                               std::wstring_view iconSpec, int isWindowsXp, bool isVistaOrLater,
                               bool writeUserChoice, int associateForAllUsers, int selected,
                               int associationsConfirmed);

void AddCapabilityAssociation(RegistryKey* capabilities, std::wstring_view extension,
                              std::wstring_view progIdStem);

// Hides five packaged applications of Windows 10 from the shell's choice of handlers.
void HideStoreAppsOpenWith(Platform& platform);

}  // namespace lanternix
