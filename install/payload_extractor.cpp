#include "install/payload_extractor.h"

#include <minizip/unzip.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <span>
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

// minizip reading an archive straight from memory (the payload resource), for looking at its
// directory without writing it out.
struct MemoryArchive {
  std::span<const std::uint8_t> bytes;
  std::uint64_t position = 0;
};

voidpf OpenMemory(voidpf opaque, const void*, int) {
  return opaque;
}

uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
  auto& archive = *static_cast<MemoryArchive*>(stream);
  const std::uint64_t available =
      archive.bytes.size() - std::min<std::uint64_t>(archive.position, archive.bytes.size());
  const auto count = static_cast<std::size_t>(std::min<std::uint64_t>(size, available));
  std::copy_n(archive.bytes.begin() + static_cast<std::ptrdiff_t>(archive.position), count,
              static_cast<std::uint8_t*>(buffer));
  archive.position += count;
  return static_cast<uLong>(count);
}

uLong WriteMemory(voidpf, voidpf, const void*, uLong) {
  return 0;
}

ZPOS64_T TellMemory(voidpf, voidpf stream) {
  return static_cast<MemoryArchive*>(stream)->position;
}

long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto& archive = *static_cast<MemoryArchive*>(stream);
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR)
    base = archive.position;
  else if (origin == ZLIB_FILEFUNC_SEEK_END)
    base = archive.bytes.size();
  if (base + offset > archive.bytes.size()) return -1;
  archive.position = base + offset;
  return 0;
}

int CloseMemory(voidpf, voidpf) {
  return 0;
}

int MemoryError(voidpf, voidpf) {
  return 0;
}

enum class EntryOutcome { Written, Skipped, Failed, Stop };

class EntryLoop {
 public:
  EntryLoop(Platform& platform, unzFile archive, std::wstring_view destinationFolder,
            int keepExistingIconLibrary)
      : platform_(platform),
        archive_(archive),
        destinationFolder_(destinationFolder),
        keepExistingIconLibrary_(keepExistingIconLibrary) {}

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
    return ExtractFile(entryName, wideName, lastSeparator, info);
  }

  EntryOutcome ExtractFile(std::string_view entryName, const std::wstring& wideName,
                           std::size_t lastSeparator, const unz_file_info64& info) {
    if (unzOpenCurrentFilePassword(archive_, nullptr) != UNZ_OK) {
      unzCloseCurrentFile(archive_);
      return EntryOutcome::Stop;
    }
    // Never through a link inside the installation: a folder level or the file swapped for one
    // would have the elevated setup overwrite whatever the link names.
    auto output = platform_.files.OpenInstallationFile(destinationFolder_, wideName);
    if (!output && lastSeparator != std::string_view::npos) {
      CreateFolderChain(platform_.files, platform_.system.AnsiToWide(entryName.substr(0, lastSeparator)));
      output = platform_.files.OpenInstallationFile(destinationFolder_, wideName);
    }
    if (!output) {
      // Typically a file a running viewer holds open, or a link in the way: the rest of the
      // payload still goes in, but the installation must not count as complete.
      anyFailed_ = true;
      return unzCloseCurrentFile(archive_) == UNZ_OK ? EntryOutcome::Failed : EntryOutcome::Stop;
    }

    const bool copied = CopyCurrentEntry(*output, info.uncompressed_size);
    // Through the handle that wrote the file: opening it again by name for this costs more than
    // writing most payload files.
    if (copied) SetFileTimeFromDos(*output, static_cast<std::uint32_t>(info.dosDate));
    const bool closed = output->Close();
    // minizip checks the CRC only once the declared size was read, so the byte count above is
    // what makes a stream that ended early count as damaged.
    const bool crcMatches = unzCloseCurrentFile(archive_) == UNZ_OK;
    if (!copied || !closed || !crcMatches) {
      // A short or damaged file must not look installed.
      platform_.files.Remove(wideName);
      return EntryOutcome::Stop;
    }
    return EntryOutcome::Written;
  }

  // True when exactly the declared number of bytes came out of the entry and went into the file.
  // An early end of the stream, a short read and an error all read as 0 or a negative count
  // before that number is reached.
  bool CopyCurrentEntry(OutputFile& output, ZPOS64_T declaredSize) {
    std::vector<char> buffer(kCopyBufferBytes);
    ZPOS64_T written = 0;
    for (;;) {
      const int read = unzReadCurrentFile(archive_, buffer.data(), static_cast<unsigned>(buffer.size()));
      if (read == 0) return written == declaredSize;
      if (read < 0) return false;
      if (output.Write(buffer.data(), static_cast<std::size_t>(read)) != static_cast<std::size_t>(read))
        return false;
      written += static_cast<ZPOS64_T>(read);
      if (written > declaredSize) return false;
    }
  }

  Platform& platform_;
  unzFile archive_;
  std::wstring_view destinationFolder_;
  int keepExistingIconLibrary_;
  bool anyFailed_ = false;
};

}  // namespace

