// Writes the package manager's manifest of a release into a folder:
//
//   release-manifest INSTALLER SHA256 OUTPUT_FOLDER [INSTALLER_URL [PUBLISHER_URL [LICENSE_URL]]]
//
// INSTALLER is the file as published (signed or not), SHA256 its hash as sha256sum prints it; an
// address left out or empty is the product site's own. Prints the files written, then a line
// "placeholder: FIELD ADDRESS" for each address that can never resolve (the manifest is then not
// ready to submit). Exit status 0 when the three files are written, 1 with a message otherwise.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <utility>

#include "release/winget_manifest.h"

namespace {

namespace fs = std::filesystem;
namespace release = lanternix::release;

constexpr std::size_t kSha256HexDigits = 64;

std::optional<std::string> ReadFile(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Published manifests carry the hash in upper case.
std::optional<std::string> Sha256Text(std::string text) {
  if (text.size() != kSha256HexDigits ||
      !std::all_of(text.begin(), text.end(), [](unsigned char c) { return std::isxdigit(c) != 0; }))
    return std::nullopt;
  std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::toupper(c); });
  return text;
}

int Fail(const std::string& message) {
  std::cerr << "release-manifest: " << message << "\n";
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 4 || argc > 7)
    return Fail(
        "usage: release-manifest INSTALLER SHA256 OUTPUT_FOLDER [INSTALLER_URL [PUBLISHER_URL "
        "[LICENSE_URL]]]");
  const fs::path installerPath = argv[1];
  const fs::path outputFolder = argv[3];

  const auto installerBytes = ReadFile(installerPath);
  if (!installerBytes) return Fail("cannot read " + installerPath.string());
  const auto architecture = release::InstallerArchitecture(*installerBytes);
  if (!architecture) return Fail(installerPath.string() + " is no Windows executable of a known machine");
  const auto sha256 = Sha256Text(argv[2]);
  if (!sha256) return Fail(std::string("not a SHA-256 hash: ") + argv[2]);
  release::ReleaseAddresses addresses = release::DefaultReleaseAddresses();
  const std::pair<const char*, std::string*> fields[] = {{"InstallerUrl", &addresses.installerUrl},
                                                         {"PublisherUrl", &addresses.publisherUrl},
                                                         {"LicenseUrl", &addresses.licenseUrl}};
  for (int i = 0; i < 3; ++i) {
    const auto& [name, address] = fields[i];
    if (argc > 4 + i && *argv[4 + i]) *address = argv[4 + i];
    if (!address->starts_with("https://"))
      return Fail(std::string(name) + " must be an https address: " + *address);
  }

  // The setup's own application manifest says which execution level it requests.
  const auto applicationManifest = ReadFile(LANTERNIX_APPLICATION_MANIFEST);
  if (!applicationManifest) return Fail(std::string("cannot read ") + LANTERNIX_APPLICATION_MANIFEST);
  const auto elevation = release::ElevationRequirementFor(*applicationManifest);
  if (!elevation) return Fail(std::string("no known execution level in ") + LANTERNIX_APPLICATION_MANIFEST);

  std::error_code error;
  fs::create_directories(outputFolder, error);
  for (const release::ManifestFile& file :
       release::WingetManifest({*sha256, *architecture, *elevation}, addresses)) {
    const fs::path path = outputFolder / file.fileName;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << file.text;
    if (!out.flush()) return Fail("cannot write " + path.string());
    std::cout << path.string() << "\n";
  }
  for (const auto& [name, address] : fields)
    if (release::IsPlaceholderAddress(*address))
      std::cout << "placeholder: " << name << " " << *address << "\n";
  return 0;
}
