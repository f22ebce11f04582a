// The DLL search both programs harden first thing: a DLL planted next to the exe (typically in
// a downloads or temporary folder) must never be what gets loaded.
#pragma once

#include <windows.h>

namespace lanternix {

// SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) where the system has it, and its
// result; elsewhere SetDllDirectoryW(L"") (where that exists) and 0.
BOOL HardenDllSearch();

}  // namespace lanternix
