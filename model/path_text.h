// Path and text routines shared by the start-up, the engine, the wizard and the uninstaller:
// trimming, final backslashes, splitting a path, and comparing paths as the file system does.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

// Equal texts when letters are compared without their case (towlower, as the C runtime has it).
bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b);
// "\" and "/" both separate path levels, in file names typed by users and in archive entries.
template <typename Char>
constexpr bool IsPathSeparator(Char ch) {
  return ch == Char('\\') || ch == Char('/');
}

bool EndsWithBackslash(std::wstring_view text);
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

}  // namespace lanternix
