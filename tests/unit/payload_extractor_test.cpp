#include "install/payload_extractor.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include "install/folder_creation.h"
#include "install/icon_library_rule.h"
#include "platform/fake/fake_platform.h"
#include "tests/unit/zip_builder.h"

namespace lanternix {
namespace {

using testing::kSampleDosTime;
using testing::ZipBuilder;

// 2023-11-20 12:34:56 local time at UTC+1, as FILETIME ticks (UTC 11:34:56).
constexpr std::int64_t kSampleFileTimeAtUtcPlus1 = 116444736000000000LL + 1700480096LL * 10'000'000LL;

class ExtractPayloadTest : public ::testing::Test {
protected:
  ExtractPayloadTest() {
    platform.files.SetUtcOffsetMinutes(60);
    platform.files.CreateFolder(L"C:\\Dest");
  }
  void Embed(const ZipBuilder& zip) { platform.resources.bytes[{L"ZIP", 1974}] = zip.Bytes(); }
  std::string Content(std::wstring_view path) {
    const auto bytes = platform.files.ReadAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }
  bool TemporaryArchiveLeft() { return platform.files.Exists(L"C:\\Temp\\ltern_x32.zip"); }

  fake::FakePlatform platform;
};

TEST_F(ExtractPayloadTest, UnpacksEntriesWithTheirStoredLocalTimes) {
  Embed(ZipBuilder()
            .File("l_tern32.exe", "viewer")
            .Folder("Plugins/")
            .File("Plugins/Icons.dll", "icons")
            .File("Docs/Deep/readme.txt", "no folder entries for these"));
  platform.files.SetTempFolder(L"C:\\Temp");  // without the final backslash some systems give
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_EQ(Content(L"C:\\Dest\\l_tern32.exe"), "viewer");
  EXPECT_EQ(Content(L"C:\\Dest\\Plugins\\Icons.dll"), "icons");
  EXPECT_EQ(Content(L"C:\\Dest\\Docs\\Deep\\readme.txt"), "no folder entries for these");
  const auto times = platform.files.Times(L"C:\\Dest\\Plugins\\Icons.dll");
  ASSERT_TRUE(times);
  EXPECT_EQ(times->lastWrite, kSampleFileTimeAtUtcPlus1);
  EXPECT_EQ(times->creation, kSampleFileTimeAtUtcPlus1);
  EXPECT_EQ(platform.files.CurrentFolder(), L"C:\\Dest");
  EXPECT_FALSE(TemporaryArchiveLeft());
}

TEST_F(ExtractPayloadTest, ArchiveWithoutEntriesWritesNothing) {
  // minizip never finds a directory record that sits at offset 0, so the bare 22-byte empty
  // archive does not open at all (a failure); behind a stub, as in a self-extractor, it does.
  auto bytes = ZipBuilder().Bytes();
  platform.resources.bytes[{L"ZIP", 1974}] = bytes;
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  bytes.insert(bytes.begin(), {'s', 't', 'u', 'b'});
  platform.resources.bytes[{L"ZIP", 1974}] = bytes;
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_FALSE(TemporaryArchiveLeft());
}

TEST_F(ExtractPayloadTest, KeepFlagLeavesEveryIconLibraryEntryOut) {
  Embed(ZipBuilder().File("Plugins/Icons.dll", "new icons").File("Docs/MyICONS.DLL.txt", "doc").File("a.txt", "a"));
  platform.files.WriteText(L"C:\\Dest\\Plugins\\Icons.dll", "installed icons");
  const auto before = platform.files.Times(L"C:\\Dest\\Plugins\\Icons.dll");
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 1), 0);
  EXPECT_EQ(Content(L"C:\\Dest\\Plugins\\Icons.dll"), "installed icons");
  EXPECT_EQ(platform.files.Times(L"C:\\Dest\\Plugins\\Icons.dll")->lastWrite, before->lastWrite);
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\Docs\\MyICONS.DLL.txt"));
  EXPECT_EQ(Content(L"C:\\Dest\\a.txt"), "a");

