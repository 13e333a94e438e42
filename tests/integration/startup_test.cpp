// The engine as a process: start-up and shutdown of real setups under fresh prefixes.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/setup_fixture.h"

namespace fs = std::filesystem;

namespace quillset::testing {
namespace {

const std::vector<std::string> kFullTrace = {
    "<Quillset>",          "  <SetupSplash>",      "    <StubSize>",       "    </StubSize>",
    "    <StubData>",      "    </StubData>",      "    <GlobalLists>",    "    </GlobalLists>",
    "    <SupportDir>",    "    </SupportDir>",    "    <ExtractArchive>", "    </ExtractArchive>",
    "    <ExtractResource>", "    </ExtractResource>", "    <ResourcePath>", "    </ResourcePath>",
    "    <Dialogs>",       "    </Dialogs>",       "  </SetupSplash>",    "  <RunScript>",
    "    <Variables>",     "    </Variables>",     "    <CompileScript>",  "    </CompileScript>",
    "    <BootStrap>",     "    </BootStrap>",     "    <kvor>",           "    </kvor>",
    "    <ExitScript>",    "    </ExitScript>",    "  </RunScript>",      "  <Free>",
    "  </Free>",           "  <CachedSupportDir>", "  </CachedSupportDir>", "</Quillset>",
};

std::string TempFolderOf(const TempDir& prefix) { return prefix / ("drive_c/tmp/quillset-" + std::to_string(getuid())); }

std::vector<std::string> SupportFolders(const TempDir& prefix) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : fs::directory_iterator(TempFolderOf(prefix), ignored))
    if (entry.path().filename().string().rfind("zep", 0) == 0) names.push_back(entry.path().filename());
  return names;
}

std::string PlainScript() { return ScriptOf({{"Set Variable", {"A", "1"}, ""}, {"Comment", {"x"}, ""}}); }

TEST(Startup, SilentRunWritesTheWholeTraceAndCleansUp) {
  TempDir root, prefix;
  SetupFolder setup(root, PlainScript());
  setup.AddResources({{"readme.txt", "hello"}, {"dialogs/Welcome.dfm", "object"}});
  setup.AddFile("setup.msi", "package");
  EngineRun run = RunSetup(setup, prefix.path(), {"/s"});
  EXPECT_EQ(run.process.exit_code, 0) << run.process.err;
  EXPECT_EQ(run.trace_lines, kFullTrace);
  EXPECT_TRUE(run.trace.find('\0') == std::string::npos);
  EXPECT_TRUE(SupportFolders(prefix).empty());
  EXPECT_FALSE(fs::exists(TempFolderOf(prefix) + "/zep.tmp"));
  EXPECT_FALSE(fs::exists(TempFolderOf(prefix) + "/lang.loc"));
  EXPECT_EQ(run.process.err, "");
}

TEST(Startup, TraceLogIsUtf16LittleEndianWithCrLf) {
  TempDir root, prefix;
  SetupFolder setup(root, PlainScript());
  setup.AddResources({{"a.txt", "a"}});
  setup.AddFile("setup.msi", "package");
  RunSetup(setup, prefix.path(), {"/s"});
  std::string raw = ReadFile(prefix / "trace.log");
  ASSERT_GE(raw.size(), 24u);
  EXPECT_EQ(raw.substr(0, 24), std::string("<\0Q\0u\0i\0l\0l\0s\0e\0t\0>\0\r\0\n\0", 24));
}

TEST(Startup, MixedCaseTraceLogPathIsUsedLowerCased) {
  TempDir root, prefix;
  SetupFolder setup(root, PlainScript());
  setup.AddResources({{"a.txt", "a"}});
  setup.AddFile("setup.msi", "package");
  fs::create_directories(prefix / "Logs");
  EngineRun run = RunSetup(setup, prefix.path(), {"/S", "/L=" + prefix.path() + "/Logs/Setup.LOG"});
  EXPECT_EQ(run.process.exit_code, 0);
  EXPECT_TRUE(fs::exists(prefix / "Logs/setup.log"));
  EXPECT_FALSE(fs::exists(prefix / "Logs/Setup.LOG"));
}

