// The fake platform of the host unit tests. Files are real files in a private temporary folder,
// with Windows drive letters mapped below it (so minizip, file times and sizes behave for real);
// the registry, shell folders, links, system facts, version resources, program resources and
// message boxes live in memory. Tests configure it and read back what the engine did.
//
// Unlike Windows, names are compared case-sensitively in the file system.
#pragma once

#include <cstdint>
#include <deque>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "platform/platform.h"

namespace lanternix::fake {

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

struct RegistryValue {
  std::uint32_t type = kRegSz;
  std::vector<std::uint8_t> data;  // REG_SZ: UTF-16LE including the terminating zero
};

class FakeRegistry final : public Registry {
 public:
  bool SetDefaultValue(RegRoot root, std::wstring_view subKey, std::wstring_view value) override;
  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::wstring_view subKey, std::uint32_t access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegRoot root, std::wstring_view subKey) override;
  bool DeleteKey(RegRoot root, std::wstring_view subKey) override;
  bool DeleteTree(RegRoot root, std::wstring_view subKey) override;

  // ---- for tests
  bool KeyExists(RegRoot root, std::wstring_view subKey) const;
  bool HasSubKeys(RegRoot root, std::wstring_view subKey) const;
  const RegistryValue* Value(RegRoot root, std::wstring_view subKey, std::wstring_view name) const;
  std::optional<std::wstring> StringValue(RegRoot root, std::wstring_view subKey,
                                          std::wstring_view name) const;
  std::optional<std::uint32_t> DwordValue(RegRoot root, std::wstring_view subKey,
                                          std::wstring_view name) const;
  // Stores a value as another program would have, with any type and bytes.
  void Seed(RegRoot root, std::wstring_view subKey, std::wstring_view name, RegistryValue value);
  // Keys below this root refuse to be created or written, as HKLM does for a non-administrator.
  void DenyWrites(RegRoot root) { deniedRoots_.insert(Hive(root)); }
  // Every key path that exists, as "HKLM\path", in a stable order.
  std::vector<std::wstring> Keys() const;
  // Every key and every value with its type and bytes, one line each, in a stable order: two
  // dumps are equal when the registries are.
  std::vector<std::wstring> Dump() const;
  // One line per call that changed something, in call order ("create HKCU\...", "delete ...").
  const std::vector<std::wstring>& Journal() const { return journal_; }

  struct Key {
    std::wstring path;                             // as first written
    std::map<std::wstring, std::wstring> names;    // lower-cased name -> name as first written
    std::map<std::wstring, RegistryValue> values;  // lower-cased name -> value
  };

 private:
  friend class FakeRegistryKey;
  // HKEY_CLASSES_ROOT is the machine's SOFTWARE\Classes here, which is where an
  // administrator's writes to it land on Windows.
  // Where a key is stored: the classes root is a part of the machine's view. The machine's native
  // view is kept apart, as a 32-bit process on 64-bit Windows sees it.
  static RegRoot Canonical(RegRoot root) {
    return root == RegRoot::ClassesRoot ? RegRoot::LocalMachine : root;
  }
  // Whose permissions apply: both views of the machine hive share them.
  static RegRoot Hive(RegRoot root) { return root == RegRoot::CurrentUser ? root : RegRoot::LocalMachine; }
  static std::wstring CanonicalPath(RegRoot root, std::wstring_view subKey);
  static std::wstring RootName(RegRoot root);
  Key* Find(RegRoot root, std::wstring_view subKey);
  const Key* Find(RegRoot root, std::wstring_view subKey) const;
  Key* CreatePath(RegRoot root, std::wstring_view subKey);
  bool Denied(RegRoot root) const { return deniedRoots_.count(Hive(root)) != 0; }

  std::map<std::pair<RegRoot, std::wstring>, Key> keys_;  // lower-cased canonical path
  std::set<RegRoot> deniedRoots_;
  std::vector<std::wstring> journal_;
};

