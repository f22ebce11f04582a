// The setup's application object. Its InitInstance hardens the DLL search, turns on visual
// styles, registers the common controls and then runs the silent path or the wizard.
#pragma once

#include "framework/win_app.h"
#include "platform/platform.h"

namespace lanternix {

class SetupApp final : public framework::CWinApp {
public:
  BOOL InitInstance() override;
  // SetThemeAppProperties(STAP_ALLOW_NONCLIENT | STAP_ALLOW_CONTROLS) from the system's UxTheme,
  // which stays loaded for the life of the process.
  void EnableVisualStyles();

private:
  HMODULE uxTheme_ = nullptr;
  FARPROC setThemeAppProperties_ = nullptr;
};

extern SetupApp TheApp;

// The wizard, reaching the system through platform; returns whether an installation completed
// during the run.
bool RunWizard(Platform& platform);

}  // namespace lanternix
