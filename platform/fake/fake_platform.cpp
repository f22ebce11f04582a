#include "platform/fake/fake_platform.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cwctype>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <minizip/ioapi.h>

#include "platform/text_encoding.h"

#include "platform/text_limits.h"

namespace lanternix::fake {

namespace fs = std::filesystem;

// ---------------------------------------------------------------- text

std::string ToUtf8(std::wstring_view text) {
  return WideToUtf8(text);
}

std::wstring FromUtf8(std::string_view text) {
  std::wstring out;
  for (std::size_t i = 0; i < text.size();) {
    const auto lead = static_cast<unsigned char>(text[i]);
    const int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    std::uint32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra && i + static_cast<std::size_t>(k) < text.size(); ++k)
      c = (c << 6) | (static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]) & 0x3F);
    out.push_back(static_cast<wchar_t>(c));
    i += static_cast<std::size_t>(extra) + 1;
  }
  return out;
}

namespace {

std::wstring Lower(std::wstring_view text) {
  std::wstring out(text);
  for (auto& ch : out) ch = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(ch)));
  return out;
}

std::vector<std::uint8_t> Utf16Bytes(std::wstring_view text) {
  std::vector<std::uint8_t> bytes;
  auto put = [&bytes](std::uint32_t unit) {
    bytes.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(unit >> 8));
  };
  for (const wchar_t ch : text) {
    const auto c = static_cast<std::uint32_t>(ch);
    if (c >= 0x10000) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  put(0);
  return bytes;
}

std::wstring FromUtf16Bytes(const std::vector<std::uint8_t>& bytes) {
  std::wstring out;
  for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const auto unit = static_cast<std::uint32_t>(bytes[i] | (bytes[i + 1] << 8));
    if (unit == 0) break;
    out.push_back(static_cast<wchar_t>(unit));
  }
  return out;
}

std::vector<std::wstring> SplitLevels(std::wstring_view path) {
  std::vector<std::wstring> levels;
  std::wstring level;
  for (const wchar_t ch : path) {
    if (ch == L'\\') {
      if (!level.empty()) levels.push_back(level);
      level.clear();
    } else {
      level.push_back(ch);
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
}

// FILETIME ticks (100 ns since 1601-01-01) of a civil date and time.
std::int64_t FileTimeOf(int year, unsigned month, unsigned day, int hour, int minute, int second) {
  using namespace std::chrono;
  const sys_days date =
      year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
  const sys_days epoch1601 = year_month_day{std::chrono::year{1601}, January, std::chrono::day{1}};
  const std::int64_t seconds = (date - epoch1601).count() * 86400LL + hour * 3600 + minute * 60 + second;
  return seconds * 10'000'000LL;
}

constexpr std::int64_t kUnixEpochAsFileTime = 116444736000000000LL;

std::int64_t FileTimeFromHost(const fs::path& host) {
  struct stat info {};
  if (::stat(host.c_str(), &info) != 0) return 0;
  return kUnixEpochAsFileTime + info.st_mtim.tv_sec * 10'000'000LL + info.st_mtim.tv_nsec / 100;
}

void SetHostWriteTime(const fs::path& host, std::int64_t fileTime) {
  const std::int64_t sinceUnix = fileTime - kUnixEpochAsFileTime;
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;  // the last-access time stays as it was
  times[1].tv_sec = static_cast<time_t>(sinceUnix / 10'000'000LL);
  times[1].tv_nsec = static_cast<long>((sinceUnix % 10'000'000LL) * 100);
  ::utimensat(AT_FDCWD, host.c_str(), times, 0);
}

std::int64_t NowAsFileTime() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return kUnixEpochAsFileTime + std::chrono::duration_cast<std::chrono::nanoseconds>(now).count() / 100;
}

}  // namespace

// ---------------------------------------------------------------- registry

class FakeRegistryKey final : public RegistryKey {
 public:
  FakeRegistryKey(FakeRegistry& registry, RegRoot root, std::wstring subKey, std::uint32_t access)
      : registry_(registry), root_(root), subKey_(std::move(subKey)), access_(access) {}

  bool SetString(std::wstring_view name, std::wstring_view value) override {
    return Set(name, RegistryValue{kRegSz, Utf16Bytes(value)});
  }

