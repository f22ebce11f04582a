// The uninstaller the setup installs, run under Wine after a silent installation with every
// option: the prefix's registry and files must be as they were before the installation, apart
// from the settings the user keeps.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <set>
#include <thread>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

// The default folder of the product: under "Program Files (x86)" for the 32-bit setup.
std::string ProgramFolder() {
  return ProgramFilesFolder() + "\\Lanternix";
}
std::string InFolder(const std::string& name) {
  return ProgramFolder() + "\\" + name;
}
constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
constexpr const char* kFileExts =
    "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.";
const std::string kSeparator = "\r\n" + std::string(48, '-') + "\r\n";

// Associations other programs made before the installation, which the uninstallation gives back.
std::string EarlierAssociations(bool xp) {
  std::string text;
  // Their programs' classes: a handler is only given back while its class is there.
  for (const char* progId : {"jpegfile", "TIFImage.Document", "OtherViewer.gif", "Paint.Picture"})
    text += "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\" + std::string(progId) + "]\r\n@=\"" + progId +
            "\"\r\n\r\n";
  text +=
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.jpg]\r\n@=\"jpegfile\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.tif]\r\n@=\"TIFImage.Document\"\r\n\r\n"
      // Keys the setup writes into or below that were there before, empty: they stay.
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Directory\\shell]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Drive\\shell]\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.jp2]\r\n\r\n"
      "[" +
      std::string(kFileExts) + "pcx]\r\n\r\n";
  if (xp) return text + "[" + std::string(kFileExts) + "bmp]\r\n\"ProgID\"=\"Paint.Picture\"\r\n";
  return text + "[" + std::string(kFileExts) + "gif\\UserChoice]\r\n\"Progid\"=\"OtherViewer.gif\"\r\n";
}

// Wine's display driver rewrites its device data whenever a program starts, and the
// uninstaller's temporary copy is queued for deletion at the next restart.
bool IsExpectedNoise(const std::string& id, const std::string& name) {
  return id.starts_with("hklm\\system\\currentcontrolset\\control\\class\\") ||
         (id == "hklm\\system\\currentcontrolset\\control\\session manager" &&
          name == "pendingfilerenameoperations");
}

// Every key and value that differs between the two snapshots, as readable lines.
std::vector<std::string> Differences(const RegistrySnapshot& before, const RegistrySnapshot& after) {
  std::set<std::string> ids;
  for (const RegistrySnapshot* snapshot : {&before, &after})
    for (const char* root : {"hklm", "hkcu"})
      for (const std::string& path : snapshot->SubKeys(root, "")) ids.insert(std::string(root) + "\\" + path);
  std::vector<std::string> differences;
  for (const std::string& id : ids) {
    const std::string root = id.substr(0, 4), path = id.substr(5);
    if (IsExpectedNoise(id, "")) continue;
    if (before.HasKey(root, path) != after.HasKey(root, path)) {
      differences.push_back((before.HasKey(root, path) ? "key gone: " : "key added: ") + id);
      continue;
    }
    std::set<std::string> names;
    for (const RegistrySnapshot* snapshot : {&before, &after})
      for (const std::string& name : snapshot->ValueNames(root, path)) names.insert(name);
    for (const std::string& name : names) {
      if (IsExpectedNoise(id, name)) continue;
      const auto old = before.Value(root, path, name), now = after.Value(root, path, name);
      if (old && now && old->type == now->type && old->text == now->text) continue;
      differences.push_back("value " + id + " [" + name + "]: " + (old ? old->text : "<none>") + " -> " +
                            (now ? now->text : "<none>"));
    }
  }
  return differences;
}

class Machine {
 public:
  explicit Machine(const std::string& version) : prefix(version), xp(version == "winxp64") {
    fs::create_directories(prefix.HostPath("C:\\setup"));
    fs::copy_file(SetupExe(), prefix.HostPath(kSetup));
    prefix.ImportRegistry(EarlierAssociations(xp));
  }

