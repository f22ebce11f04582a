#include "app/command_line.h"

#include <gtest/gtest.h>

namespace lanternix {
namespace {

InstallOptions Parse(std::wstring_view commandLine) {
  InstallOptions options;
  ApplyCommandLineOptions(CommandLineWorkingCopy(commandLine), options);
  return options;
}

TEST(CommandLineTest, SilentSwitchIsACaseSensitiveSubstring) {
  EXPECT_TRUE(IsSilentCommandLine(L"setup.exe /silent"));
  EXPECT_TRUE(IsSilentCommandLine(L"\"C:\\x/silentfolder\\setup.exe\""));
  EXPECT_FALSE(IsSilentCommandLine(L"setup.exe /SILENT"));
  EXPECT_FALSE(IsSilentCommandLine(L"setup.exe"));
}

TEST(CommandLineTest, QuotedFolderWithSpacesFollowedByAnotherOption) {
  const InstallOptions options = Parse(L"setup.exe /silent /folder=\"D:\\My Apps\\Lanternix\" /desktop=1");
  EXPECT_EQ(options.destinationFolder, L"D:\\My Apps\\Lanternix");
  EXPECT_EQ(options.desktopShortcut, 1);
}

// A package manager puts the manifest's custom switches before the location switch, the folder
// last: its value, unquoted and with spaces, then runs to the end of the line.
TEST(CommandLineTest, ThePackageManagersOrderKeepsEveryOption) {
  for (
      const std::wstring_view line :
      {L"\"C:\\Temp\\lanternix-setup.exe\" /group=1 /allusers=1 /silent /folder=C:\\Deployed Apps\\Lanternix",
       L"\"C:\\Temp\\lanternix-setup.exe\" /silent /group=1 /allusers=1 /folder=C:\\Deployed Apps\\Lanternix",
       L"lanternix-setup.exe /group=1 /allusers=1 /silent /folder=\"C:\\Deployed Apps\\Lanternix\" "}) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(line)));
    EXPECT_TRUE(IsSilentCommandLine(line));
    const InstallOptions options = Parse(line);
    EXPECT_EQ(options.destinationFolder, L"C:\\Deployed Apps\\Lanternix");
    EXPECT_EQ(options.startMenuGroup, 1);
    EXPECT_EQ(options.allUsers, 1);
    EXPECT_EQ(options.desktopShortcut, 0);
    EXPECT_EQ(options.changeAssociations, 0);
  }
}

TEST(CommandLineTest, ValuesRunToTheNextSlash) {
  EXPECT_EQ(Parse(L"/folder=D:/Apps /group=1").destinationFolder, L"D:");
  EXPECT_EQ(Parse(L"/folder=   /group=1").destinationFolder, L"");
  EXPECT_EQ(Parse(L"/folder=").destinationFolder, L"");
  const InstallOptions options = Parse(L"/group=1 /thumbs=yes /allusers=-3 /desktop= 7x");
  EXPECT_EQ(options.startMenuGroup, 1);
  EXPECT_EQ(options.thumbnailsShortcut, 0);
  EXPECT_EQ(options.allUsers, -3);
  EXPECT_EQ(options.desktopShortcut, 7);
}

TEST(CommandLineTest, OnlyTheFirstOccurrenceCounts) {
  EXPECT_EQ(Parse(L"/group=0 /group=1").startMenuGroup, 0);
}

TEST(CommandLineTest, AssocSelectsImagesOrEverything) {
  const InstallOptions images = Parse(L"/silent /assoc=1");
  EXPECT_EQ(images.changeAssociations, 1);
  EXPECT_EQ(images.associationSelection[48], 1);
  EXPECT_EQ(images.associationSelection[49], 0);
  const InstallOptions all = Parse(L"/silent /assoc=2 ");
  EXPECT_EQ(all.changeAssociations, 1);
  EXPECT_EQ(all.associationSelection[63], 1);
  for (const wchar_t* line : {L"/assoc=0", L"/assoc=3", L"/assoc=x"}) {
    const InstallOptions none = Parse(line);
    EXPECT_EQ(none.changeAssociations, 0);
    EXPECT_EQ(none.associationSelection, AssociationSelection{});
  }
  const InstallOptions allUsersOnly = Parse(L"/silent /assocallusers");
  EXPECT_EQ(allUsersOnly.associateForAllUsers, 1);
  EXPECT_EQ(allUsersOnly.changeAssociations, 0);
}

