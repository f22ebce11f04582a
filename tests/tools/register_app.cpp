// Runs the registration on the machine it runs on, for the end-to-end tests:
//   register-app <confirmed> <change> <folder> <group> <desktop> <thumbs> <allUsers> <selection>
//                <associateForAllUsers>
// <selection> is "none", "images" (as "/assoc=1"), "all" (as "/assoc=2") or row numbers joined
// by commas. Prints "result=<n>".
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <string>

#include "model/format_catalogue.h"
#include "install/registration.h"
#include "platform/win32/win32_platform.h"

namespace {

int Flag(const wchar_t* text) {
  return static_cast<int>(std::wcstol(text, nullptr, 10));
}

lanternix::AssociationSelection ParseSelection(const std::wstring& text) {
  if (text == L"images") return lanternix::SelectionForAssocValue(1);
  if (text == L"all") return lanternix::SelectionForAssocValue(2);
  lanternix::AssociationSelection selection{};
  if (text == L"none") return selection;
  const wchar_t* cursor = text.c_str();
  while (*cursor) {
    wchar_t* end = nullptr;
    const long row = std::wcstol(cursor, &end, 10);
    if (end == cursor) break;
    if (row >= 0 && static_cast<std::size_t>(row) < selection.size())
      selection[static_cast<std::size_t>(row)] = 1;
    cursor = *end == L',' ? end + 1 : end;
  }
  return selection;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 10) {
    std::fprintf(stderr,
                 "usage: register-app confirmed change folder group desktop thumbs allUsers selection "
                 "associateForAllUsers\n");
    return 2;
  }
  lanternix::win32::Win32Platform win32;
  const lanternix::AssociationSelection selection = ParseSelection(argv[8]);
  const int result =
      lanternix::RegisterApplication(win32.Get(), Flag(argv[1]), Flag(argv[2]), argv[3], Flag(argv[4]),
                                     Flag(argv[5]), Flag(argv[6]), Flag(argv[7]), selection, Flag(argv[9]));
  std::printf("result=%d\n", result);
  return 0;
}
