// What reaching an installer-side statement records: properties, parameter-file lines, the
// deferral entry and the package edits.
#include "commands/installer_side_commands.h"

#include <gtest/gtest.h>

#include "commands/string_commands.h"
#include "tests/commands/command_fixture.h"

namespace quillset::commands {
namespace {

constexpr const char* kHeader = "DC98F967";

class InstallerSideTest : public CommandFixture {
 protected:
  InstallerSideTest() {
    RegisterInstallerSideCommands(table_);
    RegisterStringCommands(table_);
    variables_.SetVariable("TARGETDIR", "C:\\App\\", "test");
    variables_.SetVariable("NAME", "demo", "test");
    variables_.SetVariable("NEWLINE", "\r\n", "test");
  }
  // The parameter file must hold the same pairs as the pending property list.
  void ExpectParameterFileMatches() {
    ASSERT_EQ(parameter_file_.size(), pending_properties_.size() * 2);
    for (size_t i = 0; i < pending_properties_.size(); ++i) {
      EXPECT_EQ(parameter_file_[2 * i], pending_properties_[i].first);
      EXPECT_EQ(parameter_file_[2 * i + 1], pending_properties_[i].second);
    }
  }
};

std::vector<std::string> Numbered(size_t count) {
  std::vector<std::string> parameters;
  for (size_t k = 1; k <= count; ++k) parameters.push_back("p" + std::to_string(k));
  return parameters;
}

TEST_F(InstallerSideTest, EachCommandRecordsItsParameterProperties) {
  auto with = [](std::vector<std::string> parameters, size_t k, std::string text) {
    parameters[k - 1] = std::move(text);
    return parameters;
  };
  struct Case {
    std::string command;
    std::vector<std::string> parameters;
    PropertyList expected;  // after the reached property
  } cases[] = {
      {"Create Folder", {"$TARGETDIR$\\data"}, {{"PDC98F967_1", "C:\\App\\data"}}},
      {"Delete Files", {"$TARGETDIR$old.txt", "", "TRUE", ""}, {{"PDC98F967_1", "C:\\App\\old.txt"}}},
      {"Copy/Move Local Files", Numbered(4), {{"PDC98F967_1", "p1"}, {"PDC98F967_2", "p3"}}},
      {"Edit INI File", Numbered(6),
       {{"PDC98F967_1", "p1"}, {"PDC98F967_2", "p4"}, {"PDC98F967_3", "p5"}, {"PDC98F967_4", "p6"}}},
      {"Set Environment", {"PATH", "one$NEWLINE$two"}, {{"PDC98F967_1", "one$NEWLINE$two"}}},
      {"Write Registry", {"HKLM", "Software", "$NAME$", "plain", "cost$"}, {{"PDC98F967_1", "demo"}, {"PDC98F967_3", "cost$"}}},
      {"Write Registry", {"HKLM", "Software", "a", "b", "c"}, {}},
      {"Create File Type", Numbered(5),
       {{"PDC98F967_1", "p1"}, {"PDC98F967_2", "p2"}, {"PDC98F967_3", "p3"}, {"PDC98F967_4", "p4"}, {"PDC98F967_5", "p5"}}},
      {"Advertised File Type", Numbered(3), {}},
      {"Create Shortcut", Numbered(9),
       {{"PDC98F967_1", "p3"}, {"PDC98F967_2", "p1"}, {"PDC98F967_3", "p5"}, {"PDC98F967_4", "p6"}}},
      {"Advertised Shortcut", Numbered(9),
       {{"PDC98F967_1", "p3"}, {"PDC98F967_2", "p1"}, {"PDC98F967_3", "p5"}, {"PDC98F967_4", "p6"}}},
      {"Control Service", Numbered(3), {{"PDC98F967_1", "p1"}, {"PDC98F967_2", "p2"}}},
      {"Install Files", {"", "", "$TARGETDIR$"}, {{"PDC98F967_1", "C:\\App\\"}}},
      {"Install Assembly", Numbered(4), {{"PDC98F967_1", "p3"}}},
      {"Install ODBC Driver", Numbered(5), {{"PDC98F967_1", "p4"}}},
      {"Create ODBC DSN", Numbered(4), {}},
      {"Install Service", with(Numbered(15), 10, "$TARGETDIR$\\a~b~"),
       {{"PDC98F967_1", "p2"},
        {"PDC98F967_2", "p4"},
        {"PDC98F967_3", "p5"},
        {"PDC98F967_4", "p9"},
        {"PDC98F967_5", "C:\\App\\a$NULL$b$NULL$"},
        {"PDC98F967_6", "p13"},
        {"PDC98F967_7", "p14"},
        {"PDC98F967_8", "p15"},
        {"PDC98F967_9", "p6"}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    pending_properties_.clear();
    parameter_file_.clear();
    Run({{"Set Variable", {"X", "1"}}, {c.command, c.parameters, kHeader}});
    EXPECT_EQ(deferral_, (std::vector<std::string>{"SKIP", "TRUE"}));
    PropertyList expected = {{"ADC98F967", "TRUE"}};
    expected.insert(expected.end(), c.expected.begin(), c.expected.end());
    EXPECT_EQ(pending_properties_, expected);
    ExpectParameterFileMatches();
  }
}

TEST_F(InstallerSideTest, ShortcutsAndAdvertisedFileTypesAddTheirTranslatedTexts) {
  localization_.SetLists("German",
                         {"{00000000-0000-4000-8000-000000000001}", "", "{00000000-0000-4000-8000-000000000002}", ""},
                         {"", "", "", ""}, {"", "", "", ""},
                         {"Deinstallieren Produkt", "Entfernt es", "Demo.Datei", "Eine Datei"});
  localization_.SetCurrentLanguage("German");
  Run({{"Create Shortcut", {"Uninstall", "Uninstall Product", "C:\\Menu", "Removes it", "", "", "", "", ""}, "0000000A"},
       {"Advertised File Type", {"Demo.File", "", "A file"}, "0000000B"}});
  EXPECT_EQ(package_edits_.shortcuts,
            (std::vector<std::string>{"P0000000A_1", "Deinst~1|Deinstallieren Produkt", "Entfernt es"}));
  EXPECT_EQ(package_edits_.file_types, (std::vector<std::string>{"Demo.File", "Demo.Datei", "Eine Datei"}));
}

TEST(ShortcutNameLine, ShortNameIsTheTrimmedFirstSixCharacters) {
  struct Case {
    const char* name;
    const char* line;
  } cases[] = {
      {"Uninstall Product", "Uninst~1|Uninstall Product"},
      {"Go", "Go~1|Go"},
      {" My App", "My Ap~1| My App"},
      {"Ab    x", "Ab~1|Ab    x"},
      {"", "~1|"},
  };
  for (const Case& c : cases) EXPECT_EQ(ShortcutNameLine(c.name), c.line) << c.name;
}

TEST_F(InstallerSideTest, AStatementWithoutHeaderFailsAndRecordsNothing) {
  try {
    Run({{"Install Files", {"", "", "$TARGETDIR$"}}});
    FAIL() << "no error";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to obtain command headers. Please rebuild your project.");
  }
  EXPECT_EQ(deferral_, std::vector<std::string>{"FALSE"});
  EXPECT_TRUE(pending_properties_.empty());
  EXPECT_TRUE(parameter_file_.empty());
}

}  // namespace
}  // namespace quillset::commands
