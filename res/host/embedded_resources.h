// The setup's own resources on the host, where there is no resource section to look in: the
// bytes and texts the Windows builds embed, built into the host program from the same files.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace lanternix {

// The bytes of resource "ZIP" 1974 (the payload archive) or "TXT" 217 (the release notes);
// empty for any other type or id.
std::span<const std::uint8_t> EmbeddedResource(std::wstring_view type, unsigned id);

// The string table's text for id; empty when the table has no such id.
std::wstring EmbeddedString(unsigned id);

}  // namespace lanternix
