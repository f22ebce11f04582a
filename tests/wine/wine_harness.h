// Runs the Windows builds under Wine for the end-to-end tests. The product is the 32-bit build,
// run in 64-bit prefixes under WOW64 as on 64-bit Windows; its 64-bit twin keeps a smoke set.
// One Xvfb display and one booted template prefix serve the whole run; every test gets a fresh
// prefix copied from the template (booting costs seconds, copying is quick) with the Windows
// version it asks for.
#pragma once

#include <chrono>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lanternix::e2e {

namespace fs = std::filesystem;

struct RunResult {
  int exitCode = -1;
  std::string output;  // standard output and standard error together
  bool timedOut = false;
};

// The builds the tests run. Build::Product is build/win32 unless LANTERNIX_E2E_PRODUCT names
// another preset (scripts/test names win64 on a machine that cannot execute 32-bit code, and says
// so); Build::Twin is always build/win64.
enum class Build { Product, Twin };
inline const char* BuildName(Build build) {
  return build == Build::Product ? "Product" : "Twin";
}
// A snapshot read with this view finds every key where it physically is: the twin is a 64-bit
// program, whose view redirects nothing. Whole-registry comparisons walk physical keys and must
// look them up the same way.
inline constexpr Build kPhysicalView = Build::Twin;

// One value as Wine's registry files store it.
struct RegValue {
  std::string type;  // "sz", "expand_sz", "dword", "hex", "hex(7)", ...
  std::string text;  // the string (unescaped), "%08x" of a DWORD, or the raw hex bytes
};

// A snapshot of a prefix's registry, read from its system.reg and user.reg.
class RegistrySnapshot {
 public:
  // Keys are named as the program names them, and found where the given build writes them
  // (KeyAsWritten).
  explicit RegistrySnapshot(Build view = Build::Product) : view_(view) {}
  // root: "HKLM", "HKCU" or "HKCR" (the machine's SOFTWARE\Classes); paths and names compare
  // case-insensitively; an empty name is the default value.
  bool HasKey(std::string_view root, std::string_view path) const;
  std::optional<RegValue> Value(std::string_view root, std::string_view path, std::string_view name) const;
  std::optional<std::string> String(std::string_view root, std::string_view path,
                                    std::string_view name) const;
  std::optional<std::uint32_t> Dword(std::string_view root, std::string_view path,
                                     std::string_view name) const;
  // Every key below path (path itself excluded), as lower-cased paths relative to root.
  std::vector<std::string> SubKeys(std::string_view root, std::string_view path) const;
  // The value names of a key, lower-cased.
  std::vector<std::string> ValueNames(std::string_view root, std::string_view path) const;

  void Load(const std::string& rootName, const fs::path& regFile);

 private:
  // The lower-cased physical key of a name as the view's build writes it.
  std::string Normalise(std::string_view root, std::string_view path) const;
  static std::string Physical(std::string_view root, std::string_view path);
  Build view_;
  std::map<std::string, std::map<std::string, RegValue>> keys_;  // "hklm\path" -> name -> value
};

// What lnkinfo, an independent reader of .lnk files, reports of a shortcut.
struct LinkInfo {
  std::string target;     // local path
  std::string arguments;  // command line arguments
  std::string iconLocation;
  int iconIndex = 0;
  std::string description;
  std::string raw;  // the whole report, for failure messages
};

class WinePrefix {
 public:
  // version: a winecfg name such as "winxp64", "vista", "win7", "win8", "win81" or "win10".
  explicit WinePrefix(std::string version = "win10");
  ~WinePrefix();
  WinePrefix(const WinePrefix&) = delete;
  WinePrefix& operator=(const WinePrefix&) = delete;

