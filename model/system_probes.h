// Small queries of the system shared by the start-up, the engine and the wizard: the Windows
// version, the default and existing installation folders, file versions and sizes. None keeps
// state or shows anything; failure shows in the result or a documented fallback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/number_text.h"
#include "model/os_version_class.h"
#include "model/path_text.h"
#include "platform/platform.h"

namespace lanternix {

OsVersionClass ClassifyOsVersion(const OsVersionRecord& version);
// RtlGetVersion first, GetVersionExW only when that is missing or fails; computed afresh each call.
OsVersionClass QueryOsVersionClass(SystemInfo& system);

// ProgramFilesDir + "Lanternix" (no final "\"), or "C:\Lanternix\" when the registry can't tell.
std::wstring GetDefaultInstallFolder(Registry& registry);
// The folder of the viewer that the registered open command starts, with its final "\".
std::optional<std::wstring> FindExistingInstallFolder(Registry& registry);

// "%d.%d%d" of the product version's major and minor and the file version's third part.
std::wstring FormatFileVersion(const FixedFileVersion& fixed);
// False when the file has no readable version resource; versionOut is then left as it was.
bool QueryFileVersion(VersionResources& versions, std::wstring_view path, std::wstring& versionOut,
                      std::wstring* companyOut);
// The file's size as a signed 32-bit count; 0 for an empty path or a file that can't be opened.
std::int32_t QueryFileSize(FileSystem& files, std::wstring_view path);

}  // namespace lanternix
