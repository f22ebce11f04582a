// The Windows Package Manager manifest of a release: how deployment tools install the setup
// silently, into which folder, which exit statuses mean what and how they recognise the installed
// product afterwards. Printed from the setup's own constants, so it says what the setup does.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace lanternix::release {

inline constexpr std::string_view kPackageIdentifier = "QuillonVarsk.Lanternix";
inline constexpr std::string_view kManifestVersion = "1.12.0";
inline constexpr std::string_view kPackageLocale = "en-US";

// What the manifest says about the one file a release publishes.
struct ReleaseInstaller {
  std::string sha256;                // of the published file, its signature included
  std::string architecture;          // the package manager's name for the file's machine
  std::string elevationRequirement;  // the package manager's name for the requested level
};

// The addresses a release names: where the installer is downloaded from, the publisher's site and
// the licence agreement. The community repository downloads each of them when it checks a
// submission.
struct ReleaseAddresses {
  std::string installerUrl;
  std::string publisherUrl;
  std::string licenseUrl;
};

struct ManifestFile {
  std::string fileName;  // "<identifier>.yaml", "<identifier>.installer.yaml", ...
  std::string text;      // UTF-8 YAML
};

// The addresses under the product's own site, used where the publisher names no other.
ReleaseAddresses DefaultReleaseAddresses();

// Whether an address lies under a name reserved never to resolve (".example" and its kin): such a
// manifest can be tested but not submitted.
bool IsPlaceholderAddress(std::string_view url);

// The package manager's name for a PE file's machine ("x86" for the product), from the file's
// first bytes; nullopt for a file that is no PE image or of a machine it has no name for.
std::optional<std::string> InstallerArchitecture(std::string_view peBytes);

// What a package manager must do about elevation for the machine-scope setup, given the execution
// level its application manifest's XML requests; nullopt when the XML requests none it knows.
std::optional<std::string> ElevationRequirementFor(std::string_view applicationManifestXml);

// The multi-file manifest: the version file, the installer file and the default locale file.
std::vector<ManifestFile> WingetManifest(const ReleaseInstaller& installer,
                                         const ReleaseAddresses& addresses);

}  // namespace lanternix::release
