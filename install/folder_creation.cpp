#include "install/folder_creation.h"

#include <algorithm>
#include <vector>

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

namespace {

// How many leading levels a ".." can't climb above: the drive ("C:") or the server and share
// of a network path. Zero for a text without a root, whose dot levels stay as they are.
std::size_t RootLevels(std::wstring_view path) {
  if (path.starts_with(L"\\\\")) return 2;
  return path.size() >= 2 && path[1] == L':' ? 1 : 0;
}

}  // namespace

std::wstring NormaliseFolderText(std::wstring_view folder, DotLevels dots) {
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
  const std::size_t rootLevels = dots == DotLevels::Resolve ? RootLevels(path) : 0;
  // Where each level kept in work begins, so that a ".." can take the one before it back.
  std::vector<std::size_t> keptLevels;
  std::size_t levelStart = work.size();
  const std::size_t end = std::min(path.size(), kShortTextChars);
  for (std::size_t i = start; i < end; ++i) {
    if (!IsPathSeparator(path[i])) {
      work.push_back(path[i]);
      continue;
    }
    // Windows keeps the trailing spaces of inner levels: "C:\A \B" lies in a folder "A ", which
    // nobody meant.
    TrimSpaces(work);
    if (work.size() <= levelStart) continue;  // an empty level: a doubled separator
    const std::wstring_view level = std::wstring_view(work).substr(levelStart);
    // Resolved before any level is created, as Windows resolves them: creating "C:\X\..\Apps"
    // level by level would leave an empty "C:\X" behind, and the registration would name the
    // folder with its dots. A ".." never climbs above the drive or the share.
    if (rootLevels > 0 && (level == L"." || level == L"..")) {
      const bool up = level == L".." && keptLevels.size() > rootLevels;
      work.resize(levelStart);
      if (up) {
        levelStart = keptLevels.back();
        keptLevels.pop_back();
        work.resize(levelStart);
      }
      continue;
    }
    AppendBackslash(work);
    keptLevels.push_back(levelStart);
    levelStart = work.size();
  }
  CutToBuffer(work, kShortTextChars);
  AppendBackslash(work);
  return work;
}

std::wstring FolderTextAsCreated(std::wstring_view folder, DotLevels dots) {
  std::wstring written(folder);
  TrimSpaces(written);
  if (written.empty() || written.size() >= kShortTextChars) return written;
  const bool finalSeparator = IsPathSeparator(written.back());
  written = NormaliseFolderText(written, dots);
  if (!finalSeparator && written.size() > 1 && written.back() == L'\\' && written[written.size() - 2] != L':')
    written.pop_back();
  return written;
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