  // Only exactly 1 keeps it.
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 2), 0);
  EXPECT_EQ(Content(L"C:\\Dest\\Plugins\\Icons.dll"), "new icons");
}

TEST_F(ExtractPayloadTest, LockedFileIsSkippedTheRestWrittenAndTheFailureReported) {
  Embed(ZipBuilder().File("a.txt", "a").File("l_tern32.exe", "new viewer").File("z.txt", "z"));
  platform.files.WriteText(L"C:\\Dest\\l_tern32.exe", "running viewer");
  platform.files.Lock(L"C:\\Dest\\l_tern32.exe");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_EQ(Content(L"C:\\Dest\\a.txt"), "a");
  EXPECT_EQ(Content(L"C:\\Dest\\z.txt"), "z");
  EXPECT_FALSE(TemporaryArchiveLeft());
}

// A link inside the installation (a folder level or the file itself) is never written
// through: the entry fails like a locked file, the rest goes in, and what the link names keeps
// its content.
TEST_F(ExtractPayloadTest, LinksInsideTheInstallationAreNeverWrittenThrough) {
  Embed(ZipBuilder()
            .File("a.txt", "a")
            .File("Plugins/slides.dll", "new plug-in")
            .File("Plugins/Fresh.dll", "would land in the victim's folder")
            .File("l_tern32.exe", "new viewer")
            .File("z.txt", "z"));
  platform.files.WriteText(L"C:\\Victim\\slides.dll", "victim's file");
  platform.files.WriteText(L"C:\\Victim\\report.docx", "victim's report");
  platform.files.MakeLink(L"C:\\Dest\\Plugins", L"C:\\Victim");
  platform.files.MakeLink(L"C:\\Dest\\l_tern32.exe", L"C:\\Victim\\report.docx");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_EQ(Content(L"C:\\Victim\\slides.dll"), "victim's file");
  EXPECT_FALSE(platform.files.Exists(L"C:\\Victim\\Fresh.dll"));
  EXPECT_EQ(Content(L"C:\\Victim\\report.docx"), "victim's report");
  EXPECT_EQ(Content(L"C:\\Dest\\a.txt"), "a");
  EXPECT_EQ(Content(L"C:\\Dest\\z.txt"), "z");
  EXPECT_FALSE(TemporaryArchiveLeft());
}

// A file that shares its content with another name gets a fresh file under the installation's
// name; the other name keeps the old content, as it would after a copy.
TEST_F(ExtractPayloadTest, AHardLinkedFileLosesOnlyTheInstallationsName) {
  Embed(ZipBuilder().File("l_tern32.exe", "new viewer"));
  platform.files.WriteText(L"C:\\Elsewhere\\kept.exe", "old viewer");
  platform.files.MakeHardLink(L"C:\\Dest\\l_tern32.exe", L"C:\\Elsewhere\\kept.exe");
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_EQ(Content(L"C:\\Dest\\l_tern32.exe"), "new viewer");
  EXPECT_EQ(Content(L"C:\\Elsewhere\\kept.exe"), "old viewer");
}

