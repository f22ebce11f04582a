#include "uninstall/uninstaller.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include <minizip/unzip.h>

#include "install/install_driver.h"
#include "install/viewer_ini.h"
#include "model/format_catalogue.h"
#include "tests/unit/setup_fixture.h"
#include "tests/unit/zip_builder.h"
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

ShellLink LinkTo(std::wstring target) {
  ShellLink link;
  link.target = std::move(target);
  return link;
}

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

  // A program's class under the machine's classes, as its installation left it.
  void SeedClass(std::wstring_view progId) {
    machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\" + std::wstring(progId), L"", Sz(progId));
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

  // A silent installation into folder, as typed, with the group and a desktop link for all users.
  // The settings go to the user's folder unless iniFolder says otherwise.
  void InstallInto(std::wstring_view folder, std::wstring_view iniFolder = kPerUserIniFolder) {
    InstallOptions options;
    options.destinationFolder = folder;
    options.iniFolder = iniFolder;
    options.desktopShortcut = options.startMenuGroup = options.allUsers = 1;
    options.silent = 1;
    ASSERT_EQ(RunInstall(machine.Get(), options), 1);
  }

  UninstallOutcome RemoveFrom(std::wstring_view folder, bool leaveUninstaller = false, bool purge = false) {
    UninstallRequest request;
    request.installFolder = folder;
    request.payloadEntries = entries;
    request.leaveUninstaller = leaveUninstaller;
    request.purgeSettings = purge;
    return Uninstall(machine.Get(), request);
  }

  // The user's own icon library (another maker's) in folder's Plugins, which the setup keeps.
  void PlaceUsersIconLibrary(std::wstring_view folder) {
    const std::wstring path = std::wstring(folder) + L"\\Plugins\\Icons.dll";
    machine.files.WriteText(path, "my icons");
    machine.versions.byPath[path] =
        FileVersionData{{0x00040000, 0x001E0000, 0x00040000, 0x001E0000}, L"Somebody Else"};
  }

  // Every file and folder left below folder, as paths relative to it.
  std::vector<std::string> LeftIn(std::wstring_view folder) {
    std::vector<std::string> left;
    const auto host = machine.files.HostPath(folder);
    if (!host || !std::filesystem::exists(*host)) return left;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(*host))
      left.push_back(std::filesystem::relative(entry.path(), *host).generic_string());
    std::sort(left.begin(), left.end());
    return left;
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
  SeedClass(L"jpegfile");
  SeedClass(L"OtherViewer.gif");
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
  SeedClass(L"Paint.Picture");
  SeedClass(L"TIFImage.Document");
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

TEST_F(UninstallerTest, AnEarlierHandlerWhoseProgramWentSinceIsNotWrittenBack) {
  SetOs(Os::Windows7);
  for (const wchar_t* progId : {L"OtherViewer.jpg", L"OtherViewer.gif", L"TIFImage.Document"})
    SeedClass(progId);
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.jpg", L"", Sz(L"OtherViewer.jpg"));
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\.tif", L"", Sz(L"TIFImage.Document"));
  const std::wstring gif = std::wstring(kFileExts) + L"gif\\UserChoice";
  machine.registry.Seed(kHkcu, gif, L"Progid", Sz(L"OtherViewer.gif"));
  InstallEverything();
  // The other viewer is uninstalled meanwhile, and its classes go.
  for (const wchar_t* progId : {L"OtherViewer.jpg", L"OtherViewer.gif"})
    ASSERT_TRUE(machine.registry.DeleteKey(kHklm, L"SOFTWARE\\Classes\\" + std::wstring(progId)));
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(Machine(L"SOFTWARE\\Classes\\.jpg"), std::nullopt);
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, gif));
  EXPECT_EQ(Machine(L"SOFTWARE\\Classes\\.tif"), L"TIFImage.Document");
  EXPECT_FALSE(machine.registry.KeyExists(kHklmNative, L"SOFTWARE\\Lanternix"));
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix"));

  // The per-user choice of Windows XP follows the same rule.
  SetOs(Os::Xp);
  SeedClass(L"OtherViewer.png");
  machine.registry.Seed(kHkcu, std::wstring(kFileExts) + L"bmp", L"ProgID", Sz(L"Paint.Picture"));
  machine.registry.Seed(kHkcu, std::wstring(kFileExts) + L"png", L"ProgID", Sz(L"OtherViewer.png"));
  InstallEverything();
  ASSERT_EQ(User(std::wstring(kFileExts) + L"bmp", L"ProgID"), L"Lanternix.bmp");
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(User(std::wstring(kFileExts) + L"bmp", L"ProgID"), std::nullopt);
  EXPECT_EQ(User(std::wstring(kFileExts) + L"png", L"ProgID"), L"OtherViewer.png");
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

  LogOutcome(machine.Get(), L"C:\\Temp\\Lanternix_Uninstall.log", outcome);
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

  // A viewer in another session: no window to see, but its program file is held.
  machine.system.windowClasses.clear();
  machine.files.Lock(std::wstring(kFolder) + L"l_tern32.exe");
  EXPECT_EQ(Remove(true).status, kUninstallRefused);
  EXPECT_EQ(machine.registry.Dump(), before);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.chm"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix.lnk"));
  EXPECT_TRUE(machine.files.Exists(kUserIni));
}

