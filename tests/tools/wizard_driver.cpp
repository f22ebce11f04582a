// Starts the setup without "/silent" and operates its wizard sheet through window messages, as a
// user would through keyboard and mouse, printing what it sees as "name=value" lines (UTF-8).
//   wizard-driver <setup.exe> leave <escape|exit-button|close> [checkpoint folder]
//       Next to the second page; each of the three ways of leaving answered No; then the given
//       way answered Yes.
//   wizard-driver <setup.exe> finish <exit-button|close> [checkpoint folder]
//       Straight to the Finished page, its two boxes cleared; then the given way of leaving.
// At each checkpoint the driver writes <folder>\<name>.request and waits for <name>.done, so the
// host can take a screenshot of a known state. The setup's exit status is printed last.
#include <windows.h>
#include <commctrl.h>
#include <prsht.h>

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

// The message text of a message box: its one static control with text.
std::wstring MessageText(HWND box) {
  std::wstring text;
  for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
    if (ClassName(child) == L"Static" && !WindowText(child).empty()) text = WindowText(child);
  return text;
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

  bool Start() {
    std::wstring commandLine = L"\"" + setup_ + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process_)) {
      Print("error", L"setup did not start");
      return false;
    }
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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc < 4) {
    std::fputs("usage: wizard-driver <setup.exe> <leave|finish> <way> [checkpoint folder]\n", stderr);
    return 2;
  }
  const std::wstring scenario = argv[2];
  const std::wstring how = argv[3];
  Driver driver(argv[1], argc > 4 ? argv[4] : L"");
  if (!driver.Start()) return 1;
  if (scenario == L"leave") return LeaveEarly(driver, how);
  if (scenario == L"finish") return LeaveFinished(driver, how);
  Print("error", L"unknown scenario " + scenario);
  return 2;
}
