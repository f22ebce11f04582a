// The wizard sheet under Wine, operated by the wizard-driver tool through window messages: its
// title and Exit button, the "Exit setup?" question on every way of leaving early, and leaving
// the Finished page without a question. Screenshots of each checkpoint are kept under
// <work folder>/screenshots.
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <map>
#include <set>
#include <thread>

#include "tests/wine/wine_harness.h"
#include "tests/wine/wizard_report.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
constexpr const char* kCheckpoints = "C:\\checkpoints";
const std::string kProgramFolder = ProgramFilesFolder() + "\\Lanternix";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";

// A prefix with the setup on drive C: and a virtual desktop, so Wine draws the sheet's frame and
// title bar itself and the screenshots show them (Xvfb has no window manager).
class WizardSheet {
 public:
  WizardSheet() : prefix("win10") {
    fs::create_directories(prefix.HostPath("C:\\setup"));
    fs::copy_file(SetupExe(), prefix.HostPath(kSetup));
    prefix.ImportRegistry(kVirtualDesktopRegistry);
    prefix.Stop();
  }

  // Runs the driver; at each checkpoint it reaches, a screenshot named <name>-<checkpoint>.png.
  std::map<std::string, std::string> Drive(const std::string& scenario, const std::string& way,
                                           const std::string& name) {
    const CheckpointRun run = RunWithCheckpoints(prefix, ToolExe("wizard-driver"),
                                                 {kSetup, scenario, way, kCheckpoints}, kCheckpoints, name);
    screenshots = run.checkpoints;
    const RunResult& result = run.result;
    output = result.output;
    return ParseToolReport(result.output);
  }

  bool Installed() {
    return fs::exists(prefix.HostPath(kProgramFolder)) || prefix.Registry().HasKey("HKLM", kUninstallKey);
  }

  WinePrefix prefix;
  std::vector<std::string> screenshots;
  std::string output;
};

class LeaveEarlyTest : public ::testing::TestWithParam<std::string> {};

// Every way of leaving before the Finished page asks; No keeps the sheet on its page; Yes by
// the way under test closes it, nothing installed, exit status 1.
TEST_P(LeaveEarlyTest, AsksNoStaysYesCloses) {
  WizardSheet sheet;
  auto report = sheet.Drive("leave", GetParam(), "leave-" + GetParam());
  const std::string& out = sheet.output;

  ASSERT_EQ(report["sheet_found"], "1") << out;
  EXPECT_EQ(report["title"], "Lanternix 32-bit Setup");
  EXPECT_EQ(report["cancel_text"], "&Exit");
  EXPECT_EQ(report["start_page"], "101");
  EXPECT_EQ(report["sheet_visible"], "1");
  ASSERT_EQ(report["after_next"], "108") << out;
  // Wine's comctl32 retitles a wizard with each page's caption; the title stays.
  EXPECT_EQ(report["title_after_next"], "Lanternix 32-bit Setup");

  for (const std::string way : {"escape", "exit-button", "close"}) {
    SCOPED_TRACE(way);
    ASSERT_EQ(report[way + "_asked"], "1") << out;
    EXPECT_EQ(MessageText(report[way + "_question"]), "Exit setup?");
    EXPECT_EQ(report[way + "_question_caption"], "Lanternix 32-bit Setup");
    EXPECT_EQ(report[way + "_question_buttons"], "yes,no");
    EXPECT_EQ(report[way + "_question_default"], "7");  // IDNO
    EXPECT_EQ(report[way + "_answered"], "1");
    EXPECT_EQ(report[way + "_after_no_open"], "1");
    EXPECT_EQ(report[way + "_after_no_page"], "108");
  }

  EXPECT_EQ(report["final_asked"], "1") << out;
  EXPECT_EQ(report["closed_after_yes"], "1") << out;
  EXPECT_EQ(report["setup_exit"], "1") << out;
  EXPECT_FALSE(sheet.Installed());
  EXPECT_EQ(sheet.screenshots.size(), 3u) << out;
}

INSTANTIATE_TEST_SUITE_P(Ways, LeaveEarlyTest, ::testing::Values("escape", "exit-button", "close"),
                         [](const auto& param) {
                           std::string name = param.param;
                           std::erase(name, '-');
                           return name;
                         });

// On the Finished page the Done button and the close command leave without a question; with
// both boxes cleared nothing is opened or started.
TEST(WizardSheetTest, FinishedPageLeavesWithoutAsking) {
  WizardSheet sheet;
  for (const std::string way : {"exit-button", "close"}) {
    SCOPED_TRACE(way);
    auto report = sheet.Drive("finish", way, "finish-" + way);
    ASSERT_EQ(report["sheet_found"], "1") << sheet.output;
    ASSERT_EQ(report["finished_page"], "110") << sheet.output;
    EXPECT_EQ(report["finished_title"], "Lanternix 32-bit Setup");
    EXPECT_EQ(report["finished_asked"], "0") << sheet.output;
    EXPECT_EQ(report["closed"], "1") << sheet.output;
    EXPECT_EQ(report["setup_exit"], "1") << sheet.output;
  }
  EXPECT_FALSE(sheet.Installed());
}

}  // namespace
}  // namespace lanternix::e2e