TEST_F(UninstallerTest, PurgeRemovesThePerUserSettingsAndTheirFolder) {
  InstallEverything();
  ASSERT_EQ(SettingsToKeep(machine.Get(), kFolder), std::vector<std::wstring>{kUserIni});
  EXPECT_EQ(Remove(true).status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming\\Lanternix"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\tester\\AppData\\Roaming"));
}

TEST_F(UninstallerTest, PurgeKeepsTheSettingsTheRegisteredInstallationStillUses) {
  InstallInto(kFolder);
  InstallInto(L"C:\\B\\Lanternix");  // the registered one now, with the same per-user settings
  const std::string settings = machine.Text(kUserIni);
  ASSERT_NE(settings, "<missing>");
  EXPECT_EQ(SettingsToKeep(machine.Get(), kFolder), std::vector<std::wstring>{});
  const UninstallOutcome superseded = RemoveFrom(kFolder, false, true);
  EXPECT_EQ(superseded.status, kUninstallRemoved);
  EXPECT_EQ(superseded.settingsKept, kUserIni);
  EXPECT_EQ(machine.Text(kUserIni), settings);
  EXPECT_FALSE(machine.files.Exists(kFolder));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix.lnk"));

  // The registered installation's own purge takes them.
  EXPECT_EQ(SettingsToKeep(machine.Get(), L"C:\\B\\Lanternix\\"), std::vector<std::wstring>{kUserIni});
  const UninstallOutcome registered = RemoveFrom(L"C:\\B\\Lanternix", false, true);
  EXPECT_EQ(registered.status, kUninstallRemoved);
  EXPECT_EQ(registered.settingsKept, L"");
  EXPECT_FALSE(machine.files.Exists(kUserIni));
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

TEST_F(UninstallerTest, AnIconLibraryTheSetupKeptStays) {
  // The user's own icon pack, not the publisher's: the setup leaves it, and so must the uninstaller.
  machine.files.WriteText(L"C:\\Tools\\Plugins\\Icons.dll", "my icons");
  machine.versions.byPath[L"C:\\Tools\\Plugins\\Icons.dll"] =
      FileVersionData{{0x00040000, 0x001E0000, 0x00040000, 0x001E0000}, L"Somebody Else"};
  InstallInto(L"C:\\Tools");
  ASSERT_EQ(machine.Text(L"C:\\Tools\\Plugins\\Icons.dll"), "my icons");
  EXPECT_EQ(RemoveFrom(L"C:\\Tools").status, kUninstallRemoved);
  EXPECT_EQ(machine.Text(L"C:\\Tools\\Plugins\\Icons.dll"), "my icons");
  EXPECT_FALSE(machine.files.Exists(L"C:\\Tools\\l_tern32.exe"));
  EXPECT_FALSE(machine.files.Exists(L"C:\\Tools\\Plugins\\CameraRaw.dll"));

  // The publisher's own library is replaced by the setup, so it is the setup's to remove.
  InstallInto(L"C:\\Other");
  EXPECT_EQ(RemoveFrom(L"C:\\Other").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Other"));
}

TEST_F(UninstallerTest, EachInstallationKeepsItsOwnRecordWhateverIsInstalledOrRemovedElsewhere) {
  PlaceUsersIconLibrary(L"C:\\Tools");
  InstallInto(L"C:\\Tools");             // keeps the user's library
  InstallInto(L"C:\\Deep\\Er\\Viewer");  // creates C:\Deep
  InstallInto(L"C:\\Apps\\Viewer");      // the registered one from now on
  ASSERT_EQ(machine.Text(L"C:\\Tools\\Plugins\\Icons.dll"), "my icons");

  // Removed while another installation is registered...
  EXPECT_EQ(RemoveFrom(L"C:\\Tools").status, kUninstallRemoved);
  EXPECT_EQ(LeftIn(L"C:\\Tools"), (std::vector<std::string>{"Plugins", "Plugins/Icons.dll"}));
  EXPECT_EQ(machine.Text(L"C:\\Tools\\Plugins\\Icons.dll"), "my icons");
  // ...and after the registered one went first.
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
  EXPECT_EQ(RemoveFrom(L"C:\\Deep\\Er\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Deep"));
}

TEST_F(UninstallerTest, ARecordAnyoneCouldHaveWrittenNamesNoFolderOutsideTheInstallation) {
  machine.files.CreateFolder(L"C:\\Empty");
  machine.files.AddNetworkShare(L"\\\\server\\share");
  const std::wstring record = L"C:\\Apps\\Viewer\\lt_uninstall.ini";
  const std::vector<std::wstring> installationOnly = {L"C:\\Apps\\Viewer\\"};
  for (const wchar_t* hostile : {L"C:\\", L"C:", L"C:\\Empty\\", L"C:\\Apps\\Viewer\\Plugins\\", L"..\\..",
                                 L"\\Apps", L"\\\\server\\share\\", L"C:\\Apps\\..\\Empty"}) {
    InstallInto(L"C:\\Apps\\Viewer");
    machine.files.WriteText(record, "[Installation]\r\nCreatedFolder1=" + fake::ToUtf8(hostile) +
                                        "\r\nCreatedFolder2=C:\\Apps\\Viewer\\\r\n");
    machine.files.SetCurrentFolder(L"C:\\Apps\\Viewer\\Plugins");
    EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer", true).foldersAfterUninstaller, installationOnly)
        << fake::ToUtf8(hostile);
    machine.files.SetCurrentFolder(L"C:\\Start");
  }
  // A folder above the installation counts, in whatever form it is written.
  InstallInto(L"C:\\Apps\\Viewer");
  machine.files.WriteText(record,
                          "[Installation]\r\nCreatedFolder1=c:/apps\r\nCreatedFolder2=C:\\Apps\\Viewer\r\n");
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer", true).foldersAfterUninstaller,
            (std::vector<std::wstring>{L"C:\\Apps\\Viewer\\", L"C:\\Apps\\"}));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Empty"));
}

TEST_F(UninstallerTest, ARepeatedRunKnowsWhatTheFirstKnew) {
  // The user's library kept in one installation, folders created above another.
  PlaceUsersIconLibrary(L"C:\\Tools");
  InstallInto(L"C:\\Tools");
  InstallInto(L"C:\\Apps\\Tools\\Viewer");
  for (const std::wstring folder : {L"C:\\Tools\\", L"C:\\Apps\\Tools\\Viewer\\"}) {
    const std::wstring help = folder + L"l_tern32.chm";
    machine.files.Lock(help);
    const UninstallOutcome first = RemoveFrom(folder);
    EXPECT_EQ(first.status, kUninstallIncomplete) << fake::ToUtf8(folder);
    EXPECT_EQ(first.leftOver, std::vector<std::wstring>{help});
    machine.files.Unlock(help);
    EXPECT_EQ(RemoveFrom(folder).status, kUninstallRemoved) << fake::ToUtf8(folder);
  }
  EXPECT_EQ(LeftIn(L"C:\\Tools"), (std::vector<std::string>{"Plugins", "Plugins/Icons.dll"}));
  EXPECT_EQ(machine.Text(L"C:\\Tools\\Plugins\\Icons.dll"), "my icons");
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
}

TEST_F(UninstallerTest, ASignedReleasesOwnIconLibraryIsTheSetupsToRemove) {
  // A signed payload: its library is larger than an unsigned build's.
  const std::vector<std::uint8_t> signedPayload = testing::ZipBuilder()
                                                      .File("l_tern32.exe", "viewer")
                                                      .File("lt_uninstall.exe", "uninstaller")
                                                      .Folder("Plugins/")
                                                      .File("Plugins/Icons.dll", std::string(230000, 'i'))
                                                      .Bytes();
  machine.resources.views[{L"ZIP", 1974}] = signedPayload;
  entries = {L"l_tern32.exe", L"lt_uninstall.exe", L"Plugins/", L"Plugins/Icons.dll"};
  InstallInto(L"C:\\Apps\\Viewer");
  const std::wstring library = L"C:\\Apps\\Viewer\\Plugins\\Icons.dll";
  machine.versions.byPath[library] = FileVersionData{{0, 0, 0x00040003, 0}, L"Quillon Varsk"};  // 4.30
  InstallInto(L"C:\\Apps\\Viewer");  // the same release again
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
}

TEST_F(UninstallerTest, OnlyLinksToExactlyOurFilesGo) {
  // An installation inside the folder of the one removed keeps its links.
  InstallInto(L"C:\\Apps\\Viewer");
  const std::wstring desktopLink = L"C:\\Users\\Public\\Desktop\\Lanternix.lnk";
  ASSERT_TRUE(machine.files.Exists(desktopLink));
  InstallOptions outer;
  outer.destinationFolder = L"C:\\Apps";
  outer.silent = 1;
  ASSERT_EQ(RunInstall(machine.Get(), outer), 1);
  EXPECT_EQ(RemoveFrom(L"C:\\Apps").status, kUninstallRemoved);
  EXPECT_TRUE(machine.files.Exists(desktopLink));
  EXPECT_TRUE(machine.files.Exists(
      L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Uninstall Lanternix.lnk"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Apps\\Viewer\\l_tern32.exe"));

  // A link of ours by name that the user pointed at another file stays; ours go, whatever
  // form of the folder they name.
  machine.shell.SaveShellLink(desktopLink, LinkTo(L"C:/Apps/Viewer//l_tern32.exe"));
  machine.shell.SaveShellLink(L"C:\\Users\\Public\\Desktop\\Lanternix Thumbnails.lnk",
                              LinkTo(L"C:\\Apps\\Viewer\\Html\\index.htm"));
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(desktopLink));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix Thumbnails.lnk"));
  EXPECT_FALSE(machine.files.Exists(L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix"));
}

TEST_F(UninstallerTest, KeysThatExistedBeforeStayEvenWhenEmpty) {
  SetOs(Os::Windows10);
  for (const wchar_t* key : {L"SOFTWARE\\Classes\\Directory\\shell", L"SOFTWARE\\Classes\\Drive\\shell",
                             L"SOFTWARE\\Classes\\.png", L"SOFTWARE\\Classes\\.gif"})
    machine.registry.CreateKey(kHklm, key);
  for (const std::wstring& key : {std::wstring(L"Software\\Classes"), std::wstring(kFileExts) + L"bmp"})
    machine.registry.CreateKey(kHkcu, key);
  const auto before = machine.registry.Dump();
  InstallEverything();
  ASSERT_EQ(Machine(L"SOFTWARE\\Classes\\.png"), L"Lanternix.png");
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(machine.registry.Dump(), before);
}

TEST_F(UninstallerTest, WithAKeyLeftTheRecordsStayForTheNextRun) {
  SetOs(Os::Windows7);
  InstallEverything();
  ASSERT_TRUE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix\\CreatedKeys"));
  machine.registry.DenyWrites(kHklm);
  EXPECT_EQ(Remove().status, kUninstallIncomplete);
  // The user's half went, apart from the records a second run needs to finish the job.
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, std::wstring(kFileExts) + L"jpg\\UserChoice"));
  EXPECT_TRUE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix\\CreatedKeys"));
}

