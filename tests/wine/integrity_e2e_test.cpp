// A damaged download under Wine: a copy of the setup with one byte of its embedded archive
// changed is refused before anything happens, silently and in the wizard.
#include <gtest/gtest.h>

#include <fstream>
#include <regex>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
const std::string kProgramFolder = ProgramFilesFolder() + "\\Lanternix";
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
const std::string kDamaged = "This setup file is damaged. Please download it again.";

void WriteFileBytes(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Where in the archive the damage goes.
enum class Place { FirstEntryData, SecondLocalHeader, CentralDirectory };

// Past a signature found in the archive; npos when it is not there.
std::size_t After(const std::string& archive, const char* signature, std::size_t from, std::size_t skip) {
  const std::size_t at = archive.find(signature, from);
  return at == std::string::npos ? at : at + skip;
}

std::size_t OffsetIn(const std::string& archive, Place place) {
  switch (place) {
    // The first entry, "l_tern32.exe", has its deflated data after a 30-byte header and its name.
    case Place::FirstEntryData: return 30 + 12 + 100;
    // The second entry's stored time.
    case Place::SecondLocalHeader: return After(archive, "PK\x03\x04", 4, 10);
    // The first central directory record's CRC-32.
    case Place::CentralDirectory: return After(archive, "PK\x01\x02", 0, 16);
  }
  return std::string::npos;
}

// The built setup with one byte inside its "ZIP" resource changed: the archive the build packed
// is found in the executable and one of its bytes flipped.
std::string DamagedSetupBytes(Place place) {
  std::string exe = ReadFileBytes(SetupExe());
  const std::string archive = ReadFileBytes(PayloadFile("payload.zip"));
  if (archive.empty()) throw std::runtime_error("payload.zip of the setup's build not found");
  const std::size_t start = exe.find(archive);
  const std::size_t offset = OffsetIn(archive, place);
  if (start == std::string::npos || offset >= archive.size())
    throw std::runtime_error("the archive is not embedded as it was packed");
  exe[start + offset] = static_cast<char>(exe[start + offset] ^ 0x01);
  return exe;
}

// What must stay untouched when a setup refuses to run.
void ExpectNothingInstalled(WinePrefix& prefix) {
  EXPECT_FALSE(fs::exists(prefix.HostPath(kProgramFolder)));
  EXPECT_FALSE(fs::exists(prefix.HostPath("C:\\Apps")));
  for (const auto& entry : fs::directory_iterator(prefix.HostPath("C:\\users\\root\\Desktop")))
    ADD_FAILURE() << "unexpected desktop entry " << entry.path();
  const RegistrySnapshot registry = prefix.Registry();
  EXPECT_FALSE(registry.HasKey("HKLM", kUninstallKey));
  EXPECT_FALSE(registry.HasKey("HKLM", "SOFTWARE\\Classes\\Lanternix"));
  EXPECT_FALSE(registry.HasKey("HKLM", "SOFTWARE\\Classes\\Lanternix.jpg"));
}

class DamagedSetupTest : public ::testing::TestWithParam<Place> {
 protected:
  void SetUp() override {
    fs::create_directories(prefix.HostPath("C:\\setup"));
    WriteFileBytes(prefix.HostPath(kSetup), DamagedSetupBytes(GetParam()));
  }
  WinePrefix prefix{"win10"};
};

TEST_P(DamagedSetupTest, SilentRunLogsAndCreatesNothing) {
  const RunResult result = prefix.RunCommandLine(
      std::string("\"") + kSetup + "\" /silent /folder=C:\\Apps\\Lanternix /desktop=1 /group=1 /assoc=2",
      "C:\\setup");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  const std::string log = ReadFileBytes(prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  static const std::regex entry(R"([^\r\n]* - \d\d:\d\d:\d\d: ([^\r\n]*)\r\n-{48}\r\n)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(log, match, entry)) << log;
  EXPECT_EQ(match[1].str(), kDamaged);
  EXPECT_FALSE(fs::exists(prefix.HostPath("C:\\Apps\\Lanternix\\Lanternix_Install.log")));
  ExpectNothingInstalled(prefix);
}

TEST_P(DamagedSetupTest, WizardShowsTheErrorAndNoPage) {
  const RunResult result = prefix.Run(ToolExe("wizard-driver"), {kSetup, "refused", "error-box"});
  auto report = ParseToolReport(result.output);
  EXPECT_EQ(report.count("error"), 0u) << result.output;
  EXPECT_EQ(report["early_box"], kDamaged) << result.output;
  EXPECT_EQ(report["early_box_caption"], "Lanternix 32-bit Setup");
  EXPECT_EQ(report["sheet_found"], "0");
  EXPECT_EQ(report["setup_exit"], "1");
  ExpectNothingInstalled(prefix);
}

std::string PlaceName(const ::testing::TestParamInfo<Place>& info) {
  switch (info.param) {
    case Place::FirstEntryData: return "FirstEntryData";
    case Place::SecondLocalHeader: return "SecondLocalHeader";
    case Place::CentralDirectory: return "CentralDirectory";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Places, DamagedSetupTest,
                         ::testing::Values(Place::FirstEntryData, Place::SecondLocalHeader,
                                           Place::CentralDirectory),
                         PlaceName);

}  // namespace
}  // namespace lanternix::e2e
