#include "wizard/hyperlink_logic.h"

#include <optional>

#include "platform/text_limits.h"

namespace lanternix::wizard {

LinkRect FitRectToText(const LinkRect& window, const LinkRect& client, LinkSize text, std::uint32_t style) {
  const int neededWidth = text.cx + (window.Width() - client.Width());
  const int neededHeight = text.cy + (window.Height() - client.Height());
  LinkRect fitted = window;

  if (style & kStaticCenterImage) {
    const int shrink = (window.Height() - neededHeight) / 2;
    fitted.top += shrink;
    fitted.bottom -= shrink;
  } else {
    fitted.bottom = fitted.top + neededHeight;
  }

  if (style & kStaticCenter) {
    const int shrink = (window.Width() - neededWidth) / 2;
    fitted.left += shrink;
    fitted.right -= shrink;
  } else if (style & kStaticRight) {
    fitted.left = fitted.right - neededWidth;
  } else {
    fitted.right = fitted.left + neededWidth;
  }
  return fitted;
}

Colour LinkTextColour(const LinkColours& colours, bool over, bool visited) {
  if (over) return colours.hover;
  return visited ? colours.visited : colours.link;
}

std::wstring BrowserCommandForUrl(std::wstring_view registeredCommand, std::wstring_view url) {
  std::size_t cut = registeredCommand.find(L"\"%1\"");
  if (cut == std::wstring_view::npos) cut = registeredCommand.find(L"%1");
  std::wstring command(registeredCommand.substr(0, cut));
  command += L' ';
  command += url;
  return command;
}

ProgramAndArguments SplitCommandLine(std::wstring_view commandLine) {
  if (commandLine.starts_with(L'"')) {
    const std::size_t close = commandLine.find(L'"', 1);
    if (close == std::wstring_view::npos) return {std::wstring(commandLine.substr(1)), {}};
    std::wstring_view rest = commandLine.substr(close + 1);
    if (rest.starts_with(L' ')) rest.remove_prefix(1);
    return {std::wstring(commandLine.substr(1, close - 1)), std::wstring(rest)};
  }
  const std::size_t blank = commandLine.find(L' ');
  if (blank == std::wstring_view::npos) return {std::wstring(commandLine), {}};
  return {std::wstring(commandLine.substr(0, blank)), std::wstring(commandLine.substr(blank + 1))};
}

std::intptr_t StartWithUserRights(Platform& platform, std::wstring_view file, std::wstring_view parameters) {
  if (platform.system.IsElevated()) return platform.shell.OpenAsDesktopUser(file, parameters);
  return platform.shell.OpenDocument(file, parameters);
}

namespace {

// The default value of HKEY_CLASSES_ROOT\subKey; none when the key is missing or the value
// does not fit a 260-character buffer (a cut class name or command would be wrong).
std::optional<std::wstring> ClassesRootDefault(Registry& registry, const std::wstring& subKey) {
  const auto key = registry.OpenKey(RegRoot::ClassesRoot, subKey, kKeyQueryValue);
  if (!key) return std::nullopt;
  return key->ReadString(L"", kShortTextChars);
}

}  // namespace

std::intptr_t OpenLinkAddress(Platform& platform, std::wstring_view url) {
  const std::intptr_t opened = StartWithUserRights(platform, url, L"");
  if (opened > 32) return opened;

  const std::optional<std::wstring> htmlClass = ClassesRootDefault(platform.registry, L".htm");
  if (!htmlClass) return opened;
  const std::optional<std::wstring> command =
      ClassesRootDefault(platform.registry, *htmlClass + L"\\shell\\open\\command");
  if (!command) return opened;
  const std::wstring commandLine = BrowserCommandForUrl(*command, url);
  if (!platform.system.IsElevated()) return platform.shell.RunCommandLine(commandLine);
  const ProgramAndArguments split = SplitCommandLine(commandLine);
  return platform.shell.OpenAsDesktopUser(split.program, split.arguments);
}

}  // namespace lanternix::wizard
