// The setup itself, run silently under Wine: what a deployment tool sees.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <thread>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

const std::string kProgramFolder = ProgramFilesFolder() + "\\Lanternix";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
constexpr const char* kUserIni = "C:\\users\\root\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
constexpr const char* kUserDesktop = "C:\\users\\root\\Desktop";
const std::string kSeparator = "\r\n" + std::string(48, '-') + "\r\n";
const std::string kMessage5 = "Invalid destination directory!";
const std::string kMessage7 =
    "Can't install all files!\r\n\r\nPlease close all running Lanternix instances and check your destination "
    "directory for free space or write protection!\r\n\r\n(the installer should be started in ADMIN mode, "
    "use e.g. "
    "right mouse button click on installer)";
const std::string kMessage10 =
    "Warning: Lanternix is running!\r\nPlease close all Lanternix instances before you install this version!";
const std::string kMessage14 =
    "Can't write the Lanternix settings file!\r\n\r\nPlease close the program that has it open and "
    "check that it is a file you may write!";
const std::string kMessage11 =
    "Can't create destination directory!\r\n\r\nPlease check your write permissions and system "
    "policies!\r\n\r\n"
    "Try to create the destination folder manually and restart.";

std::string Setup() {
  return "C:\\setup\\lanternix-setup.exe";
}

// A prefix with the setup copied onto its drive C:, as an administrator would stage it.
class SilentInstall {
 public:
  explicit SilentInstall(const std::string& version = "win10", Build build = Build::Product)
      : prefix(version) {
    fs::create_directories(prefix.HostPath("C:\\setup"));
    fs::copy_file(SetupExe(build), prefix.HostPath(Setup()));
  }
  RunResult Run(const std::string& options, const std::string& workingFolder = "C:\\setup") {
    return prefix.RunCommandLine("\"" + Setup() + "\" /silent" + options, workingFolder);
  }
  // The log's bytes with every entry's date and time replaced by "<date> - <time>".
  std::string Log(const std::string& folder) {
    const fs::path path = prefix.HostPath(folder + "\\Lanternix_Install.log");
    if (!fs::exists(path)) return "<no log>";
    static const std::regex stamp(R"((^|\r\n-{48}\r\n)[^\r\n]*? - \d\d:\d\d:\d\d: )");
    return std::regex_replace(ReadFileBytes(path), stamp, "$1<date> - <time>: ");
  }
  static std::string Entry(const std::string& message) { return "<date> - <time>: " + message + kSeparator; }
  bool Exists(const std::string& path) { return fs::exists(prefix.HostPath(path)); }

  WinePrefix prefix;
};

std::string Utf16Text(const std::string& bytes) {
  std::string text;
  for (std::size_t i = 2; i + 1 < bytes.size(); i += 2) text.push_back(bytes[i]);
  return text;
}

// The product and its 64-bit twin, each in the folders and registry view Windows gives it.
class DefaultInstallTest : public ::testing::TestWithParam<Build> {};