  // Runs a Windows program and waits for it; arguments are passed through unchanged.
  RunResult Run(const fs::path& exe, const std::vector<std::string>& args = {},
                std::chrono::seconds timeout = std::chrono::seconds(120));
  // Runs an exact Windows command line (quotes and spaces as given) from a working folder on
  // drive C:, through the launch tool; the exit status is the program's.
  RunResult RunCommandLine(const std::string& commandLine, const std::string& workingFolder = "C:\\");
  // Starts a program and returns without waiting (a viewer window to find, a file to lock).
  void Start(const fs::path& exe, const std::vector<std::string>& args = {});
  // Imports a REGEDIT4 text (without its header line) through the 64-bit regedit: keys land at
  // the paths written, in the native view (use KeyAsWritten for a key in the product's view).
  void ImportRegistry(const std::string& regText);
  // Stops the prefix's wineserver, which writes the registry out, and reads it as the given
  // build sees it.
  RegistrySnapshot Registry(Build view = Build::Product);
  LinkInfo ReadLink(std::string_view windowsPath);
  // Stops every program of the prefix and its wineserver.
  void Stop();

  const fs::path& Root() const { return root_; }
  // The host path of a path on the prefix's drive C:, such as "C:\Program Files\Lanternix".
  fs::path HostPath(std::string_view windowsPath) const;

 private:
  std::vector<std::string> Environment() const;
  fs::path root_;
};

// Paths of the build outputs the tests run.
fs::path BuildFolder(Build build = Build::Product);
fs::path SetupExe(Build build = Build::Product);
// A file of the build's payload folder, such as "l_tern32.exe" or "payload.zip".
fs::path PayloadFile(std::string_view name, Build build = Build::Product);
// The test tools of the product's build: those that run engine code must see the registry and
// file-system views the product sees.
fs::path ToolExe(std::string_view name);
// Whether the build is a 32-bit program, which a 64-bit prefix runs under WOW64.
bool RunsUnderWow64(Build build = Build::Product);
// Where the build's default installation goes: "C:\Program Files (x86)" for a 32-bit program
// under WOW64, "C:\Program Files" for a 64-bit one.
std::string ProgramFilesFolder(Build build = Build::Product);
// The physical path of a key the program names "root\path", as the build writes it. A 32-bit
// program under WOW64 has HKLM\SOFTWARE\... redirected to SOFTWARE\Wow6432Node\..., except the
// shared SOFTWARE\Classes and the keys the setup writes in the native view on purpose (its
// capabilities under SOFTWARE\Lanternix and SOFTWARE\RegisteredApplications).
std::string KeyAsWritten(std::string_view root, std::string_view path, Build build = Build::Product);
// The display every Wine program of this run uses.
std::string Display();
// Where the run keeps its prefixes and what the tests leave for inspection (screenshots).
fs::path WorkFolder();

std::string ReadFileBytes(const fs::path& path);

// Registry text (for WinePrefix::ImportRegistry) that gives a prefix a Wine virtual desktop:
// Xvfb runs no window manager, so without it no frame or title bar would be drawn or captured.
// It takes effect the next time the prefix starts, so stop the prefix after importing it.
extern const char* const kVirtualDesktopRegistry;

struct CheckpointRun {
  RunResult result;
  std::vector<std::string> checkpoints;  // those photographed, in the order reached
};

// Runs a test tool that pauses at named checkpoints: it writes <checkpointFolder>\<name>.request
// and waits for <name>.done. Each checkpoint is photographed as <shotPrefix>-<name>.png under
// WorkFolder()/screenshots before the tool is let go on.
CheckpointRun RunWithCheckpoints(WinePrefix& prefix, const fs::path& exe,
                                 const std::vector<std::string>& args, const std::string& checkpointFolder,
                                 const std::string& shotPrefix,
                                 std::chrono::seconds timeout = std::chrono::seconds(240));

// The "name=value" lines a test tool printed (CR LF or LF), first value of each name.
std::map<std::string, std::string> ParseToolReport(const std::string& output);

}  // namespace lanternix::e2e
