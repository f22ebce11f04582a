#include "install/viewer_ini.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "model/system_probes.h"
#include "install/folder_creation.h"
#include "install/install_driver.h"
#include "platform/text_limits.h"

namespace lanternix {

namespace {

constexpr std::wstring_view kLanguageSection = L"Language";
constexpr std::wstring_view kTemporaryIniName = L"l_tern32.ini_temp";
constexpr std::wstring_view kUnicodeHeader = L"; UNICODE FILE - edit with care ;-)\r\n\r\n";
constexpr std::array<std::wstring_view, 2> kPortableFolderMarks = {L"Lanternix32_App", L"Lanternix64_App"};

struct ToolbarSkin {
  std::wstring_view file;
  std::wstring_view size;
};

constexpr ToolbarSkin kSkin48{L"gnome-colors-human_48.png", L"48"};
constexpr ToolbarSkin kSkin32{L"gnome-colors-wise_32.png", L"32"};
constexpr ToolbarSkin kSkin24{kPortableToolbarSkin, kPortableToolbarSize};
constexpr ToolbarSkin kSkin16{L"Vespin_16.png", L"16"};

// The bounds are deliberately uneven: 1600 and up, but above 1200; below 768.
ToolbarSkin ChooseToolbarSkin(int fullScreenHeight, int scale) {
  if (fullScreenHeight >= 1600 || scale >= 170) return kSkin48;
  if (fullScreenHeight > 1200 || scale >= 150) return kSkin32;
  if (fullScreenHeight < 768) return kSkin16;
  return kSkin24;
}

// Percent of the standard 96 DPI, in whole numbers: 143 DPI is 148, not 150.
int DisplayScale(SystemInfo& system) {
  return system.HorizontalDpi() * 100 / 96;
}

bool Contains(std::wstring_view text, std::wstring_view part) {
  return text.find(part) != std::wstring_view::npos;
}

std::wstring ExpandedIniFolder(SystemInfo& system, std::wstring_view iniFolder) {
  return Contains(iniFolder, L"%") ? ExpandIniFolder(system, iniFolder) : std::wstring(iniFolder);
}

// "CON", "NUL", "COM1", ... name devices in every folder, with or without an extension.
bool IsDeviceName(std::wstring_view level) {
  std::wstring stem(level.substr(0, level.find(L'.')));
  TrimSpaces(stem);
  for (const std::wstring_view device : {L"CON", L"PRN", L"AUX", L"NUL"})
    if (EqualIgnoringCase(stem, device)) return true;
  if (stem.size() != 4 || stem[3] < L'1' || stem[3] > L'9') return false;
  const std::wstring_view prefix = std::wstring_view(stem).substr(0, 3);
  return EqualIgnoringCase(prefix, L"COM") || EqualIgnoringCase(prefix, L"LPT");
}

// "\\.\" and "\\?\" reach devices and the object namespace, not a folder of files.
bool NamesDevice(std::wstring_view folder) {
  if (folder.starts_with(L"\\\\.\\") || folder.starts_with(L"\\\\?\\")) return true;
  std::size_t start = 0;
  while (start <= folder.size()) {
    const auto end = std::min(folder.find_first_of(L"\\/", start), folder.size());
    if (IsDeviceName(folder.substr(start, end - start))) return true;
    start = end + 1;
  }
  return false;
}

// The redirect as the folder is created: every level without its trailing spaces, and a final
// "\" only where the user wrote one.
std::wstring RedirectText(std::wstring_view iniFolder) {
  return FolderTextAsCreated(iniFolder, Contains(iniFolder, L"%") ? DotLevels::Keep : DotLevels::Resolve);
}

// The redirect's folder, expanded, normalised and created; empty when it expands to nothing.
std::wstring PrepareIniFolder(Platform& platform, const std::wstring& iniFolder) {
  std::wstring folder = ExpandedIniFolder(platform.system, iniFolder);
  std::wstring trimmed = folder;
  TrimSpaces(trimmed);
  const std::wstring prepared = NormaliseFolderText(trimmed);
  if (trimmed.size() < kShortTextChars && (prepared.empty() || prepared.back() == L'\\')) {
    CreateDirectoryTree(platform.files, folder);
    return folder;
  }
  // The folder routines rebuild at most 259 characters and would hand back the cut-off
  // beginning (or, at 259, the folder without its final "\"), which names another folder or
  // file. A folder this long can't hold the INI file anyway, so its INI writes simply fail.
  if (folder.back() != L'\\') folder.push_back(L'\\');
  return folder;
}

void AppendUtf16Le(std::string& out, std::wstring_view text) {
  auto put = [&out](std::uint32_t unit) {
    out.push_back(static_cast<char>(unit & 0xFF));
    out.push_back(static_cast<char>(unit >> 8));
  };
  for (const wchar_t ch : text) {
    const auto c = static_cast<std::uint32_t>(ch);
    // Only where wchar_t is 32 bits wide (the host) can a character lie beyond 0xFFFF.
    if (c > 0xFFFF) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
}

// A file that was Unicode once and went back to ANSI (an editor saving it so, a portable copy
// carried between machines) still starts with the warning comment; it gets one, not two. The
// empty line that follows the comment goes with it.
std::wstring WithoutUnicodeHeader(std::wstring text) {
  const std::wstring_view header = kUnicodeHeader.substr(0, kUnicodeHeader.find(L'\r'));
  const auto lineEnd = [&text](std::size_t at) -> std::size_t {
    if (text.compare(at, 2, L"\r\n") == 0) return 2;
    return at < text.size() && text[at] == L'\n' ? 1 : 0;
  };
  while (text.starts_with(header)) {
    std::size_t end = header.size();
    const std::size_t ending = lineEnd(end);
    if (ending == 0 && end < text.size()) break;  // the comment goes on: the user's own line
    end += ending;
    end += lineEnd(end);
    text.erase(0, end);
  }
  return text;
}

bool StartsWithUtf16Mark(const std::vector<std::uint8_t>& bytes) {
  return bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xFE;
}

// The private-profile writer creates a missing file in the ANSI code page, and keeps an ANSI
// file ANSI, where a value outside that code page (a Cyrillic folder on a Western system) would
// come back as "?". Such a value gets a UTF-16LE file to go into.
void MakeRoomForValue(Platform& platform, const std::wstring& iniFile, std::wstring_view value) {
  if (platform.system.AnsiToWide(platform.system.WideToAnsi(value)) == value) return;
  const auto bytes = platform.files.ReadAll(iniFile);
  if (bytes) {
    ConvertIniToUnicode(platform, iniFile);
    return;
  }
  if (auto created = platform.files.OpenForWriting(iniFile)) {
    constexpr char kUtf16Mark[] = {'\xFF', '\xFE'};
    created->Write(kUtf16Mark, sizeof kUtf16Mark);
    created->Close();
  }
}

}  // namespace

std::wstring ReadIniRedirect(ProfileFiles& profiles, std::wstring_view programFolderIni) {
  return profiles.ReadString(programFolderIni, kOthersSection, kIniFolderKey, kShortTextChars);
}

bool IsUsableIniFolder(SystemInfo& system, std::wstring_view iniFolder) {
  if (iniFolder.empty()) return true;
  std::wstring folder = ExpandedIniFolder(system, iniFolder);
  TrimSpaces(folder);
  // Checked before normalising: the folder routines look at 259 characters only.
  if (!IsFullyQualifiedFolder(folder) || NamesDevice(folder) || folder.size() >= kShortTextChars)
    return false;
  return NormaliseFolderText(folder).size() + kTemporaryIniName.size() < kShortTextChars;
}

ViewerIniResult WriteViewerIni(Platform& platform, std::wstring_view destinationFolder,
                               std::wstring& iniFolder, bool silentDefault) {
  ProfileFiles& profiles = platform.profiles;
  const std::wstring programFolderIni = InstallFolderOf(destinationFolder) + std::wstring(kViewerIniName);
  std::wstring iniPath = programFolderIni;

  // Case-sensitive on purpose: the destination as the caller typed it is compared with the
  // registry's text.
  if (silentDefault && iniFolder.empty() &&
      Contains(destinationFolder, GetDefaultInstallFolder(platform.registry)))
    iniFolder = kPerUserIniFolder;

  bool portableLayout = false;
  if (!iniFolder.empty()) {
    const std::wstring redirect = RedirectText(iniFolder);
    MakeRoomForValue(platform, programFolderIni, redirect);
    // A program folder's file held open by another program, or a folder of that name: the
    // viewer would go on reading the old place.
    if (!profiles.WriteString(programFolderIni, kOthersSection, kIniFolderKey, redirect))
      return {{}, programFolderIni};
    const std::wstring folder = PrepareIniFolder(platform, iniFolder);
    // A folder that expands to nothing would leave the bare file name, which the profile
    // functions look for in the Windows folder while the conversion opens it in the current
    // folder; the settings stay in the program folder's file instead.
    if (!folder.empty()) {
      iniPath = folder + std::wstring(kViewerIniName);
      for (const auto mark : kPortableFolderMarks) portableLayout = portableLayout || Contains(iniPath, mark);
    }
  } else if (!profiles.WriteString(programFolderIni, kOthersSection, kIniFolderKey, std::nullopt) &&
             !ReadIniRedirect(profiles, programFolderIni).empty()) {
    // A redirect that stays would send the viewer past the settings written below.
    return {{}, programFolderIni};
  }

  if (!profiles.WriteString(iniPath, kLanguageSection, L"DLL", L"ENGLISH") ||
      !profiles.WriteString(iniPath, kLanguageSection, L"Lang", L"English"))
    return {iniPath, iniPath};

  // A skin the user chose survives a reinstallation, and so does its size.
  if (profiles.ReadString(iniPath, kToolbarSection, kSkinKey, kShortTextChars).empty()) {
    const ToolbarSkin skin =
        ChooseToolbarSkin(platform.system.FullScreenClientHeight(), DisplayScale(platform.system));
    if (!profiles.WriteString(iniPath, kToolbarSection, kSkinKey, skin.file) ||
        !profiles.WriteString(iniPath, kToolbarSection, kSizeKey, skin.size))
      return {iniPath, iniPath};
    if (portableLayout && (!profiles.WriteString(programFolderIni, kToolbarSection, kSkinKey, kSkin24.file) ||
                           !profiles.WriteString(programFolderIni, kToolbarSection, kSizeKey, kSkin24.size)))
      return {iniPath, programFolderIni};
  }
  return {iniPath, {}};
}

std::wstring ExpandIniFolder(SystemInfo& system, std::wstring_view text) {
  std::wstring expanded;
  std::size_t at = 0;
  while (at < text.size()) {
    if (text[at] != L'%') {
      expanded.push_back(text[at++]);
      continue;
    }
    const auto close = text.find(L'%', at + 1);
    const auto name =
        text.substr(at + 1, close == std::wstring_view::npos ? std::wstring_view::npos : close - at - 1);
    if (const auto value = system.Environment(name)) expanded += *value;
    at = close == std::wstring_view::npos ? text.size() : close + 1;
  }
  return expanded;
}

int ConvertIniToUnicode(Platform& platform, std::wstring_view path) {
  const auto source = platform.files.ReadAll(path);
  if (!source || StartsWithUtf16Mark(*source)) return 1;

  const std::wstring temporary = FolderOfPath(path) + std::wstring(kTemporaryIniName);
  auto out = platform.files.OpenForWriting(temporary);
  if (!out) return 1;
  std::string converted = "\xFF\xFE";
  AppendUtf16Le(converted, kUnicodeHeader);
  // The text is converted whole, so no line is cut and no multi-byte character split, however
  // long the lines are; line ends stay as they were.
  AppendUtf16Le(converted, WithoutUnicodeHeader(platform.system.AnsiToWide(std::string_view(
                               reinterpret_cast<const char*>(source->data()), source->size()))));
  const bool complete = out->Write(converted.data(), converted.size()) == converted.size();
  // Closed before anything else: an open file can be neither moved nor deleted on Windows.
  const bool written = out->Close() && complete;

  // An empty file has nothing to convert and stays; so does a file whose converted text did not
  // reach the disk completely, which would otherwise replace it truncated.
  if (source->empty() || !written) {
    platform.files.Remove(temporary);
    return source->empty() ? 1 : 0;
  }
  return platform.files.MoveReplacing(temporary, path) ? 1 : 0;
}

}  // namespace lanternix
