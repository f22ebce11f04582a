#include "install/payload_integrity.h"

#include <zlib.h>

#include <algorithm>
#include <limits>
#include <vector>

namespace lanternix {

namespace {

// PE/COFF offsets and values, as the format defines them.
constexpr std::size_t kPeHeaderPointer = 0x3C;
constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
constexpr std::size_t kCoffHeaderBytes = 20;
constexpr std::size_t kSectionHeaderBytes = 40;
constexpr std::uint32_t kPe32Magic = 0x10B;
constexpr std::uint32_t kPe32PlusMagic = 0x20B;
constexpr std::size_t kChecksumField = 64;  // in the optional header, both formats
constexpr std::size_t kPe32Directories = 96;
constexpr std::size_t kPe32PlusDirectories = 112;
constexpr std::size_t kDirectoryEntryBytes = 8;
constexpr std::uint32_t kResourceDirectory = 2;
constexpr std::uint32_t kCertificateDirectory = 4;
constexpr std::size_t kChecksumBytes = 4;
// Resource directories: a 16-byte header with the counts of named and id entries at 12 and 14.
constexpr std::size_t kResourceDirectoryHeaderBytes = 16;
constexpr std::size_t kResourceEntryBytes = 8;
constexpr std::uint32_t kResourceHighBit = 0x80000000;
// Authenticode pads the signed file with zeros to this boundary before the certificate table.
constexpr std::size_t kCertificateAlignment = 8;

// Little-endian reads that never run past the end: a read out of range yields 0 and marks the
// reader failed, so a cut-off or malformed header is found once at the end of a walk.
class ImageReader {
 public:
  explicit ImageReader(std::span<const std::uint8_t> image) : image_(image) {}
  std::uint32_t U16(std::size_t at) { return Read(at, 2); }
  std::uint32_t U32(std::size_t at) { return Read(at, 4); }
  bool Failed() const { return failed_; }
  void Fail() { failed_ = true; }