// Every way an entry can deliver other bytes than the archive declares for it ends the
// extraction with failure and leaves no file that looks installed.
TEST_F(ExtractPayloadTest, DamagedEntriesFailAndLeaveNoCompleteLookingFile) {
  const std::string full(3000, 'x');
  const std::string withTail = full + "tail of the file";
  struct Case {
    const char* what;
    ZipBuilder zip;
  };
  const std::vector<Case> cases = {
      {"wrong CRC with the right size", ZipBuilder().FileWithBadCrc("bad.bin", full)},
      {"deflate stream that ends early",
       ZipBuilder().RawFile("bad.bin", Z_DEFLATED, ZipBuilder::Deflated(full), withTail.size(),
                            ZipBuilder::Crc(withTail))},
      {"stored data shorter than its declared size",
       ZipBuilder().RawFile("bad.bin", 0, full, withTail.size(), ZipBuilder::Crc(withTail))},
      {"declared size larger than the archive holds", ZipBuilder().FileRunningPastTheEnd("bad.bin", full)},
      {"stored entry of no bytes declaring some", ZipBuilder().RawFile("bad.bin", 0, "", 10, 0)},
  };
  for (const Case& item : cases) {
    SCOPED_TRACE(item.what);
    fake::FakePlatform machine;
    machine.files.CreateFolder(L"C:\\Dest");
    // An update: the damaged entry replaces an installed file of the same name.
    machine.files.WriteText(L"C:\\Dest\\bad.bin", "installed");
    machine.resources.bytes[{L"ZIP", 1974}] = item.zip.Bytes();
    EXPECT_EQ(ExtractPayload(machine.Get(), L"C:\\Dest\\", 0), -1);
    EXPECT_FALSE(machine.files.Exists(L"C:\\Dest\\bad.bin"));
  }
}

TEST_F(ExtractPayloadTest, DamagedEntryStopsTheEntriesAfterIt) {
  Embed(ZipBuilder().File("a.txt", "a").FileWithBadCrc("bad.bin", "complete content").File("z.txt", "z"));
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_EQ(Content(L"C:\\Dest\\a.txt"), "a");
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\bad.bin"));
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\z.txt"));
  EXPECT_FALSE(TemporaryArchiveLeft());
}

TEST_F(ExtractPayloadTest, RawEntriesThatFitTheirDeclarationsAreWritten) {
  // The crafted entries above differ from these only in the declaration they break.
  const std::string content(70000, 'y');  // more than one copy block
  Embed(ZipBuilder()
            .RawFile("deflated.bin", Z_DEFLATED, ZipBuilder::Deflated(content), content.size(),
                     ZipBuilder::Crc(content))
            .RawFile("stored.bin", 0, "stored", 6, ZipBuilder::Crc("stored"))
            .RawFile("empty.bin", 0, "", 0, 0));
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_EQ(Content(L"C:\\Dest\\deflated.bin"), content);
  EXPECT_EQ(Content(L"C:\\Dest\\stored.bin"), "stored");
  EXPECT_EQ(Content(L"C:\\Dest\\empty.bin"), "");
}

TEST_F(ExtractPayloadTest, UnsafeNamesAreNeverWritten) {
  platform.files.AddDrive(L'D');
  Embed(ZipBuilder()
            .File("../escape1.txt", "x")
            .File("sub/../../escape2.txt", "x")
            .File("sub\\..\\..\\escape3.txt", "x")
            .File("/rooted.txt", "x")
            .File("\\rooted2.txt", "x")
            .File("D:\\drive.txt", "x")
            .File("D:relative.txt", "x")
            .File("\\\\server\\share\\unc.txt", "x")
            .File(std::string(330, 'n'), "x")
            .File("ok..name.txt", "fine"));
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\Inner\\", 0), -1);  // missing folder first
  platform.files.CreateFolder(L"C:\\Dest\\Inner");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\Inner\\", 0), -1);
  EXPECT_EQ(Content(L"C:\\Dest\\Inner\\ok..name.txt"), "fine");
  for (const wchar_t* path : {L"C:\\Dest\\escape1.txt", L"C:\\escape2.txt", L"C:\\Dest\\escape2.txt",
                              L"C:\\Dest\\escape3.txt", L"C:\\rooted.txt", L"C:\\rooted2.txt", L"D:\\drive.txt",
                              L"D:\\relative.txt"})
    EXPECT_FALSE(platform.files.Exists(path)) << fake::ToUtf8(path);
}

