#include "release/winget_manifest.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <regex>

#include "app/command_line.h"
#include "app/silent_setup.h"
#include "install/registry_keys.h"
#include "model/format_catalogue.h"
#include "model/product.h"
#include "platform/text_encoding.h"

namespace lanternix::release {

namespace {

constexpr std::string_view kLicense = "Freeware for private, non-commercial use";
constexpr std::string_view kInstallPathToken = "<INSTALLPATH>";
constexpr std::string_view kSchemaAddress = "https://aka.ms/winget-manifest.";
constexpr std::string_view kReservedNames[] = {"example",     "test",        "invalid",    "localhost",
                                               "example.com", "example.net", "example.org"};

// The PE header's offset is stored at 0x3C of the DOS header; the machine follows "PE\0\0".
constexpr std::size_t kPeOffsetField = 0x3C;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;

std::string VersionText() {
  return WideToUtf8(ProductVersionText());
}

// Every text is double-quoted: a version such as 4.65 must stay a string, not become a number.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    if (c == '"' || c == '\\') quoted.push_back('\\');
    quoted.push_back(c);
  }
  return quoted + "\"";
}

std::string Line(int indent, std::string_view key, std::string_view value) {
  return std::string(static_cast<std::size_t>(indent), ' ') + std::string(key) + ": " + std::string(value) +
         "\n";
}

std::string Text(int indent, std::string_view key, std::string_view value) {
  return Line(indent, key, Quoted(value));
}

// The editor hint naming the schema, and the fields every file of the manifest starts with.
std::string Header(std::string_view manifestType) {
  return "# yaml-language-server: $schema=" + std::string(kSchemaAddress) + std::string(manifestType) + "." +
         std::string(kManifestVersion) + ".schema.json\n\n" +
         Text(0, "PackageIdentifier", kPackageIdentifier) + Text(0, "PackageVersion", VersionText());
}

std::string Footer(std::string_view manifestType) {
  return Line(0, "ManifestType", manifestType) + Line(0, "ManifestVersion", kManifestVersion);
}

std::string FileExtensions() {
  std::string list = "FileExtensions:\n";
  for (const FormatRow& row : FormatCatalogue)
    for (const FormatExtension& extension : row.Extensions())
      list += "  - " + Quoted(WideToUtf8(extension.extension)) + "\n";
  return list;
}

std::string VersionFile() {
  return Header("version") + Text(0, "DefaultLocale", kPackageLocale) + Footer("version");
}

// The switches a package manager adds for a silent run (with progress is its default mode: the
// silent setup shows none), for the Start-menu group its users expect and for a folder of the
// user's choice. The client puts the custom switches before the location switch, which the
// setup needs last: a folder's value runs to the next "/".
std::string InstallerSwitches() {
  const std::string custom = WideToUtf8(kGroupOption) + "1 " + WideToUtf8(kAllUsersOption) + "1";
  return "InstallModes:\n  - interactive\n  - silent\n  - silentWithProgress\n" +
         std::string("InstallerSwitches:\n") + Text(2, "Silent", WideToUtf8(kSilentSwitch)) +
         Text(2, "SilentWithProgress", WideToUtf8(kSilentSwitch)) + Text(2, "Custom", custom) +
         Text(2, "InstallLocation", WideToUtf8(kFolderOption) + std::string(kInstallPathToken));
}

// Only the running viewer has a response of its own; any other failure is in the install log.
std::string ExpectedReturnCodes() {
  return "ExpectedReturnCodes:\n" + Line(2, "- InstallerReturnCode", std::to_string(kExitViewerRunning)) +
         Line(4, "ReturnResponse", "packageInUseByApplication");
}

// The programs list entry the registration writes, under the uninstall key's name. Its publisher
// and version are the package's own, which the package manager assumes when they are left out.
std::string AppsAndFeaturesEntries(std::string_view productCode) {
  return "AppsAndFeaturesEntries:\n" + Text(2, "- DisplayName", WideToUtf8(ProductDisplayName())) +
         Text(4, "ProductCode", productCode);
}

std::string Installers(const ReleaseInstaller& installer, std::string_view url) {
  return "Installers:\n" + Line(2, "- Architecture", installer.architecture) + Text(4, "InstallerUrl", url) +
         Line(4, "InstallerSha256", installer.sha256);
}

