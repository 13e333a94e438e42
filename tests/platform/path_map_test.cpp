#include "platform/posix/paths/path_map.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace quillset::platform::posix {
namespace {

struct Mapping {
  const char* windows;
  const char* host;  // nullptr: on no drive
};

void ExpectToHost(const PathMap& map, const std::vector<Mapping>& table) {
  for (const auto& row : table) {
    auto host = map.ToHost(row.windows);
    if (row.host)
      EXPECT_EQ(host.value_or("<none>"), row.host) << row.windows;
    else
      EXPECT_FALSE(host) << row.windows << " -> " << *host;
  }
}

// Folders that cannot exist, so the case lookup never finds another spelling.
const std::string kPrefix = "/quillset-no-such-prefix";
const std::string kCwd = "/quillset-no-such-cwd/work";

TEST(PathMapTest, WithoutPrefixDriveCIsTheHostRoot) {
  PathMap map("", kCwd);
  ExpectToHost(map, {
                        {"C:\\qs-a\\b.txt", "/qs-a/b.txt"},
                        {"c:/qs-a/b", "/qs-a/b"},
                        {"C:\\", "/"},
                        {"\\qs-a\\b", "/qs-a/b"},
                        {"/qs-a/b", "/qs-a/b"},
                        {"file.txt", "/quillset-no-such-cwd/work/file.txt"},
                        {"..\\other", "/quillset-no-such-cwd/other"},
                        {"C:", "/quillset-no-such-cwd/work"},
                        {"C:rel", "/quillset-no-such-cwd/work/rel"},
                        {"Z:\\qs-a", "/qs-a"},
                        {"C:\\qs-a\\.\\x\\..\\..\\..\\y", "/y"},
                        {"C:\\qs-a\\name. \\b", "/qs-a/name/b"},
                        {"C:\\qs-a\\", "/qs-a"},
                        {"D:\\qs-a", nullptr},
                        {"\\\\server\\share\\x", nullptr},
                        {"//server/share", nullptr},
                        {"C:\\qs-a\\b:stream", nullptr},
                        {"C:\\qs-a\\*.txt", nullptr},
                        {"", nullptr},
                    });
  EXPECT_EQ(map.ToWindows("/tmp/quillset-0"), "C:\\tmp\\quillset-0");
  EXPECT_EQ(map.ToWindows("/"), "C:\\");
  EXPECT_EQ(map.ToWindows("rel/x"), "C:\\quillset-no-such-cwd\\work\\rel\\x");
  EXPECT_EQ(map.current().ToString(), "C:\\quillset-no-such-cwd\\work");
}

TEST(PathMapTest, WithPrefixRootedPathsLieOnTheCurrentFoldersDrive) {
  PathMap outside(kPrefix, kCwd);  // the current folder is outside drive C:, so on Z:
  ExpectToHost(outside, {
                            {"C:\\qs-a\\b", "/quillset-no-such-prefix/drive_c/qs-a/b"},
                            {"C:\\..\\..", "/quillset-no-such-prefix/drive_c"},
                            {"C:qs-a", "/quillset-no-such-prefix/drive_c/qs-a"},
                            {"\\qs-a\\b", "/qs-a/b"},
                            {"/qs-a/b", "/qs-a/b"},
                            {"Z:\\qs-a", "/qs-a"},
                            {"x", "/quillset-no-such-cwd/work/x"},
                            {"E:\\x", nullptr},
                        });
  EXPECT_EQ(outside.ToWindows(kPrefix + "/drive_c/tmp/quillset-0"), "C:\\tmp\\quillset-0");
  EXPECT_EQ(outside.ToWindows(kPrefix + "/drive_c"), "C:\\");
  EXPECT_EQ(outside.ToWindows(kPrefix + "/drive_cx"), "Z:\\quillset-no-such-prefix\\drive_cx");
  EXPECT_EQ(outside.ToWindows("/etc/passwd"), "Z:\\etc\\passwd");
  EXPECT_EQ(outside.current().ToString(), "Z:\\quillset-no-such-cwd\\work");

  PathMap inside(kPrefix, kPrefix + "/drive_c/app");
  ExpectToHost(inside, {
                           {"\\qs-a", "/quillset-no-such-prefix/drive_c/qs-a"},
                           {"..\\qs-b", "/quillset-no-such-prefix/drive_c/qs-b"},
                           {"Z:\\qs-a", "/qs-a"},
                       });
  EXPECT_EQ(inside.current().ToString(), "C:\\app");
}

TEST(PathMapTest, ExistingNamesAreFoundWithoutRegardToCase) {
  testing::TempDir prefix;
  std::filesystem::create_directories(prefix / "drive_c/Program Files/MyApp");
  testing::WriteFile(prefix / "drive_c/Program Files/MyApp/Data.TXT", "x");
  PathMap map(prefix.path(), "/");
  const std::string app = prefix / "drive_c/Program Files/MyApp";
  ExpectToHost(map, {
                        {"c:\\PROGRAM FILES\\myapp\\data.txt", (app + "/Data.TXT").c_str()},
                        {"C:/program files/MYAPP", app.c_str()},
                        // Existing folders keep their spelling; new names are written as given.
                        {"C:\\program files\\MYAPP\\New\\File.txt", (app + "/New/File.txt").c_str()},
                        {"C:\\PROGRAM FILES~1\\x", (prefix / "drive_c/PROGRAM FILES~1/x").c_str()},
                    });
  EXPECT_EQ(map.ToWindows(app + "/Data.TXT"), "C:\\Program Files\\MyApp\\Data.TXT");
}

TEST(PathMapTest, RelativePrefixIsTakenFromTheCurrentFolder) {
  PathMap map("relative-prefix", "/quillset-no-such-cwd");
  EXPECT_EQ(map.ToHost("C:\\x").value_or(""), "/quillset-no-such-cwd/relative-prefix/drive_c/x");
}

}  // namespace
}  // namespace quillset::platform::posix
