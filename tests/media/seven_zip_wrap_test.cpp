// SevenZipWrap over the built zep.lib and the real plugin library, with archives made by the 7z
// command at test time.
#include "media/seven_zip_wrap.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>

#include "platform/posix/posix_platform.h"
#include "tests/support/test_support.h"

namespace quillset::media {
namespace {

namespace fs = std::filesystem;
using quillset::testing::ReadFile;
using quillset::testing::TempDir;
using quillset::testing::WriteFile;

const char kCannotOpen[] = "The archive cannot be opened: unsupported archive or incorrect password";

// Drive Z: is the host root whatever the prefix.
std::string Windows(const std::string& host) {
  std::string path = "Z:" + host;
  std::replace(path.begin(), path.end(), '/', '\\');
  return path;
}

// Runs the 7z command in folder; the test fails when it does.
void SevenZip(const std::vector<std::string>& arguments, const std::string& folder) {
  std::vector<std::string> argv = {"/usr/bin/7z"};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  auto result = quillset::testing::RunProcess(argv, {}, 300, folder);
  ASSERT_EQ(result.exit_code, 0) << result.out << result.err;
}

// Bytes that compress a little, so that a big file spans many progress reports.
std::string MixedData(size_t size) {
  std::string data(size, '\0');
  uint32_t state = 12345;
  for (size_t i = 0; i < size; ++i) {
    state = state * 1103515245 + 12345;
    data[i] = static_cast<char>((state >> 16) % 64);
  }
  return data;
}

class SevenZipWrapTest : public ::testing::Test {
 protected:
  SevenZipWrapTest()
      : platform_(platform::posix::CreatePosixPlatform({dir_ / "prefix", {"test"}})),
        wrap_(platform_->platform().libraries, Windows(quillset::testing::BinPath("zep.lib"))) {}

  // An archive made from the files below src (created by the caller) with extra 7z switches.
  std::string MakeArchive(const std::string& name, const std::vector<std::string>& switches = {}) {
    std::vector<std::string> arguments = {"a", dir_ / name};
    arguments.insert(arguments.end(), switches.begin(), switches.end());
    arguments.push_back(".");
    SevenZip(arguments, dir_ / "src");
    return dir_ / name;
  }

  bool Extract(const std::string& archive, const std::string& password, const std::string& target,
               bool keep_folders = true, bool overwrite = true, const ExtractionProgress& progress = {}) {
    return wrap_.ExtractArchiveFiles(Windows(archive), password, Windows(target), keep_folders, overwrite, progress,
                                     error_);
  }

  TempDir dir_;
  std::unique_ptr<platform::posix::PosixPlatform> platform_;
  SevenZipWrap wrap_;
  std::string error_;
};

TEST_F(SevenZipWrapTest, ListsAndExtractsWithAndWithoutFolders) {
  WriteFile(dir_ / "src/readme.txt", "read me");
  WriteFile(dir_ / "src/docs/guide/intro.txt", "intro");
  WriteFile(dir_ / "src/docs/Grüße 😀.txt", "smile");  // beyond 16 bits: a surrogate pair inside
  std::string archive = MakeArchive("a.7z");

  std::vector<std::string> names;
  ASSERT_TRUE(wrap_.ListArchive(Windows(archive), "", names, error_)) << error_;
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"docs", "docs\\Grüße 😀.txt", "docs\\guide", "docs\\guide\\intro.txt",
                                             "readme.txt"}));

  ASSERT_TRUE(Extract(archive, "", dir_ / "kept")) << error_;
  EXPECT_EQ(error_, "");
  EXPECT_EQ(ReadFile(dir_ / "kept/docs/guide/intro.txt"), "intro");
  EXPECT_EQ(ReadFile(dir_ / "kept/readme.txt"), "read me");
  EXPECT_EQ(ReadFile(dir_ / "kept/docs/Grüße 😀.txt"), "smile");

  ASSERT_TRUE(Extract(archive, "", dir_ / "flat", false)) << error_;
  EXPECT_EQ(ReadFile(dir_ / "flat/intro.txt"), "intro");
  EXPECT_FALSE(fs::exists(dir_ / "flat/docs"));
}

