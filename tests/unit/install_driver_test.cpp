#include "install/install_driver.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "app/silent_setup.h"
#include "install/installation_record.h"
#include "install/payload_extractor.h"
#include "platform/text_limits.h"
#include "tests/unit/setup_fixture.h"
#include "tests/unit/zip_builder.h"

namespace lanternix {
namespace {

using testing::SetupMachine;

const std::string kMessage5 = "Invalid destination directory!";
const std::string kMessage7Start = "Can't install all files!\r\n\r\nPlease close all running Lanternix instances";
const std::string kMessage11Start = "Can't create destination directory!\r\n\r\n";

InstallOptions Silent(std::wstring folder) {
  InstallOptions options;
  options.destinationFolder = std::move(folder);
  options.silent = 1;
  options.messageCaption = L"Lanternix 32-bit Setup";
  return options;
}

class InstallDriverTest : public ::testing::Test {
protected:
  SetupMachine machine;
};

TEST_F(InstallDriverTest, InstallsEveryPieceAndLeavesTheDestinationCurrent) {
  InstallOptions options = Silent(L" C:\\Apps\\Viewer ");
  options.desktopShortcut = 1;
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\Viewer\\l_tern32.exe"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\Viewer\\Plugins\\Icons.dll"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\tester\\Desktop\\Lanternix.lnk"));
  EXPECT_EQ(machine.registry.StringValue(RegRoot::LocalMachine,
                                         L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix",
                                         L"InstallLocation"),
            L"C:\\Apps\\Viewer\\");
  // The INI file ends as UTF-16LE.
  const std::string ini = machine.Text(L"C:\\Apps\\Viewer\\l_tern32.ini");
  ASSERT_GE(ini.size(), 2u);
  EXPECT_EQ(ini.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(machine.files.CurrentFolder(), L"C:\\Apps\\Viewer");
  EXPECT_TRUE(machine.LogMessages(L"C:\\Apps\\Viewer").empty());
}

TEST_F(InstallDriverTest, EveryStepUsesTheFolderAsItWasCreated) {
  const std::wstring uninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
  for (const wchar_t* typed :
       {L"C:\\Apps \\Lanternix", L"C:\\Apps\\Lanternix \\", L"C:\\X\\..\\Apps\\.\\Lanternix"}) {
    SCOPED_TRACE(fake::ToUtf8(typed));
    SetupMachine fresh;
    InstallOptions options = Silent(typed);
    options.desktopShortcut = 1;
    options.startMenuGroup = 1;
    options.iniFolder = L"C:\\My \\Settings ";
    ASSERT_EQ(RunInstall(fresh.Get(), options), 1);
    EXPECT_TRUE(fresh.files.Exists(L"C:\\Apps\\Lanternix\\l_tern32.exe"));
    EXPECT_FALSE(fresh.files.Exists(L"C:\\Apps \\Lanternix"));
    EXPECT_FALSE(fresh.files.Exists(L"C:\\Apps\\Lanternix \\"));
    EXPECT_FALSE(fresh.files.Exists(L"C:\\X"));
    // What the uninstaller may take away again.
    EXPECT_EQ(ReadInstallationRecord(fresh.Get(), L"C:\\Apps\\Lanternix\\").createdFolders,
              (std::vector<std::wstring>{L"C:\\Apps\\", L"C:\\Apps\\Lanternix\\"}));
    EXPECT_EQ(fresh.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"InstallLocation"),
              L"C:\\Apps\\Lanternix\\");
    EXPECT_TRUE(fresh.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"UninstallString")
                    ->starts_with(L"\"C:\\Apps\\Lanternix\\lt_uninstall.exe"));
    EXPECT_EQ(fresh.shell.links.at(L"C:\\Users\\tester\\Desktop\\Lanternix.lnk").target,
              L"C:\\Apps\\Lanternix\\l_tern32.exe");
    // The redirect names the INI folder as created, too.
    EXPECT_EQ(fresh.profiles.ReadString(L"C:\\Apps\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder", 260),
              L"C:\\My\\Settings");
    EXPECT_TRUE(fresh.files.Exists(L"C:\\My\\Settings\\l_tern32.ini"));
  }
}

// A folder typed through an 8.3 alias is registered and linked under its long name; a level that
// the run creates below it has no alias to resolve.
TEST_F(InstallDriverTest, AShortFolderNameIsRecordedInItsLongForm) {
  const std::wstring uninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
  machine.files.CreateFolder(L"C:\\Program Files 2");
  machine.files.AddShortName(L"C:\\Program Files 2", L"PROG~5P2");
  InstallOptions options = Silent(L"C:\\PROG~5P2\\Lanternix");
  options.desktopShortcut = 1;
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  const std::wstring folder = L"C:\\Program Files 2\\Lanternix\\";
  EXPECT_TRUE(machine.files.Exists(folder + L"l_tern32.exe"));
  EXPECT_EQ(machine.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"InstallLocation"), folder);
  EXPECT_EQ(machine.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"UninstallString"),
            L"\"" + folder + L"lt_uninstall.exe\"");
  EXPECT_TRUE(machine.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"DisplayIcon")
                  ->starts_with(folder + L"l_tern32.exe"));
  EXPECT_EQ(ReadInstallationRecord(machine.Get(), folder).createdFolders, std::vector<std::wstring>{folder});
  EXPECT_EQ(machine.shell.links.at(L"C:\\Users\\tester\\Desktop\\Lanternix.lnk").target,
            folder + L"l_tern32.exe");

  // A long name that would not leave room for the payload stays short: the same folder, usable.
  SetupMachine deep;
  // "C:\\" + the level + "\\Lanternix\\" + the longest entry: one character beyond 259.
  const std::size_t levelChars = 260 - 3 - 11 - LongestPayloadEntryName(deep.Get()) + 1;
  const std::wstring longLevel = L"C:\\" + std::wstring(levelChars, L'p');
  deep.files.CreateFolder(longLevel);
  deep.files.AddShortName(longLevel, L"PPPPPP~1");
  InstallOptions shortOnly = Silent(L"C:\\PPPPPP~1\\Lanternix");
  ASSERT_EQ(RunInstall(deep.Get(), shortOnly), 1);
  EXPECT_EQ(deep.registry.StringValue(RegRoot::LocalMachine, uninstallKey, L"InstallLocation"),
            L"C:\\PPPPPP~1\\Lanternix\\");
  EXPECT_TRUE(deep.files.Exists(longLevel + L"\\Lanternix\\l_tern32.exe"));
}

