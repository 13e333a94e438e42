// The script's own control flow selects the installer's actions: component states steer which
// installer-side statements the loop reaches, and only those are recorded.
#include <gtest/gtest.h>

#include "commands/component_commands.h"
#include "commands/installer_side_commands.h"
#include "commands/string_commands.h"
#include "interp/statement_loop.h"
#include "script/compiler.h"
#include "tests/interp/engine_parts.h"
#include "tests/support/setup_fixture.h"

namespace quillset::interp {
namespace {

using testing::Statement;

struct Recorded {
  std::vector<std::string> deferral;
  commands::PropertyList pending;
  std::vector<std::string> parameter_file;
};

Recorded RunRecording(const std::vector<Statement>& statements) {
  EngineParts parts(testing::ScriptOf(statements));
  script::CompileTables compiled;
  script::CompileResult result = script::Compile(parts.script, parts.variables, compiled);
  EXPECT_EQ(result.result, script::kCompiledSuccessfully) << result.message;
  parts.variables.manager().Clear();
  parts.deferral = compiled.deferral;
  commands::CommandTable table;
  commands::RegisterStringCommands(table);
  commands::RegisterComponentCommands(table);
  commands::RegisterInstallerSideCommands(table);
  LoopResult run = StatementLoop(parts.services, table, {}).Run();
  EXPECT_FALSE(run.runtime_error) << run.error_text;
  return {parts.deferral, parts.pending, parts.parameter_file};
}

TEST(InstallerSelection, OnlyTheStatementsTheFlowReachesAreRecorded) {
  Recorded r = RunRecording({
      {"Define Component", {"Main", "TRUE", ""}},                                  // 0
      {"Define Component", {"Help", "FALSE", ""}},                                 // 1
      {"Get Component State", {"Help", "HELP"}},                                   // 2
      {"If", {"HELP", "0", "TRUE", "FALSE"}},                                      // 3
      {"Install Files", {"", "", "C:\\Help\\"}, "0000000A"},                       // 4
      {"Else", {}},                                                                // 5
      {"Create Folder", {"C:\\NoHelp"}, "0000000B"},                               // 6
      {"End", {}},                                                                 // 7
      {"Set Variable", {"N", "0"}},                                                // 8
      {"Label", {"again"}},                                                        // 9
      {"Mathematics", {"$N$", "1", "0", "N"}},                                     // 10
      {"Set Environment", {"COUNT", "$N$"}, "0000000C"},                           // 11
      {"If", {"N", "0", "2", "TRUE"}},                                             // 12
      {"GoTo Label", {"again"}},                                                   // 13
      {"End", {}},                                                                 // 14
  });
  EXPECT_EQ(r.deferral[4], "FALSE");
  EXPECT_EQ(r.deferral[6], "TRUE");
  EXPECT_EQ(r.deferral[11], "TRUE");
  EXPECT_EQ(r.deferral[8], "SKIP");
  // The statement in the loop ran twice: two sets, the second run's values last.
  commands::PropertyList expected = {{"A0000000B", "TRUE"}, {"P0000000B_1", "C:\\NoHelp"},
                                     {"A0000000C", "TRUE"}, {"P0000000C_1", "1"},
                                     {"A0000000C", "TRUE"}, {"P0000000C_1", "2"}};
  EXPECT_EQ(r.pending, expected);
  EXPECT_EQ(r.parameter_file.size(), 12u);
}

}  // namespace
}  // namespace quillset::interp
