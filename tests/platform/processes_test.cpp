#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "tests/platform/platform_fixture.h"

namespace quillset::platform::posix {
namespace {

TEST(Processes, StartWaitListAndTerminate) {
  PrefixPlatform platform;
  Processes& processes = platform->processes;
  std::string error;

  // A Windows path with blanks, quoted, and arguments split by Windows' rules.
  testing::WriteFile(platform.prefix() / "drive_c/Program Files/tool/run it.sh",
                     "#!/bin/sh\n[ \"$1\" = \"a b\" ] && [ \"$2\" = 'q\"x' ] && pwd > out.txt && exit 7\nexit 1\n");
  std::filesystem::permissions(platform.prefix() / "drive_c/Program Files/tool/run it.sh", std::filesystem::perms::owner_all);
  platform->files.CreateDirectories("C:\\work");
  auto script = processes.Start("\"C:\\Program Files\\tool\\run it.sh\" \"a b\" q\\\"x", "C:\\work", &error);
  ASSERT_TRUE(script) << error;
  EXPECT_EQ(script->Wait(std::nullopt), 7u);
  EXPECT_NE(testing::ReadFile(platform.prefix() / "drive_c/work/out.txt").find("drive_c/work"), std::string::npos);

  auto sleeper = processes.Start("sleep 30", "", &error);
  ASSERT_TRUE(sleeper) << error;
  EXPECT_EQ(sleeper->Wait(50), std::nullopt);
  auto listed = processes.List();
  EXPECT_TRUE(std::any_of(listed.begin(), listed.end(), [](const RunningProcess& p) { return p.image_name == "sleep"; }));
  EXPECT_TRUE(sleeper->Terminate());
  EXPECT_EQ(sleeper->Wait(5000), 128u + 9);

  EXPECT_EQ(processes.Start("C:\\missing\\program.exe", "", &error), nullptr);
  EXPECT_NE(error.find("Unable to start"), std::string::npos);
  EXPECT_EQ(processes.Start("", "", &error), nullptr);
}

}  // namespace
}  // namespace quillset::platform::posix