TEST_F(InstallDriverTest, SilentFailuresAreLoggedInTheirOwnOrder) {
  InstallOptions empty = Silent(L"");
  EXPECT_EQ(RunInstall(machine.Get(), empty), 0);
  InstallOptions spaces = Silent(L"   ");
  EXPECT_EQ(RunInstall(machine.Get(), spaces), 0);
  InstallOptions noDrive = Silent(L"Q:\\Apps");
  EXPECT_EQ(RunInstall(machine.Get(), noDrive), 0);
  const auto messages = machine.LogMessages(L"C:\\Start");
  ASSERT_EQ(messages.size(), 3u);
  EXPECT_EQ(messages[0], kMessage5 + ": ");
  EXPECT_EQ(messages[1].substr(0, kMessage11Start.size()), kMessage11Start);
  EXPECT_TRUE(messages[1].ends_with("manually and restart.: ")) << messages[1];
  EXPECT_TRUE(messages[2].ends_with(": Q:\\Apps\\")) << messages[2];
  EXPECT_TRUE(machine.messages.shown.empty());
}

// Elevated, every folder level the setup creates gets the protected list (C:\\ would let every
// user modify them); a folder that was there keeps its own; a per-user run changes nothing.
TEST_F(InstallDriverTest, AnElevatedSetupProtectsTheFoldersItCreates) {
  machine.system.elevated = true;
  InstallOptions options = Silent(L"C:\\Apps\\Lanternix");
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  EXPECT_EQ(machine.files.protectedFolders, (std::vector<std::wstring>{L"C:\\Apps", L"C:\\Apps\\Lanternix"}));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\Lanternix\\Plugins\\Icons.dll"));

  options = Silent(L"C:\\Apps\\Lanternix");
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  EXPECT_EQ(machine.files.protectedFolders.size(), 2u);

  SetupMachine perUser;
  InstallOptions own = Silent(L"C:\\Users\\tester\\Lanternix");
  ASSERT_EQ(RunInstall(perUser.Get(), own), 1);
  EXPECT_TRUE(perUser.files.Exists(L"C:\\Users\\tester\\Lanternix\\l_tern32.exe"));
  EXPECT_TRUE(perUser.files.protectedFolders.empty());
}

