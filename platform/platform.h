// The small platform interfaces the engine is written against. One implementation calls the
// real Win32 API (platform/win32), the other is the fake the host unit tests configure
// (platform/fake). Nothing here knows about windows, pages or the wizard.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct zlib_filefunc64_def_s;

namespace lanternix {

// ---------------------------------------------------------------- registry

// LocalMachine is HKEY_LOCAL_MACHINE in the view Windows gives this process: a 32-bit setup on
// 64-bit Windows reads and writes SOFTWARE\... under SOFTWARE\Wow6432Node (all but the shared
// classes). LocalMachineNative is the system's own view of the same hive, where the 64-bit shell
// looks; on 32-bit Windows the two are one.
enum class RegRoot { LocalMachine, CurrentUser, ClassesRoot, LocalMachineNative };

// Access masks, numerically as Windows defines them, so callers state what the Win32 call got.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyRead = 0x20019;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// An open key; closing it is the destructor's job.
class RegistryKey {
 public:
  virtual ~RegistryKey() = default;
  // A named REG_SZ value, stored with its terminating zero. An empty name is the default value.
  virtual bool SetString(std::wstring_view name, std::wstring_view value) = 0;
  virtual bool SetDword(std::wstring_view name, std::uint32_t value) = 0;
  // The value's text when it exists and fits in maxChars characters including the terminator.
  virtual std::optional<std::wstring> ReadString(std::wstring_view name, std::size_t maxChars) = 0;
  // RegDeleteValueW; false when the value does not exist or can't go.
  virtual bool DeleteValue(std::wstring_view name) = 0;
  // True when the key holds neither values nor subkeys (RegQueryInfoKeyW).
  virtual bool IsEmpty() = 0;
  // The names of the key's values (RegEnumValueW), the default value's empty name included.
  virtual std::vector<std::wstring> ValueNames() = 0;
  // RegCreateKeyExW below this key, in its view: opens the subkey with all access, creating it
  // and its parents when missing. Null when this key was not opened with kKeyCreateSubKey or the
  // subkey can't be made. Many keys under one parent cost fewer registry calls this way than
  // each named from the root.
  virtual std::unique_ptr<RegistryKey> CreateSubKey(std::wstring_view subKey) = 0;
};

class Registry {
 public:
  virtual ~Registry() = default;
  // RegSetValueW: the subkey's default value as REG_SZ; the subkey and its parents are created.
  virtual bool SetDefaultValue(RegRoot root, std::wstring_view subKey, std::wstring_view value) = 0;
  // RegOpenKeyExW; null when the key does not exist or the access is refused.
  virtual std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::wstring_view subKey,
                                               std::uint32_t access) = 0;
  // RegCreateKeyW: opens the key, creating it and its parents when missing.
  virtual std::unique_ptr<RegistryKey> CreateKey(RegRoot root, std::wstring_view subKey) = 0;
  // RegDeleteKeyW: only a key without subkeys can go.
  virtual bool DeleteKey(RegRoot root, std::wstring_view subKey) = 0;
  // The key with its values and every subkey, in the root's view; false when the key does not
  // exist or some part of it can't go.
  virtual bool DeleteTree(RegRoot root, std::wstring_view subKey) = 0;
};

// ---------------------------------------------------------------- file system

enum class FolderCreation { Created, AlreadyExists, ParentMissing, Failed };

// A file opened for writing; closed by Close() or the destructor.
class OutputFile {
 public:
  virtual ~OutputFile() = default;
  // Returns the number of bytes written, which is less than size on failure.
  virtual std::size_t Write(const void* data, std::size_t size) = 0;
  // Sets creation and last-write time from an MS-DOS date (high word) and time (low word) that
  // mean local time; the last-access time is kept. Called once the content is written, the times
  // stay as set when the file is closed. False when the times can't be set.
  virtual bool SetTimesFromDos(std::uint32_t dosDateTime) = 0;
  virtual bool Close() = 0;
};

