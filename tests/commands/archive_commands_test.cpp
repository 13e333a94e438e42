// "Extract 7Zip Archive" over the built zep.lib, with archives made by the 7z command.
#include "commands/archive_commands.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "tests/commands/command_fixture.h"
#include "ui/progress.h"

namespace quillset::commands {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::WriteFile;

class ExtractArchiveTest : public CommandFixture {
 protected:
  ExtractArchiveTest() {
    // zep.lib maps drive C: by the process's prefix, as it does in a setup.
    setenv("QUILLSET_PREFIX", prefix_.path().c_str(), 1);
    RegisterArchiveCommands(table_);
    WriteFile(source_ / "docs/readme.txt", "read me");
    WriteFile(source_ / "top.txt", "top");
    SevenZip({"a", "-bd", archive_ / "plain.7z", "docs", "top.txt"});
    SevenZip({"a", "-bd", "-psecret", "-mhe=on", archive_ / "locked.7z", "top.txt"});
  }
  void SevenZip(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv = {"/usr/bin/7z"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    auto result = testing::RunProcess(argv, {}, 120, source_.path());
    ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
  }
  ~ExtractArchiveTest() override { unsetenv("QUILLSET_PREFIX"); }
  std::string Windows(const std::string& host) const { return host_->paths().ToWindows(host); }

  testing::TempDir source_;
  testing::TempDir archive_;
};

TEST_F(ExtractArchiveTest, ExtractsBelowANewFolderKeepingOrDroppingTheArchiveFolders) {
  variables_.SetVariable("ARCHIVES", Windows(archive_.path()), "test");
  Run({{"Extract 7Zip Archive", {"$ARCHIVES$\\\\plain.7z", "C:\\\\deep\\new\\kept", "outcome", "", "TRUE", "TRUE"}},
       {"Extract 7Zip Archive", {"$ARCHIVES$\\plain.7z", "C:\\flat", "", "", "TRUE", "false"}}});
  EXPECT_EQ(ReadFile(DriveC("deep/new/kept/docs/readme.txt")), "read me");
  EXPECT_EQ(ReadFile(DriveC("deep/new/kept/top.txt")), "top");
  EXPECT_EQ(ReadFile(DriveC("flat/readme.txt")), "read me");
  EXPECT_FALSE(fs::exists(DriveC("flat/docs")));
  // The result variable did not exist: it is created under the upper-case name.
  EXPECT_EQ(Var("OUTCOME"), "SUCCESS");
  EXPECT_FALSE(progress_.background_work());
  std::string last = Var(ui::kProgressTextVariable);
  EXPECT_TRUE(last == "readme.txt, 100% complete" || last == "top.txt, 100% complete") << last;
}

TEST_F(ExtractArchiveTest, TheResultVariableReceivesTheArchiveErrorText) {
  variables_.SetVariable("PW", "secret", "test");
  const std::string locked = Windows(archive_ / "locked.7z");
  Run({{"Extract 7Zip Archive", {locked, "C:\\right", "good", "$PW$", "TRUE", "TRUE"}},
       {"Extract 7Zip Archive", {locked, "C:\\wrong", "bad", "guess", "TRUE", "TRUE"}},
       {"Extract 7Zip Archive", {Windows(archive_ / "missing.7z"), "C:\\none", "gone", "", "TRUE", "TRUE"}}});
  EXPECT_EQ(Var("GOOD"), "SUCCESS");
  EXPECT_EQ(ReadFile(DriveC("right/top.txt")), "top");
  EXPECT_EQ(Var("BAD"), media::ListingErrorText(1003));
  EXPECT_EQ(Var("GONE"), media::ListingErrorText(1001));
}

TEST_F(ExtractArchiveTest, ACancelStopsTheExtractionThroughTheLibrary) {
  progress_.SetCancel(true);
  Run({{"Extract 7Zip Archive", {Windows(archive_ / "plain.7z"), "C:\\cancelled", "outcome", "", "TRUE", "TRUE"}}});
  EXPECT_EQ(Var("OUTCOME").substr(0, 1), "#");
  EXPECT_FALSE(fs::exists(DriveC("cancelled/top.txt")));
  EXPECT_FALSE(progress_.background_work());
}

TEST(ExtractionProgress, PercentStartsAboveZeroAndNeverPassesAHundred) {
  struct Case {
    int64_t done, total, percent;
  } cases[] = {{0, 1000, 1}, {5, 1000, 1}, {10, 1000, 2}, {999, 1000, 100}, {1000, 1000, 100}, {0, 0, 1}};
  for (const Case& c : cases) EXPECT_EQ(ExtractionPercent(c.done, c.total), c.percent) << c.done << "/" << c.total;
  EXPECT_EQ(ExtractionProgressText("docs\\sub\\a.txt", 42, "% complete"), "a.txt, 42% complete");
}

}  // namespace
}  // namespace quillset::commands
