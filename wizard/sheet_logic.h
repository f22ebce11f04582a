// The window-free decisions of the wizard sheet and its pages: whether leaving asks first,
// where Back and Next lead, and the path of the viewer started from the last page.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace lanternix::wizard {

inline constexpr int kWelcomePageIndex = 0;
inline constexpr int kFinishedPageIndex = 4;
// The Exit/Done button's id (IDCANCEL), also the command Escape produces.
inline constexpr unsigned kExitCommandId = 2;
inline constexpr std::uintptr_t kCloseSysCommand = 0xF060;  // SC_CLOSE

enum class LeaveDecision {
  kPassOn,   // not a way of leaving: the sheet's default handling
  kConfirm,  // leaving early: "Exit setup?" first
  kFinish,   // leaving from the Finished page: the finish actions, then close
};

// WM_COMMAND: only id 2 (whatever the notification code) leaves.
LeaveDecision DecideExitCommand(std::uintptr_t wParam, int activeIndex);
// WM_SYSCOMMAND: exactly SC_CLOSE, compared without masking, asks before the Finished page and
// finishes on it; everything else goes on unchanged.
LeaveDecision DecideSysCommand(std::uintptr_t commandId, int activeIndex);

// The neighbouring page's position, or none past either end.
std::optional<int> AdjacentPageIndex(int activeIndex, int pageCount, bool forward);

// The viewer in the folder as typed on the Welcome page, "\" added when missing; none when the
// path would not fit the 260-character buffer it is built in (a cut path could start another
// program).
std::optional<std::wstring> ViewerPathInFolder(std::wstring_view folderText);

}  // namespace lanternix::wizard
