#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include <minizip/unzip.h>

#include "install/install_driver.h"
#include "model/format_catalogue.h"
#include "tests/unit/setup_fixture.h"
#include "uninstall/uninstall_resources.h"

namespace lanternix {
namespace {

using fake::kRegSz;
using fake::RegistryValue;
using testing::SetupMachine;

constexpr RegRoot kHklm = RegRoot::LocalMachine;
constexpr RegRoot kHkcu = RegRoot::CurrentUser;
// Where the program's own machine area lies: with the capabilities, in the native view.
constexpr RegRoot kHklmNative = RegRoot::LocalMachineNative;
constexpr const wchar_t* kFolder = L"C:\\Program Files\\Lanternix\\";
constexpr const wchar_t* kFileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
constexpr const wchar_t* kUserIni = L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
constexpr const wchar_t* kAppXKey = L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg";

enum class Os { Xp, Windows7, Windows10 };

// The entry names of the payload the setup really carries, read from its archive.
std::vector<std::wstring> RealPayloadEntries() {
  const auto bytes = EmbeddedResource(L"ZIP", 1974);
  const auto path = std::filesystem::temp_directory_path() / "lanternix-uninstall-test-payload.zip";
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::vector<std::wstring> names;
  unzFile zip = unzOpen64(path.c_str());
  for (int at = zip ? unzGoToFirstFile(zip) : UNZ_END_OF_LIST_OF_FILE; at == UNZ_OK;
       at = unzGoToNextFile(zip)) {
    char name[520] = {};
    unzGetCurrentFileInfo64(zip, nullptr, name, sizeof name, nullptr, 0, nullptr, 0);
    names.push_back(fake::FromUtf8(name));
  }
  if (zip) unzClose(zip);
  std::filesystem::remove(path);
  return names;
}

class UninstallerTest : public ::testing::Test {
 protected:
  UninstallerTest() : entryTexts(RealPayloadEntries()) {
    for (const auto& name : entryTexts) entries.emplace_back(name);
#define LANTERNIX_STRING(id, text) machine.resources.strings[id] = fake::FromUtf8(text);
#include "uninstall/uninstall_strings.inc"
#undef LANTERNIX_STRING
    machine.registry.Seed(kHklmNative, L"SOFTWARE\\RegisteredApplications", L"Other Viewer", Sz(L"x"));
    // Keys every Windows has, which the setup writes below and never creates itself there. The
    // folder and drive "shell" keys are left out: the setup may have to make them, and then they
    // go again.
    for (const wchar_t* key :
         {L"SOFTWARE\\Classes\\Applications", L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall"})
      machine.registry.CreateKey(kHklm, key);
    machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\Directory\\shell\\find", L"", Sz(L"Search..."));
    machine.registry.CreateKey(kHkcu, L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts");
  }

  static RegistryValue Sz(std::wstring_view text) {
    RegistryValue value{kRegSz, {}};
    for (const wchar_t ch : text) {
      value.data.push_back(static_cast<std::uint8_t>(ch & 0xFF));
      value.data.push_back(static_cast<std::uint8_t>(ch >> 8));
    }
    value.data.insert(value.data.end(), {0, 0});
    return value;
  }

  void SetOs(Os os) {
    switch (os) {
      case Os::Xp: machine.system.SetVersion(5, 1, 2600, L"Service Pack 3"); break;
      case Os::Windows7: machine.system.SetVersion(6, 1, 7601, L"Service Pack 1"); break;
      case Os::Windows10:
        machine.system.SetVersion(10, 0, 19045);
        machine.system.versionEx = OsVersionRecord{kPlatformWin32Nt, 6, 2, 9200, L""};
        break;
    }
  }

  // A silent installation with every option: both links, the group, all users and all formats.
  void InstallEverything() {
    InstallOptions options;
    options.destinationFolder = kFolder;
    options.startMenuGroup = options.desktopShortcut = options.thumbnailsShortcut = options.allUsers = 1;
    options.associationSelection = AllFormatsSelection();
    options.changeAssociations = 1;
    options.silent = 1;
    ASSERT_EQ(RunInstall(machine.Get(), options), 1);
    ASSERT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
  }

  UninstallOutcome Remove(bool purge = false) {
    UninstallRequest request;
    request.installFolder = kFolder;
    request.payloadEntries = entries;
    request.purgeSettings = purge;
    return Uninstall(machine.Get(), request);
  }

  std::optional<std::wstring> Machine(std::wstring_view key, std::wstring_view name = L"") {
    return machine.registry.StringValue(kHklm, key, name);
  }
  std::optional<std::wstring> Native(std::wstring_view key, std::wstring_view name = L"") {
    return machine.registry.StringValue(kHklmNative, key, name);
  }
  std::optional<std::wstring> User(std::wstring_view key, std::wstring_view name = L"") {
    return machine.registry.StringValue(kHkcu, key, name);
  }

  SetupMachine machine;
  std::vector<std::wstring> entryTexts;
  std::vector<std::wstring_view> entries;
};

TEST_F(UninstallerTest, Windows7RoundTripGivesBackTheRegistryAndRemovesEveryFileAndLink) {
  SetOs(Os::Windows7);
  // Earlier associations of other programs: a machine default and a per-user choice.
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"jpegfile"));
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.png", L"Content Type", Sz(L"image/png"));
  machine.registry.Seed(kHkcu, std::wstring(kFileExts) + L"gif\\UserChoice", L"Progid",
                        Sz(L"OtherViewer.gif"));
  machine.registry.Seed(kHkcu, std::wstring(kFileExts) + L"gif\\OpenWithList", L"a", Sz(L"paint.exe"));
  const auto before = machine.registry.Dump();
  InstallEverything();
  ASSERT_EQ(Machine(L"SOFTWARE\\Classes\\.jpg"), L"Lanternix.jpg");
  ASSERT_EQ(User(std::wstring(kFileExts) + L"gif\\UserChoice", L"Progid"), L"Lanternix.gif");

  const UninstallOutcome outcome = Remove();
  EXPECT_EQ(outcome.status, kUninstallRemoved);
  EXPECT_TRUE(outcome.leftOver.empty());
  EXPECT_EQ(machine.registry.Dump(), before);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Program Files\\Lanternix"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Program Files"));
  for (const wchar_t* gone :
       {L"C:\\Users\\Public\\Desktop\\Lanternix.lnk", L"C:\\Users\\Public\\Desktop\\Lanternix Thumbnails.lnk",
        L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix"})
    EXPECT_FALSE(machine.files.Exists(gone)) << fake::ToUtf8(gone);
  // The settings stay: the per-user INI of a silent installation into the program folder.
  EXPECT_TRUE(machine.files.Exists(kUserIni));
  EXPECT_EQ(machine.shell.associationNotifications, 2);
}

TEST_F(UninstallerTest, WindowsXpRoundTripRestoresThePerUserAndMachineChoices) {
  SetOs(Os::Xp);
  machine.registry.Seed(kHkcu, std::wstring(kFileExts) + L"bmp", L"ProgID", Sz(L"Paint.Picture"));
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.tif", L"", Sz(L"TIFImage.Document"));
  const auto before = machine.registry.Dump();
  InstallEverything();
  InstallEverything();  // a re-installation records nothing of its own as "earlier"
  EXPECT_EQ(User(std::wstring(kFileExts) + L"bmp", L"ProgID"), L"Lanternix.bmp");
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(machine.registry.Dump(), before);
}

TEST_F(UninstallerTest, Windows10KeepsANoOpenWithValueThatWasThereBefore) {
  SetOs(Os::Windows10);
  machine.registry.Seed(kHkcu, kAppXKey, L"NoOpenWith", Sz(L""));
  const auto before = machine.registry.Dump();
  InstallEverything();
  ASSERT_TRUE(User(L"SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h", L"NoOpenWith"));
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(machine.registry.Dump(), before);
}

TEST_F(UninstallerTest, AnotherProgramsLaterChoiceStaysAndItsRecordGoes) {
  SetOs(Os::Windows7);
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"jpegfile"));
  InstallEverything();
  machine.registry.SetDefaultValue(kHklm, L"SOFTWARE\\Classes\\.jpg", L"OtherViewer.jpg");
  machine.registry.SetDefaultValue(kHkcu, std::wstring(kFileExts) + L"png\\UserChoice", L"");
  machine.registry.OpenKey(kHkcu, std::wstring(kFileExts) + L"png\\UserChoice", kKeyAllAccess)
      ->SetString(L"Progid", L"OtherViewer.png");
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(Machine(L"SOFTWARE\\Classes\\.jpg"), L"OtherViewer.jpg");
  EXPECT_EQ(User(std::wstring(kFileExts) + L"png\\UserChoice", L"Progid"), L"OtherViewer.png");
  EXPECT_FALSE(machine.registry.KeyExists(kHklmNative, L"SOFTWARE\\Lanternix"));
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix"));
}

TEST_F(UninstallerTest, TheSetupRecordsAnEarlierValueOnceAndNeverItsOwn) {
  SetOs(Os::Windows7);
  const wchar_t* records = L"SOFTWARE\\Lanternix\\EarlierAssociations\\Classes";
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"jpegfile"));
  InstallEverything();
  EXPECT_EQ(Native(records, L".jpg"), L"jpegfile");
  // No earlier value, no record: .png had no default before.
  EXPECT_EQ(Native(records, L".png"), std::nullopt);
  InstallEverything();
  EXPECT_EQ(Native(records, L".jpg"), L"jpegfile");
  // Another program's choice made between two installations does not replace the first record.
  machine.registry.SetDefaultValue(kHklm, L"SOFTWARE\\Classes\\.jpg", L"OtherViewer.jpg");
  InstallEverything();
  EXPECT_EQ(Native(records, L".jpg"), L"jpegfile");
  EXPECT_EQ(User(L"SOFTWARE\\Lanternix\\EarlierAssociations\\UserChoice", L".jpg"), std::nullopt);
}

