// Start-up inside the test process, over the real posix platform watched through thin
// decorators: what the support folder held before shutdown removed it, and folder numbering.
#include <gtest/gtest.h>

#include <filesystem>

#include <algorithm>
#include <cstdlib>
#include <thread>

#include "engine/engine.h"
#include "engine/support_folder.h"
#include "platform/posix/posix_platform.h"
#include "tests/support/forwarding_file_system.h"
#include "tests/support/setup_fixture.h"

namespace quillset::engine {
namespace {

using testing::SetupFolder;
using testing::TempDir;

// The real system, except that the running program is a setup and its command line is given.
class SetupSystem : public platform::System {
 public:
  SetupSystem(platform::System& real, std::string executable, std::string command_line)
      : real_(real), executable_(std::move(executable)), command_line_(std::move(command_line)) {}
  std::string ExecutablePath() override { return executable_; }
  std::string CommandLine() override { return command_line_; }
  std::string TempFolder() override { return real_.TempFolder(); }
  std::string SpecialFolderPath(platform::SpecialFolder f) override { return real_.SpecialFolderPath(f); }
  std::string CurrentDirectory() override { return real_.CurrentDirectory(); }
  bool SetCurrentDirectory(const std::string& p) override { return real_.SetCurrentDirectory(p); }
  std::optional<std::string> GetEnvironmentVariable(const std::string& n) override { return real_.GetEnvironmentVariable(n); }
  std::vector<std::string> EnvironmentBlock() override { return real_.EnvironmentBlock(); }
  platform::OsVersion GetOsVersion() override { return real_.GetOsVersion(); }
  bool IsAdministrator() override { return real_.IsAdministrator(); }
  bool IsElevated() override { return real_.IsElevated(); }
  bool Is64BitSystem() override { return real_.Is64BitSystem(); }
  std::string UserName() override { return real_.UserName(); }
  std::string ComputerName() override { return real_.ComputerName(); }
  uint32_t UserDefaultUiLanguage() override { return real_.UserDefaultUiLanguage(); }
  void BindToFirstProcessor() override {}  // the test process keeps its processors
  uint64_t TickCountMs() override { return real_.TickCountMs(); }
  void SleepMs(uint32_t ms) override { real_.SleepMs(ms); }
  std::string AnsiToUtf16Le(const std::string& t) override { return real_.AnsiToUtf16Le(t); }
  std::string ShortDate() override { return real_.ShortDate(); }
  std::string LongTime() override { return real_.LongTime(); }

 private:
  platform::System& real_;
  std::string executable_, command_line_;
};

// The real file system, remembering every file deleted.
class WatchedFiles : public testing::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::vector<std::string> deleted;

  bool DeleteFile(const std::string& p) override {
    deleted.push_back(p);
    return real_.DeleteFile(p);
  }
};

// zep.lib maps the Windows paths it is given through the prefix of the process environment,
// as in a real engine process.
struct PrefixEnvironment {
  explicit PrefixEnvironment(const std::string& prefix) { setenv("QUILLSET_PREFIX", prefix.c_str(), 1); }
  ~PrefixEnvironment() { unsetenv("QUILLSET_PREFIX"); }
};

struct Harness {
  TempDir root, prefix;
  PrefixEnvironment environment{prefix.path()};
  std::unique_ptr<platform::posix::PosixPlatform> host =
      platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
  platform::Platform& real = host->platform();
  std::unique_ptr<SetupSystem> system;
  WatchedFiles files{real.files};
  std::unique_ptr<platform::Platform> platform;

  void Use(const SetupFolder& setup, const std::string& arguments) {
    std::string engine = host->paths().ToWindows(setup.engine());
    system = std::make_unique<SetupSystem>(real.system, engine, "\"" + engine + "\" " + arguments);
    platform.reset(new platform::Platform{files, *system, real.registry, real.dialogs, real.libraries, real.http, real.processes, real.installer});
  }
};

TEST(EngineStartup, SupportFolderHoldsTheResourcesAndThePackageUntilShutdown) {
  Harness h;
  SetupFolder setup(h.root, testing::ScriptOf({{"Comment", {"x"}, ""}}));
  setup.AddResources({{"readme.txt", "hello"}, {"Dialogs/Welcome.dfm", "object"}});
  setup.AddFile("setup.msi", "package");
  h.Use(setup, "/s");
  Engine engine(*h.platform);
  EXPECT_EQ(RunEngine(engine), 0);
  const std::string support = engine.startup.support_folder;
  EXPECT_EQ(support, h.real.system.TempFolder() + "zep1\\");
  auto deleted = [&](const std::string& name) {
    return std::count(h.files.deleted.begin(), h.files.deleted.end(), support + name) > 0;
  };
  EXPECT_TRUE(deleted("readme.txt"));
  EXPECT_TRUE(deleted("Dialogs\\Welcome.dfm"));
  EXPECT_TRUE(deleted("setup.msi"));
  EXPECT_FALSE(h.real.files.DirectoryExists(support));
  EXPECT_EQ(engine.startup.installer_package, support + "setup.msi");
}

TEST(SupportFolder, EnginesStartedTogetherGetTheirOwnFolders) {
  TempDir prefix;
  auto host = platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
  auto& files = host->platform().files;
  std::string temp = host->platform().system.TempFolder();
  EXPECT_EQ(CreateSupportFolder(files, temp), temp + "zep1\\");
  files.CreateDirectories(temp + "zep2");  // left behind by an earlier run
  EXPECT_EQ(CreateSupportFolder(files, temp), temp + "zep3\\");

  std::vector<std::string> made(8);
  std::vector<std::thread> racers;
  for (auto& folder : made) racers.emplace_back([&] { folder = CreateSupportFolder(files, temp); });
  for (auto& racer : racers) racer.join();
  std::sort(made.begin(), made.end());
  EXPECT_EQ(std::unique(made.begin(), made.end()), made.end());
  for (const auto& folder : made) {
    EXPECT_TRUE(files.DirectoryExists(folder));
    RemoveSupportFolder(files, folder);
    EXPECT_FALSE(files.DirectoryExists(folder));
  }
}

// Removal takes links away as links: what they point at outside the folder stays.
TEST(SupportFolder, RemovalDoesNotFollowLinks) {
  TempDir prefix, outside;
  auto host = platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
  auto& files = host->platform().files;
  std::string folder = CreateSupportFolder(files, host->platform().system.TempFolder());
  std::string host_folder = *host->paths().ToHost(folder);
  testing::WriteFile(outside / "keep/precious.txt", "mine");
  std::filesystem::create_directory_symlink(outside / "keep", host_folder + "/linked");
  std::filesystem::create_symlink(outside / "keep/precious.txt", host_folder + "/file-link");
  std::filesystem::create_symlink(outside / "nowhere", host_folder + "/dangling");
  RemoveSupportFolder(files, folder);
  EXPECT_FALSE(files.DirectoryExists(folder));
  EXPECT_EQ(testing::ReadFile(outside / "keep/precious.txt"), "mine");
}

}  // namespace
}  // namespace quillset::engine
