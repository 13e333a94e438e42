#include "script/compiler.h"

#include <gtest/gtest.h>

#include "tests/support/setup_fixture.h"

namespace quillset::script {
namespace {

using testing::Statement;

struct Compiled {
  CompileResult result;
  CompileTables tables;
  vars::VariableStore store;
};

std::unique_ptr<Compiled> CompileStatements(const std::vector<Statement>& statements) {
  LoadResult loaded = LoadScript(testing::ScriptOf(statements));
  EXPECT_TRUE(loaded.ok) << loaded.error;
  auto compiled = std::make_unique<Compiled>();
  compiled->result = Compile(loaded.script, compiled->store, compiled->tables);
  return compiled;
}

Statement If(const std::string& variable, const std::string& value = "x") { return {"If", {variable, "0", value, "FALSE"}}; }
Statement End() { return {"End", {}}; }
Statement Set(const std::string& name, const std::string& value = "v") { return {"Set Variable", {name, value}}; }
Statement Disabled(Statement s) {
  s.disabled = true;
  return s;
}

TEST(Compile, OutcomesOfTheChecks) {
  struct Case {
    const char* name;
    std::vector<Statement> statements;
    int32_t result;
    std::string message;
  } cases[] = {
      {"empty script", {}, -1, "Script compiled successfully"},
      {"balanced blocks", {If("TITLE"), {"Else", {}}, End(), {"Wizard Loop", {}}, End()}, -1, "Script compiled successfully"},
      {"disabled blocks do not count", {If("TITLE"), Disabled(If("TITLE")), End(), Disabled(End())}, -1, "Script compiled successfully"},
      {"two If, one End", {If("TITLE"), If("TITLE"), End()}, kBlockImbalance, "Insufficient END statements"},
      {"too many ends", {If("TITLE"), End(), End()}, kBlockImbalance, "Too many END statements"},
      {"label in a block", {If("TITLE"), {"Label", {"L"}}, End()}, 1, "LABEL statements cannot be nested inside loops/conditionals"},
      {"label redefined in another case", {{"Label", {"Start"}}, {"Label", {"START"}}}, 1, "LABEL re-defined: START"},
      {"disabled labels count", {Disabled({"Label", {"a"}}), {"Label", {"A"}}}, 1, "LABEL re-defined: A"},
      {"goto a later label", {{"GoTo Label", {"end"}}, {"Label", {"END"}}}, -1, "Script compiled successfully"},
      {"goto a missing label", {{"GoTo Label", {"Nowhere"}}}, 0, "LABEL undefined: Nowhere"},
      {"convert path of a later variable", {{"Convert Path", {"LATER", "0"}}, Set("LATER")}, 0, "Variable not defined: LATER"},
      {"persisted variable is known from the start",
       {{"Convert Path", {"Later", "0"}}, Set("LATER$KVOR$KVOR$TRUE")}, -1, "Script compiled successfully"},
      {"persistence marker FALSE declares nothing early",
       {{"Convert Path", {"LATER", "0"}}, Set("LATER$KVOR$KVOR$FALSE")}, 0, "Variable not defined: LATER"},
      {"declared after its statement", {Set("mine"), {"Replace String", {"MINE", "a", "b", "0", "0"}}}, -1, "Script compiled successfully"},
      {"delete files without a mode", {{"Delete Files", {"a", "b", "FALSE", "FALSE"}}}, 0, "At least one delete mode must be selected"},
      {"delete files with -1", {{"Delete Files", {"a", "b", "FALSE", "-1"}}}, -1, "Script compiled successfully"},
      {"install files without a target", {{"Install Files", {"a", "b", ""}}}, 0,
       "A target folder must be specified for files that are being installed.\rThe value $TARGETDIR$ represents the destination folder chosen by the user."},
      {"web media name after a backslash", {{"Web Media Block", {"folder\\block", "http://x/", ""}}}, -1, "Script compiled successfully"},
      {"web media name with a slash", {{"Web Media Block", {"fold/er", "http://x/", ""}}}, 0, "Web Media Block name must be a legal file name"},
      {"web media: the later message wins", {{"Web Media Block", {"a|b", "", ""}}}, 0, "Web Media Block must have at least one download URL"},
      {"if without a variable", {If(""), End()}, 0, "Variable required"},
      {"if on an undeclared name", {If("NOPE"), End()}, 0, "Variable not defined: NOPE"},
      {"if on a reference", {If("$TITLE$"), End()}, -1, "Script compiled successfully"},
      {"if value referring to nothing", {If("NOPE", "$GHOST$"), End()}, 0, "Variable not defined: $GHOST$"},
      {"if value plain text is fine", {If("TITLE", "GHOST"), End()}, -1, "Script compiled successfully"},
      {"run-time spelling is not declared", {If("KVOR_DISABLE_ROLLBACK"), End()}, 0, "Variable not defined: KVOR_DISABLE_ROLLBACK"},
      {"evaluate expression syntax", {{"Evaluate Expression", {"\"a\" = ", "R"}}}, 0,
       "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the correct syntax."},
      {"evaluate expression declares its result", {{"Evaluate Expression", {"$A$ = \"1\"", "r"}}, If("R"), End()}, -1, "Script compiled successfully"},
      {"dialog without a name", {{"Display Dialog", {"", "R", "", "", "", ""}}}, 0, "Dialog name not specified"},
      {"dialog bound to nothing", {{"Display Dialog", {"Welcome", "R", "", "NOPE", "", ""}}}, 0, "Variable not defined: NOPE"},
      {"set variable inside a wizard loop", {{"Wizard Loop", {}}, Set("A"), End()}, 1,
       "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP"},
      {"disabled statement inside a wizard loop", {{"Wizard Loop", {}}, Disabled(Set("A")), {"Display Dialog", {"W", "R", "", "", "", ""}}, End()},
       -1, "Script compiled successfully"},
      {"is msi setup installed needs a variable", {{"Is MSI Setup Installed", {"{X}", ""}}}, 0, "Variable required"},
      {"find all files needs a variable", {{"Find All Files", {"C:\\", "*.*", "FALSE", ""}}}, 0, "Variable required"},
  };
  for (const auto& c : cases) {
    auto compiled = CompileStatements(c.statements);
    EXPECT_EQ(compiled->result.result, c.result) << c.name;
    EXPECT_EQ(compiled->result.message, c.message) << c.name;
  }
}

TEST(Compile, TablesAndDeclarations) {
  auto compiled = CompileStatements({{"Label", {"Start"}},
                                     {"Install Files", {"a", "b", "$TARGETDIR$"}},
                                     Disabled({"Write Registry", {"k"}}),
                                     {"Write Registry", {"k"}},
                                     {"Read Registry", {"result", "k", "v"}},
                                     {"Parse String", {"S", "x", "first", "second"}}});
  EXPECT_EQ(compiled->result.result, -1);
  EXPECT_EQ(compiled->tables.labels, std::vector<std::string>{"START"});
  EXPECT_EQ(compiled->tables.deferral, (std::vector<std::string>{"SKIP", "FALSE", "SKIP", "FALSE", "SKIP", "SKIP"}));
  for (const char* name : {"RESULT", "FIRST", "SECOND", "TARGETDIR", "PROGRESSMODE", "LANGUAGE"})
    EXPECT_TRUE(compiled->store.Exists(name)) << name;
  EXPECT_FALSE(compiled->store.Exists("GPOPATH"));
}

}  // namespace
}  // namespace quillset::script
