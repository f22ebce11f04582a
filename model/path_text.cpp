#include "model/path_text.h"

#include <algorithm>
#include <cwctype>

#include "platform/text_limits.h"

namespace lanternix {

bool EndsWithBackslash(std::wstring_view text) {
  return !text.empty() && text.back() == L'\\';
}

bool EqualIgnoringCase(std::wstring_view a, std::wstring_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](wchar_t x, wchar_t y) {
           return std::towlower(static_cast<wint_t>(x)) == std::towlower(static_cast<wint_t>(y));
         });
}

void TrimSpaces(std::wstring& text) {
  if (text.empty()) return;
  text.erase(text.find_last_not_of(L' ') + 1);
  if (!text.empty() && text.front() == L' ' && text.size() < kShortTextChars)
    text.erase(0, text.find_first_not_of(L' '));
}

void AppendBackslash(std::wstring& text) {
  if (!text.empty() && text.size() <= kShortTextChars - 2 && !EndsWithBackslash(text)) text.push_back(L'\\');
}

PathParts SplitPath(std::wstring_view path) {
  PathParts parts;
  if (path.size() >= 2 && path[1] == L':') {
    parts.drive = path.substr(0, 2);
    path.remove_prefix(2);
  }
  const auto lastSeparator = path.find_last_of(L"\\/");
  if (lastSeparator != std::wstring_view::npos) {
    parts.directory = path.substr(0, lastSeparator + 1);
    path.remove_prefix(lastSeparator + 1);
  }
  const auto dot = path.find_last_of(L'.');
  parts.name = path.substr(0, dot);
  if (dot != std::wstring_view::npos) parts.extension = path.substr(dot);
  return parts;
}

std::wstring InstallFolderOf(std::wstring_view destinationFolder) {
  std::wstring folder(destinationFolder);
  TrimSpaces(folder);
  if (folder.empty() || folder.back() != L'\\') folder.push_back(L'\\');
  return folder;
}

std::wstring FolderOfPath(std::wstring_view path) {
  if (path.empty()) return {};
  const PathParts parts = SplitPath(path);
  std::wstring folder = parts.drive + parts.directory;
  AppendBackslash(folder);
  return folder;
}

namespace {

std::wstring ComparablePath(FileSystem& files, std::wstring_view path) {
  std::wstring canonical = files.CanonicalPath(path);
  while (!canonical.empty() && IsPathSeparator(canonical.back())) canonical.pop_back();
  return canonical;
}

}  // namespace

bool IsSamePath(FileSystem& files, std::wstring_view a, std::wstring_view b) {
  return EqualIgnoringCase(ComparablePath(files, a), ComparablePath(files, b));
}

bool IsSameOrInsidePath(FileSystem& files, std::wstring_view path, std::wstring_view folder) {
  const std::wstring inner = ComparablePath(files, path), outer = ComparablePath(files, folder);
  if (outer.empty()) return false;
  if (inner.size() == outer.size()) return EqualIgnoringCase(inner, outer);
  return inner.size() > outer.size() && inner[outer.size()] == L'\\' &&
         EqualIgnoringCase(std::wstring_view(inner).substr(0, outer.size()), outer);
}

}  // namespace lanternix
