// The wizard start-up: the heading font, the five pages on the one sheet, the modal run.
#include <windows.h>

#include <array>
#include <cwchar>

#include "app/setup_app.h"
#include "framework/gdi.h"
#include "install/payload_integrity.h"
#include "model/texts.h"
#include "res/resource_ids.h"
#include "wizard/control_logic.h"
#include "wizard/wiz_property_page.h"
#include "wizard/wiz_property_sheet.h"

namespace lanternix {

namespace {

int ScreenDpi() {
  const framework::CClientDC screen(nullptr);
  return screen ? GetDeviceCaps(screen.Get(), LOGPIXELSX) : wizard::kDefaultDpi;
}

HFONT CreateHeadingFont() {
  LOGFONTW logFont{};
  logFont.lfHeight = wizard::ScaleForDpi(wizard::kHeadingFontHeight, ScreenDpi());
  logFont.lfWeight = wizard::kWeightBold;
  logFont.lfQuality = ANTIALIASED_QUALITY;
  wcsncpy(logFont.lfFaceName, L"Arial", LF_FACESIZE - 1);
  return CreateFontIndirectW(&logFont);
}

}  // namespace

bool RunWizard(Platform& platform) {
  wizard::CWizPropertySheet& sheet = wizard::TheSheet;
  sheet.SetPlatform(platform);
  // A damaged download is refused before the first page, so nobody chooses options for an
  // installation that could only be half done.
  if (!IsSetupIntact(platform.resources)) {
    platform.messages.Show(LoadText(platform.resources, IDS_SETUP_DAMAGED), sheet.titleText, kMbIconError);
    return false;
  }
  sheet.titleFont.Attach(CreateHeadingFont());
  sheet.assocListWindow = nullptr;

  // In the order the sheet shows them; destroyed in reverse when this returns.
  std::array<wizard::CWizPropertyPage, 5> pages{
      wizard::CWizPropertyPage(IDD_WELCOME), wizard::CWizPropertyPage(IDD_WHATS_NEW),
      wizard::CWizPropertyPage(IDD_ASSOCIATIONS), wizard::CWizPropertyPage(IDD_READY),
      wizard::CWizPropertyPage(IDD_FINISHED)};
  for (wizard::CWizPropertyPage& page : pages) {
    sheet.AddPage(page);
    page.m_pSheet = &sheet;
  }

  TheApp.SetMainWindow(&sheet);
  TheApp.EnableVisualStyles();
  sheet.DoModal();
  TheApp.SetMainWindow(nullptr);
  // The pages die with this scope; the sheet outlives them.
  sheet.RemoveAllPages();
  return sheet.InstallCompleted();
}

}  // namespace lanternix