  // Every option: both desktop links, the group, all users, every format (machine-wide on XP).
  void InstallEverything() {
    const RunResult result = prefix.RunCommandLine(
        std::string("\"") + kSetup + "\" /silent /desktop=1 /thumbs=1 /group=1 /allusers=1 /assoc=2" +
        (xp ? " /assocallusers" : ""));
    ASSERT_EQ(result.exitCode, 0) << result.output;
    ASSERT_TRUE(Exists(InFolder("lt_uninstall.exe")));
    userIni = FindUserIni();
    ASSERT_FALSE(userIni.empty());
  }

  RunResult Uninstall(const std::string& options = " /silent") {
    RunResult result =
        prefix.RunCommandLine(std::string("\"") + InFolder("lt_uninstall.exe") + "\"" + options, "C:\\");
    if (result.exitCode == 0) WaitForTheCopy();
    return result;
  }

  // A silent installation with options after "/silent"; the settings go to the user's folder.
  void Install(const std::string& options) {
    const RunResult result =
        prefix.RunCommandLine(std::string("\"") + kSetup + "\" /silent /ini=%APPDATA%\\Lanternix " + options);
    ASSERT_EQ(result.exitCode, 0) << result.output;
  }

  // The uninstaller of the installation in folder ("C:\\...\\"), run silently; after a
  // complete removal, waits for its copy to remove gone.
  RunResult UninstallFrom(const std::string& folder, const std::string& gone) {
    RunResult result = prefix.RunCommandLine("\"" + folder + "lt_uninstall.exe\" /silent", "C:\\");
    if (result.exitCode == 0) WaitUntilGone(gone);
    return result;
  }

  // After a complete removal the uninstaller's temporary copy removes its file and the emptied
  // folder once the uninstaller has ended.
  void WaitForTheCopy() { WaitUntilGone(ProgramFolder()); }

  void WaitUntilGone(const std::string& path) {
    for (int i = 0; i < 200 && Exists(path); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }

  // The read-only attribute, as Wine shows a file its owner can't write.
  void MakeReadOnly(const std::string& path) {
    fs::permissions(prefix.HostPath(path),
                    fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
  }

  bool Exists(const std::string& path) { return fs::exists(prefix.HostPath(path)); }

  // Every file and folder left below folder, as sorted paths relative to it.
  std::vector<std::string> LeftIn(const std::string& folder) {
    std::vector<std::string> left;
    const fs::path host = prefix.HostPath(folder);
    if (!fs::exists(host)) return left;
    for (const auto& entry : fs::recursive_directory_iterator(host))
      left.push_back(fs::relative(entry.path(), host).generic_string());
    std::sort(left.begin(), left.end());
    return left;
  }

  // Another maker's library (a system library with its own version resource) where the setup
  // will find it in folder ("C:\\..."), which the setup keeps; returns its bytes.
  std::string PlaceUsersIconLibrary(const std::string& folder) {
    fs::create_directories(prefix.HostPath(folder + "\\Plugins"));
    fs::copy_file(prefix.HostPath("C:\\windows\\system32\\version.dll"),
                  prefix.HostPath(folder + "\\Plugins\\Icons.dll"));
    return ReadFileBytes(prefix.HostPath(folder + "\\Plugins\\Icons.dll"));
  }

  // Starts a process that holds the file open without sharing, as a running program holds its
  // image, and waits until it does; the marker it leaves is "<path>.held".
  void Hold(const std::string& path) {
    prefix.Start(ToolExe("hold-file"), {path});
    for (int i = 0; i < 200 && !Exists(path + ".held"); ++i)
      std::this_thread::sleep_for(std::chrono::milliseconds(100));
    ASSERT_TRUE(Exists(path + ".held")) << path;
  }

  // The per-user INI the silent installation into the program folder sends the settings to.
  fs::path FindUserIni() {
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Root() / "drive_c" / "users"))
      if (entry.path().filename() == "l_tern32.ini") return entry.path();
    return {};
  }

  std::string UninstallLog() {
    for (const auto& entry : fs::recursive_directory_iterator(prefix.Root() / "drive_c" / "users"))
      if (entry.path().filename() == "Lanternix_Uninstall.log") return ReadFileBytes(entry.path());
    return "<no log>";
  }

  WinePrefix prefix;
  bool xp;
  fs::path userIni;
};

