#include "install/registration.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "install/file_associations.h"
#include "model/system_probes.h"
#include "platform/fake/fake_platform.h"

namespace lanternix {
namespace {

using fake::kRegDword;
using fake::kRegSz;
using fake::RegistryValue;

constexpr RegRoot kHklm = RegRoot::LocalMachine;
// The capabilities and RegisteredApplications live in the view the 64-bit shell reads.
constexpr RegRoot kHklmNative = RegRoot::LocalMachineNative;
constexpr RegRoot kHkcu = RegRoot::CurrentUser;
constexpr const wchar_t* kExe = L"C:\\Apps\\Viewer\\l_tern32.exe";
constexpr const wchar_t* kOpenCommand = L"\"C:\\Apps\\Viewer\\l_tern32.exe\" \"%1\"";
constexpr const wchar_t* kUninstallKey =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
constexpr const wchar_t* kFileAssociationsKey = L"SOFTWARE\\Lanternix\\Capabilities\\FileAssociations";
constexpr const wchar_t* kFileExts = L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
constexpr const wchar_t* kBrowseVerbKey = L"SOFTWARE\\Classes\\Directory\\shell\\Browse with &Lanternix";

enum class Os { Windows2000, Xp, Vista, Windows7, Windows8, Windows10, Windows11 };

struct Call {
  int confirmed = 1;
  int change = 1;
  std::wstring folder = L"C:\\Apps\\Viewer";
  int thumbs = 0;
  AssociationSelection selection{};
  int associateForAllUsers = 0;
};

AssociationSelection RowsSelected(std::initializer_list<std::size_t> rows) {
  AssociationSelection selection{};
  for (const std::size_t row : rows) selection[row] = 1;
  return selection;
}

std::wstring UserChoiceKey(std::wstring_view extension) {
  return std::wstring(kFileExts) + std::wstring(extension) + L"\\UserChoice";
}

class RegistrationTest : public ::testing::Test {
 protected:
  RegistrationTest() {
    // Present on every Windows since Vista; the registration only adds its value to it.
    platform.registry.Seed(kHklmNative, L"SOFTWARE\\RegisteredApplications", L"Other Viewer",
                           RegistryValue{kRegSz, {'x', 0, 0, 0}});
  }

  void SetOs(Os os) {
    auto& system = platform.system;
    switch (os) {
      case Os::Windows2000: system.SetVersion(5, 0, 2195, L"Service Pack 4"); break;
      case Os::Xp: system.SetVersion(5, 1, 2600, L"Service Pack 3"); break;
      case Os::Vista: system.SetVersion(6, 0, 6002, L"Service Pack 2"); break;
      case Os::Windows7: system.SetVersion(6, 1, 7601, L"Service Pack 1"); break;
      case Os::Windows8: system.SetVersion(6, 2, 9200); break;
      case Os::Windows10:
      case Os::Windows11:
        system.SetVersion(10, 0, os == Os::Windows10 ? 19045 : 22631);
        // What GetVersionExW tells a program without a supportedOS manifest entry.
        system.versionEx = OsVersionRecord{kPlatformWin32Nt, 6, 2, 9200, L""};
        break;
    }
  }

  int Register(const Call& call) {
    return RegisterApplication(platform.Get(), call.confirmed, call.change, call.folder, 0, 0, call.thumbs, 0,
                               call.selection, call.associateForAllUsers);
  }

