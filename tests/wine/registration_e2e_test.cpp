// The registration run by the product's engine in fresh prefixes: after it, the prefix's registry
// holds exactly the keys and values the registration is meant to write, where the product writes
// them, and nothing else changed in it.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "model/format_catalogue.h"
#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::tolower(ch)); });
  return out;
}

std::string Upper(std::string_view text) {
  std::string out(text);
  std::transform(out.begin(), out.end(), out.begin(),
                 [](unsigned char ch) { return static_cast<char>(std::toupper(ch)); });
  return out;
}

std::string Narrow(std::wstring_view text) {
  return std::string(text.begin(), text.end());
}

// "root\path" of the key the program names, where the product physically writes it, as the
// snapshots list keys; HKCR is the machine's classes.
std::string KeyId(std::string_view root, std::string_view path) {
  return Lower(root) == "hkcr" ? Lower("hklm\\SOFTWARE\\Classes\\" + std::string(path))
                               : Lower(std::string(root) + "\\" + KeyAsWritten(root, path));
}

struct ExpectedRegistry {
  std::map<std::string, std::map<std::string, RegValue>> keys;  // KeyId -> lower-cased name -> value

  void Sz(std::string_view root, std::string_view path, std::string_view name, std::string text) {
    keys[KeyId(root, path)][Lower(name)] = RegValue{"sz", std::move(text)};
  }
  void Dword(std::string_view root, std::string_view path, std::string_view name, std::uint32_t value) {
    char text[9];
    std::snprintf(text, sizeof text, "%08x", value);
    keys[KeyId(root, path)][Lower(name)] = RegValue{"dword", text};
  }
  void Key(std::string_view root, std::string_view path) { keys[KeyId(root, path)]; }
  // The key or one of the keys below it is expected, so creating it on the way is expected too.
  bool CoversKey(const std::string& id) const {
    const auto found = keys.lower_bound(id);
    return found != keys.end() && (found->first == id || found->first.starts_with(id + "\\"));
  }
};

struct Scenario {
  std::string folder;         // as passed, untrimmed
  std::string installFolder;  // trimmed, with its final "\"
  int confirmed = 1;          // 0: the association question was answered No
  int changeAssociations = 1;
  int thumbnails = 0;
  AssociationSelection selection{};
  std::string selectionArgument = "none";
  int associateForAllUsers = 0;
  bool xp = false;
  bool windows10 = false;
  // Vista and 7 only: from Windows 8 on a UserChoice key the setup wrote would be discarded.
  bool userChoice = false;
};

const char* const kFileExts = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";

