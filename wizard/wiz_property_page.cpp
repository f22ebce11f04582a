#include "wizard/wiz_property_page.h"

#include <commctrl.h>
#include <shlobj.h>

#include <memory>
#include <optional>
#include <vector>

#include "framework/window.h"
#include "install/install_driver.h"
#include "model/format_catalogue.h"
#include "model/product.h"
#include "model/texts.h"
#include "platform/text_limits.h"
#include "platform/win32/handles.h"
#include "res/resource_ids.h"
#include "wizard/control_logic.h"
#include "wizard/page_logic.h"
#include "wizard/sheet_logic.h"
#include "wizard/wiz_property_sheet.h"

namespace lanternix::wizard {

namespace {

// The sheet's wizard buttons; comctl32 gives them these ids, windows.h does not name them.
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;
constexpr int kWhatsNewPosition = 1;
constexpr int kAssociationsPosition = 2;
constexpr int kReadyPosition = 3;
constexpr COLORREF kGreyListBackground = RGB(192, 192, 192);
constexpr COLORREF kGreyListText = RGB(255, 128, 0);
constexpr COLORREF kInstallingTextColour = RGB(255, 0, 0);
constexpr COLORREF kColourNotSaved = static_cast<COLORREF>(-1);
constexpr int kTypeColumnShare = 3;

std::wstring ItemText(HWND dialog, int id, std::size_t maxChars) {
  std::vector<wchar_t> buffer(maxChars, L'\0');
  if (dialog) GetDlgItemTextW(dialog, id, buffer.data(), static_cast<int>(maxChars));
  return buffer.data();
}

using framework::IsButtonChecked;

void SetCheck(HWND dialog, int id, bool checked) {
  SendDlgItemMessageW(dialog, id, BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

int DpiOf(HWND window) {
  const framework::CClientDC dc(window);
  return dc ? GetDeviceCaps(dc.Get(), LOGPIXELSX) : kDefaultDpi;
}

struct ItemListDeleter {
  void operator()(ITEMIDLIST* list) const { CoTaskMemFree(list); }
};

// Preselects the folder the field holds when the picker opens.
int CALLBACK BrowseCallbackProc(HWND picker, UINT message, LPARAM, LPARAM data) {
  if (message == BFFM_INITIALIZED) {
    const std::wstring selection = PickerPreselection(reinterpret_cast<const wchar_t*>(data));
    SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, reinterpret_cast<LPARAM>(selection.c_str()));
  }
  return 0;
}

// The folder the user picked, with its final "\"; none when cancelled or not a file-system folder.
std::optional<std::wstring> BrowseForFolder(HWND owner, const std::wstring& title,
                                            const std::wstring& currentPath) {
  // The picker is a shell dialog: it needs COM on this thread.
  const win32::ScopedCom com;
  wchar_t displayName[kShortTextChars] = {};
  BROWSEINFOW info{};
  info.hwndOwner = owner;
  info.pszDisplayName = displayName;
  info.lpszTitle = title.c_str();
  info.ulFlags = BIF_RETURNONLYFSDIRS;
  info.lpfn = BrowseCallbackProc;
  info.lParam = reinterpret_cast<LPARAM>(currentPath.c_str());
  const std::unique_ptr<ITEMIDLIST, ItemListDeleter> chosen(SHBrowseForFolderW(&info));
  if (!chosen) return std::nullopt;
  wchar_t path[MAX_PATH] = {};
  if (!SHGetPathFromIDListW(chosen.get(), path)) return std::nullopt;
  std::wstring result = path;
  if (result.empty() || result.back() != L'\\') result.push_back(L'\\');
  return result;
}

void InsertFormatRow(HWND list, int index, std::wstring_view label, std::wstring_view description) {
  std::wstring labelText(label);
  std::wstring descriptionText(description);
  LVITEMW item{};
  item.mask = LVIF_TEXT;
  item.iItem = index;
  item.iSubItem = 0;
  item.pszText = labelText.data();
  item.cchTextMax = static_cast<int>(labelText.size() + 1);
  SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
  LVITEMW subItem{};
  subItem.iSubItem = 1;
  subItem.pszText = descriptionText.data();
  SendMessageW(list, LVM_SETITEMTEXTW, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&subItem));
}

void InsertBlankColumn(HWND list, int subItem, int width) {
  wchar_t empty[1] = {};
  LVCOLUMNW column{};
  column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
  column.fmt = LVCFMT_LEFT;
  column.cx = width;
  column.pszText = empty;
  column.iSubItem = subItem;
  SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(subItem), reinterpret_cast<LPARAM>(&column));
}

unsigned CheckedState(std::size_t) {
  return kStateChecked;
}

unsigned UncheckedState(std::size_t) {
  return kStateUnchecked;
}

}  // namespace