// What minizip needs to open an archive through this file system: a filled function table and
// the name in the form that table's open function expects.
struct ArchiveOpenName {
  std::wstring wide;   // used by the Win32 wide-name table
  std::string narrow;  // used by the host's fopen table
  const void* Pointer() const {
    return narrow.empty() ? static_cast<const void*>(wide.c_str()) : static_cast<const void*>(narrow.c_str());
  }
};

// The temporary archive: created new under one handle that lets no other process write,
// replace or delete the file while it is held, so what gets unpacked is exactly what was
// written. Destroying it closes and deletes the file.
class ScratchFile {
 public:
  virtual ~ScratchFile() = default;
  // Returns the number of bytes written, which is less than size on failure.
  virtual std::size_t Write(const void* data, std::size_t size) = 0;
  // minizip's function table reading through the held handle, and the name its open takes.
  virtual void FillArchiveFunctions(zlib_filefunc64_def_s& table) = 0;
  virtual ArchiveOpenName ArchiveName() = 0;
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;
  // Creates one folder level and tells "already there" apart from "parent missing".
  virtual FolderCreation CreateFolder(std::wstring_view path) = 0;
  // The same, but the new folder gets a protected access list like Program Files' instead of
  // what its parent passes on: SYSTEM and Administrators full control, Users (and, where the
  // system knows them, TrustedInstaller and the application-package groups) read and execute,
  // inherited by everything below. A folder that is already there keeps its own list.
  virtual FolderCreation CreateProtectedFolder(std::wstring_view path) = 0;
  virtual std::wstring CurrentFolder() = 0;
  virtual bool SetCurrentFolder(std::wstring_view path) = 0;
  // Mode "wb": create or truncate. Null when the file cannot be opened (locked, read-only, ...).
  virtual std::unique_ptr<OutputFile> OpenForWriting(std::wstring_view path) = 0;
  // Mode "ab": append, creating the file when missing. A name that is a link (symbolic link,
  // junction or other reparse point) or a file with other hard links is never written through:
  // null, as for a file that can't be opened. Logs live in folders any process of the user can
  // write to, and the elevated programs append to them.
  virtual std::unique_ptr<OutputFile> OpenForAppending(std::wstring_view path) = 0;
  // Creates or truncates a file of an installation, named relative to folder (the installation
  // folder, which must be current). No level below folder and not the file itself may be a link:
  // such a name is refused (null), so nothing is written outside the installation. A file with
  // other hard links loses only this name and is created anew; the other names keep their
  // content.
  virtual std::unique_ptr<OutputFile> OpenInstallationFile(std::wstring_view folder,
                                                           std::wstring_view relativePath) = 0;
  // A leftover file of that name is deleted first. Null when the file cannot be created new.
  virtual std::unique_ptr<ScratchFile> CreateScratchFile(std::wstring_view path) = 0;
  virtual std::optional<std::vector<std::uint8_t>> ReadAll(std::wstring_view path) = 0;
  // DeleteFileW: a read-only file stays.
  virtual bool Remove(std::wstring_view path) = 0;
  // Takes the read-only attribute off a file; false when it can't (or the file is missing).
  virtual bool ClearReadOnly(std::wstring_view path) = 0;
  // The path as the file system names it: full (relative parts, "/" and repeated separators
  // resolved) and with long names for the levels that exist. Case is kept as given: compare
  // two canonical paths without regard to case.
  virtual std::wstring CanonicalPath(std::wstring_view path) = 0;
  // RemoveDirectoryW: only an empty folder goes.
  virtual bool RemoveFolder(std::wstring_view path) = 0;
  // True when path itself is a reparse point (a junction, a symbolic link, a mount point),
  // looked at without following it.
  virtual bool IsLink(std::wstring_view path) = 0;
  // How many names (hard links) the file has; 0 when that can't be told.
  virtual std::uint32_t LinkCount(std::wstring_view path) = 0;
  // Removes the link itself, whatever it leads to: never anything of its target.
  virtual bool RemoveLink(std::wstring_view path) = 0;
  // True when the existing file can't be opened for writing because another process holds it
  // open without sharing it for writing, or runs it (a sharing violation).
  virtual bool IsHeldOpen(std::wstring_view path) = 0;
  // True when path names an existing file (not a folder).
  virtual bool FileExists(std::wstring_view path) = 0;
  virtual bool MoveReplacing(std::wstring_view from, std::wstring_view to) = 0;
  virtual std::optional<std::int64_t> FileSize(std::wstring_view path) = 0;
  // GetTempPathW: the temporary folder, as the system reports it.
  virtual std::wstring TempFolder() = 0;
  virtual void FillArchiveFunctions(zlib_filefunc64_def_s& table) = 0;
  virtual ArchiveOpenName ArchiveName(std::wstring_view path) = 0;
};

