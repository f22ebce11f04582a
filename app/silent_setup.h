// The silent path of the start-up: no window at all, options from the command line, failures
// in the install log, the outcome in the exit status.
#pragma once

#include <string_view>

#include "model/product.h"
#include "platform/platform.h"

namespace lanternix {

inline constexpr unsigned kMessageViewerRunning = 10;
inline constexpr unsigned kMessageSetupDamaged = 12;
inline constexpr unsigned kMessageInvalidIniFolder = 13;

// Exit statuses a deployment tool can act on.
inline constexpr int kExitInstalled = 0;
inline constexpr int kExitFailed = 1;
inline constexpr int kExitViewerRunning = 2;

int RunSilentSetup(Platform& platform, std::wstring_view commandLine);

}  // namespace lanternix
