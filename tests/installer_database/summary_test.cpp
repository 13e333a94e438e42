// Summary information: template, package code and word count read, set and persisted.
#include <gtest/gtest.h>

#include "tests/installer_database/test_package.h"

namespace quillset::testing {
namespace {

namespace msi = platform::msi;
using platform::DWORD;
using platform::MSIHANDLE;
using platform::UINT;

struct Property {
  UINT result = 0;
  UINT type = 0;
  int32_t integer = 0;
  std::string text;
};

Property Get(DatabaseApi& api, MSIHANDLE summary, UINT id) {
  Property p;
  char buffer[261];
  DWORD size = sizeof buffer;
  p.result = api.f.MsiSummaryInfoGetPropertyA(summary, id, &p.type, &p.integer, nullptr, buffer, &size);
  if (p.type == msi::kVtLpstr) p.text.assign(buffer, size);
  return p;
}

TEST(Summary, SetPersistCommitAndReadBack) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenDirect);
  MSIHANDLE summary = 0;
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(database, nullptr, 1, &summary), 0u);
  Property t = Get(api, summary, msi::kPidTemplate);
  EXPECT_EQ(t.result, 0u);
  EXPECT_EQ(t.type, msi::kVtLpstr);
  EXPECT_EQ(t.text, "Intel;1033");
  Property revision = Get(api, summary, msi::kPidRevNumber);
  EXPECT_EQ(revision.text.size(), 38u);
  Property words = Get(api, summary, msi::kPidWordCount);
  EXPECT_EQ(words.type, msi::kVtI4);
  EXPECT_EQ(words.integer, 2);  // wixl's: compressed
  EXPECT_EQ(Get(api, summary, 16).type, msi::kVtEmpty);

  const char* code = "{6E1F0C3B-0000-0000-0000-0000000000AA}";
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidTemplate, msi::kVtLpstr, 0, nullptr, "x64;1033"), 0u);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidRevNumber, msi::kVtLpstr, 0, nullptr, code), 0u);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidWordCount, msi::kVtI4, 8, nullptr, nullptr), 0u);
  // Wrong types and unknown properties change nothing.
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidWordCount, msi::kVtLpstr, 0, nullptr, "8"),
            msi::kErrorDatatypeMismatch);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidTemplate, msi::kVtI4, 1, nullptr, nullptr),
            msi::kErrorDatatypeMismatch);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, 20, msi::kVtI4, 1, nullptr, nullptr), msi::kErrorUnknownProperty);
  EXPECT_EQ(Get(api, summary, 20).result, msi::kErrorUnknownProperty);
  EXPECT_EQ(api.f.MsiSummaryInfoPersist(summary), 0u);
  api.f.MsiCloseHandle(summary);
  ASSERT_EQ(api.f.MsiDatabaseCommit(database), 0u);
  api.f.MsiCloseHandle(database);

  // Read back from the path, without a database handle.
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(0, DatabaseApi::WindowsPath(package).c_str(), 0, &summary), 0u);
  EXPECT_EQ(Get(api, summary, msi::kPidTemplate).text, "x64;1033");
  EXPECT_EQ(Get(api, summary, msi::kPidRevNumber).text, code);
  EXPECT_EQ(Get(api, summary, msi::kPidWordCount).integer, 8);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidWordCount, msi::kVtI4, 0, nullptr, nullptr),
            msi::kErrorFunctionFailed);  // update count 0
  api.f.MsiCloseHandle(summary);
}

TEST(Summary, PathOpenedSummaryPersistsToTheFile) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  const std::string path = DatabaseApi::WindowsPath(package);
  MSIHANDLE summary = 0;
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(0, path.c_str(), 1, &summary), 0u);
  ASSERT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidTemplate, msi::kVtLpstr, 0, nullptr, "Intel64;1031"),
            0u);
  ASSERT_EQ(api.f.MsiSummaryInfoPersist(summary), 0u);
  api.f.MsiCloseHandle(summary);
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(0, path.c_str(), 0, &summary), 0u);
  EXPECT_EQ(Get(api, summary, msi::kPidTemplate).text, "Intel64;1031");
  api.f.MsiCloseHandle(summary);
}

TEST(Summary, StringBufferTooSmall) {
  TempDir dir;
  DatabaseApi api;
  MSIHANDLE database = api.Open(BuildTestPackage(dir), msi::kDbOpenReadOnly);
  MSIHANDLE summary = 0;
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(database, nullptr, 0, &summary), 0u);
  char buffer[6];
  DWORD size = sizeof buffer;
  UINT type = 0;
  EXPECT_EQ(api.f.MsiSummaryInfoGetPropertyA(summary, msi::kPidTemplate, &type, nullptr, nullptr, buffer, &size),
            msi::kErrorMoreData);
  EXPECT_EQ(size, 10u);
  EXPECT_EQ(std::string(buffer), "Intel");
  api.f.MsiCloseHandle(summary);
  api.f.MsiCloseHandle(database);
}

}  // namespace
}  // namespace quillset::testing