const CWizPropertyPage::MessageMapEntry CWizPropertyPage::kMessageMap[] = {
    {IDC_BROWSE, &CWizPropertyPage::OnBrowse},
    {IDC_INI_BROWSE, &CWizPropertyPage::OnBrowse},
    {IDC_DESKTOP_SHORTCUT, &CWizPropertyPage::OnShortcutCheck},
    {IDC_THUMBNAILS_SHORTCUT, &CWizPropertyPage::OnShortcutCheck},
    {IDC_START_MENU_SHORTCUT, &CWizPropertyPage::OnShortcutCheck},
    {IDC_UNCHECK_ALL, &CWizPropertyPage::OnUncheckAll},
    {IDC_REGISTRY_ASSOC, &CWizPropertyPage::OnRegistryAssoc},
    {IDC_IMAGES_ONLY, &CWizPropertyPage::OnImagesOnly},
    {IDC_SELECT_ALL, &CWizPropertyPage::OnSelectAll},
    {IDC_SELECT_NONE, &CWizPropertyPage::OnSelectNone},
};

// ---------------------------------------------------------------- common

// The page's own place rather than the sheet's selection: a page's activation can come before
// comctl32 has made it the current page (the first page's, while the sheet is being created),
// and only the current page gets Next, Back and the clicks of its controls, so the two agree
// wherever the current page is meant.
int CWizPropertyPage::Position() const {
  if (!m_pSheet) return -1;
  for (int index = 0; index < m_pSheet->GetPageCount(); ++index)
    if (m_pSheet->GetPage(index) == this) return index;
  return -1;
}

HWND CWizPropertyPage::PageDialog(int position) const {
  const framework::CPropertyPage* page = m_pSheet ? m_pSheet->GetPage(position) : nullptr;
  return page ? page->GetSafeHwnd() : nullptr;
}

// The page's parent rather than the sheet object's handle: the first page is activated while
// comctl32 still creates the sheet, before the object is bound to its window.
HWND CWizPropertyPage::SheetWindow() const {
  return GetParent(GetSafeHwnd());
}

HWND CWizPropertyPage::SheetButton(int id) const {
  return GetDlgItem(SheetWindow(), id);
}

void CWizPropertyPage::EnableSheetButtons(BOOL enable) const {
  for (const int id : {kBackButton, kNextButton, IDCANCEL}) EnableWindow(SheetButton(id), enable);
}

Platform& CWizPropertyPage::SystemPlatform() const {
  return m_pSheet->GetPlatform();
}

void CWizPropertyPage::ShowMessage(const std::wstring& text, unsigned flags) const {
  MessageBoxW(GetSafeHwnd(), text.c_str(), m_pSheet->titleText.c_str(), flags);
}

bool CWizPropertyPage::WarnIfViewerRunning() const {
  const std::wstring destination =
      ItemText(PageDialog(kWelcomePageIndex), IDC_DESTINATION_FOLDER, kLongTextChars);
  const std::optional<std::wstring> warning = ViewerRunningWarning(SystemPlatform(), destination);
  if (warning) ShowMessage(*warning, kMbIconExclamation);
  return warning.has_value();
}

void CWizPropertyPage::SetHeadingFont(int controlId) const {
  SendDlgItemMessageW(GetSafeHwnd(), controlId, WM_SETFONT,
                      reinterpret_cast<WPARAM>(m_pSheet->titleFont.Get()), TRUE);
}

