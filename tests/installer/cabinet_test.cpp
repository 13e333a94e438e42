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

// Small files are decompressed into memory and written beside the decompression; a cabinet
// with a file too large to hold is written by libgcab. Both put every file whole where the
// caller says, folders made on the way.
TEST(CabinetExtraction, EveryFileIsWrittenWholeWhereverItIsDecompressed) {
  struct Case {
    std::string name;
    std::vector<std::pair<std::string, std::string>> files;
  };
  const std::vector<Case> cases = {
      // The empty file first: between others it makes libgcab keep its inflate state, which
      // the sanitizer run reports as a leak.
      {"small files", {{"empty.txt", ""}, {"a.txt", "first"}, {"b.bin", std::string(300000, 'b')}}},
      {"a file too large to hold", {{"small.txt", "small"}, {"large.bin", std::string(17 << 20, 'L')}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::TempDir work;
    std::vector<std::string> command = {"/usr/bin/gcab", "-c", "-z", "-n", "test.cab"};
    for (const auto& [name, data] : c.files) {
      testing::WriteFile(work / name, data);
      command.push_back(name);
    }
    auto made = testing::RunProcess(command, {}, 60, work.path());
    ASSERT_EQ(made.exit_code, 0) << made.err;
    fs::create_directories(work / "target");
    ExtractCabinet(work / "test.cab", work / "target", [&](const std::string& entry, uint32_t) {
      return std::optional<std::string>("deep/er/" + entry);
    });
    for (const auto& [name, data] : c.files) EXPECT_EQ(testing::ReadFile(work / ("target/deep/er/" + name)), data) << name;
  }
}

TEST(CabinetExtraction, AFileThatCannotBeWrittenFailsTheExtraction) {
  testing::TempDir work;
  testing::WriteFile(work / "entry.txt", "bytes");
  auto made = testing::RunProcess({"/usr/bin/gcab", "-c", "-n", "test.cab", "entry.txt"}, {}, 60, work.path());
  ASSERT_EQ(made.exit_code, 0) << made.err;
  testing::WriteFile(work / "target/blocker", "a file where a folder would go");
  EXPECT_THROW(ExtractCabinet(work / "test.cab", work / "target",
                              [](const std::string&, uint32_t) { return std::optional<std::string>("blocker/entry.txt"); }),
               CabinetError);
}

}  // namespace
}  // namespace quillset::platform::posix::installer
