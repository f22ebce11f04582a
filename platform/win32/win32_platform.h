// The platform interfaces over the real Win32 API.
#pragma once

#include "platform/platform.h"
#include "platform/win32/handles.h"

namespace lanternix::win32 {

class Win32Registry final : public Registry {
public:
  bool SetDefaultValue(RegRoot root, std::wstring_view subKey, std::wstring_view value) override;
  std::unique_ptr<RegistryKey> OpenKey(RegRoot root, std::wstring_view subKey, std::uint32_t access) override;
  std::unique_ptr<RegistryKey> CreateKey(RegRoot root, std::wstring_view subKey) override;
  bool DeleteKey(RegRoot root, std::wstring_view subKey) override;
  bool DeleteTree(RegRoot root, std::wstring_view subKey) override;
};

class Win32FileSystem final : public FileSystem {
public:
  FolderCreation CreateFolder(std::wstring_view path) override;
  FolderCreation CreateProtectedFolder(std::wstring_view path) override;
  std::wstring CurrentFolder() override;
  bool SetCurrentFolder(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenForWriting(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenForAppending(std::wstring_view path) override;
  std::unique_ptr<OutputFile> OpenInstallationFile(std::wstring_view folder,
                                                   std::wstring_view relativePath) override;
  std::unique_ptr<ScratchFile> CreateScratchFile(std::wstring_view path) override;
  std::optional<std::vector<std::uint8_t>> ReadAll(std::wstring_view path) override;
  bool Remove(std::wstring_view path) override;
  bool ClearReadOnly(std::wstring_view path) override;
  std::wstring CanonicalPath(std::wstring_view path) override;
  bool RemoveFolder(std::wstring_view path) override;
  bool IsLink(std::wstring_view path) override;
  std::uint32_t LinkCount(std::wstring_view path) override;
  bool RemoveLink(std::wstring_view path) override;
  bool FileExists(std::wstring_view path) override;
  bool IsHeldOpen(std::wstring_view path) override;
  bool MoveReplacing(std::wstring_view from, std::wstring_view to) override;
  std::optional<std::int64_t> FileSize(std::wstring_view path) override;
  std::wstring TempFolder() override;
  void FillArchiveFunctions(zlib_filefunc64_def_s& table) override;
  ArchiveOpenName ArchiveName(std::wstring_view path) override;

 private:
  // The installation folder's path as the file system reaches it, asked once per folder: every
  // file of the extraction is compared with it.
  std::wstring reachedFolderText_;
  std::optional<std::wstring> reachedFolder_;
};

class Win32ProfileFiles final : public ProfileFiles {
public:
  bool WriteString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                   std::optional<std::wstring_view> value) override;
  std::wstring ReadString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                          std::size_t maxChars) override;
};

class Win32Shell final : public Shell {
public:
  std::optional<std::wstring> SpecialFolder(int csidl) override;
  bool SaveShellLink(std::wstring_view linkPath, const ShellLink& link) override;
  std::optional<std::wstring> ShellLinkTarget(std::wstring_view linkPath) override;
  std::intptr_t OpenDocument(std::wstring_view pathOrUrl, std::wstring_view parameters) override;
  std::intptr_t OpenAsDesktopUser(std::wstring_view pathOrUrl, std::wstring_view parameters) override;
  std::intptr_t RunCommandLine(std::wstring_view commandLine) override;
  void NotifyAssociationsChanged() override;
  void NotifyIconsChanged() override;
};

class Win32SystemInfo final : public SystemInfo {
public:
  std::optional<OsVersionRecord> RtlVersion() override;
  OsVersionRecord VersionEx() override;
  std::optional<std::wstring> Environment(std::wstring_view name) override;
  std::wstring WindowsFolder() override;
  std::wstring SystemFolder() override;
  int HorizontalDpi() override;
  int FullScreenClientHeight() override;
  bool TopLevelWindowExists(std::wstring_view className) override;
  bool IsElevated() override;
  std::wstring AnsiToWide(std::string_view text) override;
  std::string WideToAnsi(std::wstring_view text) override;
  LocalDateTime LocalNow() override;
  std::wstring ShortDate(const LocalDateTime& date) override;
};

class Win32VersionResources final : public VersionResources {
public:
  std::optional<FileVersionData> Query(std::wstring_view path) override;
};

class Win32ProgramResources final : public ProgramResources {
public:
  std::wstring String(unsigned id, std::size_t maxChars) override;
  std::span<const std::uint8_t> Bytes(std::wstring_view type, unsigned id) override;
  std::span<const std::uint8_t> ProgramFile() override;

private:
  // The own file's view, kept until the platform goes.
  UniqueMappedView programView_;
  std::size_t programFileSize_ = 0;
};

class Win32MessageBoxes final : public MessageBoxes {
public:
  int Show(std::wstring_view text, std::wstring_view caption, unsigned flags) override;
};

// All of the above, wired into one Platform.
class Win32Platform {
public:
  Platform& Get() { return platform_; }

private:
  Win32Registry registry_;
  Win32FileSystem files_;
  Win32ProfileFiles profiles_;
  Win32Shell shell_;
  Win32SystemInfo system_;
  Win32VersionResources versions_;
  Win32ProgramResources resources_;
  Win32MessageBoxes messages_;
  Platform platform_{registry_, files_, profiles_, shell_, system_, versions_, resources_, messages_};
};

}  // namespace lanternix::win32
