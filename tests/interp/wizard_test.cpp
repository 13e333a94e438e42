// Wizard navigation through the loop's interface, with a dialog double standing in for the
// designed dialogs: it records each dialog shown and answers the next outcome of a list.
#include <gtest/gtest.h>

#include "commands/string_commands.h"
#include "interp/statement_loop.h"
#include "tests/interp/engine_parts.h"
#include "tests/support/setup_fixture.h"

namespace quillset::interp {
namespace {

using testing::Statement;

// Outcomes come from the variable OUTCOMES ("NEXT,BACK,..."), shown dialogs go to VISITED.
void DialogDouble(commands::Statement& statement) {
  auto& v = statement.services.variables;
  std::string outcomes = v.GetVariable("OUTCOMES");
  size_t comma = outcomes.find(',');
  v.SetVariable("OUTCOMES", comma == std::string::npos ? "" : outcomes.substr(comma + 1), "");
  v.SetVariable(statement.Parameter(2), outcomes.substr(0, comma), statement.Context());
  v.SetVariable("VISITED", v.GetVariable("VISITED") + statement.Parameter(1) + " ", "");
}

struct Walked {
  std::string visited, outcome, after;
};

Walked Walk(const std::string& outcomes) {
  Statement dialog1{"Display Dialog", {"One", "R", "", "", "", ""}};
  Statement dialog2{"Display Dialog", {"Two", "R", "", "", "", ""}};
  Statement dialog3{"Display Dialog", {"Three", "R", "", "", "", ""}};
  EngineParts parts(testing::ScriptOf(
      {{"Set Variable", {"OUTCOMES", outcomes}}, {"Wizard Loop", {}}, dialog1, {"Comment", {"between"}}, dialog2,
       dialog3, {"End", {}}, {"Set Variable", {"AFTER", "$R$"}}}));
  commands::CommandTable table;
  commands::RegisterStringCommands(table);
  table.Add("Display Dialog", DialogDouble);
  LoopResult result = StatementLoop(parts.services, table, {}).Run();
  EXPECT_FALSE(result.runtime_error) << result.error_text;
  const vars::VariableStore& v = parts.variables;
  return {v.GetVariable("VISITED"), v.GetVariable("R"), v.GetVariable("AFTER")};
}

TEST(WizardLoop, OutcomesSteerTheWalk) {
  struct Case {
    const char* outcomes;
    const char* visited;
    const char* outcome;
  } cases[] = {
      {"NEXT,NEXT,NEXT", "One Two Three ", "NEXT"},
      {"NEXT,BACK,BACK", "One Two One ", "BACK"},
      {"NEXT,CANCEL,NEXT", "One Two ", "CANCEL"},
      {"NEXT,OTHER,NEXT,NEXT", "One Two Three ", "NEXT"},  // other outcomes keep the direction
      {"NEXT,NEXT,BACK,NEXT,NEXT", "One Two Three Two Three ", "NEXT"},
  };
  for (const auto& c : cases) {
    Walked run = Walk(c.outcomes);
    EXPECT_EQ(run.visited, c.visited) << c.outcomes;
    EXPECT_EQ(run.outcome, c.outcome) << c.outcomes;
    EXPECT_EQ(run.after, c.outcome) << c.outcomes;  // the statement after the loop ran
  }
}

}  // namespace
}  // namespace quillset::interp