 private:
  std::uint32_t Read(std::size_t at, std::size_t bytes) {
    if (at > image_.size() || image_.size() - at < bytes) {
      failed_ = true;
      return 0;
    }
    std::uint32_t value = 0;
    for (std::size_t i = bytes; i-- > 0;) value = value << 8 | image_[at + i];
    return value;
  }
  std::span<const std::uint8_t> image_;
  bool failed_ = false;
};

struct Section {
  std::uint32_t virtualAddress = 0;
  std::uint32_t rawSize = 0;
  std::uint32_t rawOffset = 0;
};

// The file offset of size bytes at a relative virtual address, when they lie in one section's
// file data.
std::optional<std::size_t> FileOffsetOf(std::uint32_t rva, std::size_t size,
                                        const std::vector<Section>& sections, std::size_t imageSize) {
  for (const Section& section : sections) {
    if (rva < section.virtualAddress || rva - section.virtualAddress >= section.rawSize) continue;
    const std::size_t inSection = rva - section.virtualAddress;
    if (section.rawSize - inSection < size) return std::nullopt;
    const std::size_t offset = std::size_t{section.rawOffset} + inSection;
    if (offset > imageSize || imageSize - offset < size) return std::nullopt;
    return offset;
  }
  return std::nullopt;
}

// Resource type names are compared without regard to case, as FindResourceW does.
bool IsTypeName(ImageReader& reader, std::size_t nameAt, std::wstring_view upperCaseName) {
  if (reader.U16(nameAt) != upperCaseName.size()) return false;
  for (std::size_t i = 0; i < upperCaseName.size(); ++i) {
    std::uint32_t c = reader.U16(nameAt + 2 + 2 * i);
    if (c >= 'a' && c <= 'z') c -= 'a' - 'A';
    if (c != static_cast<std::uint32_t>(upperCaseName[i])) return false;
  }
  return true;
}

// One level of the resource tree: the OffsetToData of the entry named (or numbered) as asked,
// or of the first entry when neither is given (the language level).
std::optional<std::uint32_t> FindResourceEntry(ImageReader& reader, std::size_t resourceBase,
                                               std::size_t directory, std::wstring_view name,
                                               std::optional<std::uint32_t> id) {
  const std::size_t at = resourceBase + directory;
  const std::size_t count = std::size_t{reader.U16(at + 12)} + reader.U16(at + 14);
  for (std::size_t i = 0; i < count && !reader.Failed(); ++i) {
    const std::size_t entry = at + kResourceDirectoryHeaderBytes + i * kResourceEntryBytes;
    const std::uint32_t entryName = reader.U32(entry);
    const bool named = (entryName & kResourceHighBit) != 0;
    const bool matches =
        !name.empty() ? named && IsTypeName(reader, resourceBase + (entryName & ~kResourceHighBit), name)
        : id          ? !named && entryName == *id
                      : true;
    if (matches) return reader.U32(entry + 4);
  }
  return std::nullopt;
}

// The record's file offset: resource "SETUPCRC" 1, in whatever language, of the record's size.
std::optional<std::size_t> FindRecord(ImageReader& reader, std::uint32_t resourceRva,
                                      const std::vector<Section>& sections, std::size_t imageSize) {
  const auto resourceBase = FileOffsetOf(resourceRva, kResourceDirectoryHeaderBytes, sections, imageSize);
  if (!resourceBase) return std::nullopt;
  const auto types = FindResourceEntry(reader, *resourceBase, 0, kSetupCheckResourceType, std::nullopt);
  if (!types || !(*types & kResourceHighBit)) return std::nullopt;
  const auto ids =
      FindResourceEntry(reader, *resourceBase, *types & ~kResourceHighBit, {}, kSetupCheckResourceId);
  if (!ids || !(*ids & kResourceHighBit)) return std::nullopt;
  const auto data = FindResourceEntry(reader, *resourceBase, *ids & ~kResourceHighBit, {}, std::nullopt);
  if (!data || (*data & kResourceHighBit)) return std::nullopt;
  const std::uint32_t dataRva = reader.U32(*resourceBase + *data);
  const std::uint32_t dataSize = reader.U32(*resourceBase + *data + 4);
  if (reader.Failed() || dataSize != kSetupCheckRecordBytes) return std::nullopt;
  return FileOffsetOf(dataRva, kSetupCheckRecordBytes, sections, imageSize);
}

struct ExcludedRange {
  std::size_t offset;
  std::size_t size;
};

// CRC-32 of every byte of the image outside the excluded ranges.
std::uint32_t CrcExcept(std::span<const std::uint8_t> image, std::array<ExcludedRange, 4> excluded) {
  std::sort(excluded.begin(), excluded.end(),
            [](const ExcludedRange& a, const ExcludedRange& b) { return a.offset < b.offset; });
  uLong crc = crc32_z(0, Z_NULL, 0);
  std::size_t at = 0;
  for (const ExcludedRange& range : excluded) {
    const std::size_t start = std::min(range.offset, image.size());
    if (start > at) crc = crc32_z(crc, image.data() + at, start - at);
    at = std::max(at, start + std::min(range.size, image.size() - start));
  }
  if (at < image.size()) crc = crc32_z(crc, image.data() + at, image.size() - at);
  return static_cast<std::uint32_t>(crc);
}

void PutLittleEndian(std::uint32_t value, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t GetLittleEndian(const std::uint8_t* in) {
  return std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16 |
         std::uint32_t{in[3]} << 24;
}

bool IsSigned(const SetupImageLayout& layout) {
  return layout.certificateOffset != 0 || layout.certificateSize != 0;
}

// The file is as long as stamped, or, once signed, that plus signing's zero padding and the
// certificate table, which ends the file.
bool HasStampedLength(std::span<const std::uint8_t> image, const SetupImageLayout& layout,
                      std::size_t stampedLength) {
  if (!IsSigned(layout)) return image.size() == stampedLength;
  const std::size_t certificates = layout.certificateOffset;
  if (certificates < stampedLength || certificates - stampedLength >= kCertificateAlignment) return false;
  if (certificates > image.size() || image.size() - certificates != layout.certificateSize) return false;
  return std::all_of(image.begin() + static_cast<std::ptrdiff_t>(stampedLength),
                     image.begin() + static_cast<std::ptrdiff_t>(certificates),
                     [](std::uint8_t byte) { return byte == 0; });
}

}  // namespace

std::optional<SetupImageLayout> ReadSetupImageLayout(std::span<const std::uint8_t> image) {
  ImageReader reader(image);
  if (reader.U16(0) != 0x5A4D) return std::nullopt;  // "MZ"
  const std::size_t pe = reader.U32(kPeHeaderPointer);
  if (reader.U32(pe) != kPeSignature) return std::nullopt;
  const std::size_t coff = pe + 4;
  const std::size_t sectionCount = reader.U16(coff + 2);
  const std::size_t optionalHeader = coff + kCoffHeaderBytes;
  const std::size_t optionalHeaderBytes = reader.U16(coff + 16);
  const std::uint32_t magic = reader.U16(optionalHeader);
  if (magic != kPe32Magic && magic != kPe32PlusMagic) return std::nullopt;
  const std::size_t directories =
      optionalHeader + (magic == kPe32Magic ? kPe32Directories : kPe32PlusDirectories);
  const std::uint32_t directoryCount = reader.U32(directories - 4);
  if (directoryCount <= kCertificateDirectory ||
      directories + (kCertificateDirectory + 1) * kDirectoryEntryBytes > optionalHeader + optionalHeaderBytes)
    return std::nullopt;

  std::vector<Section> sections(sectionCount);
  for (std::size_t i = 0; i < sectionCount; ++i) {
    const std::size_t header = optionalHeader + optionalHeaderBytes + i * kSectionHeaderBytes;
    sections[i] = Section{reader.U32(header + 12), reader.U32(header + 16), reader.U32(header + 20)};
  }

  SetupImageLayout layout;
  layout.checksumOffset = optionalHeader + kChecksumField;
  layout.certificateEntryOffset = directories + kCertificateDirectory * kDirectoryEntryBytes;
  // The certificate table's "address" is a file offset, not a virtual address.
  layout.certificateOffset = reader.U32(layout.certificateEntryOffset);
  layout.certificateSize = reader.U32(layout.certificateEntryOffset + 4);
  const std::uint32_t resourceRva = reader.U32(directories + kResourceDirectory * kDirectoryEntryBytes);
  if (reader.Failed()) return std::nullopt;
  const auto record = FindRecord(reader, resourceRva, sections, image.size());
  if (!record || reader.Failed()) return std::nullopt;
  layout.recordOffset = *record;
  return layout;
}

SetupCheckRecord MakeSetupCheckRecord(std::span<const std::uint8_t> image, const SetupImageLayout& layout) {
  SetupCheckRecord record{};
  const std::uint32_t crc = CrcExcept(image, {{{layout.checksumOffset, kChecksumBytes},
                                               {layout.certificateEntryOffset, kDirectoryEntryBytes},
                                               {layout.recordOffset, kSetupCheckRecordBytes},
                                               {layout.certificateOffset, layout.certificateSize}}});
  PutLittleEndian(crc, record.data());
  PutLittleEndian(static_cast<std::uint32_t>(image.size()), record.data() + 4);
  return record;
}

bool StampSetupImage(std::span<std::uint8_t> image) {
  const auto layout = ReadSetupImageLayout(image);
  if (!layout || IsSigned(*layout) || image.size() > std::numeric_limits<std::uint32_t>::max()) return false;
  const SetupCheckRecord record = MakeSetupCheckRecord(image, *layout);
  std::copy(record.begin(), record.end(), image.begin() + static_cast<std::ptrdiff_t>(layout->recordOffset));
  return true;
}

bool IsSetupImageIntact(std::span<const std::uint8_t> image) {
  const auto layout = ReadSetupImageLayout(image);
  if (!layout) return false;
  const std::uint8_t* stored = image.data() + layout->recordOffset;
  const std::size_t stampedLength = GetLittleEndian(stored + 4);
  if (!HasStampedLength(image, *layout, stampedLength)) return false;
  // The certificate table lies past the stamped length, so the unsigned layout applies there.
  SetupImageLayout asStamped = *layout;
  asStamped.certificateOffset = asStamped.certificateSize = 0;
  const SetupCheckRecord expected = MakeSetupCheckRecord(image.first(stampedLength), asStamped);
  return std::equal(expected.begin(), expected.end(), stored);
}

bool IsSetupIntact(ProgramResources& resources) {
  return IsSetupImageIntact(resources.ProgramFile());
}

}  // namespace lanternix