std::string InstallerFile(const ReleaseInstaller& installer, std::string_view url) {
  const std::string productCode = WideToUtf8(kUninstallEntryName);
  return Header("installer") + Line(0, "InstallerType", "exe") + Line(0, "Scope", "machine") +
         InstallerSwitches() + ExpectedReturnCodes() +
         // An update runs the setup over the earlier version, in its folder.
         Line(0, "UpgradeBehavior", "install") + FileExtensions() + Text(0, "ProductCode", productCode) +
         AppsAndFeaturesEntries(productCode) +
         Line(0, "ElevationRequirement", installer.elevationRequirement) + Installers(installer, url) +
         Footer("installer");
}

// The catalogue's one-line description says what the program is; the longer text the setup
// registers with the system's default-programs settings follows as the description.
std::string LocaleFile(const ReleaseAddresses& addresses) {
  return Header("defaultLocale") + Text(0, "PackageLocale", kPackageLocale) +
         Text(0, "Publisher", WideToUtf8(kPublisher)) + Text(0, "PublisherUrl", addresses.publisherUrl) +
         Text(0, "PackageName", WideToUtf8(kProductName)) + Text(0, "License", kLicense) +
         Text(0, "LicenseUrl", addresses.licenseUrl) +
         Text(0, "ShortDescription", WideToUtf8(kProductSummary)) +
         Text(0, "Description", WideToUtf8(kApplicationDescription)) + Footer("defaultLocale");
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

}  // namespace

ReleaseAddresses DefaultReleaseAddresses() {
  return {WideToUtf8(kProductSite) + "download/" + VersionText() + "/lanternix-setup.exe",
          WideToUtf8(kProductSite), WideToUtf8(kEulaAddress)};
}

bool IsPlaceholderAddress(std::string_view url) {
  const std::size_t scheme = url.find("://");
  if (scheme != std::string_view::npos) url.remove_prefix(scheme + 3);
  std::string host(url.substr(0, url.find_first_of("/?#")));
  host = host.substr(host.rfind('@') + 1);  // npos + 1 is 0: no user part
  host = host.substr(0, host.find(':'));
  std::transform(host.begin(), host.end(), host.begin(), [](unsigned char c) { return std::tolower(c); });
  if (host.ends_with('.')) host.pop_back();
  // The names reserved for documentation and tests, which no registry hands out.
  for (const std::string_view reserved : kReservedNames)
    if (host == reserved || host.ends_with("." + std::string(reserved))) return true;
  return false;
}

std::optional<std::string> InstallerArchitecture(std::string_view peBytes) {
  if (peBytes.size() < kPeOffsetField + 4 || !peBytes.starts_with("MZ")) return std::nullopt;
  const std::size_t peHeader = LittleEndian(peBytes, kPeOffsetField, 4);
  if (peHeader > peBytes.size() || peBytes.size() - peHeader < 6 ||
      peBytes.substr(peHeader, 4) != std::string_view("PE\0\0", 4))
    return std::nullopt;
  switch (LittleEndian(peBytes, peHeader + 4, 2)) {
    case kMachineI386: return "x86";
    case kMachineAmd64: return "x64";
    default: return std::nullopt;
  }
}

std::optional<std::string> ElevationRequirementFor(std::string_view applicationManifestXml) {
  static const std::regex level(R"re(<requestedExecutionLevel\s[^>]*level\s*=\s*"([A-Za-z]+)")re");
  std::match_results<std::string_view::const_iterator> match;
  if (!std::regex_search(applicationManifestXml.begin(), applicationManifestXml.end(), match, level))
    return std::nullopt;
  // Whatever the level, the setup writes the machine's program folder and registry, so it must be
  // started elevated. "elevatesSelf" would not do: the client then starts it as the user is, and
  // a standard user's highestAvailable run is not elevated at all.
  if (match[1] == "highestAvailable" || match[1] == "requireAdministrator" || match[1] == "asInvoker")
    return "elevationRequired";
  return std::nullopt;
}

std::vector<ManifestFile> WingetManifest(const ReleaseInstaller& installer,
                                         const ReleaseAddresses& addresses) {
  const std::string stem(kPackageIdentifier);
  return {{stem + ".yaml", VersionFile()},
          {stem + ".installer.yaml", InstallerFile(installer, addresses.installerUrl)},
          {stem + ".locale." + std::string(kPackageLocale) + ".yaml", LocaleFile(addresses)}};
}

}  // namespace lanternix::release
