#include "script/loaded_script.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>
#include <vector>

namespace quillset::script {
namespace {

// The eleven sections of a script, rendered with their "$" lines.
struct ScriptText {
  std::array<std::vector<std::string>, 11> sections;

  std::string Render(const std::string& line_end = "\r\n") const {
    std::string text;
    for (const auto& section : sections) {
      for (const auto& line : section) text += line + line_end;
      text += "$" + line_end;
    }
    return text;
  }
};

const char* const kId0 = "{11111111-0000-0000-0000-000000000000}";
const char* const kId1 = "{22222222-0000-0000-0000-000000000000}";
const char* const kId2 = "{33333333-0000-0000-0000-000000000000}";
const char* const kId3 = "{44444444-0000-0000-0000-000000000000}";

ScriptText Sample() {
  ScriptText s;
  s.sections[0] = {"Set Variable", "Comment", "Else", "End"};
  s.sections[1] = {kId0, kId1, kId2, kId3};
  s.sections[2] = {kId1, "first of disabled", "second of disabled",
                   kId0, "NAME",  "$DOLLAR$", "$wild_dollar$", "x$DOLLAR$", "$DOLLAR$ "};
  s.sections[3] = {"", "C", "", ""};
  s.sections[4] = {"{PRODUCT}", "My Title", "PluginA", "PluginB"};
  s.sections[5] = {"Company", "Contact", "help", "update", "comments", "1.2",
                   "Block1", "pw-block1", "block1", "pw-second", "offline", "pw-offline"};
  s.sections[6] = {"", "", "Block1", ""};
  s.sections[7] = {"2", "component line"};
  s.sections[8] = {"{REVISION}", "Block1", "folder\\file.txt", "sub"};
  s.sections[9] = {"TRUE", "English", "DC98F967", "0", "0000ABCD", "3"};
  s.sections[10] = {"BUILDMODE", "SFX", "LANGUAGE", ""};
  return s;
}

LoadedScript Load(const std::string& text) {
  LoadResult result = LoadScript(text);
  EXPECT_TRUE(result.ok) << result.error;
  return result.script;
}

TEST(ScriptLoaderTest, ReadsEverySection) {
  LoadedScript s = Load(Sample().Render());
  EXPECT_EQ(s.statement_count(), 4u);
  EXPECT_EQ(s.commands[1], "Comment");
  EXPECT_EQ(s.identifiers[3], kId3);
  EXPECT_EQ(s.disabled_flags, (std::vector<std::string>{"", "C", "", ""}));
  EXPECT_EQ(s.product_code, "{PRODUCT}");
  EXPECT_EQ(s.title, "My Title");
  EXPECT_EQ(s.script_title, "My Title");
  EXPECT_EQ(s.plugin_commands, (std::vector<std::string>{"PluginA", "PluginB"}));
  EXPECT_EQ(s.company, "Company");
  EXPECT_EQ(s.contact, "Contact");
  EXPECT_EQ(s.help_link, "help");
  EXPECT_EQ(s.update_link, "update");
  EXPECT_EQ(s.comments, "comments");
  EXPECT_EQ(s.version, "1.2");
  EXPECT_EQ(s.web_media_passwords.size(), 6u);
  EXPECT_EQ(s.statement_media[2], "Block1");
  EXPECT_EQ(s.media_mode, 2);
  EXPECT_EQ(s.component_definitions, (std::vector<std::string>{"component line"}));
  EXPECT_EQ(s.revision_code, "{REVISION}");
  EXPECT_EQ(s.web_media_files.size(), 3u);
  EXPECT_TRUE(s.language_dialog);
  EXPECT_EQ(s.default_language, "English");
  EXPECT_EQ(s.command_headers.size(), 4u);
  EXPECT_EQ(s.compiler_variables, (std::vector<std::string>{"BUILDMODE", "SFX", "LANGUAGE", ""}));
}

TEST(ScriptLoaderTest, ParameterLookup) {
  ScriptText text = Sample();
  // A second record of statement 0 further down: the last occurrence counts.
  text.sections[2].insert(text.sections[2].end(), {kId0, "NEWER"});
  LoadedScript s = Load(text.Render());
  const std::vector<std::tuple<std::string, size_t, std::string>> cases = {
      {kId0, 0, kId0},
      {kId0, 1, "NEWER"},
      {kId0, 2, ""},  // past the end of the text
      {"{11111111-0000-0000-0000-000000000000}", 1, "NEWER"},
      {"{22222222-0000-0000-0000-000000000000}", 2, "second of disabled"},
      {kId1, 1, "first of disabled"},  // a disabled statement keeps its record
      {kId2, 0, ""},                   // "Else" and "End" have no record
      {kId3, 1, ""},
      {"NAME", 1, "$"},  // any line of the parameter text can be looked up
  };
  for (const auto& [identifier, k, expected] : cases) {
    EXPECT_EQ(s.Parameter(identifier, k), expected) << identifier << " " << k;
  }
  // Identifiers compare without regard to case.
  text = Sample();
  text.sections[1][0] = "{abcdef00-0000}";
  text.sections[2][3] = "{ABCDEF00-0000}";
  EXPECT_EQ(Load(text.Render()).Parameter("{AbCdEf00-0000}", 1), "NAME");
}

TEST(ScriptLoaderTest, LoneDollarMarkersBecomeDollars) {
  LoadedScript s = Load(Sample().Render());
  EXPECT_EQ(s.Parameter(kId0, 2), "$");
  EXPECT_EQ(s.Parameter(kId0, 3), "$");          // "$wild_dollar$" in lower case
  EXPECT_EQ(s.Parameter(kId0, 4), "x$DOLLAR$");  // markers beside other text stay
  EXPECT_EQ(s.Parameter(kId0, 5), "$DOLLAR$ ");
}

TEST(ScriptLoaderTest, LineEndsAndText) {
  ScriptText text = Sample();
  text.sections[2][4] = "a\rb";         // a CR inside a line is text
  text.sections[4][1] = "Titel \xC3\xA4\xE9";  // 8-bit text
  LoadedScript lf = Load(text.Render("\n"));
  EXPECT_EQ(lf.Parameter(kId0, 1), "a\rb");
  EXPECT_EQ(lf.title, "Titel \xC3\xA4\xE9");
  EXPECT_EQ(lf.media_mode, 2);

  // The last "$" needs no line end, and what follows the eleventh "$" line is not read.
  std::string rendered = Sample().Render();
  rendered.resize(rendered.size() - 2);
  EXPECT_TRUE(LoadScript(rendered).ok);
  EXPECT_TRUE(LoadScript(Sample().Render() + std::string("\0\x01garbage\r\n", 10)).ok);
}

TEST(ScriptLoaderTest, LanguageFlagIsExactlyTrue) {
  for (const auto& [line, expected] : std::vector<std::pair<std::string, bool>>{
           {"TRUE", true}, {"true", false}, {"True", false}, {"TRUE ", false}, {"", false}}) {
    ScriptText text = Sample();
    text.sections[9][0] = line;
    EXPECT_EQ(Load(text.Render()).language_dialog, expected) << '"' << line << '"';
  }
}

TEST(ScriptLoaderTest, MediaMode) {
  const std::vector<std::pair<std::string, int32_t>> good = {
      {"1", 1}, {"3", 3}, {"+2", 2}, {"-1", -1}, {"007", 7}};
  for (const auto& [line, mode] : good) {
    ScriptText text = Sample();
    text.sections[7][0] = line;
    EXPECT_EQ(Load(text.Render()).media_mode, mode) << line;
  }
  for (const std::string line : {"", "2a", " 2", "0x2", "+-2", "+", "99999999999"}) {
    ScriptText text = Sample();
    text.sections[7][0] = line;
    LoadResult result = LoadScript(text.Render());
    EXPECT_FALSE(result.ok) << line;
    EXPECT_EQ(result.error,
              "The setup script is damaged: its media mode \"" + line + "\" is no decimal number");
  }
}

TEST(ScriptLoaderTest, RefusesIncompleteScripts) {
  const std::string full = Sample().Render();
  // Cut the text just before each "$" line: it then ends in that section.
  size_t section = 1;
  for (size_t at = full.find("$\r\n"); at != std::string::npos; at = full.find("$\r\n", at + 1)) {
    if (at != 0 && full[at - 1] != '\n') continue;  // a "$" inside a line
    LoadResult result = LoadScript(full.substr(0, at));
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "The setup script is incomplete: it ends in section " +
                                std::to_string(section) + " of 11");
    EXPECT_EQ(result.script.statement_count(), 0u);
    ++section;
  }
  EXPECT_EQ(section, 12u);
  EXPECT_EQ(LoadScript("").error, "The setup script is incomplete: it ends in section 1 of 11");
}

TEST(ScriptLoaderTest, RefusesBytesThatAreNoText) {
  const std::string full = Sample().Render();
  for (char bad : {'\0', '\x01', '\x1A', '\x7F'}) {
    std::string text = full;
    size_t at = text.find("NAME");
    text[at + 1] = bad;
    LoadResult result = LoadScript(text);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.error.find("The setup script holds a byte that is no text"), std::string::npos);
    EXPECT_NE(result.error.find("at offset " + std::to_string(at + 1)), std::string::npos)
        << result.error;
  }
  std::string tab = full;
  tab[tab.find("NAME")] = '\t';
  EXPECT_TRUE(LoadScript(tab).ok);
}

