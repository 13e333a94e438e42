#include "engine/trace_log.h"

#include <gtest/gtest.h>

#include "platform/posix/posix_platform.h"
#include "tests/support/test_support.h"

namespace quillset::engine {
namespace {

// A trace log named without a drive keeps naming the same file after the current folder moves
// to another drive, as it does while the installer runs in the support folder.
TEST(TraceLog, APathKeepsItsFileWhenTheCurrentFolderChanges) {
  testing::TempDir prefix, logs;
  auto host = platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/setup"}});
  platform::Platform& p = host->platform();
  TraceLog trace(p.files, p.system);
  trace.SetPath(logs / "trace.log");  // a host path: on the drive of the current folder
  trace.Write("first");
  ASSERT_TRUE(p.system.SetCurrentDirectory("C:\\"));
  trace.SetPath(logs / "trace.log");  // refreshed from LOGGED before a statement
  trace.Write("second");
  EXPECT_EQ(testing::ReadFile(logs / "trace.log"), p.system.AnsiToUtf16Le("first\r\nsecond\r\n"));
}

}  // namespace
}  // namespace quillset::engine