  std::optional<std::wstring> Default(RegRoot root, const std::wstring& key) {
    return platform.registry.StringValue(root, key, L"");
  }
  std::optional<std::wstring> MachineDefault(std::wstring_view extension) {
    return Default(kHklm, L"SOFTWARE\\Classes\\." + std::wstring(extension));
  }
  std::size_t JournalCount(const std::function<bool(const std::wstring&)>& matches) {
    const auto& journal = platform.registry.Journal();
    return static_cast<std::size_t>(std::count_if(journal.begin(), journal.end(), matches));
  }
  // Each writer call stores exactly one class DefaultIcon.
  std::size_t WriterCalls() {
    return JournalCount([](const std::wstring& line) {
      return line.starts_with(L"set HKLM\\SOFTWARE\\Classes\\Lanternix.") &&
             line.ends_with(L"\\DefaultIcon []");
    });
  }
  std::size_t MachineDefaultsWritten() {
    return JournalCount(
        [](const std::wstring& line) { return line.starts_with(L"set HKLM\\SOFTWARE\\Classes\\."); });
  }
  std::size_t CapabilitiesWritten() {
    return JournalCount([](const std::wstring& line) {
      return line.starts_with(L"set HKLM64\\" + std::wstring(kFileAssociationsKey) + L" [.");
    });
  }
  std::size_t UserChoicesWritten() {
    return JournalCount([](const std::wstring& line) { return line.ends_with(L"\\UserChoice [Progid]"); });
  }
  bool AnyKeyContains(std::wstring_view part) {
    const auto keys = platform.registry.Keys();
    return std::any_of(keys.begin(), keys.end(),
                       [part](const std::wstring& key) { return key.find(part) != std::wstring::npos; });
  }
  // Key names keep the case they were first created with, which the setup's records may set.
  std::size_t IndexOf(const std::wstring& line) {
    const auto& journal = platform.registry.Journal();
    return static_cast<std::size_t>(
        std::find_if(journal.begin(), journal.end(),
                     [&line](const std::wstring& entry) { return EqualIgnoringCase(entry, line); }) -
        journal.begin());
  }

  fake::FakePlatform platform;
};

std::size_t ExtensionsOfRows(std::size_t first, std::size_t last) {
  std::size_t count = 0;
  for (std::size_t r = first; r <= last; ++r) count += FormatCatalogue[r].Extensions().size();
  return count;
}

// ---------------------------------------------------------------- the Windows version matrix

struct MatrixCase {
  const char* name;
  Os os;
  bool xp;
  bool vista;
  bool userChoice;
  bool hidesStoreApps;
};

void PrintTo(const MatrixCase& matrixCase, std::ostream* out) {
  *out << matrixCase.name;
}

class RegistrationMatrixTest : public RegistrationTest, public ::testing::WithParamInterface<MatrixCase> {};

TEST_P(RegistrationMatrixTest, ImagesSelectedWithThumbnails) {
  const MatrixCase& param = GetParam();
  SetOs(param.os);
  EXPECT_EQ(Register({.thumbs = 1, .selection = ImageFormatsSelection()}), 1);

  EXPECT_EQ(platform.registry.KeyExists(kHklm, kBrowseVerbKey), param.vista);
  EXPECT_EQ(platform.registry.KeyExists(kHklmNative, L"SOFTWARE\\Lanternix\\Capabilities"), param.vista);
  EXPECT_EQ(platform.registry.StringValue(kHklmNative, L"SOFTWARE\\RegisteredApplications", L"Lanternix")
                .has_value(),
            param.vista);
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix\\shell\\open\\command"), kOpenCommand);
  EXPECT_EQ(platform.registry.DwordValue(kHklm, kUninstallKey, L"VersionMinor"), 65u);

  // Windows 6.0 and later write every format; older systems only the selected ones.
  EXPECT_EQ(WriterCalls(), param.vista ? 87u : ExtensionsOfRows(0, 48));
  EXPECT_EQ(AnyKeyContains(L"Lanternix.avi"), param.vista);
  EXPECT_EQ(platform.registry.StringValue(kHkcu, std::wstring(kFileExts) + L"jpeg", L"ProgID"),
            param.xp ? std::optional<std::wstring>(L"Lanternix.jpg") : std::nullopt);
  EXPECT_EQ(MachineDefault(L"jpeg"), param.xp ? std::nullopt : std::optional<std::wstring>(L"Lanternix.jpg"));
  EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"jpeg"), L"Progid"),
            param.userChoice ? std::optional<std::wstring>(L"Lanternix.jpg") : std::nullopt);
  EXPECT_EQ(UserChoicesWritten(), param.userChoice ? ExtensionsOfRows(0, 48) : 0u);

  EXPECT_EQ(platform.registry.KeyExists(kHkcu, L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg"),
            param.hidesStoreApps);
  EXPECT_EQ(platform.shell.iconNotifications, 1);
  EXPECT_EQ(platform.shell.associationNotifications, 1);
}

