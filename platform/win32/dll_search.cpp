#include "platform/win32/dll_search.h"

namespace lanternix {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);

constexpr DWORD kSearchSystem32 = 0x800;

}  // namespace

BOOL HardenDllSearch() {
  // By name, not by a path built from the system folder: a 32-bit process on 64-bit Windows has
  // kernel32 loaded from the WOW64 folder, so a path lookup finds nothing there.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return 0;
  // Missing before Windows 7 without KB2533623; such systems keep the default search order.
  const auto setDefault = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
      reinterpret_cast<void*>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
  return setDefault ? setDefault(kSearchSystem32) : 0;
}

}  // namespace lanternix