class UninstallRoundTrip : public ::testing::TestWithParam<std::string> {};

TEST_P(UninstallRoundTrip, GivesTheMachineBackAsItWasApartFromTheSettings) {
  Machine machine(GetParam());
  const RegistrySnapshot before = machine.prefix.Registry(kPhysicalView);
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  const RegistrySnapshot installed = machine.prefix.Registry();
  ASSERT_TRUE(installed.HasKey("HKLM", "SOFTWARE\\Classes\\Lanternix.jpg"));
  ASSERT_EQ(installed.String("HKLM", "SOFTWARE\\Classes\\.jpg", ""), "Lanternix.jpg");
  ASSERT_EQ(installed.String("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix",
                             "QuietUninstallString"),
            "\"" + InFolder("lt_uninstall.exe") + "\" /silent");

  const RunResult result = machine.Uninstall();
  EXPECT_EQ(result.exitCode, 0) << result.output;
  EXPECT_FALSE(machine.Exists(ProgramFolder()));
  EXPECT_TRUE(machine.Exists(ProgramFilesFolder()));
  const RegistrySnapshot after = machine.prefix.Registry(kPhysicalView);
  EXPECT_EQ(Differences(before, after), std::vector<std::string>{});
  // The copy that removed the uninstaller ran from a fresh folder with an unpredictable name, and
  // goes with it at the next restart.
  const auto pending = after.Value("HKLM", "System\\CurrentControlSet\\Control\\Session Manager",
                                   "PendingFileRenameOperations");
  ASSERT_TRUE(pending.has_value());
  EXPECT_TRUE(
      std::regex_search(pending->text, std::regex(R"(lt_uninstall-\{[0-9A-F-]{36}\}(\\)+lt_uninstall\.exe)")))
      << pending->text;
  // No link of ours anywhere in the profiles; the kept settings folder is the one thing named so.
  const std::string settingsFolder = machine.userIni.parent_path().string();
  for (const auto& entry : fs::recursive_directory_iterator(machine.prefix.Root() / "drive_c" / "users"))
    if (!entry.path().string().starts_with(settingsFolder)) {
      EXPECT_EQ(entry.path().string().find("Lanternix"), std::string::npos) << entry.path();
    }
  for (const auto& entry : fs::recursive_directory_iterator(machine.prefix.HostPath("C:\\ProgramData")))
    EXPECT_EQ(entry.path().string().find("Lanternix"), std::string::npos) << entry.path();
  EXPECT_TRUE(fs::exists(machine.userIni)) << machine.userIni;
}

INSTANTIATE_TEST_SUITE_P(Versions, UninstallRoundTrip, ::testing::Values("winxp64", "win7", "win10"));

TEST(UninstallTest, PurgeAlsoRemovesTheUsersSettings) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  EXPECT_EQ(machine.Uninstall(" /silent /purge").exitCode, 0);
  EXPECT_FALSE(fs::exists(machine.userIni));
  EXPECT_FALSE(fs::exists(machine.userIni.parent_path()));
  EXPECT_FALSE(machine.Exists(ProgramFolder()));
}

TEST(UninstallTest, KeepsWhatIsNotOursAndReportsALockedFile) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  // A file the user added, and another program's association that replaced ours.
  std::ofstream(machine.prefix.HostPath(InFolder("Plugins\\Mine.dll"))) << "mine";
  machine.prefix.ImportRegistry("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.png]\r\n@=\"OtherViewer.png\"\r\n");
  machine.prefix.Start(ToolExe("hold-file"), {InFolder("Languages\\ENGLISH.dll")});
  for (int i = 0; i < 200 && !machine.Exists(InFolder("Languages\\ENGLISH.dll.held")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));

  EXPECT_EQ(machine.Uninstall().exitCode, 1);
  static const std::regex stamp(R"((^|\r\n-{48}\r\n)[^\r\n]*? - \d\d:\d\d:\d\d: )");
  EXPECT_EQ(std::regex_replace(machine.UninstallLog(), stamp, "$1<stamp>: "),
            "<stamp>: Could not remove: " + InFolder("Languages\\ENGLISH.dll") + kSeparator);
  EXPECT_TRUE(machine.Exists(InFolder("Plugins\\Mine.dll")));
  EXPECT_FALSE(machine.Exists(InFolder("Plugins\\Icons.dll")));
  EXPECT_FALSE(machine.Exists(InFolder("l_tern32.exe")));
  // With something left the uninstaller stays, to be run again.
  EXPECT_TRUE(machine.Exists(InFolder("lt_uninstall.exe")));
  const RegistrySnapshot after = machine.prefix.Registry();
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Classes\\.png", ""), "OtherViewer.png");
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Classes\\.jpg", ""), "jpegfile");
  EXPECT_FALSE(after.HasKey("HKLM", "SOFTWARE\\Classes\\Lanternix.png"));
  EXPECT_FALSE(after.HasKey("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix"));
}

