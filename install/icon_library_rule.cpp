#include "install/icon_library_rule.h"

#include "install/payload_extractor.h"
#include "model/system_probes.h"

namespace lanternix {

int VersionThousandths(SystemInfo& system, std::wstring_view versionText) {
  const std::string ansi = system.WideToAnsi(versionText);
  const float value = static_cast<float>(LeadingDecimalNumber(ansi));
  return static_cast<int>(value * 1000.0f);
}

int DecideKeepExistingIconLibrary(Platform& platform, const std::wstring& iconLibraryPath) {
  std::wstring version, company;
  if (!QueryFileVersion(platform.versions, iconLibraryPath, version, &company)) return 0;
  const int reference = VersionThousandths(platform.system, kIconLibraryVersion);
  const int installed = VersionThousandths(platform.system, version);
  if (installed > reference) return 1;
  // The setup's own library, met again by a re-installation, has the size of the one it carries:
  // signing makes that larger than an unsigned build's.
  const std::int64_t shipped = PayloadEntrySize(platform, kIconLibraryEntry).value_or(kIconLibrarySize);
  if (installed == reference && QueryFileSize(platform.files, iconLibraryPath) != shipped) return 1;
  return EqualIgnoringCase(company, kPublisher) ? 0 : 1;
}

}  // namespace lanternix
