#include "platform/win_path.h"

#include <gtest/gtest.h>

namespace quillset::platform {
namespace {

TEST(WinPath, FolderAndNameParts) {
  struct Case {
    const char* path;
    const char* folder;
    const char* name;
    const char* extension;
  } cases[] = {
      {"C:\\dir\\file.ext", "C:\\dir\\", "file.ext", ".ext"},
      {"C:file.txt", "C:", "file.txt", ".txt"},
      {"/tmp/a.b/setup", "/tmp/a.b/", "setup", ""},
      {"C:\\dir\\", "C:\\dir\\", "", ""},
      {"setup.tar.gz", "", "setup.tar.gz", ".gz"},
      {"", "", "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ExtractFilePath(c.path), c.folder) << c.path;
    EXPECT_EQ(ExtractFileName(c.path), c.name) << c.path;
    EXPECT_EQ(ExtractFileExt(c.path), c.extension) << c.path;
  }
}

TEST(WinPath, TrailingBackslashAndExtensions) {
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash("C:\\a\\"), "C:\\a\\");
  EXPECT_EQ(IncludeTrailingBackslash(""), "");
  EXPECT_EQ(ExcludeTrailingBackslash("C:\\a\\"), "C:\\a");
  EXPECT_EQ(ChangeFileExt("C:\\s.d\\setup.msi", ".msp"), "C:\\s.d\\setup.msp");
  EXPECT_EQ(ChangeFileExt("C:\\s.d\\setup", ".res"), "C:\\s.d\\setup.res");
  EXPECT_EQ(ChangeFileExt("C:\\s.d\\setup.exe", ""), "C:\\s.d\\setup");
}

}  // namespace
}  // namespace quillset::platform