// Each start-up failure ends with its exit code; an interactive run tells the user why.
TEST(Startup, FailuresEndWithTheirExitCodes) {
  struct Case {
    const char* name;
    std::string script;
    bool resources, corrupt_resources;
    const char* package;  // file put beside the engine, or nullptr
    int exit_code;
    const char* message;
    size_t trace_lines;  // lines written before the run ended
  } cases[] = {
      {"nothing appended", "", true, false, "setup.msi", 13, "For internal use only", 3},
      {"no resource archive", PlainScript(), false, false, "setup.msi", 14, "Setup resource not found", 11},
      {"broken resource archive", PlainScript(), true, true, "setup.msi", 15, "Setup resource decompression failure", 11},
      {"no package", PlainScript(), true, false, nullptr, 16, "Setup database not found", 13},
      {"truncated script", PlainScript().substr(0, 120), true, false, "setup.msi", 11, "Runtime error in install: ", 10},
      {"garbage script", std::string("\x7f" "ELF\0\0\x01garbage", 13), true, false, "setup.msi", 11, "Runtime error in install: ", 10},
  };
  for (const auto& c : cases) {
    for (bool silent : {true, false}) {
      TempDir root, prefix;
      SetupFolder setup(root, c.script);
      if (c.resources) setup.AddResources({{"a.txt", "a"}});
      if (c.corrupt_resources) setup.AddFile("setup.res", "7z\xBC\xAF\x27\x1C broken");
      if (c.package) setup.AddFile(c.package, "package");
      std::vector<std::string> arguments;
      if (silent) arguments.push_back("/s");
      EngineRun run = RunSetup(setup, prefix.path(), arguments);
      SCOPED_TRACE(std::string(c.name) + (silent ? " (silent)" : " (interactive)"));
      EXPECT_FALSE(run.process.timed_out);
      EXPECT_EQ(run.process.exit_code, c.exit_code) << run.process.err;
      EXPECT_EQ(run.trace_lines.size(), c.trace_lines) << run.trace;
      if (silent)
        EXPECT_EQ(run.process.err, "");
      else
        EXPECT_NE(run.process.err.find(c.message), std::string::npos) << run.process.err;
      EXPECT_TRUE(SupportFolders(prefix).empty());
    }
  }
}

TEST(Startup, PatchPackageAloneIsEnough) {
  TempDir root, prefix;
  SetupFolder setup(root, PlainScript());
  setup.AddResources({{"a.txt", "a"}});
  setup.AddFile("setup.msp", "patch");
  EngineRun run = RunSetup(setup, prefix.path(), {"/s"});
  EXPECT_EQ(run.process.exit_code, 0) << run.process.err;
  EXPECT_EQ(run.trace_lines, kFullTrace);
}

TEST(Startup, ResumeEntryOfTheProductIsRemoved) {
  TempDir root, prefix;
  SetupFolder setup(root, PlainScript());
  setup.AddResources({{"a.txt", "a"}});
  setup.AddFile("setup.msi", "package");
  std::map<std::string, std::string> env = {{"QUILLSET_PREFIX", prefix.path()}};
  const std::string key = "HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
  for (const char* name : {"6A1F0C3B", "Other"})
    ASSERT_EQ(RunProcess({BinPath("quillset-reg"), "add", key, "/v", name, "/d", "resume", "/f"}, env).exit_code, 0);
  EXPECT_EQ(RunSetup(setup, prefix.path(), {"/s"}).process.exit_code, 0);
  EXPECT_NE(RunProcess({BinPath("quillset-reg"), "query", key, "/v", "6A1F0C3B"}, env).exit_code, 0);
  EXPECT_EQ(RunProcess({BinPath("quillset-reg"), "query", key, "/v", "Other"}, env).exit_code, 0);
}

TEST(Startup, ScriptThatDoesNotCompileEndsWith314AndKeepsTheSupportFolder) {
  TempDir root, prefix;
  SetupFolder setup(root, ScriptOf({{"If", {"TITLE", "0", "x", "FALSE"}, ""}}));
  setup.AddResources({{"readme.txt", "kept"}});
  setup.AddFile("setup.msi", "package");
  EngineRun run = RunSetup(setup, prefix.path(), {});
  EXPECT_EQ(run.process.exit_code, 314 & 0xFF);  // an exit status keeps the low 8 bits
  EXPECT_EQ(run.process.err, "");                 // no message, even in an interactive run
  ASSERT_GE(run.trace_lines.size(), 2u);
  EXPECT_EQ(run.trace_lines.back(), "    <CompileScript>");
  EXPECT_EQ(SupportFolders(prefix), std::vector<std::string>{"zep1"});
  EXPECT_EQ(ReadFile(TempFolderOf(prefix) + "/zep1/readme.txt"), "kept");
}

}  // namespace
}  // namespace quillset::testing
