// Tells whether the embedded payload arrived intact before anything is installed from it. A
// download cut short or with a damaged byte must be refused as a whole, not half-installed.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

// The check record of the payload archive: resource "ZIPCRC" with the archive's id, made at
// build time from the finished archive. Eight bytes: the CRC-32 of the whole archive, then its
// length, both little-endian 32-bit (the trailer gzip writes, which is how the build makes it).
inline constexpr std::wstring_view kPayloadCheckResourceType = L"ZIPCRC";
inline constexpr std::size_t kPayloadCheckRecordBytes = 8;

// The record an intact archive has.
std::array<std::uint8_t, kPayloadCheckRecordBytes> PayloadCheckRecord(std::span<const std::uint8_t> archive);

// True when the archive's length and CRC-32 match the record. A CRC-32 catches every change of
// up to 32 consecutive bits, so any single changed byte anywhere in the archive (data, headers,
// central directory, comment) is caught, and the length catches truncation. A missing or
// malformed record counts as damage: every build carries one.
bool IsArchiveIntact(std::span<const std::uint8_t> archive, std::span<const std::uint8_t> checkRecord);

// The check on the program's own resources, read in place: nothing is written anywhere.
bool IsPayloadIntact(ProgramResources& resources);

}  // namespace lanternix
