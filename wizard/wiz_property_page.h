// The one page class of the wizard: every page is an instance, told apart by its position in
// the sheet. Navigation moves one page forward or back; what each position does on activation,
// on Next and for its controls is added in the overrides below as the pages are built.
#pragma once

#include <windows.h>

#include "framework/property_page.h"

namespace lanternix::wizard {

class CWizPropertySheet;

class CWizPropertyPage : public framework::CPropertyPage {
 public:
  explicit CWizPropertyPage(UINT templateId) : CPropertyPage(templateId) {}

  // The dialog template id of the page next to the current one, or -1 past either end.
  virtual LRESULT GetAdjacentPageID(BOOL bForward);

  // The owning sheet; set by the wizard start-up right after the page was added to it.
  CWizPropertySheet* m_pSheet = nullptr;

 protected:
  LRESULT OnWizardNext() override;
  LRESULT OnWizardBack() override;
};

}  // namespace lanternix::wizard
