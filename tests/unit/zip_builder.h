// Builds ZIP archives for the extraction tests with minizip's writer, including broken ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace lanternix::testing {

// 2023-11-20 12:34:56 as an MS-DOS date (high word) and time (low word).
inline constexpr std::uint32_t kSampleDosTime =
    (43u << 9 | 11u << 5 | 20u) << 16 | (12u << 11 | 34u << 5 | 28u);

class ZipBuilder {
public:
  ZipBuilder& File(std::string name, std::string content, std::uint32_t dosTime = kSampleDosTime);
  ZipBuilder& Folder(std::string name);
  // A stored entry whose recorded CRC does not match its bytes.
  ZipBuilder& FileWithBadCrc(std::string name, std::string content);
  // An entry whose data goes in as given (already deflated when method is Z_DEFLATED) with the
  // uncompressed size and CRC the archive records for it, which need not fit the data.
  ZipBuilder& RawFile(std::string name, int method, std::string data, std::uint64_t declaredSize,
                      std::uint32_t crc);
  // A stored entry whose recorded sizes claim far more bytes than the archive holds.
  ZipBuilder& FileRunningPastTheEnd(std::string name, std::string content);
  std::vector<std::uint8_t> Bytes() const;
  // A complete raw deflate stream of content, as a ZIP entry carries it.
  static std::string Deflated(std::string_view content);
  static std::uint32_t Crc(std::string_view content);
  void WriteTo(const std::filesystem::path& path) const;

private:
  struct Entry {
    std::string name;
    std::string content;
    std::uint32_t dosTime = kSampleDosTime;
    bool folder = false;
    bool raw = false;
    int method = 0;
    std::uint64_t declaredSize = 0;
    std::uint32_t crc = 0;
    std::uint64_t declaredCompressedSize = 0;  // 0: the size of the data
  };
  static void PatchCompressedSize(const std::filesystem::path& path, const std::string& name,
                                  std::uint32_t compressedSize);
  std::vector<Entry> entries_;
};

}  // namespace lanternix::testing
