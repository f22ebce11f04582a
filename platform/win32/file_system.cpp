#include <string>

#include "platform/text_limits.h"
#include "platform/win32/handles.h"
#include "platform/win32/win32_platform.h"

#include <minizip/ioapi.h>
#include <minizip/iowin32.h>

namespace lanternix::win32 {

namespace {

class Win32OutputFile final : public OutputFile {
public:
  explicit Win32OutputFile(UniqueFile file) : file_(std::move(file)) {}

  std::size_t Write(const void* data, std::size_t size) override {
    DWORD written = 0;
    if (!file_ || !WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr)) return 0;
    return written;
  }

  bool Close() override {
    const bool open = static_cast<bool>(file_);
    file_.Reset();
    return open;
  }

private:
  UniqueFile file_;
};

// The C runtime's "wb" and "ab" share the file for reading and writing; so do these.
constexpr DWORD kShareReadWrite = FILE_SHARE_READ | FILE_SHARE_WRITE;

}  // namespace

FolderCreation Win32FileSystem::CreateFolder(std::wstring_view path) {
  const std::wstring text(path);
  if (CreateDirectoryW(text.c_str(), nullptr)) return FolderCreation::Created;
  switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS: return FolderCreation::AlreadyExists;
    case ERROR_PATH_NOT_FOUND: return FolderCreation::ParentMissing;
    default: return FolderCreation::Failed;
  }
}

std::wstring Win32FileSystem::CurrentFolder() {
  wchar_t buffer[kShortTextChars] = {};
  const DWORD length = GetCurrentDirectoryW(kShortTextChars, buffer);
  return length < kShortTextChars ? std::wstring(buffer, length) : std::wstring();
}

bool Win32FileSystem::SetCurrentFolder(std::wstring_view path) {
  const std::wstring text(path);
  return SetCurrentDirectoryW(text.c_str()) != 0;
}

std::unique_ptr<OutputFile> Win32FileSystem::OpenForWriting(std::wstring_view path) {
  const std::wstring text(path);
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32OutputFile>(std::move(file));
}

std::unique_ptr<OutputFile> Win32FileSystem::OpenForAppending(std::wstring_view path) {
  const std::wstring text(path);
  UniqueFile file(CreateFileW(text.c_str(), FILE_APPEND_DATA, kShareReadWrite, nullptr, OPEN_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32OutputFile>(std::move(file));
}

std::optional<std::vector<std::uint8_t>> Win32FileSystem::ReadAll(std::wstring_view path) {
  const std::wstring text(path);
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size.QuadPart));
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size()))
    return std::nullopt;
  return bytes;
}

bool Win32FileSystem::Remove(std::wstring_view path) {
  const std::wstring text(path);
  return DeleteFileW(text.c_str()) != 0;
}

bool Win32FileSystem::MoveReplacing(std::wstring_view from, std::wstring_view to) {
  const std::wstring fromText(from), toText(to);
  return MoveFileExW(fromText.c_str(), toText.c_str(),
                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) != 0;
}

bool Win32FileSystem::SetFileTimesFromDos(std::wstring_view path, std::uint32_t dosDateTime) {
  const std::wstring text(path);
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              0, nullptr));
  if (!file) return false;
  FILETIME created{}, accessed{}, written{};
  GetFileTime(file.Get(), &created, &accessed, &written);
  FILETIME local{}, utc{};
  DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                        &local);
  LocalFileTimeToFileTime(&local, &utc);
  return SetFileTime(file.Get(), &utc, &accessed, &utc) != 0;
}

std::optional<std::int64_t> Win32FileSystem::FileSize(std::wstring_view path) {
  const std::wstring text(path);
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_READ, kShareReadWrite, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  LARGE_INTEGER size{};
  if (!file || !GetFileSizeEx(file.Get(), &size)) return std::nullopt;
  return size.QuadPart;
}

std::wstring Win32FileSystem::TempFolder() {
  wchar_t buffer[kLongTextChars] = {};
  const DWORD length = GetTempPathW(kLongTextChars - 1, buffer);
  return length < kLongTextChars - 1 ? std::wstring(buffer, length) : std::wstring();
}

void Win32FileSystem::FillArchiveFunctions(zlib_filefunc64_def_s& table) {
  fill_win32_filefunc64W(&table);
}

ArchiveOpenName Win32FileSystem::ArchiveName(std::wstring_view path) {
  return ArchiveOpenName{std::wstring(path), {}};
}

}  // namespace lanternix::win32
