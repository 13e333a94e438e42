// dump turns a setup back into a project that builds the same script.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/builder_fixture.h"

namespace quillset::testing {
namespace {

std::string WithoutFirstLine(const std::string& text) { return text.substr(text.find('\n') + 1); }

TEST(RoundTripTest, DumpBuildsTheSameScript) {
  BuilderFixture f;
  f.WriteProject(
      "[setup]\npackage = setup.msi\nsupport = support\n"
      "[product]\ntitle = \"#1 \"\"Product\"\"\"\nlanguage-dialog = true\n"
      "[publisher]\ncomments = \" two  blanks \"\n"
      "[plugins]\n\"[odd] plugin\"\n"
      "[web-media-passwords]\noffline secret\n"
      "[components]\n\"Program Files\" \"\"\n"
      "[compiler-variables]\n\"A=B\" = \"  x\"\nLOCMODE =\n"
      "[statements]\n"
      "Wizard Loop\n"
      "Display Dialog \"Welcome\" \"R\" \"\" \"\" \"\" \"\"\n"
      "End\n"
      "If \"R\" \"0\" \"NEXT\" \"FALSE\"\n"
      "If \"R\" \"1\" \"$\" \"TRUE\"\n"
      "Set Variable \"X\" \"a $NEWLINE$ b \"\n"
      "End\n"
      "Else If \"R\" \"0\" \"BACK\" \"FALSE\"\n"
      "Install Files \"*\" \"\" \"$TARGETDIR$\" @media=\"Block 1\" @id=my-own-id\n"
      "End\n"
      "Set Variable \"Y\" \"@not an attribute\" @disabled\n"
      "\"[odd] plugin\" \"p\" \"lib\\x.dll\"\n"
      "\" Spaced @ Name\"\n"
      "Terminate Install\n");
  ASSERT_EQ(f.Build().exit_code, 0);
  std::string first_script = f.ScriptOf(f.out() + "/setup");

  ProcessResult dump = f.Dump(f.out() + "/setup");
  ASSERT_EQ(dump.exit_code, 0) << dump.err;
  // The dump names the package and support folder as they sit beside a setup, as here.
  WriteFile(f.dir() / "dumped.qsp", dump.out);
  ProcessResult rebuilt = f.Build(f.dir() / "dumped.qsp", f.dir() / "again");
  ASSERT_EQ(rebuilt.exit_code, 0) << rebuilt.err << dump.out;
  EXPECT_EQ(f.ScriptOf(f.dir() / "again/setup"), first_script) << dump.out;

  ProcessResult second_dump = f.Dump(f.dir() / "again/setup");
  EXPECT_EQ(WithoutFirstLine(second_dump.out), WithoutFirstLine(dump.out));

  // Blocks read by indentation; End stays a statement of its own.
  EXPECT_NE(dump.out.find("\nWizard Loop @id="), std::string::npos) << dump.out;
  EXPECT_NE(dump.out.find("\n  Display Dialog \"Welcome\""), std::string::npos);
  EXPECT_NE(dump.out.find("\n    Set Variable \"X\""), std::string::npos);
  EXPECT_NE(dump.out.find("\n  End @id="), std::string::npos);
  EXPECT_NE(dump.out.find("\nElse If \"R\""), std::string::npos);
  EXPECT_NE(dump.out.find("\n  Install Files \"*\" \"\" \"$TARGETDIR$\" @id=my-own-id @header="),
            std::string::npos);
  EXPECT_NE(dump.out.find("\nComment \"Y\" \"@not an attribute\" @id="), std::string::npos);
}

TEST(RoundTripTest, DumpRefusesFilesWithoutAScript) {
  BuilderFixture f;
  WriteFile(f.dir() / "text.exe", "plain text, no program");
  const std::pair<std::string, std::string> cases[] = {
      {f.engine(), "no script is appended"},
      {f.dir() / "text.exe", "not a setup program"},
      {f.dir() / "missing", "cannot read the setup"},
  };
  for (const auto& [file, message] : cases) {
    ProcessResult dump = f.Dump(file);
    EXPECT_EQ(dump.exit_code, 1) << file;
    EXPECT_NE(dump.err.find(file + ": " + message), std::string::npos) << dump.err;
  }
}

}  // namespace
}  // namespace quillset::testing
