#include "platform/posix/temp_folder.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "tests/support/test_support.h"

namespace quillset::platform::posix {
namespace {

std::string OwnName(const testing::TempDir& parent) { return parent / ("quillset-" + std::to_string(geteuid())); }

void ExpectPrivateFolder(const std::string& path) {
  struct stat st;
  ASSERT_EQ(lstat(path.c_str(), &st), 0) << path;
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_uid, geteuid());
  EXPECT_EQ(st.st_mode & 0777, 0700u);
}

TEST(TempFolderTest, CreatesAndReusesThePrivateFolder) {
  testing::TempDir parent;
  std::string first = PrivateTempFolder(parent.path());
  EXPECT_EQ(first, OwnName(parent));
  ExpectPrivateFolder(first);
  EXPECT_EQ(PrivateTempFolder(parent.path()), first);
}

TEST(TempFolderTest, MissingParentIsCreated) {
  testing::TempDir prefix;
  std::string folder = PrivateTempFolder(prefix / "drive_c/tmp");
  ExpectPrivateFolder(folder);
}

// A planted name is never used; a fresh private folder takes its place and the plant stays.
TEST(TempFolderTest, UnsafeExistingNameIsNotUsed) {
  struct Plant {
    const char* what;
    bool (*make)(const std::string& path, const std::string& elsewhere);  // false: not possible here
  };
  const Plant plants[] = {
      {"symbolic link", [](const std::string& path, const std::string& elsewhere) {
         std::filesystem::create_directory(elsewhere);
         chmod(elsewhere.c_str(), 0700);
         std::filesystem::create_directory_symlink(elsewhere, path);
         return true;
       }},
      {"plain file", [](const std::string& path, const std::string&) {
         testing::WriteFile(path, "x");
         return true;
       }},
      {"open to others", [](const std::string& path, const std::string&) {
         std::filesystem::create_directory(path);
         return chmod(path.c_str(), 0755) == 0;
       }},
      {"owned by another user", [](const std::string& path, const std::string&) {
         std::filesystem::create_directory(path);
         chmod(path.c_str(), 0700);
         return chown(path.c_str(), geteuid() + 1, static_cast<gid_t>(-1)) == 0;  // root only
       }},
  };
  for (const auto& plant : plants) {
    SCOPED_TRACE(plant.what);
    testing::TempDir parent;
    std::string planted = OwnName(parent);
    if (!plant.make(planted, parent / "elsewhere")) continue;
    std::string folder = PrivateTempFolder(parent.path());
    EXPECT_NE(folder, planted);
    EXPECT_EQ(folder.rfind(planted + "-", 0), 0u) << folder;
    ExpectPrivateFolder(folder);
  }
}

}  // namespace
}  // namespace quillset::platform::posix