  bool SetDword(std::wstring_view name, std::uint32_t value) override {
    std::vector<std::uint8_t> data(4);
    for (int i = 0; i < 4; ++i)
      data[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
    return Set(name, RegistryValue{kRegDword, std::move(data)});
  }

  std::optional<std::wstring> ReadString(std::wstring_view name, std::size_t maxChars) override {
    const RegistryValue* value = registry_.Value(root_, subKey_, name);
    if (!value || value->data.size() > maxChars * 2) return std::nullopt;
    const std::wstring text = FromUtf16Bytes(value->data);
    // Stored without a terminator and filling the buffer exactly: no room for the terminator.
    if (text.size() >= maxChars) return std::nullopt;
    return text;
  }

  bool DeleteValue(std::wstring_view name) override {
    FakeRegistry::Key* key = registry_.Find(root_, subKey_);
    if (!Allows(kKeySetValue) || !key || key->values.erase(Lower(name)) == 0) return false;
    key->names.erase(Lower(name));
    registry_.journal_.push_back(L"unset " + FakeRegistry::RootName(root_) + L"\\" + key->path + L" [" +
                                 std::wstring(name) + L"]");
    return true;
  }

  bool IsEmpty() override {
    const FakeRegistry::Key* key = registry_.Find(root_, subKey_);
    return key && key->values.empty() && !registry_.HasSubKeys(root_, subKey_);
  }

  std::vector<std::wstring> ValueNames() override {
    std::vector<std::wstring> names;
    if (const FakeRegistry::Key* key = registry_.Find(root_, subKey_))
      for (const auto& [lowered, name] : key->names)
        if (key->values.count(lowered)) names.push_back(name);
    return names;
  }

  std::unique_ptr<RegistryKey> CreateSubKey(std::wstring_view subKey) override {
    if (!Allows(kKeyCreateSubKey) || !registry_.Find(root_, subKey_)) return nullptr;
    return registry_.CreateKey(root_, subKey_ + L"\\" + std::wstring(subKey));
  }

 private:
  bool Allows(std::uint32_t access) const { return (access_ & access) == access; }

  bool Set(std::wstring_view name, RegistryValue value) {
    FakeRegistry::Key* key = registry_.Find(root_, subKey_);
    if (!Allows(kKeySetValue) || !key) return false;
    const std::wstring lowered = Lower(name);
    key->names.emplace(lowered, std::wstring(name));
    key->values[lowered] = std::move(value);
    registry_.journal_.push_back(L"set " + FakeRegistry::RootName(root_) + L"\\" + key->path + L" [" +
                                 std::wstring(name) + L"]");
    return true;
  }

  FakeRegistry& registry_;
  RegRoot root_;
  std::wstring subKey_;
  std::uint32_t access_;
};

std::wstring FakeRegistry::CanonicalPath(RegRoot root, std::wstring_view subKey) {
  std::wstring path;
  if (root == RegRoot::ClassesRoot) path = L"software\\classes\\";
  for (const auto& level : SplitLevels(subKey)) path += Lower(level) + L"\\";
  if (!path.empty()) path.pop_back();
  return path;
}

std::wstring FakeRegistry::RootName(RegRoot root) {
  switch (root) {
    case RegRoot::LocalMachine: return L"HKLM";
    case RegRoot::CurrentUser: return L"HKCU";
    case RegRoot::ClassesRoot: return L"HKCR";
    case RegRoot::LocalMachineNative: return L"HKLM64";
  }
  return L"?";
}

FakeRegistry::Key* FakeRegistry::Find(RegRoot root, std::wstring_view subKey) {
  const auto found = keys_.find({Canonical(root), CanonicalPath(root, subKey)});
  return found == keys_.end() ? nullptr : &found->second;
}

const FakeRegistry::Key* FakeRegistry::Find(RegRoot root, std::wstring_view subKey) const {
  const auto found = keys_.find({Canonical(root), CanonicalPath(root, subKey)});
  return found == keys_.end() ? nullptr : &found->second;
}

FakeRegistry::Key* FakeRegistry::CreatePath(RegRoot root, std::wstring_view subKey) {
  const std::wstring prefix = root == RegRoot::ClassesRoot ? L"SOFTWARE\\Classes\\" : L"";
  std::wstring canonical;
  Key* key = nullptr;
  for (const auto& level : SplitLevels(prefix + std::wstring(subKey))) {
    const std::wstring written = key ? key->path + L"\\" + level : level;
    canonical += (key ? L"\\" : L"") + Lower(level);
    key = &keys_[{Canonical(root), canonical}];
    if (key->path.empty()) key->path = written;
  }
  return key;
}

bool FakeRegistry::SetDefaultValue(RegRoot root, std::wstring_view subKey, std::wstring_view value) {
  if (Denied(root)) return false;
  Key* key = CreatePath(root, subKey);
  if (!key) return false;
  key->names.emplace(L"", L"");
  key->values[L""] = RegistryValue{kRegSz, Utf16Bytes(value)};
  journal_.push_back(L"set " + RootName(root) + L"\\" + std::wstring(subKey) + L" []");
  return true;
}

std::unique_ptr<RegistryKey> FakeRegistry::OpenKey(RegRoot root, std::wstring_view subKey,
                                                   std::uint32_t access) {
  const bool wantsWrite = (access & (kKeySetValue | kKeyCreateSubKey)) != 0;
  if (!Find(root, subKey) || (wantsWrite && Denied(root))) return nullptr;
  return std::make_unique<FakeRegistryKey>(*this, root, std::wstring(subKey), access);
}

std::unique_ptr<RegistryKey> FakeRegistry::CreateKey(RegRoot root, std::wstring_view subKey) {
  if (Denied(root) || !CreatePath(root, subKey)) return nullptr;
  journal_.push_back(L"create " + RootName(root) + L"\\" + std::wstring(subKey));
  return std::make_unique<FakeRegistryKey>(*this, root, std::wstring(subKey), kKeyAllAccess);
}

bool FakeRegistry::HasSubKeys(RegRoot root, std::wstring_view subKey) const {
  // Keys sort by path, and a sibling such as "a b" sorts between "a" and "a\\b": look for the
  // first path that starts with the key's own path and a backslash.
  const std::wstring prefix = CanonicalPath(root, subKey) + L"\\";
  const auto next = keys_.lower_bound({Canonical(root), prefix});
  return next != keys_.end() && next->first.first == Canonical(root) &&
         next->first.second.starts_with(prefix);
}

bool FakeRegistry::DeleteKey(RegRoot root, std::wstring_view subKey) {
  if (Denied(root)) return false;
  const auto found = keys_.find({Canonical(root), CanonicalPath(root, subKey)});
  if (found == keys_.end()) return false;
  if (HasSubKeys(root, subKey)) return false;  // RegDeleteKeyW leaves a key with subkeys alone
  keys_.erase(found);
  journal_.push_back(L"delete " + RootName(root) + L"\\" + std::wstring(subKey));
  return true;
}

bool FakeRegistry::DeleteTree(RegRoot root, std::wstring_view subKey) {
  if (Denied(root) || !Find(root, subKey)) return false;
  const std::wstring path = CanonicalPath(root, subKey);
  for (auto at = keys_.begin(); at != keys_.end();) {
    const bool inTree = at->first.first == Canonical(root) &&
                        (at->first.second == path || at->first.second.starts_with(path + L"\\"));
    at = inTree ? keys_.erase(at) : std::next(at);
  }
  journal_.push_back(L"delete tree " + RootName(root) + L"\\" + std::wstring(subKey));
  return true;
}

bool FakeRegistry::KeyExists(RegRoot root, std::wstring_view subKey) const {
  return Find(root, subKey) != nullptr;
}

const RegistryValue* FakeRegistry::Value(RegRoot root, std::wstring_view subKey,
                                         std::wstring_view name) const {
  const Key* key = Find(root, subKey);
  if (!key) return nullptr;
  const auto found = key->values.find(Lower(name));
  return found == key->values.end() ? nullptr : &found->second;
}

std::optional<std::wstring> FakeRegistry::StringValue(RegRoot root, std::wstring_view subKey,
                                                      std::wstring_view name) const {
  const RegistryValue* value = Value(root, subKey, name);
  if (!value || value->type != kRegSz) return std::nullopt;
  return FromUtf16Bytes(value->data);
}

std::optional<std::uint32_t> FakeRegistry::DwordValue(RegRoot root, std::wstring_view subKey,
                                                      std::wstring_view name) const {
  const RegistryValue* value = Value(root, subKey, name);
  if (!value || value->type != kRegDword || value->data.size() != 4) return std::nullopt;
  return static_cast<std::uint32_t>(value->data[0] | value->data[1] << 8 | value->data[2] << 16 |
                                    static_cast<std::uint32_t>(value->data[3]) << 24);
}

void FakeRegistry::Seed(RegRoot root, std::wstring_view subKey, std::wstring_view name, RegistryValue value) {
  Key* key = CreatePath(root, subKey);
  key->names.emplace(Lower(name), std::wstring(name));
  key->values[Lower(name)] = std::move(value);
}

std::vector<std::wstring> FakeRegistry::Keys() const {
  std::vector<std::wstring> paths;
  for (const auto& [id, key] : keys_) paths.push_back(RootName(id.first) + L"\\" + key.path);
  return paths;
}

std::vector<std::wstring> FakeRegistry::Dump() const {
  std::vector<std::wstring> lines;
  static constexpr wchar_t kHex[] = L"0123456789abcdef";
  for (const auto& [id, key] : keys_) {
    const std::wstring path = RootName(id.first) + L"\\" + Lower(key.path);
    lines.push_back(path);
    for (const auto& [name, value] : key.values) {
      std::wstring line = path + L" [" + name + L"] " + std::to_wstring(value.type) + L":";
      for (const std::uint8_t byte : value.data) {
        line.push_back(kHex[byte >> 4]);
        line.push_back(kHex[byte & 0x0F]);
      }
      lines.push_back(line);
    }
  }
  return lines;
}

// ---------------------------------------------------------------- file system

class FakeOutputFile final : public OutputFile {
 public:
  FakeOutputFile(FakeFileSystem& files, fs::path host, std::FILE* file, std::optional<std::size_t> room)
      : files_(files), host_(std::move(host)), file_(file), room_(room) {}
  ~FakeOutputFile() override { Close(); }
  std::size_t Write(const void* data, std::size_t size) override {
    if (!file_) return 0;
    const std::size_t accepted = room_ ? std::min(size, *room_) : size;
    const std::size_t written = std::fwrite(data, 1, accepted, file_);
    if (room_) *room_ -= written;
    return written;
  }
  bool SetTimesFromDos(std::uint32_t dosDateTime) override {
    if (!file_) return false;
    setTime_ = files_.UtcOfDos(dosDateTime);
    return true;
  }
  bool Close() override {
    if (!file_) return false;
    const bool ok = std::fclose(file_) == 0;
    file_ = nullptr;
    // As on Windows, times set through the handle are not replaced when it closes.
    if (setTime_) {
      files_.creationTimes_[host_] = *setTime_;
      SetHostWriteTime(host_, *setTime_);
    }
    return ok;
  }

