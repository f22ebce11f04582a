// The one page class of the wizard: every page is an instance, told apart by its position in
// the sheet. Each overridden operation branches on that position; the control handlers apply to
// whichever page holds the control.
#pragma once

#include <windows.h>

#include <string>

#include "framework/property_page.h"
#include "platform/platform.h"
#include "wizard/page_logic.h"

namespace lanternix::wizard {

class CWizPropertySheet;

class CWizPropertyPage : public framework::CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT templateId) : CPropertyPage(templateId) {}

  // The dialog template id of the page next to the current one, or -1 past either end.
  virtual LRESULT GetAdjacentPageID(BOOL bForward);

  // Cleared at the end of the Welcome page's first activation.
  BOOL m_bFirstActivation = TRUE;
  // The association list's own colours, saved before the page first greys it out; a text
  // colour of -1 means not saved yet.
  COLORREF m_crListBk = 0;
  COLORREF m_crListText = static_cast<COLORREF>(-1);
  // The owning sheet; set by the wizard start-up right after the page was added to it.
  CWizPropertySheet* m_pSheet = nullptr;

 protected:
  BOOL OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  void DoDataExchange(framework::CDataExchange& dx) override;
  BOOL OnSetActive() override;
  LRESULT OnWizardNext() override;
  LRESULT OnWizardBack() override;
  // The message map: a click on a control with a handler below.
  BOOL OnCommand(WPARAM wParam, LPARAM lParam) override;

 private:
  using Handler = void (CWizPropertyPage::*)();
  struct MessageMapEntry {
    int controlId;
    Handler handler;
  };
  static const MessageMapEntry kMessageMap[];

  // This page's place in the sheet (0 Welcome ... 4 Finished), or -1 before it was added.
  int Position() const;
  HWND PageDialog(int position) const;
  HWND SheetWindow() const;
  HWND SheetButton(int id) const;
  void EnableSheetButtons(BOOL enable) const;
  // The sheet's platform: every page reaches the system through it.
  Platform& SystemPlatform() const;
  void ShowMessage(const std::wstring& text, unsigned flags) const;
  // String 10 while a viewer window exists; true when it was shown.
  bool WarnIfViewerRunning() const;
  void SetHeadingFont(int controlId) const;

  // Welcome.
  void ActivateWelcome();
  void FillWelcomeDefaults();
  // Refuses a folder without drive and root; an accepted one is shown as it will be created.
  bool CheckDestination() const;
  void OnBrowse();
  void OnShortcutCheck();
  void OnUncheckAll();
  // What's new.
  void LoadWhatsNewText();
  // Associations.
  void ActivateAssociations();
  void SetUpAssociationList(HWND list);
  void EnableAssocList(HWND list, BOOL enable, COLORREF background, COLORREF text);
  void SetAllRowStates(unsigned (*stateOfRow)(std::size_t));
  void OnRegistryAssoc();
  void OnImagesOnly();
  void OnSelectAll();
  void OnSelectNone();
  // Ready.
  void ActivateReady();
  IniChoice CheckedIniChoice() const;
  LRESULT RunInstallingStep();
  // Finished.
  void ActivateFinished();
};

}  // namespace lanternix::wizard
