// The component commands and the feature selection files, run as scripts.
#include "commands/component_commands.h"

#include <gtest/gtest.h>


#include "commands/string_commands.h"
#include "tests/commands/command_fixture.h"
#include "vars/integer_text.h"

namespace quillset::commands {
namespace {

using testing::ReadFile;
using testing::WriteFile;

class ComponentCommandsTest : public CommandFixture {
 protected:
  ComponentCommandsTest() {
    RegisterComponentCommands(table_);
    RegisterStringCommands(table_);
  }
  std::string State(const std::string& name) const {
    int64_t index = components_.ComponentIndex(name);
    return index < 0 ? "undefined" : components_.states()[static_cast<size_t>(index)];
  }
};

TEST_F(ComponentCommandsTest, DefinitionsTranslateTheNameAndKeepTheSizeUnderIt) {
  components_.SetDefinitions({"Program", "1000"});
  // Slots 1 and 2 of the first statement: the name and the description.
  localization_.SetLists("German", {"{00000000-0000-4000-8000-000000000001}", ""}, {"", ""}, {"Program", "Files"},
                         {"Programm", "Dateien"});
  localization_.SetCurrentLanguage("German");
  variables_.SetVariable("YES", "TRUE", "test");
  Run({{"Define Component", {"Program", "-1", "Files"}},
       {"Define Component", {"Docs", "$YES$", ""}},  // truth as stored: no substitution
       {"Get Component Space", {"Programm", "size"}},
       {"Get Component State", {"Programm", "$state$"}},
       {"Get Component State", {"Docs", "docs"}}});
  EXPECT_EQ(components_.names(), (std::vector<std::string>{"Programm", "Docs"}));
  EXPECT_EQ(components_.GetComponentDescription("Programm"), "Dateien");
  EXPECT_EQ(components_.definitions(),
            (std::vector<std::string>{"Program", "1000", "Programm", "1000", "Docs", "0"}));
  EXPECT_EQ(Var("SIZE"), "1000");
  EXPECT_EQ(Var("STATE"), "TRUE");
  EXPECT_EQ(Var("DOCS"), "FALSE");
}

TEST_F(ComponentCommandsTest, ResultsOfUndefinedOrEmptyNames) {
  components_.SetDefinitions({"Big", "4096", "Broken", "lots", "Loose", "12"});
  Run({{"Define Component", {"Big", "TRUE", ""}},
       {"Define Component", {"Small", "FALSE", ""}},
       {"Set Component Space", {"Small", "$N$"}},  // no integer: nothing
       {"Get Component State", {"Ghost", "ghost"}},
       {"Get Component Space", {"Loose", "loose"}},  // no component, but a definition
       {"Get Component Space", {"", "total"}},
       {"Get Component Space", {"Broken", ""}},  // no result variable: nothing at all
       {"Delete Component", {"Ghost"}},
       {"Set Component Choice", {"Ghost", "FALSE"}},
       {"Set Component Visibility", {"Ghost", "FALSE"}}});
  EXPECT_EQ(Var("GHOST"), "FALSE");
  EXPECT_EQ(Var("LOOSE"), "12");
  EXPECT_EQ(Var("TOTAL"), "4096");
  EXPECT_EQ(components_.GetComponentSize("Small"), 0);
  EXPECT_TRUE(components_.deleted().empty() && components_.locked().empty() && components_.hidden().empty());
  // A size that is no integer fails the statement that asks for it.
  EXPECT_THROW(Run({{"Get Component Space", {"Broken", "broken"}}}), vars::IntegerConversionError);
}

TEST_F(ComponentCommandsTest, SavedSelectionsHoldTheModelAndTheKeptVariables) {
  variables_.SetVariable("NEWLINE", "\r\n", "test");
  variables_.SetVariable("TARGETDIR", "C:\\App\\", "test");
  variables_.SetVariable("ALLUSERS", "TRUE", "test");
  variables_.SetVariable("STARTMENU", "App", "test");
  variables_.SetVariable("HERE", "C:\\", "test");
  Run({{"Define Component", {"A", "TRUE", ""}},
       {"Define Component", {"B", "FALSE", ""}},
       {"Define Component", {"C", "TRUE", ""}},
       {"Set Component Visibility", {"C", "FALSE"}},
       {"Set Component Choice", {"B", "FALSE"}},
       {"Set Variable", {"Keep$KVOR$KVOR$TRUE", "one$NEWLINE$two"}},
       {"Save Feature Selections", {"$HERE$choice.sel"}}});
  EXPECT_EQ(ReadFile(DriveC("choice.sel")),
            "A\r\nB\r\nC\r\n$\r\nTRUE\r\nFALSE\r\nTRUE\r\n$\r\n$\r\nC\r\n$\r\nB\r\n$\r\nA\r\n0\r\nB\r\n0\r\nC\r\n0\r\n$\r\n"
            "C:\\App\\\r\nTRUE\r\nApp\r\n\r\nKEEP\r\none$NEWLINE$two\r\nKVOR64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n");

  // Loading merges: states of the components defined now, the three lists, the variables.
  variables_.SetVariable("TARGETDIR", "C:\\Other\\", "test");
  variables_.SetVariable("KEEP", "changed", "test");
  persisted_.clear();
  Run({{"Set Component State", {"A", "FALSE"}},
       {"Set Component Visibility", {"C", "TRUE"}},
       {"Define Component", {"D", "TRUE", ""}},
       {"Delete Component", {"D"}},
       {"Load Feature Selections", {"C:\\choice.sel"}},
       {"Load Feature Selections", {"C:\\missing.sel"}}});
  EXPECT_EQ(State("A"), "TRUE");
  EXPECT_EQ(State("D"), "TRUE");
  EXPECT_EQ(components_.hidden(), std::vector<std::string>{"C"});
  EXPECT_EQ(components_.locked(), std::vector<std::string>{"B"});
  EXPECT_TRUE(components_.deleted().empty());
  EXPECT_EQ(components_.definitions().size(), 8u);  // the file's definitions are ignored
  EXPECT_EQ(Var("TARGETDIR"), "C:\\App\\");
  EXPECT_EQ(Var("KEEP"), "one$NEWLINE$two");
  EXPECT_EQ(persisted_, std::vector<std::string>{"KEEP"});
}

TEST_F(ComponentCommandsTest, LoadingAForeignSelectionTakesOnlyWhatItNames) {
  WriteFile(DriveC("foreign.sel"),
            "Ghost\r\nA\r\nB\r\n$\r\nTRUE\r\nFALSE\r\n$\r\n$\r\n$\r\n$\r\nA\r\n999\r\n$\r\nC:\\T\\\r\nFALSE\r\nMenu\r\n"
            "D:\\data\\\r\nColour\r\nred\r\nKVOR64WOW\r\nx64\r\nOVERRIDECACHE\r\nC:\\Cache\\\r\n");
  Run({{"Define Component", {"A", "TRUE", ""}},
       {"Define Component", {"B", "TRUE", ""}},
       {"Define Component", {"C", "FALSE", ""}},
       {"Load Feature Selections", {"C:\\foreign.sel"}}});
  EXPECT_EQ(components_.ComponentIndex("Ghost"), -1);
  EXPECT_EQ(State("A"), "FALSE");
  EXPECT_EQ(State("B"), "TRUE");  // the file has no state for it
  EXPECT_EQ(State("C"), "FALSE");
  EXPECT_EQ(components_.GetComponentSize("A"), 0);
  EXPECT_EQ(Var("STARTMENU"), "Menu");
  EXPECT_EQ(Var("COLOUR"), "red");
  EXPECT_EQ(architecture_, "x64");
  EXPECT_EQ(Var("OVERRIDECACHE"), "C:\\Cache\\");
  EXPECT_EQ(persisted_, std::vector<std::string>{"Colour"});
}

TEST_F(ComponentCommandsTest, ASelectionThatCannotBeWrittenFailsTheStatement) {
  EXPECT_THROW(Run({{"Save Feature Selections", {"C:\\no such folder\\choice.sel"}}}), std::runtime_error);
}

}  // namespace
}  // namespace quillset::commands