TEST_F(UninstallerTest, UsersOwnFilesAndTheirFoldersStay) {
  InstallEverything();
  machine.files.WriteText(std::wstring(kFolder) + L"Plugins\\MyPlugin.dll", "mine");
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"Plugins\\MyPlugin.dll"));
  EXPECT_FALSE(machine.files.Exists(std::wstring(kFolder) + L"Plugins\\Icons.dll"));
  EXPECT_FALSE(machine.files.Exists(std::wstring(kFolder) + L"Html"));
  EXPECT_FALSE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
}

TEST_F(UninstallerTest, ALockedFileIsReportedAndLoggedWhileEverythingElseGoes) {
  InstallEverything();
  const std::wstring locked = std::wstring(kFolder) + L"Languages\\ENGLISH.dll";
  machine.files.Lock(locked);
  const UninstallOutcome outcome = Remove();
  EXPECT_EQ(outcome.status, kUninstallIncomplete);
  EXPECT_EQ(outcome.leftOver, std::vector<std::wstring>{locked});
  EXPECT_FALSE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
  EXPECT_FALSE(machine.registry.KeyExists(
      kHklm, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix"));

  LogLeftOver(machine.Get(), L"C:\\Temp\\Lanternix_Uninstall.log", outcome);
  const std::string log = machine.Text(L"C:\\Temp\\Lanternix_Uninstall.log");
  EXPECT_NE(log.find(": Could not remove: C:\\Program Files\\Lanternix\\Languages\\ENGLISH.dll\r\n-----"),
            std::string::npos)
      << log;
}

TEST_F(UninstallerTest, ARunningViewerRefusesAndNothingIsTouched) {
  InstallEverything();
  const auto before = machine.registry.Dump();
  machine.system.windowClasses.insert(L"Lanternix");
  EXPECT_EQ(Remove().status, kUninstallRefused);
  EXPECT_EQ(machine.registry.Dump(), before);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix.lnk"));
}

TEST_F(UninstallerTest, PurgeRemovesThePerUserSettingsAndTheirFolder) {
  InstallEverything();
  ASSERT_EQ(SettingsToKeep(machine.Get(), kFolder), std::vector<std::wstring>{kUserIni});
  EXPECT_EQ(Remove(true).status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming"));
}

TEST_F(UninstallerTest, AProgramFolderIniWithSettingsStaysUnlessPurged) {
  InstallOptions options;
  options.destinationFolder = L"C:\\Apps\\Viewer";
  options.silent = 1;
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);  // settings in the program folder
  UninstallRequest request;
  request.installFolder = L"C:\\Apps\\Viewer";
  request.payloadEntries = entries;
  EXPECT_EQ(Uninstall(machine.Get(), request).status, kUninstallRemoved);
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\Viewer\\l_tern32.ini"));
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps\\Viewer\\l_tern32.exe"));
  request.purgeSettings = true;
  EXPECT_EQ(Uninstall(machine.Get(), request).status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps\\Viewer"));
}

TEST_F(UninstallerTest, RunningAgainAfterACompleteRemovalChangesNothing) {
  InstallEverything();
  ASSERT_EQ(Remove().status, kUninstallRemoved);
  const auto registry = machine.registry.Dump();
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(machine.registry.Dump(), registry);
}

TEST_F(UninstallerTest, ALaterInstallationElsewhereKeepsItsRegistrationAndLinks) {
  InstallEverything();
  InstallOptions options;
  options.destinationFolder = L"C:\\Apps\\Viewer";
  options.desktopShortcut = options.allUsers = 1;
  options.silent = 1;
  ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(
      Machine(L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix", L"InstallLocation"),
      L"C:\\Apps\\Viewer\\");
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix.lnk"));
  EXPECT_FALSE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix Thumbnails.lnk"));
  EXPECT_FALSE(machine.files.Exists(kFolder));
}

TEST(IniRedirectRule, OnlyTheOthersRedirectCountsAsNoSettings) {
  fake::FakeSystemInfo system;
  auto holdsOnlyRedirect = [&system](std::string_view text) {
    return IniHoldsOnlyRedirect(system,
                                std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  };
  EXPECT_TRUE(holdsOnlyRedirect("[Others]\r\nINI_Folder=%APPDATA%\\Lanternix\r\n"));
  EXPECT_TRUE(holdsOnlyRedirect("; comment\r\n\r\n[others]\r\n ini_folder = x\r\n[Toolbar]\r\n"));
  EXPECT_TRUE(holdsOnlyRedirect(""));
  EXPECT_FALSE(holdsOnlyRedirect("[Others]\r\nINI_Folder=x\r\n[Toolbar]\r\nSkin=Halbrenk_24.png\r\n"));
  EXPECT_FALSE(holdsOnlyRedirect("[Language]\r\nINI_Folder=x\r\n"));
  // UTF-16LE with its byte-order mark, as the setup's conversion leaves a settings file.
  const std::string utf16 =
      std::string("\xFF\xFE", 2) + std::string("[\0O\0t\0h\0e\0r\0s\0]\0\r\0\n\0a\0=\0b\0", 28);
  EXPECT_FALSE(holdsOnlyRedirect(utf16));
}

}  // namespace
}  // namespace lanternix
