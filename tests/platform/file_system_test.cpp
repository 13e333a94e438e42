#include <gtest/gtest.h>
#include <sys/xattr.h>

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <thread>

#include "tests/platform/platform_fixture.h"

namespace quillset::platform::posix {
namespace {

class FileSystemTest : public ::testing::Test {
 protected:
  PrefixPlatform platform_;
  FileSystem& files_ = platform_->files;
  std::string Host(const std::string& relative) { return platform_.prefix() / ("drive_c/" + relative); }
};

TEST_F(FileSystemTest, FilesAreWrittenReadAndFoundWithoutRegardToCase) {
  ASSERT_TRUE(files_.CreateDirectories("C:\\Data\\Sub"));
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\Data\\Sub\\File.txt", "hello"));
  EXPECT_EQ(ReadWholeFile(files_, "c:/DATA/sub/FILE.TXT").value_or(""), "hello");
  EXPECT_TRUE(files_.FileExists("C:\\data\\SUB\\file.txt"));
  EXPECT_FALSE(files_.FileExists("C:\\data\\SUB"));
  EXPECT_TRUE(files_.DirectoryExists("C:\\data\\SUB\\"));
  EXPECT_EQ(files_.FileSize("C:\\DATA\\Sub\\File.txt").value_or(0), 5u);
  EXPECT_EQ(files_.LongPathName("c:\\data\\sub\\file.txt"), "C:\\Data\\Sub\\File.txt");
  EXPECT_EQ(files_.ShortPathName("c:\\data\\sub\\"), "C:\\Data\\Sub\\");
  EXPECT_EQ(files_.LongPathName("C:\\data\\none"), "");
  // A new name below existing folders reuses their spelling.
  ASSERT_TRUE(files_.CreateDirectories("C:\\DATA\\SUB\\New"));
  EXPECT_TRUE(std::filesystem::is_directory(Host("Data/Sub/New")));

  auto file = files_.Open("C:\\Data\\Sub\\File.txt", OpenMode::kReadWrite);
  ASSERT_TRUE(file);
  ASSERT_TRUE(file->SeekToEnd());
  ASSERT_TRUE(file->Write(" world", 6));
  ASSERT_TRUE(file->Seek(6));
  char buffer[16] = {};
  EXPECT_EQ(file->Read(buffer, sizeof buffer), 5);
  EXPECT_EQ(std::string(buffer), "world");
  EXPECT_EQ(file->Size().value_or(0), 11u);
  EXPECT_FALSE(files_.Open("C:\\Data\\Sub", OpenMode::kRead));
  EXPECT_FALSE(files_.Open("C:\\Data\\missing.txt", OpenMode::kRead));
  EXPECT_FALSE(files_.Open("Q:\\x.txt", OpenMode::kCreateTruncate));

  auto entries = files_.ListDirectory("c:\\data\\sub");
  std::sort(entries.begin(), entries.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  ASSERT_EQ(entries.size(), 2u);
  EXPECT_EQ(entries[0].name, "File.txt");
  EXPECT_FALSE(entries[0].is_directory);
  EXPECT_EQ(entries[0].size, 11u);
  EXPECT_EQ(entries[1].name, "New");
  EXPECT_TRUE(entries[1].is_directory);
}

TEST_F(FileSystemTest, AttributesKeepWindowsBitsAndReadOnlyProtects) {
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\a.txt", "a"));
  EXPECT_EQ(files_.GetAttributes("C:\\a.txt"), kAttributeNormal);
  EXPECT_EQ(files_.GetAttributes("C:\\"), kAttributeDirectory);
  EXPECT_FALSE(files_.GetAttributes("C:\\none"));

  ASSERT_TRUE(files_.SetAttributes("C:\\a.txt", kAttributeReadOnly));
  EXPECT_EQ(files_.GetAttributes("C:\\a.txt"), kAttributeReadOnly);
  // As on Windows, a read-only file is neither written, replaced nor deleted, whoever asks.
  EXPECT_FALSE(files_.Open("C:\\a.txt", OpenMode::kCreateTruncate));
  EXPECT_FALSE(files_.DeleteFile("C:\\a.txt"));
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\b.txt", "b"));
  EXPECT_FALSE(files_.CopyFile("C:\\b.txt", "C:\\a.txt", true));
  EXPECT_TRUE(files_.Open("C:\\a.txt", OpenMode::kRead));

  // Without extended attributes the bits are dropped, which is all the host can do.
  bool xattrs = setxattr(Host("b.txt").c_str(), "user.probe", "1", 1, 0) == 0;
  const uint32_t marks = kAttributeHidden | kAttributeSystem | kAttributeArchive;
  const uint32_t kept = xattrs ? marks : kAttributeNormal;
  ASSERT_TRUE(files_.SetAttributes("C:\\b.txt", marks));
  EXPECT_EQ(files_.GetAttributes("C:\\b.txt"), kept);
  ASSERT_TRUE(files_.CopyFile("C:\\b.txt", "C:\\c.txt", false));
  EXPECT_EQ(files_.GetAttributes("C:\\c.txt"), kept);

  ASSERT_TRUE(files_.SetAttributes("C:\\a.txt", kAttributeNormal));
  EXPECT_EQ(files_.GetAttributes("C:\\a.txt"), kAttributeNormal);
  EXPECT_TRUE(files_.DeleteFile("C:\\a.txt"));
  EXPECT_FALSE(files_.FileExists("C:\\a.txt"));

  // A folder's read-only bit is a mark only: files can still be made inside.
  ASSERT_TRUE(files_.CreateDirectories("C:\\ro"));
  ASSERT_TRUE(files_.SetAttributes("C:\\ro", kAttributeReadOnly | kAttributeDirectory));
  EXPECT_EQ(files_.GetAttributes("C:\\ro"), kAttributeDirectory | (xattrs ? uint32_t{kAttributeReadOnly} : 0u));
  EXPECT_TRUE(WriteWholeFile(files_, "C:\\ro\\x", "x"));
}

TEST_F(FileSystemTest, CopyMoveAndRemoveFollowWindowsRules) {
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\from.txt", "data"));
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\taken.txt", "old"));
  EXPECT_FALSE(files_.CopyFile("C:\\from.txt", "C:\\taken.txt", false));
  EXPECT_EQ(ReadWholeFile(files_, "C:\\taken.txt").value_or(""), "old");
  EXPECT_TRUE(files_.CopyFile("C:\\from.txt", "C:\\taken.txt", true));
  EXPECT_EQ(ReadWholeFile(files_, "C:\\taken.txt").value_or(""), "data");
  EXPECT_FALSE(files_.CopyFile("C:\\missing.txt", "C:\\new.txt", true));

  EXPECT_FALSE(files_.MoveFile("C:\\from.txt", "C:\\taken.txt"));  // never replaces
  EXPECT_TRUE(files_.MoveFile("C:\\FROM.TXT", "C:\\moved.txt"));
  EXPECT_FALSE(files_.FileExists("C:\\from.txt"));
  EXPECT_EQ(ReadWholeFile(files_, "C:\\moved.txt").value_or(""), "data");

  ASSERT_TRUE(files_.CreateDirectories("C:\\dir"));
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\dir\\x", "x"));
  EXPECT_FALSE(files_.RemoveDirectory("C:\\dir"));
  EXPECT_FALSE(files_.DeleteFile("C:\\dir"));
  EXPECT_TRUE(files_.DeleteFile("C:\\dir\\x"));
  EXPECT_TRUE(files_.RemoveDirectory("C:\\DIR"));
  EXPECT_FALSE(files_.DirectoryExists("C:\\dir"));
}

TEST_F(FileSystemTest, ExclusiveFolderHasExactlyOneWinner) {
  constexpr int kRacers = 8;
  for (int round = 0; round < 20; ++round) {
    std::string name = "C:\\race" + std::to_string(round);
    std::atomic<int> winners{0};
    std::vector<std::thread> racers;
    for (int i = 0; i < kRacers; ++i) racers.emplace_back([&] { winners += files_.CreateDirectoryExclusive(name); });
    for (auto& racer : racers) racer.join();
    EXPECT_EQ(winners, 1) << name;
  }
  EXPECT_FALSE(files_.CreateDirectoryExclusive("C:\\race0"));
  ASSERT_TRUE(WriteWholeFile(files_, "C:\\plain", ""));
  EXPECT_FALSE(files_.CreateDirectoryExclusive("C:\\plain"));
}

TEST_F(FileSystemTest, DriveTypes) {
  EXPECT_EQ(files_.GetDriveType("C:\\"), DriveType::kFixed);
  EXPECT_EQ(files_.GetDriveType("z:\\"), DriveType::kFixed);
  EXPECT_EQ(files_.GetDriveType(""), DriveType::kFixed);
  EXPECT_EQ(files_.GetDriveType("D:\\"), DriveType::kNoRootDir);
  EXPECT_EQ(files_.GetDriveType("\\\\server\\share\\"), DriveType::kNoRootDir);
}

}  // namespace
}  // namespace quillset::platform::posix
