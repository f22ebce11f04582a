// The wizard's frame: one modal property sheet in wizard mode holding the five pages. It sets
// the title and the "&Exit" button, asks "Exit setup?" before the user leaves early, and on
// leaving from the Finished page opens the FAQ page and starts the installed viewer as asked.
// It also owns what the pages share: the heading font, the controls they bind, the caption.
#pragma once

#include <windows.h>

#include <array>
#include <string>

#include "framework/gdi.h"
#include "framework/property_sheet.h"
#include "platform/platform.h"
#include "wizard/color_static.h"
#include "wizard/hyperlink.h"

namespace lanternix::wizard {

class CWizPropertySheet : public framework::CPropertySheet {
 public:
  CWizPropertySheet();

  // 1 when a viewer window showed up and was brought to the foreground, 0 when none did
  // within five tries half a second apart.
  static int BringViewerToFront();

  // The one platform of the run, through which the sheet and its pages reach the system;
  // handed over by the wizard start-up before the sheet is shown.
  void SetPlatform(Platform& platform) { platform_ = &platform; }
  Platform& GetPlatform() const { return *platform_; }

  // Set by the installing step when an installation ran to its end during this run.
  void MarkInstallCompleted() { installCompleted_ = true; }
  bool InstallCompleted() const { return installCompleted_; }

  // The bold Arial heading font of the pages; created by the wizard start-up.
  framework::CFont titleFont;
  // The association list view, once the Associations page has set it up.
  HWND assocListWindow = nullptr;
  // The first is the Welcome page's EULA link; the others are never attached.
  std::array<CHyperLink, 4> hyperLinks;
  // The Ready page's installing text.
  CXColorStatic colorStatic;
  // The window title and the caption of every message box of the wizard.
  std::wstring titleText;

 protected:
  BOOL OnInitDialog() override;
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;
  void OnSysCommand(UINT_PTR commandId, LPARAM lParam) override;

 private:
  // "Exit setup?" with No as the default; true on Yes.
  bool ConfirmLeaving();
  // The Finished page's choices: the FAQ page first, then the viewer.
  void RunFinishActions();

  Platform* platform_ = nullptr;
  bool installCompleted_ = false;
};

// The one sheet of the program, constructed before start-up runs.
extern CWizPropertySheet TheSheet;

}  // namespace lanternix::wizard
