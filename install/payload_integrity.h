// Tells whether the setup file arrived intact before anything is installed from it. A download
// cut short or with a damaged byte anywhere in the file (code, dialogs, strings, version, the
// payload) must be refused as a whole, not half-installed or crash half-way.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

// The check record: resource "SETUPCRC" 1, linked in as a placeholder and filled in after linking
// (stamp-setup-check). Eight bytes: the CRC-32 of the covered bytes, then the length of the file
// as it was stamped, both little-endian 32-bit.
inline constexpr std::wstring_view kSetupCheckResourceType = L"SETUPCRC";
inline constexpr unsigned kSetupCheckResourceId = 1;
inline constexpr std::size_t kSetupCheckRecordBytes = 8;
using SetupCheckRecord = std::array<std::uint8_t, kSetupCheckRecordBytes>;

// Where the parts lie that the check leaves out: what Authenticode signing changes (the PE
// checksum, the certificate table's directory entry, the certificate table appended at the end)
// and the record itself. Offsets are file offsets.
struct SetupImageLayout {
  std::size_t checksumOffset = 0;          // 4 bytes
  std::size_t certificateEntryOffset = 0;  // 8 bytes
  std::size_t recordOffset = 0;            // kSetupCheckRecordBytes
  std::size_t certificateOffset = 0;       // with certificateSize 0: not signed
  std::size_t certificateSize = 0;
};

// The layout of a PE32 or PE32+ file; none when its headers or resource directory are
// malformed or it carries no record of the right size.
std::optional<SetupImageLayout> ReadSetupImageLayout(std::span<const std::uint8_t> image);

// The record an unsigned image has once stamped: CRC-32 over every byte but the excluded ones.
SetupCheckRecord MakeSetupCheckRecord(std::span<const std::uint8_t> image, const SetupImageLayout& layout);

// Fills in the record of a freshly linked image, in place. False (nothing changed) when the
// image has no record to fill or is signed already: signing comes after stamping.
bool StampSetupImage(std::span<std::uint8_t> image);

// True when the image is the one stamped, signed since or not. Signing may add zero padding up
// to an 8-byte boundary and then the certificate table, which must end the file; any other
// length (a cut-off or extended download) or changed covered byte is damage, and so is an image
// whose layout cannot be read.
bool IsSetupImageIntact(std::span<const std::uint8_t> image);

// The check on the program's own file as it lies on disk. A file that cannot be read counts as
// damaged: nothing is installed from a setup that could not be checked.
bool IsSetupIntact(ProgramResources& resources);

}  // namespace lanternix
