// Small queries and path routines shared by the start-up, the engine and the wizard. None keeps
// state or shows anything; failure shows in the result or a documented fallback.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "model/number_text.h"
#include "model/os_version_class.h"
#include "platform/platform.h"

namespace lanternix {

OsVersionClass ClassifyOsVersion(const OsVersionRecord& version);
// RtlGetVersion first, GetVersionExW only when that is missing or fails; computed afresh each call.
OsVersionClass QueryOsVersionClass(SystemInfo& system);

// Equal texts when letters are compared without their case (towlower, as the C runtime has it).
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b);
// "\" and "/" both separate path levels, in file names typed by users and in archive entries.
template <typename Char>
constexpr bool IsPathSeparator(Char ch) {
  return ch == Char('\\') || ch == Char('/');
}

// Removes trailing spaces, then leading ones unless the text is 260 characters or longer.
void TrimSpaces(std::wstring& text);
// Adds "\" to a text of 1 to 258 characters that does not end in one.
void AppendBackslash(std::wstring& text);

struct PathParts {
  std::wstring drive;      // "C:" or empty
  std::wstring directory;  // up to and including the last "\" or "/"
  std::wstring name;
  std::wstring extension;  // from the last "." of the file part
};
PathParts SplitPath(std::wstring_view path);
// The folder an installation's links and registry entries name: the destination trimmed, with
// a final "\" however long it is.
std::wstring InstallFolderOf(std::wstring_view destinationFolder);
// Drive and directory of the path with a final "\"; empty for an empty path.
std::wstring FolderOfPath(std::wstring_view path);

// Whether two paths name the same file or folder: both in canonical form (FileSystem's
// CanonicalPath), letters compared without case as the file system does, a final "\" not counting.
bool IsSamePath(FileSystem& files, std::wstring_view a, std::wstring_view b);
// Whether path is folder itself or lies anywhere below it, compared the same way.
bool IsSameOrInsidePath(FileSystem& files, std::wstring_view path, std::wstring_view folder);

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
