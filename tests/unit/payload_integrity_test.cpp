#include "install/payload_integrity.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <vector>

#include "app/silent_setup.h"
#include "tests/unit/setup_fixture.h"
#include "tests/unit/zip_builder.h"

namespace lanternix {
namespace {

using testing::SetupMachine;
using testing::ZipBuilder;
using Bytes = std::vector<std::uint8_t>;

Bytes SampleArchive() {
  return ZipBuilder()
      .File("l_tern32.exe", std::string(3000, 'x') + "viewer")
      .Folder("Plugins/")
      .File("Plugins/Icons.dll", "icons")
      .Bytes();
}

Bytes RecordOf(const Bytes& archive) {
  const auto record = PayloadCheckRecord(archive);
  return Bytes(record.begin(), record.end());
}

std::size_t Find(const Bytes& bytes, std::string_view signature) {
  const auto at = std::search(bytes.begin(), bytes.end(), signature.begin(), signature.end());
  return static_cast<std::size_t>(at - bytes.begin());
}

Bytes Flipped(Bytes bytes, std::size_t at, std::uint8_t mask = 0x01) {
  bytes.at(at) ^= mask;
  return bytes;
}

TEST(PayloadIntegrityTest, RecordIsTheCrc32AndLengthLittleEndian) {
  // The standard CRC-32 check value: CRC-32("123456789") = 0xCBF43926.
  const std::string_view text = "123456789";
  const Bytes data(text.begin(), text.end());
  EXPECT_EQ(RecordOf(data), (Bytes{0x26, 0x39, 0xF4, 0xCB, 0x09, 0x00, 0x00, 0x00}));
  EXPECT_TRUE(IsArchiveIntact(data, Bytes{0x26, 0x39, 0xF4, 0xCB, 0x09, 0x00, 0x00, 0x00}));
}

TEST(PayloadIntegrityTest, DamageInEveryPartOfTheArchiveIsCaught) {
  const Bytes archive = SampleArchive();
  const Bytes record = RecordOf(archive);
  ASSERT_TRUE(IsArchiveIntact(archive, record));

  const std::size_t localHeader = Find(archive, "PK\x03\x04");
  const std::size_t centralDirectory = Find(archive, "PK\x01\x02");
  const std::size_t endRecord = Find(archive, "PK\x05\x06");
  ASSERT_EQ(localHeader, 0u);
  ASSERT_LT(centralDirectory, archive.size());
  ASSERT_LT(endRecord, archive.size());
  // The first entry's name is 12 bytes; its compressed data follows the 30-byte header.
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, 30 + 12 + 5), record)) << "compressed data";
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, localHeader + 10), record)) << "local header time";
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, localHeader + 31), record)) << "local header name";
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, centralDirectory + 4), record)) << "version made by";
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, centralDirectory + 38), record)) << "external attributes";
  EXPECT_FALSE(IsArchiveIntact(Flipped(archive, endRecord + 16), record)) << "directory offset";
}

TEST(PayloadIntegrityTest, EverySingleChangedByteIsCaught) {
  const Bytes archive = SampleArchive();
  const Bytes record = RecordOf(archive);
  for (std::size_t at = 0; at < archive.size(); ++at)
    for (const std::uint8_t mask : {std::uint8_t{0x01}, std::uint8_t{0x80}, std::uint8_t{0xFF}})
      ASSERT_FALSE(IsArchiveIntact(Flipped(archive, at, mask), record))
          << "byte " << at << " mask " << int{mask};
}

TEST(PayloadIntegrityTest, TruncatedOrExtendedArchivesAreCaught) {
  const Bytes archive = SampleArchive();
  const Bytes record = RecordOf(archive);
  EXPECT_FALSE(IsArchiveIntact(Bytes(archive.begin(), archive.end() - 1), record));
  EXPECT_FALSE(IsArchiveIntact(Bytes(archive.begin(), archive.begin() + archive.size() / 2), record));
  EXPECT_FALSE(IsArchiveIntact(Bytes(), record));
  Bytes longer = archive;
  longer.push_back(0);
  EXPECT_FALSE(IsArchiveIntact(longer, record));
}

TEST(PayloadIntegrityTest, AMissingOrMalformedRecordCountsAsDamage) {
  const Bytes archive = SampleArchive();
  Bytes record = RecordOf(archive);
  EXPECT_FALSE(IsArchiveIntact(archive, Bytes()));
  EXPECT_FALSE(IsArchiveIntact(archive, Bytes(record.begin(), record.end() - 1)));
  record.push_back(0);
  EXPECT_FALSE(IsArchiveIntact(archive, record));
  EXPECT_FALSE(IsArchiveIntact(archive, Flipped(RecordOf(archive), 6)));
}

TEST(PayloadIntegrityTest, TheBuiltPayloadMatchesTheRecordTheBuildMade) {
  // The build makes the record with gzip, the setup with zlib: both must read the same way.
  SetupMachine machine;
  EXPECT_TRUE(IsPayloadIntact(machine.resources));
  EXPECT_EQ(EmbeddedResource(L"ZIPCRC", 1974).size(), kPayloadCheckRecordBytes);
}

class DamagedSetupTest : public ::testing::Test {
 protected:
  // The embedded payload with one byte changed, in memory the machine owns.
  void DamagePayload(std::size_t at) {
    const auto payload = EmbeddedResource(L"ZIP", 1974);
    machine.resources.views.erase({L"ZIP", 1974});
    machine.resources.bytes[{L"ZIP", 1974}] = Flipped(Bytes(payload.begin(), payload.end()), at);
  }

  void ExpectRefusedWithNothingCreated(std::wstring_view commandLine) {
    EXPECT_EQ(RunSilentSetup(machine.Get(), commandLine), kExitFailed);
    EXPECT_EQ(machine.LogMessages(L"C:\\Start"),
              std::vector<std::string>{"This setup file is damaged. Please download it again."});
    EXPECT_FALSE(machine.files.Exists(L"C:\\Program Files\\Lanternix"));
    EXPECT_FALSE(machine.files.Exists(L"C:\\Apps"));
    EXPECT_FALSE(machine.registry.StringValue(
        RegRoot::LocalMachine, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Lanternix",
        L"InstallLocation"));
    EXPECT_TRUE(machine.shell.links.empty());
  }

  SetupMachine machine;
};

TEST_F(DamagedSetupTest, SilentRunRefusesADamagedPayload) {
  DamagePayload(EmbeddedResource(L"ZIP", 1974).size() / 2);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent /folder=C:\\Apps /desktop=1 /group=1 /assoc=2");
}

TEST_F(DamagedSetupTest, SilentRunRefusesATruncatedPayload) {
  const auto payload = EmbeddedResource(L"ZIP", 1974);
  machine.resources.views[{L"ZIP", 1974}] = payload.first(payload.size() - 100);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

TEST_F(DamagedSetupTest, SilentRunRefusesAPayloadWithoutItsRecord) {
  machine.resources.views.erase({L"ZIPCRC", 1974});
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

TEST_F(DamagedSetupTest, TheCheckComesBeforeTheRunningViewerTest) {
  // Downloading again is the first thing to do; closing the viewer would not help.
  machine.system.windowClasses.insert(L"Lanternix");
  DamagePayload(0);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

}  // namespace
}  // namespace lanternix
