// Scripts run by the engine as a process: control flow, exit codes, run-time errors,
// command-line variables and plug-in statements.
#include <gtest/gtest.h>

#include "tests/support/setup_fixture.h"

namespace quillset::testing {
namespace {

Statement If(const std::string& variable, const std::string& value, const std::string& mode = "0") {
  return {"If", {variable, mode, value, "FALSE"}};
}
Statement ElseIf(const std::string& variable, const std::string& value) {
  return {"Else If", {variable, "0", value, "FALSE"}};
}
Statement Set(const std::string& name, const std::string& value) { return {"Set Variable", {name, value}}; }
Statement Else() { return {"Else", {}}; }
Statement End() { return {"End", {}}; }
Statement ExitWith(const std::string& code) { return {"Terminate with Exit Code", {code}}; }

EngineRun RunScript(const std::string& script, std::vector<std::string> arguments = {"/s"},
              const std::vector<std::pair<std::string, std::string>>& resources = {{"readme.txt", "r"}}) {
  TempDir root, prefix;
  SetupFolder setup(root, script);
  setup.AddResources(resources);
  setup.AddFile("setup.msi", "package");
  return RunSetup(setup, prefix.path(), std::move(arguments));
}

TEST(ScriptRun, ExactlyOneBranchRunsAndTheExitCodeIsTheScripts) {
  struct Case {
    const char* name;
    std::vector<Statement> statements;
    int exit_code;
  } cases[] = {
      {"nested blocks: only Y runs, C untested",
       {Set("A", "1"), Set("B", "0"), Set("C", "1"), Set("R", "0"),
        If("A", "1"), If("B", "1"), Set("R", "10"), Else(), Set("R", "20"), End(),
        ElseIf("C", "1"), Set("R", "30"), End(), ExitWith("$R$")},
       20},
      {"false If, false Else If, true Else If",
       {Set("A", "3"), Set("R", "0"), If("A", "1"), Set("R", "1"), ElseIf("A", "2"), Set("R", "2"), ElseIf("A", "3"),
        Set("R", "3"), Else(), Set("R", "4"), End(), ExitWith("$R$")},
       3},
      {"a disabled Else is no separator",
       {Set("A", "0"), Set("R", "5"), If("A", "1"), Set("R", "1"), [] { Statement e = Else(); e.disabled = true; return e; }(),
        Set("R", "2"), End(), ExitWith("$R$")},
       5},
      {"GoTo loop counts to seven",
       {Set("N", "0"), {"Label", {"Again"}}, {"Mathematics", {"$N$", "1", "0", "N"}}, If("N", "7"), ExitWith("$N$"), End(),
        {"GoTo Label", {"again"}}},
       7},
      {"Evaluate Expression creates its result variable",
       {Set("X", "b"), {"Evaluate Expression", {"$X$ = \"b\" and (\"1\" < \"2\")", "result"}}, If("RESULT", "TRUE"),
        ExitWith("42"), End(), ExitWith("1")},
       42},
      {"Terminate Install stops with 0", {{"Terminate Install", {}}, ExitWith("9")}, 0},
      {"a text that is no integer exits with 0", {ExitWith("abc")}, 0},
      {"exit status keeps the low byte of 3010", {ExitWith("3010")}, 3010 & 0xFF},
  };
  for (const auto& c : cases) {
    EngineRun run = RunScript(ScriptOf(c.statements));
    EXPECT_EQ(run.process.exit_code, c.exit_code) << c.name << "\n" << run.process.err;
    EXPECT_EQ(run.trace_lines.back(), "</Quillset>") << c.name;
  }
}

TEST(ScriptRun, RuntimeErrorEndsTheRunWithCode11) {
  std::string script = ScriptOf({Set("P", "x"), {"Extract Path", {"P", "abc"}}, ExitWith("5")});
  EngineRun interactive = RunScript(script, {});
  EXPECT_EQ(interactive.process.exit_code, 11);
  EXPECT_NE(interactive.process.err.find("Runtime error in setup script:"), std::string::npos) << interactive.process.err;
  EXPECT_NE(interactive.process.err.find("Line 2: 'abc' is not a valid integer value"), std::string::npos);
  EngineRun silent = RunScript(script);
  EXPECT_EQ(silent.process.exit_code, 11);
  EXPECT_EQ(silent.process.err, "");
  EXPECT_EQ(silent.trace_lines.back(), "</Quillset>");
}

TEST(ScriptRun, CommandLineValuesWinOnlyInSilentRuns) {
  std::string script = ScriptOf({Set("REMOVE", "FALSE"), If("REMOVE", "TRUE"), ExitWith("1"), End(), ExitWith("2")});
  EXPECT_EQ(RunScript(script, {"/s", "remove=TRUE"}).process.exit_code, 1);
  EXPECT_EQ(RunScript(script, {"remove=TRUE"}).process.exit_code, 2);
  std::string spaced = ScriptOf({If("TARGETDIR", "C:\\Program Files\\My App"), ExitWith("3"), End()});
  EXPECT_EQ(RunScript(spaced, {"/s", "TARGETDIR=C:\\Program Files\\My App"}).process.exit_code, 3);
}

TEST(ScriptRun, PluginStatementsReplaceTheVariables) {
  std::vector<std::pair<std::string, std::string>> resources = {{"sample_plugin.dll", ReadFile(BinPath("sample_plugin.dll"))}};
  auto plugin = [](const std::string& parameter) { return Statement{"Sample", {parameter, "Plugins\\sample_plugin.dll"}}; };
  struct Case {
    const char* name;
    std::vector<Statement> statements;
    int exit_code;
  } cases[] = {
      {"the plug-in's variables come back",
       {Set("KEEP", "k"), Set("PLUGIN_PARAMETER", ""), Set("PLUGIN_GO_ON", ""), plugin("hello"), If("PLUGIN_PARAMETER", "hello"), If("KEEP", "k"), If("PLUGIN_GO_ON", "1"),
        ExitWith("7"), End(), End(), End(), ExitWith("1")},
       7},
      {"a variable the plug-in leaves out is gone",
       {Set("GONE", "x"), plugin("drop:GONE"), {"Mathematics", {"0", "0", "0", "R"}}, If("GONE", "x"), ExitWith("1"),
        End(), ExitWith("8")},
       8},
      {"a failed call keeps the store", {Set("KEEP", "k"), plugin("fail"), If("KEEP", "k"), ExitWith("9"), End()}, 9},
      {"an empty result is a general setup failure", {plugin("empty"), ExitWith("1")}, 11},
  };
  for (const auto& c : cases) {
    EngineRun run = RunScript(ScriptOf(c.statements, "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}", {"Sample"}), {"/s"}, resources);
    EXPECT_EQ(run.process.exit_code, c.exit_code) << c.name << "\n" << run.process.err;
  }
  EngineRun missing = RunScript(ScriptOf({plugin("x"), ExitWith("4")}, "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}", {"Sample"}), {"/s"});
  EXPECT_EQ(missing.process.exit_code, 4);  // the statement is skipped after its message
  EXPECT_NE(missing.process.err.find("Unable to load plug-in library."), std::string::npos);
}

}  // namespace
}  // namespace quillset::testing
