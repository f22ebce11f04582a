#include "tests/wine/wine_harness.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <set>
#include <sstream>
#include <stdexcept>
#include <thread>

namespace lanternix::e2e {

namespace {

// Debian's wrapper: the 32-bit loader where wine32 is installed (it hands 64-bit programs on to
// wine64), wine64 alone elsewhere.
constexpr const char* kWine = "wine";
constexpr const char* kWineServer = "wineserver";
// The 64-bit loader itself: through the wrapper, "regedit" would be the 32-bit one under WOW64,
// whose HKLM\SOFTWARE lands in Wow6432Node.
std::string NativeWine() {
  return fs::exists("/usr/lib/wine/wine64") ? "/usr/lib/wine/wine64" : kWine;
}

// Renamed whenever the way templates are made changes, so stale ones are never reused. A prefix
// booted without the 32-bit loader has no 32-bit system folder, so the two kinds are kept apart.
std::string TemplatesFolder() {
  return fs::exists("/usr/lib/wine/wine") ? "templates-6-wow64" : "templates-6";
}
// Debian's fonts-wine: Wine's own Tahoma, MS Sans Serif, Marlett (the caption buttons' glyphs)...
constexpr const char* kWineFontsFolder = "/usr/share/wine/fonts";

std::string Lower(std::string_view text) {
  std::string out(text);
  for (auto& ch : out) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  return out;
}

std::string EnvOr(const char* name, const std::string& fallback) {
  const char* value = std::getenv(name);
  return value && *value ? value : fallback;
}

// Runs argv with extra environment entries, capturing stdout and stderr, killing the whole
// process group when the timeout passes.
RunResult RunProcess(const std::vector<std::string>& argv, const std::vector<std::string>& extraEnv,
                     std::chrono::seconds timeout, bool wait = true) {
  int pipeFds[2];
  if (pipe2(pipeFds, O_CLOEXEC) != 0) throw std::runtime_error("pipe failed");
  const pid_t child = fork();
  if (child < 0) throw std::runtime_error("fork failed");
  if (child == 0) {
    setpgid(0, 0);
    const int nullFd = open("/dev/null", O_RDONLY);
    dup2(nullFd, 0);
    if (wait) {
      dup2(pipeFds[1], 1);
      dup2(pipeFds[1], 2);
    } else {
      const int out = open("/dev/null", O_WRONLY);
      dup2(out, 1);
      dup2(out, 2);
    }
    close(pipeFds[0]);
    close(pipeFds[1]);
    for (const auto& entry : extraEnv) putenv(const_cast<char*>(entry.c_str()));
    std::vector<char*> args;
    for (const auto& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
    args.push_back(nullptr);
    execvp(args[0], args.data());
    _exit(127);
  }
  close(pipeFds[1]);
  RunResult result;
  if (!wait) {
    close(pipeFds[0]);
    return RunResult{0, {}, false};
  }
  // Reading stops when the child itself ends, not at end of file: the wineserver it started
  // inherits the output pipe and lingers for seconds after the program is gone.
  const auto deadline = std::chrono::steady_clock::now() + timeout;
  pollfd poller{pipeFds[0], POLLIN, 0};
  char buffer[4096];
  int status = 0;
  bool exited = false;
  auto drain = [&](int waitMs) {
    while (poll(&poller, 1, waitMs) > 0) {
      const ssize_t got = read(pipeFds[0], buffer, sizeof buffer);
      if (got <= 0) return false;
      result.output.append(buffer, static_cast<std::size_t>(got));
      waitMs = 0;
    }
    return true;
  };
  while (!exited) {
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(-child, SIGKILL);
      waitpid(child, &status, 0);
      result.timedOut = true;
      break;
    }
    const bool open = drain(100);
    exited = waitpid(child, &status, WNOHANG) == child;
    if (!open && !exited) {
      waitpid(child, &status, 0);
      exited = true;
    }
  }
  drain(0);
  close(pipeFds[0]);
  result.exitCode =
      WIFEXITED(status) ? WEXITSTATUS(status) : 128 + (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
  return result;
}

void MustRun(const std::vector<std::string>& argv, const std::vector<std::string>& env,
             std::chrono::seconds timeout = std::chrono::seconds(180)) {
  const RunResult result = RunProcess(argv, env, timeout);
  if (result.exitCode != 0 || result.timedOut) {
    std::string command;
    for (const auto& arg : argv) command += arg + " ";
    throw std::runtime_error("command failed (" + std::to_string(result.exitCode) + "): " + command + "\n" +
                             result.output);
  }
}

fs::path WorkDir() {
  return EnvOr("LANTERNIX_E2E_WORK", (fs::path(LANTERNIX_HOST_BUILD_DIR) / "wine-e2e").string());
}

// Holds an exclusive lock on a file for the lifetime of the object, so that test processes
// running side by side build each template only once.
class FileLock {
 public:
  explicit FileLock(const fs::path& path) : fd_(open(path.c_str(), O_CREAT | O_RDWR | O_CLOEXEC, 0644)) {
    if (fd_ >= 0) flock(fd_, LOCK_EX);
  }
  ~FileLock() {
    if (fd_ >= 0) close(fd_);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int fd_;
};

// The PE header's machine field: 0x14c is i386.
bool IsI386Image(const fs::path& exe) {
  const std::string image = ReadFileBytes(exe);
  if (image.size() < 0x40) throw std::runtime_error("not built: " + exe.string());
  std::uint32_t peOffset = 0;
  std::memcpy(&peOffset, image.data() + 0x3c, sizeof peOffset);
  if (image.size() < std::size_t{peOffset} + 6) throw std::runtime_error("no PE header: " + exe.string());
  return static_cast<unsigned char>(image[peOffset + 4]) == 0x4c &&
         static_cast<unsigned char>(image[peOffset + 5]) == 0x01;
}

std::vector<std::string> WineEnv(const fs::path& prefix) {
  return {"WINEPREFIX=" + prefix.string(), "WINEDEBUG=-all", "WINEARCH=win64", "DISPLAY=" + Display(),
          // No Mono or Gecko installers (nothing to download them from) and no desktop menu
          // entries written into the host's home.
          "WINEDLLOVERRIDES=mscoree=d;mshtml=d;winemenubuilder.exe=d"};
}

// Imports a REGEDIT4 text (without its header line) through the 64-bit regedit, so keys land at
// the paths written, in the native view.
void ImportRegistryText(const fs::path& prefix, const std::string& regText) {
  const fs::path file = prefix / "drive_c" / "seed.reg";
  std::ofstream(file, std::ios::binary) << "REGEDIT4\r\n\r\n" << regText << "\r\n";
  MustRun({NativeWine(), "regedit", "/S", "C:\\seed.reg"}, WineEnv(prefix));
  fs::remove(file);
}

// One Xvfb server for the whole test process.
class Xvfb {
 public:
  Xvfb() {
    for (int number = 91; number < 160; ++number) {
      const fs::path socket = "/tmp/.X11-unix/X" + std::to_string(number);
      const fs::path lock = "/tmp/.X" + std::to_string(number) + "-lock";
      if (fs::exists(socket) || fs::exists(lock)) continue;
      display_ = ":" + std::to_string(number);
      pid_ = fork();
      if (pid_ == 0) {
        const int out = open("/dev/null", O_WRONLY);
        dup2(out, 1);
        dup2(out, 2);
        execlp("Xvfb", "Xvfb", display_.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
               static_cast<char*>(nullptr));
        _exit(127);
      }
      for (int tries = 0; tries < 100 && !fs::exists(socket); ++tries)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
      if (fs::exists(socket)) return;
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
      pid_ = -1;
    }
    throw std::runtime_error("could not start Xvfb");
  }
  ~Xvfb() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  Xvfb(const Xvfb&) = delete;
  Xvfb& operator=(const Xvfb&) = delete;
  const std::string& DisplayName() const { return display_; }

 private:
  std::string display_;
  pid_t pid_ = -1;
};

// The dialogs ask for "Microsoft Sans Serif" 8, which Wine does not have: it falls back to
// whatever fontconfig offers (DejaVu Sans, about a fifth wider than Windows' font, which cuts
// labels), and when its own fonts did not reach the prefix the caption buttons show letters
// instead of Marlett's glyphs. Wine's fonts go into the prefix's Fonts folder, and "Microsoft
// Sans Serif" is mapped to Wine's "MS Sans Serif", which keeps the metrics of the font Windows'
// "Microsoft Sans Serif" was made to match.
void GiveWindowsUiFonts(const fs::path& prefix) {
  const fs::path fonts = prefix / "drive_c" / "windows" / "Fonts";
  fs::create_directories(fonts);
  for (const auto& font : fs::directory_iterator(kWineFontsFolder))
    if (!fs::exists(fonts / font.path().filename()))
      fs::copy_file(font.path(), fonts / font.path().filename());
  // Both views: the product's 32-bit user interface reads the substitutes from Wow6432Node.
  std::string regText;
  for (const char* view : {"", "\\Wow6432Node"})
    regText += std::string("[HKEY_LOCAL_MACHINE\\Software") + view +
               "\\Microsoft\\Windows NT\\CurrentVersion\\FontSubstitutes]\r\n"
               "\"Microsoft Sans Serif\"=\"MS Sans Serif\"\r\n\r\n";
  ImportRegistryText(prefix, regText);
}

// Keys Windows always has that a fresh Wine prefix lacks, where the setup opens them rather than
// creating them: without them a test would pass or fail on a key no user's machine misses.
// RegisteredApplications exists from Vista on, in the native view the 64-bit shell reads.
void GiveWindowsKeys(const fs::path& prefix, const std::string& version) {
  if (version != "winxp64")
    ImportRegistryText(prefix, "[HKEY_LOCAL_MACHINE\\SOFTWARE\\RegisteredApplications]\r\n");
}

fs::path BaseTemplate() {
  const fs::path templates = WorkDir() / TemplatesFolder();
  fs::create_directories(templates);
  const fs::path base = templates / "base";
  FileLock lock(templates / "base.lock");
  if (!fs::exists(base / ".ready")) {
    fs::remove_all(base);
    // Booting takes minutes on a machine busy with builds.
    MustRun({kWine, "wineboot", "-i"}, WineEnv(base), std::chrono::seconds(900));
    GiveWindowsUiFonts(base);
    MustRun({kWineServer, "-k"}, WineEnv(base));
    // Wine links the user's Desktop, Documents, ... to the host's home folder; the tests' links
    // and files must stay inside the prefix.
    for (const auto& user : fs::directory_iterator(base / "drive_c" / "users"))
      for (const auto& entry : fs::directory_iterator(user.path()))
        if (entry.is_symlink()) {
          fs::remove(entry.path());
          fs::create_directory(entry.path());
        }
    std::ofstream(base / ".ready") << "booted\n";
  }
  return base;
}

fs::path VersionTemplate(const std::string& version) {
  const fs::path base = BaseTemplate();
  const fs::path templates = WorkDir() / TemplatesFolder();
  const fs::path target = templates / version;
  FileLock lock(templates / (version + ".lock"));
  if (!fs::exists(target / ".ready")) {
    fs::remove_all(target);
    MustRun({"cp", "-a", base.string(), target.string()}, {});
    fs::remove(target / ".ready");
    MustRun({kWine, "winecfg", "-v", version}, WineEnv(target));
    GiveWindowsKeys(target, version);
    MustRun({kWineServer, "-k"}, WineEnv(target));
    std::ofstream(target / ".ready") << version << "\n";
  }
  return target;
}

std::string UnescapeRegString(std::string_view text) {
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\\' || i + 1 >= text.size()) {
      out.push_back(text[i]);
      continue;
    }
    const char next = text[++i];
    switch (next) {
      case 'n': out.push_back('\n'); break;
      case 'r': out.push_back('\r'); break;
      case 't': out.push_back('\t'); break;
      case '0': out.push_back('\0'); break;
      case 'x': {
        unsigned code = 0;
        int digits = 0;
        while (digits < 4 && i + 1 < text.size() && std::isxdigit(static_cast<unsigned char>(text[i + 1]))) {
          code = code * 16 + static_cast<unsigned>(std::stoi(std::string(1, text[++i]), nullptr, 16));
          ++digits;
        }
        if (code < 0x80) {
          out.push_back(static_cast<char>(code));
        } else if (code < 0x800) {
          out.push_back(static_cast<char>(0xC0 | (code >> 6)));
          out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        } else {
          out.push_back(static_cast<char>(0xE0 | (code >> 12)));
          out.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
          out.push_back(static_cast<char>(0x80 | (code & 0x3F)));
        }
        break;
      }
      default: out.push_back(next);
    }
  }
  return out;
}

// Splits `"name"=data` or `@=data` into name and data; the name is unescaped.
bool SplitValueLine(const std::string& line, std::string& name, std::string& data) {
  if (line.starts_with("@=")) {
    name.clear();
    data = line.substr(2);
    return true;
  }
  if (!line.starts_with("\"")) return false;
  std::size_t i = 1;
  for (; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
      continue;
    }
    if (line[i] == '"') break;
  }
  if (i + 1 >= line.size() || line[i + 1] != '=') return false;
  name = UnescapeRegString(line.substr(1, i - 1));
  data = line.substr(i + 2);
  return true;
}

RegValue ParseRegData(const std::string& data) {
  if (data.starts_with("\"")) return RegValue{"sz", UnescapeRegString(data.substr(1, data.size() - 2))};
  if (data.starts_with("str(2):\""))
    return RegValue{"expand_sz", UnescapeRegString(data.substr(8, data.size() - 9))};
  if (data.starts_with("dword:")) return RegValue{"dword", data.substr(6)};
  const auto colon = data.find(':');
  return RegValue{data.substr(0, colon), colon == std::string::npos ? "" : data.substr(colon + 1)};
}

}  // namespace

