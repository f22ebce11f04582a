// The sample viewer of the payload. It is what the setup installs, registers and starts: a
// top-level window of class "Lanternix" that shows what it was asked to open. "/thumbs" asks
// for the thumbnail view of a folder; any other argument is a file to show. A ".bmp" file is
// drawn as well, since GDI decodes that format without help.
#include <windows.h>
#include <shellapi.h>

#include <memory>
#include <string>
#include <string_view>
#include <type_traits>

namespace {

constexpr wchar_t kWindowClass[] = L"Lanternix";
constexpr int kMargin = 12;

struct LocalMemoryDeleter {
  void operator()(LPWSTR* memory) const { LocalFree(memory); }
};
struct GdiObjectDeleter {
  void operator()(HBITMAP object) const { DeleteObject(object); }
};
using UniqueBitmap = std::unique_ptr<std::remove_pointer_t<HBITMAP>, GdiObjectDeleter>;

// Puts the device context's previously selected object back when the scope ends.
class ScopedSelection {
 public:
  ScopedSelection(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
  ~ScopedSelection() { SelectObject(dc_, previous_); }
  ScopedSelection(const ScopedSelection&) = delete;
  ScopedSelection& operator=(const ScopedSelection&) = delete;

 private:
  HDC dc_;
  HGDIOBJ previous_;
};

struct MemoryDcDeleter {
  void operator()(HDC dc) const { DeleteDC(dc); }
};
using UniqueMemoryDc = std::unique_ptr<std::remove_pointer_t<HDC>, MemoryDcDeleter>;

struct Request {
  bool thumbnails = false;
  std::wstring path;
};

struct ViewerState {
  Request request;
  UniqueBitmap picture;
};

bool EqualsIgnoringCase(std::wstring_view left, std::wstring_view right) {
  return CompareStringOrdinal(left.data(), static_cast<int>(left.size()), right.data(),
                              static_cast<int>(right.size()), TRUE) == CSTR_EQUAL;
}

Request ParseCommandLine() {
  Request request;
  int count = 0;
  const std::unique_ptr<LPWSTR, LocalMemoryDeleter> arguments(CommandLineToArgvW(GetCommandLineW(), &count));
  if (!arguments) return request;
  for (int i = 1; i < count; ++i) {
    const std::wstring_view argument = arguments.get()[i];
    if (EqualsIgnoringCase(argument, L"/thumbs"))
      request.thumbnails = true;
    else if (request.path.empty())
      request.path = argument;
  }
  if (request.thumbnails && request.path.empty()) {
    wchar_t folder[MAX_PATH] = {};
    if (GetCurrentDirectoryW(MAX_PATH, folder) > 0) request.path = folder;
  }
  return request;
}

std::wstring Description(const Request& request) {
  std::wstring text = L"Lanternix 4.65 sample viewer\n\n";
  if (request.thumbnails)
    text += L"Thumbnails of: " + request.path;
  else if (!request.path.empty())
    text += L"Opened: " + request.path;
  else
    text += L"No file given. Start with a file name, or with /thumbs and a folder.";
  return text;
}

UniqueBitmap LoadPicture(const Request& request) {
  if (request.thumbnails || request.path.size() < 4) return nullptr;
  if (!EqualsIgnoringCase(std::wstring_view(request.path).substr(request.path.size() - 4), L".bmp"))
    return nullptr;
  return UniqueBitmap(static_cast<HBITMAP>(
      LoadImageW(nullptr, request.path.c_str(), IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE | LR_CREATEDIBSECTION)));
}

void Paint(HWND window, const ViewerState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  RECT client;
  GetClientRect(window, &client);
  RECT textArea = client;
  InflateRect(&textArea, -kMargin, -kMargin);
  std::wstring text = Description(state.request);
  RECT measured = textArea;
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &measured, DT_WORDBREAK | DT_CALCRECT);
  DrawTextW(dc, text.data(), static_cast<int>(text.size()), &textArea, DT_WORDBREAK);

  if (state.picture) {
    BITMAP info{};
    GetObjectW(state.picture.get(), sizeof info, &info);
    const UniqueMemoryDc memory(CreateCompatibleDC(dc));
    if (memory) {
      const ScopedSelection selection(memory.get(), state.picture.get());
      BitBlt(dc, kMargin, measured.bottom + kMargin, info.bmWidth, info.bmHeight, memory.get(), 0, 0,
             SRCCOPY);
    }
  }
  EndPaint(window, &paint);
}

LRESULT CALLBACK WindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* state = reinterpret_cast<ViewerState*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  switch (message) {
    case WM_NCCREATE: {
      const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
      SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
      break;
    }
    case WM_PAINT:
      if (state) {
        Paint(window, *state);
        return 0;
      }
      break;
    case WM_DESTROY: PostQuitMessage(0); return 0;
    default: break;
  }
  return DefWindowProcW(window, message, wParam, lParam);
}

std::wstring WindowTitle(const Request& request) {
  if (request.path.empty()) return L"Lanternix";
  const std::size_t slash = request.path.find_last_of(L"\\/");
  const std::wstring name = slash == std::wstring::npos ? request.path : request.path.substr(slash + 1);
  return (request.thumbnails ? L"Lanternix Thumbnails - " : L"Lanternix - ") +
         (name.empty() ? request.path : name);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
  ViewerState state;
  state.request = ParseCommandLine();
  state.picture = LoadPicture(state.request);

  WNDCLASSEXW windowClass{};
  windowClass.cbSize = sizeof windowClass;
  windowClass.lpfnWndProc = WindowProcedure;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
  windowClass.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = kWindowClass;
  if (!RegisterClassExW(&windowClass)) return 1;

  const std::wstring title = WindowTitle(state.request);
  const HWND window = CreateWindowExW(0, kWindowClass, title.c_str(), WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                      CW_USEDEFAULT, 640, 480, nullptr, nullptr, instance, &state);
  if (!window) return 1;
  ShowWindow(window, show);
  UpdateWindow(window);

  MSG message;
  while (GetMessageW(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  return static_cast<int>(message.wParam);
}
