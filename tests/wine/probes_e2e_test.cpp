#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

std::map<std::string, std::string> ProbeReport(WinePrefix& prefix,
                                               const std::vector<std::string>& args = {}) {
  const RunResult result = prefix.Run(ToolExe("probe-report"), args);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  return ParseToolReport(result.output);
}

class OsVersionMatrixTest : public ::testing::TestWithParam<std::pair<std::string, std::string>> {};

TEST_P(OsVersionMatrixTest, ClassifiesTheRunningWindows) {
  WinePrefix prefix(GetParam().first);
  EXPECT_EQ(ProbeReport(prefix)["os_class"], GetParam().second);
}

INSTANTIATE_TEST_SUITE_P(WineVersions, OsVersionMatrixTest,
                         ::testing::Values(std::pair{"winxp64", "1"}, std::pair{"vista", "6"},
                                           std::pair{"win7", "7"}, std::pair{"win8", "8"},
                                           std::pair{"win81", "8"}, std::pair{"win10", "10"}),
                         [](const auto& param) { return param.param.first; });

TEST(InstallFolderProbeTest, DefaultFolderAndSeededInstallation) {
  WinePrefix prefix("win10");
  auto report = ProbeReport(prefix);
  EXPECT_EQ(report["default_folder"], ProgramFilesFolder() + "\\Lanternix");
  EXPECT_EQ(report["existing_folder"], "<none>");

  prefix.ImportRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Lanternix\\shell\\open\\command]\r\n"
      "@=\"\\\"C:\\\\Tools\\\\Lanternix Viewer\\\\l_tern32.exe\\\" \\\"%1\\\"\"\r\n");
  report = ProbeReport(prefix);
  EXPECT_EQ(report["existing_folder"], "C:\\Tools\\Lanternix Viewer\\");
}

// The payload's icon library must be recognised as the publisher's 4.30 release by the real
// version API, or the installer would never replace an old one.
TEST(PayloadUnderWineTest, IconLibraryReadsAsThePublishers430) {
  WinePrefix prefix("win10");
  fs::create_directories(prefix.HostPath("C:\\probe"));
  fs::copy_file(PayloadFile("Icons.dll"), prefix.HostPath("C:\\probe\\Icons.dll"));
  auto report = ProbeReport(prefix, {"file", "C:\\probe\\Icons.dll"});
  EXPECT_EQ(report["version_found"], "1");
  EXPECT_EQ(report["version"], "4.30");
  EXPECT_EQ(report["company"], "Quillon Varsk");
  EXPECT_EQ(report["size"], "226816");

  report = ProbeReport(prefix, {"file", "C:\\probe\\missing.dll"});
  EXPECT_EQ(report["version_found"], "0");
  EXPECT_EQ(report["size"], "0");
}

TEST(PayloadUnderWineTest, ViewerWindowIsFoundWhileItRuns) {
  WinePrefix prefix("win10");
  EXPECT_EQ(ProbeReport(prefix, {"window", "Lanternix", "0"})["window"], "0");
  prefix.Start(PayloadFile("l_tern32.exe"), {"/thumbs"});
  EXPECT_EQ(ProbeReport(prefix, {"window", "Lanternix", "20"})["window"], "1");
}

}  // namespace
}  // namespace lanternix::e2e
