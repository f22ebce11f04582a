#include "install/payload_extractor.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "install/folder_creation.h"
#include "model/system_probes.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

// An entry name is read into a buffer of this many bytes, terminator included...
constexpr std::size_t kEntryNameBytes = 520;
// ...and converted for the file system into this many wide characters, terminator included.
constexpr std::size_t kEntryWideNameChars = 324;
constexpr std::size_t kCopyBufferBytes = 32768;

struct ArchiveCloser {
  void operator()(void* archive) const { unzClose(static_cast<unzFile>(archive)); }
};
using UniqueArchive = std::unique_ptr<std::remove_pointer_t<unzFile>, ArchiveCloser>;

// Deletes the temporary archive whatever happens after it was created.
class TemporaryFile {
public:
  TemporaryFile(FileSystem& files, std::wstring path) : files_(files), path_(std::move(path)) {}
  TemporaryFile(const TemporaryFile&) = delete;
  TemporaryFile& operator=(const TemporaryFile&) = delete;
  ~TemporaryFile() {
    if (!path_.empty()) files_.Remove(path_);
  }

private:
  FileSystem& files_;
  std::wstring path_;
};

std::string Lowered(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](char ch) { return ch >= 'A' && ch <= 'Z' ? static_cast<char>(ch - 'A' + 'a') : ch; });
  return out;
}

// An entry may only name something below the destination: no absolute, drive-qualified or
// network path, and no ".." level that would climb out of it.
bool IsSafeEntryName(std::string_view name) {
  if (name.empty() || IsPathSeparator(name[0])) return false;
  if (name.size() >= 2 && name[1] == ':') return false;
  std::size_t levelStart = 0;
  for (std::size_t i = 0; i <= name.size(); ++i) {
    if (i < name.size() && !IsPathSeparator(name[i])) continue;
    if (name.substr(levelStart, i - levelStart) == "..") return false;
    levelStart = i + 1;
  }
  return true;
}

enum class EntryOutcome { Written, Skipped, Failed, Stop };

class EntryLoop {
public:
  EntryLoop(Platform& platform, unzFile archive, int keepExistingIconLibrary)
      : platform_(platform), archive_(archive), keepExistingIconLibrary_(keepExistingIconLibrary) {}

