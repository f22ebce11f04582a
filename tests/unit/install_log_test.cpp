#include "install/install_log.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "platform/fake/fake_platform.h"

namespace lanternix {
namespace {

const std::string kSeparator = "------------------------------------------------\r\n";

class InstallLogTest : public ::testing::Test {
 protected:
  std::string Log(std::wstring_view folder = L"C:\\") {
    const auto bytes = platform.files.ReadAll(std::wstring(folder) + L"\\Lanternix_Install.log");
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }

  fake::FakePlatform platform;
};

TEST_F(InstallLogTest, WritesOneEntryWithCrLfForEveryLineFeedOfTheMessage) {
  WriteInstallLog(platform.Get(),
                  L"Warning: Lanternix is running!\nPlease close all Lanternix instances before "
                  L"you install this version!");
  EXPECT_EQ(Log(),
            "07.03.2024 - 14:05:09: Warning: Lanternix is running!\r\n"
            "Please close all Lanternix instances before you install this version!\r\n" +
                kSeparator);
}

TEST_F(InstallLogTest, AppendsEntriesAndKeepsWhatWasThere) {
  platform.files.WriteText(L"C:\\Lanternix_Install.log", "earlier run\r\n");
  WriteInstallLog(platform.Get(), L"Invalid destination directory!: ");
  platform.system.now = {2023, 12, 31, 0, 0, 5};
  platform.system.shortDateFormat = L"M/d/yy";
  WriteInstallLog(platform.Get(), L"C:\\Dest\\: Can't install all files!\n\nPlease close");
  EXPECT_EQ(Log(),
            "earlier run\r\n"
            "07.03.2024 - 14:05:09: Invalid destination directory!: \r\n" +
                kSeparator +
                "12/31/23 - 00:00:05: C:\\Dest\\: Can't install all files!\r\n\r\nPlease close\r\n" +
                kSeparator);
}

TEST_F(InstallLogTest, GoesToTheCurrentFolder) {
  platform.files.CreateFolder(L"C:\\Dest");
  ASSERT_TRUE(platform.files.SetCurrentFolder(L"C:\\Dest"));
  WriteInstallLog(platform.Get(), L"x");
  EXPECT_EQ(Log(L"C:\\Dest"), "07.03.2024 - 14:05:09: x\r\n" + kSeparator);
  EXPECT_FALSE(platform.files.Exists(L"C:\\Lanternix_Install.log"));
}

TEST_F(InstallLogTest, FolderNamesBeyondAsciiAreStoredAsUtf8) {
  platform.system.shortDateFormat = L"yyyy-MM-dd";
  WriteInstallLog(platform.Get(), L"Can't create destination directory!: C:\\B\u00FCcher\\\u4E2D\\");
  EXPECT_EQ(Log(),
            "2024-03-07 - 14:05:09: Can't create destination directory!: C:\\B\xC3\xBC"
            "cher\\\xE4\xB8\xAD\\\r\n" +
                kSeparator);
}

TEST_F(InstallLogTest, ALogThatCannotBeOpenedIsSkippedSilently) {
  platform.files.CreateFolder(L"C:\\ReadOnly");
  platform.files.MakeReadOnly(L"C:\\ReadOnly");
  ASSERT_TRUE(platform.files.SetCurrentFolder(L"C:\\ReadOnly"));
  WriteInstallLog(platform.Get(), L"lost");
  EXPECT_FALSE(platform.files.Exists(L"C:\\ReadOnly\\Lanternix_Install.log"));

  platform.files.WriteText(L"C:\\Lanternix_Install.log", "held\r\n");
  platform.files.Lock(L"C:\\Lanternix_Install.log");
  ASSERT_TRUE(platform.files.SetCurrentFolder(L"C:\\"));
  WriteInstallLog(platform.Get(), L"lost too");
  // The fake refuses to read a held file too, so its size is looked up on the host.
  EXPECT_EQ(std::filesystem::file_size(*platform.files.HostPath(L"C:\\Lanternix_Install.log")), 6u);
}

// The current folder (a downloads folder) and the temporary folder are the user's to write:
// a link or a hard link planted under the log's name must not make the elevated setup or
// uninstaller append to the file it names. Nothing is written there, and nothing elsewhere.
TEST_F(InstallLogTest, APlantedLinkOrHardLinkIsNotWrittenThrough) {
  platform.files.WriteText(L"C:\\Windows\\win.ini", "[fonts]\r\n");
  platform.files.MakeLink(L"C:\\Lanternix_Install.log", L"C:\\Windows\\win.ini");
  WriteInstallLog(platform.Get(), L"Invalid destination directory!: ");
  platform.files.MakeLink(L"C:\\Temp\\Lanternix_Uninstall.log", L"C:\\Windows\\win.ini");
  AppendLogEntry(platform.Get(), L"C:\\Temp\\Lanternix_Uninstall.log", L"Not removed: x");
  // A link to a name that does not exist yet would create the file it names.
  platform.files.MakeLink(L"C:\\Temp\\dangling.log", L"C:\\Windows\\new.dll");
  AppendLogEntry(platform.Get(), L"C:\\Temp\\dangling.log", L"x");
  EXPECT_FALSE(platform.files.Exists(L"C:\\Windows\\new.dll"));

  platform.files.CreateFolder(L"C:\\Dest");
  platform.files.MakeHardLink(L"C:\\Dest\\Lanternix_Install.log", L"C:\\Windows\\win.ini");
  ASSERT_TRUE(platform.files.SetCurrentFolder(L"C:\\Dest"));
  WriteInstallLog(platform.Get(), L"C:\\Dest\\: Can't install all files!");
  const auto system = platform.files.ReadAll(L"C:\\Windows\\win.ini");
  ASSERT_TRUE(system);
  EXPECT_EQ(std::string(system->begin(), system->end()), "[fonts]\r\n");

  // A log of its own is still written as ever.
  platform.files.Remove(L"C:\\Dest\\Lanternix_Install.log");
  WriteInstallLog(platform.Get(), L"x");
  EXPECT_EQ(Log(L"C:\\Dest"), "07.03.2024 - 14:05:09: x\r\n" + kSeparator);
}

}  // namespace
}  // namespace lanternix
