#include "install/payload_integrity.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

#include "app/silent_setup.h"
#include "tests/unit/setup_fixture.h"

namespace lanternix {
namespace {

using testing::SetupImage;
using testing::SetupImageParts;
using testing::SetupMachine;
using Bytes = std::vector<std::uint8_t>;

Bytes Flipped(Bytes bytes, std::size_t at, std::uint8_t mask = 0x01) {
  bytes.at(at) ^= mask;
  return bytes;
}

void PutLe32(Bytes& bytes, std::size_t at, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) bytes.at(at + i) = static_cast<std::uint8_t>(value >> (8 * i));
}

// What signing does to a file: the PE checksum filled in, zero padding to an 8-byte boundary,
// the certificate table appended and named in the data directory.
Bytes Signed(Bytes image, std::size_t certificateBytes = 0x80) {
  const auto layout = ReadSetupImageLayout(image);
  image.resize((image.size() + 7) / 8 * 8, 0);
  const std::size_t certificates = image.size();
  for (std::size_t i = 0; i < certificateBytes; ++i) image.push_back(static_cast<std::uint8_t>(0x30 + i));
  PutLe32(image, layout->certificateEntryOffset, static_cast<std::uint32_t>(certificates));
  PutLe32(image, layout->certificateEntryOffset + 4, static_cast<std::uint32_t>(certificateBytes));
  PutLe32(image, layout->checksumOffset, 0xC0FFEE);
  return image;
}

// An image with trailing data past its sections, so its length is not a multiple of 8.
Bytes WithOverlay(Bytes image) {
  image.insert(image.end(), {'t', 'a', 'i', 'l'});
  EXPECT_TRUE(StampSetupImage(image));
  return image;
}

class SetupImageTest : public ::testing::TestWithParam<bool> {
 protected:
  const Bytes image = SetupImage(GetParam());
  const SetupImageLayout layout = *ReadSetupImageLayout(image);
};

TEST_P(SetupImageTest, LayoutFindsTheRecordAndWhatSigningChanges) {
  EXPECT_EQ(layout.recordOffset, SetupImageParts::kRecord);
  EXPECT_EQ(layout.checksumOffset, 0x40u + 24 + 64);
  EXPECT_EQ(layout.certificateEntryOffset, 0x40u + 24 + (GetParam() ? 112 : 96) + 4 * 8);
  EXPECT_EQ(layout.certificateOffset + layout.certificateSize, 0u);
  // The record: CRC-32 of the covered bytes, then the file's length, little-endian.
  EXPECT_EQ(image[layout.recordOffset + 4] | image[layout.recordOffset + 5] << 8, SetupImageParts::kEnd);
  EXPECT_TRUE(IsSetupImageIntact(image));
}

TEST_P(SetupImageTest, EveryChangedByteIsCaughtButThePeChecksum) {
  for (std::size_t at = 0; at < image.size(); ++at) {
    const bool checksum = at >= layout.checksumOffset && at < layout.checksumOffset + 4;
    for (const std::uint8_t mask : {std::uint8_t{0x01}, std::uint8_t{0x80}})
      ASSERT_EQ(IsSetupImageIntact(Flipped(image, at, mask)), checksum)
          << "byte " << at << " mask " << int{mask};
  }
}

TEST_P(SetupImageTest, CutOffOrExtendedFilesAreCaught) {
  EXPECT_FALSE(IsSetupImageIntact(Bytes(image.begin(), image.end() - 1)));
  EXPECT_FALSE(IsSetupImageIntact(Bytes(image.begin(), image.begin() + SetupImageParts::kDialog)));
  EXPECT_FALSE(IsSetupImageIntact(Bytes(image.begin(), image.begin() + 0x100)));  // headers only
  EXPECT_FALSE(IsSetupImageIntact(Bytes()));
  Bytes longer = image;
  longer.push_back(0);
  EXPECT_FALSE(IsSetupImageIntact(longer));
}

TEST_P(SetupImageTest, SigningKeepsTheCheckAndDamageAfterSigningIsCaught) {
  for (const Bytes& stamped : {image, WithOverlay(image)}) {
    const Bytes signedImage = Signed(stamped);
    ASSERT_TRUE(IsSetupImageIntact(signedImage));
    Bytes again = signedImage;
    EXPECT_FALSE(StampSetupImage(again)) << "stamping comes before signing";
    EXPECT_EQ(again, signedImage);
    // The certificate table is the signature's business, not the check's.
    EXPECT_TRUE(IsSetupImageIntact(Flipped(signedImage, signedImage.size() - 5)));
    EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, SetupImageParts::kCode + 7)));
    EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, SetupImageParts::kDialog + 3)));
    EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, SetupImageParts::kRecord + 1)));
    // The certificate table must end the file, be named where it lies, follow zero padding only.
    Bytes extended = signedImage;
    extended.push_back(0);
    EXPECT_FALSE(IsSetupImageIntact(extended));
    EXPECT_FALSE(IsSetupImageIntact(Bytes(signedImage.begin(), signedImage.end() - 1)));
    EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, layout.certificateEntryOffset)));
    EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, layout.certificateEntryOffset + 4)));
    if (stamped.size() % 8 != 0) {
      EXPECT_FALSE(IsSetupImageIntact(Flipped(signedImage, stamped.size()))) << "padding must be zeros";
    }
  }
}

