#include "install/payload_integrity.h"

#include <zlib.h>

#include <algorithm>

#include "install/payload_extractor.h"

namespace lanternix {

namespace {

void PutLittleEndian(std::uint32_t value, std::uint8_t* out) {
  for (int i = 0; i < 4; ++i) out[i] = static_cast<std::uint8_t>(value >> (8 * i));
}

std::uint32_t ArchiveCrc(std::span<const std::uint8_t> archive) {
  // crc32_z takes the whole length at once, so no 4 GB chunking is needed on 64-bit hosts.
  return static_cast<std::uint32_t>(crc32_z(crc32_z(0, Z_NULL, 0), archive.data(), archive.size()));
}

}  // namespace

std::array<std::uint8_t, kPayloadCheckRecordBytes> PayloadCheckRecord(std::span<const std::uint8_t> archive) {
  std::array<std::uint8_t, kPayloadCheckRecordBytes> record{};
  PutLittleEndian(ArchiveCrc(archive), record.data());
  // gzip keeps the length modulo 2^32; a resource never gets that large.
  PutLittleEndian(static_cast<std::uint32_t>(archive.size()), record.data() + 4);
  return record;
}

bool IsArchiveIntact(std::span<const std::uint8_t> archive, std::span<const std::uint8_t> checkRecord) {
  if (archive.empty() || checkRecord.size() != kPayloadCheckRecordBytes) return false;
  const auto expected = PayloadCheckRecord(archive);
  return std::equal(expected.begin(), expected.end(), checkRecord.begin());
}

bool IsPayloadIntact(ProgramResources& resources) {
  return IsArchiveIntact(resources.Bytes(kPayloadResourceType, kPayloadResourceId),
                         resources.Bytes(kPayloadCheckResourceType, kPayloadResourceId));
}

}  // namespace lanternix
