// Signing under Wine: a copy of the setup signed by scripts/sign with a throwaway self-signed
// certificate verifies against that certificate only, still installs, and is refused by the
// setup's own check once a byte of it is damaged.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "tests/wine/wine_harness.h"

namespace lanternix::e2e {
namespace {

constexpr const char* kSetup = "C:\\setup\\lanternix-setup.exe";
const std::string kProgramFolder = ProgramFilesFolder() + "\\Lanternix";

struct HostRun {
  int status = -1;
  std::string output;
};

// A host command through the shell, its output kept for failure messages.
HostRun RunHost(const std::string& command, const fs::path& folder) {
  const fs::path output = folder / "command-output.txt";
  const int raw = std::system(
      ("cd '" + folder.string() + "' && { " + command + "; } >'" + output.string() + "' 2>&1").c_str());
  return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadFileBytes(output)};
}

class SigningTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder = WorkFolder() / ("signing-" + std::to_string(getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    // Throwaway self-signed code-signing certificates, made for this run only.
    for (const std::string name : {"release", "stranger"}) {
      const HostRun made =
          RunHost("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj '/CN=Lanternix test " + name +
                      "' -addext extendedKeyUsage=codeSigning -addext keyUsage=digitalSignature -keyout " +
                      name + ".key -out " + name + ".pem && openssl pkcs12 -export -inkey " + name +
                      ".key -in " + name + ".pem -out " + name + ".p12 -passout pass:test-password",
                  folder);
      ASSERT_EQ(made.status, 0) << made.output;
    }
  }
  void TearDown() override { fs::remove_all(folder); }

  HostRun Sign(const std::string& file, const std::string& password) {
    return RunHost("LANTERNIX_SIGN_PKCS12=release.p12 LANTERNIX_SIGN_PASSWORD='" + password + "' '" +
                       (fs::path(LANTERNIX_SOURCE_DIR) / "scripts" / "sign").string() + "' " + file,
                   folder);
  }
  HostRun Verify(const std::string& file, const std::string& certificate) {
    return RunHost("osslsigncode verify -CAfile " + certificate + " -in " + file, folder);
  }

  struct RunOutcome {
    int exitCode = -1;
    std::string log;
    bool installed = false;
  };
  // A silent run of these setup bytes in a fresh prefix.
  RunOutcome RunSilently(const std::string& setup) {
    WinePrefix prefix("win10");
    fs::create_directories(prefix.HostPath("C:\\setup"));
    std::ofstream(prefix.HostPath(kSetup), std::ios::binary)
        .write(setup.data(), static_cast<std::streamsize>(setup.size()));
    const RunResult result = prefix.RunCommandLine(std::string("\"") + kSetup + "\" /silent", "C:\\setup");
    return {result.exitCode, ReadFileBytes(prefix.HostPath("C:\\setup\\Lanternix_Install.log")),
            fs::exists(prefix.HostPath(kProgramFolder + "\\l_tern32.exe"))};
  }

  fs::path folder;
};

TEST_F(SigningTest, SignedSetupVerifiesAndInstalls) {
  fs::copy_file(SetupExe(), folder / "setup.exe");
  const HostRun signedRun = Sign("setup.exe", "test-password");
  ASSERT_EQ(signedRun.status, 0) << signedRun.output;

  const HostRun verified = Verify("setup.exe", "release.pem");
  EXPECT_EQ(verified.status, 0) << verified.output;
  EXPECT_NE(verified.output.find("Signature verification: ok"), std::string::npos) << verified.output;
  EXPECT_NE(verified.output.find("Text description: Lanternix"), std::string::npos) << verified.output;
  EXPECT_NE(verified.output.find("URL description: https://lanternix.example/"), std::string::npos);
  EXPECT_NE(verified.output.find("SHA256"), std::string::npos) << verified.output;
  // Another certificate does not vouch for it.
  EXPECT_NE(Verify("setup.exe", "stranger.pem").status, 0);

  // The check leaves out what signing changes: the signed copy installs.
  const std::string signedSetup = ReadFileBytes(folder / "setup.exe");
  const RunOutcome installed = RunSilently(signedSetup);
  EXPECT_EQ(installed.exitCode, 0) << installed.log;
  EXPECT_TRUE(installed.installed);
  EXPECT_TRUE(installed.log.empty()) << installed.log;

  // One changed byte in the middle of the signed file is refused before anything happens.
  std::string damaged = signedSetup;
  damaged[damaged.size() / 2] = static_cast<char>(damaged[damaged.size() / 2] ^ 0x01);
  const RunOutcome refused = RunSilently(damaged);
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.log.find("This setup file is damaged. Please download it again."), std::string::npos);
  EXPECT_FALSE(refused.installed);
}

TEST_F(SigningTest, DamageInsideTheSignatureIsTheSignaturesToShow) {
  fs::copy_file(SetupExe(), folder / "setup.exe");
  ASSERT_EQ(Sign("setup.exe", "test-password").status, 0);
  // A byte near the end of the certificate table: the setup's check leaves the table out, so the
  // setup installs; the signature no longer verifies, which is what Windows shows the user.
  std::string damaged = ReadFileBytes(folder / "setup.exe");
  damaged[damaged.size() - 16] = static_cast<char>(damaged[damaged.size() - 16] ^ 0x01);
  std::ofstream(folder / "damaged.exe", std::ios::binary)
      .write(damaged.data(), static_cast<std::streamsize>(damaged.size()));
  EXPECT_NE(Verify("damaged.exe", "release.pem").status, 0);
  const RunOutcome installed = RunSilently(damaged);
  EXPECT_EQ(installed.exitCode, 0) << installed.log;
  EXPECT_TRUE(installed.installed);
}

TEST_F(SigningTest, AWrongPasswordLeavesTheFileUnsigned) {
  fs::copy_file(SetupExe(), folder / "setup.exe");
  EXPECT_NE(Sign("setup.exe", "not-the-password").status, 0);
  EXPECT_EQ(ReadFileBytes(folder / "setup.exe"), ReadFileBytes(SetupExe()));
  EXPECT_FALSE(fs::exists(folder / "setup.exe.signing"));
}

}  // namespace
}  // namespace lanternix::e2e
