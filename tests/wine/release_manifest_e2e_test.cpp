// The released setup driven the way a package manager drives it: with the switches its manifest
// names, recognised afterwards by the uninstall entry the manifest describes, and removed with
// the command that entry gives.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
constexpr const char* kUninstallParent = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";
// The folder a deployment chooses, with a space in it as a real one often has.
constexpr const char* kDeployFolder = "C:\\Deployed Apps\\Lanternix";
// The Start-menu group the manifest's custom switches ask for: all users', not the installing one's.
constexpr const char* kCommonGroup = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix";
constexpr const char* kUserGroup =
    "C:\\users\\root\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix";

fs::path ReleaseFolder() {
  return fs::path(LANTERNIX_BUILDS_DIR) / "release";
}

// A double-quoted YAML scalar without its quotes and escapes; a plain one as it stands.
std::string Unquote(const std::string& text) {
  if (text.empty() || text.front() != '"') return text;
  std::string value;
  for (std::size_t i = 1; i < text.size() && text[i] != '"'; ++i) {
    if (text[i] == '\\' && i + 1 < text.size()) ++i;
    value.push_back(text[i]);
  }
  return value;
}

// The block-style YAML of the release manifest as "Parent.Key" -> value, list items numbered as
// "Parent[0].Key" (a plain list's items as "Parent[0]"). Read independently of the program that
// writes it; the schema check in scripts/test proves that a real YAML reader agrees.
std::map<std::string, std::string> ReadManifest(const fs::path& path) {
  std::map<std::string, std::string> values;
  std::vector<std::pair<std::size_t, std::string>> open;  // indentation and path of enclosing nodes
  std::map<std::string, int> itemCounts;
  std::istringstream lines(ReadFileBytes(path));
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    std::size_t indent = line.find_first_not_of(' ');
    if (indent == std::string::npos || line[indent] == '#') continue;
    while (!open.empty() && open.back().first >= indent) open.pop_back();
    std::string parent = open.empty() ? "" : open.back().second;
    std::string content = line.substr(indent);
    if (content.starts_with("- ")) {
      const std::string item = parent + "[" + std::to_string(itemCounts[parent]++) + "]";
      open.emplace_back(indent, item);
      parent = item;
      indent += 2;
      content = content.substr(2);
      if (content.find(": ") == std::string::npos && !content.ends_with(":")) {
        values[item] = Unquote(content);
        continue;
      }
    }
    const std::size_t colon = content.find(':');
    const std::string key = (parent.empty() ? "" : parent + ".") + content.substr(0, colon);
    const std::string value = colon + 1 < content.size() ? content.substr(colon + 2) : "";
    if (value.empty())
      open.emplace_back(indent, key);
    else
      values[key] = Unquote(value);
  }
  return values;
}

std::string Replaced(std::string text, const std::string& token, const std::string& replacement) {
  const std::size_t at = text.find(token);
  return at == std::string::npos ? text : text.replace(at, token.size(), replacement);
}

