// Wide text to UTF-8, for files that must keep any folder name readable whatever the user's
// code page. wchar_t is UTF-16 on Windows and UTF-32 on the host; both are handled.
#pragma once

#include <string>
#include <string_view>

namespace lanternix {

// Surrogate pairs are joined; a lone surrogate half becomes U+FFFD.
std::string WideToUtf8(std::wstring_view text);

}  // namespace lanternix