TEST_F(UninstallerTest, KeysTheSetupCreatedGoUnlessSomethingElseUsesThemNow) {
  SetOs(Os::Windows10);
  const auto before = machine.registry.Dump();
  InstallEverything();
  ASSERT_TRUE(machine.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Drive\\shell"));
  ASSERT_TRUE(machine.registry.KeyExists(kHkcu, kAppXKey));
  // Another program's verb, added under a key the setup made.
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\Drive\\shell\\scan", L"", Sz(L"Scan"));
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_EQ(Machine(L"SOFTWARE\\Classes\\Drive\\shell\\scan"), L"Scan");
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, kAppXKey));
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix"));
  machine.registry.DeleteKey(kHklm, L"SOFTWARE\\Classes\\Drive\\shell\\scan");
  machine.registry.DeleteKey(kHklm, L"SOFTWARE\\Classes\\Drive\\shell");
  machine.registry.DeleteKey(kHklm, L"SOFTWARE\\Classes\\Drive");
  EXPECT_EQ(machine.registry.Dump(), before);
}

TEST_F(UninstallerTest, FromWindows8OnARecordedUserChoiceIsNotRecreated) {
  SetOs(Os::Windows7);
  const std::wstring gif = std::wstring(kFileExts) + L"gif\\UserChoice";
  machine.registry.Seed(kHkcu, gif, L"Progid", Sz(L"OtherViewer.gif"));
  InstallEverything();
  ASSERT_EQ(User(gif, L"Progid"), L"Lanternix.gif");
  // Upgraded to Windows 10 since: a UserChoice without the system's hash resets the default.
  SetOs(Os::Windows10);
  EXPECT_EQ(Remove().status, kUninstallRemoved);
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, gif));
  EXPECT_FALSE(machine.registry.KeyExists(kHkcu, L"SOFTWARE\\Lanternix"));
}

