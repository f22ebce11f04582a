// Starts the setup without "/silent" and operates its wizard sheet through window messages, as a
// user would through keyboard and mouse, printing what it sees as "name=value" lines (UTF-8).
//   wizard-driver <setup.exe> leave <escape|exit-button|close> [checkpoint folder]
//       Next to the second page; each of the three ways of leaving answered No; then the given
//       way answered Yes.
//   wizard-driver <setup.exe> finish <exit-button|close> [checkpoint folder]
//       Straight to the Finished page, its two boxes cleared; then the given way of leaving.
//   wizard-driver <setup.exe> pages <exit|install|install-done|install-close|assoc-yes|assoc-no|
//       fail|blocked> <checkpoint folder> [destination]
//       Walks all five pages with Next, reporting each page's texts and control states, with the
//       destination typed on the Welcome page when given; on the Ready page: exit (Exit, Yes),
//       install (Next, then Done with both boxes cleared), install-done (Next, then Done with
//       both boxes checked), install-close (Next, then the window's close command with both
//       boxes checked), assoc-yes and assoc-no (the image rows left chosen on the Associations
//       page; Next, the association question answered Yes or No, then Done with both boxes
//       cleared), fail (Next; the failure message answered; back on Welcome) or blocked (Next
//       refused while a viewer runs). Message boxes are answered and reported.
//   wizard-driver <setup.exe> link <checkpoint folder>
//       Clicks the Welcome page's EULA link, reporting how many of its pixels show the link
//       colour and the visited colour before and after; then Exit, Yes.
//   wizard-driver <setup.exe> styles
//       Starts the setup with Wine's DLL-load and relay traces on (they go to standard error),
//       shows the Associations page (its list view comes from comctl32); then Exit, Yes.
//   wizard-driver <setup.exe> refused error-box
//       A setup that must not start (a damaged download): its one message box reported and
//       answered, whether a sheet page ever showed, and the exit status.
//   wizard-driver <setup.exe> welcome pick <checkpoint folder> <start folder>...
//       "&Uncheck all" and a shortcut box on the Welcome page, then the folder picker opened on
//       each start folder and confirmed; then Exit, Yes.
// Message-box texts are printed whole, on one line: "\\" stands for a backslash, "\n" for a line
// feed and "\r" for a carriage return.
// At each checkpoint the driver writes <folder>\<name>.request and waits for <name>.done, so the
// host can take a screenshot of a known state. The setup's exit status is printed last.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr wchar_t kSheetTitle[] = L"Lanternix 32-bit Setup";
constexpr int kStartViewerBox = 1020;
constexpr int kOpenFaqBox = 1022;
constexpr DWORD kPollMs = 50;

void Print(const std::string& name, const std::wstring& value) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, nullptr, 0, nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 1), '\0');
  WideCharToMultiByte(CP_UTF8, 0, value.c_str(), -1, utf8.data(), size, nullptr, nullptr);
  std::printf("%s=%s\n", name.c_str(), utf8.c_str());
  std::fflush(stdout);
}

void Print(const std::string& name, long long value) {
  Print(name, std::to_wstring(value));
}

// A text that may span lines, kept on its report line.
std::wstring OneLine(const std::wstring& text) {
  std::wstring escaped;
  for (const wchar_t ch : text) {
    switch (ch) {
      case L'\\': escaped += L"\\\\"; break;
      case L'\n': escaped += L"\\n"; break;
      case L'\r': escaped += L"\\r"; break;
      default: escaped.push_back(ch);
    }
  }
  return escaped;
}

std::wstring WindowText(HWND window) {
  wchar_t text[512] = {};
  GetWindowTextW(window, text, 512);
  return text;
}

std::wstring ClassName(HWND window) {
  wchar_t name[64] = {};
  GetClassNameW(window, name, 64);
  return name;
}

// Polls until found returns a window or the time is up.
HWND WaitFor(const std::function<HWND()>& found, DWORD timeoutMs) {
  for (DWORD waited = 0;; waited += kPollMs) {
    if (const HWND window = found()) return window;
    if (waited >= timeoutMs) return nullptr;
    Sleep(kPollMs);
  }
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  return WaitFor([&] { return condition() ? GetDesktopWindow() : nullptr; }, timeoutMs) != nullptr;
}

