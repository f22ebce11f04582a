#include "tests/unit/zip_builder.h"

#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lanternix::testing {

ZipBuilder& ZipBuilder::File(std::string name, std::string content, std::uint32_t dosTime) {
  entries_.push_back(Entry{std::move(name), std::move(content), dosTime, false, false});
  return *this;
}

ZipBuilder& ZipBuilder::Folder(std::string name) {
  entries_.push_back(Entry{std::move(name), {}, kSampleDosTime, true, false});
  return *this;
}

ZipBuilder& ZipBuilder::FileWithBadCrc(std::string name, std::string content) {
  entries_.push_back(Entry{std::move(name), std::move(content), kSampleDosTime, false, true});
  return *this;
}

void ZipBuilder::WriteTo(const std::filesystem::path& path) const {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) throw std::runtime_error("zipOpen64 failed");
  for (const Entry& entry : entries_) {
    zip_fileinfo info{};
    info.dosDate = entry.dosTime;
    const bool raw = entry.badCrc;
    const int method = entry.folder || raw ? 0 : Z_DEFLATED;
    if (zipOpenNewFileInZip2(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                             raw ? 0 : Z_DEFAULT_COMPRESSION, raw ? 1 : 0) != ZIP_OK)
      throw std::runtime_error("zipOpenNewFileInZip2 failed");
    if (!entry.content.empty())
      zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size()));
    if (raw) {
      const auto crc = crc32(0, reinterpret_cast<const Bytef*>(entry.content.data()),
                             static_cast<uInt>(entry.content.size()));
      zipCloseFileInZipRaw(zip, entry.content.size(), crc ^ 0xFFFFFFFFu);
    } else {
      zipCloseFileInZip(zip);
    }
  }
  zipClose(zip, nullptr);
}

std::vector<std::uint8_t> ZipBuilder::Bytes() const {
  const std::filesystem::path path =
      std::filesystem::temp_directory_path() / ("lanternix-zip-" + std::to_string(getpid()) + ".zip");
  WriteTo(path);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  std::filesystem::remove(path);
  return bytes;
}

}  // namespace lanternix::testing