LRESULT CWizPropertyPage::GetAdjacentPageID(BOOL bForward) {
  if (!m_pSheet) return -1;
  const std::optional<int> index =
      AdjacentPageIndex(m_pSheet->GetActiveIndex(), m_pSheet->GetPageCount(), bForward != FALSE);
  if (!index) return -1;
  return static_cast<LRESULT>(m_pSheet->GetPage(*index)->TemplateId());
}

BOOL CWizPropertyPage::OnNotify(WPARAM wParam, LPARAM lParam, LRESULT* result) {
  return CPropertyPage::OnNotify(wParam, lParam, result);
}

void CWizPropertyPage::DoDataExchange(framework::CDataExchange& dx) {
  if (!m_pSheet) return;
  switch (Position()) {
    case kWelcomePageIndex: {
      CHyperLink& eula = m_pSheet->hyperLinks[0];
      DDX_Control(dx, IDC_EULA_LINK, eula);
      eula.SetUnderlineMode(1);
      eula.SetLinkAddress(std::wstring(kEulaAddress));
      eula.SetPlatform(SystemPlatform());
      break;
    }
    case kReadyPosition: {
      CXColorStatic& installing = m_pSheet->colorStatic;
      DDX_Control(dx, IDC_INSTALLING, installing);
      installing.SetTextColor(kInstallingTextColour);
      installing.SetBold(TRUE);
      installing.SetFontHeight(ScaleForDpi(kHeadingFontHeight, DpiOf(SheetWindow())));
      break;
    }
    default: break;
  }
}

BOOL CWizPropertyPage::OnSetActive() {
  if (m_pSheet) {
    switch (Position()) {
      case kWelcomePageIndex: ActivateWelcome(); break;
      case kWhatsNewPosition: LoadWhatsNewText(); break;
      case kAssociationsPosition: ActivateAssociations(); break;
      case kReadyPosition: ActivateReady(); break;
      case kFinishedPageIndex: ActivateFinished(); break;
      default: break;
    }
  }
  return CPropertyPage::OnSetActive();
}

LRESULT CWizPropertyPage::OnWizardNext() {
  EnableWindow(SheetButton(kBackButton), TRUE);
  switch (Position()) {
    case kWelcomePageIndex:
      if (!CheckDestination()) return -1;
      break;
    case kReadyPosition: return RunInstallingStep();
    default: break;
  }
  return GetAdjacentPageID(TRUE);
}

LRESULT CWizPropertyPage::OnWizardBack() {
  return GetAdjacentPageID(FALSE);
}

BOOL CWizPropertyPage::OnCommand(WPARAM wParam, LPARAM lParam) {
  if (HIWORD(wParam) == BN_CLICKED) {
    for (const MessageMapEntry& entry : kMessageMap) {
      if (entry.controlId != LOWORD(wParam)) continue;
      (this->*entry.handler)();
      return TRUE;
    }
  }
  return CPropertyPage::OnCommand(wParam, lParam);
}

// ---------------------------------------------------------------- Welcome

void CWizPropertyPage::ActivateWelcome() {
  EnableWindow(SheetButton(kBackButton), FALSE);
  if (const HICON icon = LoadIconW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDI_SETUP)))
    SendMessageW(SheetWindow(), WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
  if (m_bFirstActivation) FillWelcomeDefaults();
  WarnIfViewerRunning();
  m_bFirstActivation = FALSE;
}