struct FakeFileTimes {
  std::int64_t creation = 0;  // FILETIME ticks, UTC
  std::int64_t lastWrite = 0;
};

class FakeFileSystem final : public FileSystem {
 public:
  FakeFileSystem();
  ~FakeFileSystem() override;
  FakeFileSystem(const FakeFileSystem&) = delete;
  FakeFileSystem& operator=(const FakeFileSystem&) = delete;

  FolderCreation CreateFolder(std::wstring_view path) override;
  FolderCreation CreateProtectedFolder(std::wstring_view path) override;
  std::wstring CurrentFolder() override { return current_; }
  bool SetCurrentFolder(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenForWriting(std::wstring_view path) override;
  // Host symbolic links stand in for Windows' reparse points, host hard links for NTFS ones.
  std::unique_ptr<OutputFile> OpenForAppending(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenInstallationFile(std::wstring_view folder,
                                                   std::wstring_view relativePath) override;
  std::unique_ptr<ScratchFile> CreateScratchFile(std::wstring_view path) override;
  std::optional<std::vector<std::uint8_t>> ReadAll(std::wstring_view path) override;
  bool Remove(std::wstring_view path) override;
  bool ClearReadOnly(std::wstring_view path) override;
  // FullPath, with the long names of AddShortName's aliases when the path exists.
  std::wstring CanonicalPath(std::wstring_view path) override;
  bool RemoveFolder(std::wstring_view path) override;
  bool IsLink(std::wstring_view path) override;
  std::uint32_t LinkCount(std::wstring_view path) override;
  bool RemoveLink(std::wstring_view path) override;
  bool FileExists(std::wstring_view path) override;
  bool IsHeldOpen(std::wstring_view path) override;
  bool MoveReplacing(std::wstring_view from, std::wstring_view to) override;
  std::optional<std::int64_t> FileSize(std::wstring_view path) override;
  std::wstring TempFolder() override { return tempFolder_; }
  void FillArchiveFunctions(zlib_filefunc64_def_s& table) override;
  ArchiveOpenName ArchiveName(std::wstring_view path) override;

  // ---- for tests
  // The host path a Windows path maps to; none for a drive or share that does not exist.
  std::optional<std::filesystem::path> HostPath(std::wstring_view windowsPath) const;
  void AddDrive(wchar_t letter);
  void AddNetworkShare(std::wstring_view uncShare);  // "\\server\share"
  // An 8.3 alias of an existing folder, as NTFS makes one ("PROG~5P2" for "Program Files 2"):
  // paths through it reach the folder.
  void AddShortName(std::wstring_view folder, std::wstring_view shortName);
  void SetTempFolder(std::wstring path) { tempFolder_ = std::move(path); }
  // The local time zone as minutes east of UTC, used to read MS-DOS times as local time.
  void SetUtcOffsetMinutes(int minutes) { utcOffsetMinutes_ = minutes; }
  // A file another process holds open without sharing: it can't be opened, replaced or deleted.
  void Lock(std::wstring_view path);
  // The other process has let go of the file.
  void Unlock(std::wstring_view path);
  // Each opening of the file for writing takes at most this many bytes, as on a full disk: a
  // longer write comes up short.
  void LimitWrites(std::wstring_view path, std::size_t bytes);
  // A folder in which nothing new can be created.
  void MakeReadOnly(std::wstring_view folder);
  // A file with the read-only attribute: it can't be opened for writing or deleted until
  // ClearReadOnly.
  void MakeFileReadOnly(std::wstring_view path);
  bool Exists(std::wstring_view path) const;
  bool IsFolder(std::wstring_view path) const;
  void WriteText(std::wstring_view path, std::string_view bytes);
  // A symbolic link (a junction when target is a folder) at path pointing to target.
  void MakeLink(std::wstring_view path, std::wstring_view target);
  // Another name for the existing file target.
  void MakeHardLink(std::wstring_view path, std::wstring_view target);
  // The full paths of the folders created with the protected access list, in order.
  std::vector<std::wstring> protectedFolders;
  std::optional<FakeFileTimes> Times(std::wstring_view path) const;
  // Called with the temporary archive's path at the moment it is opened for unpacking, when
  // another process would try to swap it.
  std::function<void(std::wstring_view)> whileScratchFileHeld;
  // Resolves a path the way Windows would: relative to the current folder, "." and ".."
  // folded, trailing spaces and dots dropped from each level.
  std::wstring FullPath(std::wstring_view path) const;

 private:
  friend class FakeScratchFile;
  friend class FakeOutputFile;
  // The UTC file time of an MS-DOS date and time that mean local time here.
  std::int64_t UtcOfDos(std::uint32_t dosDateTime) const;
  bool Locked(const std::filesystem::path& host) const { return locked_.count(host) != 0; }
  bool InReadOnlyFolder(const std::filesystem::path& host) const;
  std::unique_ptr<OutputFile> Open(std::wstring_view path, bool append);
  // A full path with every alias of AddShortName replaced by the folder it stands for.
  std::wstring WithLongNames(std::wstring full) const;

  std::filesystem::path root_;
  std::wstring current_ = L"C:\\";
  std::wstring tempFolder_ = L"C:\\Temp\\";
  int utcOffsetMinutes_ = 0;
  std::set<std::filesystem::path> locked_;
  std::set<std::filesystem::path> readOnly_;
  std::set<std::filesystem::path> readOnlyFiles_;
  std::map<std::filesystem::path, std::size_t> writeRoom_;
  std::map<std::filesystem::path, std::int64_t> creationTimes_;
  std::map<std::wstring, std::wstring> shortNames_;  // lower-cased full alias -> full long path
};

// INI files kept as real files of the fake file system, edited line by line as the
// private-profile functions do: names compare case-insensitively, untouched lines stay as they
// were, a new key goes after the last key of its section, a new section at the end. ANSI is the
// fake's Latin-1 code page.
class FakeProfileFiles final : public ProfileFiles {
 public:
  FakeProfileFiles(FakeFileSystem& files, SystemInfo& system) : files_(files), system_(system) {}
  bool WriteString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                   std::optional<std::wstring_view> value) override;
  std::wstring ReadString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                          std::size_t maxChars) override;

