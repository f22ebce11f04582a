#include "install/viewer_ini.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/fake/fake_platform.h"

namespace lanternix {
namespace {

// The bytes of a UTF-16LE text, for texts of ASCII and Latin-1 characters.
std::string Utf16Le(std::string_view latin1) {
  std::string bytes;
  for (const char ch : latin1) {
    bytes.push_back(ch);
    bytes.push_back('\0');
  }
  return bytes;
}

class ViewerIniTest : public ::testing::Test {
 protected:
  ViewerIniTest() {
    platform.files.AddDrive(L'D');
    for (const wchar_t* folder : {L"C:\\Program Files\\Lanternix", L"D:\\Tools", L"D:\\Tools\\Lanternix"})
      platform.files.CreateFolder(folder);
  }

  std::string Bytes(std::wstring_view path) {
    const auto bytes = platform.files.ReadAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }
  std::wstring Read(std::wstring_view path, std::wstring_view section, std::wstring_view key) {
    return platform.profiles.ReadString(path, section, key, 260);
  }
  std::wstring Write(std::wstring_view destination, std::wstring iniFolder = L"", bool silent = false) {
    return WriteViewerIni(platform.Get(), destination, iniFolder, silent).iniPath;
  }

  fake::FakePlatform platform;
};

TEST_F(ViewerIniTest, WithoutIniFolderEverythingGoesToTheProgramFolderAndOtherEntriesStay) {
  platform.files.WriteText(
      L"D:\\Tools\\Lanternix\\l_tern32.ini",
      "[Others]\r\nINI_Folder=%APPDATA%\\Lanternix\r\nKeep=1\r\n\r\n[Custom]\r\nA=b\r\n");
  std::wstring iniFolder;
  EXPECT_EQ(WriteViewerIni(platform.Get(), L"  D:\\Tools\\Lanternix ", iniFolder, false).iniPath,
            L"D:\\Tools\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(iniFolder, L"");
  EXPECT_EQ(Bytes(L"D:\\Tools\\Lanternix\\l_tern32.ini"),
            "[Others]\r\nKeep=1\r\n\r\n[Custom]\r\nA=b\r\n"
            "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n"
            "[Toolbar]\r\nSkin=Halbrenk_24.png\r\nSize=24\r\n");
}

TEST_F(ViewerIniTest, AppDataRedirectSendsTheSettingsToTheExpandedFolder) {
  platform.system.environment[L"APPDATA"] = L"C:\\Users\\u1\\AppData\\Roaming";
  EXPECT_EQ(Write(L"C:\\Program Files\\Lanternix\\", L"%APPDATA%\\Lanternix"),
            L"C:\\Users\\u1\\AppData\\Roaming\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(Bytes(L"C:\\Program Files\\Lanternix\\l_tern32.ini"),
            "[Others]\r\nINI_Folder=%APPDATA%\\Lanternix\r\n");
  const std::wstring settings = L"C:\\Users\\u1\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
  EXPECT_EQ(Read(settings, L"Language", L"DLL"), L"ENGLISH");
  EXPECT_EQ(Read(settings, L"Language", L"Lang"), L"English");
  EXPECT_EQ(Read(settings, L"Toolbar", L"Skin"), L"Halbrenk_24.png");
}

// The fake's ANSI code page, like a Western Windows, has no Cyrillic letters.
TEST_F(ViewerIniTest, AFolderOutsideTheAnsiCodePageIsStoredIntact) {
  const std::wstring folder = L"D:\\\u041d\u0430\u0441\u0442\u0440\u043e\u0439\u043a\u0438";
  const std::wstring programIni = L"D:\\Tools\\Lanternix\\l_tern32.ini";
  ASSERT_NE(platform.system.AnsiToWide(platform.system.WideToAnsi(folder)), folder);
  EXPECT_EQ(Write(L"D:\\Tools\\Lanternix", folder), folder + L"\\l_tern32.ini");
  EXPECT_EQ(Read(programIni, L"Others", L"INI_Folder"), folder);
  EXPECT_EQ(Bytes(programIni).substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Read(folder + L"\\l_tern32.ini", L"Language", L"Lang"), L"English");

  // An earlier ANSI file is turned into UTF-16LE first and keeps what it held.
  platform.files.WriteText(programIni, "[Toolbar]\r\nSkin=caf\xE9.png\r\n");
  EXPECT_EQ(Write(L"D:\\Tools\\Lanternix", folder), folder + L"\\l_tern32.ini");
  EXPECT_EQ(Read(programIni, L"Others", L"INI_Folder"), folder);
  EXPECT_EQ(Read(programIni, L"Toolbar", L"Skin"), L"caf\u00e9.png");

  // A folder the code page can carry leaves a new file as ANSI as before.
  platform.files.Remove(programIni);
  Write(L"D:\\Tools\\Lanternix", L"D:\\Caf\u00e9");
  EXPECT_EQ(Bytes(programIni), "[Others]\r\nINI_Folder=D:\\Caf\xE9\r\n");
}

TEST_F(ViewerIniTest, PlainIniFolderIsUsedAsWrittenAndCreated) {
  std::wstring iniFolder = L"D:\\Cfg";
  EXPECT_EQ(WriteViewerIni(platform.Get(), L"D:\\Tools\\Lanternix\\", iniFolder, true).iniPath,
            L"D:\\Cfg\\l_tern32.ini");
  EXPECT_EQ(iniFolder, L"D:\\Cfg");
  EXPECT_TRUE(platform.files.IsFolder(L"D:\\Cfg"));
  EXPECT_EQ(Read(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder"), L"D:\\Cfg");
  EXPECT_EQ(Read(L"D:\\Cfg\\l_tern32.ini", L"Language", L"DLL"), L"ENGLISH");
}

// The redirect goes in first: when the program folder's file can't take it, neither the INI
// folder nor a settings file is created, and the run learns which file failed.
TEST_F(ViewerIniTest, AnUnwritableRedirectCreatesNothingElse) {
  const std::wstring programIni = L"D:\\Tools\\Lanternix\\l_tern32.ini";
  platform.files.WriteText(programIni, "[Others]\r\nINI_Folder=D:\\Old\r\n");
  platform.files.Lock(programIni);
  std::wstring iniFolder = L"D:\\Other";
  const ViewerIniResult held = WriteViewerIni(platform.Get(), L"D:\\Tools\\Lanternix", iniFolder, false);
  EXPECT_EQ(held.iniPath, L"");
  EXPECT_EQ(held.unwrittenFile, programIni);
  EXPECT_FALSE(platform.files.Exists(L"D:\\Other"));

  // Where the file should be lies a folder: the settings can't go there, nor may the redirect
  // be dropped silently.
  platform.files.CreateFolder(L"D:\\Tools\\Lanternix\\Sub");
  platform.files.CreateFolder(L"D:\\Tools\\Lanternix\\Sub\\l_tern32.ini");
  iniFolder.clear();
  const ViewerIniResult folder =
      WriteViewerIni(platform.Get(), L"D:\\Tools\\Lanternix\\Sub", iniFolder, false);
  EXPECT_EQ(folder.unwrittenFile, L"D:\\Tools\\Lanternix\\Sub\\l_tern32.ini");

  std::wstring fine = L"D:\\Cfg";
  EXPECT_EQ(WriteViewerIni(platform.Get(), L"D:\\Tools", fine, false).unwrittenFile, L"");
}

TEST_F(ViewerIniTest, SilentRunIntoTheDefaultProgramFolderKeepsSettingsPerUser) {
  std::wstring iniFolder;
  EXPECT_EQ(WriteViewerIni(platform.Get(), L"C:\\Program Files\\Lanternix\\", iniFolder, true).iniPath,
            L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(iniFolder, L"%APPDATA%\\Lanternix");
  EXPECT_EQ(Read(L"C:\\Program Files\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder"),
            L"%APPDATA%\\Lanternix");
}

TEST_F(ViewerIniTest, SilentDefaultAppliesOnlyInsideTheDefaultFolderAndOnlySilently) {
  platform.files.CreateFolder(L"C:\\program files");
  platform.files.CreateFolder(L"C:\\program files\\lanternix");
  struct Case {
    std::wstring_view destination;
    bool silent;
    std::wstring_view iniPath;
  };
  for (const Case& c :
       {Case{L"D:\\Tools\\Lanternix\\", true, L"D:\\Tools\\Lanternix\\l_tern32.ini"},
        Case{L"C:\\program files\\lanternix", true, L"C:\\program files\\lanternix\\l_tern32.ini"},
        Case{L"C:\\Program Files\\Lanternix\\", false, L"C:\\Program Files\\Lanternix\\l_tern32.ini"}}) {
    SCOPED_TRACE(fake::ToUtf8(c.destination));
    std::wstring iniFolder;
    EXPECT_EQ(WriteViewerIni(platform.Get(), c.destination, iniFolder, c.silent).iniPath, c.iniPath);
    EXPECT_EQ(iniFolder, L"");
    EXPECT_EQ(Read(c.iniPath, L"Language", L"DLL"), L"ENGLISH");
  }
  EXPECT_FALSE(platform.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix"));
}

TEST_F(ViewerIniTest, SilentDefaultUsesTheFallbackFolderWhenTheRegistryCannotTell) {
  ASSERT_TRUE(
      platform.registry.DeleteKey(RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion"));
  platform.files.CreateFolder(L"C:\\Lanternix");
  std::wstring withBackslash, without;
  WriteViewerIni(platform.Get(), L"C:\\Lanternix\\", withBackslash, true);
  WriteViewerIni(platform.Get(), L"C:\\Lanternix", without, true);
  EXPECT_EQ(withBackslash, L"%APPDATA%\\Lanternix");
  EXPECT_EQ(without, L"");
}

TEST_F(ViewerIniTest, AnIniFolderThatExpandsToNothingKeepsTheSettingsInTheProgramFolder) {
  std::wstring iniFolder = L"%UNDEFINED%";
  EXPECT_EQ(WriteViewerIni(platform.Get(), L"D:\\Tools\\Lanternix", iniFolder, false).iniPath,
            L"D:\\Tools\\Lanternix\\l_tern32.ini");
  EXPECT_EQ(Read(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder"), L"%UNDEFINED%");
  EXPECT_EQ(Read(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Language", L"DLL"), L"ENGLISH");
  EXPECT_FALSE(platform.files.Exists(L"C:\\Windows\\l_tern32.ini"));
  EXPECT_FALSE(platform.files.Exists(L"D:\\Tools\\Lanternix\\Lanternix\\l_tern32.ini"));
}

TEST_F(ViewerIniTest, AnOverlongIniFolderIsNeverReplacedByItsBeginning) {
  const std::wstring folder = L"D:\\" + std::wstring(120, L'a') + L"\\" + std::wstring(150, L'b');
  EXPECT_EQ(Write(L"D:\\Tools\\Lanternix", folder), folder + L"\\l_tern32.ini");
  EXPECT_FALSE(platform.files.Exists(L"D:\\" + std::wstring(120, L'a')));
  EXPECT_EQ(
      platform.profiles.ReadString(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder", 1000),
      folder);
}

TEST_F(ViewerIniTest, AFolderAtThe260CharacterBoundaryIsNeitherCutNorMisnamed) {
  // 258 characters still get their final "\\" and are created; 259 would come back from the
  // folder routines without it, 260 cut: neither may name another folder or file.
  for (const std::size_t length : {258u, 259u, 260u}) {
    SCOPED_TRACE(length);
    const std::wstring parent = L"D:\\" + std::wstring(120, L'a');
    const std::wstring folder = parent + L"\\" + std::wstring(length - parent.size() - 1, L'b');
    ASSERT_EQ(folder.size(), length);
    EXPECT_EQ(Write(L"D:\\Tools\\Lanternix", folder), folder + L"\\l_tern32.ini");
    EXPECT_EQ(platform.files.Exists(folder), length == 258);
    EXPECT_FALSE(platform.files.Exists(folder + L"l_tern32.ini"));
    EXPECT_EQ(
        platform.profiles.ReadString(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder", 1000),
        folder);
  }
}

TEST_F(ViewerIniTest, OnlyAFullyQualifiedIniFolderWithRoomForItsTemporaryFileIsUsable) {
  platform.system.environment[L"APPDATA"] = L"C:\\Users\\u1\\AppData\\Roaming";
  platform.system.environment[L"LONG"] = std::wstring(250, L'x');
  for (const std::wstring& folder :
       std::vector<std::wstring>{L"", L"%APPDATA%\\Lanternix", L"D:\\Settings\\", L" D:\\My Settings ",
                                 L"\\\\server\\share\\S", L"D:\\Console", L"D:\\" + std::wstring(238, L'x')})
    EXPECT_TRUE(IsUsableIniFolder(platform.system, folder)) << fake::ToUtf8(folder);
  for (const std::wstring& folder :
       std::vector<std::wstring>{L"Settings", L"C:Settings", L"\\Settings", L"%UNDEFINED%", L"%UNDEFINED%\\x",
                                 L"D:\\nul", L"D:\\a\\COM1.txt\\b", L"D:\\LPT9 ", L"\\\\.\\PhysicalDrive0",
                                 L"\\\\?\\D:\\Settings", L"D:\\" + std::wstring(239, L'x'), L"D:\\%LONG%"})
    EXPECT_FALSE(IsUsableIniFolder(platform.system, folder)) << fake::ToUtf8(folder);
}

TEST_F(ViewerIniTest, AnExistingSkinStaysWithItsSizeButTheLanguageIsRewritten) {
  platform.files.WriteText(
      L"D:\\Tools\\Lanternix\\l_tern32.ini",
      "[Language]\r\nDLL=GERMAN\r\nLang=Deutsch\r\n[Toolbar]\r\nskin=Mine.png\r\nSize=99\r\n");
  platform.system.dpi = 168;
  Write(L"D:\\Tools\\Lanternix");
  EXPECT_EQ(Bytes(L"D:\\Tools\\Lanternix\\l_tern32.ini"),
            "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n[Toolbar]\r\nskin=Mine.png\r\nSize=99\r\n");
}

TEST_F(ViewerIniTest, AnEmptySkinCountsAsMissing) {
  platform.files.WriteText(L"D:\\Tools\\Lanternix\\l_tern32.ini", "[Toolbar]\r\nSkin=\r\nSize=99\r\n");
  Write(L"D:\\Tools\\Lanternix");
  EXPECT_EQ(Read(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Toolbar", L"Skin"), L"Halbrenk_24.png");
  EXPECT_EQ(Read(L"D:\\Tools\\Lanternix\\l_tern32.ini", L"Toolbar", L"Size"), L"24");
}

TEST_F(ViewerIniTest, PortableLayoutAlsoGivesTheProgramFolderThe24PixelSkin) {
  platform.system.dpi = 144;
  for (const wchar_t* data : {L"D:\\Lanternix32_App\\Data", L"D:\\Lanternix64_App\\Data"}) {
    SCOPED_TRACE(fake::ToUtf8(data));
    const std::wstring programIni = L"D:\\Tools\\Lanternix\\l_tern32.ini";
    platform.files.Remove(programIni);
    const std::wstring iniPath = Write(L"D:\\Tools\\Lanternix", data);
    EXPECT_EQ(Read(iniPath, L"Toolbar", L"Skin"), L"gnome-colors-wise_32.png");
    EXPECT_EQ(Read(iniPath, L"Toolbar", L"Size"), L"32");
    EXPECT_EQ(Read(programIni, L"Toolbar", L"Skin"), L"Halbrenk_24.png");
    EXPECT_EQ(Read(programIni, L"Toolbar", L"Size"), L"24");

    // Once the redirected file has its skin, the program folder's file gets none again.
    platform.files.Remove(programIni);
    Write(L"D:\\Tools\\Lanternix", data);
    EXPECT_EQ(Read(programIni, L"Toolbar", L"Skin"), L"");
    EXPECT_EQ(Read(programIni, L"Others", L"INI_Folder"), data);
  }
}

TEST_F(ViewerIniTest, AProgramFolderNamedLikeThePortableLayoutIsNotPortableWithoutRedirect) {
  platform.files.CreateFolder(L"D:\\Lanternix32_App");
  platform.system.dpi = 144;
  const std::wstring iniPath = Write(L"D:\\Lanternix32_App");
  EXPECT_EQ(Read(iniPath, L"Toolbar", L"Skin"), L"gnome-colors-wise_32.png");
}

struct ScreenCase {
  int fullScreenHeight;
  int dpi;
  const wchar_t* skin;
  const wchar_t* size;
};

class ToolbarSkinTest : public ViewerIniTest, public ::testing::WithParamInterface<ScreenCase> {};

TEST_P(ToolbarSkinTest, PicksTheSkinByScreenHeightAndScale) {
  platform.system.fullScreenHeight = GetParam().fullScreenHeight;
  platform.system.dpi = GetParam().dpi;
  const std::wstring iniPath = Write(L"D:\\Tools\\Lanternix\\");
  EXPECT_EQ(Read(iniPath, L"Toolbar", L"Skin"), GetParam().skin);
  EXPECT_EQ(Read(iniPath, L"Toolbar", L"Size"), GetParam().size);
}

INSTANTIATE_TEST_SUITE_P(
    Thresholds, ToolbarSkinTest,
    ::testing::Values(ScreenCase{741, 96, L"Vespin_16.png", L"16"},  // 1024 x 768
                      ScreenCase{767, 96, L"Vespin_16.png", L"16"},
                      ScreenCase{768, 96, L"Halbrenk_24.png", L"24"},
                      ScreenCase{1017, 96, L"Halbrenk_24.png", L"24"},  // 1920 x 1080
                      ScreenCase{1200, 96, L"Halbrenk_24.png", L"24"},
                      ScreenCase{1201, 96, L"gnome-colors-wise_32.png", L"32"},
                      ScreenCase{1599, 96, L"gnome-colors-wise_32.png", L"32"},
                      ScreenCase{1600, 96, L"gnome-colors-human_48.png", L"48"},
                      ScreenCase{1017, 143, L"Halbrenk_24.png", L"24"},            // scale 148
                      ScreenCase{1017, 144, L"gnome-colors-wise_32.png", L"32"},   // scale 150
                      ScreenCase{1017, 163, L"gnome-colors-wise_32.png", L"32"},   // scale 169
                      ScreenCase{1017, 164, L"gnome-colors-human_48.png", L"48"},  // scale 170
                      ScreenCase{1017, 168, L"gnome-colors-human_48.png", L"48"},  // scale 175
                      ScreenCase{700, 144, L"gnome-colors-wise_32.png", L"32"},
                      ScreenCase{1201, 170, L"gnome-colors-human_48.png", L"48"}),
    [](const ::testing::TestParamInfo<ScreenCase>& screen) {
      return "Height" + std::to_string(screen.param.fullScreenHeight) + "Dpi" +
             std::to_string(screen.param.dpi);
    });

TEST(ExpandIniFolderTest, ReplacesReferencesAndDropsUndefinedOnes) {
  fake::FakePlatform platform;
  platform.system.environment[L"LONG"] = std::wstring(300, L'x');
  SystemInfo& system = platform.system;
  EXPECT_EQ(ExpandIniFolder(system, L"%APPDATA%\\Lanternix"),
            L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix");
  EXPECT_EQ(ExpandIniFolder(system, L"%appdata%\\x"), L"C:\\Users\\tester\\AppData\\Roaming\\x");
  EXPECT_EQ(ExpandIniFolder(system, L"%NOT_DEFINED%\\Cfg"), L"\\Cfg");
  EXPECT_EQ(ExpandIniFolder(system, L"D:\\%%Cfg"), L"D:\\Cfg");
  EXPECT_EQ(ExpandIniFolder(system, L"D:\\Cfg\\%TEMP"), L"D:\\Cfg\\C:\\Temp");
  EXPECT_EQ(ExpandIniFolder(system, L"%TEMP%%USERPROFILE%"), L"C:\\TempC:\\Users\\tester");
  EXPECT_EQ(ExpandIniFolder(system, L"D:\\%LONG%\\y"), L"D:\\" + std::wstring(300, L'x') + L"\\y");
}

class ConvertIniTest : public ViewerIniTest {
 protected:
  const std::wstring ini = L"D:\\Tools\\Lanternix\\l_tern32.ini";
  const std::wstring temporary = L"D:\\Tools\\Lanternix\\l_tern32.ini_temp";
  const std::string header = "\xFF\xFE" + Utf16Le("; UNICODE FILE - edit with care ;-)\r\n\r\n");
};

TEST_F(ConvertIniTest, AThreeLineAnsiFileBecomesUtf16WithMarkAndHeader) {
  platform.files.WriteText(ini,
                           "[Language]\r\nDLL=ENGLISH\r\nLang=Fran\xE7"
                           "ais\r\n");
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), header + Utf16Le("[Language]\r\nDLL=ENGLISH\r\nLang=Fran\xE7"
                                         "ais\r\n"));
  EXPECT_FALSE(platform.files.Exists(temporary));
}

TEST_F(ConvertIniTest, LongLinesAndAMissingFinalLineEndAreConvertedWhole) {
  const std::string text = "[A]\nB=" + std::string(5000, 'v') + "\r\nC=d";
  platform.files.WriteText(ini, text);
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), header + Utf16Le(text));
}

TEST_F(ConvertIniTest, AUnicodeFileIsLeftAlone) {
  const std::string unicode = "\xFF\xFE" + Utf16Le("[Toolbar]\r\nSkin=x\r\n");
  platform.files.WriteText(ini, unicode);
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), unicode);
  EXPECT_FALSE(platform.files.Exists(temporary));
}

TEST_F(ConvertIniTest, NothingToConvertLeavesNoTemporaryFileBehind) {
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_FALSE(platform.files.Exists(ini));
  platform.files.WriteText(ini, "");
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), "");
  EXPECT_FALSE(platform.files.Exists(temporary));
}

TEST_F(ConvertIniTest, WithoutATemporaryFileTheIniStaysAnsi) {
  platform.files.WriteText(ini, "[A]\r\nB=c\r\n");
  platform.files.MakeReadOnly(L"D:\\Tools\\Lanternix");
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), "[A]\r\nB=c\r\n");
}

TEST_F(ConvertIniTest, AShortWriteLeavesTheOriginalInPlace) {
  platform.files.WriteText(ini, "[A]\r\nB=c\r\n");
  platform.files.LimitWrites(temporary, 10);
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 0);
  EXPECT_EQ(Bytes(ini), "[A]\r\nB=c\r\n");
  EXPECT_FALSE(platform.files.Exists(temporary));
}

// A file that was Unicode once and was saved back as ANSI (a portable copy, an editor) keeps its
// warning comment; the conversion must not put a second one above it.
TEST_F(ConvertIniTest, TheHeaderIsWrittenOnceWhateverTheFileHeld) {
  const std::string body = "[Others]\r\nINI_Folder=D:\\Tools\\Lanternix\r\nName=Caf\xE9\r\n";
  struct Case {
    std::string held, converted;
  };
  const std::string comment = "; UNICODE FILE - edit with care ;-)";
  const Case cases[] = {
      {comment + "\r\n\r\n" + body, body},
      {comment + "\r\n\r\n" + comment + "\r\n\r\n" + body, body},
      {comment + "\n" + body, body},
      {comment, ""},
      // A line of the user's own that merely starts alike stays.
      {comment + " mine\r\n" + body, comment + " mine\r\n" + body},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.held);
    platform.files.WriteText(ini, c.held);
    EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
    EXPECT_EQ(Bytes(ini), header + Utf16Le(c.converted));
  }

  // The update that found it: settings in the program folder, "/ini=" naming that folder.
  platform.files.WriteText(ini, comment + "\r\n\r\n" + body);
  EXPECT_EQ(Write(L"D:\\Tools\\Lanternix", L"D:\\Tools\\Lanternix"), ini);
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), header + Utf16Le(body + "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n"
                                                "[Toolbar]\r\nSkin=Halbrenk_24.png\r\nSize=24\r\n"));
}

TEST_F(ConvertIniTest, AReinstallationUpdatesTheUnicodeFileInPlace) {
  platform.system.dpi = 144;
  Write(L"D:\\Tools\\Lanternix");
  ASSERT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  platform.profiles.WriteString(ini, L"Language", L"DLL", L"GERMAN");
  platform.profiles.WriteString(ini, L"Toolbar", L"Size", std::nullopt);
  Write(L"D:\\Tools\\Lanternix");
  EXPECT_EQ(ConvertIniToUnicode(platform.Get(), ini), 1);
  EXPECT_EQ(Bytes(ini), "\xFF\xFE" + Utf16Le("; UNICODE FILE - edit with care ;-)\r\n\r\n"
                                             "[Language]\r\nDLL=ENGLISH\r\nLang=English\r\n"
                                             "[Toolbar]\r\nSkin=gnome-colors-wise_32.png\r\n"));
}

}  // namespace
}  // namespace lanternix