INSTANTIATE_TEST_SUITE_P(Versions, RegistrationMatrixTest,
                         ::testing::Values(MatrixCase{"Windows2000", Os::Windows2000, false, false, false,
                                                      false},
                                           MatrixCase{"WindowsXp", Os::Xp, true, false, false, false},
                                           MatrixCase{"Vista", Os::Vista, false, true, true, false},
                                           MatrixCase{"Windows7", Os::Windows7, false, true, true, false},
                                           MatrixCase{"Windows8", Os::Windows8, false, true, false, false},
                                           MatrixCase{"Windows10", Os::Windows10, false, true, false, true},
                                           MatrixCase{"Windows11", Os::Windows11, false, true, false, false}),
                         [](const auto& testCase) { return std::string(testCase.param.name); });

// ---------------------------------------------------------------- application keys and uninstall entry

TEST_F(RegistrationTest, ApplicationKeysAndUninstallEntryFromATrimmedFolder) {
  platform.registry.Seed(kHklm, L"SOFTWARE\\Classes\\Lanternix\\DefaultIcon", L"",
                         RegistryValue{kRegSz, {0, 0}});
  SetOs(Os::Windows10);
  Register({.change = 0, .folder = L" C:\\Apps\\Viewer ", .thumbs = 1});

  auto& registry = platform.registry;
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix"), L"Lanternix");
  EXPECT_FALSE(registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Lanternix\\DefaultIcon"));
  EXPECT_EQ(Default(RegRoot::ClassesRoot, L"Applications\\l_tern32.exe\\shell\\open\\command"), kOpenCommand);
  EXPECT_EQ(registry.StringValue(RegRoot::ClassesRoot, L"Applications\\l_tern32.exe", L"FriendlyAppName"),
            L"Lanternix 32-bit");
  EXPECT_EQ(Default(kHklm, std::wstring(kBrowseVerbKey)), L"Browse with &Lanternix");
  EXPECT_EQ(Default(kHklm, std::wstring(kBrowseVerbKey) + L"\\command"),
            L"\"C:\\Apps\\Viewer\\l_tern32.exe\" \"%1\" /thumbs");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Drive\\shell\\Browse with &Lanternix\\command"),
            L"\"C:\\Apps\\Viewer\\l_tern32.exe\" \"%1\" /thumbs");

  const std::vector<std::pair<std::wstring, std::wstring>> strings = {
      {L"", L""},
      {L"DisplayName", L"Lanternix 4.65 (32-bit)"},
      {L"UninstallString", L"\"C:\\Apps\\Viewer\\lt_uninstall.exe\""},
      {L"Publisher", L"Quillon Varsk"},
      {L"InstallLocation", L"C:\\Apps\\Viewer\\"},
      {L"DisplayVersion", L"4.65"},
      {L"DisplayIcon", L"C:\\Apps\\Viewer\\l_tern32.exe,0"},
      {L"QuietUninstallString", L"\"C:\\Apps\\Viewer\\lt_uninstall.exe\" /silent"}};
  for (const auto& [name, text] : strings) {
    const RegistryValue* value = registry.Value(kHklm, kUninstallKey, name);
    ASSERT_NE(value, nullptr) << fake::ToUtf8(name);
    EXPECT_EQ(value->type, kRegSz);
    // Stored with the terminating zero.
    ASSERT_EQ(value->data.size(), (text.size() + 1) * 2) << fake::ToUtf8(name);
    EXPECT_EQ(value->data[value->data.size() - 2], 0);
    EXPECT_EQ(value->data[value->data.size() - 1], 0);
    EXPECT_EQ(registry.StringValue(kHklm, kUninstallKey, name), text);
  }
  EXPECT_EQ(registry.DwordValue(kHklm, kUninstallKey, L"VersionMajor"), 4u);
  EXPECT_EQ(registry.DwordValue(kHklm, kUninstallKey, L"VersionMinor"), 65u);
  EXPECT_EQ(registry.DwordValue(kHklm, kUninstallKey, L"EstimatedSize"), 6144u);
  // The nine values go in the table's order.
  const std::vector<std::wstring> order = {L"DisplayName",     L"UninstallString", L"Publisher",
                                           L"InstallLocation", L"DisplayVersion",  L"DisplayIcon",
                                           L"VersionMajor",    L"VersionMinor",    L"EstimatedSize"};
  for (std::size_t i = 1; i < order.size(); ++i)
    EXPECT_LT(IndexOf(L"set HKLM\\" + std::wstring(kUninstallKey) + L" [" + order[i - 1] + L"]"),
              IndexOf(L"set HKLM\\" + std::wstring(kUninstallKey) + L" [" + order[i] + L"]"));

  // The capabilities' open command has the bare quoted executable, without "%1".
  EXPECT_EQ(Default(kHklmNative, L"SOFTWARE\\Lanternix\\shell\\open\\command"),
            L"\"C:\\Apps\\Viewer\\l_tern32.exe\"");
  EXPECT_EQ(
      registry.StringValue(kHklmNative, L"SOFTWARE\\Lanternix\\Capabilities", L"ApplicationDescription"),
      L"Picture viewer, editor and converter - one of the most popular viewers worldwide");
  EXPECT_EQ(registry.StringValue(kHklmNative, L"SOFTWARE\\RegisteredApplications", L"Lanternix"),
            L"SOFTWARE\\Lanternix\\Capabilities");
  // The thumbnails link is made through the shortcut steps.
  EXPECT_EQ(platform.shell.links.size(), 1u);
}

