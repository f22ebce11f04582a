// Process entry. Start-up proper (silent run or wizard) is built on top of this.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) { return 0; }
