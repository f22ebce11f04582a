#include "app/setup_app.h"

#include <commctrl.h>

#include <string>

#include "app/command_line.h"
#include "app/silent_setup.h"
#include "platform/text_limits.h"
#include "platform/win32/win32_platform.h"

namespace lanternix {

SetupApp TheApp;

namespace {

// A system DLL by full path, so a planted copy next to the setup (typically in a downloads
// folder) is never what gets loaded.
std::wstring SystemDllPath(const wchar_t* name) {
  wchar_t folder[kShortTextChars] = {};
  const UINT length = GetSystemDirectoryW(folder, kShortTextChars);
  std::wstring path(folder, length < kShortTextChars ? length : 0);
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  return path + name;
}

using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD);
using SetThemeAppPropertiesFunction = void(WINAPI*)(DWORD);

constexpr DWORD kSearchSystem32 = 0x800;
constexpr DWORD kThemeNonClientAndControls = 3;

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

void SetupApp::EnableVisualStyles() {
  // Loaded once and kept for the life of the process; a failed load is tried again next call.
  if (!uxTheme_) {
    uxTheme_ = LoadLibraryW(SystemDllPath(L"UxTheme.dll").c_str());
    if (!uxTheme_) return;
    setThemeAppProperties_ = GetProcAddress(uxTheme_, "SetThemeAppProperties");
  }
  if (setThemeAppProperties_)
    reinterpret_cast<SetThemeAppPropertiesFunction>(reinterpret_cast<void*>(setThemeAppProperties_))(
        kThemeNonClientAndControls);
}

BOOL SetupApp::InitInstance() {
  HardenDllSearch();
  EnableVisualStyles();
  INITCOMMONCONTROLSEX controls{8, 0xFF};
  InitCommonControlsEx(&controls);

  // The one platform of the run: the silent installation and the wizard reach the system
  // through it alone.
  win32::Win32Platform platform;
  const std::wstring_view commandLine = GetCommandLineW();
  if (IsSilentCommandLine(commandLine)) {
    SetExitCode(RunSilentSetup(platform.Get(), commandLine));
  } else {
    SetExitCode(RunWizard(platform.Get()) ? kExitInstalled : kExitFailed);
  }
  return FALSE;
}

}  // namespace lanternix
