// One complete installation, in a fixed order: destination checks, the icon-library decision,
// extraction, the INI file, the association question, registration, the Unicode INI file.
#pragma once

#include "model/install_options.h"
#include "platform/platform.h"

namespace lanternix {

// String-table ids of the driver's messages.
inline constexpr unsigned kMessageInvalidDestination = 5;
inline constexpr unsigned kMessageCantInstallFiles = 7;
inline constexpr unsigned kMessageChangeAssociations = 9;
inline constexpr unsigned kMessageCantCreateDestination = 11;

// A destination longer than this (trimmed, with its final "\") would not leave room in the
// 260-character link targets and registry commands built from it.
inline constexpr std::size_t kMaxDestinationChars = 240;

// 1 when the installation ran through its last step; 0 when it stopped at a destination check
// or the extraction, after the failure was shown (wizard) or logged (silent). In silent mode an
// empty iniFolder may receive the per-user default.
int RunInstall(Platform& platform, InstallOptions& options);

}  // namespace lanternix