TEST_F(InstallDriverTest, ExtractionFailureLogsFolderThenMessage) {
  machine.files.WriteText(L"C:\\Apps\\l_tern32.exe", "running");
  machine.files.Lock(L"C:\\Apps\\l_tern32.exe");
  InstallOptions options = Silent(L"C:\\Apps");
  EXPECT_EQ(RunInstall(machine.Get(), options), 0);
  // Extraction entered the destination, so that is where the line lands.
  const auto messages = machine.LogMessages(L"C:\\Apps");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0].substr(0, 10 + kMessage7Start.size()), "C:\\Apps\\: " + kMessage7Start);
  // Nothing after the extraction ran.
  EXPECT_FALSE(machine.registry.KeyExists(RegRoot::LocalMachine, L"SOFTWARE\\Classes\\Lanternix"));
}

TEST_F(InstallDriverTest, OverlongDestinationIsRefusedBeforeAnythingIsCreated) {
  const std::wstring folder = L"C:\\" + std::wstring(237, L'd');  // 240 with "C:\" ... and "\" makes 241
  InstallOptions options = Silent(folder);
  EXPECT_EQ(RunInstall(machine.Get(), options), 0);
  EXPECT_FALSE(machine.files.Exists(folder));
  const auto messages = machine.LogMessages(L"C:\\Start");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kMessage5 + ": " + fake::ToUtf8(folder));

  // 240 characters pass that check, but not the payload's: see below.
  InstallOptions fits = Silent(L"C:\\" + std::wstring(236, L'd') + L"\\");
  EXPECT_EQ(RunInstall(machine.Get(), fits), 0);
}

TEST_F(InstallDriverTest, OnlyFullyQualifiedDestinationsAreAccepted) {
  for (const wchar_t* folder : {L"C:\\Apps", L"c:/Apps", L"\\\\server\\share\\Apps"})
    EXPECT_TRUE(IsFullyQualifiedFolder(folder)) << fake::ToUtf8(folder);
  for (const wchar_t* folder :
       {L"Rel\\Lanternix", L"C:foo", L"C:", L"\\foo", L"/foo", L"..\\up", L"1:\\x", L""})
    EXPECT_FALSE(IsFullyQualifiedFolder(folder)) << fake::ToUtf8(folder);

  // Each refused before anything is created, wherever the current folder is; C:\Start is current
  // on C: too.
  const std::vector<std::wstring> refused = {L"Rel\\Lanternix", L"C:foo", L"\\foo", L" C:Lanternix "};
  const auto keysBefore = machine.registry.Keys();
  for (const std::wstring& folder : refused) {
    InstallOptions options = Silent(folder);
    EXPECT_EQ(RunInstall(machine.Get(), options), 0) << fake::ToUtf8(folder);
  }
  for (const wchar_t* path : {L"C:\\Start\\Rel", L"C:\\Start\\foo", L"C:\\foo", L"C:\\Start\\Lanternix",
                              L"C:\\Start\\Plugins", L"C:\\Start\\l_tern32.exe"})
    EXPECT_FALSE(machine.files.Exists(path)) << fake::ToUtf8(path);
  EXPECT_EQ(machine.registry.Keys(), keysBefore);
  const auto messages = machine.LogMessages(L"C:\\Start");
  ASSERT_EQ(messages.size(), refused.size());
  for (std::size_t i = 0; i < refused.size(); ++i)
    EXPECT_EQ(messages[i], kMessage5 + ": " + fake::ToUtf8(refused[i]));

  // A network folder is no business of this rule.
  machine.files.AddNetworkShare(L"\\\\server\\share");
  InstallOptions network = Silent(L"\\\\server\\share\\Lanternix");
  EXPECT_EQ(RunInstall(machine.Get(), network), 1);
}

