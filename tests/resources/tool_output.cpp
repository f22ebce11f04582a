#include "tests/resources/tool_output.h"

#include <sys/wait.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace lanternix::test {

namespace {

std::string ShellQuoted(const std::string& word) {
  std::string quoted = "'";
  for (const char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

struct PipeCloser {
  int* status;
  void operator()(FILE* pipe) const { *status = pclose(pipe); }
};

}  // namespace

ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments) {
  std::string command = ShellQuoted(program);
  for (const std::string& argument : arguments) command += " " + ShellQuoted(argument);
  command += " 2>/dev/null";
  ToolResult result;
  int closeStatus = -1;
  {
    const std::unique_ptr<FILE, PipeCloser> pipe(popen(command.c_str(), "r"), PipeCloser{&closeStatus});
    if (!pipe) return result;
    char buffer[65536];
    std::size_t count = 0;
    while ((count = std::fread(buffer, 1, sizeof buffer, pipe.get())) > 0)
      result.output.append(buffer, count);
  }
  result.status = WIFEXITED(closeStatus) ? WEXITSTATUS(closeStatus) : -1;
  return result;
}

std::string ReadFileBytes(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool FileExists(const std::string& path) {
  return std::ifstream(path, std::ios::binary).good();
}

std::string ExtractResource(const std::string& module, const std::string& type, const std::string& name) {
  return RunTool(LANTERNIX_WRESTOOL, {"--extract", "--raw", "--type=" + type, "--name=" + name, module})
      .output;
}

std::vector<std::string> ListResourceNames(const std::string& module, const std::string& type) {
  const std::string listing = RunTool(LANTERNIX_WRESTOOL, {"--list", "--type=" + type, module}).output;
  std::vector<std::string> names;
  std::istringstream lines(listing);
  std::string line;
  while (std::getline(lines, line)) {
    const std::size_t start = line.find("--name=");
    if (start == std::string::npos) continue;
    const std::size_t end = line.find(' ', start);
    std::string name = line.substr(start + 7, end - start - 7);
    if (name.size() >= 2 && name.front() == '\'' && name.back() == '\'')
      name = name.substr(1, name.size() - 2);
    names.push_back(name);
  }
  return names;
}

std::uint16_t Word(const std::string& bytes, std::size_t offset) {
  if (offset + 2 > bytes.size()) return 0;
  return static_cast<std::uint16_t>(static_cast<unsigned char>(bytes[offset]) |
                                    static_cast<unsigned char>(bytes[offset + 1]) << 8);
}

std::uint32_t Dword(const std::string& bytes, std::size_t offset) {
  return static_cast<std::uint32_t>(Word(bytes, offset)) | static_cast<std::uint32_t>(Word(bytes, offset + 2))
                                                               << 16;
}

std::u16string Utf16(const std::string& bytes, std::size_t offset, std::size_t units) {
  std::u16string text;
  for (std::size_t i = 0; i < units && offset + 2 * i + 2 <= bytes.size(); ++i)
    text.push_back(static_cast<char16_t>(Word(bytes, offset + 2 * i)));
  return text;
}

std::u16string Utf16UntilZero(const std::string& bytes, std::size_t offset) {
  std::u16string text;
  for (std::size_t at = offset; at + 2 <= bytes.size() && Word(bytes, at) != 0; at += 2)
    text.push_back(static_cast<char16_t>(Word(bytes, at)));
  return text;
}

std::u16string ToUtf16(const std::wstring& text) {
  std::u16string converted;
  for (const wchar_t c : text) converted.push_back(static_cast<char16_t>(c));
  return converted;
}

std::u16string ToUtf16(const std::string& ascii) {
  std::u16string converted;
  for (const char c : ascii) converted.push_back(static_cast<char16_t>(static_cast<unsigned char>(c)));
  return converted;
}

std::vector<std::string> PayloadEntryNames() {
  std::vector<std::string> names = {"l_tern32.exe",
                                    "lt_uninstall.exe",
                                    "l_tern32.chm",
                                    "l_about.txt",
                                    "l_changes.txt",
                                    "l_options.txt",
                                    "l_plugins.txt",
                                    "l_languages.txt",
                                    "#readme_zip_users.txt",
                                    "Languages/",
                                    "Languages/ENGLISH.dll",
                                    "Languages/ENGLISH.lng",
                                    "Plugins/",
                                    "Plugins/Icons.dll",
                                    "Plugins/CameraRaw.dll",
                                    "Plugins/Exif_Tools.dll",
                                    "Plugins/Filter_Pack.dll",
                                    "Plugins/Vector_Import.dll",
                                    "Plugins/Web_Album.dll",
                                    "Plugins/Scanner_Bridge.dll",
                                    "Plugins/Audio_Video.dll",
                                    "Plugins/Jpeg_Lossless.dll",
                                    "Plugins/Print_Layout.dll",
                                    "Plugins/Screen_Capture.dll",
                                    "Plugins/lt_slides.exe",
                                    "Html/",
                                    "Html/album_index.htm",
                                    "Html/album_page.htm",
                                    "Html/album_thumbs.htm",
                                    "Html/readme_html.txt",
                                    "Toolbars/",
                                    "Toolbars/Vespin_16.png",
                                    "Toolbars/Vespin_16.txt",
                                    "Toolbars/Halbrenk_24.png",
                                    "Toolbars/Halbrenk_24.txt",
                                    "Toolbars/gnome-colors-wise_32.png",
                                    "Toolbars/gnome-colors-wise_32.txt",
                                    "Toolbars/gnome-colors-human_48.png",
                                    "Toolbars/gnome-colors-human_48.txt"};
  return names;
}

std::vector<WindowsBuild> WindowsBuilds() {
  return {{"win32", LANTERNIX_WIN32_BUILD_DIR}, {"win64", LANTERNIX_WIN64_BUILD_DIR}};
}

}  // namespace lanternix::test