TEST(UninstallTest, ARunningViewerRefusesAndNothingIsRemoved) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  machine.prefix.Start(PayloadFile("l_tern32.exe"));
  ASSERT_NE(
      machine.prefix.Run(ToolExe("probe-report"), {"window", "Lanternix", "20"}).output.find("window=1"),
      std::string::npos);
  EXPECT_EQ(machine.Uninstall().exitCode, 2);
  EXPECT_TRUE(machine.Exists(InFolder("l_tern32.exe")));
  EXPECT_TRUE(machine.Exists(InFolder("lt_uninstall.exe")));
  EXPECT_TRUE(machine.Exists("C:\\users\\Public\\Desktop\\Lanternix.lnk"));
  const RegistrySnapshot after = machine.prefix.Registry();
  EXPECT_TRUE(after.HasKey("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix"));
}

TEST(UninstallTest, TheStartMenuLinkAsksFirstAndNoRemovesNothing) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  const RegistrySnapshot installed = machine.prefix.Registry(kPhysicalView);
  const std::string link =
      "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Uninstall Lanternix.lnk";

  const auto answeredNo =
      ParseToolReport(machine.prefix.Run(ToolExe("uninstall-driver"), {link, "no"}).output);
  EXPECT_EQ(answeredNo.count("error"), 0u) << answeredNo.at("error");
  EXPECT_EQ(answeredNo.at("folder"), ProgramFolder() + "\\");
  EXPECT_EQ(answeredNo.at("settings_box"), "enabled");
  EXPECT_EQ(answeredNo.at("uninstall_exit"), "3");
  EXPECT_EQ(Differences(installed, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
  EXPECT_TRUE(machine.Exists(InFolder("lt_uninstall.exe")));
  EXPECT_TRUE(machine.Exists(InFolder("l_tern32.exe")));

  const auto answeredYes =
      ParseToolReport(machine.prefix.Run(ToolExe("uninstall-driver"), {link, "yes"}).output);
  EXPECT_EQ(answeredYes.at("message"), "Lanternix has been removed from your computer.");
  EXPECT_EQ(answeredYes.at("uninstall_exit"), "0");
  machine.WaitForTheCopy();
  EXPECT_FALSE(machine.Exists(ProgramFolder()));
  EXPECT_TRUE(fs::exists(machine.userIni));
}

TEST(UninstallTest, KeepsTheUsersIconLibrary) {
  Machine machine("win10");
  // Not the publisher's library: a system library with another maker in its version resource.
  fs::create_directories(machine.prefix.HostPath("C:\\Tools\\Plugins"));
  fs::copy_file(machine.prefix.HostPath("C:\\windows\\system32\\version.dll"),
                machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll"));
  const std::string mine = ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll"));
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Tools"));
  ASSERT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll")), mine);
  EXPECT_EQ(machine.UninstallFrom("C:\\Tools\\", "C:\\Tools\\lt_uninstall.exe").exitCode, 0);
  EXPECT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll")), mine);
  EXPECT_FALSE(machine.Exists("C:\\Tools\\l_tern32.exe"));
  EXPECT_FALSE(machine.Exists("C:\\Tools\\lt_uninstall.exe"));
}

TEST(UninstallTest, RemovesReadOnlyFilesKeysOthersExtendedAndTheFoldersItCreated) {
  Machine machine("win10");
  const RegistrySnapshot before = machine.prefix.Registry(kPhysicalView);
  ASSERT_NO_FATAL_FAILURE(
      machine.Install("/folder=C:\\Apps\\Tools\\Viewer /desktop=1 /thumbs=1 /group=1 /allusers=1 /assoc=2"));
  for (const char* file : {"l_tern32.exe", "Plugins\\Icons.dll", "lt_uninstall.exe"})
    machine.MakeReadOnly(std::string("C:\\Apps\\Tools\\Viewer\\") + file);
  // Verbs another program added below the setup's own keys since.
  machine.prefix.ImportRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Lanternix.jpg\\shell\\edit\\command]\r\n@=\"paint."
      "exe\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\Applications\\l_tern32.exe\\shell\\print]\r\n@=\"Print\"\r\n");
  const RunResult result = machine.UninstallFrom("C:\\Apps\\Tools\\Viewer\\", "C:\\Apps");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\Apps"));
  EXPECT_EQ(Differences(before, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
}

TEST(UninstallTest, LeavesTheLinksOfAnInstallationInsideItsFolder) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Apps\\Viewer /desktop=1 /group=1 /allusers=1"));
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Apps"));
  EXPECT_EQ(machine.UninstallFrom("C:\\Apps\\", "C:\\Apps\\lt_uninstall.exe").exitCode, 0);
  EXPECT_FALSE(machine.Exists("C:\\Apps\\l_tern32.exe"));
  EXPECT_TRUE(machine.Exists("C:\\Apps\\Viewer\\l_tern32.exe"));
  for (const char* link :
       {"C:\\users\\Public\\Desktop\\Lanternix.lnk",
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Lanternix 4.65.lnk",
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Uninstall Lanternix.lnk",
        "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs\\Lanternix\\Lanternix Help.lnk"})
    EXPECT_TRUE(machine.Exists(link)) << link;
}

// Top-level entries of drive C:, which an installation and its removal must leave as they were.
std::vector<std::string> DriveTop(WinePrefix& prefix) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(prefix.HostPath("C:\\")))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