  // 0 when every entry was handled; -1 when one failed or the loop had to stop early.
  int Run() {
    unz_global_info64 global{};
    unzGetGlobalInfo64(archive_, &global);
    for (ZPOS64_T i = 0; i < global.number_entry; ++i) {
      if (ExtractCurrentEntry() == EntryOutcome::Stop) return -1;
      if (i + 1 < global.number_entry && unzGoToNextFile(archive_) != UNZ_OK) return -1;
    }
    return anyFailed_ ? -1 : 0;
  }

private:
  EntryOutcome ExtractCurrentEntry() {
    unz_file_info64 info{};
    char name[kEntryNameBytes] = {};
    if (unzGetCurrentFileInfo64(archive_, &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return EntryOutcome::Stop;
    const std::string_view entryName(name);

    // An installed icon library that is newer, or not the publisher's, stays untouched.
    if (Lowered(entryName).find("icons.dll") != std::string::npos && keepExistingIconLibrary_ == 1)
      return EntryOutcome::Skipped;

    const std::wstring wideName = platform_.system.AnsiToWide(entryName);
    if (info.size_filename >= kEntryNameBytes || wideName.size() >= kEntryWideNameChars ||
        !IsSafeEntryName(entryName)) {
      anyFailed_ = true;
      return EntryOutcome::Failed;
    }

    const auto lastSeparator = entryName.find_last_of("/\\");
    const bool isFolder = lastSeparator != std::string_view::npos && lastSeparator + 1 == entryName.size();
    if (isFolder) {
      // It may exist already; files inside still get their folders through the chain below.
      platform_.files.CreateFolder(wideName);
      return EntryOutcome::Written;
    }
    return ExtractFile(entryName, wideName, lastSeparator, static_cast<std::uint32_t>(info.dosDate));
  }

  EntryOutcome ExtractFile(std::string_view entryName, const std::wstring& wideName, std::size_t lastSeparator,
                           std::uint32_t dosDate) {
    if (unzOpenCurrentFilePassword(archive_, nullptr) != UNZ_OK) {
      unzCloseCurrentFile(archive_);
      return EntryOutcome::Stop;
    }
    auto output = platform_.files.OpenForWriting(wideName);
    if (!output && lastSeparator != std::string_view::npos) {
      CreateFolderChain(platform_.files, platform_.system.AnsiToWide(entryName.substr(0, lastSeparator)));
      output = platform_.files.OpenForWriting(wideName);
    }
    if (!output) {
      // Typically a file a running viewer holds open: the rest of the payload still goes in,
      // but the installation must not count as complete.
      anyFailed_ = true;
      return unzCloseCurrentFile(archive_) == UNZ_OK ? EntryOutcome::Failed : EntryOutcome::Stop;
    }

    std::vector<char> buffer(kCopyBufferBytes);
    int copyError = 0;
    for (;;) {
      const int read = unzReadCurrentFile(archive_, buffer.data(), static_cast<unsigned>(buffer.size()));
      if (read == 0) break;
      if (read < 0) {
        copyError = read;
        break;
      }
      if (output->Write(buffer.data(), static_cast<std::size_t>(read)) != static_cast<std::size_t>(read)) {
        copyError = -1;
        break;
      }
    }
    const bool closed = output->Close();
    if (copyError != 0 || !closed) {
      unzCloseCurrentFile(archive_);
      return EntryOutcome::Stop;
    }
    SetFileTimeFromDos(platform_.files, wideName, dosDate);
    // The CRC is only checked here, once the whole entry was read: the file stays as written.
    if (unzCloseCurrentFile(archive_) != UNZ_OK) return EntryOutcome::Stop;
    return EntryOutcome::Written;
  }

  Platform& platform_;
  unzFile archive_;
  int keepExistingIconLibrary_;
  bool anyFailed_ = false;
};

}  // namespace

void SetFileTimeFromDos(FileSystem& files, std::wstring_view fileName, std::uint32_t dosDateTime) {
  files.SetFileTimesFromDos(fileName, dosDateTime);
}

int ExtractArchive(Platform& platform, std::wstring_view archivePath, std::wstring_view destinationFolder,
                   int keepExistingIconLibrary) {
  if (archivePath.empty()) return -1;
  zlib_filefunc64_def functions{};
  platform.files.FillArchiveFunctions(functions);
  const ArchiveOpenName openName = platform.files.ArchiveName(archivePath);
  UniqueArchive archive(unzOpen2_64(openName.Pointer(), &functions));
  if (!archive) return -1;
  // Entries are created by their relative names, so the destination has to be current.
  if (!platform.files.SetCurrentFolder(destinationFolder)) return -1;
  return EntryLoop(platform, archive.get(), keepExistingIconLibrary).Run();
}

int ExtractPayload(Platform& platform, std::wstring_view destinationFolder, int keepExistingIconLibrary) {
  const std::span<const std::uint8_t> payload = platform.resources.Bytes(kPayloadResourceType, kPayloadResourceId);
  if (payload.empty()) return -1;

  std::wstring temporaryPath = platform.files.TempFolder();
  CutToBuffer(temporaryPath, kLongTextChars);
  if (temporaryPath.empty() || temporaryPath.back() != L'\\') temporaryPath.push_back(L'\\');
  temporaryPath += kTemporaryArchiveName;

  auto file = platform.files.OpenForWriting(temporaryPath);
  if (!file) return -1;
  const TemporaryFile cleanup(platform.files, temporaryPath);
  // One write straight from the resource's memory; a short file shows up as an archive that
  // won't open.
  file->Write(payload.data(), payload.size());
  file->Close();
  return ExtractArchive(platform, temporaryPath, destinationFolder, keepExistingIconLibrary);
}

}  // namespace lanternix
