#include "wizard/page_logic.h"

#include <gtest/gtest.h>

#include <cwctype>

#include "install/install_driver.h"
#include "model/product.h"
#include "res/host/embedded_resources.h"
#include "tests/unit/setup_fixture.h"

namespace lanternix::wizard {
namespace {

// The pages' questions to the system, answered by a fake machine with the setup's own strings.
class PageSystemTest : public ::testing::Test {
 protected:
  void SeedOpenCommand(const std::wstring& command) {
    fake::RegistryValue value;
    for (const wchar_t ch : command) {
      value.data.push_back(static_cast<std::uint8_t>(ch & 0xFF));
      value.data.push_back(static_cast<std::uint8_t>(ch >> 8));
    }
    value.data.insert(value.data.end(), {0, 0});
    machine.registry.Seed(RegRoot::LocalMachine, L"SOFTWARE\\Classes\\Lanternix\\shell\\open\\command", L"",
                          value);
  }
  testing::SetupMachine machine;
};

TEST_F(PageSystemTest, ViewerWarningIsTheWholeMessageAndOnlyWhileAViewerRuns) {
  const std::wstring warning =
      L"Warning: Lanternix is running!\nPlease close all Lanternix instances before you install this "
      L"version!";
  EXPECT_EQ(ViewerRunningWarning(machine.Get(), L"C:\\Apps"), std::nullopt);
  // A viewer in another session shows no window here, but holds its file.
  machine.files.CreateFolder(L"C:\\Apps");
  machine.files.WriteText(L"C:\\Apps\\l_tern32.exe", "running");
  machine.files.WriteText(L"C:\\Apps\\l_about.txt", "open");
  machine.files.Lock(L"C:\\Apps\\l_about.txt");
  EXPECT_EQ(ViewerRunningWarning(machine.Get(), L" C:\\Apps "), std::nullopt);
  machine.files.Lock(L"C:\\Apps\\l_tern32.exe");
  EXPECT_EQ(ViewerRunningWarning(machine.Get(), L" C:\\Apps "), warning);
  EXPECT_EQ(ViewerRunningWarning(machine.Get(), L"C:\\Other"), std::nullopt);
  machine.system.windowClasses.insert(L"Lanternix");
  // 100 characters over two lines: a 50-character buffer would stop at "Please close all L".
  EXPECT_EQ(ViewerRunningWarning(machine.Get(), L"C:\\Other"), warning);
}

TEST_F(PageSystemTest, AnUpdatePreselectsWhereTheSettingsAreNow) {
  machine.files.AddDrive(L'D');
  machine.files.CreateFolder(L"D:\\Apps");
  const std::wstring ini = L"D:\\Apps\\l_tern32.ini";
  struct Case {
    const char* programFolderIni;  // null: none
    IniChoice choice;
    std::wstring kept;
  };
  const Case cases[] = {
      {nullptr, IniChoice::ApplicationData, L""},
      {"[Toolbar]\r\nSkin=mine.png\r\n", IniChoice::ProgramFolder, L""},
      {"[Others]\r\nINI_Folder=%appdata%\\Lanternix\\\r\n", IniChoice::ApplicationData, L""},
      {"[Others]\r\nINI_Folder=D:\\MySettings\r\n", IniChoice::KeepRedirect, L"D:\\MySettings"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.programFolderIni ? c.programFolderIni : "none");
    machine.files.Remove(ini);
    if (c.programFolderIni) machine.files.WriteText(ini, c.programFolderIni);
    const IniPreselection preselection = ReadyIniPreselection(machine.Get(), L" D:\\Apps ");
    EXPECT_EQ(preselection.choice, c.choice);
    EXPECT_EQ(preselection.keptFolder, c.kept);
  }
  // A fresh installation on XP keeps the INI file in the program folder.
  machine.files.Remove(ini);
  machine.system.SetVersion(5, 1, 2600);
  EXPECT_EQ(ReadyIniPreselection(machine.Get(), L"D:\\Apps").choice, IniChoice::ProgramFolder);
}

TEST_F(PageSystemTest, AWizardUpdateKeepsACustomRedirectAndItsSettings) {
  machine.files.AddDrive(L'D');
  machine.files.CreateFolder(L"D:\\Apps");
  machine.files.CreateFolder(L"D:\\MySettings");
  machine.files.WriteText(L"D:\\Apps\\l_tern32.ini", "[Others]\r\nINI_Folder=D:\\MySettings\r\n");
  machine.files.WriteText(L"D:\\MySettings\\l_tern32.ini", "[Toolbar]\r\nSkin=mine.png\r\n");
  const IniPreselection preselection = ReadyIniPreselection(machine.Get(), L"D:\\Apps");
  WizardChoices choices;
  choices.destinationText = L"D:\\Apps";
  choices.iniChoice = preselection.choice;
  choices.keptIniFolder = preselection.keptFolder;
  InstallOptions options = GatherInstallOptions(choices);
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  EXPECT_EQ(machine.profiles.ReadString(L"D:\\Apps\\l_tern32.ini", L"Others", L"INI_Folder", 260),
            L"D:\\MySettings");
  EXPECT_EQ(machine.profiles.ReadString(L"D:\\MySettings\\l_tern32.ini", L"Toolbar", L"Skin", 260),
            L"mine.png");
  EXPECT_EQ(machine.profiles.ReadString(L"D:\\MySettings\\l_tern32.ini", L"Language", L"Lang", 260),
            L"English");
}

TEST_F(PageSystemTest, ShortLabelsKeepTheirFiftyCharacterWidth) {
  EXPECT_EQ(ReadyDestinationLine(machine.resources, L" D:\\Viewer "), L"Destination directory: D:\\Viewer");
  machine.resources.strings[6] = std::wstring(60, L'x');
  EXPECT_EQ(ReadyDestinationLine(machine.resources, L"D:\\V"), std::wstring(49, L'x') + L": D:\\V");
}

TEST_F(PageSystemTest, WelcomeStartsInAnExistingInstallationElseTheDefaultFolder) {
  EXPECT_EQ(WelcomeDefaultFolder(machine.registry), L"C:\\Program Files\\Lanternix");
  SeedOpenCommand(L"\"E:\\Old\\l_tern32.exe\" \"%1\"");
  EXPECT_EQ(WelcomeDefaultFolder(machine.registry), L"E:\\Old\\");
}

TEST_F(PageSystemTest, RegistryBoxIsDisabledOnWindows11Only) {
  machine.system.rtlVersion = OsVersionRecord{kPlatformWin32Nt, 10, 0, 22000, L""};
  EXPECT_TRUE(RegistryBoxDisabled(machine.system));
  machine.system.rtlVersion = OsVersionRecord{kPlatformWin32Nt, 10, 0, 19045, L""};
  EXPECT_FALSE(RegistryBoxDisabled(machine.system));
  machine.system.rtlVersion = OsVersionRecord{kPlatformWin32Nt, 6, 1, 7601, L""};
  EXPECT_FALSE(RegistryBoxDisabled(machine.system));
}

TEST(WelcomePageLogicTest, TemplatesTakeTheirArgumentsInOrder) {
  EXPECT_EQ(FormatTemplate(L"Welcome to Lanternix %s setup!", {L"32"}), L"Welcome to Lanternix 32 setup!");
  EXPECT_EQ(FormatTemplate(L"version  %s  (%s bit)\n (admin)", {L"4.65", L"32"}),
            L"version  4.65  (32 bit)\n (admin)");
  // More markers than arguments, or other conversions, are left alone instead of read.
  EXPECT_EQ(FormatTemplate(L"%s %s %d %%", {L"a"}), L"a %s %d %%");
  // The version has two digits after the point: 4.65, not 4.6 or 4.065.
  EXPECT_EQ(FormatTemplate(L"version  %s  (%s bit)", {ProductVersionText(), kBitnessText}),
            L"version  4.65  (32 bit)");
}

TEST(WelcomePageLogicTest, DestinationNeedsADriveAndItsRoot) {
  EXPECT_TRUE(IsAcceptableDestination(L"C:\\Program Files\\Lanternix"));
  EXPECT_TRUE(IsAcceptableDestination(L"X:\\"));
  EXPECT_FALSE(IsAcceptableDestination(L""));
  EXPECT_FALSE(IsAcceptableDestination(L"Lanternix"));
  // Drive-relative and root-relative folders depend on the current folder.
  EXPECT_FALSE(IsAcceptableDestination(L"X:"));
  EXPECT_FALSE(IsAcceptableDestination(L"C:foo"));
  EXPECT_FALSE(IsAcceptableDestination(L"\\foo"));
  EXPECT_FALSE(IsAcceptableDestination(L"\\\\server\\share\\Lanternix"));
  EXPECT_FALSE(IsAcceptableDestination(L" C:\\Lanternix"));
}

// Once Next accepts the field, it shows the folder the installation will create, so the Ready
// page, the installation and the viewer started at the end all name that one folder.
TEST(WelcomePageLogicTest, AnAcceptedDestinationIsShownAsItWillBeCreated) {
  EXPECT_EQ(AcceptedDestinationText(L"C:\\X\\..\\Apps2\\.\\Lanternix"), L"C:\\Apps2\\Lanternix");
  EXPECT_EQ(AcceptedDestinationText(L"C:\\X\\..\\Apps2\\.\\Lanternix\\"), L"C:\\Apps2\\Lanternix\\");
  EXPECT_EQ(AcceptedDestinationText(L"C:\\Apps \\Lanternix "), L"C:\\Apps\\Lanternix");
  EXPECT_EQ(AcceptedDestinationText(L"C:\\..\\..\\Lanternix"), L"C:\\Lanternix");
  EXPECT_EQ(AcceptedDestinationText(L"C:\\Lanternix\\.."), L"C:\\");
  EXPECT_EQ(AcceptedDestinationText(L"C:\\Program Files\\Lanternix"), L"C:\\Program Files\\Lanternix");
  EXPECT_TRUE(IsAcceptableDestination(AcceptedDestinationText(L"C:\\Lanternix\\..")));
}

TEST(WelcomePageLogicTest, PickedFolderGetsTheProductFolder) {
  EXPECT_EQ(AddProductFolder(L"D:\\Tools"), L"D:\\Tools\\Lanternix\\");
  EXPECT_EQ(AddProductFolder(L"D:\\Tools\\"), L"D:\\Tools\\Lanternix\\");
  EXPECT_EQ(AddProductFolder(L"D:\\Tools\\LANTERNIX"), L"D:\\Tools\\LANTERNIX\\");
  EXPECT_EQ(AddProductFolder(L"C:\\"), L"C:\\Lanternix\\");
  EXPECT_EQ(AddProductFolder(L"C:\\Lanternix"), L"C:\\Lanternix\\");
  EXPECT_EQ(AddProductFolder(L"\\Data"), L"\\Data\\");
  // Never past what the 260-character field holds.
  const std::wstring deep = L"D:\\" + std::wstring(250, L'd') + L"\\";
  EXPECT_EQ(AddProductFolder(deep), deep);
  EXPECT_EQ(PickerPreselection(L"D:\\Tools\\"), L"D:\\Tools");
  EXPECT_EQ(PickerPreselection(L"C:\\"), L"C:\\");
}

TEST(WhatsNewPageLogicTest, TrailingCharactersThatAreNotLettersOrDigitsGo) {
  const std::u16string notes = u"\uFEFF- Notes\r\n- see index.htm\r\n";
  std::vector<std::uint8_t> bytes;
  for (const char16_t unit : notes) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  EXPECT_EQ(ReleaseNotesText(bytes), L"\uFEFF- Notes\r\n- see index.htm");
  std::vector<std::uint8_t> large(30000, 'a');
  for (std::size_t i = 1; i < large.size(); i += 2) large[i] = 0;
  EXPECT_EQ(ReleaseNotesText(large).size(), 10239u);
}

TEST(WhatsNewPageLogicTest, TheShippedReleaseNotesEndWithALetterOrDigit) {
  const std::wstring text = ReleaseNotesText(EmbeddedResource(L"TXT", 217));
  ASSERT_GT(text.size(), 100u);
  EXPECT_EQ(text.front(), L'\uFEFF');
  EXPECT_TRUE(std::iswalnum(static_cast<wint_t>(text.back())));
}

TEST(AssociationsPageLogicTest, ReadOutFollowsStateImagesAndTheListsEnabledState) {
  std::vector<unsigned> states(63, kStateUnchecked);
  states[0] = kStateChecked;
  states[62] = 0;  // no state image at all still counts as chosen, as the box is not clear
  AssociationReadOut readOut = ReadAssociationList(true, states);
  EXPECT_EQ(readOut.changeAssociations, 1);
  EXPECT_EQ(readOut.selection[0], 1);
  EXPECT_EQ(readOut.selection[1], 0);
  EXPECT_EQ(readOut.selection[62], 1);
  readOut = ReadAssociationList(false, states);
  EXPECT_EQ(readOut.changeAssociations, 0);
  EXPECT_EQ(readOut.selection, AssociationSelection{});
  readOut = ReadAssociationList(true, std::vector<unsigned>(63, kStateUnchecked));
  EXPECT_EQ(readOut.changeAssociations, 0);
}

TEST(AssociationsPageLogicTest, ImagesOnlyAndColumnsAndVersions) {
  EXPECT_EQ(ImagesOnlyState(48), kStateChecked);
  EXPECT_EQ(ImagesOnlyState(49), kStateUnchecked);
  EXPECT_EQ(DescriptionColumnWidth(570, 96), 355);
  EXPECT_EQ(DescriptionColumnWidth(855, 144), 532);
  EXPECT_TRUE(IsVistaOrLater(OsVersionRecord{kPlatformWin32Nt, 6, 0, 6002, L""}));
  EXPECT_FALSE(IsVistaOrLater(OsVersionRecord{kPlatformWin32Nt, 5, 1, 2600, L""}));
  EXPECT_FALSE(IsVistaOrLater(OsVersionRecord{1, 6, 0, 0, L""}));
}

TEST(ReadyPageLogicTest, GathersEveryChoiceFromTheControls) {
  WizardChoices choices;
  choices.destinationText = L"C:\\Apps\\Lanternix   ";
  choices.startMenuGroup = true;
  choices.allUsers = true;
  choices.iniChoice = IniChoice::ApplicationData;
  choices.associationListEnabled = true;
  choices.associationRowStates = std::vector<unsigned>(63, kStateUnchecked);
  choices.associationRowStates[5] = kStateChecked;
  choices.associateForAllUsers = true;
  choices.caption = L"Lanternix 32-bit Setup";
  const InstallOptions options = GatherInstallOptions(choices);
  EXPECT_EQ(options.destinationFolder, L"C:\\Apps\\Lanternix");
  EXPECT_EQ(options.startMenuGroup, 1);
  EXPECT_EQ(options.desktopShortcut, 0);
  EXPECT_EQ(options.allUsers, 1);
  EXPECT_EQ(options.iniFolder, L"%APPDATA%\\Lanternix");
  EXPECT_EQ(options.associationSelection[5], 1);
  EXPECT_EQ(options.associationSelection[4], 0);
  EXPECT_EQ(options.changeAssociations, 1);
  EXPECT_EQ(options.associateForAllUsers, 1);
  EXPECT_EQ(options.silent, 0);
  EXPECT_EQ(options.messageCaption, L"Lanternix 32-bit Setup");

  choices.iniChoice = IniChoice::ProgramFolder;
  choices.keptIniFolder = L"D:\\MySettings";
  choices.associationListEnabled = false;
  const InstallOptions programFolderIni = GatherInstallOptions(choices);
  EXPECT_EQ(programFolderIni.iniFolder, L"");
  EXPECT_EQ(programFolderIni.changeAssociations, 0);
  choices.iniChoice = IniChoice::KeepRedirect;
  EXPECT_EQ(GatherInstallOptions(choices).iniFolder, L"D:\\MySettings");
}

TEST(ReadyPageLogicTest, DestinationLineIsTrimmed) {
  EXPECT_EQ(DestinationLine(L"Destination directory", L"  D:\\Viewer  "),
            L"Destination directory: D:\\Viewer");
}

}  // namespace
}  // namespace lanternix::wizard
