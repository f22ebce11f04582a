// The plug-in program of the payload: the viewer starts it to show a slide show as a screen
// saver. This sample only tells what it is.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  MessageBoxW(nullptr, L"Lanternix slide show player (plug-in program of Lanternix 4.65).",
              L"Lanternix Slides", MB_OK | MB_ICONINFORMATION);
  return 0;
}
