#include "commands/string_commands.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "platform/posix/posix_platform.h"
#include "script/loaded_script.h"
#include "tests/commands/command_fixture.h"
#include "tests/support/setup_fixture.h"
#include "tests/support/test_support.h"
#include "vars/integer_text.h"

namespace quillset::commands {
namespace {

class StringCommandsTest : public CommandFixture {
 protected:
  StringCommandsTest() { RegisterStringCommands(table_); }
};

// ---- Set Variable ----

TEST_F(StringCommandsTest, SetVariableExpandsTheValueAndNamesTheVariableBareOrAsReference) {
  variables_.SetVariable("TargetDir", "old", "test");
  Run({{"Set Variable", {"title", "Demo"}},
       {"Set Variable", {"$TARGETDIR$", "$TITLE$ Setup"}},
       {"Set Variable", {"$fresh$", "x"}}});
  EXPECT_EQ(Var("TITLE"), "Demo");
  EXPECT_EQ(Var("TARGETDIR"), "Demo Setup");
  EXPECT_FALSE(variables_.Exists("$TARGETDIR$"));
  // A new variable takes its name in upper case; an existing one keeps its spelling.
  std::vector<std::string> all;
  variables_.manager().GetAll(all);
  for (const char* name : {"TITLE", "FRESH", "TargetDir"})
    EXPECT_NE(std::find(all.begin(), all.end(), name), all.end()) << name;
}

TEST_F(StringCommandsTest, SetVariablePersistsOnlyWithTheExactTrueFlagAndOnce) {
  persisted_ = {"KeptBefore"};
  Run({{"Set Variable", {"USERDIR$KVOR$KVOR$TRUE", "a"}},
       {"Set Variable", {"userdir$KVOR$KVOR$TRUE", "b"}},
       {"Set Variable", {"OTHER$KVOR$KVOR$FALSE", "c"}},
       {"Set Variable", {"LOWER$KVOR$KVOR$true", "d"}},
       {"Set Variable", {"$KEPTBEFORE$$KVOR$KVOR$TRUE", "e"}}});
  EXPECT_EQ(persisted_, (std::vector<std::string>{"KeptBefore", "USERDIR"}));
  EXPECT_EQ(Var("USERDIR"), "b");
  EXPECT_EQ(Var("OTHER"), "c");
  EXPECT_EQ(Var("LOWER"), "d");
  EXPECT_EQ(Var("KEPTBEFORE"), "e");
}

TEST_F(StringCommandsTest, SetVariableOfProgressPublishesTextAndPosition) {
  variables_.SetVariable("PROGRESS", "0", "test");  // predefined so in every run
  Run({{"Set Variable", {"PROGRESSTEXT", "Copying"}}, {"Set Variable", {"progress", "40"}}});
  EXPECT_EQ(Var(ui::kProgressVariable), "40");
  EXPECT_EQ(Var(ui::kProgressTextVariable), "Copying");
  EXPECT_EQ(Var(ui::kMinVariable), "0");
  EXPECT_EQ(Var(ui::kMaxVariable), "100");
  EXPECT_FALSE(progress_.background_work());

  // Another name publishes nothing.
  Run({{"Set Variable", {"PROGRESSX", "70"}}});
  EXPECT_EQ(Var(ui::kProgressVariable), "40");
}

TEST_F(StringCommandsTest, SetVariableOfProgressThatIsNoIntegerFailsTheStatement) {
  variables_.SetVariable(ui::kProgressVariable, "7", "test");
  try {
    Run({{"Set Variable", {"PROGRESS", "forty"}}});
    FAIL() << "no error";
  } catch (const vars::IntegerConversionError& error) {
    EXPECT_STREQ(error.what(), "'forty' is not a valid integer value");
  }
  EXPECT_EQ(Var("PROGRESS"), "forty") << "the assignment comes first";
  EXPECT_FALSE(progress_.background_work()) << "the flag is lowered on failure too";
  EXPECT_EQ(Var(ui::kProgressVariable), "7");
  // PROGRESSTEXT publishes PROGRESS as well, so it fails the same way.
  EXPECT_THROW(Run({{"Set Variable", {"PROGRESSTEXT", "x"}}}), vars::IntegerConversionError);
}

TEST_F(StringCommandsTest, SetVariableTakesTheTranslationOfItsValueAndExpandsIt) {
  variables_.SetVariable("NAME", "Ann", "test");
  // The statement's identifier is the key; slot 1 is the key's own line.
  localization_.SetLists("German", {"{00000000-0000-4000-8000-000000000001}"}, {""}, {"Hello"}, {"Hallo $NAME$"});
  localization_.SetCurrentLanguage("German");
  Run({{"Set Variable", {"GREETING", "Hello"}}});
  EXPECT_EQ(Var("GREETING"), "Hallo Ann");
}

// ---- Replace String ----

TEST_F(StringCommandsTest, ReplaceString) {
  struct Case {
    std::string source, find, replacement, ignore_case, all, expected;
  };
  const std::vector<Case> cases = {
      {"a/b/c", "/", "-", "FALSE", "TRUE", "a-b-c"},
      {"a/b/c", "/", "-", "FALSE", "FALSE", "a-b/c"},
      {"a/b/c", "", "-", "FALSE", "TRUE", "a/b/c"},          // nothing to find
      {"ab", "abc", "-", "FALSE", "TRUE", "ab"},             // longer than the source
      {"xabcABC", "ABC", "_", "TRUE", "TRUE", "x__"},        // letter case ignored
      {"xabcABC", "abc", "_", "-1", "TRUE", "x__"},          // "-1" is true too
      {"xabcABC", "ABC", "_", "FALSE", "TRUE", "xabc_"},
      {"aaa", "a", "aa", "FALSE", "TRUE", "aaaaaa"},         // never inside a replacement
      {"aaaa", "aa", "b", "FALSE", "TRUE", "bb"},            // on after the match
      {"x$TITLE$", "x", "y", "FALSE", "TRUE", "y$TITLE$"},   // the source is not expanded
      {"1$NEWLINE$2", "$NEWLINE$", ", ", "FALSE", "TRUE", "1, 2"},  // a line break finds its marker
      {"T", "$TITLE$", "[$TITLE$]", "FALSE", "TRUE", "[T]"},  // find and replacement are
  };
  variables_.SetVariable("TITLE", "T", "test");
  for (const auto& c : cases) {
    variables_.SetVariable("SUBJECT", c.source, "test");
    Run({{"Replace String", {"$SUBJECT$", c.find, c.replacement, c.ignore_case, c.all}}});
    EXPECT_EQ(Var("SUBJECT"), c.expected) << c.source << " / " << c.find << " / " << c.replacement;
  }
}

TEST_F(StringCommandsTest, ReplaceStringOfAnUndefinedVariableDefinesItEmpty) {
  Run({{"Replace String", {"missing", "a", "b", "FALSE", "TRUE"}}});
  EXPECT_TRUE(variables_.Exists("MISSING"));
  EXPECT_EQ(Var("MISSING"), "");
}

// ---- Parse String ----

TEST_F(StringCommandsTest, ParseString) {
  struct Case {
    std::string source, separator, mode, trim, ignore_case, first, second;
  };
  const std::vector<Case> cases = {
      {"key=value", "=", "0", "FALSE", "FALSE", "key", "value"},
      {"key=value", "#", "0", "FALSE", "FALSE", "key=value", ""},
      {"key=value", "", "0", "FALSE", "FALSE", "key=value", ""},
      {"a<>b<>c", "<>", "0", "FALSE", "FALSE", "a", "b<>c"},
      {"a.b.c", ".", "1", "FALSE", "FALSE", "a.b", "c"},
      {"a.b.c", "#", "1", "FALSE", "FALSE", "", "a.b.c"},
      {"a<>b<>c", "<>", "1", "FALSE", "FALSE", "a<>b", "c"},
      {"abcdef", "2", "2", "FALSE", "FALSE", "ab", "cdef"},
      {"abcdef", "0", "2", "FALSE", "FALSE", "", "abcdef"},
      {"abcdef", "9", "2", "FALSE", "FALSE", "abcdef", ""},
      {"abcdef", "-2", "2", "FALSE", "FALSE", "", "abcdef"},
      {"abcdef", "x", "2", "FALSE", "FALSE", "", ""},
      {"abcdef", "2", "3", "FALSE", "FALSE", "abcd", "ef"},
      {"abcdef", "6", "3", "FALSE", "FALSE", "", "abcdef"},
      {"abcdef", "0", "3", "FALSE", "FALSE", "abcdef", ""},
      {"abcdef", "x", "3", "FALSE", "FALSE", "", ""},
      {"abcdef", "2", "4", "FALSE", "FALSE", "", ""},        // no such mode
      {"Key=Value", "=", "0", "FALSE", "TRUE", "Key", "Value"},
      {"KeyXvalue", "x", "0", "FALSE", "TRUE", "Key", "value"},  // found in the lower-case forms
      {"KeyXvalue", "x", "0", "FALSE", "FALSE", "KeyXvalue", ""},
      {" \tkey = value\t", "=", "0", "TRUE", "FALSE", "key", "value"},
      {" key = value", "=", "0", "FALSE", "FALSE", " key ", " value"},
      {"C:\\\\dir\\\\file", "\\", "1", "FALSE", "FALSE", "C:\\dir", "file"},  // path-expanded
  };
  for (const auto& c : cases) {
    Run({{"Parse String", {c.source, c.separator, "left", "$RIGHT$", c.mode, c.trim, c.ignore_case}}});
    EXPECT_EQ(Var("LEFT"), c.first) << c.source << " / " << c.separator << " mode " << c.mode;
    EXPECT_EQ(Var("RIGHT"), c.second) << c.source << " / " << c.separator << " mode " << c.mode;
  }
  EXPECT_FALSE(variables_.Exists("$RIGHT$"));
}

TEST_F(StringCommandsTest, ParseStringExpandsItsTextsAndMayLeaveOutAResult) {
  variables_.SetVariable("PAIR", "name:Ann", "test");
  variables_.SetVariable("SEP", ":", "test");
  Run({{"Parse String", {"$PAIR$", "$SEP$", "", "second", "0", "FALSE", "FALSE"}}});
  EXPECT_EQ(Var("SECOND"), "Ann");
  EXPECT_FALSE(variables_.Exists(""));
}

TEST_F(StringCommandsTest, ParseStringWithAModeThatIsNoIntegerFails) {
  EXPECT_THROW(Run({{"Parse String", {"a=b", "=", "zero", "L", "R", "FALSE", "FALSE"}}}), vars::IntegerConversionError);
  // The result variables exist before the mode is read.
  EXPECT_TRUE(variables_.Exists("L"));
}

// ---- Convert Case, Extract Path ----

TEST_F(StringCommandsTest, ConvertCasePathExpandsTheValue) {
  variables_.SetVariable("P", "a\\\\b", "test");
  variables_.SetVariable("Q", "$P$ Mixed", "test");
  Run({{"Convert Case", {"P", "TRUE"}}, {"Convert Case", {"Q", "FALSE"}}});
  EXPECT_EQ(Var("P"), "A\\B");
  EXPECT_EQ(Var("Q"), "a\\b mixed");
}

TEST_F(StringCommandsTest, ExtractPath) {
  struct Case {
    std::string path, part, expected;
  };
  const std::string app = "C:\\Program Files\\App\\app.exe";
  const std::vector<Case> cases = {
      {app, "0", "app.exe"},
      {app, "1", "app"},
      {app, "2", "exe"},
      {app, "3", "C:\\Program Files\\App\\"},
      {app, "4", "C:\\Program Files\\"},
      {app, "5", "C:\\"},
      {app, "6", app},
      {app, "7", app},
      {app, "-1", app},
      {"\\\\srv\\share\\x.txt", "5", "\\\\srv\\share\\"},
      {"\\\\srv\\share\\x.txt", "3", "\\\\srv\\share\\"},
      {"\\\\srv\\share\\x.txt", "6", "\\srv\\share\\x.txt"},
      {"\\\\srv", "5", "\\\\srv\\"},
      {"readme", "2", ""},
      {"readme", "3", ""},
      {"readme", "4", ""},
      {"readme", "5", ""},
      {"readme", "1", "readme"},
      {"a.txtb.txt", "1", "a.txtb"},
      {"dir.d\\file", "2", ""},  // the dot of a folder is no extension
      {"C:file.txt", "0", "file.txt"},
      {"C:file.txt", "3", "C:\\"},
      {"C:\\x.txt", "4", "C:\\"},
      {"C:\\a\\\\b.txt", "3", "C:\\a\\"},  // path-expanded first
      {"$HERE$\\f.txt", "3", "D:\\here\\"},
  };
  variables_.SetVariable("HERE", "D:\\here\\", "test");
  for (const auto& c : cases) {
    variables_.SetVariable("X", c.path, "test");
    Run({{"Extract Path", {"X", c.part}}});
    EXPECT_EQ(Var("X"), c.expected) << c.path << " part " << c.part;
  }
}

TEST_F(StringCommandsTest, ExtractPathWithAPartThatIsNoIntegerFails) {
  variables_.SetVariable("X", "C:\\a.txt", "test");
  EXPECT_THROW(Run({{"Extract Path", {"X", "name"}}}), vars::IntegerConversionError);
  EXPECT_EQ(Var("X"), "C:\\a.txt");
}

// ---- Mathematics ----

TEST_F(StringCommandsTest, Mathematics) {
  struct Case {
    std::string a, b, operation, expected;
  };
  const std::vector<Case> cases = {
      {"7", "3", "0", "10"},
      {"7", "3", "1", "4"},
      {"-7", "3", "2", "-21"},
      {"7", "3", "3", "2"},
      {"-7", "3", "3", "-2"},
      {"7", "3", "4", "1"},
      {"-7", "3", "4", "-1"},
      {"5", "0", "3", ""},
      {"5", "0", "4", ""},
      {"-9223372036854775808", "-1", "3", ""},
      {"-9223372036854775808", "-1", "4", ""},
      {"9223372036854775807", "1", "0", "-9223372036854775808"},  // wraps
      {"12", "10", "5", "8"},
      {"12", "10", "6", "14"},
      {"12", "10", "7", "6"},
      {"1", "63", "8", "-9223372036854775808"},
      {"1", "64", "8", "0"},
      {"1", "257", "8", "2"},  // only the low byte of the count
      {"-1", "60", "9", "15"},  // zeros come in
      {"0", "x", "10", "-1"},   // B is not read
      {"Ab", "x", "11", "65"},
      {"", "x", "11", ""},
      {"321", "x", "12", "A"},  // 321 = 256 + 65
      {"$FF", "1", "0", "256"},
      {"x", "1", "0", ""},
      {"1", "", "0", ""},
      {"1", "1", "16", ""},
      {"1", "1", "-1", ""},
      {"1", "1", "add", ""},
      {"$A$", "$B$", "2", "42"},  // operands are expanded
  };
  variables_.SetVariable("A", "6", "test");
  variables_.SetVariable("B", "7", "test");
  for (const auto& c : cases) {
    Run({{"Mathematics", {c.a, c.b, c.operation, "r"}}});
    EXPECT_EQ(Var("R"), c.expected) << c.a << " op " << c.operation << " " << c.b;
  }
}

TEST_F(StringCommandsTest, MathematicsGeneratorIsUnseededUntilOperations13And14) {
  auto next = [&](const std::string& a) {
    Run({{"Mathematics", {a, "", "15", "R"}}});
    return Var("R");
  };
  EXPECT_EQ(next("100"), "0");
  EXPECT_EQ(next("7"), "0");
  Run({{"Mathematics", {"3", "1", "13", "SEEDS"}}, {"Mathematics", {"5", "", "14", "STATE"}}});
  EXPECT_EQ(Var("SEEDS"), "4");
  EXPECT_EQ(Var("STATE"), "5");
  EXPECT_EQ(next("100"), "16");  // 3 * 5 + 1
  EXPECT_EQ(next("100"), "49");  // 3 * 16 + 1
  EXPECT_EQ(next("0"), "");      // 3 * 49 + 1 = 148: the step happens, the remainder fails
  EXPECT_EQ(next("1000"), "445");
}

TEST_F(StringCommandsTest, MathematicsGeneratorWrapsIn32BitsAndSeedsWithTheLowHalf) {
  // Multiplier 2^32 + 65536 counts as 65536; state 2^32 + 65536 likewise.
  Run({{"Mathematics", {"4295032832", "0", "13", "SEEDS"}}, {"Mathematics", {"4295032832", "", "14", "STATE"}}});
  EXPECT_EQ(Var("SEEDS"), "4295032832");
  EXPECT_EQ(Var("STATE"), "65536");
  // 65536 * 65536 wraps to 0 in 32 bits.
  Run({{"Mathematics", {"1000", "", "15", "R"}}});
  EXPECT_EQ(Var("R"), "0");
  // 65537 * 32768 = 2^31 + 32768 wraps negative; t mod 32767 and t mod A keep the sign of t.
  Run({{"Mathematics", {"65537", "0", "13", "S"}}, {"Mathematics", {"32768", "", "14", "S"}},
       {"Mathematics", {"1000000", "", "15", "R"}}, {"Mathematics", {"1000000", "", "15", "R2"}}});
  EXPECT_EQ(Var("R"), "-450880");  // t = -2147450880
  EXPECT_EQ(Var("R2"), "-65537");  // the state became -1
}

TEST_F(StringCommandsTest, MathematicsDefinesItsResultVariableAndMayHaveNone) {
  Run({{"Mathematics", {"1", "2", "0", "sum"}}, {"Mathematics", {"5", "", "14", ""}}, {"Mathematics", {"1", "x", "0", "bad"}}});
  EXPECT_EQ(Var("SUM"), "3");
  EXPECT_TRUE(variables_.Exists("BAD"));
  EXPECT_EQ(Var("BAD"), "");
  // The seeding without a result variable still took effect.
  Run({{"Mathematics", {"1", "0", "13", "S"}}, {"Mathematics", {"100", "", "15", "R"}}});
  EXPECT_EQ(Var("R"), "5");
}

// ---- Convert Path ----

TEST_F(StringCommandsTest, ConvertPathLongFormFindsTheOnDiskSpellingOfEachLevel) {
  std::filesystem::create_directories(DriveC("Apps/My App"));
  testing::WriteFile(DriveC("Apps/My App/Data.Txt"), "");
  struct Case {
    std::string path, expected;
  };
  const std::vector<Case> cases = {
      {"c:\\apps\\my app\\data.txt", "c:\\Apps\\My App\\Data.Txt"},
      {"\"c:\\APPS\\MY APP\\\"", "c:\\Apps\\My App"},              // quotes and one backslash go
      {"c:\\apps\\\\my app", "c:\\Apps\\My App"},                    // path-expanded first
      {"c:\\apps\\my app\\none.txt", "c:\\apps\\my app\\none.txt"},  // from a missing entry on, as given
      {"c:\\apps\\nowhere\\data.txt", "c:\\apps\\nowhere\\data.txt"},
      {"c:", "c:"},
      {"", ""},
  };
  for (const auto& c : cases) {
    variables_.SetVariable("P", c.path, "test");
    Run({{"Convert Path", {"P", "FALSE"}}});
    EXPECT_EQ(Var("P"), c.expected) << c.path;
  }
}

TEST_F(StringCommandsTest, ConvertPathShortFormOfAMissingPathIsEmpty) {
  std::filesystem::create_directories(DriveC("Apps"));
  testing::WriteFile(DriveC("Apps/Data.Txt"), "");
  variables_.SetVariable("P", "C:\\apps\\data.txt", "test");
  variables_.SetVariable("MISSING", "C:\\apps\\none.txt", "test");
  Run({{"Convert Path", {"P", "TRUE"}}, {"Convert Path", {"MISSING", "TRUE"}}});
  EXPECT_EQ(Var("P"), "C:\\Apps\\Data.Txt");  // a name is its own short name here
  EXPECT_EQ(Var("MISSING"), "");
}

// ---- Get Temporary File, Get Environment ----

TEST_F(StringCommandsTest, GetTemporaryFileMakesNewEmptyFilesInTheEngineTemporaryFolder) {
  variables_.SetVariable("TEMPDIR", "C:\\elsewhere\\", "test");
  Run({{"Get Temporary File", {"$first$"}}, {"Get Temporary File", {"second"}}});
  const std::string first = Var("FIRST"), second = Var("SECOND");
  ASSERT_FALSE(first.empty());
  EXPECT_NE(first, second);
  for (const auto& path : {first, second}) {
    ASSERT_EQ(path.rfind(temp_folder_ + "zep", 0), 0u) << path;
    EXPECT_EQ(path.substr(path.size() - 4), ".tmp");
    std::string number = path.substr(temp_folder_.size() + 3, path.size() - temp_folder_.size() - 7);
    EXPECT_TRUE(!number.empty() && number.size() <= 4 &&
                number.find_first_not_of("0123456789ABCDEF") == std::string::npos)
        << path;
    EXPECT_EQ(host_->platform().files.FileSize(path), std::optional<uint64_t>(0));
  }
}

TEST_F(StringCommandsTest, GetTemporaryFileGivesEmptyWhenTheFolderIsGone) {
  temp_folder_ = "C:\\no such folder\\";
  Run({{"Get Temporary File", {"T"}}});
  EXPECT_TRUE(variables_.Exists("T"));
  EXPECT_EQ(Var("T"), "");
}

TEST_F(StringCommandsTest, GetEnvironmentReadsOneVariableOrTheWholeBlock) {
  auto& system = host_->platform().system;
  const auto path = system.GetEnvironmentVariable("PATH");
  ASSERT_TRUE(path.has_value());
  variables_.SetVariable("WHICH", "path", "test");
  Run({{"Get Environment", {"$WHICH$", "$one$"}},
       {"Get Environment", {"NO_SUCH_VAR", "missing"}},
       {"Get Environment", {"", "ALL"}}});
  EXPECT_EQ(Var("ONE"), *path);
  EXPECT_EQ(Var("MISSING"), "%NO_SUCH_VAR%");

  const std::string all = Var("ALL");
  EXPECT_NE(("$NEWLINE$" + all + "$NEWLINE$").find("$NEWLINE$PATH=" + *path + "$NEWLINE$"), std::string::npos);
  EXPECT_NE(all.substr(all.size() - 9), "$NEWLINE$");
  EXPECT_EQ(all.find('\n'), std::string::npos);
}

}  // namespace
}  // namespace quillset::commands
