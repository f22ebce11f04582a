// Running the independent readers (wrestool, unzip, bsdtar) and picking their output apart.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

namespace lanternix::test {

struct ToolResult {
  int status = -1;
  std::string output;
};

// Runs the program with the arguments, each passed as one word, and collects its standard output.
ToolResult RunTool(const std::string& program, const std::vector<std::string>& arguments);

std::string ReadFileBytes(const std::string& path);
bool FileExists(const std::string& path);

// A resource's raw bytes as wrestool extracts them; type and name as wrestool takes them
// ("5", "ZIP", "101").
std::string ExtractResource(const std::string& module, const std::string& type, const std::string& name);

// The names of the resources of one type that wrestool lists, in its order.
std::vector<std::string> ListResourceNames(const std::string& module, const std::string& type);

std::uint16_t Word(const std::string& bytes, std::size_t offset);
std::uint32_t Dword(const std::string& bytes, std::size_t offset);

// UTF-16LE text of the given number of code units, or up to the terminating zero.
std::u16string Utf16(const std::string& bytes, std::size_t offset, std::size_t units);
std::u16string Utf16UntilZero(const std::string& bytes, std::size_t offset);
std::u16string ToUtf16(const std::wstring& text);
std::u16string ToUtf16(const std::string& ascii);

// The entry names of payload.zip in the order the archive gives them.
std::vector<std::string> PayloadEntryNames();

// The build folders of the two Windows presets.
struct WindowsBuild {
  const char* name;
  std::string directory;
  std::string SetupExe() const { return directory + "/lanternix-setup.exe"; }
  std::string PayloadZip() const { return directory + "/payload/payload.zip"; }
};
std::vector<WindowsBuild> WindowsBuilds();
inline void PrintTo(const WindowsBuild& build, std::ostream* out) {
  *out << build.name;
}

}  // namespace lanternix::test