TEST_F(ExtractPayloadTest, FailuresBeforeTheEntryLoop) {
  // No resource.
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  // Not a ZIP, and a truncated one.
  platform.resources.bytes[{L"ZIP", 1974}] = {'n', 'o', 't', ' ', 'z', 'i', 'p'};
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  auto truncated = ZipBuilder().File("a.txt", std::string(5000, 'a')).Bytes();
  truncated.resize(truncated.size() - 30);
  platform.resources.bytes[{L"ZIP", 1974}] = truncated;
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_FALSE(TemporaryArchiveLeft());
  // A destination that can't be entered.
  Embed(ZipBuilder().File("a.txt", "a"));
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Nowhere\\", 0), -1);
  EXPECT_FALSE(TemporaryArchiveLeft());
  // A temporary folder that can't take the archive.
  platform.files.MakeReadOnly(L"C:\\Temp");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\a.txt"));
}

TEST_F(ExtractPayloadTest, TheTemporaryArchiveCannotBeSwappedWhileItIsUnpacked) {
  Embed(ZipBuilder().File("l_tern32.exe", "viewer"));
  platform.files.WriteText(L"C:\\Temp\\planted.zip", "someone else's archive");
  int attempts = 0;
  platform.files.whileScratchFileHeld = [this, &attempts](std::wstring_view path) {
    ++attempts;
    EXPECT_EQ(path, L"C:\\Temp\\ltern_x32.zip");
    EXPECT_EQ(platform.files.OpenForWriting(path), nullptr);
    EXPECT_FALSE(platform.files.Remove(path));
    EXPECT_FALSE(platform.files.MoveReplacing(L"C:\\Temp\\planted.zip", path));
  };
  ASSERT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(Content(L"C:\\Dest\\l_tern32.exe"), "viewer");
  EXPECT_FALSE(TemporaryArchiveLeft());
}

TEST_F(ExtractPayloadTest, TheTemporaryArchiveIsCreatedNewOrNotAtAll) {
  Embed(ZipBuilder().File("a.txt", "a"));
  // A leftover of an earlier run is replaced...
  platform.files.WriteText(L"C:\\Temp\\ltern_x32.zip", "leftover");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), 0);
  EXPECT_FALSE(TemporaryArchiveLeft());
  // ...unless another process holds it.
  platform.files.WriteText(L"C:\\Temp\\ltern_x32.zip", "held");
  platform.files.Lock(L"C:\\Temp\\ltern_x32.zip");
  platform.files.Remove(L"C:\\Dest\\a.txt");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\a.txt"));
}

TEST_F(ExtractPayloadTest, NoTemporaryFolderIsAFailureNotTheDriveRoot) {
  Embed(ZipBuilder().File("a.txt", "a"));
  platform.files.SetTempFolder(L"");
  platform.files.SetCurrentFolder(L"C:\\Dest");
  EXPECT_EQ(ExtractPayload(platform.Get(), L"C:\\Dest\\", 0), -1);
  EXPECT_FALSE(platform.files.Exists(L"C:\\ltern_x32.zip"));
  EXPECT_FALSE(platform.files.Exists(L"C:\\Dest\\a.txt"));
}

class DirectoryTreeTest : public ::testing::Test {
protected:
  fake::FakeFileSystem files;
};

TEST_F(DirectoryTreeTest, NormalisesAndCreatesEveryLevel) {
  std::wstring path = L"  C:\\A \\B  ";
  ASSERT_EQ(CreateDirectoryTree(files, path), 1);
  EXPECT_EQ(path, L"C:\\A\\B\\");
  EXPECT_TRUE(files.IsFolder(L"C:\\A\\B"));
  EXPECT_EQ(files.CurrentFolder(), L"C:\\");

  path = L"C:\\A\\B";
  ASSERT_EQ(CreateDirectoryTree(files, path), 1);
  EXPECT_EQ(path, L"C:\\A\\B\\");
  // Forward slashes separate levels as Windows reads them.
  path = L"C:/Apps/Viewer";
  std::wstring created;
  ASSERT_EQ(CreateDirectoryTree(files, path, &created), 1);
  EXPECT_EQ(path, L"C:\\Apps\\Viewer\\");
  EXPECT_TRUE(files.IsFolder(L"C:\\Apps\\Viewer"));
  EXPECT_EQ(created, L"C:\\Apps");
}