namespace {

// Calls visit with each entry's name and recorded uncompressed size, from the embedded archive's
// own directory, until visit returns false.
template <typename Visit>
void VisitPayloadEntries(Platform& platform, Visit visit) {
  MemoryArchive memory{platform.resources.Bytes(kPayloadResourceType, kPayloadResourceId)};
  if (memory.bytes.empty()) return;
  zlib_filefunc64_def functions{OpenMemory, ReadMemory,  WriteMemory, TellMemory,
                                SeekMemory, CloseMemory, MemoryError, &memory};
  // minizip wants a name to open; the memory table ignores it.
  UniqueArchive archive(unzOpen2_64("payload", &functions));
  if (!archive) return;
  for (int found = unzGoToFirstFile(archive.get()); found == UNZ_OK; found = unzGoToNextFile(archive.get())) {
    unz_file_info64 info{};
    char name[kEntryNameBytes] = {};
    if (unzGetCurrentFileInfo64(archive.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) != UNZ_OK)
      return;
    if (!visit(platform.system.AnsiToWide(name), info.uncompressed_size)) return;
  }
}

}  // namespace

std::size_t LongestPayloadEntryName(Platform& platform) {
  std::size_t longest = 0;
  VisitPayloadEntries(platform, [&longest](const std::wstring& name, std::uint64_t) {
    longest = std::max(longest, name.size());
    return true;
  });
  return longest;
}

std::optional<std::int64_t> PayloadEntrySize(Platform& platform, std::wstring_view entryName) {
  std::optional<std::int64_t> size;
  VisitPayloadEntries(platform, [&](const std::wstring& name, std::uint64_t bytes) {
    if (EqualIgnoringCase(name, entryName)) size = static_cast<std::int64_t>(bytes);
    return !size;
  });
  return size;
}

void SetFileTimeFromDos(OutputFile& file, std::uint32_t dosDateTime) {
  file.SetTimesFromDos(dosDateTime);
}

namespace {

// Opens the archive through the given table and unpacks it into destinationFolder.
int ExtractThrough(Platform& platform, zlib_filefunc64_def& functions, const ArchiveOpenName& openName,
                   std::wstring_view destinationFolder, int keepExistingIconLibrary) {
  UniqueArchive archive(unzOpen2_64(openName.Pointer(), &functions));
  if (!archive) return -1;
  // Entries are created by their relative names, so the destination has to be current.
  if (!platform.files.SetCurrentFolder(destinationFolder)) return -1;
  return EntryLoop(platform, archive.get(), destinationFolder, keepExistingIconLibrary).Run();
}

}  // namespace

int ExtractArchive(Platform& platform, std::wstring_view archivePath, std::wstring_view destinationFolder,
                   int keepExistingIconLibrary) {
  if (archivePath.empty()) return -1;
  zlib_filefunc64_def functions{};
  platform.files.FillArchiveFunctions(functions);
  return ExtractThrough(platform, functions, platform.files.ArchiveName(archivePath), destinationFolder,
                        keepExistingIconLibrary);
}

int ExtractPayload(Platform& platform, std::wstring_view destinationFolder, int keepExistingIconLibrary) {
  const std::span<const std::uint8_t> payload =
      platform.resources.Bytes(kPayloadResourceType, kPayloadResourceId);
  if (payload.empty()) return -1;

  // Without a temporary folder the name alone would land in the root of the current drive.
  std::wstring temporaryPath = platform.files.TempFolder();
  CutToBuffer(temporaryPath, kLongTextChars);
  if (temporaryPath.empty()) return -1;
  if (temporaryPath.back() != L'\\') temporaryPath.push_back(L'\\');
  temporaryPath += kTemporaryArchiveName;

  // Held from its creation until the last entry is out, and deleted with it: nobody can swap in
  // an archive of their own for the elevated setup to install.
  const auto archive = platform.files.CreateScratchFile(temporaryPath);
  if (!archive) return -1;
  // One write straight from the resource's memory.
  if (archive->Write(payload.data(), payload.size()) != payload.size()) return -1;
  zlib_filefunc64_def functions{};
  archive->FillArchiveFunctions(functions);
  return ExtractThrough(platform, functions, archive->ArchiveName(), destinationFolder,
                        keepExistingIconLibrary);
}

}  // namespace lanternix
