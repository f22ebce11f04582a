#include "install/folder_creation.h"

#include "model/system_probes.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

// Whether the folder can be made current, leaving the current folder as it was.
bool CanEnter(FileSystem& files, std::wstring_view folder) {
  const std::wstring remembered = files.CurrentFolder();
  if (!files.SetCurrentFolder(folder)) return false;
  files.SetCurrentFolder(remembered);
  return true;
}

}  // namespace

int CreateFolderChain(FileSystem& files, std::wstring_view path) {
  if (path.empty()) return 0;
  std::wstring copy(path);
  if (copy.back() == L'/') copy.pop_back();
  if (files.CreateFolder(copy) == FolderCreation::Created) return 1;
  for (std::size_t i = 1; i <= copy.size(); ++i) {
    if (i < copy.size() && !IsPathSeparator(copy[i])) continue;
    // Existing levels and the drive itself fail harmlessly; only a missing parent ends the walk.
    if (files.CreateFolder(std::wstring_view(copy).substr(0, i)) == FolderCreation::ParentMissing) return 0;
  }
  return 1;
}

std::wstring NormaliseFolderText(std::wstring_view folder) {
  std::wstring path(folder);
  TrimSpaces(path);
  if (path.empty()) return path;
  AppendBackslash(path);

  std::wstring work;
  std::size_t start = 0;
  if (path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\') {
    work = L"\\\\";
    start = 2;
  }
  const std::size_t end = std::min(path.size(), kShortTextChars);
  for (std::size_t i = start; i < end; ++i) {
    if (path[i] != L'\\') {
      work.push_back(path[i]);
      continue;
    }
    // Windows keeps the trailing spaces of inner levels: "C:\A \B" lies in a folder "A ", which
    // nobody meant.
    TrimSpaces(work);
    AppendBackslash(work);
  }
  CutToBuffer(work, kShortTextChars);
  AppendBackslash(work);
  return work;
}

int CreateDirectoryTree(FileSystem& files, std::wstring& path, std::wstring* outermostCreated,
                        FolderAccess access) {
  if (outermostCreated) outermostCreated->clear();
  if (path.empty()) return 0;
  path = NormaliseFolderText(path);
  if (path.empty()) return 0;
  if (CanEnter(files, path)) return 1;
  const std::size_t start = path.starts_with(L"\\\\") ? 2 : 0;
  // Windows takes "/" for "\" too, and the wizard's field accepts it: "C:/Apps/Viewer" must create
  // "C:/Apps" first.
  for (std::size_t i = start; i < path.size(); ++i) {
    if (!IsPathSeparator(path[i])) continue;
    const std::wstring level = path.substr(0, i);
    const FolderCreation created =
        access == FolderAccess::Protected ? files.CreateProtectedFolder(level) : files.CreateFolder(level);
    if (created == FolderCreation::Created && outermostCreated && outermostCreated->empty())
      *outermostCreated = level;
  }
  return CanEnter(files, path) ? 1 : 0;
}

}  // namespace lanternix