TEST_F(UninstallerTest, AFolderTypedInAnotherFormStillLosesItsRegistration) {
  SetOs(Os::Windows7);
  const auto before = machine.registry.Dump();
  machine.files.CreateFolder(L"C:\\Apps");
  for (const wchar_t* typed : {L"C:/Apps/Lanternix", L"C:\\Apps\\\\Lanternix", L"C:\\Apps\\.\\Lanternix\\"}) {
    InstallInto(typed);
    EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Lanternix\\").status, kUninstallRemoved) << fake::ToUtf8(typed);
    EXPECT_EQ(machine.registry.Dump(), before) << fake::ToUtf8(typed);
    EXPECT_FALSE(machine.files.Exists(L"C:\\Users\\Public\\Desktop\\Lanternix.lnk")) << fake::ToUtf8(typed);
    EXPECT_FALSE(machine.files.Exists(L"C:\\Apps\\Lanternix")) << fake::ToUtf8(typed);
    EXPECT_TRUE(machine.files.Exists(L"C:\\Apps")) << fake::ToUtf8(typed);
  }
}

TEST_F(UninstallerTest, OurKeysGoWithWhatOthersAddedBelowThemAndReadOnlyFilesGoToo) {
  SetOs(Os::Windows7);
  InstallEverything();
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\Lanternix.jpg\\shell\\edit\\command", L"", Sz(L"paint"));
  machine.registry.Seed(kHklm, L"SOFTWARE\\Classes\\Applications\\l_tern32.exe\\shell\\print", L"", Sz(L"x"));
  machine.files.MakeFileReadOnly(std::wstring(kFolder) + L"l_tern32.exe");
  machine.files.MakeFileReadOnly(std::wstring(kFolder) + L"Plugins\\Icons.dll");
  const UninstallOutcome outcome = Remove();
  EXPECT_EQ(outcome.status, kUninstallRemoved);
  EXPECT_EQ(outcome.leftOver, std::vector<std::wstring>{});
  EXPECT_FALSE(machine.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Lanternix.jpg"));
  EXPECT_FALSE(machine.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Applications\\l_tern32.exe"));
  EXPECT_TRUE(machine.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Applications"));
  EXPECT_FALSE(machine.files.Exists(kFolder));
}

TEST_F(UninstallerTest, TheSetupsLogAndAPortableRedirectGoWithoutPurge) {
  // A portable layout: the program folder's file holds the redirect and the toolbar pair.
  InstallInto(L"C:\\Apps\\Viewer", L"C:\\Lanternix32_App\\Settings");
  const std::wstring programIni = L"C:\\Apps\\Viewer\\l_tern32.ini";
  ASSERT_NE(machine.Text(programIni).find("Halbrenk_24.png"), std::string::npos) << machine.Text(programIni);
  machine.files.WriteText(L"C:\\Apps\\Viewer\\Lanternix_Install.log", "an earlier failed run");
  ASSERT_EQ(SettingsToKeep(machine.Get(), L"C:\\Apps\\Viewer\\"),
            std::vector<std::wstring>{L"C:\\Lanternix32_App\\Settings\\l_tern32.ini"});
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Lanternix32_App\\Settings\\l_tern32.ini"));
}

TEST_F(UninstallerTest, FoldersTheSetupCreatedAboveTheInstallationGoOnceEmpty) {
  InstallInto(L"C:\\Apps\\Tools\\Viewer");
  InstallInto(L"C:\\Apps\\Tools\\Viewer");  // the re-installation created nothing, and keeps the record
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Tools\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
  // lt_uninstall.exe hands them to its copy, innermost first.
  InstallInto(L"C:\\Apps\\Tools\\Viewer");
  EXPECT_EQ(RemoveFrom(L"C:\\Apps\\Tools\\Viewer", true).foldersAfterUninstaller,
            (std::vector<std::wstring>{L"C:\\Apps\\Tools\\Viewer\\", L"C:\\Apps\\Tools\\", L"C:\\Apps\\"}));

  // A folder that was there before stays, and so does one the user put a file into.
  machine.files.CreateFolder(L"C:\\Data");
  InstallInto(L"C:\\Data\\Pictures\\Viewer");
  machine.files.WriteText(L"C:\\Data\\Pictures\\mine.jpg", "mine");
  EXPECT_EQ(RemoveFrom(L"C:\\Data\\Pictures\\Viewer").status, kUninstallRemoved);
  EXPECT_FALSE(machine.files.Exists(L"C:\\Data\\Pictures\\Viewer"));
  EXPECT_TRUE(machine.files.Exists(L"C:\\Data\\Pictures\\mine.jpg"));
}

TEST_F(UninstallerTest, AnEditedRecordRemovesNoFolderTheSetupDidNotCreate) {
  // The user's own empty folders, the installation made inside one of them.
  machine.files.CreateFolder(L"C:\\Pre");
  machine.files.CreateFolder(L"C:\\Pre\\Empty");
  const std::wstring record = L"C:\\Pre\\Empty\\Viewer\\lt_uninstall.ini";
  for (const char* edited : {
           // as the record once was: only the outermost level, which the setup never made
           "CreatedFolder=C:\\Pre\\\r\n",
           // a drive root and levels above an installation folder the record does not claim
           "CreatedFolder1=C:\\\r\nCreatedFolder2=C:\\Pre\\\r\nCreatedFolder3=C:\\Pre\\Empty\\\r\n",
       }) {
    InstallInto(L"C:\\Pre\\Empty\\Viewer");
    machine.files.WriteText(record, std::string("[Installation]\r\n") + edited);
    EXPECT_EQ(RemoveFrom(L"C:\\Pre\\Empty\\Viewer").status, kUninstallRemoved) << edited;
    EXPECT_FALSE(machine.files.Exists(L"C:\\Pre\\Empty\\Viewer")) << edited;
    EXPECT_TRUE(machine.files.Exists(L"C:\\Pre\\Empty")) << edited;
  }
  // Windows' folders and the users' profiles stay, even emptied and claimed level by level.
  machine.files.CreateFolder(L"C:\\Users\\other");
  for (const std::wstring folder : {L"C:\\Program Files\\Viewer", L"C:\\Users\\other\\Viewer",
                                    L"C:\\Users\\tester\\AppData\\Roaming\\Viewer"}) {
    InstallInto(folder);
    std::string levels = "[Installation]\r\n";
    int level = 0;
    for (std::wstring above = folder; above.size() > 3; above = above.substr(0, above.find_last_of(L'\\')))
      levels += "CreatedFolder" + std::to_string(++level) + "=" + fake::ToUtf8(above) + "\r\n";
    machine.files.WriteText(folder + L"\\lt_uninstall.ini", levels);
    const std::wstring parent = folder.substr(0, folder.find_last_of(L'\\'));
    EXPECT_EQ(RemoveFrom(folder, true).foldersAfterUninstaller, std::vector<std::wstring>{folder + L"\\"})
        << fake::ToUtf8(folder);
    EXPECT_EQ(RemoveFrom(folder).status, kUninstallRemoved);
    EXPECT_TRUE(machine.files.Exists(parent)) << fake::ToUtf8(parent);
  }
}

TEST_F(UninstallerTest, ALinkInsideTheInstallationGoesAsALinkAndNothingBehindItIsRemoved) {
  InstallInto(L"C:\\T1");
  // The plug-ins folder replaced by a junction to a folder holding files of the same names.
  std::vector<std::wstring> victims;
  for (const std::wstring& entry : entryTexts)
    if (entry.starts_with(L"Plugins/") && !entry.ends_with(L'/')) {
      victims.push_back(L"C:\\Victim\\" + entry.substr(8));
      machine.files.WriteText(victims.back(), "the user's");
    }
  ASSERT_FALSE(victims.empty());
  machine.files.MakeFileReadOnly(victims.front());
  ASSERT_TRUE(machine.files.Exists(L"C:\\T1\\Plugins\\Icons.dll"));
  for (const std::wstring& entry : entryTexts)
    if (entry.starts_with(L"Plugins/") && !entry.ends_with(L'/'))
      machine.files.Remove(L"C:\\T1\\" + entry.substr(0, 7) + L"\\" + entry.substr(8));
  ASSERT_TRUE(machine.files.RemoveFolder(L"C:\\T1\\Plugins"));
  machine.files.MakeLink(L"C:\\T1\\Plugins", L"C:\\Victim");
  // A file replaced by a symbolic link to another file, and one by a second name of another.
  machine.files.WriteText(L"C:\\Victim2\\report.docx", "report");
  machine.files.WriteText(L"C:\\Victim2\\notes.txt", "notes");
  machine.files.Remove(L"C:\\T1\\l_tern32.chm");
  machine.files.MakeLink(L"C:\\T1\\l_tern32.chm", L"C:\\Victim2\\report.docx");
  machine.files.Remove(L"C:\\T1\\l_tern32.exe");
  machine.files.MakeHardLink(L"C:\\T1\\l_tern32.exe", L"C:\\Victim2\\notes.txt");

  const UninstallOutcome outcome = RemoveFrom(L"C:\\T1");
  EXPECT_EQ(outcome.status, kUninstallRemoved);
  for (const std::wstring& victim : victims)
    EXPECT_EQ(machine.Text(victim), "the user's") << fake::ToUtf8(victim);
  EXPECT_EQ(machine.Text(L"C:\\Victim2\\report.docx"), "report");
  EXPECT_EQ(machine.Text(L"C:\\Victim2\\notes.txt"), "notes");
  // The links themselves went, and with them the installation folder.
  EXPECT_FALSE(machine.files.Exists(L"C:\\T1"));

  // A read-only file with another name keeps its attribute, which both names share: this name
  // stays and is reported.
  InstallInto(L"C:\\T1");
  machine.files.Remove(L"C:\\T1\\l_tern32.exe");
  machine.files.MakeHardLink(L"C:\\T1\\l_tern32.exe", L"C:\\Victim2\\notes.txt");
  machine.files.MakeFileReadOnly(L"C:\\T1\\l_tern32.exe");
  const UninstallOutcome readOnly = RemoveFrom(L"C:\\T1");
  EXPECT_EQ(readOnly.leftOver, std::vector<std::wstring>{L"C:\\T1\\l_tern32.exe"});
  EXPECT_EQ(machine.Text(L"C:\\Victim2\\notes.txt"), "notes");
}

// The Win32 edge of lt_uninstall.exe as the run sees it.
class ScriptedHost final : public UninstallerHost {
 public:
  explicit ScriptedHost(fake::FakePlatform& machine) : machine_(machine) {}
  Answer Confirm(std::wstring_view, const std::vector<std::wstring>&, bool&) override {
    if (viewerStartsDuringQuestion) machine_.system.windowClasses.insert(L"Lanternix");
    return answer;
  }
  bool PrepareRemovalCopy() override { return copyPrepares; }
  bool StartRemovalCopy(const std::vector<std::wstring>& folders) override {
    messagesBeforeCopy = machine_.messages.shown.size();
    copyFolders = folders;
    return copyStarts;
  }

  Answer answer = Answer::Yes;
  bool viewerStartsDuringQuestion = false;
  bool copyPrepares = true;
  bool copyStarts = true;
  std::optional<std::size_t> messagesBeforeCopy;
  std::vector<std::wstring> copyFolders;

 private:
  fake::FakePlatform& machine_;
};

class UninstallerRunTest : public UninstallerTest {
 protected:
  int Run(bool silent) {
    UninstallerRun run;
    run.silent = silent;
    run.uninstallerPath = std::wstring(kFolder) + L"lt_uninstall.exe";
    run.payloadEntries = entries;
    return RunUninstaller(machine.Get(), host, run);
  }
  std::string Log() { return machine.Text(L"C:\\Temp\\Lanternix_Uninstall.log"); }

  ScriptedHost host{machine};
};

TEST_F(UninstallerRunTest, TheFinalMessageComesBeforeTheCopyWhichGetsTheFoldersToRemove) {
  InstallEverything();
  EXPECT_EQ(Run(false), kUninstallRemoved);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].text, L"Lanternix has been removed from your computer.");
  EXPECT_EQ(host.messagesBeforeCopy, 1u);
  EXPECT_EQ(host.copyFolders, std::vector<std::wstring>{kFolder});
  // ...which its copy accepts from the uninstaller it waits for.
  const std::wstring uninstaller = std::wstring(kFolder) + L"lt_uninstall.exe";
  EXPECT_TRUE(AcceptRemovalCopyOrder(machine.Get(), {uninstaller, host.copyFolders},
                                     {L"C:\\Temp\\lt_uninstall-{1}\\lt_uninstall.exe", uninstaller}));
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"lt_uninstall.exe"));
  // The installation's record goes with the uninstaller's file, after it.
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"lt_uninstall.ini"));
}

