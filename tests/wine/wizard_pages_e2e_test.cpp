// The five wizard pages under Wine, walked by the wizard-driver tool: each page's texts and
// control states per Windows version, an installation through the wizard with its result on
// disk and in the registry, a failing destination, a running viewer, and the Finished page's
// two actions. Screenshots of every page are kept under <work folder>/screenshots.
#include <gtest/gtest.h>

#include <atomic>
#include <iostream>
#include <cstdlib>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <thread>
#include <tuple>

#include "tests/wine/wine_harness.h"
#include "tests/wine/wizard_report.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
constexpr const char* kCheckpoints = "C:\\checkpoints";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
constexpr const char* kUserIni = "C:\\users\\root\\AppData\\Roaming\\Lanternix\\l_tern32.ini";
constexpr const char* kFaqMarker = "C:\\faq-opened.txt";
// The greyed-out list: light grey background, orange text.
const std::string kGreyBackground = std::to_string(0xC0C0C0);
const std::string kOrangeText = std::to_string(0x0080FF);

// A prefix with the setup on drive C: and a virtual desktop, so Wine draws the sheet's frame
// and the screenshots show whole pages (Xvfb has no window manager).
class WizardPages {
 public:
  // extraRegistry: REGEDIT4 text imported before the run.
  explicit WizardPages(const std::string& version, const std::string& extraRegistry = "",
                       Build build = Build::Product)
      : prefix(version) {
    fs::create_directories(prefix.HostPath("C:\\setup"));
    fs::copy_file(SetupExe(build), prefix.HostPath(kSetup));
    prefix.ImportRegistry(
        std::string(kVirtualDesktopRegistry) +
        // The FAQ address goes to a handler that only leaves a note of what it was given.
        "[HKEY_CLASSES_ROOT\\https\\shell\\open\\command]\r\n"
        "@=\"C:\\\\windows\\\\system32\\\\cmd.exe /c echo %1> C:\\\\faq-opened.txt\"\r\n\r\n" +
        extraRegistry);
    prefix.Stop();
  }

  std::map<std::string, std::string> Drive(const std::string& ending, const std::string& name,
                                           const std::string& destination = "") {
    std::vector<std::string> args{kSetup, "pages", ending, kCheckpoints};
    if (!destination.empty()) args.push_back(destination);
    return DriveWith(args, name);
  }

  std::map<std::string, std::string> DriveWith(const std::vector<std::string>& args,
                                               const std::string& name) {
    const CheckpointRun run = RunWithCheckpoints(prefix, ToolExe("wizard-driver"), args, kCheckpoints, name);
    screenshots = run.checkpoints;
    const RunResult& result = run.result;
    output = result.output;
    return ParseToolReport(result.output);
  }

  bool Exists(const std::string& windowsPath) const { return fs::exists(prefix.HostPath(windowsPath)); }

  WinePrefix prefix;
  std::vector<std::string> screenshots;
  std::string output;
};