TEST_P(DefaultInstallTest, OnWindows10) {
  const Build build = GetParam();
  const std::string programFolder = ProgramFilesFolder(build) + "\\Lanternix";
  SilentInstall setup("win10", build);
  const RunResult result = setup.Run("");
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(setup.Exists(programFolder + "\\l_tern32.exe"));
  EXPECT_TRUE(setup.Exists(programFolder + "\\Plugins\\Icons.dll"));
  const std::string programIni = ReadFileBytes(setup.prefix.HostPath(programFolder + "\\l_tern32.ini"));
  EXPECT_NE(programIni.find("INI_Folder=%APPDATA%\\Lanternix"), std::string::npos) << programIni;
  const std::string userIni = ReadFileBytes(setup.prefix.HostPath(kUserIni));
  ASSERT_GE(userIni.size(), 2u);
  EXPECT_EQ(userIni.substr(0, 2), "\xFF\xFE");
  EXPECT_NE(Utf16Text(userIni).find("; UNICODE FILE - edit with care ;-)"), std::string::npos);
  EXPECT_EQ(setup.Log("C:\\setup"), "<no log>");
  EXPECT_EQ(setup.Log(programFolder), "<no log>");
  for (const auto& entry : fs::directory_iterator(setup.prefix.HostPath(kUserDesktop)))
    ADD_FAILURE() << "unexpected desktop entry " << entry.path();

  const RegistrySnapshot registry = setup.prefix.Registry(build);
  EXPECT_EQ(registry.String("HKLM", kUninstallKey, "InstallLocation"), programFolder + "\\");
  EXPECT_EQ(registry.String("HKLM", kUninstallKey, "DisplayName"), "Lanternix 4.65 (32-bit)");
  EXPECT_EQ(registry.String("HKLM", "SOFTWARE\\Classes\\Lanternix\\shell\\open\\command", ""),
            "\"" + programFolder + "\\l_tern32.exe\" \"%1\"");
  EXPECT_FALSE(registry.HasKey(
      "HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg\\UserChoice"));
  if (RunsUnderWow64(build)) {
    // Where a 32-bit setup's entries land on 64-bit Windows: the uninstall entry in the 32-bit
    // view (the programs list reads both), the capabilities in the view the 64-bit shell reads.
    EXPECT_TRUE(registry.HasKey(
        "HKLM", "SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix"));
    EXPECT_FALSE(registry.HasKey("HKLM", "SOFTWARE\\Wow6432Node\\Lanternix"));
    EXPECT_EQ(registry.String("HKLM", "SOFTWARE\\RegisteredApplications", "Lanternix"),
              "SOFTWARE\\Lanternix\\Capabilities");
    EXPECT_TRUE(registry.HasKey("HKLM", "SOFTWARE\\Lanternix\\Capabilities\\FileAssociations"));
  }
}

INSTANTIATE_TEST_SUITE_P(Builds, DefaultInstallTest, ::testing::Values(Build::Product, Build::Twin),
                         [](const auto& param) { return BuildName(param.param); });

TEST(SilentInstallTest, QuotedFolderWithSpacesShortcutsForAllUsers) {
  SilentInstall setup("win10");
  const RunResult result =
      setup.Run(" /folder=\"C:\\My Apps\\Lanternix Viewer\" /desktop=1 /thumbs=1 /group=1 /allusers=1");
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_TRUE(setup.Exists("C:\\My Apps\\Lanternix Viewer\\l_tern32.exe"));
  const LinkInfo link = setup.prefix.ReadLink("C:\\users\\Public\\Desktop\\Lanternix Thumbnails.lnk");
  EXPECT_EQ(link.target, "C:\\My Apps\\Lanternix Viewer\\l_tern32.exe") << link.raw;
  EXPECT_EQ(link.arguments, "/thumbs");
  EXPECT_TRUE(setup.Exists(
      "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Lanternix 4.65.lnk"));
  // Outside the default program folder the settings stay per user.
  EXPECT_TRUE(setup.Exists(kUserIni));
  const RegistrySnapshot registry = setup.prefix.Registry();
  EXPECT_TRUE(
      registry.HasKey("HKLM", "SOFTWARE\\Classes\\Directory\\shell\\Browse with &Lanternix\\command"));
}

struct AssocCase {
  std::string version;
  std::string extraRegistry;
  int value = 0;
  bool userChoice = false;  // Vista and 7: the user's choice is replaced
  std::string name;
};

// Wine has no Windows 11 setting: Windows 10 with the build number Windows 11 starts at, in both
// registry views, whichever one a 32-bit setup's version query reads.
const std::string kWindows11Build =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentBuild\"=\"22000\"\r\n\"CurrentBuildNumber\"=\"22000\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentBuild\"=\"22000\"\r\n\"CurrentBuildNumber\"=\"22000\"\r\n\r\n";

// A choice the user made earlier in the system's settings, with the hash only they can compute.
const std::string kEarlierBitmapChoice =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp\\UserChoice]"
    "\r\n"
    "\"Progid\"=\"Other.bmp\"\r\n\"Hash\"=\"earlier-hash\"\r\n";

