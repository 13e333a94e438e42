// Building a project: the four files of a setup and the compiled script inside the first.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <set>

#include "builder/builder_fixture.h"

namespace quillset::testing {
namespace {

const char kProject[] =
    "# A project that uses most of the format.\r\n"
    "[setup]\r\n"
    "base = mysetup\r\n"
    "package = setup.msi\r\n"
    "support = support\r\n"
    "[product]\r\n"
    "code = {0C3F1E2A-1111-4222-8333-444455556666}\r\n"
    "revision = {ABCDEF01-2345-4678-9ABC-DEF012345678}\r\n"
    "title = \"  Spaced Title \"\r\n"
    "media-mode = 2\r\n"
    "language-dialog = true\r\n"
    "default-language = Deutsch\r\n"
    "[publisher]\r\n"
    "company = Orvandel\r\n"
    "version = 2.5\r\n"
    "[plugins]\r\n"
    "My Plugin\r\n"
    "[web-media-passwords]\r\n"
    "Block1 \"pro tected\"\r\n"
    "[components]\r\n"
    "\"Program\\Help\" 1024\r\n"
    "[web-media-files]\r\n"
    "Block1 \"bin\\app.exe\" bin\r\n"
    "[compiler-variables]\r\n"
    "BUILDMODE = SFX\r\n"
    "EMPTY =\r\n"
    "[statements]\r\n"
    "Set Variable \"A\" \"$\"\r\n"                                     // 0
    "If \"A\" \"0\" \"$DOLLAR$ beside\" \"FALSE\"\r\n"                   // 1
    "  Install Files \"*.*\" \"\" \"$TARGETDIR$\" @header=DC98F967\r\n"  // 2
    "Else\r\n"                                                        // 3
    "  Write Registry \"x\" \"y\" \"z\" @media=Block1\r\n"               // 4
    "End @id={00000000-0000-4000-8000-000000000001}\r\n"              // 5
    "Create Folder \"C:\\old\" @disabled\r\n"                          // 6
    "My Plugin \"say \"\"hi\"\"\" \"lib\\plug.dll\"\r\n"                 // 7
    "Comment \" lead\" \"trail \" \"\" \"\tab\" \"#x\" \"@y\" \"\xE9t\xE9\"\r\n"  // 8
    "Apply Changes \"\" \"RESULT\" \"TRUE\" \"FALSE\"\r\n";               // 9

bool IsUpperHex(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789ABCDEF") == std::string::npos;
}

bool IsFreshGuid(const std::string& text) {
  if (text.size() != 38 || text.front() != '{' || text.back() != '}') return false;
  const size_t groups[][2] = {{1, 8}, {10, 4}, {15, 4}, {20, 4}, {25, 12}};
  for (const auto& [start, length] : groups)
    if (!IsUpperHex(text.substr(start, length)) || (start > 1 && text[start - 1] != '-')) return false;
  return true;
}

TEST(BuildTest, WritesTheFourFilesOfASetup) {
  BuilderFixture f;
  f.WriteProject(kProject);
  ProcessResult run = f.Build();
  ASSERT_EQ(run.exit_code, 0) << run.err;

  std::string setup = f.out() + "/mysetup";
  std::string engine = ReadFile(f.engine());
  EXPECT_EQ(ReadFile(setup).substr(0, engine.size()), engine);
  EXPECT_EQ(ReadFile(f.out() + "/mysetup.msi"), ReadFile(f.dir() / "setup.msi"));
  EXPECT_EQ(ReadFile(f.out() + "/zep.lib"), ReadFile(f.dir() / "engine/zep.lib"));
  EXPECT_FALSE(std::filesystem::exists(f.out() + "/mysetup.msp"));
  ProcessResult listing = RunProcess({"/usr/bin/7z", "l", "-slt", f.out() + "/mysetup.res"});
  EXPECT_EQ(listing.exit_code, 0);
  EXPECT_NE(listing.out.find("Path = readme.txt"), std::string::npos) << listing.out;
  EXPECT_NE(listing.out.find("Type = 7z"), std::string::npos);
}

TEST(BuildTest, ScriptSectionsHoldTheProject) {
  BuilderFixture f;
  f.WriteProject(kProject);
  ASSERT_EQ(f.Build().exit_code, 0);
  std::string text = f.ScriptOf(f.out() + "/mysetup");

  // CR LF throughout, eleven section ends.
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && text[at - 1] == '\r') << at;
  size_t ends = 0;
  for (size_t at = 0; (at = text.find("\r\n$\r\n", at)) != std::string::npos; ++at) ++ends;
  EXPECT_EQ(ends, 11u);
  EXPECT_NE(text.find("\r\n$DOLLAR$\r\n"), std::string::npos);

  script::LoadedScript s = Load(text);
  ASSERT_EQ(s.statement_count(), 10u);
  EXPECT_EQ(s.commands, (std::vector<std::string>{"Set Variable", "If", "Install Files", "Else",
                                                  "Write Registry", "End", "Comment", "My Plugin",
                                                  "Comment", "Apply Changes"}));
  EXPECT_EQ(s.disabled_flags[6], "C");
  EXPECT_EQ(s.disabled_flags[5], "");
  EXPECT_EQ(s.identifiers[5], "{00000000-0000-4000-8000-000000000001}");
  std::set<std::string> distinct(s.identifiers.begin(), s.identifiers.end());
  EXPECT_EQ(distinct.size(), 10u);
  for (size_t n = 0; n < 10; ++n) {
    if (n != 5) {
      EXPECT_TRUE(IsFreshGuid(s.identifiers[n])) << s.identifiers[n];
    }
  }

