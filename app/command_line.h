// The silent path's command line: "/silent" and the options that fill an InstallOptions record.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "model/install_options.h"

namespace lanternix {

// The switch that selects the silent path, the options that name the destination and INI folders
// and the two that ask for the Start-menu group for all users. Deployment tools are told all but
// the INI folder through the release manifest.
inline constexpr std::wstring_view kSilentSwitch = L"/silent";
inline constexpr std::wstring_view kFolderOption = L"/folder=";
inline constexpr std::wstring_view kIniOption = L"/ini=";
inline constexpr std::wstring_view kGroupOption = L"/group=";
inline constexpr std::wstring_view kAllUsersOption = L"/allusers=";

// Only so much of the command line is examined: the working copy holds 520 characters.
inline constexpr std::size_t kCommandLineChars = 520;
// An option value is copied at most up to this index from the option's "/".
inline constexpr std::size_t kOptionValueLimit = 260;

// Case-sensitive, anywhere in the line: "/SILENT" opens the wizard, "x/silenty" does not.
bool IsSilentCommandLine(std::wstring_view commandLine);

// Copies the value of the option starting at optionStart (its "/") into destination: from
// nameLength up to the next "/", the end, or index 260. Spaces belong to the value. Returns the
// index where copying stopped.
std::size_t ParseOptionValue(std::wstring_view optionStart, std::wstring& destination,
                             std::size_t nameLength);

// Trailing spaces, one closing and one opening double quote, then trailing spaces again.
void StripQuotes(std::wstring& text);

// A plain decimal conversion: leading white space, a sign, digits; anything else stops it; no
// digits give 0. Values beyond 32 bits saturate.
std::int32_t ParseOptionInteger(std::wstring_view text);

// The first 519 characters of the command line, where every option is looked for.
std::wstring CommandLineWorkingCopy(std::wstring_view commandLine);

// Whether the command-line limits (the working copy's 519 characters, the value's index 260)
// shortened the value of the text option name at its first occurrence: used as it stands, such
// a value would name another folder than the one written.
bool IsOptionValueShortened(std::wstring_view commandLine, std::wstring_view name);

// Applies the options found in the working copy to the record, each at its first occurrence.
void ApplyCommandLineOptions(std::wstring_view workingCopy, InstallOptions& options);

}  // namespace lanternix
