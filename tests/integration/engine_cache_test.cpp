// The engine cache seen from setup runs as processes: what a run that installs nothing does to
// the installed product's data, and the cache override before the first statement.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/setup_fixture.h"

namespace quillset::testing {
namespace {

constexpr const char* kRevision = "{9F8E7D6C-5B4A-4392-8170-6F5E4D3C2B1A}";  // ScriptOf's

struct Prefix {
  Prefix() { WriteFile(dir / "machine.profile", "administrator=FALSE\nuser=tester\n"); }
  std::string Data() const { return dir / (std::string("drive_c/users/tester/AppData/Local/") + kRevision); }
  TempDir dir;
};

EngineRun RunIn(const std::vector<Statement>& statements, const Prefix& prefix, std::vector<std::string> arguments) {
  TempDir root;
  SetupFolder setup(root, ScriptOf(statements));
  setup.AddResources({{"readme.txt", "r"}});
  setup.AddFile("setup.msi", "package");
  return RunSetup(setup, prefix.dir.path(), std::move(arguments));
}

TEST(EngineCacheRun, KeptVariablesRefreshAnExistingDataFileAndCreateNone) {
  Prefix prefix;
  const std::vector<Statement> script = {{"Set Variable", {"KEPT$KVOR$KVOR$TRUE", "new"}}};
  EngineRun first = RunIn(script, prefix, {"/s"});
  ASSERT_EQ(first.process.exit_code, 0) << first.process.err;
  EXPECT_FALSE(std::filesystem::exists(prefix.Data())) << "nothing installed: no cache folder";

  const std::string components = "App\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nApp\r\n7\r\n$\r\nC:\\App\\\r\nFALSE\r\nApp\r\n\r\n";
  const std::string old_data = components + "KEPT\r\nold\r\nKVOR64WOW\r\nx64\r\nOVERRIDECACHE\r\n\r\n";
  std::filesystem::create_directories(prefix.Data());
  WriteFile(prefix.Data() + "/setup.dat", old_data);
  // A run ended by a run-time error saves nothing.
  std::vector<Statement> failing = script;
  failing.push_back({"Set Variable", {"P", "x"}});
  failing.push_back({"Extract Path", {"P", "abc"}});
  EXPECT_EQ(RunIn(failing, prefix, {"/s"}).process.exit_code, 11);
  EXPECT_EQ(ReadFile(prefix.Data() + "/setup.dat"), old_data);

  EngineRun second = RunIn(script, prefix, {"/s"});
  ASSERT_EQ(second.process.exit_code, 0) << second.process.err;
  EXPECT_EQ(ReadFile(prefix.Data() + "/setup.dat"),
            components + "KEPT\r\nnew\r\nKVOR64WOW\r\nx64\r\nOVERRIDECACHE\r\n\r\n");
}

TEST(EngineCacheRun, CacheOverrideThatCannotBeMadeIsClearedBeforeTheFirstStatement) {
  Prefix prefix;
  WriteFile(prefix.dir / "drive_c/blocked", "a file where the folder would be");
  const std::vector<Statement> script = {{"If", {"OVERRIDECACHE", "0", "", "FALSE"}},
                                         {"Terminate with Exit Code", {"7"}},
                                         {"End", {}},
                                         {"Terminate with Exit Code", {"8"}}};
  EXPECT_EQ(RunIn(script, prefix, {"/s", "OVERRIDECACHE=C:\\blocked\\cache"}).process.exit_code, 7);
  EXPECT_EQ(RunIn(script, prefix, {"/s", "OVERRIDECACHE=C:\\cache"}).process.exit_code, 8);
}

}  // namespace
}  // namespace quillset::testing
