// A fake machine that carries the setup's real payload and string table, as the built setup
// does, for tests of whole installations.
#pragma once

#include <cstring>
#include <string_view>
#include <vector>

#include "install/payload_integrity.h"
#include "platform/fake/fake_platform.h"
#include "res/host/embedded_resources.h"
#include "res/resource_ids.h"

namespace lanternix::testing {

// Where the parts of SetupImage's file lie.
struct SetupImageParts {
  static constexpr std::size_t kCode = 0x200;       // .text's file data, 0x200 bytes
  static constexpr std::size_t kResources = 0x400;  // .rsrc's file data, 0x200 bytes
  static constexpr std::size_t kRecord = kResources + 0x70;
  static constexpr std::size_t kDialog = kResources + 0x100;
  static constexpr std::size_t kEnd = 0x600;
};

// A small PE file laid out as the linker lays out the setup: headers, a code section and a
// resource section holding "SETUPCRC" 1 (the record's place) and some resource bytes; stamped
// as the build stamps it. PE32+ when wide.
inline std::vector<std::uint8_t> SetupImage(bool wide = false, std::string_view recordType = "SETUPCRC") {
  std::vector<std::uint8_t> image(SetupImageParts::kEnd, 0);
  auto put = [&image](std::size_t at, std::uint32_t value, std::size_t bytes) {
    for (std::size_t i = 0; i < bytes; ++i) image[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
  };
  const std::size_t pe = 0x40, optional = pe + 24, directories = optional + (wide ? 112 : 96);
  put(0, 0x5A4D, 2);
  put(0x3C, pe, 4);
  put(pe, 0x4550, 4);
  put(pe + 4, wide ? 0x8664 : 0x14C, 2);
  put(pe + 6, 2, 2);  // sections
  put(pe + 20, static_cast<std::uint32_t>(directories + 16 * 8 - optional), 2);
  put(optional, wide ? 0x20B : 0x10B, 2);
  put(optional + 64, 0x1234, 4);        // checksum, as a linker may leave it
  put(directories - 4, 16, 4);          // directory count
  put(directories + 2 * 8, 0x2000, 4);  // resources
  put(directories + 2 * 8 + 4, 0x200, 4);
  const std::size_t sections = directories + 16 * 8;
  std::memcpy(&image[sections], ".text", 5);
  put(sections + 12, 0x1000, 4);
  put(sections + 16, 0x200, 4);
  put(sections + 20, SetupImageParts::kCode, 4);
  std::memcpy(&image[sections + 40], ".rsrc", 5);
  put(sections + 40 + 12, 0x2000, 4);
  put(sections + 40 + 16, 0x200, 4);
  put(sections + 40 + 20, SetupImageParts::kResources, 4);
  for (std::size_t i = 0; i < 0x200; ++i)
    image[SetupImageParts::kCode + i] = static_cast<std::uint8_t>(0x90 + i);
  // The resource tree: type (named) -> id 1 -> language 0x409 -> the data entry.
  const std::size_t rsrc = SetupImageParts::kResources;
  put(rsrc + 12, 1, 2);
  put(rsrc + 16, 0x80000058, 4);  // the type's name
  put(rsrc + 20, 0x80000018, 4);
  put(rsrc + 0x18 + 14, 1, 2);
  put(rsrc + 0x18 + 16, kSetupCheckResourceId, 4);
  put(rsrc + 0x18 + 20, 0x80000030, 4);
  put(rsrc + 0x30 + 14, 1, 2);
  put(rsrc + 0x30 + 16, 0x409, 4);
  put(rsrc + 0x30 + 20, 0x48, 4);
  put(rsrc + 0x48, static_cast<std::uint32_t>(0x2000 + SetupImageParts::kRecord - rsrc), 4);
  put(rsrc + 0x4C, kSetupCheckRecordBytes, 4);
  put(rsrc + 0x58, static_cast<std::uint32_t>(recordType.size()), 2);
  for (std::size_t i = 0; i < recordType.size(); ++i) put(rsrc + 0x5A + 2 * i, recordType[i], 2);
  std::memcpy(&image[SetupImageParts::kRecord], "NO CHECK", kSetupCheckRecordBytes);
  for (std::size_t i = 0; i < 0x100; ++i) image[SetupImageParts::kDialog + i] = static_cast<std::uint8_t>(i);
  StampSetupImage(image);
  return image;
}

class SetupMachine : public fake::FakePlatform {
public:
  SetupMachine() {
    for (unsigned id = 1; id <= IDS_CANNOT_WRITE_SETTINGS; ++id)
      if (auto text = EmbeddedString(id); !text.empty()) resources.strings[id] = text;
    resources.views[{L"ZIP", 1974}] = EmbeddedResource(L"ZIP", 1974);
    resources.programFile = setupFile;
    files.CreateFolder(L"C:\\Start");
    files.SetCurrentFolder(L"C:\\Start");
  }

  // The setup's own file as the check reads it.
  std::vector<std::uint8_t> setupFile = SetupImage();

  std::string Text(std::wstring_view path) {
    const auto bytes = files.ReadAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }
  // The log's entries with their date and time lines left out.
  std::vector<std::string> LogMessages(std::wstring_view folder) {
    std::vector<std::string> entries;
    const std::string log = Text(std::wstring(folder) + L"\\Lanternix_Install.log");
    if (log == "<missing>") return entries;
    std::size_t at = 0;
    while ((at = log.find(" - ", at)) != std::string::npos) {
      const auto colon = log.find(": ", at);
      const auto separator = log.find("\r\n------------------------------------------------", colon);
      entries.push_back(log.substr(colon + 2, separator - colon - 2));
      at = separator;
    }
    return entries;
  }
};

}  // namespace lanternix::testing