TEST_F(RegistrationTest, FolderWithBackslashAndNoThumbnailsGivesNoVerb) {
  SetOs(Os::Windows10);
  Register({.folder = L"D:\\Viewer\\"});
  EXPECT_EQ(platform.registry.StringValue(kHklm, kUninstallKey, L"InstallLocation"), L"D:\\Viewer\\");
  EXPECT_EQ(platform.registry.StringValue(kHklm, kUninstallKey, L"DisplayIcon"),
            L"D:\\Viewer\\l_tern32.exe,0");
  EXPECT_FALSE(platform.registry.KeyExists(kHklm, kBrowseVerbKey));
  EXPECT_FALSE(platform.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Drive\\shell"));
}

TEST_F(RegistrationTest, OverLongFolderIsRegisteredWhole) {
  SetOs(Os::Windows10);
  const std::wstring folder = L"C:\\" + std::wstring(300, L'v');
  Register({.folder = folder, .selection = RowsSelected({23})});
  EXPECT_EQ(platform.registry.StringValue(kHklm, kUninstallKey, L"InstallLocation"), folder + L"\\");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.jpg\\shell\\open\\command"),
            L"\"" + folder + L"\\l_tern32.exe\" \"%1\"");
}

// ---------------------------------------------------------------- Windows 6.0 and later

TEST_F(RegistrationTest, NothingSelectedStillRegistersEveryFormatAndForcesJpgPngTif) {
  SetOs(Os::Windows7);
  Register({.change = 0});
  EXPECT_EQ(WriterCalls(), 87u);
  EXPECT_EQ(CapabilitiesWritten(), 87u);
  EXPECT_EQ(MachineDefaultsWritten(), 3u);
  EXPECT_EQ(MachineDefault(L"jpg"), L"Lanternix.jpg");
  EXPECT_EQ(MachineDefault(L"png"), L"Lanternix.png");
  EXPECT_EQ(MachineDefault(L"tif"), L"Lanternix.tif");
  EXPECT_EQ(MachineDefault(L"jpeg"), std::nullopt);
  EXPECT_EQ(MachineDefault(L"tiff"), std::nullopt);
  EXPECT_EQ(UserChoicesWritten(), 0u);
  EXPECT_FALSE(AnyKeyContains(L"FileExts"));
  EXPECT_EQ(platform.shell.iconNotifications, 0);
  EXPECT_EQ(platform.shell.associationNotifications, 0);
}

