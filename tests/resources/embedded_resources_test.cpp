// The host's view of the setup's resources against what the Windows builds embed.
#include "res/host/embedded_resources.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/resources/tool_output.h"

namespace lanternix::test {
namespace {

std::string Bytes(std::span<const std::uint8_t> bytes) {
  return std::string(bytes.begin(), bytes.end());
}

TEST(EmbeddedResourcesTest, StringsMatchTheWindowsStringTables) {
  for (const WindowsBuild& build : WindowsBuilds()) {
    SCOPED_TRACE(build.name);
    const std::string block = ExtractResource(build.SetupExe(), "6", "1");
    ASSERT_FALSE(block.empty()) << build.SetupExe();
    std::size_t at = 0;
    for (unsigned id = 0; id < 16; ++id) {
      const std::uint16_t length = Word(block, at);
      EXPECT_TRUE(ToUtf16(EmbeddedString(id)) == Utf16(block, at + 2, length)) << "string " << id;
      at += 2 + 2 * std::size_t{length};
    }
  }
  EXPECT_EQ(EmbeddedString(7).find(L"Can't install all files!\n\nPlease close"), 0u);
  EXPECT_TRUE(EmbeddedString(4).empty());
  EXPECT_TRUE(EmbeddedString(1974).empty());
}

TEST(EmbeddedResourcesTest, ReleaseNotesAndPayloadAreTheBytesTheWindowsBuildsEmbed) {
  const std::string notes = Bytes(EmbeddedResource(L"TXT", 217));
  ASSERT_FALSE(notes.empty());
  for (const WindowsBuild& build : WindowsBuilds())
    EXPECT_TRUE(ExtractResource(build.SetupExe(), "TXT", "217") == notes) << build.name;

  // The host packs the x86_64 payload from the same sources with the same toolchain, and the
  // archive is reproducible, so it must equal what the win64 setup carries.
  const std::string payload = Bytes(EmbeddedResource(L"ZIP", 1974));
  ASSERT_FALSE(payload.empty());
  EXPECT_TRUE(payload == ReadFileBytes(LANTERNIX_HOST_PAYLOAD_ZIP));
  EXPECT_TRUE(payload == ExtractResource(WindowsBuilds()[1].SetupExe(), "ZIP", "1974"))
      << "the host payload differs from the win64 build's: rebuild both";
}

TEST(EmbeddedResourcesTest, TypeNamesMatchWithoutCaseAndNothingElseIsFound) {
  EXPECT_EQ(EmbeddedResource(L"zip", 1974).size(), EmbeddedResource(L"ZIP", 1974).size());
  EXPECT_TRUE(EmbeddedResource(L"ZIP", 217).empty());
  EXPECT_TRUE(EmbeddedResource(L"TXT", 1974).empty());
  EXPECT_TRUE(EmbeddedResource(L"ZIPS", 1974).empty());
  EXPECT_TRUE(EmbeddedResource(L"", 0).empty());
}

}  // namespace
}  // namespace lanternix::test