// ---------------------------------------------------------------- registry snapshot

std::string RegistrySnapshot::Normalise(std::string_view root, std::string_view path) const {
  return Physical(root, KeyAsWritten(root, path, view_));
}

std::string RegistrySnapshot::Physical(std::string_view root, std::string_view path) {
  std::string full = Lower(root) == "hkcr" ? "hklm\\software\\classes" : Lower(root);
  std::string rest = Lower(path);
  while (rest.starts_with("\\")) rest.erase(0, 1);
  while (rest.ends_with("\\")) rest.pop_back();
  if (!rest.empty()) full += "\\" + rest;
  return full;
}

void RegistrySnapshot::Load(const std::string& rootName, const fs::path& regFile) {
  std::ifstream in(regFile);
  std::string line, current;
  bool inKey = false;
  while (std::getline(in, line)) {
    while (line.ends_with("\\") && !line.ends_with("\\\\")) {
      std::string more;
      if (!std::getline(in, more)) break;
      line.pop_back();
      line += more.substr(more.find_first_not_of(' '));
    }
    if (line.starts_with("[")) {
      const auto close = line.rfind(']');
      // The files hold physical paths: only look-ups are mapped to a build's view.
      current = Physical(rootName, UnescapeRegString(line.substr(1, close - 1)));
      keys_[current];
      inKey = true;
      continue;
    }
    std::string name, data;
    if (inKey && SplitValueLine(line, name, data)) keys_[current][Lower(name)] = ParseRegData(data);
  }
}

