// payload.zip as independent readers see it: the 39 entries in their order, every file entry
// deflated and unencrypted with a stored date, and the files the setup relies on being what it
// expects (the icon library's version and size, the viewer's icons, the toolbar image sizes).
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/resources/tool_output.h"

namespace lanternix::test {
namespace {

struct Archive {
  std::string name;
  std::string path;
};

void PrintTo(const Archive& archive, std::ostream* out) {
  *out << archive.name;
}

std::vector<Archive> Archives() {
  std::vector<Archive> archives;
  for (const WindowsBuild& build : WindowsBuilds()) archives.push_back({build.name, build.PayloadZip()});
  archives.push_back({"host", LANTERNIX_HOST_PAYLOAD_ZIP});
  return archives;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream stream(text);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

// The value after "label:" on every line of unzip -Zv that carries it, in entry order.
std::vector<std::string> VerboseField(const std::string& listing, const std::string& label) {
  std::vector<std::string> values;
  for (const std::string& line : Lines(listing)) {
    const std::size_t at = line.find(label + ":");
    if (at == std::string::npos || line.find_first_not_of(' ') != at) continue;
    const std::size_t value = line.find_first_not_of(' ', at + label.size() + 1);
    values.push_back(value == std::string::npos ? "" : line.substr(value));
  }
  return values;
}

class PayloadArchiveTest : public ::testing::TestWithParam<Archive> {
 protected:
  void SetUp() override {
    ASSERT_TRUE(FileExists(GetParam().path))
        << GetParam().path << " is missing: build the " << GetParam().name << " payload first";
  }
  std::string Member(const std::string& name) const {
    return RunTool(LANTERNIX_UNZIP, {"-p", GetParam().path, name}).output;
  }
};

TEST_P(PayloadArchiveTest, ListsTheEntriesInOrderWithFoldersAheadOfTheirFiles) {
  const ToolResult unzip = RunTool(LANTERNIX_UNZIP, {"-Z1", GetParam().path});
  ASSERT_EQ(unzip.status, 0);
  EXPECT_EQ(Lines(unzip.output), PayloadEntryNames());
  EXPECT_EQ(PayloadEntryNames().size(), 39u);

  const ToolResult bsdtar = RunTool(LANTERNIX_BSDTAR, {"-tf", GetParam().path});
  ASSERT_EQ(bsdtar.status, 0);
  EXPECT_EQ(Lines(bsdtar.output), PayloadEntryNames());
}

TEST_P(PayloadArchiveTest, EveryFileIsDeflatedUnencryptedAndDated) {
  const ToolResult verbose = RunTool(LANTERNIX_UNZIP, {"-Zv", GetParam().path});
  ASSERT_EQ(verbose.status, 0);
  const auto methods = VerboseField(verbose.output, "compression method");
  const auto security = VerboseField(verbose.output, "file security status");
  const auto dates = VerboseField(verbose.output, "file last modified on (DOS date/time)");
  const auto names = PayloadEntryNames();
  ASSERT_EQ(methods.size(), names.size());
  ASSERT_EQ(security.size(), names.size());
  ASSERT_EQ(dates.size(), names.size());
  for (std::size_t i = 0; i < names.size(); ++i) {
    SCOPED_TRACE(names[i]);
    if (!names[i].ends_with("/")) {
      EXPECT_EQ(methods[i], "deflated");
    }
    EXPECT_EQ(security[i], "not encrypted");
    EXPECT_EQ(dates[i], "2023 Nov 20 12:00:00");
  }
}

// Read as the setup reads it: "%d.%d%d" of the product version's high and low word and the high
// word of the file version's least significant double word.
TEST_P(PayloadArchiveTest, IconLibraryReadsAs430FromThePublisherAtItsExactSize) {
  const std::string library = Member("Plugins/Icons.dll");
  EXPECT_EQ(library.size(), 226816u);
  const std::string file = ::testing::TempDir() + "/icons_" + GetParam().name + ".dll";
  {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(library.data(), 1, library.size(), out);
    std::fclose(out);
  }
  const std::string version = ExtractResource(file, "16", "1");
  std::filesystem::remove(file);
  const std::size_t fixed = version.find(std::string("\xBD\x04\xEF\xFE", 4));
  ASSERT_NE(fixed, std::string::npos);
  const std::uint32_t fileVersionLS = Dword(version, fixed + 12);
  const std::uint32_t productVersionMS = Dword(version, fixed + 16);
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u%u", productVersionMS >> 16, productVersionMS & 0xFFFF,
                fileVersionLS >> 16);
  EXPECT_STREQ(text, "4.30");

  // CompanyName in the 040904E4 table: the key, its padding, then the value.
  const std::u16string strings = Utf16(version, 0, version.size() / 2);
  const std::size_t table = strings.find(u"040904E4");
  ASSERT_NE(table, std::u16string::npos);
  const std::size_t key = strings.find(u"CompanyName", table);
  ASSERT_NE(key, std::u16string::npos);
  const std::size_t value = strings.find_first_not_of(u'\0', key + 11);
  EXPECT_TRUE(strings.compare(value, 14, std::u16string(u"Quillon Varsk\0", 14)) == 0);
}

TEST_P(PayloadArchiveTest, ViewerCarriesTenIconsAndItsWindowClassName) {
  const std::string viewer = Member("l_tern32.exe");
  ASSERT_FALSE(viewer.empty());
  const std::string file = ::testing::TempDir() + "/viewer_" + GetParam().name + ".exe";
  {
    std::FILE* out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    std::fwrite(viewer.data(), 1, viewer.size(), out);
    std::fclose(out);
  }
  const auto icons = ListResourceNames(file, "14");
  std::filesystem::remove(file);
  EXPECT_GE(icons.size(), 10u) << "icon indices 0, 7, 8 and 9 must exist";
  EXPECT_NE(viewer.find(std::string("L\0a\0n\0t\0e\0r\0n\0i\0x\0\0\0", 20)), std::string::npos);
}

TEST_P(PayloadArchiveTest, ToolbarSkinsArePngsOfTheirButtonSize) {
  const std::vector<std::pair<std::string, std::uint32_t>> skins = {
      {"Toolbars/Vespin_16.png", 16},
      {"Toolbars/Halbrenk_24.png", 24},
      {"Toolbars/gnome-colors-wise_32.png", 32},
      {"Toolbars/gnome-colors-human_48.png", 48}};
  for (const auto& [name, size] : skins) {
    SCOPED_TRACE(name);
    const std::string png = Member(name);
    ASSERT_GE(png.size(), 24u);
    EXPECT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8));
    const auto bigEndian = [&](std::size_t at) {
      return static_cast<std::uint32_t>(static_cast<unsigned char>(png[at])) << 24 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 1])) << 16 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 2])) << 8 |
             static_cast<std::uint32_t>(static_cast<unsigned char>(png[at + 3]));
    };
    EXPECT_EQ(bigEndian(20), size) << "height";
    EXPECT_EQ(bigEndian(16) % size, 0u) << "a whole number of square buttons";
  }
}

TEST_P(PayloadArchiveTest, TextFilesUseWindowsLineEnds) {
  for (const std::string& name : PayloadEntryNames()) {
    if (!name.ends_with(".txt") && !name.ends_with(".htm") && !name.ends_with(".lng")) continue;
    SCOPED_TRACE(name);
    const std::string text = Member(name);
    ASSERT_GT(text.size(), 200u) << "real content";
    for (std::size_t i = 0; i < text.size(); ++i)
      if (text[i] == '\n') {
        ASSERT_TRUE(i > 0 && text[i - 1] == '\r') << "bare LF at " << i;
      }
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, PayloadArchiveTest, ::testing::ValuesIn(Archives()),
                         [](const auto& parameter) { return parameter.param.name; });

}  // namespace
}  // namespace lanternix::test
