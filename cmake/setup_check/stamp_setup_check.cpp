// Fills in the check record of a freshly linked setup, in place:
//   stamp-setup-check <lanternix-setup.exe>
// The file must be unsigned (signing comes after) and carry the record's placeholder resource.
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <filesystem>
#include <vector>

#include "install/payload_integrity.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: stamp-setup-check <setup.exe>\n");
    return 2;
  }
  std::error_code error;
  const auto size = std::filesystem::file_size(argv[1], error);
  std::vector<std::uint8_t> image(error ? 0 : size);
  std::ifstream in(argv[1], std::ios::binary);
  in.read(reinterpret_cast<char*>(image.data()), static_cast<std::streamsize>(image.size()));
  if (!in || image.empty()) {
    std::fprintf(stderr, "stamp-setup-check: cannot read %s\n", argv[1]);
    return 1;
  }
  in.close();
  // Checked again as the setup will check it, so a build never ships a setup that refuses itself.
  if (!lanternix::StampSetupImage(image) || !lanternix::IsSetupImageIntact(image)) {
    std::fprintf(stderr, "stamp-setup-check: %s has no check record to fill in, or is signed already\n",
                 argv[1]);
    return 1;
  }
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "stamp-setup-check: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