// ---------------------------------------------------------------- INI files

// The private-profile functions. Writing creates a missing file (ANSI) and keeps every other
// section and key; a file that starts with the UTF-16LE byte-order mark is read and written as
// UTF-16LE.
class ProfileFiles {
 public:
  virtual ~ProfileFiles() = default;
  // WritePrivateProfileStringW; no value removes the key.
  virtual bool WriteString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                           std::optional<std::wstring_view> value) = 0;
  // GetPrivateProfileStringW with an empty default into a buffer of maxChars characters.
  virtual std::wstring ReadString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                                  std::size_t maxChars) = 0;
};

// ---------------------------------------------------------------- shell

// CSIDL values of the four folders the shortcuts go to.
inline constexpr int kCsidlDesktop = 0x0000;
inline constexpr int kCsidlPrograms = 0x0002;
inline constexpr int kCsidlCommonPrograms = 0x0017;
inline constexpr int kCsidlCommonDesktopDirectory = 0x0019;

// The four properties a link can carry; an absent one is not set at all.
struct ShellLink {
  std::wstring target;
  std::optional<std::wstring> arguments;
  std::optional<std::wstring> iconPath;
  int iconIndex = 0;
  std::optional<std::wstring> description;
};

class Shell {
 public:
  virtual ~Shell() = default;
  // The folder's path as the shell reports it, without a final backslash added; none when the
  // shell cannot tell.
  virtual std::optional<std::wstring> SpecialFolder(int csidl) = 0;
  // Writes (or replaces) a .lnk file. False when the link object or the save fails.
  virtual bool SaveShellLink(std::wstring_view linkPath, const ShellLink& link) = 0;
  // The target path a .lnk file stores; none when the file is missing or not a readable link.
  virtual std::optional<std::wstring> ShellLinkTarget(std::wstring_view linkPath) = 0;
  // ShellExecuteW "open" owned by the desktop window; the result is ShellExecute's, success
  // above 32.
  virtual std::intptr_t OpenDocument(std::wstring_view pathOrUrl, std::wstring_view parameters) = 0;
  // ShellExecute "open" carried out by the desktop shell's own process (IShellDispatch2 of the
  // shell window's view), so what it starts runs with the shell's rights: an elevated process
  // starts the viewer or the browser as the logged-on user normally runs. Above 32 on success;
  // 0 when there is no shell to ask.
  virtual std::intptr_t OpenAsDesktopUser(std::wstring_view pathOrUrl, std::wstring_view parameters) = 0;
  // Starts a command line directly (CreateProcessW), with this process's rights; above 32 on
  // success, 0 otherwise.
  virtual std::intptr_t RunCommandLine(std::wstring_view commandLine) = 0;
  virtual void NotifyAssociationsChanged() = 0;
  virtual void NotifyIconsChanged() = 0;
};

// ---------------------------------------------------------------- system information

// The fields of SYSTEMTIME the program looks at, in local time.
struct LocalDateTime {
  int year = 0;
  int month = 0;
  int day = 0;
  int hour = 0;
  int minute = 0;
  int second = 0;
};

inline constexpr std::uint32_t kPlatformWin32Nt = 2;