TEST_P(SetupImageTest, ImagesWithoutAReadableRecordAreRefusedAndNotStamped) {
  Bytes other = SetupImage(GetParam(), "ZIPCRC");
  EXPECT_FALSE(ReadSetupImageLayout(other));
  EXPECT_FALSE(StampSetupImage(other));
  EXPECT_FALSE(IsSetupImageIntact(other));
  // The record's data entry with another size than eight bytes.
  EXPECT_FALSE(IsSetupImageIntact(Flipped(image, SetupImageParts::kResources + 0x4C)));
  // Headers that point outside the file.
  Bytes pointer = image;
  PutLe32(pointer, 0x3C, 0x7FFFFFF0);
  EXPECT_FALSE(ReadSetupImageLayout(pointer));
  Bytes resources = image;
  PutLe32(resources, layout.certificateEntryOffset - 2 * 8, 0x9000);
  EXPECT_FALSE(ReadSetupImageLayout(resources));
  EXPECT_FALSE(IsSetupImageIntact(Bytes(64, 0)));
}

TEST(SetupImageStampTest, AnUnstampedImageIsRefused) {
  Bytes image = SetupImage();
  std::copy_n("NO CHECK", kSetupCheckRecordBytes, image.begin() + SetupImageParts::kRecord);
  EXPECT_FALSE(IsSetupImageIntact(image));
  ASSERT_TRUE(StampSetupImage(image));
  EXPECT_EQ(image, SetupImage()) << "stamping is repeatable";
}

std::string FormatName(const ::testing::TestParamInfo<bool>& format) {
  return format.param ? "Pe32Plus" : "Pe32";
}

INSTANTIATE_TEST_SUITE_P(Formats, SetupImageTest, ::testing::Values(false, true), FormatName);

class DamagedSetupTest : public ::testing::Test {
 protected:
  void Damage(std::size_t at) {
    machine.setupFile = Flipped(machine.setupFile, at);
    machine.resources.programFile = machine.setupFile;
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

TEST_F(DamagedSetupTest, SilentRunRefusesADamagedSetupFile) {
  Damage(SetupImageParts::kCode + 0x33);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent /folder=C:\\Apps /desktop=1 /group=1 /assoc=2");
}

TEST_F(DamagedSetupTest, SilentRunRefusesACutOffSetupFile) {
  machine.resources.programFile = std::span<const std::uint8_t>(machine.setupFile).first(0x500);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

TEST_F(DamagedSetupTest, SilentRunRefusesASetupFileItCannotRead) {
  machine.resources.programFile = {};
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

TEST_F(DamagedSetupTest, TheCheckComesBeforeTheRunningViewerTest) {
  // Downloading again is the first thing to do; closing the viewer would not help.
  machine.system.windowClasses.insert(L"Lanternix");
  Damage(SetupImageParts::kRecord);
  ExpectRefusedWithNothingCreated(L"setup.exe /silent");
}

}  // namespace
}  // namespace lanternix