bool RegistrySnapshot::HasKey(std::string_view root, std::string_view path) const {
  return keys_.count(Normalise(root, path)) != 0;
}

std::optional<RegValue> RegistrySnapshot::Value(std::string_view root, std::string_view path,
                                                std::string_view name) const {
  const auto key = keys_.find(Normalise(root, path));
  if (key == keys_.end()) return std::nullopt;
  const auto value = key->second.find(Lower(name));
  if (value == key->second.end()) return std::nullopt;
  return value->second;
}

std::optional<std::string> RegistrySnapshot::String(std::string_view root, std::string_view path,
                                                    std::string_view name) const {
  auto value = Value(root, path, name);
  if (!value || value->type != "sz") return std::nullopt;
  return value->text;
}

std::optional<std::uint32_t> RegistrySnapshot::Dword(std::string_view root, std::string_view path,
                                                     std::string_view name) const {
  auto value = Value(root, path, name);
  if (!value || value->type != "dword") return std::nullopt;
  return static_cast<std::uint32_t>(std::stoul(value->text, nullptr, 16));
}

std::vector<std::string> RegistrySnapshot::SubKeys(std::string_view root, std::string_view path) const {
  const std::string base = Normalise(root, path);
  const std::string rootPrefix = Normalise(root, "") + "\\";
  std::vector<std::string> found;
  for (auto it = keys_.upper_bound(base); it != keys_.end() && it->first.starts_with(base + "\\"); ++it)
    found.push_back(it->first.substr(rootPrefix.size()));
  return found;
}

