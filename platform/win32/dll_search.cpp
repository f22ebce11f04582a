#include "platform/win32/dll_search.h"

namespace lanternix {

namespace {

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetDllDirectoryFunction = BOOL(WINAPI*)(LPCWSTR);

constexpr DWORD kSearchSystem32 = 0x800;

template <typename Function>
Function Lookup(HMODULE module, const char* name) {
  return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

}  // namespace

BOOL HardenDllSearch() {
  // By name, not by a path built from the system folder: a 32-bit process on 64-bit Windows has
  // kernel32 loaded from the WOW64 folder, so a path lookup finds nothing there.
  const HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
  if (!kernel) return 0;
  if (const auto setDefault = Lookup<SetDefaultDllDirectoriesFunction>(kernel, "SetDefaultDllDirectories"))
    return setDefault(kSearchSystem32);
  // XP SP1 up to a Windows 7 without KB2533623: an empty DLL directory at least takes the
  // current folder out of the search. The program's own folder stays in it, so everything loaded
  // later is loaded by its full path in the system folder.
  const auto setDllDirectory = Lookup<SetDllDirectoryFunction>(kernel, "SetDllDirectoryW");
  if (setDllDirectory) setDllDirectory(L"");
  return 0;
}

}  // namespace lanternix
