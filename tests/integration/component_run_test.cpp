// Components and installer-side statements in a setup run as a process.
#include <gtest/gtest.h>

#include "tests/support/setup_fixture.h"

namespace quillset::testing {
namespace {

EngineRun RunScript(const std::string& script, const std::string& prefix) {
  TempDir root;
  SetupFolder setup(root, script);
  setup.AddResources({{"readme.txt", "r"}});
  setup.AddFile("setup.msi", "package");
  return RunSetup(setup, prefix, {"/s"});
}

TEST(ComponentRun, TheRunDefinesThePredefinedComponentAndSavesTheScriptsChoices) {
  TempDir prefix;
  EngineRun run = RunScript(ScriptOf({{"Define Component", {"Main", "TRUE", "Main files"}},
                                      {"Define Component", {"Main\\Help", "FALSE", ""}},
                                      {"Install Files", {"", "", "C:\\App\\"}, "0000000A"},
                                      {"Save Feature Selections", {"C:\\choice.sel"}}}),
                            prefix.path());
  ASSERT_EQ(run.process.exit_code, 0) << run.trace;
  std::string saved = ReadFile(prefix / "drive_c/choice.sel");
  EXPECT_EQ(saved.substr(0, saved.find("TRUE\r\nFALSE\r\n$\r\n") + 16),
            "KVOR-PREDEF-COMPONENT\r\nMain\r\nMain\\Help\r\n$\r\nTRUE\r\nTRUE\r\nFALSE\r\n$\r\n");
}

TEST(ComponentRun, AnInstallerSideStatementWithoutHeaderEndsTheRun) {
  TempDir prefix;
  EngineRun run = RunScript(ScriptOf({{"Install Files", {"", "", "C:\\App\\"}}, {"Terminate with Exit Code", {"7"}}}),
                            prefix.path());
  EXPECT_EQ(run.process.exit_code, 11);
}

}  // namespace
}  // namespace quillset::testing