std::vector<std::string> RegistrySnapshot::ValueNames(std::string_view root, std::string_view path) const {
  std::vector<std::string> names;
  const auto key = keys_.find(Normalise(root, path));
  if (key != keys_.end())
    for (const auto& [name, value] : key->second) names.push_back(name);
  return names;
}

// ---------------------------------------------------------------- prefixes

std::string Display() {
  static Xvfb xvfb;
  return xvfb.DisplayName();
}

fs::path WorkFolder() {
  return WorkDir();
}

fs::path BuildFolder(Build build) {
  const fs::path builds = LANTERNIX_BUILDS_DIR;
  return build == Build::Twin ? builds / "win64" : builds / EnvOr("LANTERNIX_E2E_PRODUCT", "win32");
}
fs::path SetupExe(Build build) {
  return BuildFolder(build) / "lanternix-setup.exe";
}
fs::path PayloadFile(std::string_view name, Build build) {
  return BuildFolder(build) / "payload" / name;
}
fs::path ToolExe(std::string_view name) {
  return BuildFolder() / "tools" / (std::string(name) + ".exe");
}

bool RunsUnderWow64(Build build) {
  static const bool product = IsI386Image(SetupExe(Build::Product));
  static const bool twin = IsI386Image(SetupExe(Build::Twin));
  return build == Build::Product ? product : twin;
}