ExpectedRegistry Expect(const Scenario& s, bool hasRegisteredApplications) {
  const bool vista = !s.xp;
  const std::string exe = s.installFolder + "l_tern32.exe";
  const std::string open = "\"" + exe + "\" \"%1\"";
  ExpectedRegistry e;
  if (s.thumbnails && vista) {
    for (const std::string parent : {"Directory", "Drive"}) {
      const std::string verb = "SOFTWARE\\Classes\\" + parent + "\\shell\\Browse with &Lanternix";
      e.Sz("HKLM", verb, "", "Browse with &Lanternix");
      e.Sz("HKLM", verb + "\\command", "", "\"" + exe + "\" \"%1\" /thumbs");
    }
  }
  e.Sz("HKLM", "SOFTWARE\\Classes\\Lanternix", "", "Lanternix");
  e.Sz("HKLM", "SOFTWARE\\Classes\\Lanternix\\shell\\open\\command", "", open);
  e.Sz("HKCR", "Applications\\l_tern32.exe\\shell\\open\\command", "", open);
  e.Sz("HKCR", "Applications\\l_tern32.exe", "FriendlyAppName", "Lanternix 32-bit");
  const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
  e.Sz("HKLM", uninstall, "", "");
  e.Sz("HKLM", uninstall, "DisplayName", "Lanternix 4.65 (32-bit)");
  e.Sz("HKLM", uninstall, "UninstallString", "\"" + s.installFolder + "lt_uninstall.exe\"");
  e.Sz("HKLM", uninstall, "Publisher", "Quillon Varsk");
  e.Sz("HKLM", uninstall, "InstallLocation", s.installFolder);
  e.Sz("HKLM", uninstall, "DisplayVersion", "4.65");
  e.Sz("HKLM", uninstall, "DisplayIcon", exe + ",0");
  e.Dword("HKLM", uninstall, "VersionMajor", 4);
  e.Dword("HKLM", uninstall, "VersionMinor", 65);
  e.Dword("HKLM", uninstall, "EstimatedSize", 6144);
  e.Sz("HKLM", uninstall, "QuietUninstallString", "\"" + s.installFolder + "lt_uninstall.exe\" /silent");
  if (vista) {
    e.Sz("HKLM", "SOFTWARE\\Lanternix\\shell\\open\\command", "", "\"" + exe + "\"");
    e.Sz("HKLM", "SOFTWARE\\Lanternix\\Capabilities", "ApplicationDescription",
         "Picture viewer, editor and converter - one of the most popular viewers worldwide");
    e.Key("HKLM", "SOFTWARE\\Lanternix\\Capabilities\\FileAssociations");
    if (hasRegisteredApplications)
      e.Sz("HKLM", "SOFTWARE\\RegisteredApplications", "Lanternix", "SOFTWARE\\Lanternix\\Capabilities");
  }

  for (std::size_t r = 0; r < FormatCatalogue.size(); ++r) {
    // A declined question counts every row as unselected.
    const bool selected = s.confirmed && s.selection[r] != 0;
    if (!vista && !selected) continue;
    const std::string icon = r == 0 || r == 5 || r == 19 ? "%1"
                             : r <= 50                   ? exe + ",0"
                             : r <= 55                   ? exe + ",9"
                                                         : exe + ",8";
    for (const FormatExtension& pair : FormatCatalogue[r].Extensions()) {
      const std::string extension = Narrow(pair.extension), stem = Narrow(pair.progIdStem);
      const std::string progId = "Lanternix." + stem;
      const std::string classKey = "SOFTWARE\\Classes\\" + progId;
      e.Sz("HKLM", classKey, "", "Lanternix " + Upper(stem) + " File");
      e.Sz("HKLM", classKey + "\\shell\\open\\command", "", open);
      e.Sz("HKLM", classKey + "\\DefaultIcon", "", icon);
      const bool forced = s.confirmed && (extension == "jpg" || extension == "png" || extension == "tif");
      if (s.xp) {
        e.Sz("HKCU", kFileExts + extension, "", "");
        e.Sz("HKCU", kFileExts + extension, "ProgID", progId);
        if (s.associateForAllUsers) e.Sz("HKLM", "SOFTWARE\\Classes\\." + extension, "", progId);
      } else {
        if (selected || forced) e.Sz("HKLM", "SOFTWARE\\Classes\\." + extension, "", progId);
        e.Sz("HKLM", "SOFTWARE\\Lanternix\\Capabilities\\FileAssociations", "." + extension, progId);
        if (selected && s.userChoice) e.Sz("HKCU", kFileExts + extension + "\\UserChoice", "Progid", progId);
      }
    }
  }
  if (s.windows10 && s.changeAssociations && s.confirmed) {
    for (const char* app : {"AppXvhc4p7vz4b485xfp46hhk3fq3grkdgjg", "AppXk0g4vb8gvt7b93tg50ybcy892pge6jmt",
                            "AppX43hnxtbyyps62jhe9sqpdzxn1790zetc", "AppX9rkaq77s0jzh1tyccadx9ghba15r6t3h",
                            "AppX6eg8h5sxqq90pv53845wmnbewywdqq5h"}) {
      e.Sz("HKCU", std::string("SOFTWARE\\Classes\\") + app, "NoOpenWith", "");
      // Recorded as the setup's own, for the uninstaller.
      e.Sz("HKCU", "SOFTWARE\\Lanternix\\AddedNoOpenWith", app, "");
    }
  }
  return e;
}

std::vector<std::string> AllKeys(const RegistrySnapshot& snapshot) {
  std::vector<std::string> ids;
  for (const char* root : {"hklm", "hkcu"})
    for (const std::string& path : snapshot.SubKeys(root, "")) ids.push_back(std::string(root) + "\\" + path);
  return ids;
}

std::pair<std::string, std::string> SplitId(const std::string& id) {
  return {id.substr(0, 4), id.substr(5)};
}

// Wine's display driver rewrites its own data in the video device class whenever a program
// starts; that says nothing about the registration.
bool IsWineBookkeeping(const std::string& id) {
  return id.starts_with("hklm\\system\\currentcontrolset\\control\\class\\");
}

// The setup records each key it had to create outside its own, for the uninstaller; a record is
// expected only for a key the snapshot before did not hold (Wine's registry files leave out keys
// that hold nothing but subkeys, so "exists now" can't be asked of every recorded key).
void ExpectCreatedKeyRecords(const RegistrySnapshot& before, const RegistrySnapshot& after,
                             ExpectedRegistry& expected) {
  const std::string records = "SOFTWARE\\Lanternix\\CreatedKeys";
  for (const char* root : {"HKLM", "HKCU"})
    for (const std::string& key : after.ValueNames(root, records))
      if (!before.HasKey(root, key)) expected.Sz(root, records, key, "");
}

