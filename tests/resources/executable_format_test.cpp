// The product must be a 32-bit GUI image that runs on a clean Windows: its PE header says so,
// and its import table names no runtime DLL that Windows doesn't ship.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "tests/resources/tool_output.h"

namespace {

namespace fs = std::filesystem;

std::vector<std::uint8_t> ReadBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::uint32_t Read(const std::vector<std::uint8_t>& bytes, std::size_t at, int size) {
  std::uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i) value = value << 8 | bytes.at(at + static_cast<std::size_t>(i));
  return value;
}

struct PeFacts {
  std::uint32_t machine = 0;
  std::uint32_t optionalMagic = 0;
  std::uint32_t subsystem = 0;
};

PeFacts ReadPe(const fs::path& path) {
  const auto bytes = ReadBytes(path);
  EXPECT_GT(bytes.size(), 512u) << path;
  if (bytes.size() < 512 || bytes[0] != 'M' || bytes[1] != 'Z') return {};
  const std::size_t pe = Read(bytes, 0x3C, 4);
  EXPECT_EQ(Read(bytes, pe, 4), 0x00004550u);  // "PE\0\0"
  const std::size_t optional = pe + 24;
  return PeFacts{Read(bytes, pe + 4, 2), Read(bytes, optional, 2), Read(bytes, optional + 68, 2)};
}

// The DLLs the image imports, as objdump reads its import table.
std::vector<std::string> ImportedDlls(const fs::path& exe) {
  const auto result = lanternix::test::RunTool("x86_64-w64-mingw32-objdump", {"-p", exe.string()});
  std::vector<std::string> dlls;
  std::istringstream lines(result.output);
  std::string line;
  while (std::getline(lines, line))
    if (const auto at = line.find("DLL Name: "); at != std::string::npos) {
      std::string dll = line.substr(at + 10);
      for (auto& ch : dll) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      dlls.push_back(dll);
    }
  return dlls;
}

TEST(ExecutableFormatTest, ProductIsA32BitGuiImage) {
  const PeFacts facts = ReadPe(fs::path(LANTERNIX_WIN32_BUILD_DIR) / "lanternix-setup.exe");
  EXPECT_EQ(facts.machine, 0x14Cu);  // i386
  EXPECT_EQ(facts.optionalMagic, 0x10Bu);  // PE32
  EXPECT_EQ(facts.subsystem, 2u);  // Windows GUI
}

TEST(ExecutableFormatTest, TestedTwinIsA64BitGuiImage) {
  const PeFacts facts = ReadPe(fs::path(LANTERNIX_WIN64_BUILD_DIR) / "lanternix-setup.exe");
  EXPECT_EQ(facts.machine, 0x8664u);
  EXPECT_EQ(facts.optionalMagic, 0x20Bu);  // PE32+
  EXPECT_EQ(facts.subsystem, 2u);
}

TEST(ExecutableFormatTest, ImportsOnlySystemDlls) {
  // Windows compares DLL names without regard to case, and so does this list (upper-cased).
  const std::set<std::string> system{"ADVAPI32.DLL", "COMCTL32.DLL", "GDI32.DLL",    "KERNEL32.DLL",
                                     "MSVCRT.DLL",   "OLE32.DLL",    "SHELL32.DLL",  "USER32.DLL",
                                     "UXTHEME.DLL",  "VERSION.DLL",  "COMDLG32.DLL", "OLEAUT32.DLL"};
  for (const char* dir : {LANTERNIX_WIN32_BUILD_DIR, LANTERNIX_WIN64_BUILD_DIR}) {
    const auto dlls = ImportedDlls(fs::path(dir) / "lanternix-setup.exe");
    EXPECT_GE(dlls.size(), 4u) << dir;
    for (const auto& dll : dlls) EXPECT_TRUE(system.count(dll)) << dir << " imports " << dll;
  }
}

}  // namespace