 private:
  FakeFileSystem& files_;
  SystemInfo& system_;
};

class FakeShell final : public Shell {
 public:
  explicit FakeShell(FakeFileSystem& files);
  std::optional<std::wstring> SpecialFolder(int csidl) override;
  bool SaveShellLink(std::wstring_view linkPath, const ShellLink& link) override;
  std::optional<std::wstring> ShellLinkTarget(std::wstring_view linkPath) override;
  std::intptr_t OpenDocument(std::wstring_view pathOrUrl, std::wstring_view parameters) override;
  std::intptr_t OpenAsDesktopUser(std::wstring_view pathOrUrl, std::wstring_view parameters) override;
  std::intptr_t RunCommandLine(std::wstring_view commandLine) override;
  void NotifyAssociationsChanged() override { ++associationNotifications; }
  void NotifyIconsChanged() override { ++iconNotifications; }

  // ---- for tests
  std::map<int, std::wstring> folders;      // CSIDL -> path; a missing one is "unknown"
  std::map<std::wstring, ShellLink> links;  // full link path -> what was saved last
  // Every start, in order: "open <file> <parameters>" with this process's rights, "user <file>
  // <parameters>" through the desktop shell, "run <command line>" directly.
  std::vector<std::wstring> opened;
  std::intptr_t openResult = 42;
  std::intptr_t desktopUserResult = 42;  // 0: no desktop shell to ask
  std::intptr_t runResult = 33;
  int associationNotifications = 0;
  int iconNotifications = 0;

 private:
  FakeFileSystem& files_;
};