// "." and ".." levels are resolved before anything is created, never above the drive or share:
// created level by level as typed, "C:\X\..\Apps2" would leave an empty "C:\X" behind.
TEST_F(DirectoryTreeTest, DotLevelsAreResolvedBeforeAnyLevelIsCreated) {
  files.AddNetworkShare(L"\\\\server\\share");
  struct Case {
    std::wstring typed, normalised, created;
  };
  const Case cases[] = {
      {L"C:\\X\\..\\Apps2\\.\\Lanternix", L"C:\\Apps2\\Lanternix\\", L"C:\\Apps2"},
      {L"C:\\..\\..\\Top \\..\\Up\\.", L"C:\\Up\\", L"C:\\Up"},
      {L"C:/Y/./Z/../Deep/", L"C:\\Y\\Deep\\", L"C:\\Y"},
      {L"\\\\server\\share\\..\\..\\Apps\\..\\Net", L"\\\\server\\share\\Net\\", L"\\\\server\\share\\Net"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(fake::ToUtf8(c.typed));
    std::wstring path = c.typed, created;
    ASSERT_EQ(CreateDirectoryTree(files, path, &created), 1);
    EXPECT_EQ(path, c.normalised);
    EXPECT_EQ(created, c.created);
    EXPECT_TRUE(files.IsFolder(c.normalised));
  }
  for (const wchar_t* stray : {L"C:\\X", L"C:\\Top", L"C:\\Z", L"\\\\server\\share\\Apps"})
    EXPECT_FALSE(files.Exists(stray)) << fake::ToUtf8(stray);
  // Without a root there is nothing to resolve against: the levels stay.
  EXPECT_EQ(NormaliseFolderText(L"%APPDATA%\\..\\Cfg"), L"%APPDATA%\\..\\Cfg\\");
  EXPECT_EQ(NormaliseFolderText(L"C:\\%A%\\..\\Cfg", DotLevels::Keep), L"C:\\%A%\\..\\Cfg\\");
  EXPECT_EQ(FolderTextAsCreated(L"C:\\X\\.."), L"C:\\");
  EXPECT_EQ(FolderTextAsCreated(L"C:\\X \\..\\Y"), L"C:\\Y");
}

// Only the levels the call creates get the protected list; levels that were there keep theirs.
TEST_F(DirectoryTreeTest, ProtectedAccessGoesToEveryCreatedLevelOnly) {
  files.CreateFolder(L"C:\\Existing");
  std::wstring path = L"C:\\Existing\\Apps\\Lanternix";
  std::wstring created;
  ASSERT_EQ(CreateDirectoryTree(files, path, &created, FolderAccess::Protected), 1);
  EXPECT_EQ(files.protectedFolders,
            (std::vector<std::wstring>{L"C:\\Existing\\Apps", L"C:\\Existing\\Apps\\Lanternix"}));
  EXPECT_EQ(created, L"C:\\Existing\\Apps");
  path = L"C:\\Existing\\Apps\\Lanternix";
  ASSERT_EQ(CreateDirectoryTree(files, path, nullptr, FolderAccess::Protected), 1);
  EXPECT_EQ(files.protectedFolders.size(), 2u);
  path = L"C:\\Plain\\Lanternix";
  ASSERT_EQ(CreateDirectoryTree(files, path), 1);
  EXPECT_EQ(files.protectedFolders.size(), 2u);
}

TEST_F(DirectoryTreeTest, NetworkPathCreatesTheMissingLevel) {
  files.AddNetworkShare(L"\\\\server\\share");
  std::wstring path = L"\\\\server\\share\\Apps\\Lanternix";
  ASSERT_EQ(CreateDirectoryTree(files, path), 1);
  EXPECT_EQ(path, L"\\\\server\\share\\Apps\\Lanternix\\");
  EXPECT_TRUE(files.IsFolder(L"\\\\server\\share\\Apps\\Lanternix"));
}

TEST_F(DirectoryTreeTest, RefusesEmptySpacesAndMissingDrives) {
  std::wstring path;
  EXPECT_EQ(CreateDirectoryTree(files, path), 0);
  path = L"   ";
  EXPECT_EQ(CreateDirectoryTree(files, path), 0);
  ASSERT_TRUE(files.SetCurrentFolder(L"C:\\Temp"));
  path = L"Q:\\Apps";
  EXPECT_EQ(CreateDirectoryTree(files, path), 0);
  EXPECT_EQ(files.CurrentFolder(), L"C:\\Temp");
}

TEST_F(DirectoryTreeTest, FolderChainStopsAtAMissingParent) {
  EXPECT_EQ(CreateFolderChain(files, L""), 0);
  EXPECT_EQ(CreateFolderChain(files, L"C:\\X/Y\\Z/"), 1);
  EXPECT_TRUE(files.IsFolder(L"C:\\X\\Y\\Z"));
  EXPECT_EQ(CreateFolderChain(files, L"Q:\\X\\Y"), 0);
}

class IconLibraryRuleTest : public ::testing::Test {
protected:
  static constexpr const wchar_t* kPath = L"C:\\Dest\\Plugins\\Icons.dll";
  void Install(std::uint32_t productMS, std::uint32_t fileLS, std::optional<std::wstring> company,
               std::size_t size = kIconLibrarySize) {
    platform.files.WriteText(kPath, std::string(size, 'i'));
    platform.versions.byPath[kPath] = FileVersionData{{0, fileLS, productMS, 0}, std::move(company)};
  }
  int Decide() { return DecideKeepExistingIconLibrary(platform.Get(), kPath); }
  fake::FakePlatform platform;
};

TEST_F(IconLibraryRuleTest, ReplacesOnlyThePublishersOlderOrIdenticalLibrary) {
  EXPECT_EQ(Decide(), 0) << "nothing installed";
  Install(0x00040003, 0x00010000, L"Quillon Varsk");  // 4.31
  EXPECT_EQ(Decide(), 1);
  Install(0x00040003, 0x00000000, L"quillon varsk");  // 4.30, the payload's size
  EXPECT_EQ(Decide(), 0);
  Install(0x00040003, 0x00000000, L"Quillon Varsk", 1000);  // 4.30, another build
  EXPECT_EQ(Decide(), 1);
  Install(0x00040002, 0x00090000, L"Quillon Varsk");  // 4.29
  EXPECT_EQ(Decide(), 0);
  Install(0x00040002, 0x00090000, L"Someone Else");
  EXPECT_EQ(Decide(), 1);
  Install(0x00040002, 0x00090000, std::nullopt);
  EXPECT_EQ(Decide(), 1);
  platform.versions.byPath.clear();
  EXPECT_EQ(Decide(), 0) << "no readable version";

  // A signed payload carries a larger library: its own size is what a re-installation meets.
  platform.resources.bytes[{L"ZIP", 1974}] =
      ZipBuilder().File("Plugins/Icons.dll", std::string(230000, 'i')).Bytes();
  Install(0x00040003, 0x00000000, L"Quillon Varsk", 230000);
  EXPECT_EQ(Decide(), 0);
  Install(0x00040003, 0x00000000, L"Quillon Varsk");  // 4.30 with an unsigned build's size
  EXPECT_EQ(Decide(), 1);
}

TEST(VersionThousandthsTest, SinglePrecisionTruncation) {
  fake::FakeSystemInfo system;
  EXPECT_EQ(VersionThousandths(system, L"4.30"), 4300);
  EXPECT_EQ(VersionThousandths(system, L"4.310"), 4310);
  EXPECT_EQ(VersionThousandths(system, L"10.5x"), 10500);
  EXPECT_EQ(VersionThousandths(system, L"abc"), 0);
}

}  // namespace
}  // namespace lanternix
