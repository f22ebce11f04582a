// The window-free rules of the five wizard pages: what the Welcome page accepts and how the
// folder picker's choice becomes a destination, how the release notes are shown, how the
// association list is read out, and how the Ready page gathers the installation's choices.
#pragma once

#include <array>
#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "model/install_options.h"
#include "platform/platform.h"

namespace lanternix::wizard {

// Dialog template ids in sheet order: Welcome, What's new, Associations, Ready, Finished.
inline constexpr std::array<int, 5> kPageDialogIds = {101, 108, 104, 109, 110};
inline constexpr int kWelcomePageId = 101;

// ---------------------------------------------------------------- what every page asks

// The running-viewer warning (string 10, whole) while a viewer window exists or the viewer
// installed in the destination is in use; none otherwise.
std::optional<std::wstring> ViewerRunningWarning(Platform& platform, std::wstring_view destinationText);

// ---------------------------------------------------------------- Welcome

// The folder the Welcome page starts with: an existing installation's, else the default one.
std::wstring WelcomeDefaultFolder(Registry& registry);

// A template's "%s" markers replaced in order by the arguments; any other text, "%" included,
// stays as it is, so a template can never read more arguments than it is given.
std::wstring FormatTemplate(std::wstring_view text, std::initializer_list<std::wstring_view> arguments);

// The setup's bitness, as the Welcome page's texts show it beside ProductVersionText().
inline constexpr std::wstring_view kBitnessText = L"32";

// The folder field must name a drive and its root ("X:\" first); whether the folder can be made
// is the installation's business.
bool IsAcceptableDestination(std::wstring_view folderText);

// The field's text once Next has accepted it: the folder as the installation will create it,
// every level without trailing spaces and "." and ".." resolved ("C:\X\..\Apps\.\Lanternix"
// is "C:\Apps\Lanternix"), a final "\" only where one was typed.
std::wstring AcceptedDestinationText(std::wstring_view folderText);

// The picker's choice as a destination: a final "\", and "Lanternix\" added unless the last
// folder already is one (in any case); a drive root always gets it. A path that would not fit
// the 260-character field with "Lanternix\" stays without it.
std::wstring AddProductFolder(std::wstring path);

// What the picker preselects: the path without its final "\", except for a drive root.
std::wstring PickerPreselection(std::wstring_view path);

// The current-user/all-users choice only matters while a shortcut is wanted.
inline bool ShortcutScopeEnabled(bool desktop, bool thumbnails, bool startMenu) {
  return desktop || thumbnails || startMenu;
}

// ---------------------------------------------------------------- What's new

// The release notes resource as the edit shows it: its UTF-16LE units as they stand (the
// byte-order mark too), at most 10,239 of them, without trailing characters that are not
// letters or digits.
std::wstring ReleaseNotesText(std::span<const std::uint8_t> resource);

// ---------------------------------------------------------------- Associations

// List-view state images: 1 is a clear box, 2 a checked one.
inline constexpr unsigned kStateImageMask = 0xF000;
inline constexpr unsigned kStateUnchecked = 0x1000;
inline constexpr unsigned kStateChecked = 0x2000;

struct AssociationReadOut {
  AssociationSelection selection{};
  std::int32_t changeAssociations = 0;
};

// A row counts unless its state image is the clear box; nothing counts while the list is disabled.
AssociationReadOut ReadAssociationList(bool listEnabled, std::span<const unsigned> itemStates);

// The state each row gets from "Images only" (rows 0 to 48), "Select all" or "None".
unsigned ImagesOnlyState(std::size_t row);

// Vista and later: "For all users (XP)" is hidden and the registry box starts clear.
bool IsVistaOrLater(const OsVersionRecord& version);

// Windows 11 takes no associations from the registry: the registry box stays disabled there.
bool RegistryBoxDisabled(SystemInfo& system);

// The description column's width: two thirds of the list less 25 pixels at 96 DPI.
int DescriptionColumnWidth(int listWidth, int dpi);

// ---------------------------------------------------------------- Ready

// "%s: %s" of the label and the trimmed folder.
std::wstring DestinationLine(std::wstring_view label, std::wstring_view folderText);
// The Ready page's destination line: string 6 (a 50-character label) and the folder typed.
std::wstring ReadyDestinationLine(ProgramResources& resources, std::wstring_view folderText);

// Where the INI file goes: the program folder (radio 1038), the user's application data (1039),
// or the folder an installed redirect names, kept (1040, shown only then).
enum class IniChoice { ProgramFolder, ApplicationData, KeepRedirect };

struct IniPreselection {
  IniChoice choice = IniChoice::ApplicationData;
  std::wstring keptFolder;  // the redirect, for KeepRedirect
};

// The choice the Ready page starts with. An update (the destination holds the viewer's INI file)
// keeps the settings where they are now: in that file, behind its per-user redirect, or behind
// any other redirect. Otherwise the system's default: application data from Vista on.
IniPreselection ReadyIniPreselection(Platform& platform, std::wstring_view destinationText);

// The control states the installing step reads, as plain values.
struct WizardChoices {
  std::wstring destinationText;  // Welcome edit 1000, as typed
  bool startMenuGroup = false;
  bool desktopShortcut = false;
  bool thumbnailsShortcut = false;
  bool allUsers = false;                           // radio 1017, also while disabled
  IniChoice iniChoice = IniChoice::ProgramFolder;  // Ready radios 1038, 1039, 1040
  std::wstring keptIniFolder;                      // Ready edit 1000, for KeepRedirect
  bool associationListEnabled = false;
  std::vector<unsigned> associationRowStates;
  bool associateForAllUsers = false;  // check box 1037, also while hidden
  std::wstring caption;
};

InstallOptions GatherInstallOptions(const WizardChoices& choices);

}  // namespace lanternix::wizard