TEST(ScriptLoaderTest, RefusesSectionsThatDoNotMatchTheStatements) {
  for (size_t section : {1u, 3u, 6u}) {
    ScriptText text = Sample();
    text.sections[section].pop_back();
    LoadResult result = LoadScript(text.Render());
    EXPECT_FALSE(result.ok);
    EXPECT_EQ(result.error, "The setup script is damaged: it has 4 statements but 3 lines in section " +
                                std::to_string(section + 1));
  }
}

TEST(ScriptLoaderTest, CommandHeaders) {
  ScriptText text = Sample();
  // Statement 3 listed twice (the last pair counts); a header made of digits is no statement
  // number; a dangling header without number is ignored.
  text.sections[9] = {"TRUE", "English", "DC98F967", "0", "11111111", "3", "12345678",
                      "1", "22222222", "3", "DANGLING"};
  LoadedScript s = Load(text.Render());
  EXPECT_EQ(s.CommandHeader(0), "DC98F967");
  EXPECT_EQ(s.CommandHeader(1), "12345678");
  EXPECT_EQ(s.CommandHeader(12345678), "");
  EXPECT_EQ(s.CommandHeader(2), "");
  EXPECT_EQ(s.CommandHeader(3), "22222222");
  EXPECT_EQ(s.CommandHeader(99), "");
  EXPECT_EQ(s.RequiredCommandHeader(0), "DC98F967");
  try {
    s.RequiredCommandHeader(2);
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_STREQ(error.what(), "Unable to obtain command headers. Please rebuild your project.");
  }
}