 private:
  FakeFileSystem& files_;
  fs::path host_;
  std::FILE* file_;
  std::optional<std::size_t> room_;  // bytes the disk still takes; none: unlimited
  std::optional<std::int64_t> setTime_;
};

// Held like the Win32 one: the path counts as locked to everyone else until the object goes,
// and then the file is deleted. minizip reads it by its host name, which no other caller of the
// fake can reach.
class FakeScratchFile final : public ScratchFile {
 public:
  FakeScratchFile(FakeFileSystem& files, std::wstring path, fs::path host, std::FILE* file)
      : files_(files), path_(std::move(path)), host_(std::move(host)), file_(file) {
    files_.locked_.insert(host_);
  }
  FakeScratchFile(const FakeScratchFile&) = delete;
  FakeScratchFile& operator=(const FakeScratchFile&) = delete;
  ~FakeScratchFile() override {
    std::fclose(file_);
    files_.locked_.erase(host_);
    files_.creationTimes_.erase(host_);
    std::error_code ignored;
    fs::remove(host_, ignored);
  }
  std::size_t Write(const void* data, std::size_t size) override {
    const std::size_t written = std::fwrite(data, 1, size, file_);
    std::fflush(file_);
    return written;
  }
  void FillArchiveFunctions(zlib_filefunc64_def_s& table) override {
    fill_fopen64_filefunc(&table);
    if (files_.whileScratchFileHeld) files_.whileScratchFileHeld(path_);
  }
  ArchiveOpenName ArchiveName() override { return ArchiveOpenName{{}, host_.string()}; }

