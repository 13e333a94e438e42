// A process killed during an installation or a removal leaves the product registered or not,
// and the next installation or removal succeeds and leaves the machine as it says.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "tests/installer/installer_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;
constexpr char kKey[] = "Software\\Maker\\Demo";

// Runs one installation in a child process that is killed at its kill_at-th message (never
// when 0); answers the number of messages the installation sent when it was not killed.
int RunKilledAt(const std::string& prefix, const std::string& package, const std::string& command_line, int kill_at) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) return -1;
  pid_t child = fork();
  if (child == 0) {
    close(pipe_ends[0]);
    struct Killer {
      int at, seen = 0;
      static int Handle(void* context, UINT, LPCSTR) {
        auto* killer = static_cast<Killer*>(context);
        if (++killer->seen == killer->at) kill(getpid(), SIGKILL);
        return msi::kIdOk;
      }
    } killer{kill_at};
    auto platform = CreatePosixPlatform({prefix, {"/usr/bin/setup"}});
    auto* msi = platform->platform().installer.Bind();
    msi->MsiSetExternalUIA(Killer::Handle, 0x7FDF, &killer);
    UINT result = msi->MsiInstallProductA(package.c_str(), command_line.c_str());
    int seen = result == msi::kSuccess ? killer.seen : -1;
    if (write(pipe_ends[1], &seen, sizeof seen) != sizeof seen) _exit(2);
    _exit(0);
  }
  close(pipe_ends[1]);
  int seen = 0;
  if (read(pipe_ends[0], &seen, sizeof seen) != sizeof seen) seen = 0;
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  return seen;
}

// The machine agrees with the product's state: all of it there when installed, none of it
// when not (after a following installation has cleaned up).
void ExpectInstalled(InstallerFixture& f, bool installed) {
  EXPECT_EQ(fs::exists(f.HostOf(f.InstallDir() + "main.txt")), installed);
  EXPECT_EQ(fs::exists(f.HostOf(f.InstallDir() + "extra.txt")), installed);
  EXPECT_EQ(f.ReadRegistry(kKey, "Extra"), installed ? "#7" : "<no key>");
}

TEST(InstallCrash, AKilledInstallationLeavesTheMachineConsistent) {
  InstallerFixture f;
  std::string package = f.Package();
  int messages = RunKilledAt(f.prefix.path(), package, "ADDLOCAL=ALL", 0);
  ASSERT_GT(messages, 10);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);

  for (int at = 1; at <= messages; ++at) {
    SCOPED_TRACE("killed at message " + std::to_string(at));
    EXPECT_EQ(RunKilledAt(f.prefix.path(), package, "ADDLOCAL=ALL", at), 0);
    INSTALLSTATE state = f.msi->MsiQueryProductStateA(kProductCode);
    ASSERT_TRUE(state == msi::kStateDefault || state == msi::kStateUnknown) << state;
    if (state == msi::kStateDefault) ExpectInstalled(f, true);
    // Whatever was left is undone or completed: the removal (or an installation and then the
    // removal) succeeds and leaves nothing.
    if (state == msi::kStateUnknown) {
      ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
    }
    ExpectInstalled(f, true);
    ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
    ExpectInstalled(f, false);
  }
}

TEST(InstallCrash, AKilledRemovalLeavesTheMachineConsistent) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  int messages = RunKilledAt(f.prefix.path(), package, "REMOVE=ALL", 0);
  ASSERT_GT(messages, 10);

  for (int at = 1; at <= messages; ++at) {
    SCOPED_TRACE("killed at message " + std::to_string(at));
    ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
    EXPECT_EQ(RunKilledAt(f.prefix.path(), package, "REMOVE=ALL", at), 0);
    INSTALLSTATE state = f.msi->MsiQueryProductStateA(kProductCode);
    ASSERT_TRUE(state == msi::kStateDefault || state == msi::kStateUnknown) << state;
    if (state == msi::kStateDefault) {
      // The next installation undoes the half removal first; then the product is whole.
      ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REINSTALL=ALL REINSTALLMODE=omus"), msi::kSuccess);
      ExpectInstalled(f, true);
      ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
    }
    ExpectInstalled(f, false);
  }
}

}  // namespace
}  // namespace quillset::platform::posix::installer
