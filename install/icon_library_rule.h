// Whether the installed icon library stays: one that is newer than the payload's 4.30, or that
// does not come from the publisher, is left alone.
#pragma once

#include <string>

#include "model/product.h"
#include "platform/platform.h"

namespace lanternix {

inline constexpr std::wstring_view kIconLibraryVersion = L"4.30";
// The size of an unsigned build's library; the payload's own entry is what counts.
inline constexpr std::int32_t kIconLibrarySize = 226816;
// The payload's icon library, as the archive names it.
inline constexpr std::wstring_view kIconLibraryEntry = L"Plugins/Icons.dll";

// Version text as a number: read as a decimal up to the first character that can't continue
// it, then times 1000 in single precision, truncated ("4.30" gives 4300).
int VersionThousandths(SystemInfo& system, std::wstring_view versionText);

// 1 to keep the installed library at iconLibraryPath, 0 to let the payload's replace it.
int DecideKeepExistingIconLibrary(Platform& platform, const std::wstring& iconLibraryPath);

}  // namespace lanternix
