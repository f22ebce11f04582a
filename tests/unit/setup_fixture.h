// A fake machine that carries the setup's real payload and string table, as the built setup
// does, for tests of whole installations.
#pragma once

#include "platform/fake/fake_platform.h"
#include "res/host/embedded_resources.h"
#include "res/resource_ids.h"

namespace lanternix::testing {

class SetupMachine : public fake::FakePlatform {
public:
  SetupMachine() {
    for (unsigned id = 1; id <= IDS_INVALID_INI_FOLDER; ++id)
      if (auto text = EmbeddedString(id); !text.empty()) resources.strings[id] = text;
    resources.views[{L"ZIP", 1974}] = EmbeddedResource(L"ZIP", 1974);
    resources.views[{L"ZIPCRC", 1974}] = EmbeddedResource(L"ZIPCRC", 1974);
    files.CreateFolder(L"C:\\Start");
    files.SetCurrentFolder(L"C:\\Start");
  }

  std::string Text(std::wstring_view path) {
    const auto bytes = files.ReadAll(path);
    return bytes ? std::string(bytes->begin(), bytes->end()) : "<missing>";
  }
  // The log's entries with their date and time lines left out.
  std::vector<std::string> LogMessages(std::wstring_view folder) {
    std::vector<std::string> entries;
    const std::string log = Text(std::wstring(folder) + L"\\Lanternix_Install.log");
    if (log == "<missing>") return entries;
    std::size_t at = 0;
    while ((at = log.find(" - ", at)) != std::string::npos) {
      const auto colon = log.find(": ", at);
      const auto separator = log.find("\r\n------------------------------------------------", colon);
      entries.push_back(log.substr(colon + 2, separator - colon - 2));
      at = separator;
    }
    return entries;
  }
};

}  // namespace lanternix::testing
