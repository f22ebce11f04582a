#include <gtest/gtest.h>
#include <sys/stat.h>

#include <thread>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

fs::path PayloadZip() {
  return PayloadFile("payload.zip");
}

// The payload unpacked by an independent reader, which also reads stored times as local time.
fs::path UnzipReference() {
  static const fs::path reference = [] {
    const fs::path dir = fs::temp_directory_path() / ("lanternix-unzip-" + std::to_string(getpid()));
    fs::remove_all(dir);
    fs::create_directories(dir);
    const std::string command = "unzip -q -o '" + PayloadZip().string() + "' -d '" + dir.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0);
    return dir;
  }();
  return reference;
}

time_t ModificationTime(const fs::path& path) {
  struct stat info {};
  stat(path.c_str(), &info);
  return info.st_mtime;
}

TEST(ExtractionUnderWineTest, UnpacksThePayloadByteForByteWithStoredTimes) {
  WinePrefix prefix("win10");
  const RunResult result = prefix.Run(ToolExe("extract-payload"), {"C:\\Program Files\\Lanternix "});
  ASSERT_EQ(result.exitCode, 0) << result.output;
  EXPECT_NE(result.output.find("result=0"), std::string::npos) << result.output;
  EXPECT_NE(result.output.find("current=C:\\Program Files\\Lanternix"), std::string::npos) << result.output;

  const fs::path installed = prefix.HostPath("C:\\Program Files\\Lanternix");
  int files = 0;
  for (const auto& entry : fs::recursive_directory_iterator(UnzipReference())) {
    const fs::path relative = fs::relative(entry.path(), UnzipReference());
    const fs::path ours = installed / relative;
    ASSERT_TRUE(fs::exists(ours)) << relative;
    if (!entry.is_regular_file()) continue;
    ++files;
    EXPECT_EQ(ReadFileBytes(ours), ReadFileBytes(entry.path())) << relative;
    EXPECT_EQ(ModificationTime(ours), ModificationTime(entry.path())) << relative;
  }
  EXPECT_EQ(files, 35);
  for (const auto& entry : fs::recursive_directory_iterator(prefix.HostPath("C:\\users")))
    EXPECT_NE(entry.path().filename(), "ltern_x32.zip") << "temporary archive left at " << entry.path();
}

TEST(ExtractionUnderWineTest, AFileHeldOpenByAnotherProgramIsReportedAsAFailure) {
  WinePrefix prefix("win10");
  ASSERT_EQ(prefix.Run(ToolExe("extract-payload"), {"C:\\Lanternix"}).exitCode, 0);
  const fs::path viewer = prefix.HostPath("C:\\Lanternix\\l_tern32.exe");
  const std::string before = ReadFileBytes(viewer);
  fs::resize_file(viewer, 10);  // so a rewrite would show

  prefix.Start(ToolExe("hold-file"), {"C:\\Lanternix\\l_tern32.exe"});
  for (int i = 0; i < 200 && !fs::exists(prefix.HostPath("C:\\Lanternix\\l_tern32.exe.held")); ++i)
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  ASSERT_TRUE(fs::exists(prefix.HostPath("C:\\Lanternix\\l_tern32.exe.held")));

  fs::remove(prefix.HostPath("C:\\Lanternix\\l_tern32.chm"));
  const RunResult result = prefix.Run(ToolExe("extract-payload"), {"C:\\Lanternix"});
  EXPECT_EQ(result.exitCode, 1) << result.output;
  EXPECT_NE(result.output.find("result=-1"), std::string::npos) << result.output;
  EXPECT_EQ(fs::file_size(viewer), 10u);
  // Entries after the held one are still written.
  EXPECT_TRUE(fs::exists(prefix.HostPath("C:\\Lanternix\\l_tern32.chm")));
  EXPECT_FALSE(before.empty());
}

}  // namespace
}  // namespace lanternix::e2e