 private:
  FakeFileSystem& files_;
  std::wstring path_;
  fs::path host_;
  std::FILE* file_;
};

FakeFileSystem::FakeFileSystem() {
  std::string pattern = (fs::temp_directory_path() / "lanternix-fake-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create the fake file system's folder");
  root_ = pattern;
  AddDrive(L'C');
  fs::create_directories(root_ / "C" / "Temp");
}

FakeFileSystem::~FakeFileSystem() {
  std::error_code ignored;
  fs::remove_all(root_, ignored);
}

void FakeFileSystem::LimitWrites(std::wstring_view path, std::size_t bytes) {
  if (const auto host = HostPath(path)) writeRoom_[*host] = bytes;
}

void FakeFileSystem::AddDrive(wchar_t letter) {
  fs::create_directories(root_ /
                         std::string(1, static_cast<char>(std::towupper(static_cast<wint_t>(letter)))));
}

void FakeFileSystem::AddNetworkShare(std::wstring_view uncShare) {
  fs::path host = root_ / "UNC";
  for (const auto& level : SplitLevels(uncShare)) host /= ToUtf8(level);
  fs::create_directories(host);
}

std::wstring FakeFileSystem::FullPath(std::wstring_view path) const {
  std::wstring text(path);
  std::replace(text.begin(), text.end(), L'/', L'\\');
  std::wstring prefix;
  std::wstring rest;
  if (text.starts_with(L"\\\\")) {
    prefix = L"\\\\";
    rest = text.substr(2);
  } else if (text.size() >= 2 && text[1] == L':') {
    prefix = std::wstring(1, static_cast<wchar_t>(std::towupper(static_cast<wint_t>(text[0])))) + L":\\";
    rest = text.substr(2);
  } else if (text.starts_with(L"\\")) {
    prefix = current_.substr(0, 3);
    rest = text;
  } else {
    return FullPath(current_ + L"\\" + text);
  }
  std::vector<std::wstring> levels;
  for (auto level : SplitLevels(rest)) {
    if (level == L".") continue;
    if (level == L"..") {
      if (!levels.empty()) levels.pop_back();
      continue;
    }
    // Windows drops one final dot from every level, but spaces only from the end of the whole
    // path: "C:\A \B" names a folder "A " that "C:\A" is not.
    if (level.back() == L'.') level.pop_back();
    if (!level.empty()) levels.push_back(level);
  }
  if (text.back() != L'\\') {
    while (!levels.empty() && !levels.back().empty() &&
           (levels.back().back() == L' ' || levels.back().back() == L'.'))
      levels.back().pop_back();
    if (!levels.empty() && levels.back().empty()) levels.pop_back();
  }
  std::wstring full = prefix;
  for (const auto& level : levels) full += level + L"\\";
  if (full.size() > prefix.size()) full.pop_back();
  return full;
}

void FakeFileSystem::AddShortName(std::wstring_view folder, std::wstring_view shortName) {
  const std::wstring full = FullPath(folder);
  shortNames_[Lower(full.substr(0, full.find_last_of(L'\\') + 1) + std::wstring(shortName))] = full;
}

std::wstring FakeFileSystem::WithLongNames(std::wstring full) const {
  for (bool replaced = true; replaced;) {
    replaced = false;
    const std::wstring lowered = Lower(full);
    for (const auto& [alias, folder] : shortNames_) {
      if (!lowered.starts_with(alias) || (lowered.size() > alias.size() && lowered[alias.size()] != L'\\'))
        continue;
      full = folder + full.substr(alias.size());
      replaced = true;
      break;
    }
  }
  return full;
}

std::wstring FakeFileSystem::CanonicalPath(std::wstring_view path) {
  const std::wstring full = FullPath(path);
  // GetLongPathNameW fails on a path that does not exist, which then keeps its short levels.
  return Exists(full) ? WithLongNames(full) : full;
}

std::optional<fs::path> FakeFileSystem::HostPath(std::wstring_view windowsPath) const {
  const std::wstring full = WithLongNames(FullPath(windowsPath));
  fs::path host;
  std::vector<std::wstring> levels;
  if (full.starts_with(L"\\\\")) {
    levels = SplitLevels(full.substr(2));
    if (levels.size() < 2) return std::nullopt;
    host = root_ / "UNC" / ToUtf8(levels[0]) / ToUtf8(levels[1]);
    levels.erase(levels.begin(), levels.begin() + 2);
  } else {
    host = root_ / std::string(1, static_cast<char>(full[0]));
    levels = SplitLevels(full.substr(3));
  }
  if (!fs::is_directory(host)) return std::nullopt;
  for (const auto& level : levels) host /= ToUtf8(level);
  return host;
}

bool FakeFileSystem::InReadOnlyFolder(const fs::path& host) const {
  for (fs::path folder = host.parent_path(); folder != root_ && folder.has_relative_path();
       folder = folder.parent_path())
    if (readOnly_.count(folder)) return true;
  return false;
}

FolderCreation FakeFileSystem::CreateFolder(std::wstring_view path) {
  const std::wstring full = FullPath(path);
  const auto host = HostPath(full);
  if (!host) return full.starts_with(L"\\\\") ? FolderCreation::Failed : FolderCreation::ParentMissing;
  const bool isRoot = full.size() <= 3 || (full.starts_with(L"\\\\") && SplitLevels(full).size() <= 2);
  if (isRoot) return FolderCreation::Failed;
  if (fs::exists(*host)) return FolderCreation::AlreadyExists;
  if (!fs::is_directory(host->parent_path())) return FolderCreation::ParentMissing;
  if (InReadOnlyFolder(*host)) return FolderCreation::Failed;
  std::error_code error;
  return fs::create_directory(*host, error) ? FolderCreation::Created : FolderCreation::Failed;
}

FolderCreation FakeFileSystem::CreateProtectedFolder(std::wstring_view path) {
  const FolderCreation result = CreateFolder(path);
  if (result == FolderCreation::Created) protectedFolders.push_back(FullPath(path));
  return result;
}

bool FakeFileSystem::SetCurrentFolder(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || !fs::is_directory(*host)) return false;
  current_ = FullPath(path);
  return true;
}

