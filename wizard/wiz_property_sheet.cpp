#include "wizard/wiz_property_sheet.h"

#include "framework/window.h"
#include "model/product.h"
#include "model/texts.h"
#include "platform/text_limits.h"
#include "res/resource_ids.h"
#include "wizard/hyperlink_logic.h"
#include "wizard/sheet_logic.h"

namespace lanternix::wizard {

CWizPropertySheet TheSheet;

namespace {

constexpr wchar_t kConstructionCaption[] = L"Lanternix Setup";
constexpr int kViewerSearchAttempts = 5;
constexpr DWORD kViewerSearchWaitMs = 500;
constexpr DWORD kViewerStartWaitMs = 50;

}  // namespace

CWizPropertySheet::CWizPropertySheet() : CPropertySheet(kConstructionCaption, 0) {
  AddFlags(PSH_WIZARD);
  // Set here rather than when the sheet's window is initialised: the Welcome page's first
  // activation comes before that and may already show the running-viewer warning.
  titleText = kSetupCaption;
  CutToBuffer(titleText, kShortTextChars);
}

BOOL CWizPropertySheet::OnInitDialog() {
  const BOOL result = CPropertySheet::OnInitDialog();
  SetWindowTextW(GetButton(IDCANCEL), LoadText(GetPlatform().resources, IDS_EXIT).c_str());
  SetTitle(titleText);
  return result;
}

BOOL CWizPropertySheet::OnCommand(WPARAM wParam, LPARAM lParam) {
  switch (DecideExitCommand(wParam, GetActiveIndex())) {
    case LeaveDecision::kConfirm:
      if (!ConfirmLeaving()) return TRUE;
      break;
    case LeaveDecision::kFinish: RunFinishActions(); break;
    case LeaveDecision::kPassOn: break;
  }
  return CPropertySheet::OnCommand(wParam, lParam);
}

void CWizPropertySheet::OnSysCommand(UINT_PTR commandId, LPARAM lParam) {
  switch (DecideSysCommand(commandId, GetActiveIndex())) {
    case LeaveDecision::kConfirm:
      if (!ConfirmLeaving()) return;
      break;
    // The base closes the sheet past OnCommand: the Finished page's actions run here first.
    case LeaveDecision::kFinish: RunFinishActions(); break;
    case LeaveDecision::kPassOn: break;
  }
  CPropertySheet::OnSysCommand(commandId, lParam);
}

bool CWizPropertySheet::ConfirmLeaving() {
  const std::wstring question = LoadText(GetPlatform().resources, IDS_EXIT_SETUP);
  return MessageBoxW(GetSafeHwnd(), question.c_str(), titleText.c_str(),
                     kMbYesNo | kMbIconQuestion | kMbDefButton2) == kIdYes;
}

void CWizPropertySheet::RunFinishActions() {
  const framework::CPropertyPage* finished = GetPage(kFinishedPageIndex);
  const HWND finishedDialog = finished ? finished->GetSafeHwnd() : nullptr;

  // The wizard runs elevated for the installation; the browser and the viewer must not.
  if (framework::IsButtonChecked(finishedDialog, IDC_OPEN_FAQ))
    StartWithUserRights(GetPlatform(), kFaqAddress, L"");

  if (framework::IsButtonChecked(finishedDialog, IDC_START_VIEWER)) {
    const framework::CPropertyPage* welcome = GetPage(kWelcomePageIndex);
    wchar_t folder[kShortTextChars] = {};
    if (welcome && welcome->GetSafeHwnd())
      GetDlgItemTextW(welcome->GetSafeHwnd(), IDC_DESTINATION_FOLDER, folder, kShortTextChars);
    if (const std::optional<std::wstring> viewer = ViewerPathInFolder(folder)) {
      StartWithUserRights(GetPlatform(), *viewer, L"");
      Sleep(kViewerStartWaitMs);
      BringViewerToFront();
    }
  }
}

int CWizPropertySheet::BringViewerToFront() {
  for (int attempt = 0; attempt < kViewerSearchAttempts; ++attempt) {
    if (const HWND viewer =
            FindWindowExW(nullptr, nullptr, std::wstring(kViewerWindowClass).c_str(), nullptr)) {
      SetForegroundWindow(viewer);
      return 1;
    }
    Sleep(kViewerSearchWaitMs);
  }
  return 0;
}

}  // namespace lanternix::wizard
