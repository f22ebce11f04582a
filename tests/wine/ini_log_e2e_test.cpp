#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <sstream>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

std::map<std::string, std::string> IniTool(WinePrefix& prefix, const std::vector<std::string>& args) {
  const RunResult result = prefix.Run(ToolExe("ini-tool"), args);
  EXPECT_EQ(result.exitCode, 0) << result.output;
  return ParseToolReport(result.output);
}

// UTF-16LE bytes of a text of ASCII and Latin-1 characters.
std::string Utf16Le(std::string_view latin1) {
  std::string bytes;
  for (const char ch : latin1) {
    bytes.push_back(ch);
    bytes.push_back('\0');
  }
  return bytes;
}

const std::string kUnicodeStart = "\xFF\xFE" + Utf16Le("; UNICODE FILE - edit with care ;-)\r\n\r\n");

// The run's Xvfb screen is about 1280 x 1024 at 96 DPI: a full-screen client height between
// 768 and 1200 at scale 100.
void ExpectTheMediumSkin(std::map<std::string, std::string>& report) {
  EXPECT_EQ(report["dpi"], "96");
  const int height = std::stoi(report["height"]);
  EXPECT_GE(height, 768);
  EXPECT_LE(height, 1200);
  EXPECT_EQ(report["skin"], "Halbrenk_24.png");
  EXPECT_EQ(report["size"], "24");
}

TEST(ViewerIniUnderWineTest, RedirectedSettingsAreConvertedAndReadBackBySystem) {
  WinePrefix prefix("win10");
  auto report = IniTool(prefix, {"ini", "C:\\Program Files\\Lanternix", "%APPDATA%\\Lanternix", "0"});
  ASSERT_NE(report["appdata"], "<none>");
  const std::string settings = report["appdata"] + "\\Lanternix\\l_tern32.ini";
  EXPECT_EQ(report["ini_path"], settings);
  EXPECT_EQ(report["convert"], "1");
  EXPECT_EQ(report["dll"], "ENGLISH");
  EXPECT_EQ(report["lang"], "English");
  EXPECT_EQ(report["redirect"], "%APPDATA%\\Lanternix");
  EXPECT_EQ(report["program_skin"], "<none>");
  ExpectTheMediumSkin(report);

  EXPECT_EQ(ReadFileBytes(prefix.HostPath(settings)),
            kUnicodeStart + Utf16Le("[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n"
                                    "[Toolbar]\r\nSkin=Halbrenk_24.png\r\nSize=24\r\n"));
  // Only the settings file is converted; the redirect stays as the system wrote it.
  EXPECT_EQ(ReadFileBytes(prefix.HostPath("C:\\Program Files\\Lanternix\\l_tern32.ini")),
            "[Others]\r\nINI_Folder=%APPDATA%\\Lanternix\r\n");
  EXPECT_FALSE(fs::exists(prefix.HostPath(report["appdata"] + "\\Lanternix\\l_tern32.ini_temp")));
}

// The scale comes from the display's device context: 144 DPI is scale 150.
TEST(ViewerIniUnderWineTest, AHigherDpiPicksTheLargerSkin) {
  WinePrefix prefix("win10");
  prefix.ImportRegistry("[HKEY_CURRENT_USER\\Control Panel\\Desktop]\r\n\"LogPixels\"=dword:00000090\r\n");
  auto report = IniTool(prefix, {"ini", "C:\\Lanternix", "-", "0"});
  EXPECT_EQ(report["dpi"], "144");
  EXPECT_EQ(report["skin"], "gnome-colors-wise_32.png");
  EXPECT_EQ(report["size"], "32");
}