// What every walk sees on the pages before the Ready page's Next, whatever the system.
// registryBoxEnabled: false where box 3311 is disabled (Windows 11), so the list stays greyed.
void ExpectCommonWalk(std::map<std::string, std::string>& report, const std::string& out,
                      bool registryBoxEnabled = true) {
  ASSERT_EQ(report["sheet_found"], "1") << out;
  EXPECT_EQ(report["welcome_title"].find("%s"), std::string::npos) << report["welcome_title"];
  EXPECT_NE(report["welcome_title"].find("32"), std::string::npos) << report["welcome_title"];
  EXPECT_EQ(
      report["welcome_version_line"].rfind("This program will install Lanternix version  4.65  (32 bit)", 0),
      0u)
      << report["welcome_version_line"];
  for (const std::string id : {"1011", "1021", "1012", "1016"})
    EXPECT_EQ(report["welcome_checked_" + id], "1") << id;
  EXPECT_EQ(report["welcome_checked_1017"], "0");
  EXPECT_EQ(report["welcome_back_enabled"], "0");
  EXPECT_EQ(report["welcome_next_enabled"], "1");
  EXPECT_EQ(report["welcome_cancel_text"], "&Exit");

  ASSERT_EQ(report["whatsnew_page"], "108") << out;
  EXPECT_GT(std::stoi(report["whatsnew_length"]), 1000);
  const std::string tail = report["whatsnew_tail"];
  ASSERT_FALSE(tail.empty());
  EXPECT_TRUE(std::isalnum(static_cast<unsigned char>(tail.back()))) << tail;
  EXPECT_EQ(report["whatsnew_back_enabled"], "1");

  ASSERT_EQ(report["assoc_page"], "104") << out;
  EXPECT_EQ(report["assoc_items"], "63");
  EXPECT_EQ(report["assoc_3311_checked"], "0");
  EXPECT_EQ(report["assoc_start_list_enabled"], "0");
  EXPECT_EQ(report["assoc_start_list_bk"], kGreyBackground);
  EXPECT_EQ(report["assoc_start_list_text"], kOrangeText);
  EXPECT_EQ(report["assoc_start_checked_rows"], "0");
  for (const std::string id : {"1091", "1080", "1081"})
    EXPECT_EQ(report["assoc_start_enabled_" + id], "0") << id;
  EXPECT_GT(std::stoi(report["assoc_column1"]), std::stoi(report["assoc_column0"]));
  ASSERT_EQ(report["assoc_3311_enabled"], registryBoxEnabled ? "1" : "0");
  if (!registryBoxEnabled) {
    EXPECT_EQ(report.count("assoc_ticked_list_enabled"), 0u);
    ASSERT_EQ(report["ready_page"], "109") << out;
    return;
  }
  // Ticked, the list repaints at once in its own colours (no orange text left on the screen) and
  // its buttons come back; "Images only" after
  // "Select all" leaves rows 0 to 48.
  EXPECT_GT(std::stoi(report["assoc_start_orange_pixels"]), 0);
  EXPECT_EQ(report["assoc_ticked_orange_pixels"], "0");
  for (const std::string id : {"1091", "1080", "1081"})
    EXPECT_EQ(report["assoc_ticked_enabled_" + id], "1") << id;
  EXPECT_EQ(report["assoc_all_checked"], "63");
  EXPECT_EQ(report["assoc_ticked_checked_rows"], "49");
  EXPECT_EQ(report["assoc_images_last_checked"], "1");
  EXPECT_EQ(report["assoc_images_first_clear"], "1");
  EXPECT_EQ(report["assoc_ticked_list_enabled"], "1");
  EXPECT_NE(report["assoc_ticked_list_bk"], kGreyBackground);
  // Cleared again: greyed, the marks kept.
  EXPECT_EQ(report["assoc_cleared_list_enabled"], "0");
  EXPECT_EQ(report["assoc_cleared_list_bk"], kGreyBackground);
  EXPECT_EQ(report["assoc_cleared_list_text"], kOrangeText);
  EXPECT_EQ(report["assoc_cleared_checked_rows"], "49");

  ASSERT_EQ(report["ready_page"], "109") << out;
  EXPECT_EQ(report["ready_installing_visible"], "0");
  for (const std::string id : {"1040", "1000", "1042"}) EXPECT_EQ(report["ready_visible_" + id], "0") << id;
  EXPECT_EQ(report["ready_back_enabled"], "1");
  EXPECT_EQ(report["ready_next_enabled"], "1");
}

// Windows 10: the whole walk, the installation through the wizard, and leaving the Finished page
// with both boxes checked, by "&Done" or by the window's close command: either way the FAQ
// address opens and the installed viewer starts; the product and its twin.
class WizardWalkTest : public ::testing::TestWithParam<std::tuple<Build, std::string>> {};