std::unique_ptr<OutputFile> FakeFileSystem::Open(std::wstring_view path, bool append) {
  const auto host = HostPath(path);
  if (!host || Locked(*host) || InReadOnlyFolder(*host) || readOnlyFiles_.count(*host) ||
      fs::is_directory(*host))
    return nullptr;
  const bool existed = fs::exists(*host);
  std::FILE* file = std::fopen(host->c_str(), append ? "ab" : "wb");
  if (!file) return nullptr;
  if (!existed) creationTimes_[*host] = NowAsFileTime();
  const auto room = writeRoom_.find(*host);
  return std::make_unique<FakeOutputFile>(
      *this, *host, file, room == writeRoom_.end() ? std::nullopt : std::optional<std::size_t>(room->second));
}

std::unique_ptr<OutputFile> FakeFileSystem::OpenForWriting(std::wstring_view path) {
  return Open(path, false);
}

std::unique_ptr<ScratchFile> FakeFileSystem::CreateScratchFile(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || InReadOnlyFolder(*host)) return nullptr;
  if (fs::is_regular_file(*host) && !Remove(path)) return nullptr;
  if (fs::exists(*host)) return nullptr;
  std::FILE* file = std::fopen(host->c_str(), "w+b");
  if (!file) return nullptr;
  creationTimes_[*host] = NowAsFileTime();
  return std::make_unique<FakeScratchFile>(*this, std::wstring(path), *host, file);
}

std::unique_ptr<OutputFile> FakeFileSystem::OpenForAppending(std::wstring_view path) {
  const auto host = HostPath(path);
  std::error_code error;
  if (host &&
      (fs::is_symlink(*host) || (fs::is_regular_file(*host) && fs::hard_link_count(*host, error) > 1)))
    return nullptr;
  return Open(path, true);
}

std::unique_ptr<OutputFile> FakeFileSystem::OpenInstallationFile(std::wstring_view folder,
                                                                 std::wstring_view relativePath) {
  const auto base = HostPath(folder);
  if (!base) return nullptr;
  std::wstring relative(relativePath);
  std::replace(relative.begin(), relative.end(), L'/', L'\\');
  fs::path host = *base;
  for (const auto& level : SplitLevels(relative)) {
    host /= ToUtf8(level);
    if (fs::is_symlink(host)) return nullptr;
  }
  std::error_code error;
  if (fs::is_regular_file(host) && fs::hard_link_count(host, error) > 1 &&
      !Remove(FullPath(folder) + L"\\" + relative))
    return nullptr;
  return Open(FullPath(folder) + L"\\" + relative, false);
}

std::optional<std::vector<std::uint8_t>> FakeFileSystem::ReadAll(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || Locked(*host) || !fs::is_regular_file(*host)) return std::nullopt;
  std::ifstream in(*host, std::ios::binary);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

bool FakeFileSystem::Remove(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || Locked(*host) || InReadOnlyFolder(*host) || readOnlyFiles_.count(*host) ||
      !fs::is_regular_file(*host))
    return false;
  creationTimes_.erase(*host);
  return fs::remove(*host);
}

bool FakeFileSystem::ClearReadOnly(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || !fs::is_regular_file(*host)) return false;
  readOnlyFiles_.erase(*host);
  return true;
}

bool FakeFileSystem::RemoveFolder(std::wstring_view path) {
  const auto host = HostPath(path);
  // As RemoveDirectoryW on a junction: the link goes, whatever its target holds.
  if (host && fs::is_symlink(*host) && fs::is_directory(*host)) return RemoveLink(path);
  if (!host || !fs::is_directory(*host) || InReadOnlyFolder(*host) || !fs::is_empty(*host)) return false;
  std::error_code error;
  return fs::remove(*host, error);
}

bool FakeFileSystem::IsLink(std::wstring_view path) {
  const auto host = HostPath(path);
  return host && fs::is_symlink(*host);
}

std::uint32_t FakeFileSystem::LinkCount(std::wstring_view path) {
  const auto host = HostPath(path);
  std::error_code error;
  const auto count = host ? fs::hard_link_count(*host, error) : 0;
  return error ? 0 : static_cast<std::uint32_t>(count);
}

bool FakeFileSystem::RemoveLink(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || !fs::is_symlink(*host) || InReadOnlyFolder(*host)) return false;
  std::error_code error;
  return fs::remove(*host, error);
}

bool FakeFileSystem::FileExists(std::wstring_view path) {
  const auto host = HostPath(path);
  return host && fs::is_regular_file(*host);
}

bool FakeFileSystem::IsHeldOpen(std::wstring_view path) {
  const auto host = HostPath(path);
  return host && Locked(*host) && fs::is_regular_file(*host);
}