LoadedScript WithVariables(std::vector<std::string> pairs) {
  ScriptText text = Sample();
  text.sections[10] = std::move(pairs);
  return Load(text.Render());
}

TEST(CompilerVariablesTest, Expansion) {
  struct Case {
    std::vector<std::string> pairs;
    std::string text, expected;
  };
  const std::vector<Case> cases = {
      {{"BUILDMODE", "SFX"}, "mode #BUILDMODE#, #buildmode#!", "mode SFX, SFX!"},
      {{"BUILDMODE", "SFX"}, "no references", "no references"},
      {{"BUILDMODE", "SFX"}, "#UNKNOWN# #", "#UNKNOWN# #"},
      {{"LOCMODE", ""}, "#LOCMODE#", ""},
      // Later pairs see what earlier ones wrote.
      {{"A", "#B#", "B", "b"}, "#A#", "b"},
      // A result is expanded again only when it holds "$".
      {{"B", "b", "A", "#B#"}, "#A#", "#B#"},
      {{"B", "b", "A", "#B#$"}, "#A#", "b$"},
      {{"A", "1", "DANGLING"}, "#A##DANGLING#", "1#DANGLING#"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(WithVariables(c.pairs).ExpandCompilerVariables(c.text), c.expected) << c.text;
  }
}

TEST(CompilerVariablesTest, SelfReferenceIsBounded) {
  // Each round adds one "$" and changes the text, so only the round limit ends it.
  std::string once = WithVariables({"A", "#A#$"}).ExpandCompilerVariables("#A#");
  EXPECT_EQ(once, "#A#" + std::string(LoadedScript::kMaxExpansionRounds, '$'));

  // A value that doubles the text hits the length limit and leaves the rest unexpanded.
  std::string doubled = WithVariables({"A", "#A##A#$"}).ExpandCompilerVariables("#A#");
  EXPECT_LE(doubled.size(), LoadedScript::kMaxExpandedLength);
  EXPECT_GT(doubled.size(), LoadedScript::kMaxExpandedLength / 2);
  EXPECT_NE(doubled.find("#A#"), std::string::npos);
}

TEST(WebMediaPasswordTest, FirstPairOfTheBlockWithoutRegardToCase) {
  LoadedScript s = Load(Sample().Render());
  EXPECT_EQ(s.WebMediaPassword("BLOCK1"), "pw-block1");
  EXPECT_EQ(s.WebMediaPassword("Offline"), "pw-offline");
  EXPECT_EQ(s.WebMediaPassword("Other"), "");
  EXPECT_EQ(s.WebMediaPassword("pw-block1"), "");  // passwords are no block names
}

}  // namespace
}  // namespace quillset::script