TEST_F(InstallDriverTest, DestinationMustLeaveRoomForThePayloadsLongestEntry) {
  // The longest name comes from the archive that is embedded, whatever it holds.
  const std::string longName = "Deep/" + std::string(60, 'n') + ".txt";  // 69 characters
  machine.resources.views.clear();
  machine.resources.bytes[{L"ZIP", 1974}] =
      testing::ZipBuilder().File("short.txt", "s").File(longName, "l").File("Plugins/Icons.dll", "i").Bytes();
  EXPECT_EQ(LongestPayloadEntryName(machine.Get()), longName.size());

  // 190 characters with the final backslash, plus 69, make 259: that fits...
  const std::wstring fits = L"C:\\" + std::wstring(186, L'f') + L"\\";
  ASSERT_EQ(fits.size() + longName.size(), 259u);
  EXPECT_TRUE(LeavesRoomForPayload(fits, longName.size()));
  // ...one more does not, with or without its final backslash typed.
  const std::wstring tooLong = L"C:\\" + std::wstring(187, L'g');
  EXPECT_FALSE(LeavesRoomForPayload(tooLong, longName.size()));
  InstallOptions refused = Silent(tooLong);
  EXPECT_EQ(RunInstall(machine.Get(), refused), 0);
  EXPECT_FALSE(machine.files.Exists(tooLong));
  const auto messages = machine.LogMessages(L"C:\\Start");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0], kMessage5 + ": " + fake::ToUtf8(tooLong));

  InstallOptions accepted = Silent(fits);
  EXPECT_EQ(RunInstall(machine.Get(), accepted), 1);
  EXPECT_EQ(machine.Text(fits + fake::FromUtf8(longName)), "l");
}

TEST_F(InstallDriverTest, TheRealPayloadSetsTheLimitBelow240) {
  const std::size_t longest = LongestPayloadEntryName(machine.Get());
  ASSERT_GT(longest, 0u);
  // With its final "\" and the longest name, one character too many for a path.
  const std::wstring refused = L"C:\\" + std::wstring(kShortTextChars - 1 - longest - 3, L'r');
  EXPECT_LT(refused.size() + 1, kMaxDestinationChars);
  InstallOptions options = Silent(refused);
  EXPECT_EQ(RunInstall(machine.Get(), options), 0);
  EXPECT_FALSE(machine.files.Exists(refused));
  InstallOptions accepted = Silent(refused.substr(0, refused.size() - 1));
  EXPECT_EQ(RunInstall(machine.Get(), accepted), 1);
}

TEST_F(InstallDriverTest, WizardShowsFailuresAsErrorBoxes) {
  InstallOptions options = Silent(L"");
  options.silent = 0;
  options.messageCaption = L"Caption";
  EXPECT_EQ(RunInstall(machine.Get(), options), 0);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].text, L"Invalid destination directory!");
  EXPECT_EQ(machine.messages.shown[0].caption, L"Caption");
  EXPECT_EQ(machine.messages.shown[0].flags, kMbIconError);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Start\\Lanternix_Install.log"));
}