void CWizPropertyPage::FillWelcomeDefaults() {
  const HWND dialog = GetSafeHwnd();
  SetHeadingFont(IDC_WELCOME_TITLE);
  const std::wstring title =
      FormatTemplate(ItemText(dialog, IDC_WELCOME_TITLE, kShortTextChars), {kBitnessText});
  SetDlgItemTextW(dialog, IDC_WELCOME_TITLE, title.c_str());
  const std::wstring versionLine = FormatTemplate(ItemText(dialog, IDC_VERSION_LINE, kShortTextChars),
                                                  {ProductVersionText(), kBitnessText});
  SetDlgItemTextW(dialog, IDC_VERSION_LINE, versionLine.c_str());
  for (const int id :
       {IDC_DESKTOP_SHORTCUT, IDC_THUMBNAILS_SHORTCUT, IDC_START_MENU_SHORTCUT, IDC_CURRENT_USER})
    SetCheck(dialog, id, true);

  if (!ItemText(dialog, IDC_DESTINATION_FOLDER, kShortTextChars).empty()) return;
  SetDlgItemTextW(dialog, IDC_DESTINATION_FOLDER, WelcomeDefaultFolder(SystemPlatform().registry).c_str());
}

bool CWizPropertyPage::CheckDestination() const {
  const std::wstring folder = ItemText(GetSafeHwnd(), IDC_DESTINATION_FOLDER, kShortTextChars);
  if (IsAcceptableDestination(folder)) {
    // The Ready page, the installation and the viewer started at the end then name one folder.
    SetDlgItemTextW(GetSafeHwnd(), IDC_DESTINATION_FOLDER, AcceptedDestinationText(folder).c_str());
    return true;
  }
  ShowMessage(LoadText(SystemPlatform().resources, IDS_INVALID_DESTINATION), kMbIconError);
  return false;
}

void CWizPropertyPage::OnBrowse() {
  const HWND dialog = GetSafeHwnd();
  const std::optional<std::wstring> chosen = BrowseForFolder(
      GetActiveWindow(), LoadText(SystemPlatform().resources, IDS_INSTALLATION_FOLDER, kLabelTextChars),
      ItemText(dialog, IDC_DESTINATION_FOLDER, kShortTextChars));
  if (!chosen) return;
  SetDlgItemTextW(dialog, IDC_DESTINATION_FOLDER, AddProductFolder(*chosen).c_str());
}

void CWizPropertyPage::OnShortcutCheck() {
  const HWND dialog = GetSafeHwnd();
  const BOOL enable = ShortcutScopeEnabled(IsButtonChecked(dialog, IDC_DESKTOP_SHORTCUT),
                                           IsButtonChecked(dialog, IDC_THUMBNAILS_SHORTCUT),
                                           IsButtonChecked(dialog, IDC_START_MENU_SHORTCUT));
  EnableWindow(GetDlgItem(dialog, IDC_CURRENT_USER), enable);
  EnableWindow(GetDlgItem(dialog, IDC_ALL_USERS), enable);
}

void CWizPropertyPage::OnUncheckAll() {
  const HWND dialog = GetSafeHwnd();
  for (const int id : {IDC_DESKTOP_SHORTCUT, IDC_THUMBNAILS_SHORTCUT, IDC_START_MENU_SHORTCUT})
    SetCheck(dialog, id, false);
  EnableWindow(GetDlgItem(dialog, IDC_CURRENT_USER), FALSE);
  EnableWindow(GetDlgItem(dialog, IDC_ALL_USERS), FALSE);
}

// ---------------------------------------------------------------- What's new

void CWizPropertyPage::LoadWhatsNewText() {
  const std::span<const std::uint8_t> resource = SystemPlatform().resources.Bytes(L"TXT", IDR_RELEASE_NOTES);
  if (resource.empty()) return;
  SetDlgItemTextW(GetSafeHwnd(), IDC_RELEASE_NOTES, ReleaseNotesText(resource).c_str());
}

// ---------------------------------------------------------------- Associations

void CWizPropertyPage::ActivateAssociations() {
  const HWND dialog = GetSafeHwnd();
  SystemInfo& system = SystemPlatform().system;
  const bool vistaOrLater = IsVistaOrLater(system.VersionEx());
  if (vistaOrLater) ShowWindow(GetDlgItem(dialog, IDC_ASSOC_ALL_USERS), SW_HIDE);
  if (!m_pSheet->assocListWindow) {
    m_pSheet->assocListWindow = GetDlgItem(dialog, IDC_FORMAT_LIST);
    if (vistaOrLater) SetCheck(dialog, IDC_REGISTRY_ASSOC, false);
    if (RegistryBoxDisabled(system)) EnableWindow(GetDlgItem(dialog, IDC_REGISTRY_ASSOC), FALSE);
    SetUpAssociationList(m_pSheet->assocListWindow);
  }
  if (!IsButtonChecked(dialog, IDC_REGISTRY_ASSOC))
    EnableAssocList(m_pSheet->assocListWindow, FALSE, kGreyListBackground, kGreyListText);
}