TEST(ReleaseManifestTest,
     ThePackageManagersSwitchesInstallWithTheGroupAndTheEntryMatchesUntilTheQuietUninstall) {
  // The release is the 32-bit product; a machine that cannot run it has only the twin to test.
  if (!RunsUnderWow64()) GTEST_SKIP() << "NOT THE PRODUCT: the released 32-bit setup cannot run here";
  const fs::path installerManifest = ReleaseFolder() / "QuillonVarsk.Lanternix.installer.yaml";
  ASSERT_TRUE(fs::exists(installerManifest)) << installerManifest << " is missing: run scripts/release";
  const auto manifest = ReadManifest(installerManifest);
  const auto locale = ReadManifest(ReleaseFolder() / "QuillonVarsk.Lanternix.locale.en-US.yaml");
  const auto read = [](const std::map<std::string, std::string>& values, const std::string& name) {
    const auto found = values.find(name);
    return found == values.end() ? "<no " + name + ">" : found->second;
  };
  const auto field = [&](const std::string& name) { return read(manifest, name); };
  EXPECT_EQ(field("Installers[0].Architecture"), "x86");

  WinePrefix prefix("win10");
  fs::create_directories(prefix.HostPath("C:\\setup"));
  fs::copy_file(ReleaseFolder() / "lanternix-setup.exe", prefix.HostPath(kSetup));
  // The package manager's order: the mode's switch, the custom switches, the location last.
  const std::string command =
      std::string("\"") + kSetup + "\" " + field("InstallerSwitches.SilentWithProgress") + " " +
      field("InstallerSwitches.Custom") + " " +
      Replaced(field("InstallerSwitches.InstallLocation"), "<INSTALLPATH>", kDeployFolder);
  const RunResult installed = prefix.RunCommandLine(command);
  ASSERT_EQ(installed.exitCode, 0) << command << "\n" << installed.output;
  EXPECT_TRUE(fs::exists(prefix.HostPath(std::string(kDeployFolder) + "\\l_tern32.exe")));
  EXPECT_TRUE(fs::exists(prefix.HostPath(std::string(kCommonGroup) + "\\Lanternix 4.65.lnk"))) << command;
  EXPECT_FALSE(fs::exists(prefix.HostPath(kUserGroup)));

  // The programs list entry, found under the manifest's product code, value for value.
  const std::string entryKey = kUninstallParent + field("ProductCode");
  EXPECT_EQ(field("AppsAndFeaturesEntries[0].ProductCode"), field("ProductCode"));
  const RegistrySnapshot registry = prefix.Registry();
  ASSERT_TRUE(registry.HasKey("HKLM", entryKey)) << entryKey;
  // Fields the entry leaves out are the package's own.
  EXPECT_EQ(registry.String("HKLM", entryKey, "DisplayName"), field("AppsAndFeaturesEntries[0].DisplayName"));
  EXPECT_FALSE(manifest.contains("AppsAndFeaturesEntries[0].Publisher"));
  EXPECT_EQ(registry.String("HKLM", entryKey, "Publisher"), read(locale, "Publisher"));
  EXPECT_FALSE(manifest.contains("AppsAndFeaturesEntries[0].DisplayVersion"));
  EXPECT_EQ(registry.String("HKLM", entryKey, "DisplayVersion"), field("PackageVersion"));
  EXPECT_EQ(registry.String("HKLM", entryKey, "InstallLocation"), std::string(kDeployFolder) + "\\");
  const std::optional<std::string> quietUninstall = registry.String("HKLM", entryKey, "QuietUninstallString");
  ASSERT_TRUE(quietUninstall.has_value());

  // A running viewer: the status the setup gives must be one the manifest lists, with its response.
  prefix.Start(prefix.HostPath(std::string(kDeployFolder) + "\\l_tern32.exe"));
  ASSERT_NE(prefix.Run(ToolExe("probe-report"), {"window", "Lanternix", "20"}).output.find("window=1"),
            std::string::npos);
  const int refused = prefix.RunCommandLine(command).exitCode;
  EXPECT_NE(refused, 0);
  std::string response = "<status " + std::to_string(refused) + " not in the manifest>";
  for (int i = 0; manifest.contains("ExpectedReturnCodes[" + std::to_string(i) + "].InstallerReturnCode");
       ++i) {
    const std::string item = "ExpectedReturnCodes[" + std::to_string(i) + "]";
    if (field(item + ".InstallerReturnCode") == std::to_string(refused))
      response = field(item + ".ReturnResponse");
  }
  EXPECT_EQ(response, "packageInUseByApplication");
  prefix.Stop();

  const RunResult removed = prefix.RunCommandLine(*quietUninstall);
  EXPECT_EQ(removed.exitCode, 0) << *quietUninstall << "\n" << removed.output;
  EXPECT_FALSE(prefix.Registry().HasKey("HKLM", entryKey));
  EXPECT_FALSE(fs::exists(prefix.HostPath(kCommonGroup)));
}

}  // namespace
}  // namespace lanternix::e2e
