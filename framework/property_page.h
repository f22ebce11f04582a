// One page of a property sheet, made from a dialog template of the program's resources. The
// sheet's notifications become virtual operations; WM_COMMAND goes first to the bound control
// it came from, then to OnCommand.
#pragma once

#include <windows.h>
#include <prsht.h>

#include "framework/static_control.h"
#include "framework/window.h"

namespace lanternix::framework {

class CPropertyPage : public CWnd {
 public:
  explicit CPropertyPage(UINT templateId) : templateId_(templateId) {}

  UINT TemplateId() const { return templateId_; }
  // The page as the property sheet takes it; the sheet owns the handle from then on.
  HPROPSHEETPAGE CreatePageHandle();

 protected:
  // WM_INITDIALOG: exchanges data with the controls (DoDataExchange); TRUE lets the dialog
  // set the focus.
  virtual BOOL OnInitDialog();
  // The page becomes current: TRUE accepts.
  virtual BOOL OnSetActive() { return TRUE; }
  // Next and Back pressed in a wizard: 0 moves to the neighbouring page, -1 stays, a template id
  // moves to that page.
  virtual LRESULT OnWizardNext() { return 0; }
  virtual LRESULT OnWizardBack() { return 0; }
  // WM_NOTIFY: the sheet's page notifications go to the operations above. True when handled,
  // with result as the answer.
  virtual BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result);
  virtual void DoDataExchange(CDataExchange& dx);
  // A control's command not taken by the control itself. TRUE when handled.
  virtual BOOL OnCommand(WPARAM wParam, LPARAM lParam);

 private:
  static INT_PTR CALLBACK DialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
  INT_PTR HandleNotify(WPARAM wParam, LPARAM lParam);
  INT_PTR HandleCommand(WPARAM wParam, LPARAM lParam);
  INT_PTR HandleControlColour(UINT message, WPARAM wParam, LPARAM lParam);

  UINT templateId_;
};

}  // namespace lanternix::framework
