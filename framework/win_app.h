// The application object: the one place start-up work runs, as InitInstance. When it returns
// FALSE the process ends with ExitCode(). Its main window is the one top-level window the
// program shows while it runs (the wizard sheet).
#pragma once

#include <windows.h>

#include "framework/window.h"

namespace lanternix::framework {

class CWinApp {
 public:
  CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp() = default;

  virtual BOOL InitInstance() = 0;
  int ExitCode() const { return exitCode_; }
  CWnd* MainWindow() const { return mainWindow_; }
  void SetMainWindow(CWnd* window) { mainWindow_ = window; }

 protected:
  void SetExitCode(int code) { exitCode_ = code; }

 private:
  int exitCode_ = 0;
  CWnd* mainWindow_ = nullptr;
};

}  // namespace lanternix::framework
