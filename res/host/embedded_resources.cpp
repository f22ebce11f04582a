#include "res/host/embedded_resources.h"

#include <cstddef>

#include "res/resource_ids.h"

// The files are assembled into the object as they are. Their paths come from the build, which
// also makes this file recompile when any of them changes.
asm(".pushsection .rodata\n"
    ".balign 16\n"
    "lanternix_payload_zip_begin:\n"
    ".incbin \"" LANTERNIX_PAYLOAD_ZIP_PATH
    "\"\n"
    "lanternix_payload_zip_end:\n"
    ".balign 16\n"
    "lanternix_release_notes_begin:\n"
    ".incbin \"" LANTERNIX_RELEASE_NOTES_PATH
    "\"\n"
    "lanternix_release_notes_end:\n"
    ".popsection\n");

extern "C" const std::uint8_t lanternix_payload_zip_begin[];
extern "C" const std::uint8_t lanternix_payload_zip_end[];
extern "C" const std::uint8_t lanternix_release_notes_begin[];
extern "C" const std::uint8_t lanternix_release_notes_end[];

namespace lanternix {

namespace {

struct StringEntry {
  unsigned id;
  std::wstring_view text;
};

// The narrow literals of the list become wide ones by concatenation with L"".
constexpr StringEntry kStringTable[] = {
#define LANTERNIX_STRING(id, text) {id, L"" text},
#include "res/string_table.inc"
#undef LANTERNIX_STRING
};

// Resource type names are compared without regard to case, as FindResourceW does.
bool SameTypeName(std::wstring_view type, std::wstring_view upperCaseName) {
  if (type.size() != upperCaseName.size()) return false;
  for (std::size_t i = 0; i < type.size(); ++i) {
    const wchar_t c =
        type[i] >= L'a' && type[i] <= L'z' ? static_cast<wchar_t>(type[i] - L'a' + L'A') : type[i];
    if (c != upperCaseName[i]) return false;
  }
  return true;
}

std::span<const std::uint8_t> Between(const std::uint8_t* begin, const std::uint8_t* end) {
  return {begin, static_cast<std::size_t>(end - begin)};
}

}  // namespace

std::span<const std::uint8_t> EmbeddedResource(std::wstring_view type, unsigned id) {
  if (SameTypeName(type, L"ZIP") && id == IDR_PAYLOAD)
    return Between(lanternix_payload_zip_begin, lanternix_payload_zip_end);
  if (SameTypeName(type, L"TXT") && id == IDR_RELEASE_NOTES)
    return Between(lanternix_release_notes_begin, lanternix_release_notes_end);
  return {};
}

std::wstring EmbeddedString(unsigned id) {
  for (const StringEntry& entry : kStringTable)
    if (entry.id == id) return std::wstring(entry.text);
  return {};
}

}  // namespace lanternix
