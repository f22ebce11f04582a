#include "install/shortcuts.h"

#include <gtest/gtest.h>

#include "platform/fake/fake_platform.h"
#include "platform/text_limits.h"

namespace lanternix {
namespace {

constexpr const wchar_t* kUserDesktop = L"C:\\Users\\tester\\Desktop\\";
constexpr const wchar_t* kUserGroup = L"C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\";
constexpr const wchar_t* kCommonDesktop = L"C:\\Users\\Public\\Desktop\\";
constexpr const wchar_t* kCommonGroup = L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\";

class ShortcutsTest : public ::testing::Test {
protected:
  const ShellLink& Link(const std::wstring& path) {
    const auto found = platform.shell.links.find(platform.files.FullPath(path));
    if (found == platform.shell.links.end()) ADD_FAILURE() << "no link " << fake::ToUtf8(path);
    static const ShellLink none;
    return found == platform.shell.links.end() ? none : found->second;
  }
  std::vector<std::wstring> FilesIn(const std::wstring& folder) {
    std::vector<std::wstring> names;
    for (const auto& entry : std::filesystem::directory_iterator(*platform.files.HostPath(folder)))
      names.push_back(fake::FromUtf8(entry.path().filename().string()));
    std::sort(names.begin(), names.end());
    return names;
  }
  fake::FakePlatform platform;
};

TEST_F(ShortcutsTest, NothingWithoutOptions) {
  CreateShortcuts(platform.Get(), L"C:\\Apps\\Lanternix\\", 0, 0, 0, 0);
  EXPECT_TRUE(platform.shell.links.empty());
  EXPECT_FALSE(platform.files.Exists(kUserGroup));
}

TEST_F(ShortcutsTest, DesktopLinksForTheCurrentUser) {
  CreateShortcuts(platform.Get(), L"  C:\\Apps\\Lanternix  ", 0, 1, 1, 0);
  const ShellLink& viewer = Link(std::wstring(kUserDesktop) + L"Lanternix.lnk");
  EXPECT_EQ(viewer.target, L"C:\\Apps\\Lanternix\\l_tern32.exe");
  EXPECT_EQ(viewer.arguments, std::nullopt);
  EXPECT_EQ(viewer.iconPath, std::nullopt);
  EXPECT_EQ(viewer.description, L"Lanternix - Image Viewer");
  const ShellLink& thumbs = Link(std::wstring(kUserDesktop) + L"Lanternix Thumbnails.lnk");
  EXPECT_EQ(thumbs.target, L"C:\\Apps\\Lanternix\\l_tern32.exe");
  EXPECT_EQ(thumbs.arguments, L"/thumbs");
  EXPECT_EQ(thumbs.iconPath, L"C:\\Apps\\Lanternix\\l_tern32.exe");
  EXPECT_EQ(thumbs.iconIndex, 7);
  EXPECT_EQ(thumbs.description, L"Lanternix - Thumbnails");
  EXPECT_EQ(platform.shell.links.size(), 2u);
}

TEST_F(ShortcutsTest, GroupHasNineLinksAndRemovesThePreviousReleases) {
  platform.files.WriteText(std::wstring(kUserGroup) + L"Lanternix 4.62.lnk", "old");
  platform.files.WriteText(std::wstring(kUserGroup) + L"Lanternix 4.60.lnk", "older");
  platform.files.WriteText(std::wstring(kUserGroup) + L"My notes.txt", "kept");
  CreateShortcuts(platform.Get(), L"C:\\Apps\\Lanternix", 1, 0, 0, 0);
  EXPECT_EQ(FilesIn(kUserGroup),
            (std::vector<std::wstring>{L"About Lanternix.lnk", L"Available Languages.lnk", L"Available PlugIns.lnk",
                                       L"Command line Options.lnk", L"Lanternix - Thumbnails.lnk",
                                       L"Lanternix 4.65.lnk", L"Lanternix Help.lnk", L"My notes.txt",
                                       L"Uninstall Lanternix.lnk", L"What's New.lnk"}));
  EXPECT_EQ(Link(std::wstring(kUserGroup) + L"Lanternix 4.65.lnk").target, L"C:\\Apps\\Lanternix\\l_tern32.exe");
  const ShellLink& thumbs = Link(std::wstring(kUserGroup) + L"Lanternix - Thumbnails.lnk");
  EXPECT_EQ(thumbs.arguments, L"/thumbs");
  EXPECT_EQ(thumbs.iconIndex, 7);
  EXPECT_EQ(thumbs.description, std::nullopt);
  EXPECT_EQ(Link(std::wstring(kUserGroup) + L"Uninstall Lanternix.lnk").target,
            L"C:\\Apps\\Lanternix\\lt_uninstall.exe");
  EXPECT_EQ(Link(std::wstring(kUserGroup) + L"Lanternix Help.lnk").target, L"C:\\Apps\\Lanternix\\l_tern32.chm");
  EXPECT_EQ(Link(std::wstring(kUserGroup) + L"What's New.lnk").target, L"C:\\Apps\\Lanternix\\l_changes.txt");
}

TEST_F(ShortcutsTest, Windows8GroupHasNoUninstallLink) {
  platform.system.SetVersion(6, 3, 9600);
  CreateShortcuts(platform.Get(), L"C:\\Apps\\Lanternix\\", 1, 0, 0, 0);
  EXPECT_EQ(FilesIn(kUserGroup).size(), 8u);
  EXPECT_FALSE(platform.files.Exists(std::wstring(kUserGroup) + L"Uninstall Lanternix.lnk"));
}

TEST_F(ShortcutsTest, AllUsersFoldersAndRunningTwiceReplacesInPlace) {
  CreateShortcuts(platform.Get(), L"D:\\Viewer\\", 1, 1, 1, 1);
  CreateShortcuts(platform.Get(), L"D:\\Viewer\\", 1, 1, 1, 1);
  EXPECT_EQ(FilesIn(kCommonGroup).size(), 9u);
  EXPECT_EQ(FilesIn(kCommonDesktop),
            (std::vector<std::wstring>{L"Lanternix Thumbnails.lnk", L"Lanternix.lnk"}));
  EXPECT_FALSE(platform.files.Exists(std::wstring(kUserDesktop) + L"Lanternix.lnk"));
  EXPECT_FALSE(platform.files.Exists(kUserGroup));
  EXPECT_EQ(platform.shell.links.size(), 11u);
}

TEST_F(ShortcutsTest, UnknownShellFolderFallsBackToTheWindowsFolder) {
  platform.shell.folders.erase(kCsidlDesktop);
  platform.files.CreateFolder(L"C:\\Windows");
  CreateShortcuts(platform.Get(), L"C:\\Apps\\", 0, 1, 0, 0);
  EXPECT_EQ(Link(L"C:\\Windows\\Lanternix.lnk").target, L"C:\\Apps\\l_tern32.exe");
}

TEST_F(ShortcutsTest, AnOverlongFolderNeverOverflows) {
  const std::wstring folder = L"C:\\" + std::wstring(300, L'x') + L"\\";
  CreateShortcuts(platform.Get(), folder, 1, 1, 1, 0);
  for (const auto& [path, link] : platform.shell.links) EXPECT_LT(link.target.size(), kShortTextChars);
}

}  // namespace
}  // namespace lanternix
