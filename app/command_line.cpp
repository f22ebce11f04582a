#include "app/command_line.h"

#include <algorithm>
#include <cwctype>
#include <limits>
#include <optional>

namespace lanternix {

namespace {

// The text from the option's first occurrence on; none when it does not occur.
std::optional<std::wstring_view> FindOption(std::wstring_view workingCopy, std::wstring_view name) {
  const auto at = workingCopy.find(name);
  if (at == std::wstring_view::npos) return std::nullopt;
  return workingCopy.substr(at);
}

std::optional<std::wstring> OptionText(std::wstring_view workingCopy, std::wstring_view name) {
  const auto start = FindOption(workingCopy, name);
  if (!start) return std::nullopt;
  std::wstring value;
  ParseOptionValue(*start, value, name.size());
  return value;
}

void ApplyIntegerOption(std::wstring_view workingCopy, std::wstring_view name, std::int32_t& field) {
  if (const auto value = OptionText(workingCopy, name)) field = ParseOptionInteger(*value);
}

}  // namespace

bool IsSilentCommandLine(std::wstring_view commandLine) {
  return commandLine.find(kSilentSwitch) != std::wstring_view::npos;
}

std::size_t ParseOptionValue(std::wstring_view optionStart, std::wstring& destination,
                             std::size_t nameLength) {
  const std::size_t end = std::min(optionStart.size(), kOptionValueLimit);
  std::size_t index = nameLength;
  destination.clear();
  while (index < end && optionStart[index] != L'/') destination.push_back(optionStart[index++]);
  return index;
}

void StripQuotes(std::wstring& text) {
  auto trimTrailingSpaces = [&text] { text.erase(text.find_last_not_of(L' ') + 1); };
  if (text.empty()) return;
  trimTrailingSpaces();
  if (!text.empty() && text.back() == L'"') text.pop_back();
  if (!text.empty() && text.front() == L'"') text.erase(0, 1);
  trimTrailingSpaces();
}

std::int32_t ParseOptionInteger(std::wstring_view text) {
  std::size_t i = 0;
  while (i < text.size() && std::iswspace(static_cast<wint_t>(text[i]))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  std::int64_t value = 0;
  constexpr std::int64_t kLimit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i)
    value = std::min(value * 10 + (text[i] - L'0'), kLimit);
  if (negative) return static_cast<std::int32_t>(-value);
  return static_cast<std::int32_t>(std::min<std::int64_t>(value, kLimit - 1));
}

std::wstring CommandLineWorkingCopy(std::wstring_view commandLine) {
  return std::wstring(commandLine.substr(0, kCommandLineChars - 1));
}

bool IsOptionValueShortened(std::wstring_view commandLine, std::wstring_view name) {
  const std::wstring workingCopy = CommandLineWorkingCopy(commandLine);
  const auto at = std::wstring_view(workingCopy).find(name);
  if (at == std::wstring_view::npos) return false;
  std::wstring limited;
  ParseOptionValue(std::wstring_view(workingCopy).substr(at), limited, name.size());
  const std::wstring_view rest = commandLine.substr(at + name.size());
  std::wstring whole(rest.substr(0, rest.find(L'/')));
  // Spaces and quotes that only the limits cut away change nothing.
  StripQuotes(limited);
  StripQuotes(whole);
  return limited != whole;
}

void ApplyCommandLineOptions(std::wstring_view workingCopy, InstallOptions& options) {
  if (auto folder = OptionText(workingCopy, kFolderOption)) {
    StripQuotes(*folder);
    options.destinationFolder = *folder;
  }
  ApplyIntegerOption(workingCopy, L"/desktop=", options.desktopShortcut);
  ApplyIntegerOption(workingCopy, L"/thumbs=", options.thumbnailsShortcut);
  ApplyIntegerOption(workingCopy, kGroupOption, options.startMenuGroup);
  ApplyIntegerOption(workingCopy, kAllUsersOption, options.allUsers);
  if (const auto assoc = OptionText(workingCopy, L"/assoc=")) {
    const std::int32_t value = ParseOptionInteger(*assoc);
    if (value == 1 || value == 2) {
      options.associationSelection = SelectionForAssocValue(value);
      options.changeAssociations = 1;
    }
  }
  if (FindOption(workingCopy, L"/assocallusers")) options.associateForAllUsers = 1;
  if (auto ini = OptionText(workingCopy, kIniOption)) {
    StripQuotes(*ini);
    options.iniFolder = *ini;
  }
}

}  // namespace lanternix