TEST_F(UninstallerRunTest, AViewerInAnotherSessionRefusesLikeAWindowAndNothingIsRemoved) {
  InstallEverything();
  const auto before = machine.registry.Dump();
  machine.files.Lock(std::wstring(kFolder) + L"l_tern32.exe");
  EXPECT_EQ(Run(true), kUninstallRefused);
  EXPECT_NE(Log().find("Warning: Lanternix is running!"), std::string::npos) << Log();
  EXPECT_EQ(machine.registry.Dump(), before);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.chm"));
  EXPECT_EQ(Run(false), kUninstallRefused);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].text.rfind(L"Warning: Lanternix is running!", 0), 0u);
}

TEST_F(UninstallerRunTest, APurgeThatKeepsSharedSettingsSaysSoInTheLog) {
  InstallEverything();
  InstallInto(L"C:\\B\\Lanternix");
  UninstallerRun run;
  run.silent = run.purge = true;
  run.uninstallerPath = std::wstring(kFolder) + L"lt_uninstall.exe";
  run.payloadEntries = entries;
  EXPECT_EQ(RunUninstaller(machine.Get(), host, run), kUninstallRemoved);
  EXPECT_NE(Log().find(": Kept the settings another installation of Lanternix still uses: " +
                       fake::ToUtf8(kUserIni) + "\r\n-----"),
            std::string::npos)
      << Log();
  EXPECT_TRUE(machine.files.Exists(kUserIni));
}