void CWizPropertyPage::SetUpAssociationList(HWND list) {
  if (!list) return;
  if (m_crListText == kColourNotSaved) {
    m_crListBk = static_cast<COLORREF>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0));
    m_crListText = static_cast<COLORREF>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0));
  }
  SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, 0, LVS_EX_CHECKBOXES | LVS_EX_FULLROWSELECT);
  RECT rect{};
  GetWindowRect(list, &rect);
  const int width = rect.right - rect.left;
  InsertBlankColumn(list, 0, width / kTypeColumnShare);
  InsertBlankColumn(list, 1, DescriptionColumnWidth(width, DpiOf(list)));
  for (std::size_t row = 0; row < FormatCatalogue.size(); ++row)
    InsertFormatRow(list, static_cast<int>(row), FormatCatalogue[row].extensionLabel,
                    FormatCatalogue[row].description);
}

void CWizPropertyPage::EnableAssocList(HWND list, BOOL enable, COLORREF background, COLORREF text) {
  if (!list) return;
  EnableWindow(list, enable);
  SendMessageW(list, LVM_SETBKCOLOR, 0, static_cast<LPARAM>(background));
  SendMessageW(list, LVM_SETTEXTCOLOR, 0, static_cast<LPARAM>(text));
  // The list view repaints its rows in the new colours only when told to.
  InvalidateRect(list, nullptr, TRUE);
  for (const int id : {IDC_IMAGES_ONLY, IDC_SELECT_ALL, IDC_SELECT_NONE})
    EnableWindow(GetDlgItem(GetSafeHwnd(), id), enable);
}

void CWizPropertyPage::OnRegistryAssoc() {
  const HWND list = m_pSheet ? m_pSheet->assocListWindow : nullptr;
  if (IsButtonChecked(GetSafeHwnd(), IDC_REGISTRY_ASSOC))
    EnableAssocList(list, TRUE, m_crListBk, m_crListText);
  else
    EnableAssocList(list, FALSE, kGreyListBackground, kGreyListText);
}

void CWizPropertyPage::SetAllRowStates(unsigned (*stateOfRow)(std::size_t)) {
  const HWND list = m_pSheet ? m_pSheet->assocListWindow : nullptr;
  if (!list) return;
  const auto count = static_cast<std::size_t>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
  for (std::size_t row = 0; row < count; ++row)
    ListView_SetItemState(list, static_cast<int>(row), stateOfRow(row), kStateImageMask);
}

void CWizPropertyPage::OnImagesOnly() {
  SetAllRowStates(ImagesOnlyState);
}

void CWizPropertyPage::OnSelectAll() {
  SetAllRowStates(CheckedState);
}

void CWizPropertyPage::OnSelectNone() {
  SetAllRowStates(UncheckedState);
}

// ---------------------------------------------------------------- Ready