class FakeSystemInfo final : public SystemInfo {
 public:
  std::optional<OsVersionRecord> RtlVersion() override { return rtlVersion; }
  OsVersionRecord VersionEx() override { return versionEx; }
  std::optional<std::wstring> Environment(std::wstring_view name) override;
  std::wstring WindowsFolder() override { return windowsFolder; }
  std::wstring SystemFolder() override { return systemFolder; }
  int HorizontalDpi() override { return dpi; }
  int FullScreenClientHeight() override { return fullScreenHeight; }
  bool TopLevelWindowExists(std::wstring_view className) override;
  bool IsElevated() override { return elevated; }
  // The fake's ANSI code page is Latin-1: one byte per character, '?' for what does not fit.
  std::wstring AnsiToWide(std::string_view text) override;
  std::string WideToAnsi(std::wstring_view text) override;
  LocalDateTime LocalNow() override { return now; }
  // Understands the pattern letters d, dd, M, MM, yy and yyyy; everything else is copied.
  std::wstring ShortDate(const LocalDateTime& date) override;

  // ---- for tests
  // Sets both version answers as Windows 10 would give them to a program with a manifest.
  void SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                  std::wstring servicePack = L"");
  std::optional<OsVersionRecord> rtlVersion = OsVersionRecord{kPlatformWin32Nt, 10, 0, 19045, L""};
  OsVersionRecord versionEx{kPlatformWin32Nt, 10, 0, 19045, L""};
  std::map<std::wstring, std::wstring> environment;  // names compared case-insensitively
  std::wstring windowsFolder = L"C:\\Windows";
  std::wstring systemFolder = L"C:\\Windows\\system32";
  int dpi = 96;
  int fullScreenHeight = 1017;
  std::set<std::wstring> windowClasses;
  bool elevated = false;
  LocalDateTime now{2024, 3, 7, 14, 5, 9};
  std::wstring shortDateFormat = L"dd.MM.yyyy";
};

class FakeVersionResources final : public VersionResources {
 public:
  explicit FakeVersionResources(FakeFileSystem& files) : files_(files) {}
  // Only a file that exists has its version resource.
  std::optional<FileVersionData> Query(std::wstring_view path) override;
  std::map<std::wstring, FileVersionData> byPath;  // full Windows path -> data

 private:
  FakeFileSystem& files_;
};

class FakeProgramResources final : public ProgramResources {
 public:
  std::wstring String(unsigned id, std::size_t maxChars) override;
  std::span<const std::uint8_t> Bytes(std::wstring_view type, unsigned id) override;
  std::map<unsigned, std::wstring> strings;
  std::map<std::pair<std::wstring, unsigned>, std::vector<std::uint8_t>> bytes;
  // Resources that live in memory the test owns (a mapped file), served without a copy.
  std::map<std::pair<std::wstring, unsigned>, std::span<const std::uint8_t>> views;
  std::span<const std::uint8_t> ProgramFile() override { return programFile; }
  // The setup file's bytes, in memory the test owns.
  std::span<const std::uint8_t> programFile;
};

struct ShownMessage {
  std::wstring text;
  std::wstring caption;
  unsigned flags = 0;
};

class FakeMessageBoxes final : public MessageBoxes {
 public:
  int Show(std::wstring_view text, std::wstring_view caption, unsigned flags) override;
  std::vector<ShownMessage> shown;
  std::deque<int> answers;  // taken in order; IDOK (1) when none is left
};

class FakePlatform {
 public:
  FakePlatform();
  Platform& Get() { return platform_; }

  FakeRegistry registry;
  FakeFileSystem files;
  FakeShell shell{files};
  FakeSystemInfo system;
  FakeProfileFiles profiles{files, system};
  FakeVersionResources versions{files};
  FakeProgramResources resources;
  FakeMessageBoxes messages;

 private:
  Platform platform_{registry, files, profiles, shell, system, versions, resources, messages};
};

// Text helpers for tests and the fake itself.
std::string ToUtf8(std::wstring_view text);
std::wstring FromUtf8(std::string_view text);

}  // namespace lanternix::fake