TEST_F(UninstallerRunTest, ACopyThatCantBeMadeOrStartedIsAFailureAndTheUninstallerStays) {
  const std::string uninstaller = "Could not remove: C:\\Program Files\\Lanternix\\lt_uninstall.exe";
  InstallEverything();
  host.copyStarts = false;
  EXPECT_EQ(Run(true), kUninstallIncomplete);
  EXPECT_NE(Log().find(uninstaller), std::string::npos) << Log();
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"lt_uninstall.exe"));

  InstallEverything();
  host.messagesBeforeCopy.reset();
  host.copyPrepares = false;
  EXPECT_EQ(Run(false), kUninstallIncomplete);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_NE(machine.messages.shown[0].text.find(L"lt_uninstall.exe"), std::wstring::npos);
  EXPECT_EQ(host.messagesBeforeCopy, std::nullopt);
}

TEST_F(UninstallerRunTest, AViewerStartedDuringTheQuestionIsReportedAsBeforeIt) {
  InstallEverything();
  host.viewerStartsDuringQuestion = true;
  EXPECT_EQ(Run(false), kUninstallRefused);
  ASSERT_EQ(machine.messages.shown.size(), 1u);
  EXPECT_EQ(machine.messages.shown[0].text.rfind(L"Warning: Lanternix is running!", 0), 0u);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
  EXPECT_EQ(host.messagesBeforeCopy, std::nullopt);
}