// The fields of OSVERSIONINFOW the program looks at.
struct OsVersionRecord {
  std::uint32_t platformId = kPlatformWin32Nt;
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
  std::uint32_t build = 0;
  std::wstring servicePack;  // szCSDVersion
};

class SystemInfo {
 public:
  virtual ~SystemInfo() = default;
  // RtlGetVersion from ntdll; none when the function is missing or reports a failure.
  virtual std::optional<OsVersionRecord> RtlVersion() = 0;
  // GetVersionExW, which on newer Windows may report an older version than the real one.
  virtual OsVersionRecord VersionEx() = 0;
  virtual std::optional<std::wstring> Environment(std::wstring_view name) = 0;
  virtual std::wstring WindowsFolder() = 0;
  virtual std::wstring SystemFolder() = 0;
  // LOGPIXELSX of the "DISPLAY" device context; 96 when no device context is to be had.
  virtual int HorizontalDpi() = 0;
  // GetSystemMetrics(SM_CYFULLSCREEN).
  virtual int FullScreenClientHeight() = 0;
  virtual bool TopLevelWindowExists(std::wstring_view className) = 0;
  // Whether this process runs with an administrator's full rights: an elevated token, or before
  // Vista (no elevation) a member of Administrators.
  virtual bool IsElevated() = 0;
  // Conversions through the system ANSI code page (CP_ACP).
  virtual std::wstring AnsiToWide(std::string_view text) = 0;
  virtual std::string WideToAnsi(std::wstring_view text) = 0;
  // GetLocalTime.
  virtual LocalDateTime LocalNow() = 0;
  // The date in the user's short date format (GetDateFormatW, DATE_SHORTDATE).
  virtual std::wstring ShortDate(const LocalDateTime& date) = 0;
};

// ---------------------------------------------------------------- version resources

struct FixedFileVersion {
  std::uint32_t fileVersionMS = 0;
  std::uint32_t fileVersionLS = 0;
  std::uint32_t productVersionMS = 0;
  std::uint32_t productVersionLS = 0;
};

struct FileVersionData {
  FixedFileVersion fixed;
  // "\StringFileInfo\040904E4\CompanyName" when that table and value exist.
  std::optional<std::wstring> companyName;
};

class VersionResources {
 public:
  virtual ~VersionResources() = default;
  // None when version.dll or its functions are missing, or the file has no version resource.
  virtual std::optional<FileVersionData> Query(std::wstring_view path) = 0;
};

// ---------------------------------------------------------------- program resources and UI

class ProgramResources {
 public:
  virtual ~ProgramResources() = default;
  // LoadStringW into a buffer of maxChars characters; empty when the id does not exist.
  virtual std::wstring String(unsigned id, std::size_t maxChars) = 0;
  // The bytes of a resource of a named type, read in place from the program's image; empty
  // when it is missing.
  virtual std::span<const std::uint8_t> Bytes(std::wstring_view type, unsigned id) = 0;
  // The program's own file as it lies on disk (not as loaded), read-only and valid while this
  // object lives; empty when it cannot be read.
  virtual std::span<const std::uint8_t> ProgramFile() = 0;
};

inline constexpr unsigned kMbYesNo = 0x04;
inline constexpr unsigned kMbIconError = 0x10;
inline constexpr unsigned kMbIconQuestion = 0x20;
inline constexpr unsigned kMbIconExclamation = 0x30;
inline constexpr unsigned kMbIconInformation = 0x40;
inline constexpr unsigned kMbDefButton2 = 0x100;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

class MessageBoxes {
 public:
  virtual ~MessageBoxes() = default;
  // MessageBoxW owned by the active window; returns the button pressed.
  virtual int Show(std::wstring_view text, std::wstring_view caption, unsigned flags) = 0;
};

// Everything the engine reaches the machine through.
struct Platform {
  Registry& registry;
  FileSystem& files;
  ProfileFiles& profiles;
  Shell& shell;
  SystemInfo& system;
  VersionResources& versions;
  ProgramResources& resources;
  MessageBoxes& messages;
};

}  // namespace lanternix
