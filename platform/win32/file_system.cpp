#include "platform/win32/handles.h"

#include <sddl.h>

#include <string>

#include "platform/text_limits.h"
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

bool IsKnownSid(const wchar_t* sidText) {
  PSID sid = nullptr;
  if (!ConvertStringSidToSidW(sidText, &sid)) return false;
  const UniqueLocal owned(sid);
  wchar_t name[kShortTextChars] = {}, domain[kShortTextChars] = {};
  DWORD nameChars = kShortTextChars, domainChars = kShortTextChars;
  SID_NAME_USE use{};
  return LookupAccountSidW(nullptr, sid, name, &nameChars, domain, &domainChars, &use) != 0;
}

// Program Files' list: full control for SYSTEM and Administrators, read and execute for Users,
// TrustedInstaller and the two application-package groups, all inherited by subfolders and
// files; "P" keeps out whatever the parent would pass on. A SID the system does not know (the
// package groups before Windows 8, TrustedInstaller before Vista) gets no entry.
std::wstring ProtectedFolderDescriptor() {
  static constexpr const wchar_t* kReadersWhereKnown[] = {
      L"S-1-5-80-956008885-3418522649-1831038044-1853292631-2271478464",  // TrustedInstaller
      L"S-1-15-2-1",                                                      // ALL APPLICATION PACKAGES
      L"S-1-15-2-2",  // ALL RESTRICTED APPLICATION PACKAGES
  };
  std::wstring text = L"D:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";
  for (const wchar_t* sidText : kReadersWhereKnown)
    if (IsKnownSid(sidText)) text += std::wstring(L"(A;OICI;0x1200a9;;;") + sidText + L")";
  return text;
}

FolderCreation CreateFolderWith(const std::wstring& path, SECURITY_ATTRIBUTES* attributes) {
  if (CreateDirectoryW(path.c_str(), attributes)) return FolderCreation::Created;
  switch (GetLastError()) {
    case ERROR_ALREADY_EXISTS: return FolderCreation::AlreadyExists;
    case ERROR_PATH_NOT_FOUND: return FolderCreation::ParentMissing;
    default: return FolderCreation::Failed;
  }
}

using GetFinalPathNameFunction = DWORD(WINAPI*)(HANDLE, LPWSTR, DWORD, DWORD);

// The path the file system actually reached through the handle, links resolved, as "C:\..." or
// "\\server\share\..."; none before Vista, which has no way to ask.
std::optional<std::wstring> ReachedPath(HANDLE handle) {
  const auto getFinalPathName = reinterpret_cast<GetFinalPathNameFunction>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleW(L"kernel32.dll"), "GetFinalPathNameByHandleW")));
  if (!getFinalPathName) return std::nullopt;
  const DWORD needed = getFinalPathName(handle, nullptr, 0, 0);
  if (needed == 0) return std::wstring();
  std::wstring path(needed, L'\0');
  const DWORD written = getFinalPathName(handle, path.data(), needed, 0);
  if (written == 0 || written >= needed) return std::wstring();
  path.resize(written);
  if (path.starts_with(L"\\\\?\\UNC\\")) return L"\\" + path.substr(7);
  if (path.starts_with(L"\\\\?\\")) return path.substr(4);
  return path;
}

