#include <gtest/gtest.h>

#include <set>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kUserDesktop = "C:\\users\\root\\Desktop\\";
constexpr const char* kUserGroup = "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\";
constexpr const char* kCommonDesktop = "C:\\users\\Public\\Desktop\\";
constexpr const char* kCommonGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\";

std::set<std::string> Names(const fs::path& folder) {
  std::set<std::string> names;
  if (fs::exists(folder))
    for (const auto& entry : fs::directory_iterator(folder)) names.insert(entry.path().filename().string());
  return names;
}

class ShortcutsUnderWineTest : public ::testing::TestWithParam<std::string> {};

TEST_P(ShortcutsUnderWineTest, LinksReadBackWithTheirFourProperties) {
  WinePrefix prefix(GetParam());
  const RunResult result = prefix.Run(ToolExe("make-shortcuts"), {"C:\\Apps\\Lanternix  ", "1", "1", "1", "0"});
  ASSERT_EQ(result.exitCode, 0) << result.output;

  const LinkInfo viewer = prefix.ReadLink(std::string(kUserDesktop) + "Lanternix.lnk");
  EXPECT_EQ(viewer.target, "C:\\Apps\\Lanternix\\l_tern32.exe") << viewer.raw;
  EXPECT_EQ(viewer.arguments, "") << viewer.raw;
  EXPECT_EQ(viewer.iconLocation, "") << viewer.raw;
  EXPECT_EQ(viewer.description, "Lanternix - Image Viewer") << viewer.raw;

  const LinkInfo thumbs = prefix.ReadLink(std::string(kUserDesktop) + "Lanternix Thumbnails.lnk");
  EXPECT_EQ(thumbs.target, "C:\\Apps\\Lanternix\\l_tern32.exe") << thumbs.raw;
  EXPECT_EQ(thumbs.arguments, "/thumbs") << thumbs.raw;
  EXPECT_EQ(thumbs.iconLocation, "C:\\Apps\\Lanternix\\l_tern32.exe") << thumbs.raw;
  EXPECT_EQ(thumbs.iconIndex, 7) << thumbs.raw;
  EXPECT_EQ(thumbs.description, "Lanternix - Thumbnails") << thumbs.raw;

  const LinkInfo groupThumbs = prefix.ReadLink(std::string(kUserGroup) + "Lanternix - Thumbnails.lnk");
  EXPECT_EQ(groupThumbs.arguments, "/thumbs") << groupThumbs.raw;
  EXPECT_EQ(groupThumbs.iconIndex, 7) << groupThumbs.raw;
  EXPECT_EQ(groupThumbs.description, "") << groupThumbs.raw;
  EXPECT_EQ(prefix.ReadLink(std::string(kUserGroup) + "Available PlugIns.lnk").target,
            "C:\\Apps\\Lanternix\\l_plugins.txt");

  std::set<std::string> expected{"Lanternix 4.65.lnk",       "Lanternix - Thumbnails.lnk", "About Lanternix.lnk",
                                 "What's New.lnk",           "Command line Options.lnk",   "Available PlugIns.lnk",
                                 "Available Languages.lnk",  "Lanternix Help.lnk"};
  if (GetParam() != "win8") {
    expected.insert("Uninstall Lanternix.lnk");
    EXPECT_EQ(prefix.ReadLink(std::string(kUserGroup) + "Uninstall Lanternix.lnk").target,
              "C:\\Apps\\Lanternix\\lt_uninstall.exe");
  }
  EXPECT_EQ(Names(prefix.HostPath(kUserGroup)), expected);
  EXPECT_TRUE(Names(prefix.HostPath(kCommonGroup)).empty());
}

TEST_P(ShortcutsUnderWineTest, AllUsersGoToTheCommonFolders) {
  WinePrefix prefix(GetParam());
  ASSERT_EQ(prefix.Run(ToolExe("make-shortcuts"), {"D:\\Viewer\\", "1", "1", "0", "1"}).exitCode, 0);
  EXPECT_EQ(prefix.ReadLink(std::string(kCommonDesktop) + "Lanternix.lnk").target, "D:\\Viewer\\l_tern32.exe");
  EXPECT_EQ(prefix.ReadLink(std::string(kCommonGroup) + "Lanternix 4.65.lnk").target, "D:\\Viewer\\l_tern32.exe");
  EXPECT_EQ(Names(prefix.HostPath(kCommonGroup)).size(), GetParam() == "win8" ? 8u : 9u);
  EXPECT_EQ(Names(prefix.HostPath(kUserDesktop)).count("Lanternix.lnk"), 0u);
}

INSTANTIATE_TEST_SUITE_P(WineVersions, ShortcutsUnderWineTest, ::testing::Values("win7", "win8", "win10"),
                         [](const auto& param) { return param.param; });

}  // namespace
}  // namespace lanternix::e2e
