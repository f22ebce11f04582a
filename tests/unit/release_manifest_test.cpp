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

// The setup installs for the machine: the package manager must start it elevated whatever level it
// requests, since "elevatesSelf" leaves a standard user's highestAvailable run without rights.
TEST(ReleaseManifestTest, AMachineSetupRequiresElevationAtEveryKnownLevel) {
  const auto level = [](const std::string& value) {
    return ElevationRequirementFor("<requestedPrivileges>\n  <requestedExecutionLevel level=\"" + value +
                                   "\" uiAccess=\"false\"/>\n</requestedPrivileges>");
  };
  EXPECT_EQ(level("highestAvailable"), "elevationRequired");
  EXPECT_EQ(level("requireAdministrator"), "elevationRequired");
  EXPECT_EQ(level("asInvoker"), "elevationRequired");
  EXPECT_EQ(level("somethingElse"), std::nullopt);
  EXPECT_EQ(ElevationRequirementFor("<assembly/>"), std::nullopt);
}

TEST(ReleaseManifestTest, FilesCarryTheCatalogueAndQuoteTheGivenTexts) {
  const auto files = WingetManifest({"AB12", "x86", "elevationRequired"},
                                    {"https://mirror.example/a\"b\\c.exe", "https://a", "https://b"});
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
}

TEST(ReleaseManifestTest, InstallerFileOffersEveryModeTheStartMenuGroupAndOnlyTheEntrysOwnFields) {
  const std::string installer =
      WingetManifest({"AB12", "x86", "elevationRequired"}, DefaultReleaseAddresses())[1].text;
  EXPECT_NE(installer.find("InstallModes:\n  - interactive\n  - silent\n  - silentWithProgress\n"),
            std::string::npos)
      << installer;
  // The custom switches come before the location, which must stay last.
  EXPECT_NE(installer.find("  SilentWithProgress: \"/silent\"\n  Custom: \"/group=1 /allusers=1\"\n"
                           "  InstallLocation: \"/folder=<INSTALLPATH>\"\n"),
            std::string::npos)
      << installer;
  // Publisher and version are the package's own: the entry names only what differs, and its key.
  EXPECT_NE(installer.find("AppsAndFeaturesEntries:\n  - DisplayName: \"Lanternix 4.65 (32-bit)\"\n"
                           "    ProductCode: \"Lanternix\"\nElevationRequirement: elevationRequired\n"),
            std::string::npos)
      << installer;
}

TEST(ReleaseManifestTest, LocaleFileNamesTheReleasesAddressesAndDescribesWithoutClaims) {
  const std::string locale =
      WingetManifest({"AB12", "x86", "elevationRequired"},
                     {"https://dl.example.org/s.exe", "https://quillon.net/", "https://quillon.net/eula"})[2]
          .text;
  EXPECT_NE(locale.find("PublisherUrl: \"https://quillon.net/\"\n"), std::string::npos) << locale;
  EXPECT_NE(locale.find("LicenseUrl: \"https://quillon.net/eula\"\n"), std::string::npos) << locale;
  EXPECT_NE(locale.find("ShortDescription: \"Picture viewer, editor and converter\"\n"), std::string::npos)
      << locale;
  EXPECT_NE(locale.find("Description: \"Picture viewer, editor and converter - one of the most popular"),
            std::string::npos)
      << locale;
  EXPECT_EQ(locale.find("lanternix.example"), std::string::npos) << locale;
}

TEST(ReleaseManifestTest, ReservedNamesArePlaceholders) {
  const ReleaseAddresses defaults = DefaultReleaseAddresses();
  for (const std::string& address : {defaults.installerUrl, defaults.publisherUrl, defaults.licenseUrl})
    EXPECT_TRUE(IsPlaceholderAddress(address)) << address;
  EXPECT_EQ(defaults.installerUrl, "https://lanternix.example/download/4.65/lanternix-setup.exe");
  for (const char* address :
       {"https://LANTERNIX.EXAMPLE./x", "https://user@mirror.test:8443/a", "https://example.com",
        "https://www.example.org/?q", "https://a.invalid#x", "https://localhost/"})
    EXPECT_TRUE(IsPlaceholderAddress(address)) << address;
  for (const char* address :
       {"https://lanternix.net/", "https://example.community/x", "https://cdn.example.co.uk/",
        "https://downloads.lanternix.net/example/setup.exe", "https://myexample.com/"})
    EXPECT_FALSE(IsPlaceholderAddress(address)) << address;
}

}  // namespace
}  // namespace lanternix::release