TEST_F(RegistrationTest, EveryFormatGetsItsClassKeyIconAndCapability) {
  SetOs(Os::Vista);
  Register({.change = 0});
  for (std::size_t r = 0; r < FormatCatalogue.size(); ++r) {
    const std::wstring suffix = r == 0 || r == 5 || r == 19 ? L"" : r <= 50 ? L",0" : r <= 55 ? L",9" : L",8";
    for (const FormatExtension& pair : FormatCatalogue[r].Extensions()) {
      const std::wstring classKey = L"SOFTWARE\\Classes\\Lanternix." + std::wstring(pair.progIdStem);
      EXPECT_EQ(Default(kHklm, classKey + L"\\DefaultIcon"),
                suffix.empty() ? std::wstring(L"%1") : kExe + suffix)
          << r;
      EXPECT_EQ(Default(kHklm, classKey + L"\\shell\\open\\command"), kOpenCommand) << r;
      EXPECT_EQ(platform.registry.StringValue(kHklmNative, kFileAssociationsKey,
                                              L"." + std::wstring(pair.extension)),
                L"Lanternix." + std::wstring(pair.progIdStem));
    }
  }
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.jpg"), L"Lanternix JPG File");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.cr2"), L"Lanternix CR2 File");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.jp2"), L"Lanternix JP2 File");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.mpe"), L"Lanternix MPE File");
  EXPECT_FALSE(platform.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Lanternix.jpeg"));
}

TEST_F(RegistrationTest, SelectedJpegRowReplacesMachineDefaultsAndUserChoices) {
  SetOs(Os::Windows7);
  // A choice made earlier in the shell, with its hash.
  platform.registry.Seed(kHkcu, UserChoiceKey(L"jpg"), L"Hash", RegistryValue{kRegSz, {'h', 0, 0, 0}});
  platform.registry.Seed(kHkcu, UserChoiceKey(L"jpg"), L"Progid", RegistryValue{kRegSz, {'p', 0, 0, 0}});
  Register({.selection = RowsSelected({23})});

  for (const wchar_t* extension : {L"jpg", L"jpeg", L"jfif", L"jpe"}) {
    EXPECT_EQ(MachineDefault(extension), L"Lanternix.jpg");
    EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(extension), L"Progid"), L"Lanternix.jpg");
    const std::wstring createLine = L"create HKCU\\" + UserChoiceKey(extension);
    EXPECT_LT(IndexOf(createLine), platform.registry.Journal().size());
    EXPECT_EQ(IndexOf(L"set HKCU\\" + UserChoiceKey(extension) + L" [Progid]"), IndexOf(createLine) + 1);
  }
  EXPECT_LT(IndexOf(L"delete HKCU\\" + UserChoiceKey(L"jpg")),
            IndexOf(L"create HKCU\\" + UserChoiceKey(L"jpg")));
  EXPECT_EQ(platform.registry.Value(kHkcu, UserChoiceKey(L"jpg"), L"Hash"), nullptr);
  EXPECT_EQ(UserChoicesWritten(), 4u);
  // Unselected rows keep their defaults, except the forced png and tif.
  EXPECT_EQ(MachineDefaultsWritten(), 6u);
  EXPECT_EQ(MachineDefault(L"png"), L"Lanternix.png");
  EXPECT_EQ(MachineDefault(L"bmp"), std::nullopt);
}

TEST_F(RegistrationTest, AssocImagesLeavesOtherFormatsAlone) {
  SetOs(Os::Windows7);
  Register({.selection = SelectionForAssocValue(1)});
  EXPECT_EQ(WriterCalls(), 87u);
  EXPECT_EQ(MachineDefaultsWritten(), ExtensionsOfRows(0, 48));
  EXPECT_EQ(UserChoicesWritten(), ExtensionsOfRows(0, 48));
  EXPECT_EQ(MachineDefault(L"swf"), std::nullopt);
  EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"avi"), L"Progid"), std::nullopt);
}

TEST_F(RegistrationTest, AssocAllTakesEveryFormat) {
  SetOs(Os::Windows7);
  Register({.selection = SelectionForAssocValue(2)});
  EXPECT_EQ(WriterCalls(), 87u);
  EXPECT_EQ(MachineDefaultsWritten(), 87u);
  EXPECT_EQ(UserChoicesWritten(), 87u);
  EXPECT_EQ(MachineDefault(L"swf"), L"Lanternix.swf");
  EXPECT_EQ(MachineDefault(L"snd"), L"Lanternix.au");
  EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"avi"), L"Progid"), L"Lanternix.avi");
}

