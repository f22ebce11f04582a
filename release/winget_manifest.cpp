#include "release/winget_manifest.h"

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

// The switches a package manager adds for a silent run and for a folder of the user's choice.
std::string InstallerSwitches() {
  return "InstallModes:\n  - interactive\n  - silent\n" + std::string("InstallerSwitches:\n") +
         Text(2, "Silent", WideToUtf8(kSilentSwitch)) +
         Text(2, "SilentWithProgress", WideToUtf8(kSilentSwitch)) +
         Text(2, "InstallLocation", WideToUtf8(kFolderOption) + std::string(kInstallPathToken));
}

// Only the running viewer has a response of its own; any other failure is in the install log.
std::string ExpectedReturnCodes() {
  return "ExpectedReturnCodes:\n" + Line(2, "- InstallerReturnCode", std::to_string(kExitViewerRunning)) +
         Line(4, "ReturnResponse", "packageInUseByApplication");
}

// The programs list entry the registration writes, under the uninstall key's name.
std::string AppsAndFeaturesEntries(std::string_view productCode) {
  return "AppsAndFeaturesEntries:\n" + Text(2, "- DisplayName", WideToUtf8(ProductDisplayName())) +
         Text(4, "Publisher", WideToUtf8(kPublisher)) + Text(4, "DisplayVersion", VersionText()) +
         Text(4, "ProductCode", productCode);
}

std::string Installers(const ReleaseInstaller& installer) {
  return "Installers:\n" + Line(2, "- Architecture", installer.architecture) +
         Text(4, "InstallerUrl", installer.url) + Line(4, "InstallerSha256", installer.sha256);
}

std::string InstallerFile(const ReleaseInstaller& installer) {
  const std::string productCode = WideToUtf8(kUninstallEntryName);
  return Header("installer") + Line(0, "InstallerType", "exe") + Line(0, "Scope", "machine") +
         InstallerSwitches() + ExpectedReturnCodes() +
         // An update runs the setup over the earlier version, in its folder.
         Line(0, "UpgradeBehavior", "install") + FileExtensions() + Text(0, "ProductCode", productCode) +
         AppsAndFeaturesEntries(productCode) +
         Line(0, "ElevationRequirement", installer.elevationRequirement) + Installers(installer) +
         Footer("installer");
}

std::string LocaleFile() {
  return Header("defaultLocale") + Text(0, "PackageLocale", kPackageLocale) +
         Text(0, "Publisher", WideToUtf8(kPublisher)) + Text(0, "PublisherUrl", WideToUtf8(kProductSite)) +
         Text(0, "PackageName", WideToUtf8(kProductName)) + Text(0, "License", kLicense) +
         Text(0, "LicenseUrl", WideToUtf8(kEulaAddress)) +
         Text(0, "ShortDescription", WideToUtf8(kApplicationDescription)) + Footer("defaultLocale");
}

std::uint32_t LittleEndian(std::string_view bytes, std::size_t offset, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[offset + i]);
  return value;
}

}  // namespace

std::string DefaultInstallerUrl() {
  return WideToUtf8(kProductSite) + "download/" + VersionText() + "/lanternix-setup.exe";
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
  // Both levels that ask for the administrator's token make the setup raise the prompt itself.
  if (match[1] == "highestAvailable" || match[1] == "requireAdministrator") return "elevatesSelf";
  // Started as it is, the setup could not write the machine's program folder and registry.
  if (match[1] == "asInvoker") return "elevationRequired";
  return std::nullopt;
}

std::vector<ManifestFile> WingetManifest(const ReleaseInstaller& installer) {
  const std::string stem(kPackageIdentifier);
  return {{stem + ".yaml", VersionFile()},
          {stem + ".installer.yaml", InstallerFile(installer)},
          {stem + ".locale." + std::string(kPackageLocale) + ".yaml", LocaleFile()}};
}

}  // namespace lanternix::release
