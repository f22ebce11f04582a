// Process entry: everything happens in the application object's InitInstance.
#include <windows.h>

#include "app/setup_app.h"

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  lanternix::TheApp.InitInstance();
  return lanternix::TheApp.ExitCode();
}
