// Damaged, truncated and missing packages: a failure code, never a crash.
#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/posix/installer/database/package_database.h"
#include "tests/installer_database/test_package.h"

namespace quillset::testing {
namespace {

namespace msi = platform::msi;
using platform::MSIHANDLE;
using platform::UINT;

TEST(DamagedPackages, OpenFailsWithACode) {
  TempDir dir;
  const std::string package = BuildTestPackage(dir);
  const std::string whole = ReadFile(package);
  struct Case {
    std::string name;
    std::string content;
  };
  const std::vector<Case> cases = {
      {"empty", ""},
      {"text", "this is no package\r\n"},
      {"header only", whole.substr(0, 512)},
      {"first sectors", whole.substr(0, 3000)},
      {"half", whole.substr(0, whole.size() / 2)},
      {"fuzzer find", ReadFile(SourcePath("fuzz/corpus/fuzz_package_database/open_dereferences_null.msi"))},
  };
  DatabaseApi api;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / (c.name + ".msi");
    WriteFile(path, c.content);
    UINT result = 0;
    EXPECT_EQ(api.Open(path, msi::kDbOpenReadOnly, &result), 0u);
    EXPECT_EQ(result, 110u);  // ERROR_OPEN_FAILED
    MSIHANDLE summary = 0;
    EXPECT_EQ(api.f.MsiGetSummaryInformationA(0, DatabaseApi::WindowsPath(path).c_str(), 0, &summary),
              msi::kErrorInstallPackageInvalid);
    EXPECT_EQ(summary, 0u);
  }
  UINT result = 0;
  EXPECT_EQ(api.Open(dir / "missing.msi", msi::kDbOpenReadOnly, &result), 0u);
  EXPECT_EQ(result, 110u);
  MSIHANDLE database = 0;
  EXPECT_EQ(api.f.MsiOpenDatabaseA("Q:\\nowhere.msi", nullptr, &database), 161u);  // ERROR_BAD_PATHNAME
  EXPECT_EQ(api.f.MsiOpenDatabaseA(nullptr, nullptr, &database), msi::kErrorInvalidParameter);
  EXPECT_EQ(api.f.MsiOpenDatabaseA(DatabaseApi::WindowsPath(package).c_str(), reinterpret_cast<const char*>(3),
                                   &database),
            msi::kErrorInvalidParameter);  // creating a database is not offered
}

TEST(DamagedPackages, PackageDatabaseRejectsWithPackageError) {
  TempDir dir;
  const std::string path = dir / "bad.msi";
  WriteFile(path, std::string(4096, '\xD0'));
  namespace db = platform::posix::installer;
  try {
    db::PackageDatabase::Open(path, db::PackageDatabase::Mode::kDirect);
    FAIL() << "opened";
  } catch (const db::PackageError& error) {
    EXPECT_EQ(error.code(), 1619u);
    EXPECT_NE(std::string(error.what()).find(path), std::string::npos);
  }
}

// A package read safely once is trusted while its file holds the same bytes: one changed
// afterwards with as many bytes is read by a child again and refused, not opened here, however
// it was changed.
TEST(DamagedPackages, APackageChangedAfterItsCheckIsCheckedAgain) {
  const std::string sound = ReadFile(SourcePath("fuzz/corpus/fuzz_package_database/tiny.msi"));
  const std::string damaged = ReadFile(SourcePath("fuzz/corpus/fuzz_package_database/open_dereferences_null.msi"));
  ASSERT_EQ(sound.size(), damaged.size());
  struct Case {
    std::string name;
    std::function<void(const std::string& path)> change;
  };
  const std::vector<Case> cases = {
      {"overwritten", [&](const std::string& path) { WriteFile(path, damaged); }},
      {"overwritten, its modification time put back",
       [&](const std::string& path) {
         const auto modified = std::filesystem::last_write_time(path);
         WriteFile(path, damaged);
         std::filesystem::last_write_time(path, modified);
       }},
      {"replaced", [&](const std::string& path) {
         WriteFile(path + ".new", damaged);
         std::filesystem::rename(path + ".new", path);
       }},
  };
  TempDir dir;
  for (const Case& c : cases) WriteFile(dir / (c.name + ".msi"), sound);
  // Only the check of a file that has been left alone for a while is remembered.
  std::this_thread::sleep_for(std::chrono::seconds(3));
  namespace db = platform::posix::installer;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string path = dir / (c.name + ".msi");
    EXPECT_NO_THROW(db::PackageDatabase::Open(path, db::PackageDatabase::Mode::kReadOnly));
    EXPECT_NO_THROW(db::PackageDatabase::Open(path, db::PackageDatabase::Mode::kReadOnly));
    c.change(path);
    EXPECT_THROW(db::PackageDatabase::Open(path, db::PackageDatabase::Mode::kReadOnly), db::PackageError);
  }
}

}  // namespace
}  // namespace quillset::testing