TEST_F(SevenZipWrapTest, TargetOnDriveCLiesInThePrefix) {
  WriteFile(dir_ / "src/f.txt", "f");
  std::string archive = MakeArchive("a.7z");
  setenv("QUILLSET_PREFIX", (dir_ / "prefix").c_str(), 1);
  bool ok = wrap_.ExtractArchiveFiles(Windows(archive), "", "C:\\Setup\\Files", true, true, {}, error_);
  unsetenv("QUILLSET_PREFIX");
  ASSERT_TRUE(ok) << error_;
  EXPECT_EQ(ReadFile(dir_ / "prefix/drive_c/Setup/Files/f.txt"), "f");
}

TEST_F(SevenZipWrapTest, Passwords) {
  // Three blocks: the plugin asks for the password once per block, the engine answers once.
  WriteFile(dir_ / "src/one.txt", "one");
  WriteFile(dir_ / "src/two.txt", "two");
  WriteFile(dir_ / "src/three.txt", "three");
  const std::string long_password(1100, 'k');  // beyond the library's minimal buffer
  struct Case {
    const char* name;
    std::vector<std::string> switches;
    std::string given;
    bool listed;
    bool extracted;
    std::string error;
  } cases[] = {
      {"headers.7z", {"-pSecret", "-mhe=on", "-ms=off"}, "Secret", true, true, ""},
      {"headers.7z", {}, "Wrong", false, false, kCannotOpen},
      {"headers.7z", {}, "", false, false, kCannotOpen},
      {"data.7z", {"-pSecret", "-ms=off"}, "Secret", true, true, ""},
      {"data.7z", {}, "Wrong", true, false, "#1003"},
      {"data.7z", {}, "", true, false, "#1003"},
      {"long.7z", {"-p" + long_password, "-mhe=on"}, long_password, true, true, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.name) + " with \"" + c.given.substr(0, 10) + "\"");
    if (!c.switches.empty()) MakeArchive(c.name, c.switches);
    std::vector<std::string> names;
    EXPECT_EQ(wrap_.ListArchive(Windows(dir_ / c.name), c.given, names, error_), c.listed) << error_;
    EXPECT_EQ(names.size(), c.listed ? 3u : 0u);
    fs::remove_all(dir_ / "out");
    EXPECT_EQ(Extract(dir_ / c.name, c.given, dir_ / "out"), c.extracted);
    EXPECT_EQ(error_, c.error);
    if (c.extracted) {
      EXPECT_EQ(ReadFile(dir_ / "out/three.txt"), "three");
    } else if (fs::exists(dir_ / "out")) {
      EXPECT_TRUE(fs::is_empty(dir_ / "out"));
    }
  }
}