struct OwnedDialogSearch {
  HWND owner;
  HWND found;
};

BOOL CALLBACK MatchOwnedDialog(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<OwnedDialogSearch*>(data);
  if (GetWindow(window, GW_OWNER) != search->owner || !IsWindowVisible(window) ||
      ClassName(window) != L"#32770")
    return TRUE;
  search->found = window;
  return FALSE;
}

// A visible dialog (a message box) owned by the sheet.
HWND FindOwnedDialog(HWND owner) {
  OwnedDialogSearch search{owner, nullptr};
  EnumWindows(MatchOwnedDialog, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

// The whole message text of a message box (its one static control with text), on one line.
std::wstring MessageText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassName(child) == L"Static" && !WindowText(child).empty()) text = WindowText(child);
  return OneLine(text);
}

class Driver {
 public:
  Driver(std::wstring setup, std::wstring checkpoints)
      : setup_(std::move(setup)), checkpoints_(std::move(checkpoints)) {}
  ~Driver() {
    if (process_.hProcess) {
      // Never leave a setup behind, whatever went wrong.
      if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 99);
      CloseHandle(process_.hThread);
      CloseHandle(process_.hProcess);
    }
  }
  Driver(const Driver&) = delete;
  Driver& operator=(const Driver&) = delete;

  // trace: the setup starts with Wine's DLL-load and relay traces on.
  bool Launch(bool trace = false) {
    std::wstring commandLine = L"\"" + setup_ + L"\"";
    if (trace) SetEnvironmentVariableW(L"WINEDEBUG", L"+loaddll,+relay");
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      Print("error", L"setup did not start");
      return false;
    }
    return true;
  }

  // earlyBox: a message box is expected while the first page comes up (a running viewer), before
  // the sheet has its title; it is reported and answered.
  bool Start(bool earlyBox = false, bool trace = false) {
    if (!Launch(trace)) return false;
    if (earlyBox) AnswerEarlyBox();
    sheet_ = WaitFor([] { return FindWindowW(L"#32770", kSheetTitle); }, 30000);
    Print("sheet_found", sheet_ ? 1 : 0);
    if (!sheet_) return false;
    // The first page is up once the sheet reports a current page.
    WaitUntil([&] { return PropSheet_GetCurrentPageHwnd(sheet_) != nullptr; }, 5000);
    Print("title", WindowText(sheet_));
    Print("cancel_text", WindowText(GetDlgItem(sheet_, IDCANCEL)));
    Print("start_page", ActivePageId());
    Print("sheet_visible", IsWindowVisible(sheet_) ? 1 : 0);
    Print("foreground", GetForegroundWindow() == sheet_ ? 1 : 0);
    return true;
  }

  void AnswerEarlyBox() {
    const DWORD processId = process_.dwProcessId;
    const HWND box = WaitFor(
        [processId] {
          for (HWND window = FindWindowW(L"#32770", nullptr); window;
               window = FindWindowExW(nullptr, window, L"#32770", nullptr)) {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner == processId && IsWindowVisible(window) && !MessageText(window).empty()) return window;
          }
          return HWND{};
        },
        30000);
    Print("early_box", box ? MessageText(box) : L"");
    Print("early_box_caption", box ? WindowText(box) : L"");
    if (box) Answer(box, IDOK);
  }

  // A sheet of the setup's process that shows a page; a message box with the same caption has
  // no current page.
  HWND SheetWithPage() const {
    for (HWND window = FindWindowW(L"#32770", kSheetTitle); window;
         window = FindWindowExW(nullptr, window, L"#32770", kSheetTitle)) {
      DWORD owner = 0;
      GetWindowThreadProcessId(window, &owner);
      if (owner == process_.dwProcessId && PropSheet_GetCurrentPageHwnd(window)) return window;
    }
    return nullptr;
  }

  // Watches until the process ends (or the time is up) for a sheet page showing.
  bool PageShownBeforeExit(DWORD timeoutMs) const {
    return WaitUntil([&] { return SheetWithPage() || WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0; },
                     timeoutMs) &&
           SheetWithPage();
  }

  int ActivePageId() const {
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet_);
    if (!page) return 0;
    return static_cast<int>(PropSheet_IndexToId(sheet_, PropSheet_HwndToIndex(sheet_, page)));
  }

  bool PressNext(int expectedId) {
    PostMessageW(sheet_, PSM_PRESSBUTTON, PSBTN_NEXT, 0);
    return WaitUntil([&] { return ActivePageId() == expectedId; }, 5000);
  }

  bool GoToPage(int index, int expectedId) {
    PostMessageW(sheet_, PSM_SETCURSEL, static_cast<WPARAM>(index), 0);
    return WaitUntil([&] { return ActivePageId() == expectedId; }, 5000);
  }

  void ClearFinishedBoxes() {
    const HWND page = PropSheet_GetCurrentPageHwnd(sheet_);
    SendDlgItemMessageW(page, kStartViewerBox, BM_SETCHECK, BST_UNCHECKED, 0);
    SendDlgItemMessageW(page, kOpenFaqBox, BM_SETCHECK, BST_UNCHECKED, 0);
  }

  // Posts rather than sends: the sheet answers a way of leaving with a modal message box, and a
  // sent message would wait for that box to close.
  bool Leave(const std::wstring& how) {
    if (how == L"escape") {
      GUITHREADINFO info{};
      info.cbSize = sizeof info;
      const DWORD thread = GetWindowThreadProcessId(sheet_, nullptr);
      const HWND focus = GetGUIThreadInfo(thread, &info) && info.hwndFocus ? info.hwndFocus : sheet_;
      PostMessageW(focus, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
      PostMessageW(focus, WM_KEYUP, VK_ESCAPE, static_cast<LPARAM>(0xC0010001u));
      return true;
    }
    if (how == L"exit-button") {
      PostMessageW(GetDlgItem(sheet_, IDCANCEL), BM_CLICK, 0, 0);
      return true;
    }
    if (how == L"close") {
      PostMessageW(sheet_, WM_SYSCOMMAND, SC_CLOSE, 0);
      return true;
    }
    Print("error", L"unknown way of leaving " + how);
    return false;
  }

  HWND WaitForQuestion(DWORD timeoutMs) const {
    return WaitFor([&] { return FindOwnedDialog(sheet_); }, timeoutMs);
  }

  void ReportQuestion(const std::string& prefix, HWND box) const {
    Print(prefix + "_question", MessageText(box));
    Print(prefix + "_question_caption", WindowText(box));
    Print(prefix + "_question_buttons", std::wstring(GetDlgItem(box, IDYES) ? L"yes" : L"") +
                                            (GetDlgItem(box, IDNO) ? L",no" : L"") +
                                            (GetDlgItem(box, IDCANCEL) ? L",cancel" : L""));
    // The default button is the one drawn as default (DM_GETDEFID is not kept up to date by
    // every message box implementation).
    int defaultId = 0;
    for (const int id : {IDYES, IDNO})
      if (const HWND button = GetDlgItem(box, id);
          button && (GetWindowLongW(button, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON)
        defaultId = id;
    Print(prefix + "_question_default", defaultId);
  }

  static bool Answer(HWND box, int button) {
    PostMessageW(box, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(box, button)));
    return WaitUntil([&] { return !IsWindow(box) || !IsWindowVisible(box); }, 5000);
  }

  bool SheetClosed(DWORD timeoutMs) const {
    return WaitUntil([&] { return !IsWindow(sheet_) || !IsWindowVisible(sheet_); }, timeoutMs);
  }

  void ReportExit() {
    if (WaitForSingleObject(process_.hProcess, 15000) != WAIT_OBJECT_0) {
      Print("setup_exit", L"running");
      return;
    }
    DWORD code = 0;
    GetExitCodeProcess(process_.hProcess, &code);
    Print("setup_exit", static_cast<long long>(code));
  }

  // Lets the host take a screenshot of the state reached.
  void Checkpoint(const std::wstring& name) const {
    if (checkpoints_.empty()) return;
    const std::wstring request = checkpoints_ + L"\\" + name + L".request";
    const std::wstring done = checkpoints_ + L"\\" + name + L".done";
    CloseHandle(CreateFileW(request.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    WaitUntil([&] { return GetFileAttributesW(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 15000);
  }

  HWND Sheet() const { return sheet_; }

 private:
  std::wstring setup_;
  std::wstring checkpoints_;
  PROCESS_INFORMATION process_{};
  HWND sheet_ = nullptr;
};

constexpr int kWhatsNewId = 108;
constexpr int kFinishedId = 110;
constexpr int kFinishedIndex = 4;

int Refused(Driver& driver) {
  if (!driver.Launch()) return 1;
  driver.AnswerEarlyBox();
  Print("sheet_found", driver.PageShownBeforeExit(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

int LeaveEarly(Driver& driver, const std::wstring& how) {
  driver.Checkpoint(L"welcome");
  Print("after_next", driver.PressNext(kWhatsNewId) ? driver.ActivePageId() : 0);
  Print("title_after_next", WindowText(driver.Sheet()));
  for (const wchar_t* way : {L"escape", L"exit-button", L"close"}) {
    const std::string name(way, way + wcslen(way));
    if (!driver.Leave(way)) return 1;
    const HWND box = driver.WaitForQuestion(5000);
    Print(name + "_asked", box ? 1 : 0);
    if (!box) continue;
    driver.ReportQuestion(name, box);
    if (name == "escape") driver.Checkpoint(L"question");
    Print(name + "_answered", Driver::Answer(box, IDNO) ? 1 : 0);
    // Give a wrongly closing sheet time to go.
    Sleep(300);
    Print(name + "_after_no_open", IsWindow(driver.Sheet()) && IsWindowVisible(driver.Sheet()) ? 1 : 0);
    Print(name + "_after_no_page", driver.ActivePageId());
  }
  driver.Checkpoint(L"after-no");

  if (!driver.Leave(how)) return 1;
  const HWND box = driver.WaitForQuestion(5000);
  Print("final_asked", box ? 1 : 0);
  if (!box) return 1;
  Driver::Answer(box, IDYES);
  Print("closed_after_yes", driver.SheetClosed(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

int LeaveFinished(Driver& driver, const std::wstring& how) {
  Print("finished_page", driver.GoToPage(kFinishedIndex, kFinishedId) ? driver.ActivePageId() : 0);
  Print("finished_title", WindowText(driver.Sheet()));
  driver.ClearFinishedBoxes();
  driver.Checkpoint(L"finished");
  if (!driver.Leave(how)) return 1;
  // No question may come; a sheet that asks anyway stays open and is answered No to show it.
  const HWND box = driver.WaitForQuestion(1500);
  Print("finished_asked", box ? 1 : 0);
  if (box) Driver::Answer(box, IDNO);
  Print("closed", driver.SheetClosed(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

constexpr int kWelcomeId = 101;
constexpr int kAssociationsId = 104;
constexpr int kReadyId = 109;
constexpr int kBackButton = 0x3023;
constexpr int kNextButton = 0x3024;

HWND Item(HWND dialog, int id) {
  return GetDlgItem(dialog, id);
}

// WM_GETTEXT rather than GetWindowText, which does not ask a control of another process for
// its text (an edit's contents).
std::wstring ItemText(HWND dialog, int id) {
  std::wstring text(16384, L'\0');
  const auto length =
      SendMessageW(Item(dialog, id), WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
  text.resize(length > 0 ? static_cast<std::size_t>(length) : 0);
  return text;
}

// The control's own visibility, whether or not its page is the one shown.
bool ShownStyle(HWND dialog, int id) {
  return (GetWindowLongW(Item(dialog, id), GWL_STYLE) & WS_VISIBLE) != 0;
}

bool Checked(HWND dialog, int id) {
  return SendMessageW(Item(dialog, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void PrintFlag(const std::string& name, bool value) {
  Print(name, static_cast<long long>(value ? 1 : 0));
}

void PrintButtons(Driver& driver, const std::string& prefix) {
  PrintFlag(prefix + "_back_enabled", IsWindowEnabled(GetDlgItem(driver.Sheet(), kBackButton)) != FALSE);
  PrintFlag(prefix + "_next_enabled", IsWindowEnabled(GetDlgItem(driver.Sheet(), kNextButton)) != FALSE);
  PrintFlag(prefix + "_cancel_enabled", IsWindowEnabled(GetDlgItem(driver.Sheet(), IDCANCEL)) != FALSE);
  Print(prefix + "_cancel_text", WindowText(GetDlgItem(driver.Sheet(), IDCANCEL)));
}

// Answers every message box the sheet shows within timeoutMs: OK where it has one, otherwise
// the given answer to a question; reports their texts as <prefix>_box<n>; the number answered.
int AnswerBoxes(Driver& driver, const std::string& prefix, DWORD timeoutMs, int questionAnswer = IDYES) {
  int answered = 0;
  while (const HWND box = driver.WaitForQuestion(answered == 0 ? timeoutMs : 1000)) {
    ++answered;
    Print(prefix + "_box" + std::to_string(answered), MessageText(box));
    Driver::Answer(box, GetDlgItem(box, IDOK) ? IDOK : questionAnswer);
  }
  Print(prefix + "_boxes", answered);
  return answered;
}

// Pixels of the given colour inside the window, as the screen shows it (copied in one go: a
// GetPixel per pixel would ask the display server once each).
int CountPixels(HWND window, COLORREF colour) {
  RECT rect{};
  GetWindowRect(window, &rect);
  const int width = rect.right - rect.left;
  const int height = rect.bottom - rect.top;
  if (width <= 0 || height <= 0) return 0;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  const HDC screen = GetDC(nullptr);
  const HDC memory = CreateCompatibleDC(screen);
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  int count = 0;
  if (bitmap && bits) {
    const HGDIOBJ old = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
    SelectObject(memory, old);
    // 32-bit DIB pixels are 0x00RRGGBB; COLORREF is 0x00BBGGRR.
    const DWORD wanted = (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    const auto* pixels = static_cast<const DWORD*>(bits);
    for (int i = 0; i < width * height; ++i)
      if ((pixels[i] & 0x00FFFFFF) == wanted) ++count;
  }
  if (bitmap) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return count;
}

struct ListState {
  HWND list;
  int CountWithState(unsigned state) const {
    const auto count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    int matching = 0;
    for (int row = 0; row < count; ++row)
      if ((SendMessageW(list, LVM_GETITEMSTATE, static_cast<WPARAM>(row), LVIS_STATEIMAGEMASK) & 0xF000) ==
          state)
        ++matching;
    return matching;
  }
  void Print(const std::string& prefix) const {
    ::Print(prefix + "_list_enabled", IsWindowEnabled(list) ? 1 : 0);
    ::Print(prefix + "_list_bk", static_cast<long long>(SendMessageW(list, LVM_GETBKCOLOR, 0, 0)));
    ::Print(prefix + "_list_text", static_cast<long long>(SendMessageW(list, LVM_GETTEXTCOLOR, 0, 0)));
    ::Print(prefix + "_checked_rows", CountWithState(0x2000));
  }
};

void ReportWelcome(Driver& driver, HWND page, const std::string& prefix) {
  Print(prefix + "_title", ItemText(page, 1013));
  Print(prefix + "_version_line", ItemText(page, 1056));
  Print(prefix + "_folder", ItemText(page, 1000));
  for (const int id : {1011, 1021, 1012, 1016, 1017})
    PrintFlag(prefix + "_checked_" + std::to_string(id), Checked(page, id));
  PrintButtons(driver, prefix);
}

// keepRows: the registry box is ticked once more at the end, so the image rows are passed on.
void WalkAssociations(Driver& driver, HWND page, bool keepRows) {
  PrintFlag("assoc_1037_visible", IsWindowVisible(Item(page, 1037)) != FALSE);
  PrintFlag("assoc_3311_checked", Checked(page, 3311));
  PrintFlag("assoc_3311_enabled", IsWindowEnabled(Item(page, 3311)) != FALSE);
  const ListState list{Item(page, 1579)};
  Print("assoc_items", static_cast<long long>(SendMessageW(list.list, LVM_GETITEMCOUNT, 0, 0)));
  Print("assoc_column0", static_cast<long long>(SendMessageW(list.list, LVM_GETCOLUMNWIDTH, 0, 0)));
  Print("assoc_column1", static_cast<long long>(SendMessageW(list.list, LVM_GETCOLUMNWIDTH, 1, 0)));
  list.Print("assoc_start");
  for (const int id : {1091, 1080, 1081})
    PrintFlag("assoc_start_enabled_" + std::to_string(id), IsWindowEnabled(Item(page, id)) != FALSE);
  PrintButtons(driver, "assoc");
  if (!IsWindowEnabled(Item(page, 3311))) return;
  // The greyed list's orange text as the screen shows it, then the same right after the tick:
  // the list must repaint in its own colours at once.
  const COLORREF orange = RGB(255, 128, 0);
  Print("assoc_start_orange_pixels", CountPixels(list.list, orange));
  // Ticked: the list's own colours and the buttons come back; rows are chosen.
  SendMessageW(Item(page, 3311), BM_CLICK, 0, 0);
  Sleep(300);
  Print("assoc_ticked_orange_pixels", CountPixels(list.list, orange));
  for (const int id : {1091, 1080, 1081})
    PrintFlag("assoc_ticked_enabled_" + std::to_string(id), IsWindowEnabled(Item(page, id)) != FALSE);
  SendMessageW(Item(page, 1080), BM_CLICK, 0, 0);
  Print("assoc_all_checked", list.CountWithState(0x2000));
  SendMessageW(Item(page, 1091), BM_CLICK, 0, 0);
  list.Print("assoc_ticked");
  Print("assoc_images_last_checked",
        (SendMessageW(list.list, LVM_GETITEMSTATE, 48, LVIS_STATEIMAGEMASK) & 0xF000) == 0x2000 ? 1 : 0);
  Print("assoc_images_first_clear",
        (SendMessageW(list.list, LVM_GETITEMSTATE, 49, LVIS_STATEIMAGEMASK) & 0xF000) == 0x1000 ? 1 : 0);
  driver.Checkpoint(L"associations-ticked");
  // Cleared again: the marks stay but the list is greyed and passes nothing on.
  SendMessageW(Item(page, 3311), BM_CLICK, 0, 0);
  list.Print("assoc_cleared");
  if (!keepRows) return;
  SendMessageW(Item(page, 3311), BM_CLICK, 0, 0);
  list.Print("assoc_reticked");
}

int WalkPages(Driver& driver, const std::wstring& ending, const std::wstring& destination) {
  if (!WaitUntil([&] { return driver.ActivePageId() == kWelcomeId; }, 10000)) return 1;
  HWND welcome = PropSheet_IndexToHwnd(driver.Sheet(), 0);
  ReportWelcome(driver, welcome, "welcome");
  driver.Checkpoint(L"welcome");
  if (!destination.empty()) SetDlgItemTextW(welcome, 1000, destination.c_str());

  Print("whatsnew_page", driver.PressNext(kWhatsNewId) ? driver.ActivePageId() : 0);
  const HWND whatsNew = PropSheet_IndexToHwnd(driver.Sheet(), 1);
  const std::wstring notes = ItemText(whatsNew, 1000);
  Print("whatsnew_length", static_cast<long long>(notes.size()));
  Print("whatsnew_tail", notes.substr(notes.size() > 12 ? notes.size() - 12 : 0));
  PrintButtons(driver, "whatsnew");
  driver.Checkpoint(L"whatsnew");

  Print("assoc_page", driver.PressNext(kAssociationsId) ? driver.ActivePageId() : 0);
  const HWND associations = PropSheet_IndexToHwnd(driver.Sheet(), 2);
  driver.Checkpoint(L"associations");
  const bool chooseRows = ending == L"assoc-yes" || ending == L"assoc-no";
  WalkAssociations(driver, associations, chooseRows);

  Print("ready_page", driver.PressNext(kReadyId) ? driver.ActivePageId() : 0);
  const HWND ready = PropSheet_IndexToHwnd(driver.Sheet(), 3);
  Print("ready_destination", ItemText(ready, 1010));
  PrintFlag("ready_checked_1038", Checked(ready, 1038));
  PrintFlag("ready_checked_1039", Checked(ready, 1039));
  PrintFlag("ready_checked_1040", Checked(ready, 1040));
  Print("ready_text_1000", ItemText(ready, 1000));
  PrintFlag("ready_installing_visible", IsWindowVisible(Item(ready, 1044)) != FALSE);
  for (const int id : {1040, 1000, 1042})
    PrintFlag("ready_visible_" + std::to_string(id), IsWindowVisible(Item(ready, id)) != FALSE);
  PrintButtons(driver, "ready");
  driver.Checkpoint(L"ready");

  if (ending == L"exit") {
    driver.Leave(L"exit-button");
    if (const HWND box = driver.WaitForQuestion(5000)) Driver::Answer(box, IDYES);
    Print("closed", driver.SheetClosed(10000) ? 1 : 0);
    driver.ReportExit();
    return 0;
  }

  PostMessageW(driver.Sheet(), PSM_PRESSBUTTON, PSBTN_NEXT, 0);
  // The installation (or the refusal) may ask or report through message boxes first.
  // The association question comes after the files are unpacked.
  const bool installs = ending == L"install" || ending == L"install-done" || ending == L"install-close";
  AnswerBoxes(driver, "next", installs ? 3000 : 20000, ending == L"assoc-no" ? IDNO : IDYES);
  WaitUntil([&] { return driver.ActivePageId() != kReadyId || ending == L"blocked"; }, 60000);
  Print("after_next_page", driver.ActivePageId());
  PrintFlag("after_next_installing_visible", ShownStyle(ready, 1044));
  PrintButtons(driver, "after_next");
  if (ending == L"fail") {
    // Back on the Welcome page, which warns of nothing and keeps what was typed.
    ReportWelcome(driver, welcome, "welcome_again");
    driver.Checkpoint(L"welcome-again");
  }
  if (ending == L"fail" || ending == L"blocked") {
    if (ending == L"blocked") driver.Checkpoint(L"ready-blocked");
    driver.Leave(L"exit-button");
    if (const HWND box = driver.WaitForQuestion(5000)) Driver::Answer(box, IDYES);
    Print("closed", driver.SheetClosed(10000) ? 1 : 0);
    driver.ReportExit();
    return 0;
  }

  const HWND finished = PropSheet_IndexToHwnd(driver.Sheet(), 4);
  Print("finished_heading", ItemText(finished, 1015));
  PrintFlag("finished_checked_1022", Checked(finished, 1022));
  PrintFlag("finished_checked_1020", Checked(finished, 1020));
  PrintButtons(driver, "finished");
  driver.Checkpoint(L"finished");
  if (ending == L"install" || chooseRows) driver.ClearFinishedBoxes();
  driver.Leave(ending == L"install-close" ? L"close" : L"exit-button");
  Print("closed", driver.SheetClosed(20000) ? 1 : 0);
  driver.ReportExit();
  const HWND viewer = WaitFor([] { return FindWindowW(L"Lanternix", nullptr); },
                              ending == L"install-done" || ending == L"install-close" ? 15000 : 1000);
  PrintFlag("viewer_window", viewer != nullptr);
  if (viewer) PostMessageW(viewer, WM_CLOSE, 0, 0);
  return 0;
}

// The Welcome page's own controls: "&Uncheck all", a shortcut box bringing the radio buttons
// back, and the folder picker started on each given folder and confirmed with OK.
int WorkWelcome(Driver& driver, const std::vector<std::wstring>& startFolders) {
  if (!WaitUntil([&] { return driver.ActivePageId() == kWelcomeId; }, 10000)) return 1;
  const HWND welcome = PropSheet_IndexToHwnd(driver.Sheet(), 0);
  SendMessageW(Item(welcome, 1017), BM_CLICK, 0, 0);
  SendMessageW(Item(welcome, 1019), BM_CLICK, 0, 0);
  for (const int id : {1011, 1021, 1012}) PrintFlag("unchecked_" + std::to_string(id), !Checked(welcome, id));
  for (const int id : {1016, 1017}) {
    PrintFlag("after_uncheck_enabled_" + std::to_string(id), IsWindowEnabled(Item(welcome, id)) != FALSE);
    PrintFlag("after_uncheck_checked_" + std::to_string(id), Checked(welcome, id));
  }
  driver.Checkpoint(L"welcome-unchecked");
  SendMessageW(Item(welcome, 1021), BM_CLICK, 0, 0);
  for (const int id : {1016, 1017})
    PrintFlag("after_box_enabled_" + std::to_string(id), IsWindowEnabled(Item(welcome, id)) != FALSE);

  int picked = 0;
  for (const std::wstring& folder : startFolders) {
    const std::string prefix = "browse" + std::to_string(++picked);
    SetDlgItemTextW(welcome, 1000, folder.c_str());
    PostMessageW(Item(welcome, 1009), BM_CLICK, 0, 0);
    const HWND picker = driver.WaitForQuestion(10000);
    PrintFlag(prefix + "_opened", picker != nullptr);
    if (!picker) continue;
    // The picker fills its tree after it is shown; its selection follows.
    Sleep(1000);
    if (picked == 1) driver.Checkpoint(L"picker");
    Driver::Answer(picker, IDOK);
    Sleep(300);
    Print(prefix + "_folder", ItemText(welcome, 1000));
  }
  driver.Leave(L"exit-button");
  if (const HWND box = driver.WaitForQuestion(5000)) Driver::Answer(box, IDYES);
  Print("closed", driver.SheetClosed(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

void ReportLinkColours(HWND link, const std::string& prefix) {
  Print(prefix + "_link_pixels", CountPixels(link, RGB(0, 0, 238)));
  Print(prefix + "_visited_pixels", CountPixels(link, RGB(85, 26, 139)));
  Print(prefix + "_hover_pixels", CountPixels(link, RGB(255, 0, 0)));
}

// The EULA link clicked as the mouse would: the button goes down on it, then the pointer leaves.
int ClickLink(Driver& driver) {
  if (!WaitUntil([&] { return driver.ActivePageId() == kWelcomeId; }, 10000)) return 1;
  const HWND welcome = PropSheet_IndexToHwnd(driver.Sheet(), 0);
  const HWND link = Item(welcome, 1045);
  SetCursorPos(0, 0);
  Sleep(500);
  Print("link_text", WindowText(link));
  ReportLinkColours(link, "before");
  driver.Checkpoint(L"link-before");
  PostMessageW(link, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
  PostMessageW(link, WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
  // The browser (or the failure) and the repaint that follows it.
  Sleep(3000);
  ReportLinkColours(link, "after");
  driver.Checkpoint(L"link-after");
  driver.Leave(L"exit-button");
  if (const HWND box = driver.WaitForQuestion(5000)) Driver::Answer(box, IDYES);
  Print("closed", driver.SheetClosed(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

// Every kind of control the pages use, list view included, drawn once under the traces.
int ReportStyles(Driver& driver) {
  if (!WaitUntil([&] { return driver.ActivePageId() == kWelcomeId; }, 10000)) return 1;
  Print("assoc_page", driver.GoToPage(2, kAssociationsId) ? driver.ActivePageId() : 0);
  driver.Leave(L"exit-button");
  if (const HWND box = driver.WaitForQuestion(5000)) Driver::Answer(box, IDYES);
  Print("closed", driver.SheetClosed(10000) ? 1 : 0);
  driver.ReportExit();
  return 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 3) {
    std::fputs("usage: wizard-driver <setup.exe> <leave|finish> <way> [checkpoint folder]\n", stderr);
    return 2;
  }
  const std::wstring scenario = argv[2];
  const std::wstring how = argc > 3 ? argv[3] : L"";
  if (scenario == L"link") {
    Driver driver(argv[1], how);
    return driver.Start() ? ClickLink(driver) : 1;
  }
  if (scenario == L"styles") {
    Driver driver(argv[1], L"");
    return driver.Start(false, true) ? ReportStyles(driver) : 1;
  }
  Driver driver(argv[1], argc > 4 ? argv[4] : L"");
  if (scenario == L"refused") return Refused(driver);
  // A running viewer is reported by the first page as it comes up.
  if (!driver.Start(scenario == L"pages" && how == L"blocked")) return 1;
  if (scenario == L"leave") return LeaveEarly(driver, how);
  if (scenario == L"finish") return LeaveFinished(driver, how);
  if (scenario == L"pages") return WalkPages(driver, how, argc > 5 ? argv[5] : L"");
  if (scenario == L"welcome")
    return WorkWelcome(driver, std::vector<std::wstring>(argv + std::min(argc, 5), argv + argc));
  Print("error", L"unknown scenario " + scenario);
  return 2;
}
