// Creating folders level by level: the destination, "Plugins", the INI folder, the Start-menu
// group and the folders of archive entries.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

// Creates every level of path; 0 when the path is empty or a level's parent is missing.
int CreateFolderChain(FileSystem& files, std::wstring_view path);

// Whether "." and ".." levels are resolved. A text with %NAME% references keeps them: a
// reference may stand for several levels, so its ".." means something only once expanded.
enum class DotLevels { Resolve, Keep };

// The folder text CreateDirectoryTree makes of folder: spaces trimmed, every level without
// trailing spaces, "/" read as "\", "." and ".." levels resolved below the drive or share, a
// final "\"; at most its first 259 characters. Empty when only spaces remain.
std::wstring NormaliseFolderText(std::wstring_view folder, DotLevels dots = DotLevels::Resolve);

// The same folder written as typed otherwise: a final "\" only where the text had one (a drive
// root keeps its own). A text too long to be created stays as it is.
std::wstring FolderTextAsCreated(std::wstring_view folder, DotLevels dots = DotLevels::Resolve);

// What the levels a call creates may be given: what their parent passes on, or the protected
// list of FileSystem::CreateProtectedFolder.
enum class FolderAccess { Inherited, Protected };

// Normalises path in place (NormaliseFolderText) and creates what is missing. 1 when the folder
// can be entered afterwards. The current folder is never left changed. Every later use of the
// folder must take the normalised text: the typed one may name another folder. outermostCreated,
// when given, receives the outermost level this call created (empty when it created none).
// Protected access applies to every level this call creates, so no created level above the
// installation can be renamed and replaced by whoever its parent lets modify it.
int CreateDirectoryTree(FileSystem& files, std::wstring& path, std::wstring* outermostCreated = nullptr,
                        FolderAccess access = FolderAccess::Inherited);

}  // namespace lanternix