class AssocMatrixTest : public ::testing::TestWithParam<AssocCase> {};

TEST_P(AssocMatrixTest, AssocValueSelectsImagesEverythingOrNothing) {
  const AssocCase& param = GetParam();
  SilentInstall setup(param.version);
  setup.prefix.ImportRegistry(param.extraRegistry + kEarlierBitmapChoice);
  const RunResult result = setup.Run(" /assoc=" + std::to_string(param.value));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  const RegistrySnapshot registry = setup.prefix.Registry();
  const std::string fileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\";
  // .bmp is an image row, .mp3 a media row. Only Vista and 7 replace the user's choice.
  const bool bitmapTaken = param.userChoice && (param.value == 1 || param.value == 2);
  EXPECT_EQ(registry.String("HKCU", fileExts + ".bmp\\UserChoice", "Progid"),
            bitmapTaken ? "Lanternix.bmp" : "Other.bmp");
  EXPECT_EQ(registry.String("HKCU", fileExts + ".bmp\\UserChoice", "Hash"),
            bitmapTaken ? std::nullopt : std::optional<std::string>("earlier-hash"));
  EXPECT_EQ(registry.HasKey("HKCU", fileExts + ".mp3\\UserChoice"), param.userChoice && param.value == 2);
  // The machine defaults, class keys and capabilities follow the selection on every version.
  EXPECT_EQ(
      registry.String("HKLM", "SOFTWARE\\Classes\\.bmp", ""),
      param.value == 1 || param.value == 2 ? std::optional<std::string>("Lanternix.bmp") : std::nullopt);
  EXPECT_TRUE(registry.HasKey("HKLM", "SOFTWARE\\Classes\\Lanternix.mp3\\shell\\open\\command"));
  EXPECT_EQ(registry.String("HKLM", "SOFTWARE\\Lanternix\\Capabilities\\FileAssociations", ".mp3"),
            "Lanternix.mp3");
}

INSTANTIATE_TEST_SUITE_P(Versions, AssocMatrixTest,
                         ::testing::Values(AssocCase{"win7", "", 1, true, "win7_assoc1"},
                                           AssocCase{"win7", "", 2, true, "win7_assoc2"},
                                           AssocCase{"win7", "", 3, true, "win7_assoc3"},
                                           AssocCase{"win8", "", 1, false, "win8_assoc1"},
                                           AssocCase{"win10", "", 1, false, "win10_assoc1"},
                                           AssocCase{"win10", "", 2, false, "win10_assoc2"},
                                           AssocCase{"win10", "", 3, false, "win10_assoc3"},
                                           AssocCase{"win10", kWindows11Build, 2, false, "win11_assoc2"}),
                         [](const auto& param) { return param.param.name; });

TEST(SilentInstallTest, WindowsXpAssociatesPerUserAndMachineWideOnRequest) {
  for (const bool allUsers : {false, true}) {
    SilentInstall setup("winxp64");
    ASSERT_EQ(setup.Run(std::string(" /assoc=1") + (allUsers ? " /assocallusers" : "")).exitCode, 0);
    const RegistrySnapshot registry = setup.prefix.Registry();
    EXPECT_EQ(registry.String(
                  "HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.bmp", "ProgID"),
              "Lanternix.bmp");
    EXPECT_EQ(
        registry.String("HKLM", "SOFTWARE\\Classes\\.bmp", "") == std::optional<std::string>("Lanternix.bmp"),
        allUsers);
  }
}

TEST(SilentInstallTest, ExistingInstallationIsUpdatedInPlaceWithItsIniLeftThere) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Tools\\Lanternix /ini=").exitCode, 0);
  fs::remove(setup.prefix.HostPath("C:\\Tools\\Lanternix\\l_about.txt"));
  ASSERT_EQ(setup.Run("").exitCode, 0);
  EXPECT_TRUE(setup.Exists("C:\\Tools\\Lanternix\\l_about.txt"));
  EXPECT_FALSE(setup.Exists(kProgramFolder + "\\l_tern32.exe"));
  EXPECT_FALSE(setup.Exists(kUserIni));
  const std::string ini = ReadFileBytes(setup.prefix.HostPath("C:\\Tools\\Lanternix\\l_tern32.ini"));
  EXPECT_EQ(ini.substr(0, 2), "\xFF\xFE");
  EXPECT_EQ(Utf16Text(ini).find("INI_Folder=%"), std::string::npos) << Utf16Text(ini);
}

