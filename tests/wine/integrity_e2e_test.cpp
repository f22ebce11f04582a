// A damaged download under Wine: a copy of the setup with one byte changed anywhere it ships
// (code, string table, dialog, version, payload, the check record) is refused before anything
// happens, silently and in the wizard; a signed copy installs, and refuses once damaged.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <sstream>

#include "install/payload_integrity.h"
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

// What a host command prints on standard output.
std::string CommandOutput(const std::string& command) {
  std::string output;
  if (FILE* pipe = popen(command.c_str(), "r")) {
    char buffer[4096];
    for (std::size_t got; (got = fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
    pclose(pipe);
  }
  return output;
}

// Where the damage goes.
enum class Place { StringTable, DialogTemplate, VersionResource, WizardCode, Payload, CheckRecord };

std::string Utf16(std::string_view text) {
  std::string wide;
  for (const char c : text) wide += {c, '\0'};
  return wide;
}

// The file offset of the wizard's Next handler, which runs only once a page is shown: its
// address from the symbols of the debug file beside the exe, placed through the exe's section
// table as objdump reads it.
std::size_t WizardCodeOffset(const fs::path& exe) {
  const std::string symbols = CommandOutput("x86_64-w64-mingw32-nm -C '" + exe.string() + ".debug'");
  static const std::regex handler(R"(([0-9a-f]+) T lanternix::wizard::CWizPropertyPage::OnWizardNext\(\))");
  std::smatch symbol;
  if (!std::regex_search(symbols, symbol, handler)) throw std::runtime_error("no OnWizardNext symbol");
  const std::string sections = CommandOutput("x86_64-w64-mingw32-objdump -h '" + exe.string() + "'");
  static const std::regex text(R"(\.text\s+([0-9a-f]+)\s+([0-9a-f]+)\s+[0-9a-f]+\s+([0-9a-f]+))");
  std::smatch section;
  if (!std::regex_search(sections, section, text)) throw std::runtime_error("no .text section");
  const auto hex = [](const std::string& digits) { return std::stoull(digits, nullptr, 16); };
  return hex(symbol[1]) - hex(section[2]) + hex(section[3]) + 4;
}

std::size_t OffsetIn(const std::string& exe, Place place) {
  switch (place) {
    // String 3, "Exit setup?", and the Welcome page's heading: UTF-16 text in their resources.
    case Place::StringTable: return exe.find(Utf16("Exit setup?")) + 2;
    case Place::DialogTemplate: return exe.find(Utf16("Welcome to Lanternix")) + 4;
    case Place::VersionResource: return exe.find(Utf16("OriginalFilename")) + 6;
    case Place::WizardCode: return WizardCodeOffset(SetupExe());
    case Place::Payload: {
      // The first entry's deflated data, 100 bytes in.
      const std::string archive = ReadFileBytes(PayloadFile("payload.zip"));
      const std::size_t start = archive.empty() ? std::string::npos : exe.find(archive);
      return start == std::string::npos ? start : start + 30 + 12 + 100;
    }
    case Place::CheckRecord: {
      const auto layout =
          ReadSetupImageLayout(std::span(reinterpret_cast<const std::uint8_t*>(exe.data()), exe.size()));
      return layout ? layout->recordOffset + 2 : std::string::npos;
    }
  }
  return std::string::npos;
}

// The setup's bytes with one byte at the place flipped.
std::string Damaged(std::string exe, std::size_t at) {
  if (at >= exe.size()) throw std::runtime_error("the place to damage is not in the setup");
  exe[at] = static_cast<char>(exe[at] ^ 0x01);
  return exe;
}

std::string DamagedSetupBytes(Place place) {
  const std::string exe = ReadFileBytes(SetupExe());
  return Damaged(exe, OffsetIn(exe, place));
}

void ExpectDamageLogged(WinePrefix& prefix) {
  const std::string log = ReadFileBytes(prefix.HostPath("C:\\setup\\Lanternix_Install.log"));
  static const std::regex entry(R"([^\r\n]* - \d\d:\d\d:\d\d: ([^\r\n]*)\r\n-{48}\r\n)");
  std::smatch match;
  ASSERT_TRUE(std::regex_match(log, match, entry)) << log;
  EXPECT_EQ(match[1].str(), kDamaged);
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
  ExpectDamageLogged(prefix);
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
    case Place::StringTable: return "StringTable";
    case Place::DialogTemplate: return "DialogTemplate";
    case Place::VersionResource: return "VersionResource";
    case Place::WizardCode: return "WizardCode";
    case Place::Payload: return "Payload";
    case Place::CheckRecord: return "CheckRecord";
  }
  return "Unknown";
}

INSTANTIATE_TEST_SUITE_P(Places, DamagedSetupTest,
                         ::testing::Values(Place::StringTable, Place::DialogTemplate, Place::VersionResource,
                                           Place::WizardCode, Place::Payload, Place::CheckRecord),
                         PlaceName);

// A cut-off download that still holds every section passes Windows' loader; the check refuses it.
TEST(CutOffSetupTest, SilentRunRefusesASetupMissingItsLastBytes) {
  WinePrefix prefix{"win10"};
  fs::create_directories(prefix.HostPath("C:\\setup"));
  const std::string exe = ReadFileBytes(SetupExe());
  WriteFileBytes(prefix.HostPath(kSetup), exe.substr(0, exe.size() - 1));
  const RunResult result = prefix.RunCommandLine(std::string("\"") + kSetup + "\" /silent", "C:\\setup");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  ExpectDamageLogged(prefix);
  ExpectNothingInstalled(prefix);
}

}  // namespace
}  // namespace lanternix::e2e