  // One record per statement with parameters: identifier line plus its parameters.
  const size_t counts[] = {2, 4, 3, 0, 3, 0, 1, 2, 7, 4};
  size_t record_lines = 0;
  for (size_t count : counts) record_lines += count ? count + 1 : 0;
  EXPECT_EQ(s.parameter_text.size(), record_lines);
  EXPECT_EQ(s.Parameter(s.identifiers[0], 2), "$");
  EXPECT_EQ(s.Parameter(s.identifiers[1], 3), "$DOLLAR$ beside");
  EXPECT_EQ(s.Parameter(s.identifiers[6], 1), "C:\\old");  // a disabled statement keeps its record
  EXPECT_EQ(s.Parameter(s.identifiers[7], 1), "say \"hi\"");
  const std::vector<std::string> comment = {" lead", "trail ", "", "\tab", "#x", "@y", "\xE9t\xE9"};
  for (size_t k = 0; k < comment.size(); ++k)
    EXPECT_EQ(s.Parameter(s.identifiers[8], k + 1), comment[k]) << k;

  // Headers for the enabled installer-side statements only: the fixed one, a fresh one.
  ASSERT_EQ(s.command_headers.size(), 4u);
  EXPECT_EQ(s.CommandHeader(2), "DC98F967");
  EXPECT_EQ(s.CommandHeader(4).size(), 8u);
  EXPECT_TRUE(IsUpperHex(s.CommandHeader(4)));
  EXPECT_EQ(s.CommandHeader(6), "");
  EXPECT_EQ(s.statement_media[4], "Block1");

  EXPECT_EQ(s.product_code, "{0C3F1E2A-1111-4222-8333-444455556666}");
  EXPECT_EQ(s.revision_code, "{ABCDEF01-2345-4678-9ABC-DEF012345678}");
  EXPECT_EQ(s.title, "  Spaced Title ");
  EXPECT_EQ(s.plugin_commands, std::vector<std::string>{"My Plugin"});
  EXPECT_EQ(s.company, "Orvandel");
  EXPECT_EQ(s.contact, "");
  EXPECT_EQ(s.version, "2.5");
  EXPECT_EQ(s.web_media_passwords, (std::vector<std::string>{"Block1", "pro tected"}));
  EXPECT_EQ(s.media_mode, 2);
  EXPECT_EQ(s.component_definitions, (std::vector<std::string>{"Program\\Help", "1024"}));
  EXPECT_EQ(s.web_media_files, (std::vector<std::string>{"Block1", "bin\\app.exe", "bin"}));
  EXPECT_TRUE(s.language_dialog);
  EXPECT_EQ(s.default_language, "Deutsch");
  EXPECT_EQ(s.compiler_variables, (std::vector<std::string>{"BUILDMODE", "SFX", "EMPTY", ""}));
}

TEST(BuildTest, OpenCodesAndIdentifiersAreFreshEachBuild) {
  BuilderFixture f;
  f.WriteProject(
      "[setup]\npackage = setup.msi\nsupport = support\n[product]\nrevision = generate\n"
      "[statements]\nCreate Folder \"x\"\nCreate Folder \"y\"\n");
  ASSERT_EQ(f.Build(f.project(), f.dir() / "one").exit_code, 0);
  ASSERT_EQ(f.Build(f.project(), f.dir() / "two").exit_code, 0);
  script::LoadedScript one = Load(f.ScriptOf(f.dir() / "one/setup"));
  script::LoadedScript two = Load(f.ScriptOf(f.dir() / "two/setup"));
  EXPECT_TRUE(IsFreshGuid(one.product_code));
  EXPECT_TRUE(IsFreshGuid(one.revision_code));
  EXPECT_NE(one.product_code, two.product_code);
  EXPECT_NE(one.identifiers, two.identifiers);
  EXPECT_NE(one.CommandHeader(0), one.CommandHeader(1));
  EXPECT_EQ(one.default_language, "English");
  EXPECT_EQ(one.media_mode, 1);
}

TEST(BuildTest, EmptySupportFolderAndPatchPackage) {
  BuilderFixture f;
  std::filesystem::remove_all(f.dir() / "support");
  std::filesystem::create_directories(f.dir() / "support");
  WriteFile(f.dir() / "fix.MSP", "patch");
  WriteFile(f.out() + "/setup.msi", "left from an earlier build");
  f.WriteProject("[setup]\npackage = fix.MSP\nsupport = support\n");
  ProcessResult run = f.Build();
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(ReadFile(f.out() + "/setup.msp"), "patch");
  EXPECT_FALSE(std::filesystem::exists(f.out() + "/setup.msi"));
  EXPECT_EQ(RunProcess({"/usr/bin/7z", "t", f.out() + "/setup.res"}).exit_code, 0);
  EXPECT_EQ(Load(f.ScriptOf(f.out() + "/setup")).statement_count(), 0u);
}

TEST(BuildTest, DemoProjectBuilds) {
  BuilderFixture f;
  std::filesystem::copy_file(SourcePath("examples/demo/setup.qsp"), f.project());
  std::filesystem::copy(SourcePath("examples/demo/support"), f.dir() / "support",
                        std::filesystem::copy_options::overwrite_existing);
  WriteFile(f.dir() / "demo.msi", "stands in for the package run.sh builds");
  ProcessResult run = f.Build();
  ASSERT_EQ(run.exit_code, 0) << run.err;
  script::LoadedScript s = Load(f.ScriptOf(f.out() + "/setup"));
  auto install = std::find(s.commands.begin(), s.commands.end(), "Install Files");
  ASSERT_NE(install, s.commands.end());
  // The demo's package refers to this statement by its header.
  EXPECT_EQ(s.CommandHeader(static_cast<size_t>(install - s.commands.begin())), "DE30F001");
  EXPECT_EQ(s.commands.back(), "Apply Changes");
}

}  // namespace
}  // namespace quillset::testing