TEST(CommandLineTest, IniReplacesTheDefaultEvenWhenEmpty) {
  InstallOptions options;
  options.iniFolder = L"%APPDATA%\\Lanternix";
  ApplyCommandLineOptions(L"/silent /ini=", options);
  EXPECT_EQ(options.iniFolder, L"");
  EXPECT_EQ(Parse(L"/ini=\" %LOCALAPPDATA%\\Viewer \" /group=1").iniFolder, L" %LOCALAPPDATA%\\Viewer");
}

TEST(CommandLineTest, StripQuotes) {
  std::wstring text = L"  \"C:\\A B\"   ";
  StripQuotes(text);
  EXPECT_EQ(text, L"  \"C:\\A B");  // the opening quote is not first: leading spaces stay
  text = L"\"C:\\A B \" ";
  StripQuotes(text);
  EXPECT_EQ(text, L"C:\\A B");
  text = L"\"";
  StripQuotes(text);
  EXPECT_EQ(text, L"");
}

TEST(CommandLineTest, OnlyThe519FirstCharactersAreExamined) {
  // The value "1" as character 520: cut off.
  std::wstring line = L"setup.exe /silent " + std::wstring(494, L'x') + L"/group=1";
  ASSERT_EQ(line.size(), 520u);
  EXPECT_EQ(Parse(line).startMenuGroup, 0);
  // As character 519: still examined.
  line = L"setup.exe /silent " + std::wstring(493, L'x') + L"/group=1";
  EXPECT_EQ(Parse(line).startMenuGroup, 1);
}

TEST(CommandLineTest, ValueCopyStopsAtIndex260) {
  std::wstring value;
  const std::wstring option = L"/folder=" + std::wstring(400, L'f');
  EXPECT_EQ(ParseOptionValue(option, value, 8), 260u);
  EXPECT_EQ(value.size(), 252u);
}

TEST(CommandLineTest, AValueTheLimitsShortenedIsTold) {
  // Cut by the working copy: "/folder=" starts at 500, its value runs past character 519.
  const std::wstring prefix = L"setup.exe /silent /desktop=1" + std::wstring(472, L' ');
  ASSERT_EQ(prefix.size(), 500u);
  EXPECT_TRUE(IsOptionValueShortened(prefix + L"/folder=C:\\Apps\\Lanternix Image Viewer", kFolderOption));
  // Ending at character 519 exactly, or losing only spaces and a quote to the cut, is whole.
  EXPECT_FALSE(IsOptionValueShortened(prefix + L"/folder=C:\\Apps\\Lan", kFolderOption));
  EXPECT_FALSE(IsOptionValueShortened(prefix + L"/folder=\"C:\\Ap\"" + std::wstring(20, L' ') + L"/group=1",
                                      kFolderOption));
  // Cut at index 260 of the option.
  EXPECT_TRUE(IsOptionValueShortened(L"setup.exe /silent /ini=C:\\" + std::wstring(300, L'i'), kIniOption));
  EXPECT_FALSE(IsOptionValueShortened(L"setup.exe /silent /ini=C:\\" + std::wstring(249, L'i'), kIniOption));
  // Absent, or beyond the working copy altogether: not used, so not shortened.
  EXPECT_FALSE(IsOptionValueShortened(L"setup.exe /silent", kIniOption));
  EXPECT_FALSE(IsOptionValueShortened(prefix + std::wstring(30, L'x') + L"/ini=C:\\S", kIniOption));
}

TEST(CommandLineTest, IntegerConversionSaturates) {
  EXPECT_EQ(ParseOptionInteger(L"99999999999"), 2147483647);
  EXPECT_EQ(ParseOptionInteger(L"-99999999999"), -2147483647 - 1);
  EXPECT_EQ(ParseOptionInteger(L" \t+12z"), 12);
}

}  // namespace
}  // namespace lanternix
