#include "wizard/sheet_logic.h"

#include "model/product.h"
#include "model/system_probes.h"
#include "platform/text_limits.h"

namespace lanternix::wizard {

LeaveDecision DecideExitCommand(std::uintptr_t wParam, int activeIndex) {
  if ((wParam & 0xFFFF) != kExitCommandId) return LeaveDecision::kPassOn;
  return activeIndex == kFinishedPageIndex ? LeaveDecision::kFinish : LeaveDecision::kConfirm;
}

LeaveDecision DecideSysCommand(std::uintptr_t commandId, int activeIndex) {
  if (commandId != kCloseSysCommand) return LeaveDecision::kPassOn;
  return activeIndex == kFinishedPageIndex ? LeaveDecision::kFinish : LeaveDecision::kConfirm;
}

std::optional<int> AdjacentPageIndex(int activeIndex, int pageCount, bool forward) {
  const int index = activeIndex + (forward ? 1 : -1);
  if (index < 0 || index >= pageCount) return std::nullopt;
  return index;
}

std::optional<std::wstring> ViewerPathInFolder(std::wstring_view folderText) {
  std::wstring path(folderText);
  AppendBackslash(path);
  path += kViewerExe;
  if (path.size() > kShortTextChars - 1) return std::nullopt;
  return path;
}

}  // namespace lanternix::wizard