TEST_F(RegistrationTest, DeclinedQuestionKeepsEveryCurrentAssociation) {
  SetOs(Os::Windows10);
  Register({.confirmed = 0, .selection = SelectionForAssocValue(2)});
  EXPECT_EQ(WriterCalls(), 87u);
  EXPECT_EQ(CapabilitiesWritten(), 87u);
  EXPECT_EQ(MachineDefaultsWritten(), 0u);
  EXPECT_EQ(UserChoicesWritten(), 0u);
  EXPECT_FALSE(AnyKeyContains(L"FileExts"));
}

TEST_F(RegistrationTest, FromWindows8OnTheUsersChoicesStayUntouched) {
  for (const Os os : {Os::Windows8, Os::Windows10, Os::Windows11}) {
    SCOPED_TRACE(static_cast<int>(os));
    SetOs(os);
    platform.registry.Seed(kHkcu, UserChoiceKey(L"jpg"), L"Hash", RegistryValue{kRegSz, {'h', 0, 0, 0}});
    platform.registry.Seed(kHkcu, UserChoiceKey(L"jpg"), L"Progid", RegistryValue{kRegSz, {'p', 0, 0, 0}});
    const std::size_t journalBefore = platform.registry.Journal().size();
    Register({.selection = SelectionForAssocValue(2)});
    EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"jpg"), L"Hash"), L"h");
    EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"jpg"), L"Progid"), L"p");
    const auto& journal = platform.registry.Journal();
    auto linesSince = [&](std::wstring_view part) {
      return std::count_if(
          journal.begin() + static_cast<std::ptrdiff_t>(journalBefore), journal.end(),
          [part](const std::wstring& line) { return line.find(part) != std::wstring::npos; });
    };
    EXPECT_EQ(linesSince(L"UserChoice"), 0);
    // Machine defaults, ProgIDs and capabilities are still written.
    EXPECT_EQ(linesSince(L"set HKLM\\SOFTWARE\\Classes\\.jpg []"), 1);
    EXPECT_EQ(linesSince(L"set HKLM\\SOFTWARE\\Classes\\Lanternix.jpg []"), 4);
    EXPECT_EQ(linesSince(L"set HKLM64\\" + std::wstring(kFileAssociationsKey) + L" [.jpg]"), 1);
  }
}

TEST_F(RegistrationTest, UserChoiceOnlyBeforeWindows8) {
  EXPECT_TRUE(WritesUserChoice(kOsVista));
  EXPECT_TRUE(WritesUserChoice(kOsWindows7));
  EXPECT_FALSE(WritesUserChoice(kOsWindows8));
  EXPECT_FALSE(WritesUserChoice(kOsWindows10));
  EXPECT_FALSE(WritesUserChoice(kOsWindows11));
}

TEST_F(RegistrationTest, StoreAppsHiddenOnlyOnWindows10WhenAssociationsChange) {
  const std::vector<std::wstring> appKeys = {L"SOFTWARE\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg",
                                             L"SOFTWARE\\Classes\\AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
                                             L"SOFTWARE\\Classes\\AppX43hnxtbyyps62jhe9sqpdzxn1790zetc",
                                             L"SOFTWARE\\Classes\\AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
                                             L"SOFTWARE\\Classes\\AppX6eg8h5sxqq90pv53845wmnbewywdqq5h"};
  SetOs(Os::Windows10);
  Register({.change = 0});
  EXPECT_FALSE(AnyKeyContains(L"AppX"));
  // A declined question changes nothing, the handler list included.
  fake::FakePlatform declined;
  declined.system.SetVersion(10, 0, 19045);
  RegisterApplication(declined.Get(), 0, 1, L"C:\\Apps\\Viewer", 0, 0, 0, 0, RowsSelected({31}), 0);
  EXPECT_TRUE(declined.registry.KeyExists(kHklm, L"SOFTWARE\\Classes\\Lanternix.png"));
  for (const std::wstring& key : declined.registry.Keys()) EXPECT_EQ(key.find(L"AppX"), std::wstring::npos);

  Register({.selection = RowsSelected({31})});
  for (std::size_t i = 0; i < appKeys.size(); ++i) {
    const RegistryValue* value = platform.registry.Value(kHkcu, appKeys[i], L"NoOpenWith");
    ASSERT_NE(value, nullptr) << i;
    EXPECT_EQ(value->type, kRegSz);
    EXPECT_EQ(value->data, (std::vector<std::uint8_t>{0, 0}));
    EXPECT_FALSE(platform.registry.KeyExists(kHklm, appKeys[i]));
    if (i > 0) {
      EXPECT_LT(IndexOf(L"create HKCU\\" + appKeys[i - 1]), IndexOf(L"create HKCU\\" + appKeys[i]));
    }
  }
  EXPECT_EQ(platform.shell.iconNotifications, 1);
  EXPECT_EQ(platform.shell.associationNotifications, 1);
}

