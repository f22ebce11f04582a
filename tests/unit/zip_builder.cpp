#include "tests/unit/zip_builder.h"

#include <minizip/zip.h>
#include <unistd.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace lanternix::testing {

namespace {

constexpr std::uint32_t kLocalHeaderSignature = 0x04034b50;
constexpr std::uint32_t kCentralHeaderSignature = 0x02014b50;
// Where the compressed and uncompressed sizes and the name length sit in each header.
constexpr std::size_t kLocalSizesAt = 18;
constexpr std::size_t kLocalNameLengthAt = 26;
constexpr std::size_t kLocalNameAt = 30;
constexpr std::size_t kCentralSizesAt = 20;
constexpr std::size_t kCentralNameLengthAt = 28;
constexpr std::size_t kCentralNameAt = 46;

std::uint32_t ReadLe(const std::vector<char>& bytes, std::size_t at, int count) {
  std::uint32_t value = 0;
  for (int i = count - 1; i >= 0; --i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

void WriteLe32(std::vector<char>& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i) & 0xFF);
}

}  // namespace

ZipBuilder& ZipBuilder::File(std::string name, std::string content, std::uint32_t dosTime) {
  entries_.push_back(Entry{std::move(name), std::move(content), dosTime});
  return *this;
}

ZipBuilder& ZipBuilder::Folder(std::string name) {
  Entry entry{std::move(name), {}, kSampleDosTime};
  entry.folder = true;
  entries_.push_back(std::move(entry));
  return *this;
}

ZipBuilder& ZipBuilder::FileWithBadCrc(std::string name, std::string content) {
  const std::uint64_t size = content.size();
  const std::uint32_t crc = Crc(content) ^ 0xFFFFFFFFu;
  return RawFile(std::move(name), 0, std::move(content), size, crc);
}

ZipBuilder& ZipBuilder::RawFile(std::string name, int method, std::string data, std::uint64_t declaredSize,
                                std::uint32_t crc) {
  Entry entry{std::move(name), std::move(data), kSampleDosTime};
  entry.raw = true;
  entry.method = method;
  entry.declaredSize = declaredSize;
  entry.crc = crc;
  entries_.push_back(std::move(entry));
  return *this;
}

ZipBuilder& ZipBuilder::FileRunningPastTheEnd(std::string name, std::string content) {
  constexpr std::uint64_t kMissingBytes = 100000;
  const std::uint64_t claimed = content.size() + kMissingBytes;
  const std::uint32_t crc = Crc(content);
  RawFile(std::move(name), 0, std::move(content), claimed, crc);
  entries_.back().declaredCompressedSize = claimed;
  return *this;
}

std::string ZipBuilder::Deflated(std::string_view content) {
  z_stream stream{};
  // Negative window bits: a raw stream without zlib's header, as ZIP entries carry it.
  if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -MAX_WBITS, 8, Z_DEFAULT_STRATEGY) != Z_OK)
    throw std::runtime_error("deflateInit2 failed");
  std::string out(deflateBound(&stream, static_cast<uLong>(content.size())), '\0');
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.data()));
  stream.avail_in = static_cast<uInt>(content.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = deflate(&stream, Z_FINISH);
  out.resize(stream.total_out);
  deflateEnd(&stream);
  if (result != Z_STREAM_END) throw std::runtime_error("deflate failed");
  return out;
}

std::uint32_t ZipBuilder::Crc(std::string_view content) {
  return static_cast<std::uint32_t>(
      crc32(0, reinterpret_cast<const Bytef*>(content.data()), static_cast<uInt>(content.size())));
}

void ZipBuilder::WriteTo(const std::filesystem::path& path) const {
  zipFile zip = zipOpen64(path.c_str(), APPEND_STATUS_CREATE);
  if (!zip) throw std::runtime_error("zipOpen64 failed");
  for (const Entry& entry : entries_) {
    zip_fileinfo info{};
    info.dosDate = entry.dosTime;
    const int method = entry.raw ? entry.method : entry.folder ? 0 : Z_DEFLATED;
    if (zipOpenNewFileInZip2(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, method,
                             entry.raw ? 0 : Z_DEFAULT_COMPRESSION, entry.raw ? 1 : 0) != ZIP_OK)
      throw std::runtime_error("zipOpenNewFileInZip2 failed");
    if (!entry.content.empty())
      zipWriteInFileInZip(zip, entry.content.data(), static_cast<unsigned>(entry.content.size()));
    if (entry.raw)
      zipCloseFileInZipRaw(zip, entry.declaredSize, entry.crc);
    else
      zipCloseFileInZip(zip);
  }
  zipClose(zip, nullptr);
  for (const Entry& entry : entries_)
    if (entry.declaredCompressedSize != 0)
      PatchCompressedSize(path, entry.name, static_cast<std::uint32_t>(entry.declaredCompressedSize));
}

// minizip's writer records the size of the data it was given; a lying size is put into both
// headers afterwards, so that the reader's local-against-central check still passes.
void ZipBuilder::PatchCompressedSize(const std::filesystem::path& path, const std::string& name,
                                     std::uint32_t compressedSize) {
  std::vector<char> bytes;
  {
    std::ifstream in(path, std::ios::binary);
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  int patched = 0;
  for (std::size_t at = 0; at + kCentralNameAt <= bytes.size(); ++at) {
    const std::uint32_t signature = ReadLe(bytes, at, 4);
    const bool local = signature == kLocalHeaderSignature;
    if (!local && signature != kCentralHeaderSignature) continue;
    const std::size_t nameLength = ReadLe(bytes, at + (local ? kLocalNameLengthAt : kCentralNameLengthAt), 2);
    const std::size_t nameAt = at + (local ? kLocalNameAt : kCentralNameAt);
    if (nameLength != name.size() || nameAt + nameLength > bytes.size() ||
        !std::equal(name.begin(), name.end(), bytes.begin() + static_cast<std::ptrdiff_t>(nameAt)))
      continue;
    WriteLe32(bytes, at + (local ? kLocalSizesAt : kCentralSizesAt), compressedSize);
    ++patched;
  }
  if (patched != 2) throw std::runtime_error("entry headers not found for " + name);
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
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
