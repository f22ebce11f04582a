// The one record that crosses from the command line or the wizard's pages into the engine: the
// choices of one installation.
#pragma once

#include <cstdint>
#include <string>

#include "model/format_catalogue.h"

namespace lanternix {

struct InstallOptions {
  // The folder as entered; may lack its final "\" or carry surrounding spaces.
  std::wstring destinationFolder;
  std::int32_t startMenuGroup = 0;
  std::int32_t desktopShortcut = 0;
  std::int32_t thumbnailsShortcut = 0;
  std::int32_t allUsers = 0;
  // Where the viewer's INI file goes; may hold %NAME% references; empty keeps it in the
  // program folder.
  std::wstring iniFolder;
  AssociationSelection associationSelection{};
  std::int32_t associateForAllUsers = 0;
  std::int32_t changeAssociations = 0;
  std::int32_t silent = 0;
  std::wstring messageCaption;
  // Set by the silent start-up for an update whose program-folder INI file holds the settings
  // itself: they stay there instead of moving to the per-user default.
  std::int32_t keepIniInProgramFolder = 0;
};

}  // namespace lanternix