TEST_F(RegistrationTest, WithoutAdministratorRightsOnlyTheUsersKeysLand) {
  SetOs(Os::Windows7);
  platform.registry.DenyWrites(kHklm);
  EXPECT_EQ(Register({.selection = RowsSelected({31})}), 1);
  EXPECT_EQ(platform.registry.StringValue(kHkcu, UserChoiceKey(L"png"), L"Progid"), L"Lanternix.png");
  EXPECT_FALSE(platform.registry.KeyExists(kHklm, kUninstallKey));
}

// ---------------------------------------------------------------- Windows XP and older

TEST_F(RegistrationTest, XpAssociatesPerUserAndMachineWideOnlyOnRequest) {
  SetOs(Os::Xp);
  Register({.selection = RowsSelected({2})});
  for (const wchar_t* extension : {L"bmp", L"dib"}) {
    const std::wstring key = std::wstring(kFileExts) + extension;
    EXPECT_EQ(Default(kHkcu, key), L"");
    EXPECT_EQ(platform.registry.StringValue(kHkcu, key, L"ProgID"), L"Lanternix.bmp");
    // The XP key's value is spelt "ProgID", unlike the later "Progid".
    EXPECT_LT(IndexOf(L"set HKCU\\" + key + L" [ProgID]"), platform.registry.Journal().size());
    EXPECT_EQ(MachineDefault(extension), std::nullopt);
  }
  EXPECT_EQ(WriterCalls(), 2u);
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.bmp"), L"Lanternix BMP File");
  EXPECT_EQ(MachineDefault(L"jpg"), std::nullopt);
  EXPECT_FALSE(AnyKeyContains(L"UserChoice"));
  EXPECT_FALSE(platform.registry.KeyExists(kHklm, L"SOFTWARE\\Lanternix"));
  EXPECT_FALSE(platform.registry.KeyExists(kHklmNative, L"SOFTWARE\\Lanternix"));

  Register({.selection = RowsSelected({2}), .associateForAllUsers = 1});
  EXPECT_EQ(MachineDefault(L"bmp"), L"Lanternix.bmp");
  EXPECT_EQ(MachineDefault(L"dib"), L"Lanternix.bmp");
  EXPECT_EQ(MachineDefaultsWritten(), 2u);
}

TEST_F(RegistrationTest, XpWritesNoClassKeyWhenNothingIsSelectedOrTheQuestionIsDeclined) {
  SetOs(Os::Xp);
  Register({.change = 0});
  Register({.confirmed = 0, .selection = RowsSelected({2, 23})});
  EXPECT_EQ(WriterCalls(), 0u);
  EXPECT_FALSE(AnyKeyContains(L"Lanternix."));
  EXPECT_FALSE(AnyKeyContains(L"FileExts"));
  EXPECT_EQ(platform.shell.iconNotifications, 0);
  EXPECT_TRUE(platform.registry.KeyExists(kHklm, kUninstallKey));
}

TEST_F(RegistrationTest, Windows2000AssociatesSelectedRowsMachineWide) {
  SetOs(Os::Windows2000);
  Register({.selection = RowsSelected({2, 52})});
  EXPECT_EQ(MachineDefault(L"dib"), L"Lanternix.bmp");
  EXPECT_EQ(Default(kHklm, L"SOFTWARE\\Classes\\Lanternix.avi\\DefaultIcon"), std::wstring(kExe) + L",9");
  // Only selected rows are walked here, so the jpg rule never reaches .jpg.
  EXPECT_EQ(MachineDefault(L"jpg"), std::nullopt);
  EXPECT_FALSE(AnyKeyContains(L"FileExts"));
}

}  // namespace
}  // namespace lanternix
