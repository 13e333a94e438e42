#include "engine/command_line.h"

#include <gtest/gtest.h>

namespace quillset::engine {
namespace {

TEST(SplitCommandLine, FollowsWindowsArgumentRules) {
  struct Case {
    const char* line;
    std::vector<std::string> arguments;
  } cases[] = {
      {"setup", {"setup"}},
      {"\"C:\\My Setup\\setup.exe\" /s", {"C:\\My Setup\\setup.exe", "/s"}},
      {"setup  a\tb ", {"setup", "a", "b"}},
      {"setup TARGETDIR=\"C:\\Program Files\\App\"", {"setup", "TARGETDIR=C:\\Program Files\\App"}},
      {"setup \"\"", {"setup", ""}},
      {"setup a\\\\\"b c\"", {"setup", "a\\b c"}},      // 2n backslashes: n, quote delimits
      {"setup a\\\"b", {"setup", "a\"b"}},               // 2n+1: n and a literal quote
      {"setup a\\b\\\\c", {"setup", "a\\b\\\\c"}},       // backslashes alone are literal
      {"setup \"say \"\"hi\"\"\"", {"setup", "say \"hi\""}},
      {"setup \"unterminated arg", {"setup", "unterminated arg"}},
      {"\"unterminated program", {"unterminated program"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitCommandLine(c.line), c.arguments) << c.line;
}

TEST(StripProgramName, KeepsTheRawRest) {
  EXPECT_EQ(StripProgramName("\"C:\\a b\\setup.exe\" /s X=1"), "/s X=1");
  EXPECT_EQ(StripProgramName("setup.exe  /s"), " /s");
  EXPECT_EQ(StripProgramName("setup.exe"), "");
  EXPECT_EQ(StripProgramName("\"setup.exe\""), "");
}

TEST(ParseCommandLine, Switches) {
  struct Case {
    const char* line;
    bool silent, no_splash;
  } cases[] = {
      {"setup /S", true, false},        {"setup -qn", true, false},
      {"setup /QN", true, false},       {"setup /silent", false, false},
      {"setup s", false, false},        {"setup /update", false, true},
      {"setup -UpdateSetup", false, true}, {"setup /updates", false, false},
  };
  for (const auto& c : cases) {
    CommandLine parsed = ParseCommandLine(c.line);
    EXPECT_EQ(parsed.silent, c.silent) << c.line;
    EXPECT_EQ(parsed.no_splash, c.no_splash) << c.line;
  }
}

TEST(ParseCommandLine, PathArgumentsAreLowerCasedAndTheFirstWins) {
  CommandLine parsed = ParseCommandLine(
      "setup /L=C:\\Logs\\Trace.LOG -l=C:\\second.log -P=D:\\Src /g=\\\\Server\\Share\\pkg.msi "
      "/m=E:\\Media\\Setup.EXE /x=1");
  EXPECT_EQ(parsed.trace_log, "c:\\logs\\trace.log");
  EXPECT_EQ(parsed.source_folder, "d:\\src");
  EXPECT_EQ(parsed.deployment_path, "\\\\server\\share\\pkg.msi");
  EXPECT_EQ(parsed.media_path, "e:\\media\\setup.exe");
  EXPECT_TRUE(parsed.variables.empty());  // /x=1 is neither a switch nor a variable

  // "-l=" counts as well, tested together with "/l=" on each argument in turn.
  EXPECT_EQ(ParseCommandLine("setup -l=first.log /l=second.log").trace_log, "first.log");
}

TEST(ParseCommandLine, Variables) {
  CommandLine parsed = ParseCommandLine(
      "setup targetdir=\"C:\\Program Files\\My App\" A=B=C EMPTY= /s -X=1 NOEQUALS REMOVE=TRUE A=2");
  std::vector<std::pair<std::string, std::string>> expected = {
      {"TARGETDIR", "C:\\Program Files\\My App"}, {"A", "B=C"}, {"EMPTY", ""}, {"REMOVE", "TRUE"}, {"A", "2"}};
  EXPECT_EQ(parsed.variables, expected);
  EXPECT_EQ(parsed.text, "targetdir=\"C:\\Program Files\\My App\" A=B=C EMPTY= /s -X=1 NOEQUALS REMOVE=TRUE A=2");
}

}  // namespace
}  // namespace quillset::engine