bool FakeFileSystem::MoveReplacing(std::wstring_view from, std::wstring_view to) {
  const auto source = HostPath(from);
  const auto target = HostPath(to);
  if (!source || !target || Locked(*source) || Locked(*target) || !fs::is_regular_file(*source) ||
      InReadOnlyFolder(*target))
    return false;
  std::error_code error;
  fs::rename(*source, *target, error);
  if (error) return false;
  if (const auto created = creationTimes_.find(*source); created != creationTimes_.end()) {
    creationTimes_[*target] = created->second;
    creationTimes_.erase(created);
  }
  return true;
}

std::int64_t FakeFileSystem::UtcOfDos(std::uint32_t dosDateTime) const {
  const unsigned date = dosDateTime >> 16;
  const unsigned time = dosDateTime & 0xFFFF;
  const std::int64_t local = FileTimeOf(static_cast<int>(1980 + (date >> 9)), (date >> 5) & 0x0F, date & 0x1F,
                                        static_cast<int>(time >> 11), static_cast<int>((time >> 5) & 0x3F),
                                        static_cast<int>((time & 0x1F) * 2));
  return local - std::int64_t{utcOffsetMinutes_} * 60 * 10'000'000LL;
}

std::optional<std::int64_t> FakeFileSystem::FileSize(std::wstring_view path) {
  const auto host = HostPath(path);
  if (!host || Locked(*host) || !fs::is_regular_file(*host)) return std::nullopt;
  return static_cast<std::int64_t>(fs::file_size(*host));
}

void FakeFileSystem::FillArchiveFunctions(zlib_filefunc64_def_s& table) {
  fill_fopen64_filefunc(&table);
}

ArchiveOpenName FakeFileSystem::ArchiveName(std::wstring_view path) {
  const auto host = HostPath(path);
  // A path on a missing drive still needs a name that fails to open.
  return ArchiveOpenName{{}, host ? host->string() : (root_ / "missing-drive").string()};
}

void FakeFileSystem::Lock(std::wstring_view path) {
  if (const auto host = HostPath(path)) locked_.insert(*host);
}

void FakeFileSystem::Unlock(std::wstring_view path) {
  if (const auto host = HostPath(path)) locked_.erase(*host);
}

void FakeFileSystem::MakeReadOnly(std::wstring_view folder) {
  if (const auto host = HostPath(folder)) readOnly_.insert(*host);
}

void FakeFileSystem::MakeFileReadOnly(std::wstring_view path) {
  if (const auto host = HostPath(path)) readOnlyFiles_.insert(*host);
}

bool FakeFileSystem::Exists(std::wstring_view path) const {
  const auto host = HostPath(path);
  return host && fs::exists(*host);
}

bool FakeFileSystem::IsFolder(std::wstring_view path) const {
  const auto host = HostPath(path);
  return host && fs::is_directory(*host);
}

