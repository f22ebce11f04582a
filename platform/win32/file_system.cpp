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

  bool SetTimesFromDos(std::uint32_t dosDateTime) override {
    FILETIME local{}, utc{};
    if (!file_ ||
        !DosDateTimeToFileTime(static_cast<WORD>(dosDateTime >> 16), static_cast<WORD>(dosDateTime & 0xFFFF),
                               &local) ||
        !LocalFileTimeToFileTime(&local, &utc))
      return false;
    // No last-access time: it stays as it is.
    return SetFileTime(file_.Get(), &utc, nullptr, &utc) != 0;
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

// Written and then read back through the one handle it was created with. Sharing only reading
// keeps every other opener from writing, renaming or deleting it; the system deletes it when
// that handle closes, however the setup ends.
class Win32ScratchFile final : public ScratchFile {
 public:
  explicit Win32ScratchFile(UniqueFile file) : file_(std::move(file)) {}

  std::size_t Write(const void* data, std::size_t size) override {
    DWORD written = 0;
    if (!WriteFile(file_.Get(), data, static_cast<DWORD>(size), &written, nullptr)) return 0;
    return written;
  }

  void FillArchiveFunctions(zlib_filefunc64_def_s& table) override {
    table.zopen64_file = &Open;
    table.zread_file = &Read;
    table.zwrite_file = &WriteNothing;
    table.ztell64_file = &Tell;
    table.zseek64_file = &Seek;
    table.zclose_file = &CloseNothing;
    table.zerror_file = &Error;
    table.opaque = this;
  }

  ArchiveOpenName ArchiveName() override { return ArchiveOpenName{L"held", {}}; }

 private:
  static HANDLE HandleOf(voidpf stream) { return static_cast<Win32ScratchFile*>(stream)->file_.Get(); }

  // The stream minizip works on is this object; opening rewinds the held handle.
  static voidpf ZCALLBACK Open(voidpf opaque, const void*, int) {
    LARGE_INTEGER start{};
    return SetFilePointerEx(HandleOf(opaque), start, nullptr, FILE_BEGIN) ? opaque : nullptr;
  }
  static uLong ZCALLBACK Read(voidpf, voidpf stream, void* buffer, uLong size) {
    DWORD read = 0;
    if (!ReadFile(HandleOf(stream), buffer, size, &read, nullptr)) return 0;
    return read;
  }
  static uLong ZCALLBACK WriteNothing(voidpf, voidpf, const void*, uLong) { return 0; }
  static ZPOS64_T ZCALLBACK Tell(voidpf, voidpf stream) {
    LARGE_INTEGER zero{}, position{};
    if (!SetFilePointerEx(HandleOf(stream), zero, &position, FILE_CURRENT)) return static_cast<ZPOS64_T>(-1);
    return static_cast<ZPOS64_T>(position.QuadPart);
  }
  static long ZCALLBACK Seek(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    DWORD method = FILE_BEGIN;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR)
      method = FILE_CURRENT;
    else if (origin == ZLIB_FILEFUNC_SEEK_END)
      method = FILE_END;
    LARGE_INTEGER distance{};
    distance.QuadPart = static_cast<LONGLONG>(offset);
    return SetFilePointerEx(HandleOf(stream), distance, nullptr, method) ? 0 : -1;
  }
  // The handle stays open for the caller; closing it is this object's end.
  static int ZCALLBACK CloseNothing(voidpf, voidpf) { return 0; }
  static int ZCALLBACK Error(voidpf, voidpf) { return 0; }

  UniqueFile file_;
};

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

std::unique_ptr<ScratchFile> Win32FileSystem::CreateScratchFile(std::wstring_view path) {
  const std::wstring text(path);
  // Deleting a leftover first and then insisting on a new file means a name planted in between
  // (a link to another file included) makes the creation fail instead of being written through.
  DeleteFileW(text.c_str());
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                              CREATE_NEW, FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr));
  if (!file) return nullptr;
  return std::make_unique<Win32ScratchFile>(std::move(file));
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

bool Win32FileSystem::ClearReadOnly(std::wstring_view path) {
  const std::wstring text(path);
  const DWORD attributes = GetFileAttributesW(text.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  if ((attributes & FILE_ATTRIBUTE_READONLY) == 0) return true;
  return SetFileAttributesW(text.c_str(), attributes & ~DWORD{FILE_ATTRIBUTE_READONLY}) != 0;
}

std::wstring Win32FileSystem::CanonicalPath(std::wstring_view path) {
  const std::wstring text(path);
  const DWORD fullChars = GetFullPathNameW(text.c_str(), 0, nullptr, nullptr);
  if (fullChars == 0) return text;
  std::wstring full(fullChars, L'\0');
  full.resize(GetFullPathNameW(text.c_str(), fullChars, full.data(), nullptr));
  // An 8.3 level becomes its long name; a path that no longer exists keeps its full form.
  const DWORD longChars = GetLongPathNameW(full.c_str(), nullptr, 0);
  if (longChars == 0) return full;
  std::wstring longPath(longChars, L'\0');
  const DWORD written = GetLongPathNameW(full.c_str(), longPath.data(), longChars);
  if (written == 0 || written >= longChars) return full;
  longPath.resize(written);
  return longPath;
}

bool Win32FileSystem::RemoveFolder(std::wstring_view path) {
  const std::wstring text(path);
  return RemoveDirectoryW(text.c_str()) != 0;
}

bool Win32FileSystem::IsLink(std::wstring_view path) {
  const std::wstring text(path);
  // GetFileAttributesW reports the link's own attributes, not its target's.
  const DWORD attributes = GetFileAttributesW(text.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

std::uint32_t Win32FileSystem::LinkCount(std::wstring_view path) {
  const std::wstring text(path);
  // No access beyond the attributes, and the name itself opened rather than what a link names.
  const UniqueFile file{CreateFileW(
      text.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
      OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr)};
  BY_HANDLE_FILE_INFORMATION information{};
  if (!file || !GetFileInformationByHandle(file.Get(), &information)) return 0;
  return information.nNumberOfLinks;
}

bool Win32FileSystem::RemoveLink(std::wstring_view path) {
  const std::wstring text(path);
  const DWORD attributes = GetFileAttributesW(text.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return false;
  // A junction or a folder's symbolic link goes with RemoveDirectoryW, which removes the link
  // and never empties its target; a file's symbolic link with DeleteFileW.
  if (attributes & FILE_ATTRIBUTE_DIRECTORY) return RemoveDirectoryW(text.c_str()) != 0;
  return DeleteFileW(text.c_str()) != 0;
}

bool Win32FileSystem::FileExists(std::wstring_view path) {
  const std::wstring text(path);
  const DWORD attributes = GetFileAttributesW(text.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool Win32FileSystem::IsHeldOpen(std::wstring_view path) {
  const std::wstring text(path);
  // Opened the way the extraction opens it, but without truncating: what fails here would fail
  // there. A running program's image refuses write access the same way.
  UniqueFile file(CreateFileW(text.c_str(), GENERIC_WRITE, kShareReadWrite, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
  const DWORD error = GetLastError();
  return !file && error == ERROR_SHARING_VIOLATION;
}

bool Win32FileSystem::MoveReplacing(std::wstring_view from, std::wstring_view to) {
  const std::wstring fromText(from), toText(to);
  return MoveFileExW(fromText.c_str(), toText.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_COPY_ALLOWED) !=
         0;
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