TEST_F(SevenZipWrapTest, EntriesThatWouldLeaveTheTargetAreNeverWritten) {
  // Names and links as a hostile archive spells them; every case fails before writing outside.
  fs::create_directories(dir_ / "src");
  struct Case {
    const char* name;
    std::function<void()> make;  // builds the archive dir_/name
  } cases[] = {
      {"dotdot.7z", [&] { SevenZip({"a", "-spf", dir_ / "dotdot.7z", "../evil.txt"}, dir_ / "src"); }},
      {"absolute.7z", [&] { SevenZip({"a", "-spf", dir_ / "absolute.7z", dir_ / "evil.txt"}, dir_ / "src"); }},
      {"backslash.7z",
       [&] {
         // A literal backslash in a host name is a separator to the engine.
         WriteFile(dir_ / "src/..\\..\\evil.txt", "evil");
         SevenZip({"a", dir_ / "backslash.7z", "..\\..\\evil.txt"}, dir_ / "src");
         fs::remove(dir_ / "src/..\\..\\evil.txt");
       }},
      {"link-out.7z",
       [&] {
         fs::create_symlink("../../evil.txt", dir_ / "src/up");
         SevenZip({"a", "-snl", dir_ / "link-out.7z", "up"}, dir_ / "src");
         fs::remove(dir_ / "src/up");
       }},
      {"link-absolute.7z",
       [&] {
         fs::create_symlink(dir_ / "outside", dir_ / "src/abs");
         SevenZip({"a", "-snl", dir_ / "link-absolute.7z", "abs"}, dir_ / "src");
         fs::remove(dir_ / "src/abs");
       }},
  };
  fs::create_directories(dir_ / "outside");
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir_ / "evil.txt", "evil");
    c.make();
    WriteFile(dir_ / "evil.txt", "original");
    fs::remove_all(dir_ / "t");
    EXPECT_FALSE(Extract(dir_ / c.name, "", dir_ / "t/target"));
    EXPECT_EQ(error_, "#1005");
    EXPECT_EQ(ReadFile(dir_ / "evil.txt"), "original");
    EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
    EXPECT_EQ(std::distance(fs::recursive_directory_iterator(dir_ / "t"), {}), 1) << "only the target folder";
  }
}

TEST_F(SevenZipWrapTest, LinksInsideTheTargetBecomeLinksButAreNeverWrittenThrough) {
  WriteFile(dir_ / "src/data/real.txt", "real");
  fs::create_symlink("data/real.txt", dir_ / "src/alias");
  fs::create_symlink("data", dir_ / "src/folder");
  std::string archive = MakeArchive("links.7z", {"-snl"});
  ASSERT_TRUE(Extract(archive, "", dir_ / "t")) << error_;
  EXPECT_EQ(fs::read_symlink(dir_ / "t/alias"), "data/real.txt");
  EXPECT_EQ(ReadFile(dir_ / "t/alias"), "real");
  EXPECT_EQ(fs::read_symlink(dir_ / "t/folder"), "data");

  // An entry below a link that the archive wrote earlier.
  fs::copy_file(archive, dir_ / "through.7z");
  WriteFile(dir_ / "other/folder/z.txt", "z");
  SevenZip({"a", dir_ / "through.7z", "folder/z.txt"}, dir_ / "other");
  EXPECT_FALSE(Extract(dir_ / "through.7z", "", dir_ / "t3"));
  EXPECT_EQ(error_, "#1005");
  EXPECT_FALSE(fs::exists(dir_ / "t3/data/z.txt"));

  // A link already in the target folder pointing out: an entry below it is refused.
  fs::create_directories(dir_ / "outside");
  fs::create_directories(dir_ / "t2");
  fs::create_symlink(dir_ / "outside", dir_ / "t2/data");
  EXPECT_FALSE(Extract(archive, "", dir_ / "t2"));
  EXPECT_EQ(error_, "#1005");
  EXPECT_TRUE(fs::is_empty(dir_ / "outside"));
}

TEST_F(SevenZipWrapTest, EmptyArchiveExtractsNothing) {
  WriteFile(dir_ / "src/only.txt", "x");
  std::string archive = MakeArchive("empty.7z");
  SevenZip({"d", archive, "only.txt"}, dir_.path());
  std::vector<std::string> names = {"stale"};
  ASSERT_TRUE(wrap_.ListArchive(Windows(archive), "", names, error_)) << error_;
  EXPECT_TRUE(names.empty());
  EXPECT_TRUE(Extract(archive, "", dir_ / "t")) << error_;
}