TEST(SilentInstallTest, AnUpdateKeepsSettingsThatWereSentPerUser) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Tools\\Lanternix").exitCode, 0);
  ASSERT_TRUE(setup.Exists(kUserIni));
  ASSERT_EQ(setup.Run("").exitCode, 0);
  // The program folder's file only redirects, and stays ANSI; the settings live per user.
  const std::string ini = ReadFileBytes(setup.prefix.HostPath("C:\\Tools\\Lanternix\\l_tern32.ini"));
  EXPECT_NE(ini.find("INI_Folder=%APPDATA%\\Lanternix"), std::string::npos) << ini;
  EXPECT_TRUE(setup.Exists(kUserIni));
}

// The program folder's INI holds the settings itself, as the wizard's "program folder" choice
// leaves it: an update keeps them there and starts no per-user INI.
TEST(SilentInstallTest, AnUpdateKeepsSettingsThatLiveInTheProgramFolder) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run("").exitCode, 0);
  const std::string programIni = std::string(kProgramFolder) + "\\l_tern32.ini";
  fs::remove(setup.prefix.HostPath(kUserIni));
  {
    std::ofstream ini(setup.prefix.HostPath(programIni), std::ios::binary | std::ios::trunc);
    ini << "[Toolbar]\r\nSkin=Vespin_16.png\r\nSize=16\r\n";
  }
  ASSERT_EQ(setup.Run("").exitCode, 0);
  EXPECT_FALSE(setup.Exists(kUserIni));
  const std::string ini = Utf16Text(ReadFileBytes(setup.prefix.HostPath(programIni)));
  EXPECT_EQ(ini.find("INI_Folder"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Skin=Vespin_16.png"), std::string::npos) << ini;
  EXPECT_NE(ini.find("Lang=English"), std::string::npos) << ini;
}

TEST(SilentInstallTest, FailuresAreLoggedWithTheirExactBytesAndExitStatus) {
  SilentInstall setup("win10");
  EXPECT_EQ(setup.Run(" /folder= /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Run(" /folder=   /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Run(" /folder=Q:\\Apps\\Lanternix").exitCode, 1);
  // A value of spaces is stripped to nothing by the option parsing: message 5 as for an empty one.
  EXPECT_EQ(setup.Log("C:\\setup"), SilentInstall::Entry(kMessage5 + ": ") +
                                        SilentInstall::Entry(kMessage5 + ": ") +
                                        SilentInstall::Entry(kMessage11 + ": Q:\\Apps\\Lanternix\\"));
  EXPECT_FALSE(setup.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
}

// Folders that depend on the current folder, or that would leave the payload's longest file name
// no room within 259 characters, are refused before anything is created anywhere.
TEST(SilentInstallTest, RelativeAndTooDeepFoldersAreRefusedBeforeAnythingIsCreated) {
  SilentInstall setup("win10");
  // 230 characters with the final "\\": within the 240 the links allow, not with the payload.
  const std::string deep = "C:\\" + std::string(226, 'd');
  const RegistrySnapshot before = setup.prefix.Registry();
  EXPECT_EQ(setup.Run(" /folder=Rel\\Lanternix /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Run(" /folder=C:foo /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Run(" /folder=" + deep + " /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\setup"), SilentInstall::Entry(kMessage5 + ": Rel\\Lanternix") +
                                        SilentInstall::Entry(kMessage5 + ": C:foo") +
                                        SilentInstall::Entry(kMessage5 + ": " + deep));
  for (const char* path :
       {"C:\\setup\\Rel", "C:\\setup\\foo", "C:\\Rel", "C:\\foo", "C:\\users\\root\\Desktop\\Lanternix.lnk"})
    EXPECT_FALSE(setup.Exists(path)) << path;
  EXPECT_FALSE(setup.Exists(deep));
  const RegistrySnapshot after = setup.prefix.Registry();
  EXPECT_FALSE(after.HasKey("HKLM", kUninstallKey));
  EXPECT_EQ(before.SubKeys("HKLM", "SOFTWARE\\Classes"), after.SubKeys("HKLM", "SOFTWARE\\Classes"));
}

TEST(SilentInstallTest, ARunningViewerRefusesTheInstallation) {
  SilentInstall setup("win10");
  setup.prefix.Start(PayloadFile("l_tern32.exe"));
  ASSERT_EQ(
      setup.prefix.Run(ToolExe("probe-report"), {"window", "Lanternix", "20"}).output.find("window=1") !=
          std::string::npos,
      true);
  EXPECT_EQ(setup.Run("").exitCode, 2);
  EXPECT_EQ(setup.Log("C:\\setup"), SilentInstall::Entry(kMessage10));
  EXPECT_FALSE(setup.Exists(kProgramFolder));
}

TEST(SilentInstallTest, ALockedDestinationFileFailsTheInstallation) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Viewer").exitCode, 0);
  setup.prefix.Start(ToolExe("hold-file"), {"C:\\Viewer\\lt_uninstall.exe"});
  for (int i = 0; i < 200 && !setup.Exists("C:\\Viewer\\lt_uninstall.exe.held"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(setup.Run(" /folder=C:\\Viewer").exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\Viewer"), SilentInstall::Entry("C:\\Viewer\\: " + kMessage7));
}

// A deployment tool runs the setup as SYSTEM in session 0, where the user's viewer window can't be
// seen; the viewer holding its file must still stop the setup before a single file is replaced.
TEST(SilentInstallTest, AViewerHoldingItsFileRefusesTheInstallation) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Viewer").exitCode, 0);
  const fs::path about = setup.prefix.HostPath("C:\\Viewer\\l_about.txt");
  { std::ofstream(about, std::ios::binary) << "old"; }
  setup.prefix.Start(ToolExe("hold-file"), {"C:\\Viewer\\l_tern32.exe"});
  for (int i = 0; i < 200 && !setup.Exists("C:\\Viewer\\l_tern32.exe.held"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(setup.Run(" /folder=C:\\Viewer /desktop=1").exitCode, 2);
  EXPECT_EQ(setup.Log("C:\\setup"), SilentInstall::Entry(kMessage10));
  EXPECT_EQ(ReadFileBytes(about), "old");
  EXPECT_FALSE(setup.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
}

// A level typed with trailing spaces is created without them, "." and ".." levels are resolved
// before anything is created, and an 8.3 alias is named by its long name; the INI file, the
// registration and the links must name that folder, not the typed one.
TEST(SilentInstallTest, EveryStepNamesTheFolderAsCreated) {
  SilentInstall setup("win10");
  struct Case {
    std::string typed;
    std::string created;
  };
  std::vector<Case> cases = {{"C:\\Apps \\Lanternix", "C:\\Apps\\Lanternix\\"},
                             {"C:\\Tools\\Lanternix \\", "C:\\Tools\\Lanternix\\"},
                             {"C:\\X\\..\\Apps2\\.\\Lanternix", "C:\\Apps2\\Lanternix\\"}};
  fs::create_directories(setup.prefix.HostPath("C:\\Long Folder Name"));
  const auto probe =
      ParseToolReport(setup.prefix.Run(ToolExe("probe-report"), {"short", "C:\\Long Folder Name"}).output);
  ASSERT_NE(probe.at("short"), "<none>");
  ASSERT_NE(probe.at("short"), "C:\\Long Folder Name");
  cases.push_back({probe.at("short") + "\\Lanternix", "C:\\Long Folder Name\\Lanternix\\"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    ASSERT_EQ(setup.Run(" \"/folder=" + c.typed + "\" /desktop=1 /group=1 /ini=").exitCode, 0);
    EXPECT_TRUE(setup.Exists(c.created + "l_tern32.exe"));
    const std::string ini = ReadFileBytes(setup.prefix.HostPath(c.created + "l_tern32.ini"));
    EXPECT_EQ(ini.substr(0, 2), "\xFF\xFE");
    const RegistrySnapshot registry = setup.prefix.Registry();
    EXPECT_EQ(registry.String("HKLM", kUninstallKey, "InstallLocation"), c.created);
    EXPECT_EQ(registry.String("HKLM", kUninstallKey, "UninstallString"),
              "\"" + c.created + "lt_uninstall.exe\"");
    EXPECT_EQ(registry.String("HKCR", "Lanternix\\shell\\open\\command", "")
                  .value_or("")
                  .find(c.created + "l_tern32.exe"),
              1u);
    const LinkInfo link = setup.prefix.ReadLink(std::string(kUserDesktop) + "\\Lanternix.lnk");
    EXPECT_EQ(link.target, c.created + "l_tern32.exe") << link.raw;
  }
  EXPECT_FALSE(setup.Exists("C:\\Apps \\Lanternix"));
  EXPECT_FALSE(setup.Exists("C:\\Tools\\Lanternix \\l_tern32.ini"));
  EXPECT_FALSE(setup.Exists("C:\\X"));
  EXPECT_EQ(setup.Log("C:\\setup"), "<no log>");
}

// Values the command-line limits cut, and INI folders the viewer would not find again, are
// refused before anything is created.
TEST(SilentInstallTest, CutOrUnusableFolderValuesAreRefused) {
  SilentInstall setup("win10");
  const std::string options =
      " /ini=C:\\" + std::string(407, 'i') +
      " /folder=C:\\Program Files (x86)\\Graphics Tools 2\\Lanternix Image Viewer /desktop=1";
  // The value as the first 519 characters of the command line hold it.
  const std::string examined = ("\"" + e2e::Setup() + "\" /silent" + options).substr(0, 519);
  std::string cutFolder = examined.substr(examined.find("/folder=") + 8);
  ASSERT_EQ(cutFolder.find('/'), std::string::npos);
  cutFolder.erase(cutFolder.find_last_not_of(' ') + 1);
  EXPECT_EQ(setup.Run(options).exitCode, 1);
  EXPECT_EQ(setup.Run(" /ini=Settings /desktop=1").exitCode, 1);
  EXPECT_EQ(setup.Run(" /ini=C:" + std::string(240, 's')).exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\setup"),
            SilentInstall::Entry(kMessage5 + ": " + cutFolder) +
                SilentInstall::Entry("Invalid INI folder!: Settings") +
                SilentInstall::Entry("Invalid INI folder!: C:" + std::string(240, 's')));
  for (const std::string& path : {kProgramFolder, std::string("C:\\Program Files (x86)\\Graphics Tools 2"),
                                  std::string("C:\\setup\\Settings"), std::string("C:\\Settings")})
    EXPECT_FALSE(setup.Exists(path)) << path;
  EXPECT_FALSE(setup.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
}

// The program folder's INI file held open by another program: the explicit "/ini=" can't be
// applied, so the run fails and says which file, the redirect still names the old folder, and the
// new folder gets no INI file that nothing would point to.
TEST(SilentInstallTest, AHeldProgramFolderIniFailsAndCreatesNoOther) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Viewer /ini=C:\\Settings").exitCode, 0);
  const fs::path programIni = setup.prefix.HostPath("C:\\Viewer\\l_tern32.ini");
  const std::string before = ReadFileBytes(programIni);
  ASSERT_NE(before.find("INI_Folder=C:\\Settings"), std::string::npos) << before;
  setup.prefix.Start(ToolExe("hold-file"), {"C:\\Viewer\\l_tern32.ini"});
  for (int i = 0; i < 200 && !setup.Exists("C:\\Viewer\\l_tern32.ini.held"); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  EXPECT_EQ(setup.Run(" /folder=C:\\Viewer /ini=C:\\Other").exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\Viewer"), SilentInstall::Entry("C:\\Viewer\\l_tern32.ini: " + kMessage14));
  EXPECT_EQ(ReadFileBytes(programIni), before);
  EXPECT_FALSE(setup.Exists("C:\\Other\\l_tern32.ini"));
  EXPECT_TRUE(setup.Exists("C:\\Settings\\l_tern32.ini"));
}

TEST(SilentInstallTest, RunningTheSameInstallTwiceLeavesTheSameState) {
  SilentInstall setup("win10");
  const std::string options = " /folder=C:\\Same /desktop=1 /group=1 /assoc=1";
  ASSERT_EQ(setup.Run(options).exitCode, 0);
  const RegistrySnapshot first = setup.prefix.Registry();
  std::vector<std::string> firstFiles;
  for (const auto& entry : fs::recursive_directory_iterator(setup.prefix.HostPath("C:\\Same")))
    firstFiles.push_back(entry.path().string());
  ASSERT_EQ(setup.Run(options).exitCode, 0);
  const RegistrySnapshot second = setup.prefix.Registry();
  std::vector<std::string> secondFiles;
  for (const auto& entry : fs::recursive_directory_iterator(setup.prefix.HostPath("C:\\Same")))
    secondFiles.push_back(entry.path().string());
  std::sort(firstFiles.begin(), firstFiles.end());
  std::sort(secondFiles.begin(), secondFiles.end());
  EXPECT_EQ(firstFiles, secondFiles);
  EXPECT_EQ(first.SubKeys("HKLM", "SOFTWARE\\Lanternix"), second.SubKeys("HKLM", "SOFTWARE\\Lanternix"));
  EXPECT_EQ(first.SubKeys("HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts"),
            second.SubKeys("HKCU", "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts"));
  EXPECT_EQ(setup.Log("C:\\Same"), "<no log>");
}

// The access list Wine stores for a file or folder, as SDDL.
std::string StoredAcl(WinePrefix& prefix, const std::string& path) {
  return ParseToolReport(prefix.Run(ToolExe("probe-report"), {"acl", path}).output)["acl"];
}

// Under C:\ every user may modify what is created; the elevated setup's own folders get
// Program Files' protected list instead, every level it creates, and a folder that was there
// keeps its list. Wine keeps no access lists: it turns the list given at creation into the
// folder's Unix mode and reads a list back from that mode. What it can show is that the list
// the setup gave grants nothing to everyone (no other-bits, no "WD" entry), while the folder
// that existed before keeps its read access for everyone. The protection flag and the entries
// for Administrators and Users only Windows shows.
TEST(SilentInstallTest, TheFoldersTheSetupCreatesGrantNothingToEveryone) {
  SilentInstall setup("win10");
  fs::create_directories(setup.prefix.HostPath("C:\\Pre"));
  ASSERT_EQ(setup.Run(" /folder=C:\\Pre\\Apps\\Lanternix").exitCode, 0);
  for (const char* folder : {"C:\\Pre\\Apps", "C:\\Pre\\Apps\\Lanternix"}) {
    const std::string acl = StoredAcl(setup.prefix, folder);
    EXPECT_NE(acl.find("(A;OICI;FA;;;SY)"), std::string::npos) << folder << ": " << acl;
    EXPECT_EQ(acl.find(";;;WD)"), std::string::npos) << folder << ": " << acl;
    const auto others = fs::perms::others_read | fs::perms::others_write | fs::perms::others_exec;
    EXPECT_EQ(fs::status(setup.prefix.HostPath(folder)).permissions() & others, fs::perms::none) << folder;
  }
  const std::string existing = StoredAcl(setup.prefix, "C:\\Pre");
  EXPECT_NE(existing.find("(A;OICI;0x1200a9;;;WD)"), std::string::npos) << existing;
}

// A link inside an existing installation is never written through: the plug-ins folder swapped
// for a link to another folder (a Unix symlink stands in for a junction) and a file swapped for
// a link to a document. The entries fail and are reported as for a locked file; what the links
// name keeps its content. A file sharing its content with another hard link gets a new file of
// its own under the installation's name.
TEST(SilentInstallTest, AnUpdateNeverWritesThroughALinkInsideTheInstallation) {
  SilentInstall setup("win10");
  ASSERT_EQ(setup.Run(" /folder=C:\\Viewer").exitCode, 0);
  const std::string changes = ReadFileBytes(setup.prefix.HostPath("C:\\Viewer\\l_changes.txt"));
  const fs::path skin = setup.prefix.HostPath("C:\\Viewer\\Toolbars\\Vespin_16.txt");
  const std::string skinText = ReadFileBytes(skin);
  std::ofstream(skin, std::ios::binary) << "old";
  const fs::path victim = setup.prefix.HostPath("C:\\Victim2");
  fs::create_directories(victim);
  for (const char* name : {"CameraRaw.dll", "Web_Album.dll", "Icons.dll"})
    std::ofstream(victim / name, std::ios::binary) << "victim's " << name;
  fs::remove_all(setup.prefix.HostPath("C:\\Viewer\\Plugins"));
  fs::create_directory_symlink(victim, setup.prefix.HostPath("C:\\Viewer\\Plugins"));
  const fs::path report = setup.prefix.HostPath("C:\\Victim\\report.docx");
  fs::create_directories(report.parent_path());
  std::ofstream(report, std::ios::binary) << "the report";
  fs::remove(setup.prefix.HostPath("C:\\Viewer\\l_about.txt"));
  fs::create_symlink(report, setup.prefix.HostPath("C:\\Viewer\\l_about.txt"));
  const fs::path kept = setup.prefix.HostPath("C:\\Elsewhere\\kept.txt");
  fs::create_directories(kept.parent_path());
  std::ofstream(kept, std::ios::binary) << "kept";
  fs::remove(setup.prefix.HostPath("C:\\Viewer\\l_changes.txt"));
  fs::create_hard_link(kept, setup.prefix.HostPath("C:\\Viewer\\l_changes.txt"));

  EXPECT_EQ(setup.Run(" /folder=C:\\Viewer").exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\Viewer"), SilentInstall::Entry("C:\\Viewer\\: " + kMessage7));
  for (const char* name : {"CameraRaw.dll", "Web_Album.dll", "Icons.dll"})
    EXPECT_EQ(ReadFileBytes(victim / name), std::string("victim's ") + name);
  EXPECT_FALSE(fs::exists(victim / "Exif_Tools.dll"));
  EXPECT_EQ(ReadFileBytes(report), "the report");
  EXPECT_EQ(ReadFileBytes(kept), "kept");
  EXPECT_EQ(ReadFileBytes(setup.prefix.HostPath("C:\\Viewer\\l_changes.txt")), changes);
  // The entries after the links still went in.
  EXPECT_EQ(ReadFileBytes(skin), skinText);
}

// The setup's folder is a downloads folder any process of the user can write to: a link planted
// as the log must not make the elevated setup append to the file it names, nor create one.
TEST(SilentInstallTest, ALinkPlantedAsTheLogIsNotWrittenThrough) {
  SilentInstall setup("win10");
  const fs::path winIni = setup.prefix.HostPath("C:\\windows\\win.ini");
  const std::string before = ReadFileBytes(winIni);
  fs::create_symlink(winIni, setup.prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  EXPECT_EQ(setup.Run(" /folder=").exitCode, 1);
  EXPECT_EQ(ReadFileBytes(winIni), before);
  fs::remove(setup.prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  const fs::path absent = setup.prefix.HostPath("C:\\windows\\system32\\planted.dll");
  fs::create_symlink(absent, setup.prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  EXPECT_EQ(setup.Run(" /folder=").exitCode, 1);
  EXPECT_FALSE(fs::exists(absent));
  // Without the link the log is written as ever.
  fs::remove(setup.prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  EXPECT_EQ(setup.Run(" /folder=").exitCode, 1);
  EXPECT_EQ(setup.Log("C:\\setup"), SilentInstall::Entry(kMessage5 + ": "));
}

}  // namespace
}  // namespace lanternix::e2e
