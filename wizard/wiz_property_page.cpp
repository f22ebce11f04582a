#include "wizard/wiz_property_page.h"

#include "wizard/sheet_logic.h"
#include "wizard/wiz_property_sheet.h"

namespace lanternix::wizard {

LRESULT CWizPropertyPage::GetAdjacentPageID(BOOL bForward) {
  if (!m_pSheet) return -1;
  const std::optional<int> index =
      AdjacentPageIndex(m_pSheet->GetActiveIndex(), m_pSheet->GetPageCount(), bForward != FALSE);
  if (!index) return -1;
  return static_cast<LRESULT>(m_pSheet->GetPage(*index)->TemplateId());
}

LRESULT CWizPropertyPage::OnWizardNext() {
  return GetAdjacentPageID(TRUE);
}

LRESULT CWizPropertyPage::OnWizardBack() {
  return GetAdjacentPageID(FALSE);
}

}  // namespace lanternix::wizard
