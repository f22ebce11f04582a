// The application object: the one place start-up work runs, as InitInstance. When it returns
// FALSE the process ends with ExitCode().
#pragma once

#include <windows.h>

namespace lanternix::framework {

class CWinApp {
public:
  CWinApp() = default;
  CWinApp(const CWinApp&) = delete;
  CWinApp& operator=(const CWinApp&) = delete;
  virtual ~CWinApp() = default;

  virtual BOOL InitInstance() = 0;
  int ExitCode() const { return exitCode_; }

protected:
  void SetExitCode(int code) { exitCode_ = code; }

private:
  int exitCode_ = 0;
};

}  // namespace lanternix::framework
