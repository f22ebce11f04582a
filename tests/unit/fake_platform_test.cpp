// The fake platform stands in for Windows in every engine test; these pin down the Windows
// behaviours the engine relies on, so a fault in the fake can't hide one in the engine.
#include "platform/fake/fake_platform.h"

#include <gtest/gtest.h>

namespace lanternix::fake {
namespace {

TEST(FakeFileSystemTest, ResolvesPathsAsWindowsDoes) {
  FakeFileSystem files;
  EXPECT_EQ(files.FullPath(L"c:/A /B.\\..\\C."), L"C:\\A \\C");
  // Trailing spaces go only at the end of the whole path.
  EXPECT_EQ(files.FullPath(L"C:\\A \\B . "), L"C:\\A \\B");
  EXPECT_EQ(files.FullPath(L"C:\\A\\B \\"), L"C:\\A\\B ");
  ASSERT_TRUE(files.SetCurrentFolder(L"C:\\Temp\\"));
  EXPECT_EQ(files.CurrentFolder(), L"C:\\Temp");
  EXPECT_EQ(files.FullPath(L"sub\\f.txt"), L"C:\\Temp\\sub\\f.txt");
  EXPECT_FALSE(files.SetCurrentFolder(L"D:\\"));
  EXPECT_FALSE(files.SetCurrentFolder(L"C:\\Missing"));
}

TEST(FakeFileSystemTest, FolderCreationTellsExistingFromParentMissing) {
  FakeFileSystem files;
  EXPECT_EQ(files.CreateFolder(L"C:\\A"), FolderCreation::Created);
  EXPECT_EQ(files.CreateFolder(L"C:\\A"), FolderCreation::AlreadyExists);
  EXPECT_EQ(files.CreateFolder(L"C:\\B\\C"), FolderCreation::ParentMissing);
  EXPECT_EQ(files.CreateFolder(L"Q:\\A"), FolderCreation::ParentMissing);
  EXPECT_EQ(files.CreateFolder(L"C:\\"), FolderCreation::Failed);
  files.AddNetworkShare(L"\\\\server\\share");
  EXPECT_EQ(files.CreateFolder(L"\\\\server"), FolderCreation::Failed);
  EXPECT_EQ(files.CreateFolder(L"\\\\server\\share"), FolderCreation::Failed);
  EXPECT_EQ(files.CreateFolder(L"\\\\server\\share\\New"), FolderCreation::Created);
  files.MakeReadOnly(L"C:\\A");
  EXPECT_EQ(files.CreateFolder(L"C:\\A\\D"), FolderCreation::Failed);
  EXPECT_EQ(files.OpenForWriting(L"C:\\A\\f.txt"), nullptr);
}

TEST(FakeFileSystemTest, LockedFilesRefuseEverything) {
  FakeFileSystem files;
  files.WriteText(L"C:\\x.bin", "abc");
  EXPECT_FALSE(files.IsHeldOpen(L"C:\\x.bin"));
  files.Lock(L"C:\\x.bin");
  EXPECT_TRUE(files.IsHeldOpen(L"C:\\x.bin"));
  EXPECT_FALSE(files.IsHeldOpen(L"C:\\missing.bin"));
  EXPECT_EQ(files.OpenForWriting(L"C:\\x.bin"), nullptr);
  EXPECT_FALSE(files.Remove(L"C:\\x.bin"));
  EXPECT_EQ(files.ReadAll(L"C:\\x.bin"), std::nullopt);
}

TEST(FakeFileSystemTest, ALimitedWriteComesUpShort) {
  FakeFileSystem files;
  files.LimitWrites(L"C:\\x.bin", 4);
  auto out = files.OpenForWriting(L"C:\\x.bin");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Write("abc", 3), 3u);
  EXPECT_EQ(out->Write("def", 3), 1u);
  EXPECT_TRUE(out->Close());
  EXPECT_EQ(files.ReadAll(L"C:\\x.bin")->size(), 4u);
}

TEST(FakeFileSystemTest, DosTimesAreLocalTimeAndStayWhenTheFileCloses) {
  FakeFileSystem files;
  files.SetUtcOffsetMinutes(120);
  auto out = files.OpenForWriting(L"C:\\t.txt");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(out->Write("x", 1), 1u);
  // 2024-01-02 10:20:30 local: date (44 << 9 | 1 << 5 | 2), time (10 << 11 | 20 << 5 | 15).
  const std::uint32_t dos = (44u << 9 | 1u << 5 | 2u) << 16 | (10u << 11 | 20u << 5 | 15u);
  ASSERT_TRUE(out->SetTimesFromDos(dos));
  ASSERT_TRUE(out->Close());
  const auto times = files.Times(L"C:\\t.txt");
  ASSERT_TRUE(times);
  const std::int64_t unixSeconds = 1704183630;  // 2024-01-02T08:20:30Z
  EXPECT_EQ(times->lastWrite, 116444736000000000LL + unixSeconds * 10'000'000LL);
  EXPECT_EQ(times->creation, times->lastWrite);
}

TEST(FakeRegistryTest, KeysAreCaseInsensitiveAndClassesRootIsMachineClasses) {
  FakeRegistry registry;
  ASSERT_TRUE(registry.SetDefaultValue(RegRoot::ClassesRoot, L"Applications\\l_tern32.exe", L"x"));
  EXPECT_TRUE(registry.KeyExists(RegRoot::LocalMachine, L"software\\CLASSES\\applications"));
  EXPECT_EQ(
      registry.StringValue(RegRoot::LocalMachine, L"SOFTWARE\\Classes\\Applications\\L_TERN32.EXE", L""),
      L"x");
  // REG_SZ keeps its terminating zero.
  EXPECT_EQ(registry.Value(RegRoot::ClassesRoot, L"Applications\\l_tern32.exe", L"")->data.size(), 4u);
}

TEST(FakeRegistryTest, DeleteOnlyLeafKeysAndHonourAccess) {
  FakeRegistry registry;
  registry.CreateKey(RegRoot::CurrentUser, L"A\\B");
  EXPECT_FALSE(registry.DeleteKey(RegRoot::CurrentUser, L"A"));
  EXPECT_TRUE(registry.DeleteKey(RegRoot::CurrentUser, L"A\\B"));
  EXPECT_FALSE(registry.DeleteKey(RegRoot::CurrentUser, L"A\\B"));
  auto readOnly = registry.OpenKey(RegRoot::CurrentUser, L"A", kKeyQueryValue);
  ASSERT_TRUE(readOnly);
  EXPECT_FALSE(readOnly->SetString(L"v", L"x"));
  EXPECT_EQ(readOnly->CreateSubKey(L"C"), nullptr);
  // A subkey below an open key: its levels created, in the parent's root, as the full path would.
  registry.CreateKey(RegRoot::LocalMachine, L"SOFTWARE\\Classes");
  auto parent = registry.OpenKey(RegRoot::LocalMachine, L"SOFTWARE\\Classes", kKeyCreateSubKey);
  ASSERT_TRUE(parent);
  auto child = parent->CreateSubKey(L"Lanternix.jpg\\shell\\open");
  ASSERT_TRUE(child);
  EXPECT_TRUE(child->SetString(L"", L"z"));
  EXPECT_EQ(registry.StringValue(RegRoot::ClassesRoot, L"lanternix.JPG\\shell\\open", L""), L"z");
  registry.DenyWrites(RegRoot::LocalMachine);
  EXPECT_FALSE(registry.SetDefaultValue(RegRoot::ClassesRoot, L"X", L"y"));
  EXPECT_EQ(registry.CreateKey(RegRoot::LocalMachine, L"SOFTWARE\\Lanternix"), nullptr);
}

}  // namespace
}  // namespace lanternix::fake