TEST_F(SevenZipWrapTest, FailuresBeforeExtracting) {
  WriteFile(dir_ / "not-an-archive.7z", "plain text");
  std::vector<std::string> names;
  EXPECT_FALSE(wrap_.ListArchive(Windows(dir_ / "missing.7z"), "", names, error_));
  EXPECT_EQ(error_, "The archive file was not found");
  EXPECT_FALSE(Extract(dir_ / "missing.7z", "", dir_ / "t"));
  EXPECT_EQ(error_, "The archive file was not found");
  EXPECT_FALSE(Extract(dir_ / "not-an-archive.7z", "", dir_ / "t"));
  EXPECT_EQ(error_, kCannotOpen);

  SevenZipWrap without_library(platform_->platform().libraries, Windows(dir_ / "no-such.lib"));
  EXPECT_FALSE(without_library.ListArchive(Windows(dir_ / "missing.7z"), "", names, error_));
  EXPECT_NE(error_.find("The archive library " + Windows(dir_ / "no-such.lib") + " cannot be loaded"),
            std::string::npos)
      << error_;
}

TEST_F(SevenZipWrapTest, DamagedDataFailsAndLeavesNoFile) {
  WriteFile(dir_ / "src/data.txt", MixedData(1 << 20));
  std::string archive = MakeArchive("damaged.7z");
  std::string bytes = ReadFile(archive);
  for (size_t i = 100; i < 200; ++i) bytes[i] = static_cast<char>(~bytes[i]);
  WriteFile(archive, bytes);
  EXPECT_FALSE(Extract(archive, "", dir_ / "t"));
  EXPECT_EQ(error_, "#1004");
  EXPECT_FALSE(fs::exists(dir_ / "t/data.txt"));
}

TEST_F(SevenZipWrapTest, CancelInTheMiddleRemovesTheHalfWrittenFile) {
  WriteFile(dir_ / "src/big.bin", MixedData(8 << 20));
  std::string archive = MakeArchive("big.7z", {"-mx=0"});
  int reports = 0;
  auto cancel = [&](const std::string& name, int64_t done, int64_t total) {
    ++reports;
    EXPECT_EQ(total, 8 << 20);
    return !(name == "big.bin" && done > 0);
  };
  EXPECT_FALSE(Extract(archive, "", dir_ / "t", true, true, cancel));
  EXPECT_EQ(error_, "#1007");
  EXPECT_GT(reports, 1);
  EXPECT_FALSE(fs::exists(dir_ / "t/big.bin"));

  auto failing = [](const std::string&, int64_t, int64_t) -> bool { throw std::runtime_error("Out of paper"); };
  EXPECT_FALSE(Extract(archive, "", dir_ / "t", true, true, failing));
  EXPECT_EQ(error_, "Out of paper");
  EXPECT_FALSE(fs::exists(dir_ / "t/big.bin"));
}

TEST_F(SevenZipWrapTest, OverwriteAnswerDecidesAboutExistingFiles) {
  WriteFile(dir_ / "src/a.txt", "new");
  std::string archive = MakeArchive("a.7z");
  WriteFile(dir_ / "t/a.txt", "old");
  ASSERT_TRUE(Extract(archive, "", dir_ / "t", true, false)) << error_;
  EXPECT_EQ(ReadFile(dir_ / "t/a.txt"), "old");
  ASSERT_TRUE(Extract(archive, "", dir_ / "t", true, true)) << error_;
  EXPECT_EQ(ReadFile(dir_ / "t/a.txt"), "new");

  // An existing link is replaced, not written through.
  WriteFile(dir_ / "victim.txt", "victim");
  fs::remove(dir_ / "t/a.txt");
  fs::create_symlink(dir_ / "victim.txt", dir_ / "t/a.txt");
  ASSERT_TRUE(Extract(archive, "", dir_ / "t", true, true)) << error_;
  EXPECT_FALSE(fs::is_symlink(dir_ / "t/a.txt"));
  EXPECT_EQ(ReadFile(dir_ / "t/a.txt"), "new");
  EXPECT_EQ(ReadFile(dir_ / "victim.txt"), "victim");
}

}  // namespace
}  // namespace quillset::media
