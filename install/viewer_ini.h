// The viewer's INI file "l_tern32.ini": where it lies (the program folder, or a per-user folder
// that the program folder's file redirects to), the settings the setup writes into it, and its
// final conversion to UTF-16LE.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace lanternix {

inline constexpr std::wstring_view kViewerIniName = L"l_tern32.ini";
// Sections and keys the setup writes; the profile functions compare them without case.
inline constexpr std::wstring_view kOthersSection = L"Others";
inline constexpr std::wstring_view kIniFolderKey = L"INI_Folder";
inline constexpr std::wstring_view kToolbarSection = L"Toolbar";
inline constexpr std::wstring_view kSkinKey = L"Skin";
inline constexpr std::wstring_view kSizeKey = L"Size";
// The toolbar pair a portable layout's redirect gets in the program folder's file.
inline constexpr std::wstring_view kPortableToolbarSkin = L"Halbrenk_24.png";
inline constexpr std::wstring_view kPortableToolbarSize = L"24";
// The per-user INI folder of a silent installation into the default program folder.
inline constexpr std::wstring_view kPerUserIniFolder = L"%APPDATA%\\Lanternix";

// An INI folder the viewer finds again whatever folder is current when it starts: fully
// qualified once its %NAME% references are expanded, no device, and room for the temporary
// "l_tern32.ini_temp" within 259 characters. An empty one (the program folder) always is.
bool IsUsableIniFolder(SystemInfo& system, std::wstring_view iniFolder);

// The redirect a program folder's INI file holds ([Others] INI_Folder); empty when none.
std::wstring ReadIniRedirect(ProfileFiles& profiles, std::wstring_view programFolderIni);

struct ViewerIniResult {
  // The INI file that holds the settings; empty when the redirect that would name it could not
  // be written.
  std::wstring iniPath;
  // The file that could not be written (the program folder's, or the settings'); empty when
  // everything went in.
  std::wstring unwrittenFile;
};

// Writes the INI-folder redirect (or removes it), the English language and, when none is set
// yet, the toolbar skin that suits the screen. With silentDefault, an empty iniFolder whose
// destination lies in the default program folder gets the per-user folder stored into
// iniFolder. The redirect names the folder as it is created (levels without trailing spaces).
// The redirect goes first: when it can't be written, neither the INI folder nor its file is
// created, so nothing points the viewer at settings it would not find, or leaves settings that
// nothing points to.
ViewerIniResult WriteViewerIni(Platform& platform, std::wstring_view destinationFolder,
                               std::wstring& iniFolder, bool silentDefault);

// Replaces every %NAME% by the variable's value; an undefined variable (or "%%") expands to
// nothing, and a "%" without its closing partner takes the rest of the text as its name.
std::wstring ExpandIniFolder(SystemInfo& system, std::wstring_view text);

// Rewrites an ANSI INI file as UTF-16LE with a byte-order mark and a warning comment, through
// "l_tern32.ini_temp" in the same folder. 1 when the file is Unicode now, was already, or
// could not be converted at all (missing, empty, temporary file not creatable); 0 when the
// converted text could not be put in place, in which case the INI file stays as it was.
int ConvertIniToUnicode(Platform& platform, std::wstring_view path);

}  // namespace lanternix