void FakeFileSystem::WriteText(std::wstring_view path, std::string_view bytes) {
  const auto host = HostPath(path);
  if (!host) throw std::runtime_error("WriteText: no such drive or share: " + ToUtf8(path));
  fs::create_directories(host->parent_path());
  if (!fs::exists(*host)) creationTimes_[*host] = NowAsFileTime();
  std::ofstream(*host, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

void FakeFileSystem::MakeLink(std::wstring_view path, std::wstring_view target) {
  const auto host = HostPath(path);
  const auto targetHost = HostPath(target);
  if (!host || !targetHost) throw std::runtime_error("MakeLink: no such drive or share: " + ToUtf8(path));
  fs::create_directories(host->parent_path());
  fs::create_symlink(*targetHost, *host);
}

void FakeFileSystem::MakeHardLink(std::wstring_view path, std::wstring_view target) {
  const auto host = HostPath(path);
  const auto targetHost = HostPath(target);
  if (!host || !targetHost) throw std::runtime_error("MakeHardLink: no such drive or share: " + ToUtf8(path));
  fs::create_directories(host->parent_path());
  fs::create_hard_link(*targetHost, *host);
}

std::optional<FakeFileTimes> FakeFileSystem::Times(std::wstring_view path) const {
  const auto host = HostPath(path);
  if (!host || !fs::exists(*host)) return std::nullopt;
  const std::int64_t written = FileTimeFromHost(*host);
  const auto created = creationTimes_.find(*host);
  return FakeFileTimes{created == creationTimes_.end() ? written : created->second, written};
}

// ---------------------------------------------------------------- INI files

namespace {

struct IniLines {
  bool unicode = false;
  std::vector<std::wstring> lines;  // without their line ends
};

std::wstring TrimBlanks(std::wstring_view text) {
  const auto first = text.find_first_not_of(L" \t");
  if (first == std::wstring_view::npos) return {};
  return std::wstring(text.substr(first, text.find_last_not_of(L" \t") - first + 1));
}

IniLines DecodeIni(const std::vector<std::uint8_t>& bytes, SystemInfo& system) {
  IniLines ini;
  std::wstring text;
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE) {
    ini.unicode = true;
    text = FromUtf16Bytes(std::vector<std::uint8_t>(bytes.begin() + 2, bytes.end()));
  } else {
    text = system.AnsiToWide(std::string(bytes.begin(), bytes.end()));
  }
  std::size_t start = 0;
  while (start < text.size()) {
    auto end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    ini.lines.push_back(std::move(line));
    start = end + 1;
  }
  return ini;
}

std::vector<std::uint8_t> EncodeIni(const IniLines& ini, SystemInfo& system) {
  std::wstring text;
  for (const auto& line : ini.lines) text += line + L"\r\n";
  if (!ini.unicode) {
    const std::string ansi = system.WideToAnsi(text);
    return std::vector<std::uint8_t>(ansi.begin(), ansi.end());
  }
  std::vector<std::uint8_t> bytes{0xFF, 0xFE};
  auto units = Utf16Bytes(text);
  bytes.insert(bytes.end(), units.begin(), units.end() - 2);  // without the terminating zero
  return bytes;
}

// The section name of a "[name]" line.
std::optional<std::wstring> SectionName(std::wstring_view line) {
  const std::wstring trimmed = TrimBlanks(line);
  if (!trimmed.starts_with(L'[')) return std::nullopt;
  const auto close = trimmed.find(L']');
  const std::size_t length = close == std::wstring::npos ? std::wstring::npos : close - 1;
  return TrimBlanks(std::wstring_view(trimmed).substr(1, length));
}

// The key name of a "key=value" line (a line without "=" is a key without value).
std::wstring KeyName(std::wstring_view line) {
  return TrimBlanks(line.substr(0, line.find(L'=')));
}

struct IniPlace {
  std::size_t section = std::wstring::npos;  // index of the section's header line
  std::size_t end = 0;                       // one past the section's last line
  std::size_t key = std::wstring::npos;
};

IniPlace Locate(const IniLines& ini, std::wstring_view section, std::wstring_view key) {
  IniPlace place;
  for (std::size_t i = 0; i < ini.lines.size(); ++i) {
    const auto name = SectionName(ini.lines[i]);
    if (place.section == std::wstring::npos) {
      if (name && Lower(*name) == Lower(TrimBlanks(section))) place.section = i;
      continue;
    }
    if (name) {
      place.end = i;
      return place;
    }
    if (place.key == std::wstring::npos && !TrimBlanks(ini.lines[i]).empty() &&
        Lower(KeyName(ini.lines[i])) == Lower(TrimBlanks(key)))
      place.key = i;
  }
  place.end = ini.lines.size();
  return place;
}

// A bare file name means a file in the Windows folder to the private-profile functions.
std::wstring ProfilePath(std::wstring_view path, SystemInfo& system) {
  if (path.find_first_of(L"\\/") != std::wstring_view::npos) return std::wstring(path);
  return system.WindowsFolder() + L"\\" + std::wstring(path);
}

}  // namespace

bool FakeProfileFiles::WriteString(std::wstring_view path, std::wstring_view section, std::wstring_view key,
                                   std::optional<std::wstring_view> value) {
  const std::wstring file = ProfilePath(path, system_);
  const auto bytes = files_.ReadAll(file);
  if (!bytes && files_.Exists(file)) return false;  // held open by another program
  IniLines ini = bytes ? DecodeIni(*bytes, system_) : IniLines{};
  const IniPlace place = Locate(ini, section, key);
  const std::wstring keyName = TrimBlanks(key);
  if (!value) {
    if (place.key == std::wstring::npos) return true;  // nothing to remove
    ini.lines.erase(ini.lines.begin() + static_cast<std::ptrdiff_t>(place.key));
  } else if (place.key != std::wstring::npos) {
    ini.lines[place.key] = KeyName(ini.lines[place.key]) + L"=" + std::wstring(*value);
  } else if (place.section != std::wstring::npos) {
    std::size_t after = place.section + 1;
    for (std::size_t i = after; i < place.end; ++i)
      if (!TrimBlanks(ini.lines[i]).empty()) after = i + 1;
    ini.lines.insert(ini.lines.begin() + static_cast<std::ptrdiff_t>(after),
                     keyName + L"=" + std::wstring(*value));
  } else {
    ini.lines.push_back(L"[" + TrimBlanks(section) + L"]");
    ini.lines.push_back(keyName + L"=" + std::wstring(*value));
  }
  auto out = files_.OpenForWriting(file);
  if (!out) return false;
  const auto encoded = EncodeIni(ini, system_);
  return out->Write(encoded.data(), encoded.size()) == encoded.size() && out->Close();
}

std::wstring FakeProfileFiles::ReadString(std::wstring_view path, std::wstring_view section,
                                          std::wstring_view key, std::size_t maxChars) {
  const auto bytes = files_.ReadAll(ProfilePath(path, system_));
  if (!bytes || maxChars == 0) return {};
  const IniLines ini = DecodeIni(*bytes, system_);
  const IniPlace place = Locate(ini, section, key);
  if (place.key == std::wstring::npos) return {};
  const std::wstring& line = ini.lines[place.key];
  const auto equals = line.find(L'=');
  std::wstring value =
      equals == std::wstring::npos ? std::wstring() : TrimBlanks(std::wstring_view(line).substr(equals + 1));
  // Like Windows, one pair of enclosing quotes is not part of the value.
  if (value.size() >= 2 && (value.front() == L'"' || value.front() == L'\'') && value.back() == value.front())
    value = value.substr(1, value.size() - 2);
  CutToBuffer(value, maxChars);
  return value;
}

// ---------------------------------------------------------------- shell

FakeShell::FakeShell(FakeFileSystem& files) : files_(files) {}

std::optional<std::wstring> FakeShell::SpecialFolder(int csidl) {
  const auto found = folders.find(csidl);
  if (found == folders.end()) return std::nullopt;
  return found->second;
}

bool FakeShell::SaveShellLink(std::wstring_view linkPath, const ShellLink& link) {
  auto file = files_.OpenForWriting(linkPath);
  if (!file) return false;
  std::string text = "[fake shell link]\ntarget=" + ToUtf8(link.target) + "\n";
  file->Write(text.data(), text.size());
  file->Close();
  links[files_.FullPath(linkPath)] = link;
  return true;
}

std::optional<std::wstring> FakeShell::ShellLinkTarget(std::wstring_view linkPath) {
  if (!files_.FileExists(linkPath)) return std::nullopt;
  const auto found = links.find(files_.FullPath(linkPath));
  if (found != links.end()) return found->second.target;
  // A link file a test wrote itself: the same text SaveShellLink writes.
  const auto bytes = files_.ReadAll(linkPath);
  if (!bytes) return std::nullopt;
  const std::string text(bytes->begin(), bytes->end());
  const auto at = text.find("\ntarget=");
  if (at == std::string::npos) return std::nullopt;
  const auto end = text.find('\n', at + 8);
  return FromUtf8(text.substr(at + 8, end == std::string::npos ? std::string::npos : end - at - 8));
}

std::intptr_t FakeShell::OpenDocument(std::wstring_view pathOrUrl, std::wstring_view parameters) {
  opened.push_back(L"open " + std::wstring(pathOrUrl) + L" " + std::wstring(parameters));
  return openResult;
}

std::intptr_t FakeShell::OpenAsDesktopUser(std::wstring_view pathOrUrl, std::wstring_view parameters) {
  opened.push_back(L"user " + std::wstring(pathOrUrl) + L" " + std::wstring(parameters));
  return desktopUserResult;
}

std::intptr_t FakeShell::RunCommandLine(std::wstring_view commandLine) {
  opened.push_back(L"run " + std::wstring(commandLine));
  return runResult;
}

// ---------------------------------------------------------------- system information

std::optional<std::wstring> FakeSystemInfo::Environment(std::wstring_view name) {
  for (const auto& [key, value] : environment)
    if (Lower(key) == Lower(name)) return value;
  return std::nullopt;
}

bool FakeSystemInfo::TopLevelWindowExists(std::wstring_view className) {
  for (const auto& registered : windowClasses)
    if (Lower(registered) == Lower(className)) return true;
  return false;
}

std::wstring FakeSystemInfo::AnsiToWide(std::string_view text) {
  std::wstring wide;
  for (const char ch : text) wide.push_back(static_cast<wchar_t>(static_cast<unsigned char>(ch)));
  return wide;
}

std::string FakeSystemInfo::WideToAnsi(std::wstring_view text) {
  std::string ansi;
  for (const wchar_t ch : text)
    ansi.push_back(static_cast<std::uint32_t>(ch) < 0x100 ? static_cast<char>(ch) : '?');
  return ansi;
}

std::wstring FakeSystemInfo::ShortDate(const LocalDateTime& date) {
  std::wstring out;
  const std::wstring_view format = shortDateFormat;
  for (std::size_t i = 0; i < format.size();) {
    const wchar_t letter = format[i];
    std::size_t run = 1;
    while (i + run < format.size() && format[i + run] == letter) ++run;
    i += run;
    auto number = [&out](int value, std::size_t digits) {
      std::wstring text = std::to_wstring(value);
      if (text.size() < digits) text.insert(0, digits - text.size(), L'0');
      out += text;
    };
    if (letter == L'd' && run <= 2) {
      number(date.day, run);
    } else if (letter == L'M' && run <= 2) {
      number(date.month, run);
    } else if (letter == L'y' && (run == 2 || run == 4)) {
      number(run == 2 ? date.year % 100 : date.year, run);
    } else {
      out.append(run, letter);
    }
  }
  return out;
}

void FakeSystemInfo::SetVersion(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                                std::wstring servicePack) {
  rtlVersion = OsVersionRecord{kPlatformWin32Nt, major, minor, build, servicePack};
  versionEx = *rtlVersion;
}

// ---------------------------------------------------------------- resources and messages

std::optional<FileVersionData> FakeVersionResources::Query(std::wstring_view path) {
  const std::wstring full = files_.FullPath(path);
  if (!files_.Exists(full)) return std::nullopt;
  const auto found = byPath.find(full);
  if (found == byPath.end()) return std::nullopt;
  return found->second;
}

std::wstring FakeProgramResources::String(unsigned id, std::size_t maxChars) {
  const auto found = strings.find(id);
  if (found == strings.end() || maxChars == 0) return {};
  return found->second.substr(0, maxChars - 1);
}

std::span<const std::uint8_t> FakeProgramResources::Bytes(std::wstring_view type, unsigned id) {
  if (const auto view = views.find({std::wstring(type), id}); view != views.end()) return view->second;
  const auto found = bytes.find({std::wstring(type), id});
  if (found == bytes.end()) return {};
  return found->second;
}

int FakeMessageBoxes::Show(std::wstring_view text, std::wstring_view caption, unsigned flags) {
  shown.push_back(ShownMessage{std::wstring(text), std::wstring(caption), flags});
  if (answers.empty()) return 1;
  const int answer = answers.front();
  answers.pop_front();
  return answer;
}

// ---------------------------------------------------------------- the whole platform

FakePlatform::FakePlatform() {
  // A plain Windows 10 machine with one user.
  shell.folders = {
      {kCsidlDesktop, L"C:\\Users\\tester\\Desktop"},
      {kCsidlPrograms, L"C:\\Users\\tester\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
      {kCsidlCommonDesktopDirectory, L"C:\\Users\\Public\\Desktop"},
      {kCsidlCommonPrograms, L"C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs"},
  };
  for (const auto& [csidl, folder] : shell.folders) fs::create_directories(*files.HostPath(folder));
  for (const wchar_t* folder : {L"C:\\Windows\\system32", L"C:\\Program Files"})
    fs::create_directories(*files.HostPath(folder));
  system.environment = {{L"APPDATA", L"C:\\Users\\tester\\AppData\\Roaming"},
                        {L"TEMP", L"C:\\Temp"},
                        {L"USERPROFILE", L"C:\\Users\\tester"}};
  registry.Seed(RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", L"ProgramFilesDir",
                RegistryValue{kRegSz, Utf16Bytes(L"C:\\Program Files")});
}

}  // namespace lanternix::fake
