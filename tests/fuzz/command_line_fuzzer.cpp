// libFuzzer target: any command line, as UTF-16 code units, through the silent path's parsing.
// Sanitizers turn an out-of-bounds access or undefined behaviour into a crash the fuzzer reports.
#include <cstddef>
#include <cstdint>
#include <string>

#include "app/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::wstring commandLine;
  for (std::size_t i = 0; i + 1 < size; i += 2)
    commandLine.push_back(static_cast<wchar_t>(data[i] | data[i + 1] << 8));

  lanternix::IsSilentCommandLine(commandLine);
  lanternix::InstallOptions options;
  options.iniFolder = L"%APPDATA%\\Lanternix";
  const std::wstring workingCopy = lanternix::CommandLineWorkingCopy(commandLine);
  lanternix::ApplyCommandLineOptions(workingCopy, options);
  if (workingCopy.size() >= lanternix::kCommandLineChars) __builtin_trap();

  // Every option value is cut where the 260-character copy would have stopped.
  for (std::size_t at = 0; (at = commandLine.find(L'/', at)) != std::wstring::npos; ++at) {
    std::wstring value;
    const std::size_t stop = lanternix::ParseOptionValue(std::wstring_view(commandLine).substr(at), value, 1);
    if (stop > lanternix::kOptionValueLimit || value.size() >= lanternix::kOptionValueLimit) __builtin_trap();
    lanternix::StripQuotes(value);
  }
  if (options.changeAssociations != 0 && options.associationSelection[0] != 1) __builtin_trap();

  // A line shorter than both limits can't have had a value cut.
  for (const std::wstring_view name : {lanternix::kFolderOption, lanternix::kIniOption})
    if (lanternix::IsOptionValueShortened(commandLine, name) &&
        commandLine.size() < lanternix::kOptionValueLimit)
      __builtin_trap();
  return 0;
}
