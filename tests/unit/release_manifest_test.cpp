#include "release/winget_manifest.h"

#include <gtest/gtest.h>

#include <string>

#include "model/format_catalogue.h"
#include "platform/text_encoding.h"

namespace lanternix::release {
namespace {

// The DOS header's "MZ", the PE header's offset at 0x3C and, there, "PE\0\0" and the machine.
std::string PeImage(std::uint16_t machine, std::size_t peOffset = 0x80) {
  std::string bytes(peOffset + 6, '\0');
  bytes[0] = 'M';
  bytes[1] = 'Z';
  bytes[0x3C] = static_cast<char>(peOffset & 0xFF);
  bytes[0x3D] = static_cast<char>(peOffset >> 8);
  bytes.replace(peOffset, 4, std::string("PE\0\0", 4));
  bytes[peOffset + 4] = static_cast<char>(machine & 0xFF);
  bytes[peOffset + 5] = static_cast<char>(machine >> 8);
  return bytes;
}

TEST(ReleaseManifestTest, ArchitectureComesFromTheInstallersMachine) {
  EXPECT_EQ(InstallerArchitecture(PeImage(0x014C)), "x86");
  EXPECT_EQ(InstallerArchitecture(PeImage(0x8664, 0x100)), "x64");
  EXPECT_EQ(InstallerArchitecture(PeImage(0x01C4)), std::nullopt);  // ARM: not a build of ours
  std::string cut = PeImage(0x014C);
  cut.resize(cut.size() - 1);
  EXPECT_EQ(InstallerArchitecture(cut), std::nullopt);
  std::string notPe = PeImage(0x014C);
  notPe[0x80] = 'N';
  EXPECT_EQ(InstallerArchitecture(notPe), std::nullopt);
  std::string farOffset = PeImage(0x014C);
  farOffset[0x3F] = '\x7F';  // the PE header would lie 2 GB into a 134-byte file
  EXPECT_EQ(InstallerArchitecture(farOffset), std::nullopt);
  EXPECT_EQ(InstallerArchitecture("MZ"), std::nullopt);
}

TEST(ReleaseManifestTest, ElevationFollowsTheRequestedExecutionLevel) {
  const auto level = [](const std::string& value) {
    return ElevationRequirementFor("<requestedPrivileges>\n  <requestedExecutionLevel level=\"" + value +
                                   "\" uiAccess=\"false\"/>\n</requestedPrivileges>");
  };
  EXPECT_EQ(level("highestAvailable"), "elevatesSelf");
  EXPECT_EQ(level("requireAdministrator"), "elevatesSelf");
  EXPECT_EQ(level("asInvoker"), "elevationRequired");
  EXPECT_EQ(level("somethingElse"), std::nullopt);
  EXPECT_EQ(ElevationRequirementFor("<assembly/>"), std::nullopt);
}

TEST(ReleaseManifestTest, FilesCarryTheCatalogueAndQuoteTheGivenTexts) {
  const auto files = WingetManifest({"https://mirror.example/a\"b\\c.exe", "AB12", "x86", "elevatesSelf"});
  ASSERT_EQ(files.size(), 3u);
  EXPECT_EQ(files[0].fileName, "QuillonVarsk.Lanternix.yaml");
  EXPECT_EQ(files[1].fileName, "QuillonVarsk.Lanternix.installer.yaml");
  EXPECT_EQ(files[2].fileName, "QuillonVarsk.Lanternix.locale.en-US.yaml");
  const std::string& installer = files[1].text;
  EXPECT_NE(installer.find("    InstallerUrl: \"https://mirror.example/a\\\"b\\\\c.exe\"\n"),
            std::string::npos)
      << installer;
  // Every extension of every row, once each, in the catalogue's order.
  std::size_t at = installer.find("FileExtensions:\n");
  ASSERT_NE(at, std::string::npos);
  std::size_t listed = 0;
  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& extension : row.Extensions()) {
      const std::string item = "\n  - \"" + WideToUtf8(extension.extension) + "\"";
      const std::size_t next = installer.find(item, at);
      ASSERT_NE(next, std::string::npos) << item;
      at = next + 1;
      ++listed;
    }
  EXPECT_EQ(listed, kFormatExtensionCount);
  EXPECT_NE(installer.find("PackageVersion: \"4.65\"\n"), std::string::npos);
  EXPECT_NE(DefaultInstallerUrl().find("https://lanternix.example/"), std::string::npos);
}

}  // namespace
}  // namespace lanternix::release