void ExpectExactly(const RegistrySnapshot& before, const RegistrySnapshot& after,
                   const ExpectedRegistry& expected) {
  for (const auto& [id, values] : expected.keys) {
    const auto [root, path] = SplitId(id);
    EXPECT_TRUE(after.HasKey(root, path)) << "missing key " << id;
    for (const auto& [name, value] : values) {
      const auto found = after.Value(root, path, name);
      ASSERT_TRUE(found.has_value()) << "missing value " << id << " [" << name << "]";
      EXPECT_EQ(found->type, value.type) << id << " [" << name << "]";
      EXPECT_EQ(found->text, value.text) << id << " [" << name << "]";
    }
  }
  for (const std::string& id : AllKeys(after)) {
    const auto [root, path] = SplitId(id);
    if (IsWineBookkeeping(id)) continue;
    if (!before.HasKey(root, path)) {
      EXPECT_TRUE(expected.CoversKey(id)) << "unexpected key " << id;
    }
    const auto expectedKey = expected.keys.find(id);
    for (const std::string& name : after.ValueNames(root, path)) {
      const auto old = before.Value(root, path, name);
      const auto now = after.Value(root, path, name);
      if (old && old->type == now->type && old->text == now->text) continue;
      const bool expectedValue = expectedKey != expected.keys.end() && expectedKey->second.count(name) != 0;
      EXPECT_TRUE(expectedValue) << "unexpected value " << id << " [" << name << "]";
    }
  }
}

std::vector<std::string> Arguments(const Scenario& s) {
  return {std::to_string(s.confirmed),
          std::to_string(s.changeAssociations),
          s.folder,
          "0",
          "0",
          std::to_string(s.thumbnails),
          "0",
          s.selectionArgument,
          std::to_string(s.associateForAllUsers)};
}

void RunAndCompare(const std::string& version, const Scenario& scenario) {
  WinePrefix prefix(version);
  const RegistrySnapshot before = prefix.Registry(kPhysicalView);
  const RunResult result = prefix.Run(ToolExe("register-app"), Arguments(scenario));
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("result=1"), std::string::npos) << result.output;
  const RegistrySnapshot after = prefix.Registry(kPhysicalView);
  // Windows has this key from Vista on, and so do the test prefixes.
  const bool hasRegisteredApplications = before.HasKey("HKLM", "SOFTWARE\\RegisteredApplications");
  EXPECT_EQ(hasRegisteredApplications, !scenario.xp);
  ExpectedRegistry expected = Expect(scenario, hasRegisteredApplications);
  ExpectCreatedKeyRecords(before, after, expected);
  ExpectExactly(before, after, expected);
}

AssociationSelection Rows(std::initializer_list<std::size_t> rows) {
  AssociationSelection selection{};
  for (const std::size_t row : rows) selection[row] = 1;
  return selection;
}

TEST(RegistrationE2eTest, Windows10WithJpegAndAviSelectedAndThumbnails) {
  Scenario s;
  s.folder = " C:\\Apps\\Viewer ";
  s.installFolder = "C:\\Apps\\Viewer\\";
  s.thumbnails = 1;
  s.selection = Rows({23, 52});
  s.selectionArgument = "23,52";
  s.windows10 = true;
  RunAndCompare("win10", s);
}

// Answering No keeps every current association and the shell's handler list as they were.
TEST(RegistrationE2eTest, Windows10WithTheQuestionDeclined) {
  Scenario s;
  s.folder = "C:\\Apps\\Viewer";
  s.installFolder = "C:\\Apps\\Viewer\\";
  s.confirmed = 0;
  s.selection = Rows({2, 23, 31});
  s.selectionArgument = "2,23,31";
  s.windows10 = true;
  RunAndCompare("win10", s);
}

TEST(RegistrationE2eTest, Windows7WithBitmapsSelectedWritesUserChoices) {
  Scenario s;
  s.folder = "C:\\Apps\\Viewer";
  s.installFolder = "C:\\Apps\\Viewer\\";
  s.selection = Rows({2});
  s.selectionArgument = "2";
  s.userChoice = true;
  RunAndCompare("win7", s);
}

TEST(RegistrationE2eTest, Windows7WithNothingSelected) {
  Scenario s;
  s.folder = "C:\\Program Files\\Lanternix";
  s.installFolder = "C:\\Program Files\\Lanternix\\";
  s.changeAssociations = 0;
  RunAndCompare("win7", s);
}

TEST(RegistrationE2eTest, WindowsXpWithBitmapsForAllUsers) {
  Scenario s;
  s.folder = "C:\\Program Files\\Lanternix\\";
  s.installFolder = "C:\\Program Files\\Lanternix\\";
  s.thumbnails = 1;
  s.selection = Rows({2, 56});
  s.selectionArgument = "2,56";
  s.associateForAllUsers = 1;
  s.xp = true;
  RunAndCompare("winxp64", s);
}

}  // namespace
}  // namespace lanternix::e2e
