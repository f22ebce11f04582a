// Times the setup's extraction on the host against the fake platform, whose files are real.
//   extract-bench payload <archive.zip> <dest>   the whole path: mapped "resource" -> temporary file -> files
//   extract-bench archive <archive.zip> <dest>   the entry loop alone, from the archive file
//   extract-bench check <setup.exe> <runs>       the start-up check of a stamped setup file alone:
//                                                mapped and checked as the setup does; prints the
//                                                median seconds of <runs> checks
// <dest> is a host folder; it is mapped as drive D: of the fake platform.
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "install/payload_extractor.h"
#include "install/payload_integrity.h"
#include "platform/fake/fake_platform.h"

namespace {

class MappedFile {
public:
  explicit MappedFile(const char* path) : fd_(open(path, O_RDONLY)) {
    struct stat info {};
    if (fd_ < 0 || fstat(fd_, &info) != 0) return;
    size_ = static_cast<std::size_t>(info.st_size);
    data_ = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd_, 0);
    if (data_ == MAP_FAILED) data_ = nullptr;
  }
  ~MappedFile() {
    if (data_) munmap(data_, size_);
    if (fd_ >= 0) close(fd_);
  }
  MappedFile(const MappedFile&) = delete;
  MappedFile& operator=(const MappedFile&) = delete;
  std::span<const std::uint8_t> Bytes() const {
    return data_ ? std::span<const std::uint8_t>(static_cast<const std::uint8_t*>(data_), size_)
                 : std::span<const std::uint8_t>();
  }

private:
  int fd_;
  void* data_ = nullptr;
  std::size_t size_ = 0;
};

// The check as the setup runs it: its own file mapped, then checked in place.
int TimeCheck(const char* setupPath, int runs) {
  std::vector<double> seconds;
  for (int run = 0; run < runs; ++run) {
    const auto start = std::chrono::steady_clock::now();
    const MappedFile setup(setupPath);
    const bool intact = lanternix::IsSetupImageIntact(setup.Bytes());
    seconds.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    if (!intact) return 1;
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%.6f\n", seconds[seconds.size() / 2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr,
                 "usage: extract-bench payload|archive <archive.zip> <dest> | check <setup.exe> <runs>\n");
    return 2;
  }
  const std::string mode = argv[1];
  if (mode == "check") return TimeCheck(argv[2], std::max(1, std::atoi(argv[3])));
  lanternix::fake::FakePlatform platform;
  // The destination drive is the host folder itself, so every tool writes to the same disk.
  const auto driveD = platform.files.HostPath(L"C:\\")->parent_path() / "D";
  std::filesystem::create_directories(argv[3]);
  std::filesystem::create_symlink(std::filesystem::absolute(argv[3]), driveD);

  int result = -1;
  if (mode == "payload") {
    const MappedFile archive(argv[2]);
    platform.resources.views[{L"ZIP", lanternix::kPayloadResourceId}] = archive.Bytes();
    result = lanternix::ExtractPayload(platform.Get(), L"D:\\", 0);
  } else {
    platform.files.AddDrive(L'E');
    const auto hostArchive = *platform.files.HostPath(L"E:\\payload.zip");
    std::filesystem::create_symlink(std::filesystem::absolute(argv[2]), hostArchive);
    result = lanternix::ExtractArchive(platform.Get(), L"E:\\payload.zip", L"D:\\", 0);
  }
  std::filesystem::remove(driveD);
  return result == 0 ? 0 : 1;
}