TEST(ViewerIniUnderWineTest, SilentRunIntoTheDefaultFolderGoesPerUser) {
  WinePrefix prefix("win10");
  // The default folder is the build's own: "Program Files (x86)" for the product under WOW64.
  auto report = IniTool(prefix, {"ini", ProgramFilesFolder() + "\\Lanternix\\", "-", "1"});
  EXPECT_EQ(report["ini_folder"], "%APPDATA%\\Lanternix");
  EXPECT_EQ(report["ini_path"], report["appdata"] + "\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(report["redirect"], "%APPDATA%\\Lanternix");
  EXPECT_EQ(report["dll"], "ENGLISH");

  report = IniTool(prefix, {"ini", "C:\\Tools\\Lanternix", "-", "1"});
  EXPECT_EQ(report["ini_folder"], "");
  EXPECT_EQ(report["ini_path"], "C:\\Tools\\Lanternix\\l_tern32.ini");
}

TEST(ViewerIniUnderWineTest, AnExistingAnsiFileKeepsItsEntriesAndAReinstallationKeepsItUnicode) {
  WinePrefix prefix("win10");
  fs::create_directories(prefix.HostPath("C:\\Lanternix"));
  std::ofstream(prefix.HostPath("C:\\Lanternix\\l_tern32.ini"), std::ios::binary)
      << "[Others]\r\nINI_Folder=D:\\Old\r\nName=Caf\xE9\r\n[Toolbar]\r\nSkin=Mine.png\r\nSize=99\r\n";
  auto report = IniTool(prefix, {"ini", "C:\\Lanternix", "-", "0"});
  EXPECT_EQ(report["ini_path"], "C:\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(report["skin"], "Mine.png");
  EXPECT_EQ(report["size"], "99");
  EXPECT_EQ(report["redirect"], "<none>");
  const std::string expected =
      kUnicodeStart + Utf16Le(
                          "[Others]\r\nName=Caf\xE9\r\n[Toolbar]\r\nSkin=Mine.png\r\nSize=99\r\n"
                          "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n");
  EXPECT_EQ(ReadFileBytes(prefix.HostPath("C:\\Lanternix\\l_tern32.ini")), expected);

  report = IniTool(prefix, {"ini", "C:\\Lanternix", "-", "0"});
  EXPECT_EQ(report["dll"], "ENGLISH");
  EXPECT_EQ(report["skin"], "Mine.png");
  EXPECT_EQ(ReadFileBytes(prefix.HostPath("C:\\Lanternix\\l_tern32.ini")), expected);
}

// A folder outside the system's ANSI code page ("Настройки", settings in Russian), given as the
// setup's own command line: the redirect reads back exactly and the settings land in it.
TEST(ViewerIniUnderWineTest, ACyrillicIniFolderIsStoredIntact) {
  WinePrefix prefix("win10");
  fs::create_directories(prefix.HostPath("C:\\setup"));
  fs::copy_file(SetupExe(), prefix.HostPath("C:\\setup\\lanternix-setup.exe"));
  const std::string folder =
      "C:\\\xD0\x9D\xD0\xB0\xD1\x81\xD1\x82\xD1\x80\xD0\xBE\xD0\xB9\xD0\xBA\xD0\xB8";  // UTF-8
  const RunResult result = prefix.RunCommandLine(
      "\"C:\\setup\\lanternix-setup.exe\" /silent /folder=C:\\Tools\\Lanternix /ini=" + folder, "C:\\setup");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  auto report = IniTool(prefix, {"read", "C:\\Tools\\Lanternix\\l_tern32.ini", "Others", "INI_Folder"});
  EXPECT_EQ(report["value"], folder);
  EXPECT_EQ(ReadFileBytes(prefix.HostPath("C:\\Tools\\Lanternix\\l_tern32.ini")).substr(0, 2), "\xFF\xFE");
  // Wine keeps the folder's name as UTF-8 on the host.
  const std::string settings = ReadFileBytes(prefix.HostPath(folder + "\\l_tern32.ini"));
  ASSERT_GE(settings.size(), kUnicodeStart.size());
  EXPECT_EQ(settings.substr(0, kUnicodeStart.size()), kUnicodeStart);
  EXPECT_NE(settings.find(Utf16Le("Lang=English")), std::string::npos);
}

TEST(InstallLogUnderWineTest, TwoFailingRunsLeaveTwoEntries) {
  WinePrefix prefix("win10");
  fs::create_directories(prefix.HostPath("C:\\Logs"));
  const std::string message7 =
      "Can't install all files!\\n\\nPlease close all running Lanternix instances and check your destination "
      "directory for free space or write protection!";
  auto first = IniTool(prefix, {"log", "C:\\Logs", "Invalid destination directory!: "});
  auto second = IniTool(prefix, {"log", "C:\\Logs", "C:\\Dest\\: " + message7});
  ASSERT_FALSE(first["date"].empty());

  const std::string separator = "------------------------------------------------\r\n";
  std::string log = ReadFileBytes(prefix.HostPath("C:\\Logs\\Lanternix_Install.log"));
  // Only the time of day is masked; the date is the system's short date of each run.
  log = std::regex_replace(log, std::regex(" - [0-2][0-9]:[0-5][0-9]:[0-5][0-9]: "), " - hh:mm:ss: ");
  EXPECT_EQ(log, first["date"] + " - hh:mm:ss: Invalid destination directory!: \r\n" + separator +
                     second["date"] +
                     " - hh:mm:ss: C:\\Dest\\: Can't install all files!\r\n\r\nPlease close all running "
                     "Lanternix instances and check your destination directory for free space or write "
                     "protection!\r\n" +
                     separator);
}

}  // namespace
}  // namespace lanternix::e2e
