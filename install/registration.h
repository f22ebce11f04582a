// The registration of an installed viewer: shortcuts, the application and class keys, the
// folder and drive verb, the uninstall entry, the capabilities, the file associations and the
// shell notifications.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "model/format_catalogue.h"
#include "platform/platform.h"

namespace lanternix {

// destinationFolder is the folder as the driver holds it, not yet trimmed. associationsConfirmed
// is 0 only when the user answered No to the association question. Returns 1 in every case;
// a step that fails leaves its piece missing.
int RegisterApplication(Platform& platform, int associationsConfirmed, int changeAssociations,
                        std::wstring_view destinationFolder, int startMenuGroup, int desktopShortcut,
                        int thumbnailsShortcut, int allUsers,
                        std::span<const std::int32_t, kAssociationSlots> associationSelection,
                        int associateForAllUsers);

}  // namespace lanternix