// "." and ".." levels are resolved before anything is created: no stray level is made on the way,
// the registration names the folder without them, and the uninstaller takes back every level the
// setup made.
TEST(UninstallTest, AFolderTypedWithDotLevelsGoesWithoutATrace) {
  Machine machine("win10");
  const RegistrySnapshot before = machine.prefix.Registry(kPhysicalView);
  const std::vector<std::string> drive = DriveTop(machine.prefix);
  ASSERT_NO_FATAL_FAILURE(machine.Install("\"/folder=C:\\X\\..\\Apps2\\.\\Lanternix\" /desktop=1"));
  EXPECT_FALSE(machine.Exists("C:\\X"));
  EXPECT_TRUE(machine.Exists("C:\\Apps2\\Lanternix\\l_tern32.exe"));
  const RegistrySnapshot installed = machine.prefix.Registry();
  const std::string key = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix";
  EXPECT_EQ(installed.String("HKLM", key, "InstallLocation"), "C:\\Apps2\\Lanternix\\");
  EXPECT_EQ(installed.String("HKLM", key, "UninstallString"), "\"C:\\Apps2\\Lanternix\\lt_uninstall.exe\"");
  // The installation's record (UTF-16LE, its ASCII read here) names every level it created.
  std::string record = ReadFileBytes(machine.prefix.HostPath("C:\\Apps2\\Lanternix\\lt_uninstall.ini"));
  std::erase(record, '\0');
  EXPECT_NE(record.find("CreatedFolder1=C:\\Apps2\\\r\nCreatedFolder2=C:\\Apps2\\Lanternix\\\r\n"),
            std::string::npos)
      << record;

  const RunResult result = machine.UninstallFrom("C:\\Apps2\\Lanternix\\", "C:\\Apps2");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\Apps2"));
  EXPECT_EQ(DriveTop(machine.prefix), drive);
  EXPECT_EQ(Differences(before, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
  EXPECT_FALSE(machine.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
}

// The folder as the setup got it, in forms the file system resolves to C:\Apps\Lanternix.
class UninstallNonCanonicalFolder : public ::testing::TestWithParam<std::string> {};

TEST_P(UninstallNonCanonicalFolder, StillRemovesTheRegistration) {
  Machine machine("win10");
  fs::create_directories(machine.prefix.HostPath("C:\\Apps\\Lanternix"));
  std::string folder = GetParam();
  if (folder == "short") {
    const auto report =
        ParseToolReport(machine.prefix.Run(ToolExe("probe-report"), {"short", "C:\\Apps\\Lanternix"}).output);
    folder = report.at("short");
    ASSERT_NE(folder, "C:\\Apps\\Lanternix");
    ASSERT_EQ(report.at("canonical"), "C:\\Apps\\Lanternix");
  }
  const RegistrySnapshot before = machine.prefix.Registry(kPhysicalView);
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=" + folder + " /desktop=1 /group=1 /assoc=1"));
  const RunResult result = machine.UninstallFrom("C:\\Apps\\Lanternix\\", "C:\\Apps\\Lanternix");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\Apps\\Lanternix"));
  EXPECT_EQ(Differences(before, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
  EXPECT_FALSE(machine.Exists("C:\\users\\Public\\Desktop\\Lanternix.lnk"));
}

INSTANTIATE_TEST_SUITE_P(Forms, UninstallNonCanonicalFolder,
                         ::testing::Values("C:\\Apps\\\\Lanternix", "c:\\apps\\lanternix", "short"),
                         [](const auto& param) { return std::to_string(param.index); });

TEST(UninstallTest, EachInstallationKeepsItsKeptLibraryAndCreatedFoldersWhateverHappensElsewhere) {
  Machine machine("win10");
  const std::string mine = machine.PlaceUsersIconLibrary("C:\\Tools");
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Tools"));
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Deep\\Er\\Viewer"));
  // The registered installation from now on.
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Apps\\Viewer /desktop=1 /group=1"));

  RunResult result = machine.UninstallFrom("C:\\Tools\\", "C:\\Tools\\lt_uninstall.ini");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll")), mine);
  EXPECT_EQ(machine.LeftIn("C:\\Tools"), (std::vector<std::string>{"Plugins", "Plugins/Icons.dll"}));

  // The registered one first, then the one whose folders were created above it.
  result = machine.UninstallFrom("C:\\Apps\\Viewer\\", "C:\\Apps");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\Apps"));
  result = machine.UninstallFrom("C:\\Deep\\Er\\Viewer\\", "C:\\Deep");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\Deep"));
}

TEST(UninstallTest, ALinkWhereThePlugInsWereIsRemovedAsALinkAndItsTargetKeepsItsFiles) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\T1"));
  // The plug-ins folder replaced by a link (a Unix symbolic link, which Wine shows as a reparse
  // point) to a folder holding the user's files of the same names.
  const fs::path plugins = machine.prefix.HostPath("C:\\T1\\Plugins");
  const fs::path victim = machine.prefix.HostPath("C:\\Victim2");
  fs::create_directories(victim);
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(plugins)) {
    names.push_back(entry.path().filename().string());
    std::ofstream(victim / names.back()) << "the user's " << names.back();
  }
  ASSERT_GE(names.size(), 5u);
  fs::remove_all(plugins);
  fs::create_directory_symlink(victim, plugins);

  const RunResult result = machine.prefix.RunCommandLine("\"C:\\T1\\lt_uninstall.exe\" /silent", "C:\\");
  for (const std::string& name : names) EXPECT_EQ(ReadFileBytes(victim / name), "the user's " + name) << name;
  EXPECT_EQ(machine.LeftIn("C:\\Victim2").size(), names.size());
  // Windows' RemoveDirectoryW removes a junction itself; Wine's can't remove a Unix symbolic link
  // to a folder, so there the link is what is left, reported like a held file.
  EXPECT_EQ(result.exitCode, 1) << result.output;
  static const std::regex stamp(R"((^|\r\n-{48}\r\n)[^\r\n]*? - \d\d:\d\d:\d\d: )");
  EXPECT_EQ(std::regex_replace(machine.UninstallLog(), stamp, "$1<stamp>: "),
            "<stamp>: Could not remove: C:\\T1\\Plugins" + kSeparator);
  EXPECT_TRUE(fs::is_symlink(plugins));
  EXPECT_FALSE(machine.Exists("C:\\T1\\l_tern32.exe"));
  EXPECT_TRUE(machine.Exists("C:\\T1\\lt_uninstall.exe"));
}

TEST(UninstallTest, TheCopysOptionsGivenByAnyoneElseRemoveNothing) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\T1"));
  fs::create_directories(machine.prefix.HostPath("C:\\Victim\\EmptyDir"));
  std::ofstream(machine.prefix.HostPath("C:\\Victim\\report.docx")) << "report";
  machine.MakeReadOnly("C:\\Victim\\report.docx");
  // The installed uninstaller, and a copy of it in a folder named like its copy's in the user's
  // temporary folder, with a handle number that is no inherited process of theirs.
  fs::path temp;
  for (const auto& entry : fs::recursive_directory_iterator(machine.prefix.Root() / "drive_c" / "users"))
    if (entry.is_directory() && entry.path().filename() == "Temp") temp = entry.path();
  ASSERT_FALSE(temp.empty());
  fs::create_directories(temp / "lt_uninstall-1");
  fs::copy_file(machine.prefix.HostPath("C:\\T1\\lt_uninstall.exe"),
                temp / "lt_uninstall-1" / "lt_uninstall.exe");
  std::string tempFolder =
      "C:\\" + fs::relative(temp, machine.prefix.Root() / "drive_c").string() + "\\lt_uninstall-1\\";
  std::replace(tempFolder.begin(), tempFolder.end(), '/', '\\');
  for (const std::string& program : {std::string("C:\\T1\\"), tempFolder})
    for (const std::string& wait : {std::string(), std::string(" /wait=4"), std::string(" /wait=-1")}) {
      const RunResult result = machine.prefix.RunCommandLine(
          "\"" + program + "lt_uninstall.exe\" /remove=C:\\Victim\\report.docx /folder=C:\\Victim\\EmptyDir" +
          wait);
      EXPECT_EQ(result.exitCode, 1) << program << wait << result.output;
      EXPECT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Victim\\report.docx")), "report");
      EXPECT_TRUE(machine.Exists("C:\\Victim\\EmptyDir")) << program << wait;
    }
  EXPECT_NE(
      machine.UninstallLog().find("Refused: the options of the uninstaller's temporary copy were given to "
                                  "a program that is not that copy; nothing was removed: "
                                  "C:\\Victim\\report.docx"),
      std::string::npos)
      << machine.UninstallLog();
  // The installation itself is untouched, and its own uninstaller still removes it.
  EXPECT_TRUE(machine.Exists("C:\\T1\\l_tern32.exe"));
  const RunResult result = machine.UninstallFrom("C:\\T1\\", "C:\\T1");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists("C:\\T1"));
}

TEST(UninstallTest, ASecondRunAfterAHeldFileFinishesWithWhatTheFirstKnew) {
  Machine machine("win10");
  const RegistrySnapshot before = machine.prefix.Registry(kPhysicalView);
  const std::string mine = machine.PlaceUsersIconLibrary("C:\\Tools");
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\Tools /desktop=1 /group=1 /assoc=1"));
  ASSERT_NO_FATAL_FAILURE(machine.Hold("C:\\Tools\\l_tern32.chm"));

  RunResult result = machine.UninstallFrom("C:\\Tools\\", "C:\\Tools\\lt_uninstall.ini");
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(machine.UninstallLog().find("Could not remove: C:\\Tools\\l_tern32.chm"), std::string::npos)
      << machine.UninstallLog();
  EXPECT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll")), mine);
  EXPECT_TRUE(machine.Exists("C:\\Tools\\lt_uninstall.exe"));

  // The holder ends; its marker is no file of the installation.
  machine.prefix.Stop();
  fs::remove(machine.prefix.HostPath("C:\\Tools\\l_tern32.chm.held"));
  result = machine.UninstallFrom("C:\\Tools\\", "C:\\Tools\\lt_uninstall.ini");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_EQ(ReadFileBytes(machine.prefix.HostPath("C:\\Tools\\Plugins\\Icons.dll")), mine);
  EXPECT_EQ(machine.LeftIn("C:\\Tools"), (std::vector<std::string>{"Plugins", "Plugins/Icons.dll"}));
  EXPECT_EQ(Differences(before, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
}

TEST(UninstallTest, AnEarlierHandlerWhoseProgramWentSinceIsNotWrittenBack) {
  Machine machine("win7");
  machine.prefix.ImportRegistry(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\OtherViewer.png]\r\n@=\"Other Viewer PNG\"\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\.png]\r\n@=\"OtherViewer.png\"\r\n");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  ASSERT_EQ(machine.prefix.Registry().String("HKLM", "SOFTWARE\\Classes\\.png", ""), "Lanternix.png");
  // The other viewer is uninstalled meanwhile, and its classes go.
  machine.prefix.ImportRegistry(
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\OtherViewer.png]\r\n\r\n"
      "[-HKEY_LOCAL_MACHINE\\SOFTWARE\\Classes\\OtherViewer.gif]\r\n");

  const RunResult result = machine.Uninstall();
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  const RegistrySnapshot after = machine.prefix.Registry();
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Classes\\.png", ""), std::nullopt);
  EXPECT_FALSE(after.HasKey("HKCU",
                            "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\FileExts\\.gif"
                            "\\UserChoice"));
  // Handlers whose programs are still there get their types back.
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Classes\\.jpg", ""), "jpegfile");
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Classes\\.tif", ""), "TIFImage.Document");
}

TEST(UninstallTest, AViewerInAnotherSessionRefusesAndNothingIsRemoved) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  const RegistrySnapshot installed = machine.prefix.Registry(kPhysicalView);
  // No window to be seen from here: only the held program file tells.
  ASSERT_NO_FATAL_FAILURE(machine.Hold(InFolder("l_tern32.exe")));
  const RunResult result = machine.Uninstall();
  EXPECT_EQ(result.exitCode, 2) << result.output;
  EXPECT_NE(machine.UninstallLog().find("Warning: Lanternix is running!"), std::string::npos)
      << machine.UninstallLog();
  EXPECT_EQ(Differences(installed, machine.prefix.Registry(kPhysicalView)), std::vector<std::string>{});
  for (const std::string& file :
       {InFolder("l_tern32.chm"), InFolder("lt_uninstall.exe"), InFolder("Plugins\\Icons.dll"),
        std::string("C:\\users\\Public\\Desktop\\Lanternix.lnk")})
    EXPECT_TRUE(machine.Exists(file)) << file;
  EXPECT_TRUE(fs::exists(machine.userIni));
}