void CWizPropertyPage::ActivateReady() {
  const HWND dialog = GetSafeHwnd();
  SetHeadingFont(IDC_READY_TITLE);
  const std::wstring destination =
      ItemText(PageDialog(kWelcomePageIndex), IDC_DESTINATION_FOLDER, kShortTextChars);
  const std::wstring line = ReadyDestinationLine(SystemPlatform().resources, destination);
  SetDlgItemTextW(dialog, IDC_DESTINATION_LINE, line.c_str());
  // Chosen afresh on every activation: the destination may have changed, and with it the
  // installation whose settings must not be left behind.
  const IniPreselection preselection = ReadyIniPreselection(SystemPlatform(), destination);
  const bool keep = preselection.choice == IniChoice::KeepRedirect;
  SetCheck(dialog, IDC_INI_IN_PROGRAM_FOLDER, preselection.choice == IniChoice::ProgramFolder);
  SetCheck(dialog, IDC_INI_IN_APPDATA, preselection.choice == IniChoice::ApplicationData);
  SetCheck(dialog, IDC_INI_CUSTOM, keep);
  SetDlgItemTextW(dialog, IDC_INI_CUSTOM_FOLDER, preselection.keptFolder.c_str());
  SendDlgItemMessageW(dialog, IDC_INI_CUSTOM_FOLDER, EM_SETREADONLY, TRUE, 0);
  for (const int id : {IDC_INI_CUSTOM, IDC_INI_CUSTOM_FOLDER})
    ShowWindow(GetDlgItem(dialog, id), keep ? SW_SHOW : SW_HIDE);
}

IniChoice CWizPropertyPage::CheckedIniChoice() const {
  const HWND dialog = GetSafeHwnd();
  if (IsButtonChecked(dialog, IDC_INI_IN_APPDATA)) return IniChoice::ApplicationData;
  if (IsButtonChecked(dialog, IDC_INI_CUSTOM)) return IniChoice::KeepRedirect;
  return IniChoice::ProgramFolder;
}

LRESULT CWizPropertyPage::RunInstallingStep() {
  if (WarnIfViewerRunning()) return -1;
  const HWND welcome = PageDialog(kWelcomePageIndex);
  const HWND associations = PageDialog(kAssociationsPosition);
  const HWND list = m_pSheet->assocListWindow;
  WizardChoices choices;
  choices.destinationText = ItemText(welcome, IDC_DESTINATION_FOLDER, kLongTextChars);
  choices.startMenuGroup = IsButtonChecked(welcome, IDC_START_MENU_SHORTCUT);
  choices.desktopShortcut = IsButtonChecked(welcome, IDC_DESKTOP_SHORTCUT);
  choices.thumbnailsShortcut = IsButtonChecked(welcome, IDC_THUMBNAILS_SHORTCUT);
  choices.allUsers = IsButtonChecked(welcome, IDC_ALL_USERS);
  choices.iniChoice = CheckedIniChoice();
  choices.keptIniFolder = ItemText(GetSafeHwnd(), IDC_INI_CUSTOM_FOLDER, kShortTextChars);
  choices.associationListEnabled = list && IsWindowEnabled(list);
  if (list) {
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    for (int row = 0; row < count; ++row)
      choices.associationRowStates.push_back(ListView_GetItemState(list, row, kStateImageMask));
  }
  choices.associateForAllUsers = IsButtonChecked(associations, IDC_ASSOC_ALL_USERS);
  choices.caption = m_pSheet->titleText;
  InstallOptions options = GatherInstallOptions(choices);

  // The thread blocks in the installation: the text must be painted before it starts.
  const HWND installing = GetDlgItem(GetSafeHwnd(), IDC_INSTALLING);
  ShowWindow(installing, SW_SHOW);
  UpdateWindow(installing);
  EnableSheetButtons(FALSE);
  const int installed = RunInstall(SystemPlatform(), options);
  EnableSheetButtons(TRUE);
  if (installed == 0) return kWelcomePageId;
  m_pSheet->MarkInstallCompleted();
  return GetAdjacentPageID(TRUE);
}

// ---------------------------------------------------------------- Finished

void CWizPropertyPage::ActivateFinished() {
  const HWND dialog = GetSafeHwnd();
  SetHeadingFont(IDC_FINISHED_TITLE);
  SetCheck(dialog, IDC_OPEN_FAQ, true);
  SetCheck(dialog, IDC_START_VIEWER, true);
  SetWindowTextW(SheetButton(IDCANCEL), LoadText(SystemPlatform().resources, IDS_DONE).c_str());
  EnableWindow(SheetButton(kBackButton), FALSE);
  EnableWindow(SheetButton(kNextButton), FALSE);
}

}  // namespace lanternix::wizard