TEST_F(UninstallerRunTest, AQuestionThatCantBeShownIsAFailureNotANo) {
  InstallEverything();
  const auto before = machine.registry.Dump();
  host.answer = UninstallerHost::Answer::Failed;
  EXPECT_EQ(Run(false), kUninstallIncomplete);
  EXPECT_NE(Log().find("could not show its question"), std::string::npos) << Log();
  host.answer = UninstallerHost::Answer::No;
  EXPECT_EQ(Run(false), kUninstallCancelled);
  EXPECT_EQ(machine.registry.Dump(), before);
  EXPECT_TRUE(machine.files.Exists(std::wstring(kFolder) + L"l_tern32.exe"));
}

TEST_F(UninstallerRunTest, OnlyTheUninstallersOwnCopyMayRemoveItsFileAndFolders) {
  InstallInto(L"C:\\Apps\\Viewer");
  const std::wstring uninstaller = L"C:\\Apps\\Viewer\\lt_uninstall.exe";
  const std::wstring copy =
      L"C:\\Temp\\lt_uninstall-{6B29FC40-CA47-1067-B31D-00DD010662DA}\\lt_uninstall.exe";
  machine.files.WriteText(copy, "uninstaller");
  // What the uninstaller hands its copy, the folders as its command line quotes them.
  const RemovalCopyOrder genuine{uninstaller, {L"C:\\Apps\\Viewer", L"C:\\Apps"}};
  const RemovalCopyFacts copyFacts{copy, uninstaller};
  EXPECT_TRUE(AcceptRemovalCopyOrder(machine.Get(), genuine, copyFacts));
  EXPECT_EQ(Log(), "<missing>");

  const auto refused = [&](const RemovalCopyOrder& order, const RemovalCopyFacts& facts) {
    machine.files.Remove(L"C:\\Temp\\Lanternix_Uninstall.log");
    const bool accepted = AcceptRemovalCopyOrder(machine.Get(), order, facts);
    return !accepted &&
           Log().find("Refused: the options of the uninstaller's temporary copy") != std::string::npos;
  };
  // The installed uninstaller started with a crafted command line, by a link say.
  EXPECT_TRUE(refused({L"C:\\Victim\\report.docx", {L"C:\\Victim\\EmptyDir"}}, {uninstaller, std::nullopt}));
  EXPECT_TRUE(refused(genuine, {uninstaller, uninstaller}));
  // A copy without the handle of a live uninstaller, or of another program.
  EXPECT_TRUE(refused(genuine, {copy, std::nullopt}));
  EXPECT_TRUE(refused(genuine, {copy, L"C:\\Apps\\Viewer\\l_tern32.exe"}));
  // A copy anywhere but in a private folder of its own directly in the temporary folder.
  for (const wchar_t* elsewhere :
       {L"C:\\Temp\\lt_uninstall.exe", L"C:\\Temp\\mine\\lt_uninstall.exe",
        L"C:\\Temp\\x\\lt_uninstall-1\\lt_uninstall.exe",
        L"C:\\Users\\tester\\lt_uninstall-1\\lt_uninstall.exe", L"C:\\Temp\\lt_uninstall-1\\setup.exe"})
    EXPECT_TRUE(refused(genuine, {elsewhere, uninstaller})) << fake::ToUtf8(elsewhere);
  // Another file, or folders its uninstaller would not remove.
  EXPECT_TRUE(refused({L"C:\\Apps\\Viewer\\l_tern32.exe", genuine.folders},
                      {copy, L"C:\\Apps\\Viewer\\l_tern32.exe"}));
  for (const std::vector<std::wstring>& folders :
       std::vector<std::vector<std::wstring>>{{L"C:\\Victim\\EmptyDir"},
                                              {L"C:\\Apps\\Viewer", L"C:\\Apps", L"C:\\"},
                                              {L"C:\\Apps\\Viewer", L"C:\\Victim"},
                                              {L"C:\\Apps", L"C:\\Apps\\Viewer"}})
    EXPECT_TRUE(refused({uninstaller, folders}, copyFacts)) << fake::ToUtf8(folders.back());
  EXPECT_TRUE(machine.files.Exists(uninstaller));
}