TEST_F(InstallDriverTest, AssociationQuestionOnlyInTheWizardAndNoStillInstalls) {
  machine.system.SetVersion(6, 1, 7601, L"Service Pack 1");  // where UserChoice keys are written
  InstallOptions options = Silent(L"C:\\Apps");
  options.silent = 0;
  options.changeAssociations = 1;
  options.associationSelection = SelectionForAssocValue(1);
  machine.messages.answers.push_back(kIdNo);
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].flags, 0x124u);
  EXPECT_TRUE(machine.messages.shown[0].text.starts_with(L"You want to change current associations"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\l_tern32.exe"));
  // Declined: no per-user choice was forced.
  EXPECT_FALSE(machine.registry.KeyExists(
      RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp\\UserChoice"));

  InstallOptions silent = Silent(L"C:\\Apps");
  silent.changeAssociations = 1;
  silent.associationSelection = SelectionForAssocValue(1);
  ASSERT_EQ(RunInstall(machine.Get(), silent), 1);
  EXPECT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_TRUE(machine.registry.KeyExists(
      RegRoot::CurrentUser, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp\\UserChoice"));
}

class SilentSetupTest : public ::testing::Test {
protected:
  SetupMachine machine;
};

TEST_F(SilentSetupTest, DefaultsToProgramFilesWithPerUserSettings) {
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  EXPECT_TRUE(machine.files.Exists(L"C:\\Program Files\\Lanternix\\l_tern32.exe"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix\\l_tern32.ini"));
  EXPECT_TRUE(machine.shell.links.empty());
}

TEST_F(SilentSetupTest, RefusesWhileTheViewerRuns) {
  machine.system.windowClasses.insert(L"Lanternix");
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitViewerRunning);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Program Files\\Lanternix"));
  const auto messages = machine.LogMessages(L"C:\\Start");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_EQ(messages[0],
            "Warning: Lanternix is running!\r\nPlease close all Lanternix instances before you "
            "install this version!");
}

TEST_F(SilentSetupTest, AViewerHoldingItsFileIsARunningViewer) {
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  const std::wstring folder = L"C:\\Program Files\\Lanternix\\";
  machine.files.WriteText(folder + L"l_about.txt", "old");
  machine.files.Lock(folder + L"l_tern32.exe");
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitViewerRunning);
  EXPECT_EQ(machine.Text(folder + L"l_about.txt"), "old");
  // The first run left its folder current.
  const auto messages = machine.LogMessages(L"C:\\Program Files\\Lanternix");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("Warning: Lanternix is running!")) << messages[0];
  // Another folder's installation does not care about that file.
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=C:\\Other"), kExitInstalled);
}

TEST_F(SilentSetupTest, AnotherLockedFileStillFailsTheExtraction) {
  machine.files.CreateFolder(L"C:\\Apps");
  machine.files.WriteText(L"C:\\Apps\\l_about.txt", "open");
  machine.files.Lock(L"C:\\Apps\\l_about.txt");
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=C:\\Apps"), kExitFailed);
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\l_tern32.exe"));
  const auto messages = machine.LogMessages(L"C:\\Apps");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("C:\\Apps\\: " + kMessage7Start)) << messages[0];
}

TEST_F(SilentSetupTest, ShortenedOrUnusableFoldersAreRefusedBeforeAnythingIsCreated) {
  machine.files.AddDrive(L'D');
  const std::wstring longIni = L"D:\\" + std::wstring(406, L'i');
  const std::wstring folderAfterIt =
      L" /folder=C:\\Program Files (x86)\\Graphics Tools 2\\Lanternix Image Viewer /desktop=1";
  const std::wstring padded = L"setup.exe /silent /desktop=1" + std::wstring(472, L' ');
  struct Case {
    std::wstring commandLine;
    std::string logLine;
  };
  const std::string kInvalidIni = "Invalid INI folder!: ";
  const Case cases[] = {
      // The "/ini=" value is cut at index 260 of its option.
      {L"setup.exe /silent /ini=" + longIni + folderAfterIt, kInvalidIni + "D:\\" + std::string(252, 'i')},
      // The "/folder=" value runs past character 519.
      {padded + L"/folder=C:\\Apps\\Lanternix Image Viewer", kMessage5 + ": C:\\Apps\\Lan"},
      {L"setup.exe /silent /ini=Settings", kInvalidIni + "Settings"},
      {L"setup.exe /silent /ini=C:Settings", kInvalidIni + "C:Settings"},
      {L"setup.exe /silent /ini=\\Settings", kInvalidIni + "\\Settings"},
      {L"setup.exe /silent /ini=%UNDEFINED%\\Settings", kInvalidIni + "%UNDEFINED%\\Settings"},
      {L"setup.exe /silent /ini=D:\\Con\\x", kInvalidIni + "D:\\Con\\x"},
      {L"setup.exe /silent /ini=\\\\.\\COM1", kInvalidIni + "\\\\.\\COM1"},
      // 242 characters and its "\" leave no room for "l_tern32.ini_temp" within 259.
      {L"setup.exe /silent /ini=D:\\" + std::wstring(239, L'x'),
       kInvalidIni + "D:\\" + std::string(239, 'x')},
  };
  const auto keysBefore = machine.registry.Keys();
  std::vector<std::string> expected;
  for (const Case& c : cases) {
    EXPECT_EQ(RunSilentSetup(machine.Get(), c.commandLine), kExitFailed) << fake::ToUtf8(c.commandLine);
    expected.push_back(c.logLine);
  }
  EXPECT_EQ(machine.LogMessages(L"C:\\Start"), expected);
  for (const wchar_t* path : {L"C:\\Program Files\\Lanternix", L"C:\\Program Files (x86)", L"C:\\Apps",
                              L"C:\\Start\\Settings", L"C:\\Settings"})
    EXPECT_FALSE(machine.files.Exists(path)) << fake::ToUtf8(path);
  EXPECT_EQ(machine.registry.Keys(), keysBefore);

  // One character less leaves that room.
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /ini=D:\\" + std::wstring(238, L'x')),
            kExitInstalled);
}

TEST_F(SilentSetupTest, FailureGivesExitStatusOne) {
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=   /desktop=1"), kExitFailed);
}

TEST_F(SilentSetupTest, AnUpdateKeepsTheUsersSettingsWhereTheyWere) {
  machine.files.AddDrive(L'D');
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=D:\\Apps\\Lanternix"), kExitInstalled);
  const std::wstring userIni = L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
  ASSERT_TRUE(machine.files.Exists(userIni));
  // The second run finds the installation and must not drop the redirect.
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  EXPECT_EQ(machine.profiles.ReadString(L"D:\\Apps\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder", 260),
            L"%APPDATA%\\Lanternix");
  // An explicit empty "/ini=" still takes the settings back to the program folder.
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /ini="), kExitInstalled);
  EXPECT_EQ(machine.profiles.ReadString(L"D:\\Apps\\Lanternix\\l_tern32.ini", L"Others", L"INI_Folder", 260),
            L"");
}

TEST_F(SilentSetupTest, RelativeFolderFailsWithExitStatusOne) {
  const auto keysBefore = machine.registry.Keys();
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=Rel\\Lanternix /desktop=1"),
            kExitFailed);
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /folder=C:foo"), kExitFailed);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Start\\Rel"));
  EXPECT_FALSE(machine.files.Exists(L"C:\\Start\\foo"));
  EXPECT_EQ(machine.registry.Keys(), keysBefore);
  EXPECT_TRUE(machine.shell.links.empty());
  EXPECT_EQ(machine.LogMessages(L"C:\\Start"),
            (std::vector<std::string>{kMessage5 + ": Rel\\Lanternix", kMessage5 + ": C:foo"}));
}