std::string ProgramFilesFolder(Build build) {
  return RunsUnderWow64(build) ? "C:\\Program Files (x86)" : "C:\\Program Files";
}

std::string KeyAsWritten(std::string_view root, std::string_view path, Build build) {
  const std::string lowered = Lower(path);
  const auto under = [&](std::string_view key) {
    return lowered == key || lowered.starts_with(std::string(key) + "\\");
  };
  if (Lower(root) != "hklm" || !under("software") || under("software\\classes") ||
      under("software\\wow6432node") || under("software\\lanternix") ||
      under("software\\registeredapplications") || !RunsUnderWow64(build))
    return std::string(path);
  return "SOFTWARE\\Wow6432Node" + std::string(path.substr(std::string_view("software").size()));
}

std::string ReadFileBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

const char* const kVirtualDesktopRegistry =
    "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]\r\n\"Desktop\"=\"Default\"\r\n\r\n"
    "[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]\r\n\"Default\"=\"800x600\"\r\n\r\n";

CheckpointRun RunWithCheckpoints(WinePrefix& prefix, const fs::path& exe,
                                 const std::vector<std::string>& args, const std::string& checkpointFolder,
                                 const std::string& shotPrefix, std::chrono::seconds timeout) {
  const fs::path shots = WorkFolder() / "screenshots";
  fs::create_directories(shots);
  // Checkpoints of an earlier run in this prefix must not answer for this one.
  const fs::path folder = prefix.HostPath(checkpointFolder);
  fs::remove_all(folder);
  fs::create_directories(folder);
  CheckpointRun run;
  std::atomic<bool> finished{false};
  std::thread tool([&] {
    run.result = prefix.Run(exe, args, timeout);
    finished = true;
  });
  std::set<std::string> taken;
  while (!finished) {
    for (const auto& entry : fs::directory_iterator(folder)) {
      if (entry.path().extension() != ".request") continue;
      const std::string checkpoint = entry.path().stem().string();
      if (!taken.insert(checkpoint).second) continue;
      const std::string file = (shots / (shotPrefix + "-" + checkpoint + ".png")).string();
      const std::string command = "import -display " + Display() + " -window root '" + file + "'";
      if (std::system(command.c_str()) == 0) run.checkpoints.push_back(checkpoint);
      std::ofstream(folder / (checkpoint + ".done")) << "taken\n";
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
  tool.join();
  return run;
}

std::map<std::string, std::string> ParseToolReport(const std::string& output) {
  std::map<std::string, std::string> values;
  std::istringstream lines(output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const auto equals = line.find('=');
    if (equals != std::string::npos) values.emplace(line.substr(0, equals), line.substr(equals + 1));
  }
  return values;
}

WinePrefix::WinePrefix(std::string version) {
  static std::atomic<int> counter{0};
  const fs::path templateDir = VersionTemplate(version);
  root_ =
      WorkDir() / "prefixes" / (std::to_string(getpid()) + "-" + std::to_string(counter++) + "-" + version);
  fs::remove_all(root_);
  fs::create_directories(root_.parent_path());
  MustRun({"cp", "-a", templateDir.string(), root_.string()}, {});
}

WinePrefix::~WinePrefix() {
  Stop();
  if (EnvOr("LANTERNIX_KEEP_PREFIXES", "").empty()) {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
}

std::vector<std::string> WinePrefix::Environment() const {
  return WineEnv(root_);
}

RunResult WinePrefix::Run(const fs::path& exe, const std::vector<std::string>& args,
                          std::chrono::seconds timeout) {
  std::vector<std::string> argv{kWine, exe.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  return RunProcess(argv, Environment(), timeout);
}

RunResult WinePrefix::RunCommandLine(const std::string& commandLine, const std::string& workingFolder) {
  const fs::path file = root_ / "drive_c" / "command-line.txt";
  std::ofstream(file, std::ios::binary) << commandLine;
  RunResult result = Run(ToolExe("launch"), {workingFolder, "C:\\command-line.txt"});
  fs::remove(file);
  return result;
}

void WinePrefix::Start(const fs::path& exe, const std::vector<std::string>& args) {
  std::vector<std::string> argv{kWine, exe.string()};
  argv.insert(argv.end(), args.begin(), args.end());
  RunProcess(argv, Environment(), std::chrono::seconds(0), false);
}

void WinePrefix::ImportRegistry(const std::string& regText) {
  ImportRegistryText(root_, regText);
}

void WinePrefix::Stop() {
  RunProcess({kWineServer, "-k"}, Environment(), std::chrono::seconds(30));
}

RegistrySnapshot WinePrefix::Registry(Build view) {
  Stop();
  RegistrySnapshot snapshot(view);
  snapshot.Load("HKLM", root_ / "system.reg");
  snapshot.Load("HKCU", root_ / "user.reg");
  return snapshot;
}

fs::path WinePrefix::HostPath(std::string_view windowsPath) const {
  std::string rest(windowsPath);
  if (rest.size() >= 2 && rest[1] == ':') rest = rest.substr(2);
  std::replace(rest.begin(), rest.end(), '\\', '/');
  while (rest.starts_with("/")) rest.erase(0, 1);
  return root_ / "drive_c" / rest;
}

LinkInfo WinePrefix::ReadLink(std::string_view windowsPath) {
  const RunResult result =
      RunProcess({"lnkinfo", HostPath(windowsPath).string()}, {}, std::chrono::seconds(30));
  LinkInfo info;
  info.raw = result.output;
  std::istringstream lines(result.output);
  std::string line;
  auto field = [](const std::string& text) {
    const auto colon = text.find(": ");
    return colon == std::string::npos ? std::string() : text.substr(colon + 2);
  };
  while (std::getline(lines, line)) {
    const std::string trimmed = line.substr(
        line.find_first_not_of(" \t") == std::string::npos ? line.size() : line.find_first_not_of(" \t"));
    if (trimmed.starts_with("Local path"))
      info.target = field(trimmed);
    else if (trimmed.starts_with("Command line arguments"))
      info.arguments = field(trimmed);
    else if (trimmed.starts_with("Icon location"))
      info.iconLocation = field(trimmed);
    else if (trimmed.starts_with("Icon index"))
      info.iconIndex = std::atoi(field(trimmed).c_str());
    else if (trimmed.starts_with("Description"))
      info.description = field(trimmed);
  }
  return info;
}

}  // namespace lanternix::e2e
