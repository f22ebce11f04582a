#include "model/system_probes.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <limits>
#include <string>

#include "platform/fake/fake_platform.h"

namespace lanternix {
namespace {

using fake::FakePlatform;
using fake::kRegSz;
using fake::RegistryValue;

OsVersionRecord Version(std::uint32_t major, std::uint32_t minor, std::uint32_t build,
                        std::wstring servicePack = L"") {
  return OsVersionRecord{kPlatformWin32Nt, major, minor, build, std::move(servicePack)};
}

TEST(OsVersionClassTest, ClassifiesEveryGeneration) {
  EXPECT_EQ(ClassifyOsVersion(Version(4, 0, 1381)), kOsOlderThanXp);
  EXPECT_EQ(ClassifyOsVersion(Version(5, 0, 2195)), kOsOlderThanXp);
  EXPECT_EQ(ClassifyOsVersion(Version(5, 1, 2600, L"Service Pack 2")), kOsXp);
  EXPECT_EQ(ClassifyOsVersion(Version(5, 1, 2600, L"Service Pack 3")), kOsXpSp3);
  EXPECT_EQ(ClassifyOsVersion(Version(5, 2, 3790, L"Service Pack 2")), kOsXp);
  EXPECT_EQ(ClassifyOsVersion(Version(6, 0, 6002)), kOsVista);
  EXPECT_EQ(ClassifyOsVersion(Version(6, 1, 7601)), kOsWindows7);
  EXPECT_EQ(ClassifyOsVersion(Version(6, 2, 9200)), kOsWindows8);
  EXPECT_EQ(ClassifyOsVersion(Version(6, 3, 9600)), kOsWindows8);
  EXPECT_EQ(ClassifyOsVersion(Version(10, 0, 19045)), kOsWindows10);
  EXPECT_EQ(ClassifyOsVersion(Version(10, 0, 21999)), kOsWindows10);
  EXPECT_EQ(ClassifyOsVersion(Version(10, 0, 22000)), kOsWindows11);
}

TEST(OsVersionClassTest, PrefersRtlGetVersionOverTheShimmedGetVersionEx) {
  FakePlatform platform;
  platform.system.rtlVersion = Version(10, 0, 22631);
  platform.system.versionEx = Version(6, 2, 9200);
  EXPECT_EQ(QueryOsVersionClass(platform.system), kOsWindows11);
  platform.system.rtlVersion.reset();
  EXPECT_EQ(QueryOsVersionClass(platform.system), kOsWindows8);
}

TEST(PathTextTest, TrimSpaces) {
  std::wstring text = L"   ";
  TrimSpaces(text);
  EXPECT_EQ(text, L"");
  text = L"  C:\\Apps\\Viewer  ";
  TrimSpaces(text);
  EXPECT_EQ(text, L"C:\\Apps\\Viewer");
  // From 260 characters on, only trailing spaces go.
  text = L" " + std::wstring(259, L'x') + L"  ";
  TrimSpaces(text);
  EXPECT_EQ(text, L" " + std::wstring(259, L'x'));
  text = L" " + std::wstring(258, L'x');
  TrimSpaces(text);
  EXPECT_EQ(text, std::wstring(258, L'x'));
}

TEST(PathTextTest, AppendBackslash) {
  std::wstring text = L"C:";
  AppendBackslash(text);
  EXPECT_EQ(text, L"C:\\");
  AppendBackslash(text);
  EXPECT_EQ(text, L"C:\\");
  text.clear();
  AppendBackslash(text);
  EXPECT_EQ(text, L"");
  text = std::wstring(258, L'x');
  AppendBackslash(text);
  EXPECT_EQ(text.size(), 259u);
  text = std::wstring(259, L'x');
  AppendBackslash(text);
  EXPECT_EQ(text.size(), 259u);
}

TEST(PathTextTest, FolderOfPath) {
  EXPECT_EQ(FolderOfPath(L"D:\\Data\\l_tern32.ini"), L"D:\\Data\\");
  EXPECT_EQ(FolderOfPath(L"C:file.ini"), L"C:\\");
  EXPECT_EQ(FolderOfPath(L"file.ini"), L"");
  EXPECT_EQ(FolderOfPath(L""), L"");
}

TEST(DefaultInstallFolderTest, ComesFromProgramFilesDirWithoutFinalBackslash) {
  FakePlatform platform;
  EXPECT_EQ(GetDefaultInstallFolder(platform.registry), L"C:\\Program Files\\Lanternix");
  platform.registry.Seed(RegRoot::LocalMachine, L"Software\\Microsoft\\Windows\\CurrentVersion",
                         L"ProgramFilesDir", RegistryValue{kRegSz, {'D', 0, ':', 0, '\\', 0, 0, 0}});
  EXPECT_EQ(GetDefaultInstallFolder(platform.registry), L"D:\\Lanternix");
}

TEST(DefaultInstallFolderTest, FallsBackWhenTheRegistryCannotTell) {
  fake::FakeRegistry empty;
  EXPECT_EQ(GetDefaultInstallFolder(empty), L"C:\\Lanternix\\");
}

class ExistingInstallTest : public ::testing::Test {
protected:
  void SeedOpenCommand(const std::wstring& command) {
    std::vector<std::uint8_t> bytes;
    for (const wchar_t ch : command) {
      bytes.push_back(static_cast<std::uint8_t>(ch & 0xFF));
      bytes.push_back(static_cast<std::uint8_t>(ch >> 8));
    }
    bytes.insert(bytes.end(), {0, 0});
    registry.Seed(RegRoot::LocalMachine, L"SOFTWARE\\Classes\\Lanternix\\shell\\open\\command", L"",
                  RegistryValue{kRegSz, bytes});
  }
  fake::FakeRegistry registry;
};

TEST_F(ExistingInstallTest, FolderOfTheQuotedViewerPath) {
  SeedOpenCommand(L"\"C:\\Tools\\Lanternix\\l_tern32.exe\" \"%1\"");
  EXPECT_EQ(FindExistingInstallFolder(registry), L"C:\\Tools\\Lanternix\\");
}

TEST_F(ExistingInstallTest, NoneWithoutKeyOrViewer) {
  EXPECT_EQ(FindExistingInstallFolder(registry), std::nullopt);
  SeedOpenCommand(L"\"C:\\Tools\\Other\\viewer.exe\" \"%1\"");
  EXPECT_EQ(FindExistingInstallFolder(registry), std::nullopt);
  SeedOpenCommand(L"");
  EXPECT_EQ(FindExistingInstallFolder(registry), std::nullopt);
  SeedOpenCommand(L"\"l_tern32.exe\" \"%1\"");
  EXPECT_EQ(FindExistingInstallFolder(registry), std::nullopt);
}

TEST_F(ExistingInstallTest, UnquotedCommandRunsToTheEnd) {
  SeedOpenCommand(L"XC:\\Tools\\l_tern32.exe");
  EXPECT_EQ(FindExistingInstallFolder(registry), L"C:\\Tools\\");
}

TEST_F(ExistingInstallTest, LongFoldersAreFoundUpTo259Characters) {
  // A 200-character folder: far beyond the 130 characters a 260-byte read would have taken.
  const std::wstring folder = L"C:\\" + std::wstring(196, L'd') + L"\\";
  SeedOpenCommand(L"\"" + folder + L"l_tern32.exe\" \"%1\"");
  ASSERT_EQ(folder.size(), 200u);
  EXPECT_EQ(FindExistingInstallFolder(registry), folder);
  // A value that does not fit 260 characters counts as unreadable.
  SeedOpenCommand(L"\"C:\\" + std::wstring(260, L'd') + L"\\l_tern32.exe\" \"%1\"");
  EXPECT_EQ(FindExistingInstallFolder(registry), std::nullopt);
}

TEST(FileVersionTest, FormatsProductMajorMinorAndFileThirdPart) {
  FakePlatform platform;
  platform.files.WriteText(L"C:\\P\\Icons.dll", "MZ");
  platform.versions.byPath[L"C:\\P\\Icons.dll"] =
      FileVersionData{{0x00040003, 0x00000007, 0x00040003, 0x00000000}, L"Quillon Varsk"};
  std::wstring version = L"unchanged", company;
  ASSERT_TRUE(QueryFileVersion(platform.versions, L"C:\\P\\Icons.dll", version, &company));
  EXPECT_EQ(version, L"4.30");
  EXPECT_EQ(company, L"Quillon Varsk");

  platform.versions.byPath[L"C:\\P\\Icons.dll"] = FileVersionData{{0, 0x00020000, 0x0004000C, 0}, std::nullopt};
  ASSERT_TRUE(QueryFileVersion(platform.versions, L"C:\\P\\Icons.dll", version, &company));
  EXPECT_EQ(version, L"4.122");
  EXPECT_EQ(company, L"");
}

TEST(FileVersionTest, NoVersionResourceLeavesTheTextAlone) {
  FakePlatform platform;
  platform.files.WriteText(L"C:\\P\\plain.dll", "MZ");
  std::wstring version = L"unchanged";
  EXPECT_FALSE(QueryFileVersion(platform.versions, L"C:\\P\\plain.dll", version, nullptr));
  EXPECT_FALSE(QueryFileVersion(platform.versions, L"C:\\P\\missing.dll", version, nullptr));
  EXPECT_EQ(version, L"unchanged");
}

// The host's C library is the reference: the text routines stand in for its printf and strtod.
TEST(NumberTextTest, DecimalTextPrintsWhatPrintfPrints) {
  for (const std::int64_t value :
       {std::int64_t{0}, std::int64_t{7}, std::int64_t{-7}, std::int64_t{65}, std::int64_t{4294967295},
        std::numeric_limits<std::int64_t>::max(), std::numeric_limits<std::int64_t>::min()}) {
    for (const int width : {0, 1, 2, 25}) {
      wchar_t expected[64];
      std::swprintf(expected, 64, L"%*lld", width, static_cast<long long>(value));
      EXPECT_EQ(DecimalText(value, static_cast<std::size_t>(width)), expected) << value << " width " << width;
    }
  }
}

TEST(NumberTextTest, LeadingDecimalNumberReadsWhatStrtodReads) {
  const char* const texts[] = {
      // version texts, and what may follow the number
      "4.30", "4.310", "4.65", "0004.30", "65535.6553565535", "10.5x", "4.3.2",  //
      // no digits at all
      "abc", "x4", "", ".", "-", ".e5",  //
      // white space, signs, exponents with and without digits
      " \t\n4.3", "+.5", "-0", "4e", "4e+", "4E2x", "4.3e-1", "1e22", "1e23", "2.5e-5",  //
      // rounding: inexact fractions, more than 53 bits, small scales
      "0.1", "0.3", "1.0000000000000002", "123456789012345678", "9007199254740993",
      "0.00000000000000000000123"};
  for (const char* text : texts) {
    EXPECT_EQ(LeadingDecimalNumber(text), std::strtod(text, nullptr)) << '"' << text << '"';
  }
  // Every version text FormatFileVersion can give with a two-digit major and a three-digit rest.
  for (int major = 0; major < 100; ++major) {
    for (int rest = 0; rest < 1000; ++rest) {
      const std::string text = std::to_string(major) + "." + std::to_string(rest);
      ASSERT_EQ(LeadingDecimalNumber(text), std::strtod(text.c_str(), nullptr)) << text;
    }
  }
}

TEST(FileSizeTest, SizeOrZero) {
  FakePlatform platform;
  platform.files.WriteText(L"C:\\P\\data.bin", std::string(1234, 'x'));
  EXPECT_EQ(QueryFileSize(platform.files, L"C:\\P\\data.bin"), 1234);
  EXPECT_EQ(QueryFileSize(platform.files, L""), 0);
  EXPECT_EQ(QueryFileSize(platform.files, L"C:\\P\\missing.bin"), 0);
  platform.files.Lock(L"C:\\P\\data.bin");
  EXPECT_EQ(QueryFileSize(platform.files, L"C:\\P\\data.bin"), 0);
}

}  // namespace
}  // namespace lanternix