// An update of an installation in the default folder: where its settings were decides where they
// stay.
class SilentUpdateTest : public SilentSetupTest {
protected:
  SilentUpdateTest() {
    EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
    machine.files.Remove(kProgramIni);
    machine.files.Remove(kUserIni);
  }
  std::wstring Read(const std::wstring& path, const wchar_t* section, const wchar_t* key) {
    return machine.profiles.ReadString(path, section, key, 260);
  }
  const std::wstring kProgramIni = L"C:\\Program Files\\Lanternix\\l_tern32.ini";
  const std::wstring kUserIni = L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
};

TEST_F(SilentUpdateTest, SettingsInTheProgramFolderStayThere) {
  machine.files.WriteText(kProgramIni, "[Toolbar]\r\nSkin=mine.png\r\nSize=24\r\n");
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  EXPECT_EQ(Read(kProgramIni, L"Others", L"INI_Folder"), L"");
  EXPECT_EQ(Read(kProgramIni, L"Toolbar", L"Skin"), L"mine.png");
  EXPECT_EQ(Read(kProgramIni, L"Language", L"Lang"), L"English");
  EXPECT_FALSE(machine.files.Exists(kUserIni));
}

TEST_F(SilentUpdateTest, ARedirectIsKept) {
  machine.files.WriteText(kProgramIni, "[Others]\r\nINI_Folder=C:\\Settings\r\n");
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  EXPECT_EQ(Read(kProgramIni, L"Others", L"INI_Folder"), L"C:\\Settings");
  EXPECT_EQ(Read(L"C:\\Settings\\l_tern32.ini", L"Language", L"Lang"), L"English");
  EXPECT_FALSE(machine.files.Exists(kUserIni));
}