// The folder's own reached path (links above the installation are the owner's business); empty
// when it can't be opened, none before Vista.
std::optional<std::wstring> ReachedFolder(const std::wstring& folder) {
  UniqueFile handle(CreateFileW(folder.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return std::wstring();
  std::optional<std::wstring> reached = ReachedPath(handle.Get());
  if (reached && !reached->empty() && reached->back() == L'\\') reached->pop_back();
  return reached;
}

// Where a file of that name must be reached: its folder as the system reaches it (links above
// are the owner's business) and the name; none when that can't be told.
std::optional<std::wstring> ExpectedReachedPath(const std::wstring& path) {
  const DWORD needed = GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);
  if (needed == 0) return std::nullopt;
  std::wstring full(needed, L'\0');
  wchar_t* name = nullptr;
  const DWORD written = GetFullPathNameW(path.c_str(), needed, full.data(), &name);
  if (written == 0 || written >= needed || !name) return std::nullopt;
  const auto nameStart = static_cast<std::size_t>(name - full.data());
  full.resize(written);
  const std::optional<std::wstring> folder = ReachedFolder(full.substr(0, nameStart));
  if (!folder || folder->empty()) return std::nullopt;
  return *folder + L"\\" + full.substr(nameStart);
}

// True when a level of relative below folder (the file itself included) exists as a reparse
// point: a junction, a mount point or a symbolic link.
bool LevelIsLink(const std::wstring& folder, const std::wstring& relative) {
  for (std::size_t end = relative.find(L'\\');; end = relative.find(L'\\', end + 1)) {
    const std::wstring level = folder + relative.substr(0, end);
    const DWORD attributes = GetFileAttributesW(level.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0)
      return true;
    if (end == std::wstring::npos) return false;
  }
}

bool SamePath(const std::wstring& a, const std::wstring& b) {
  return CompareStringW(LOCALE_INVARIANT, NORM_IGNORECASE, a.c_str(), static_cast<int>(a.size()), b.c_str(),
                        static_cast<int>(b.size())) == CSTR_EQUAL;
}

// Whether the handle reached exactly the expected path; true when there is nothing to compare.
bool ReachedExpected(HANDLE handle, const std::optional<std::wstring>& expected) {
  if (!expected) return true;
  const std::optional<std::wstring> reached = ReachedPath(handle);
  return !reached || SamePath(*reached, *expected);
}

enum class OtherNames { Refuse, Replace };

// Opens path for writing (existing or new, not truncated) without following a link: the name
// itself is opened, and a reparse point, a folder, or a file reached elsewhere than expected is
// refused. A file that other hard links share is refused, or loses this name and is created anew.
UniqueFile OpenWithoutFollowing(const std::wstring& path, DWORD access, OtherNames otherNames,
                                const std::optional<std::wstring>& expected) {
  for (int attempt = 0; attempt < 2; ++attempt) {
    UniqueFile file(CreateFileW(path.c_str(), access, kShareReadWrite, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
    if (!file) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND) return {};
      // CREATE_NEW fails on any name that appeared in between, a planted link included.
      UniqueFile created(CreateFileW(path.c_str(), access, kShareReadWrite, nullptr, CREATE_NEW,
                                     FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
      if (!created || ReachedExpected(created.Get(), expected)) return created;
      // Made through a level swapped for a link: it goes again, from where it was made.
      const std::optional<std::wstring> reached = ReachedPath(created.Get());
      created.Reset();
      if (reached && !reached->empty()) DeleteFileW(reached->c_str());
      return {};
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (!GetFileInformationByHandle(file.Get(), &info) ||
        (info.dwFileAttributes & (FILE_ATTRIBUTE_REPARSE_POINT | FILE_ATTRIBUTE_DIRECTORY)) != 0 ||
        !ReachedExpected(file.Get(), expected))
      return {};
    if (info.nNumberOfLinks <= 1) return file;
    if (otherNames == OtherNames::Refuse) return {};
    file.Reset();
    // Only this name goes; the other names keep the old content.
    if (!DeleteFileW(path.c_str())) return {};
  }
  return {};
}

}  // namespace

FolderCreation Win32FileSystem::CreateFolder(std::wstring_view path) {
  return CreateFolderWith(std::wstring(path), nullptr);
}

FolderCreation Win32FileSystem::CreateProtectedFolder(std::wstring_view path) {
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(ProtectedFolderDescriptor().c_str(),
                                                            SDDL_REVISION_1, &descriptor, nullptr))
    return FolderCreation::Failed;
  const UniqueLocal owned(descriptor);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, descriptor, FALSE};
  return CreateFolderWith(std::wstring(path), &attributes);
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
  UniqueFile file = OpenWithoutFollowing(text, FILE_APPEND_DATA, OtherNames::Refuse, ExpectedReachedPath(text));
  if (!file) return nullptr;
  return std::make_unique<Win32OutputFile>(std::move(file));
}

std::unique_ptr<OutputFile> Win32FileSystem::OpenInstallationFile(std::wstring_view folder,
                                                                  std::wstring_view relativePath) {
  std::wstring relative(relativePath);
  for (auto& ch : relative)
    if (ch == L'/') ch = L'\\';
  std::wstring path(folder);
  if (!path.empty() && path.back() != L'\\') path.push_back(L'\\');
  if (LevelIsLink(path, relative)) return nullptr;
  if (reachedFolderText_ != path || !reachedFolder_) {
    reachedFolderText_ = path;
    reachedFolder_ = ReachedFolder(path);
  }
  // Where the system can tell, the file must be reached exactly where its name says: a level
  // swapped for a link after the check above shows here, before anything is written.
  std::optional<std::wstring> expected;
  if (reachedFolder_ && !reachedFolder_->empty()) expected = *reachedFolder_ + L"\\" + relative;
  UniqueFile file = OpenWithoutFollowing(path + relative, GENERIC_WRITE, OtherNames::Replace, expected);
  // Only now, with the file known to be the installation's own: emptied as "wb" would.
  if (!file || !SetEndOfFile(file.Get())) return nullptr;
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
