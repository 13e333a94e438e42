// Faulty projects: each names the file and line of the fault, and nothing is written.
#include <gtest/gtest.h>

#include <filesystem>

#include "builder/builder_fixture.h"

namespace quillset::testing {
namespace {

struct Case {
  const char* name;
  std::string project;
  std::string where_and_what;  // after "<project file>:"
};

// ProjectWithStatements puts the first statement on line 8.
const Case kCases[] = {
    {"unknown section", "[setup]\n[bogus]\n", "2: unknown section [bogus]"},
    {"line before any section", "package = a.msi\n", "1: a line outside any section"},
    {"unknown key", "[product]\ncolour = red\n", "2: unknown key \"colour\" in [product]"},
    {"key twice", "[product]\ntitle = a\ntitle = b\n", "3: \"title\" is given twice"},
    {"bad product code", "[product]\ncode = 1234\n", "2: \"code\" must be a GUID"},
    {"bad media mode", "[product]\nmedia-mode = 4\n", "2: media-mode is 1, 2 or 3"},
    {"lone dollar outside parameters", "[product]\ntitle = $\n", "2: a lone \"$\" cannot be stored here"},
    {"tuple too short", "[web-media-files]\nBlock path\n", "2: expected 3 values on the line"},
    {"control character", "[product]\ntitle = a\x01z\n", "2: control character 1"},
    {"unclosed quote", ProjectWithStatements("Set Variable \"A\" \"open\n"),
     "8: the quoted text has no closing quote"},
    {"bare parameter", ProjectWithStatements("Label \"a\" b\n"),
     "8: expected a quoted parameter or an @attribute"},
    {"unknown attribute", ProjectWithStatements("Label \"a\" @colour=red\n"),
     "8: unknown attribute @colour"},
    {"bad header", ProjectWithStatements("Install Files \"\" \"\" \"x\" @header=12345G78\n"),
     "8: a command header is 8 hexadecimal digits"},
    {"fixed parameter count", ProjectWithStatements("Set Variable \"A\" \"1\"\nSet Variable \"A\"\n"),
     "9: \"Set Variable\" takes 2 parameters, not 1"},
    {"no parameters allowed", ProjectWithStatements("Else \"x\"\n"),
     "8: \"Else\" takes 0 parameters, not 1"},
    {"plug-in parameter count",
     "[plugins]\nMy Plugin\n" + ProjectWithStatements("My Plugin \"only one\"\n"),
     "10: \"My Plugin\" takes 2 parameters, not 1"},
    {"identifier twice",
     ProjectWithStatements("Label \"a\" @id={X}\nLabel \"b\" @id={x}\n"),
     "9: identifier {x} is used twice"},
    {"header twice",
     ProjectWithStatements("Create Folder \"a\" @header=ABCDEF01\nCreate Folder \"b\" @header=abcdef01\n"),
     "9: command header abcdef01 is used twice"},
    {"End without block", ProjectWithStatements("Label \"a\"\nEnd\n"), "9: this End closes no block"},
    {"block without End",
     ProjectWithStatements("If \"A\" \"0\" \"\" \"FALSE\"\nWizard Loop\nEnd\n"), "8: this If has no End"},
    {"missing package", "[setup]\npackage = nothere.msi\nsupport = support\n", "2: package not found"},
    {"package of another kind", "[setup]\nsupport = support\npackage = setup.cab\n",
     "3: the package must be a .msi or .msp file"},
    {"missing support folder", "[setup]\npackage = setup.msi\nsupport = gone\n",
     "3: support folder not found"},
    {"no package named", "[setup]\nsupport = support\n", " no package: add package = ... to [setup]"},
};

TEST(ErrorsTest, FaultyProjectsNameTheLine) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    BuilderFixture f;
    f.WriteProject(c.project);
    ProcessResult run = f.Build();
    EXPECT_EQ(run.exit_code, 1);
    EXPECT_NE(run.err.find(f.project() + ":" + c.where_and_what), std::string::npos) << run.err;
    EXPECT_FALSE(std::filesystem::exists(f.out()));
  }
}

TEST(ErrorsTest, MissingEngineOrArchiveLibrary) {
  BuilderFixture f;
  f.WriteProject("[setup]\npackage = setup.msi\nsupport = support\n");
  std::filesystem::remove(f.dir() / "engine/zep.lib");
  ProcessResult run = f.Build();
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find("zep.lib not found beside the engine"), std::string::npos) << run.err;

  run = RunProcess({BinPath("quillset-build"), f.project(), "-o", f.out(), "--engine", f.dir() / "none"});
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_NE(run.err.find(f.dir() / "none: engine not found"), std::string::npos) << run.err;
  EXPECT_FALSE(std::filesystem::exists(f.out()));

  EXPECT_EQ(RunProcess({BinPath("quillset-build"), f.project()}).exit_code, 2);
}

}  // namespace
}  // namespace quillset::testing
