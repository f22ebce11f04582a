// Takes back the registry entries of an installation: associations (restoring the values they
// replaced), ProgID and application classes, the folder and drive verb, the capabilities, the
// NoOpenWith values, the uninstall entry and the setup's own records.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/platform.h"

namespace lanternix {

// The folder the uninstall entry names (InstallLocation); none when there is no entry.
std::optional<std::wstring> RegisteredInstallFolder(Platform& platform);

// Whether the registration belongs to the installation in installFolder (ending in "\"): the
// uninstall entry is missing or names that folder, however either was typed. A later
// installation elsewhere keeps its own.
bool RegistrationBelongsTo(Platform& platform, std::wstring_view installFolder);

// Removes what is still the setup's and adds a line to leftOver for each key or value that
// should go but can't. Notifies the shell that associations changed.
void RemoveRegistration(Platform& platform, std::vector<std::wstring>& leftOver);

}  // namespace lanternix