TEST_P(WizardWalkTest, Win10WalksInstallsAndFinishes) {
  const auto& [build, ending] = GetParam();
  WizardPages setup("win10", "", build);
  auto report = setup.Drive(ending, std::string(build == Build::Product ? "win10" : "win10-twin") +
                                        (ending == "install-done" ? "" : "-" + ending));
  const std::string& out = setup.output;
  ExpectCommonWalk(report, out);
  const std::string folder = report["welcome_folder"];
  EXPECT_EQ(folder, ProgramFilesFolder(build) + "\\Lanternix");
  EXPECT_EQ(report["assoc_1037_visible"], "0");
  EXPECT_EQ(report["ready_destination"], "Destination directory: " + folder);
  EXPECT_EQ(report["ready_checked_1038"], "0");
  EXPECT_EQ(report["ready_checked_1039"], "1");

  // The list was greyed before Next: no association question.
  EXPECT_EQ(report["next_boxes"], "0") << out;
  ASSERT_EQ(report["after_next_page"], "110") << out;
  EXPECT_EQ(report["after_next_installing_visible"], "1");
  EXPECT_NE(report["finished_heading"], "");
  EXPECT_EQ(report["finished_checked_1022"], "1");
  EXPECT_EQ(report["finished_checked_1020"], "1");
  EXPECT_EQ(report["finished_back_enabled"], "0");
  EXPECT_EQ(report["finished_next_enabled"], "0");
  EXPECT_EQ(report["finished_cancel_enabled"], "1");
  EXPECT_EQ(report["finished_cancel_text"], "&Done");
  EXPECT_EQ(report["closed"], "1") << out;
  EXPECT_EQ(report["setup_exit"], "0") << out;
  EXPECT_EQ(report["viewer_window"], "1") << out;

  EXPECT_EQ(setup.screenshots, (std::vector<std::string>{"welcome", "whatsnew", "associations",
                                                         "associations-ticked", "ready", "finished"}));

  EXPECT_TRUE(setup.Exists(folder + "\\l_tern32.exe"));
  EXPECT_TRUE(setup.Exists(folder + "\\lt_uninstall.exe"));
  EXPECT_TRUE(setup.Exists(kUserIni));
  // The program folder's INI file only points to the per-user one the Ready page chose.
  const std::string programIni = ReadFileBytes(setup.prefix.HostPath(folder + "\\l_tern32.ini"));
  EXPECT_NE(programIni.find("INI_Folder=%APPDATA%\\Lanternix"), std::string::npos) << programIni;
  EXPECT_TRUE(setup.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
  const std::string faq = ReadFileBytes(setup.prefix.HostPath(kFaqMarker));
  EXPECT_NE(faq.find("https://lanternix.example/faq"), std::string::npos) << faq;
  const RegistrySnapshot registry = setup.prefix.Registry(build);
  EXPECT_EQ(registry.String("HKLM", kUninstallKey, "InstallLocation"), folder + "\\");
  // Nothing was chosen for association.
  EXPECT_FALSE(registry.HasKey("HKCR", ".jpg\\shell\\open\\command") &&
               registry.String("HKCR", ".jpg", "").value_or("").find("Lanternix") != std::string::npos);
}

// An update whose settings lie behind a redirect of the user's own: the Ready page shows that
// folder as the choice made, and the installation keeps it instead of moving to Application Data.
TEST(WizardPagesTest, AnUpdateKeepsTheSettingsBehindACustomRedirect) {
  WizardPages setup("win10");
  fs::create_directories(setup.prefix.HostPath("C:\\Viewer"));
  fs::create_directories(setup.prefix.HostPath("C:\\MySettings"));
  std::ofstream(setup.prefix.HostPath("C:\\Viewer\\l_tern32.ini"), std::ios::binary)
      << "[Others]\r\nINI_Folder=C:\\MySettings\r\n";
  std::ofstream(setup.prefix.HostPath("C:\\MySettings\\l_tern32.ini"), std::ios::binary)
      << "[Toolbar]\r\nSkin=mine.png\r\nSize=24\r\n";
  auto report = setup.Drive("install", "win10-update-custom-ini", "C:\\Viewer");
  const std::string& out = setup.output;
  ASSERT_EQ(report["ready_page"], "109") << out;
  EXPECT_EQ(report["ready_checked_1038"], "0");
  EXPECT_EQ(report["ready_checked_1039"], "0");
  EXPECT_EQ(report["ready_checked_1040"], "1");
  EXPECT_EQ(report["ready_text_1000"], "C:\\MySettings");
  EXPECT_EQ(report["ready_visible_1040"], "1");
  EXPECT_EQ(report["ready_visible_1000"], "1");
  EXPECT_EQ(report["ready_visible_1042"], "0");
  ASSERT_EQ(report["after_next_page"], "110") << out;
  EXPECT_EQ(report["setup_exit"], "0") << out;

  const std::string programIni = ReadFileBytes(setup.prefix.HostPath("C:\\Viewer\\l_tern32.ini"));
  EXPECT_NE(programIni.find("INI_Folder=C:\\MySettings"), std::string::npos) << programIni;
  std::string settings;
  const std::string unicode = ReadFileBytes(setup.prefix.HostPath("C:\\MySettings\\l_tern32.ini"));
  for (std::size_t i = 2; i + 1 < unicode.size(); i += 2) settings.push_back(unicode[i]);
  EXPECT_NE(settings.find("Skin=mine.png"), std::string::npos) << settings;
  EXPECT_NE(settings.find("Lang=English"), std::string::npos) << settings;
  EXPECT_FALSE(setup.Exists(kUserIni));
}

INSTANTIATE_TEST_SUITE_P(Builds, WizardWalkTest,
                         ::testing::Values(std::make_tuple(Build::Product, std::string("install-done")),
                                           std::make_tuple(Build::Twin, std::string("install-done")),
                                           std::make_tuple(Build::Product, std::string("install-close"))),
                         [](const auto& param) {
                           std::string ending = std::get<1>(param.param);
                           std::erase(ending, '-');
                           return std::string(BuildName(std::get<0>(param.param))) + "_" + ending;
                         });

constexpr const char* kJpgFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.jpg";
// One of the Store apps whose "Open with" entry Windows 10 hides once associations are confirmed.
constexpr const char* kStoreAppClass = "Software\\Classes\\AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg";

struct AssociationCase {
  std::string version;
  std::string answer;         // "yes" or "no" to the association question
  bool machineDefault;        // HKCR\.jpg names the viewer's class
  bool userChoice;            // the per-user UserChoice names it (Vista and 7 only)
  bool perUserFileExts;       // Windows XP: FileExts\.jpg ProgID
  bool storeAppsHidden;       // Windows 10 after a confirmed change
};

void PrintTo(const AssociationCase& test, std::ostream* out) {
  *out << test.version << ", answered " << test.answer;
}

class WizardAssociationsTest : public ::testing::TestWithParam<AssociationCase> {};

// The image rows chosen on the Associations page (the registry box ticked, cleared and ticked
// again), then Next: the question comes once, whole; Yes writes the choice the way the Windows
// generation takes it, No writes no defaults at all.
TEST_P(WizardAssociationsTest, ChosenRowsAreWrittenOnlyAfterYes) {
  const AssociationCase& test = GetParam();
  WizardPages setup(test.version);
  auto report = setup.Drive("assoc-" + test.answer, test.version + "-assoc-" + test.answer);
  const std::string& out = setup.output;
  ASSERT_EQ(report["assoc_page"], "104") << out;
  EXPECT_EQ(report["assoc_reticked_list_enabled"], "1");
  EXPECT_EQ(report["assoc_reticked_checked_rows"], "49");
  EXPECT_EQ(report["assoc_reticked_list_bk"], report["assoc_ticked_list_bk"]);
  EXPECT_EQ(report["assoc_reticked_list_text"], report["assoc_ticked_list_text"]);
  ASSERT_EQ(report["next_boxes"], "1") << out;
  EXPECT_EQ(MessageText(report["next_box1"]), kAssociationQuestion);
  ASSERT_EQ(report["after_next_page"], "110") << out;
  EXPECT_EQ(report["setup_exit"], "0") << out;

  const RegistrySnapshot registry = setup.prefix.Registry();
  // The viewer's own class is registered whatever the answer.
  EXPECT_NE(registry.String("HKCR", "Lanternix.jpg\\shell\\open\\command", "").value_or("").find("l_tern32.exe"),
            std::string::npos);
  EXPECT_EQ(registry.String("HKCR", ".jpg", "") == "Lanternix.jpg", test.machineDefault);
  EXPECT_EQ(registry.String("HKCR", ".png", "") == "Lanternix.png", test.machineDefault);
  EXPECT_EQ(registry.String("HKCU", std::string(kJpgFileExts) + "\\UserChoice", "Progid") == "Lanternix.jpg",
            test.userChoice);
  // Windows 8 and later: no UserChoice key is made at all.
  if (!test.userChoice) {
    EXPECT_FALSE(registry.HasKey("HKCU", std::string(kJpgFileExts) + "\\UserChoice"));
  }
  EXPECT_EQ(registry.String("HKCU", kJpgFileExts, "ProgID") == "Lanternix.jpg", test.perUserFileExts);
  EXPECT_EQ(registry.String("HKCU", kStoreAppClass, "NoOpenWith").has_value(), test.storeAppsHidden);
}

INSTANTIATE_TEST_SUITE_P(
    Generations, WizardAssociationsTest,
    ::testing::Values(AssociationCase{"win10", "yes", true, false, false, true},
                      AssociationCase{"win10", "no", false, false, false, false},
                      AssociationCase{"win7", "yes", true, true, false, false},
                      AssociationCase{"winxp64", "yes", false, false, true, false}),
    [](const auto& param) { return param.param.version + "_" + param.param.answer; });

struct LinkCase {
  std::string name;
  std::string registry;  // what the prefix offers to open the address
  bool opens;
  std::string marker;    // the file the handler leaves the address in
};

// Wine registers its own browser for web addresses: these take it away.
const std::string kNoWebHandlers =
    "[-HKEY_CLASSES_ROOT\\http]\r\n\r\n[-HKEY_CLASSES_ROOT\\https]\r\n\r\n"
    "[-HKEY_CLASSES_ROOT\\.htm]\r\n\r\n[-HKEY_CLASSES_ROOT\\.html]\r\n\r\n";

void PrintTo(const LinkCase& test, std::ostream* out) {
  *out << test.name;
}

class WizardLinkTest : public ::testing::TestWithParam<LinkCase> {};

// The EULA link: a click opens the address through the registered handler, or, with none for web
// addresses, through the browser registered for ".htm" (its command cut before the quoted "%1");
// once opened the link shows the visited colour; with no way to open it, it keeps the link colour.
TEST_P(WizardLinkTest, ClickOpensTheAddressAndShowsTheVisitedColour) {
  const LinkCase& test = GetParam();
  WizardPages setup("win10", test.registry);
  auto report = setup.DriveWith({kSetup, "link", kCheckpoints}, "link-" + test.name);
  const std::string& out = setup.output;
  ASSERT_EQ(report["sheet_found"], "1") << out;
  EXPECT_EQ(report["link_text"], "Lanternix EULA");
  EXPECT_GT(std::stoi(report["before_link_pixels"]), 0) << out;
  EXPECT_EQ(report["before_visited_pixels"], "0") << out;
  if (test.opens) {
    EXPECT_GT(std::stoi(report["after_visited_pixels"]), 0) << out;
    EXPECT_EQ(report["after_link_pixels"], "0") << out;
    const std::string opened = ReadFileBytes(setup.prefix.HostPath(test.marker));
    EXPECT_NE(opened.find("https://lanternix.example/eula"), std::string::npos) << opened;
  } else {
    EXPECT_GT(std::stoi(report["after_link_pixels"]), 0) << out;
    EXPECT_EQ(report["after_visited_pixels"], "0") << out;
  }
  EXPECT_EQ(report["setup_exit"], "1") << out;
}

INSTANTIATE_TEST_SUITE_P(
    Handlers, WizardLinkTest,
    ::testing::Values(
        LinkCase{"handler", "", true, kFaqMarker},
        LinkCase{"htmfallback",
                 kNoWebHandlers +
                     "[HKEY_CLASSES_ROOT\\.htm]\r\n@=\"LanternixTestPage\"\r\n\r\n"
                     "[HKEY_CLASSES_ROOT\\LanternixTestPage\\shell\\open\\command]\r\n"
                     "@=\"C:\\\\windows\\\\system32\\\\cmd.exe /c >C:\\\\htm-opened.txt echo \\\"%1\\\" -nohome\"\r\n\r\n",
                 true, "C:\\htm-opened.txt"},
        LinkCase{"none", kNoWebHandlers, false, ""}),
    [](const auto& param) { return param.param.name; });

// The running setup has its DLL search hardened (SetDefaultDllDirectories with the system folder
// only, accepted) and visual styles on: SetThemeAppProperties for frames and controls, and its
// controls come from the common controls of version 6 its manifest asks for.
TEST(WizardPagesTest, DllSearchHardenedAndVisualStylesInEffect) {
  WizardPages setup("win10",
                    "[HKEY_CURRENT_USER\\Software\\Wine\\Debug]\r\n"
                    "\"RelayInclude\"=\"kernel32.SetDefaultDllDirectories;kernelbase.SetDefaultDllDirectories;"
                    "uxtheme.SetThemeAppProperties\"\r\n\r\n");
  auto report = setup.DriveWith({kSetup, "styles"}, "styles");
  const std::string& out = setup.output;
  ASSERT_EQ(report["assoc_page"], "104") << out;
  // Wine's relay trace: "Call <dll>.<function>(<arguments>)" and "Ret  <dll>.<function>() retval=<result>".
  EXPECT_TRUE(std::regex_search(out, std::regex(R"(Call \w+\.SetDefaultDllDirectories\(0*800\))"))) << out;
  EXPECT_TRUE(std::regex_search(out, std::regex(R"(Ret  \w+\.SetDefaultDllDirectories\(\) retval=0*1 )"))) << out;
  EXPECT_TRUE(std::regex_search(out, std::regex(R"(Call \w+\.SetThemeAppProperties\(0*3\))"))) << out;
  // The version-6 common controls of the side-by-side store, not the system folder's (Wine's list
  // view answers CCM_GETVERSION with 5 either way, so the loaded file is what tells).
  EXPECT_TRUE(std::regex_search(
      out, std::regex(R"(Loaded L"[^"]*microsoft\.windows\.common-controls_\w+_6\.0\.[^"]*\\comctl32\.dll")",
                      std::regex::icase)))
      << out;
  EXPECT_EQ(report["setup_exit"], "1") << out;
}

struct SystemCase {
  std::string version;
  std::string assocForAllUsersVisible;
  std::string iniInProgramFolder;
  bool registryBoxEnabled = true;
  std::string extraRegistry;
  std::string name;
};

// Wine has no Windows 11 setting: Windows 10 with the build number Windows 11 starts at, in both
// registry views, whichever one a 32-bit setup's version query reads.
const std::string kWindows11Build =
    "[HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentBuild\"=\"22000\"\r\n\"CurrentBuildNumber\"=\"22000\"\r\n\r\n"
    "[HKEY_LOCAL_MACHINE\\Software\\Wow6432Node\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
    "\"CurrentBuild\"=\"22000\"\r\n\"CurrentBuildNumber\"=\"22000\"\r\n";

class WizardPagesPerSystemTest : public ::testing::TestWithParam<SystemCase> {};

// Windows 11, 7 and XP: the INI preset, "For all users (XP)" and the registry box follow the
// system; leaving from the Ready page installs nothing.
TEST_P(WizardPagesPerSystemTest, WalkShowsTheSystemsPresets) {
  const SystemCase& system = GetParam();
  WizardPages setup(system.version, system.extraRegistry);
  if (!system.extraRegistry.empty()) {
    ASSERT_NE(setup.prefix.Run(ToolExe("probe-report")).output.find("os_class=11"), std::string::npos);
  }
  auto report = setup.Drive("exit", system.name);
  ExpectCommonWalk(report, setup.output, system.registryBoxEnabled);
  EXPECT_EQ(report["assoc_1037_visible"], system.assocForAllUsersVisible);
  EXPECT_EQ(report["ready_checked_1038"], system.iniInProgramFolder);
  EXPECT_EQ(report["ready_checked_1039"], system.iniInProgramFolder == "1" ? "0" : "1");
  EXPECT_EQ(report["closed"], "1") << setup.output;
  EXPECT_EQ(report["setup_exit"], "1") << setup.output;
  EXPECT_EQ(setup.screenshots.size(), system.registryBoxEnabled ? 5u : 4u);
  EXPECT_FALSE(setup.prefix.Registry().HasKey("HKLM", kUninstallKey));
}

INSTANTIATE_TEST_SUITE_P(Systems, WizardPagesPerSystemTest,
                         ::testing::Values(SystemCase{"win10", "0", "0", false, kWindows11Build, "win11"},
                                           SystemCase{"win7", "0", "0", true, "", "win7"},
                                           SystemCase{"winxp64", "1", "1", true, "", "winxp64"}),
                         [](const auto& param) { return param.param.name; });

// A destination on a missing drive passes the Welcome page (it names a drive) but fails the
// installation: its message, then the Welcome page with Back disabled and the folder kept.
TEST(WizardPagesTest, FailingDestinationReturnsToWelcome) {
  WizardPages setup("win10");
  auto report = setup.Drive("fail", "fail", "Q:\\Apps\\Lanternix");
  const std::string& out = setup.output;
  ASSERT_EQ(report["ready_page"], "109") << out;
  EXPECT_EQ(report["ready_destination"], "Destination directory: Q:\\Apps\\Lanternix");
  EXPECT_EQ(report["next_boxes"], "1") << out;
  EXPECT_EQ(MessageText(report["next_box1"]), kCannotCreateDestinationMessage);
  ASSERT_EQ(report["after_next_page"], "101") << out;
  EXPECT_EQ(report["welcome_again_back_enabled"], "0");
  EXPECT_EQ(report["welcome_again_next_enabled"], "1");
  EXPECT_EQ(report["welcome_again_cancel_enabled"], "1");
  EXPECT_EQ(report["welcome_again_folder"], "Q:\\Apps\\Lanternix");
  EXPECT_EQ(report["after_next_installing_visible"], "1");
  EXPECT_EQ(report["setup_exit"], "1") << out;
  EXPECT_FALSE(setup.prefix.Registry().HasKey("HKLM", kUninstallKey));
}

// A viewer window: the Welcome page warns as it comes up, and the Ready page's Next refuses
// with the same message every time, installing nothing.
TEST(WizardPagesTest, RunningViewerBlocksTheReadyPage) {
  WizardPages setup("win10");
  setup.prefix.Start(PayloadFile("l_tern32.exe"));
  ASSERT_NE(setup.prefix.Run(ToolExe("probe-report"), {"window", "Lanternix", "20"}).output.find("window=1"),
            std::string::npos);
  auto report = setup.Drive("blocked", "blocked");
  const std::string& out = setup.output;
  EXPECT_EQ(MessageText(report["early_box"]), kViewerRunningMessage) << out;
  EXPECT_EQ(report["early_box_caption"], "Lanternix 32-bit Setup") << out;
  ASSERT_EQ(report["ready_page"], "109") << out;
  EXPECT_EQ(report["next_boxes"], "1") << out;
  EXPECT_EQ(MessageText(report["next_box1"]), kViewerRunningMessage);
  EXPECT_EQ(report["after_next_page"], "109");
  EXPECT_EQ(report["after_next_installing_visible"], "0");
  EXPECT_EQ(report["after_next_next_enabled"], "1");
  EXPECT_EQ(report["setup_exit"], "1") << out;
  EXPECT_FALSE(setup.Exists(ProgramFilesFolder() + "\\Lanternix\\l_tern32.exe"));
}

// "&Uncheck all" disables the radio buttons and keeps their states; a shortcut box enables them
// again. The folder picker opens on the folder typed and its choice gets "Lanternix\" unless the
// last folder already is one; a drive root gets it too.
TEST(WizardPagesTest, WelcomeControlsAndFolderPicker) {
  WizardPages setup("win10");
  fs::create_directories(setup.prefix.HostPath("C:\\Tools\\LANTERNIX"));
  auto report = setup.DriveWith(
      {kSetup, "welcome", "pick", kCheckpoints, "C:\\Tools", "C:\\Tools\\LANTERNIX\\", "C:\\"}, "welcome");
  const std::string& out = setup.output;
  ASSERT_EQ(report["sheet_found"], "1") << out;
  for (const std::string id : {"1011", "1021", "1012"}) EXPECT_EQ(report["unchecked_" + id], "1") << id;
  EXPECT_EQ(report["after_uncheck_enabled_1016"], "0");
  EXPECT_EQ(report["after_uncheck_enabled_1017"], "0");
  EXPECT_EQ(report["after_uncheck_checked_1016"], "0");
  EXPECT_EQ(report["after_uncheck_checked_1017"], "1");
  EXPECT_EQ(report["after_box_enabled_1016"], "1");
  EXPECT_EQ(report["after_box_enabled_1017"], "1");
  for (const std::string n : {"1", "2", "3"}) ASSERT_EQ(report["browse" + n + "_opened"], "1") << n << out;
  EXPECT_EQ(report["browse1_folder"], "C:\\Tools\\Lanternix\\");
  EXPECT_EQ(report["browse2_folder"], "C:\\Tools\\LANTERNIX\\");
  EXPECT_EQ(report["browse3_folder"], "C:\\Lanternix\\");
  EXPECT_EQ(report["setup_exit"], "1") << out;
}

}  // namespace
}  // namespace lanternix::e2e