TEST_F(SilentUpdateTest, WithoutAnIniFileTheFreshDefaultApplies) {
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent"), kExitInstalled);
  EXPECT_EQ(Read(kProgramIni, L"Others", L"INI_Folder"), L"%APPDATA%\\Lanternix");
  EXPECT_TRUE(machine.files.Exists(kUserIni));
}

TEST_F(SilentUpdateTest, AnExplicitIniFolderWins) {
  machine.files.WriteText(kProgramIni, "[Toolbar]\r\nSkin=mine.png\r\n");
  ASSERT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /ini=C:\\Elsewhere"), kExitInstalled);
  EXPECT_EQ(Read(kProgramIni, L"Others", L"INI_Folder"), L"C:\\Elsewhere");
  EXPECT_TRUE(machine.files.Exists(L"C:\\Elsewhere\\l_tern32.ini"));
}

// The program folder's INI file held open by another program, or a folder of that name: the
// redirect can't be written, so the viewer would go on reading the old place, or read nothing
// that the settings written elsewhere are meant for. The update fails, its line names the file,
// and no INI file is created that nothing points to.
TEST_F(SilentUpdateTest, AnIniFileThatCannotBeWrittenFailsTheUpdateAndCreatesNoOther) {
  const std::string cantWrite = ": Can't write the Lanternix settings file!";
  machine.files.WriteText(kProgramIni, "[Others]\r\nINI_Folder=C:\\Settings\r\n");
  machine.files.Lock(kProgramIni);
  EXPECT_EQ(RunSilentSetup(machine.Get(), L"setup.exe /silent /ini=C:\\Other"), kExitFailed);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Other"));
  const auto host = machine.files.HostPath(kProgramIni);
  ASSERT_TRUE(host);
  std::ifstream held(*host, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(held), {}), "[Others]\r\nINI_Folder=C:\\Settings\r\n");
  auto messages = machine.LogMessages(L"C:\\Program Files\\Lanternix");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with(fake::ToUtf8(kProgramIni) + cantWrite)) << messages[0];
  // Everything else is in place: the viewer can be run and removed.
  EXPECT_TRUE(machine.registry.KeyExists(
      RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix"));

  // A folder where the file should be: no redirect to the per-user folder, and no file there.
  SetupMachine other;
  other.files.CreateFolder(L"C:\\Program Files\\Lanternix");
  other.files.CreateFolder(kProgramIni);
  EXPECT_EQ(RunSilentSetup(other.Get(), L"setup.exe /silent"), kExitFailed);
  EXPECT_FALSE(other.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix"));
  messages = other.LogMessages(L"C:\\Program Files\\Lanternix");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with(fake::ToUtf8(kProgramIni) + cantWrite)) << messages[0];

  // Settings that can't be written where the redirect points fail the run too.
  SetupMachine settings;
  settings.files.CreateFolder(L"C:\\Cfg");
  settings.files.WriteText(L"C:\\Cfg\\l_tern32.ini", "[Toolbar]\r\nSkin=mine.png\r\n");
  settings.files.Lock(L"C:\\Cfg\\l_tern32.ini");
  EXPECT_EQ(RunSilentSetup(settings.Get(), L"setup.exe /silent /ini=C:\\Cfg"), kExitFailed);
  messages = settings.LogMessages(L"C:\\Program Files\\Lanternix");
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_TRUE(messages[0].starts_with("C:\\Cfg\\l_tern32.ini" + cantWrite)) << messages[0];
}

// The wizard shows the same failure as its error box and goes back to its first page.
TEST_F(InstallDriverTest, WizardShowsAnUnwritableIniFileAsAnErrorBox) {
  machine.files.CreateFolder(L"C:\\Apps");
  machine.files.CreateFolder(L"C:\\Apps\\l_tern32.ini");
  InstallOptions options = Silent(L"C:\\Apps");
  options.silent = 0;
  options.messageCaption = L"Caption";
  EXPECT_EQ(RunInstall(machine.Get(), options), 0);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_TRUE(machine.messages.shown[0].text.starts_with(L"Can't write the Lanternix settings file!"));
  EXPECT_EQ(machine.messages.shown[0].flags, kMbIconError);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps\\Lanternix_Install.log"));
}

}  // namespace
}  // namespace lanternix
