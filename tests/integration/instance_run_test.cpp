// "Transform Instance" in a running engine: PRODUCTCODE is defined at start-up and changes
// only for a new instance.
#include <gtest/gtest.h>

#include "tests/support/setup_fixture.h"

namespace quillset::testing {
namespace {

constexpr const char* kScriptCode = "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}";

Statement If(const std::string& variable, const std::string& value) { return {"If", {variable, "0", value, "FALSE"}}; }
Statement End() { return {"End", {}}; }
Statement ExitWith(const std::string& code) { return {"Terminate with Exit Code", {code}}; }

int RunTransform(std::vector<std::string> arguments) {
  // 41: the script's code was not defined; 2: it did not change; 42: it changed.
  std::string script = ScriptOf({If("PRODUCTCODE", kScriptCode), {"Set Variable", {"BEFORE", "1"}}, End(),
                                 {"Transform Instance", {}},
                                 If("BEFORE", ""), ExitWith("41"), End(),
                                 If("PRODUCTCODE", kScriptCode), ExitWith("2"), End(), ExitWith("42")});
  TempDir root, prefix;
  SetupFolder setup(root, script);
  setup.AddResources({{"readme.txt", "r"}});
  setup.AddFile("setup.msi", "package");
  EngineRun run = RunSetup(setup, prefix.path(), std::move(arguments));
  EXPECT_EQ(run.trace_lines.back(), "</Quillset>") << run.process.err;
  return run.process.exit_code;
}

TEST(TransformInstanceRun, TakesANewProductCodeOnlyForANewInstance) {
  EXPECT_EQ(RunTransform({"/s", "NEWINSTANCE=TRUE"}), 42);
  EXPECT_EQ(RunTransform({"/s"}), 2);
}

}  // namespace
}  // namespace quillset::testing
