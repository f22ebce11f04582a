// One source for the sample plug-in libraries. The viewer loads every library in its Plugins
// folder and asks it for its name and what it adds; the build gives each library its own.
#include <windows.h>

extern "C" __declspec(dllexport) const wchar_t* GetPlugInName() {
  return LANTERNIX_PLUGIN_NAME;
}

extern "C" __declspec(dllexport) const wchar_t* GetPlugInDescription() {
  return LANTERNIX_PLUGIN_DESCRIPTION;
}

extern "C" __declspec(dllexport) int GetPlugInVersion() {
  return 465;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
