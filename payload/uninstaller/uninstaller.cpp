// The uninstaller the setup installs and registers. For now it only tells what it is; removing
// an installation is still to come.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"This is the Lanternix 4.65 uninstaller.\n\nIt does not remove anything yet.",
              L"Lanternix Uninstaller", MB_OK | MB_ICONINFORMATION);
  return 0;
}