TEST(IniRedirectRule, OnlyTheRedirectAndThePortableToolbarPairCountAsNoSettings) {
  fake::FakeSystemInfo system;
  auto holdsOnlyRedirect = [&system](std::string_view text) {
    return IniHoldsOnlySetupEntries(
        system, std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
  };
  EXPECT_TRUE(holdsOnlyRedirect("[Others]\r\nINI_Folder=%APPDATA%\\Lanternix\r\n"));
  EXPECT_TRUE(holdsOnlyRedirect("; comment\r\n\r\n[others]\r\n ini_folder = x\r\n[Toolbar]\r\n"));
  EXPECT_TRUE(holdsOnlyRedirect(""));
  // The pair the setup writes next to a portable layout's redirect, and nothing else of the kind.
  EXPECT_TRUE(
      holdsOnlyRedirect("[Others]\r\nINI_Folder=x\r\n[Toolbar]\r\nSkin=Halbrenk_24.png\r\nSize=24\r\n"));
  EXPECT_FALSE(
      holdsOnlyRedirect("[Others]\r\nINI_Folder=x\r\n[Toolbar]\r\nSkin=Vespin_16.png\r\nSize=24\r\n"));
  EXPECT_FALSE(holdsOnlyRedirect("[Others]\r\nINI_Folder=x\r\n[Toolbar]\r\nSize=32\r\n"));
  EXPECT_FALSE(holdsOnlyRedirect("[Toolbar]\r\nSkin=Halbrenk_24.png\r\nSize=24\r\n"));
  EXPECT_FALSE(holdsOnlyRedirect("[Language]\r\nINI_Folder=x\r\n"));
  // UTF-16LE with its byte-order mark, as the setup's conversion leaves a settings file.
  const std::string utf16 =
      std::string("\xFF\xFE", 2) + std::string("[\0O\0t\0h\0e\0r\0s\0]\0\r\0\n\0a\0=\0b\0", 28);
  EXPECT_FALSE(holdsOnlyRedirect(utf16));
}

}  // namespace
}  // namespace lanternix
