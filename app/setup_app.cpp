#include "app/setup_app.h"

#include <commctrl.h>

#include <string>

#include "app/command_line.h"
#include "app/silent_setup.h"
#include "platform/text_limits.h"
#include "platform/win32/dll_search.h"
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

using SetThemeAppPropertiesFunction = void(WINAPI*)(DWORD);

constexpr DWORD kThemeNonClientAndControls = 3;

}  // namespace

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