TEST(UninstallTest, PurgingASupersededInstallationKeepsTheRegisteredOnesSettings) {
  Machine machine("win10");
  ASSERT_NO_FATAL_FAILURE(machine.InstallEverything());
  ASSERT_NO_FATAL_FAILURE(machine.Install("/folder=C:\\B\\Lanternix /desktop=1 /group=1 /assoc=1"));
  const std::string settings = ReadFileBytes(machine.userIni);
  ASSERT_FALSE(settings.empty());

  const RunResult result = machine.Uninstall(" /silent /purge");
  EXPECT_EQ(result.exitCode, 0) << result.output << machine.UninstallLog();
  EXPECT_FALSE(machine.Exists(ProgramFolder()));
  EXPECT_EQ(ReadFileBytes(machine.userIni), settings);
  EXPECT_NE(machine.UninstallLog().find("Kept the settings another installation of Lanternix still uses: "),
            std::string::npos)
      << machine.UninstallLog();
  // The registered installation keeps its registration and links (the current user's).
  const RegistrySnapshot after = machine.prefix.Registry();
  EXPECT_EQ(after.String("HKLM", "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix",
                         "InstallLocation"),
            "C:\\B\\Lanternix\\");
  EXPECT_TRUE(machine.Exists("C:\\users\\root\\Desktop\\Lanternix.lnk"));
  EXPECT_TRUE(machine.Exists("C:\\B\\Lanternix\\l_tern32.exe"));
}

}  // namespace
}  // namespace lanternix::e2e
