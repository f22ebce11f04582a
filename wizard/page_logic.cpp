#include "wizard/page_logic.h"

#include <algorithm>
#include <cwctype>

#include "model/product.h"
#include "model/system_probes.h"
#include "install/install_driver.h"
#include "model/texts.h"
#include "install/folder_creation.h"
#include "install/viewer_ini.h"
#include "platform/text_limits.h"
#include "res/resource_ids.h"
#include "wizard/control_logic.h"

namespace lanternix::wizard {

namespace {

constexpr std::wstring_view kProductFolder = L"Lanternix\\";
constexpr std::size_t kReleaseNotesChars = 10240;

}  // namespace

std::optional<std::wstring> ViewerRunningWarning(Platform& platform, std::wstring_view destinationText) {
  if (!IsViewerRunning(platform, destinationText)) return std::nullopt;
  return LoadText(platform.resources, IDS_VIEWER_RUNNING);
}

std::wstring WelcomeDefaultFolder(Registry& registry) {
  if (std::optional<std::wstring> existing = FindExistingInstallFolder(registry)) return *existing;
  return GetDefaultInstallFolder(registry);
}

std::wstring FormatTemplate(std::wstring_view text, std::initializer_list<std::wstring_view> arguments) {
  std::wstring out;
  auto argument = arguments.begin();
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == L'%' && i + 1 < text.size() && text[i + 1] == L's' && argument != arguments.end()) {
      out += *argument++;
      ++i;
    } else {
      out.push_back(text[i]);
    }
  }
  return out;
}

bool IsAcceptableDestination(std::wstring_view folderText) {
  return IsFullyQualifiedFolder(folderText) && !SplitPath(folderText).drive.empty();
}

std::wstring AcceptedDestinationText(std::wstring_view folderText) {
  return FolderTextAsCreated(folderText);
}

std::wstring AddProductFolder(std::wstring path) {
  if (path.empty() || path.back() != L'\\') path.push_back(L'\\');
  // The backslash that starts the last folder name, searched from the second-to-last character.
  const auto start = path.size() >= 2 ? path.find_last_of(L'\\', path.size() - 2) : std::wstring::npos;
  bool add = false;
  if (start != std::wstring::npos && start > 0)
    add = !EqualIgnoringCase(std::wstring_view(path).substr(start), L"\\lanternix\\");
  else
    add = path.size() == 3;
  if (add && path.size() + kProductFolder.size() < kShortTextChars) path += kProductFolder;
  return path;
}

std::wstring PickerPreselection(std::wstring_view path) {
  std::wstring copy(path);
  if (copy.size() > 3 && copy.back() == L'\\') copy.pop_back();
  return copy;
}

std::wstring ReleaseNotesText(std::span<const std::uint8_t> resource) {
  std::wstring text;
  const std::size_t units = std::min(resource.size() / 2, kReleaseNotesChars - 1);
  for (std::size_t i = 0; i < units; ++i) {
    const auto unit = static_cast<wchar_t>(resource[2 * i] | resource[2 * i + 1] << 8);
    if (unit == 0) break;  // the edit shows the text up to its first zero
    text.push_back(unit);
  }
  while (!text.empty() && !std::iswalnum(static_cast<wint_t>(text.back()))) text.pop_back();
  return text;
}

AssociationReadOut ReadAssociationList(bool listEnabled, std::span<const unsigned> itemStates) {
  AssociationReadOut readOut;
  if (!listEnabled) return readOut;
  const std::size_t rows = std::min(itemStates.size(), kAssociationSlots);
  for (std::size_t i = 0; i < rows; ++i) {
    if ((itemStates[i] & kStateImageMask) >> 12 == 1) continue;
    readOut.selection[i] = 1;
    readOut.changeAssociations = 1;
  }
  return readOut;
}

unsigned ImagesOnlyState(std::size_t row) {
  return row < kImageFormatRowCount ? kStateChecked : kStateUnchecked;
}

bool IsVistaOrLater(const OsVersionRecord& version) {
  return version.platformId == kPlatformWin32Nt && version.major >= 6;
}

bool RegistryBoxDisabled(SystemInfo& system) {
  return QueryOsVersionClass(system) == kOsWindows11;
}

int DescriptionColumnWidth(int listWidth, int dpi) {
  return 2 * listWidth / 3 - ScaleForDpi(25, dpi);
}

std::wstring DestinationLine(std::wstring_view label, std::wstring_view folderText) {
  std::wstring folder(folderText);
  CutToBuffer(folder, kShortTextChars);
  TrimSpaces(folder);
  return std::wstring(label) + L": " + folder;
}

std::wstring ReadyDestinationLine(ProgramResources& resources, std::wstring_view folderText) {
  return DestinationLine(LoadText(resources, IDS_DESTINATION_DIRECTORY, kLabelTextChars), folderText);
}

IniPreselection ReadyIniPreselection(Platform& platform, std::wstring_view destinationText) {
  const std::wstring folder = NormaliseFolderText(destinationText);
  const std::wstring programFolderIni = folder + std::wstring(kViewerIniName);
  if (!folder.empty() && platform.files.FileExists(programFolderIni)) {
    std::wstring redirect = ReadIniRedirect(platform.profiles, programFolderIni);
    if (redirect.empty()) return {IniChoice::ProgramFolder, {}};
    std::wstring plain = redirect;
    if (plain.back() == L'\\') plain.pop_back();
    if (EqualIgnoringCase(plain, kPerUserIniFolder)) return {IniChoice::ApplicationData, {}};
    return {IniChoice::KeepRedirect, std::move(redirect)};
  }
  const bool appData = IsVistaOrLater(platform.system.VersionEx());
  return {appData ? IniChoice::ApplicationData : IniChoice::ProgramFolder, {}};
}

InstallOptions GatherInstallOptions(const WizardChoices& choices) {
  InstallOptions options;
  options.destinationFolder = choices.destinationText;
  CutToBuffer(options.destinationFolder, kLongTextChars);
  TrimSpaces(options.destinationFolder);
  options.startMenuGroup = choices.startMenuGroup ? 1 : 0;
  options.desktopShortcut = choices.desktopShortcut ? 1 : 0;
  options.thumbnailsShortcut = choices.thumbnailsShortcut ? 1 : 0;
  options.allUsers = choices.allUsers ? 1 : 0;
  if (choices.iniChoice == IniChoice::ApplicationData) options.iniFolder = kPerUserIniFolder;
  if (choices.iniChoice == IniChoice::KeepRedirect) options.iniFolder = choices.keptIniFolder;
  const AssociationReadOut readOut =
      ReadAssociationList(choices.associationListEnabled, choices.associationRowStates);
  options.associationSelection = readOut.selection;
  options.changeAssociations = readOut.changeAssociations;
  options.associateForAllUsers = choices.associateForAllUsers ? 1 : 0;
  options.silent = 0;
  options.messageCaption = choices.caption;
  return options;
}

}  // namespace lanternix::wizard
