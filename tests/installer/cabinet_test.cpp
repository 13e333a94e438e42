// Cabinet extraction writes only where the caller says, inside the target folder.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/installer/cabinet.h"
#include "tests/support/test_support.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;

TEST(CabinetExtraction, PathsThatLeaveTheFolderAreRefused) {
  testing::TempDir work;
  testing::WriteFile(work / "entry.txt", "bytes");
  auto made = testing::RunProcess({"/usr/bin/gcab", "-c", "-n", "test.cab", "entry.txt"}, {}, 60, work.path());
  ASSERT_EQ(made.exit_code, 0) << made.err;
  fs::create_directories(work / "target");
  for (const char* bad : {"../escaped.txt", "/tmp/escaped.txt", "sub/../../escaped.txt", "sub\\escaped.txt", "",
                                 "./escaped.txt"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(ExtractCabinet(work / "test.cab", work / "target",
                                [&](const std::string&, uint32_t) { return std::optional<std::string>(bad); }),
                 CabinetError);
  }
  EXPECT_FALSE(fs::exists(work / "escaped.txt"));
  EXPECT_TRUE(fs::is_empty(work / "target"));

  std::vector<std::string> seen;
  ExtractCabinet(work / "test.cab", work / "target", [&](const std::string& entry, uint32_t size) {
    seen.push_back(entry + ":" + std::to_string(size));
    return std::optional<std::string>("sub/placed.txt");
  });
  EXPECT_EQ(seen, std::vector<std::string>{"entry.txt:5"});
  EXPECT_EQ(testing::ReadFile(work / "target/sub/placed.txt"), "bytes");
  EXPECT_THROW(ExtractCabinet(work / "entry.txt", work / "target",
                              [](const std::string&, uint32_t) { return std::optional<std::string>(); }),
               CabinetError);
}

}  // namespace
}  // namespace quillset::platform::posix::installer
