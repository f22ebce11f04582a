// Builds ZIP archives for the extraction tests with minizip's writer, including broken ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
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
  std::vector<std::uint8_t> Bytes() const;
  void WriteTo(const std::filesystem::path& path) const;

private:
  struct Entry {
    std::string name;
    std::string content;
    std::uint32_t dosTime = kSampleDosTime;
    bool folder = false;
    bool badCrc = false;
  };
  std::vector<Entry> entries_;
};

}  // namespace lanternix::testing
