// Turns the embedded payload into files: the "ZIP" resource goes to a temporary file, every
// entry is unpacked below the destination folder with its stored time, and the temporary file
// is deleted again.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

inline constexpr unsigned kPayloadResourceId = 1974;
inline constexpr std::wstring_view kPayloadResourceType = L"ZIP";
inline constexpr std::wstring_view kTemporaryArchiveName = L"ltern_x32.zip";

// 0 when every entry was written (the icon library may be left out on purpose); -1 when the
// payload could not be unpacked or any entry failed. destinationFolder ends in "\" and stays
// the current folder afterwards.
int ExtractPayload(Platform& platform, std::wstring_view destinationFolder, int keepExistingIconLibrary);

// Unpacks an archive file into destinationFolder; 0 or -1 as above.
int ExtractArchive(Platform& platform, std::wstring_view archivePath, std::wstring_view destinationFolder,
                   int keepExistingIconLibrary);

// The length in characters of the payload's longest entry name, read from the embedded archive's
// own directory; 0 when there is no readable payload (the extraction then fails on its own).
std::size_t LongestPayloadEntryName(Platform& platform);

// The uncompressed size the embedded archive records for an entry ("Plugins/Icons.dll", letters
// compared without case); none when the payload or the entry is missing.
std::optional<std::int64_t> PayloadEntrySize(Platform& platform, std::wstring_view entryName);

// Sets a file's creation and last-write time from an MS-DOS date and time meaning local time,
// once its content is written and before it is closed. A time that can't be set is no failure.
void SetFileTimeFromDos(OutputFile& file, std::uint32_t dosDateTime);

}  // namespace lanternix
