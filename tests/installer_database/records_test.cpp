// Records: string, integer and null fields, the caller's buffers, and handles that name nothing.
#include <gtest/gtest.h>

#include "tests/installer_database/test_package.h"

namespace quillset::testing {
namespace {

namespace msi = platform::msi;
using platform::DWORD;
using platform::MSIHANDLE;
using platform::UINT;

TEST(Records, FieldsReadAsStringIntegerOrNull) {
  DatabaseApi api;
  MSIHANDLE record = api.f.MsiCreateRecord(7);
  ASSERT_NE(record, 0u);
  EXPECT_EQ(api.f.MsiRecordGetFieldCount(record), 7u);
  ASSERT_EQ(api.f.MsiRecordSetStringA(record, 1, "abc"), 0u);
  ASSERT_EQ(api.f.MsiRecordSetStringA(record, 2, "123"), 0u);
  ASSERT_EQ(api.f.MsiRecordSetStringA(record, 3, "-7"), 0u);
  ASSERT_EQ(api.f.MsiRecordSetInteger(record, 4, 42), 0u);
  ASSERT_EQ(api.f.MsiRecordSetStringA(record, 5, ""), 0u);  // "" is null
  ASSERT_EQ(api.f.MsiRecordSetInteger(record, 6, msi::kNullInteger), 0u);
  ASSERT_EQ(api.f.MsiRecordSetStringA(record, 0, "[1] template"), 0u);
  struct Case {
    UINT field;
    std::string text;
    int32_t integer;
  };
  const Case cases[] = {
      {0, "[1] template", msi::kNullInteger},
      {1, "abc", msi::kNullInteger},
      {2, "123", 123},
      {3, "-7", -7},
      {4, "42", 42},
      {5, "", msi::kNullInteger},
      {6, "", msi::kNullInteger},
      {7, "", msi::kNullInteger},  // never set
      {8, "", msi::kNullInteger},  // beyond the last field
  };
  for (const Case& c : cases) {
    EXPECT_EQ(api.String(record, c.field), c.text) << c.field;
    EXPECT_EQ(api.f.MsiRecordGetInteger(record, c.field), c.integer) << c.field;
  }
  EXPECT_EQ(api.f.MsiRecordSetStringA(record, 8, "x"), msi::kErrorInvalidParameter);
  EXPECT_EQ(api.f.MsiRecordSetInteger(record, 8, 1), msi::kErrorInvalidParameter);
  EXPECT_EQ(api.f.MsiCreateRecord(65536), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(record), 0u);
}

TEST(Records, BufferTooSmallAnswersTheLength) {
  DatabaseApi api;
  MSIHANDLE record = api.f.MsiCreateRecord(1);
  api.f.MsiRecordSetStringA(record, 1, "abcdef");
  struct Case {
    DWORD room;
    UINT result;
    std::string copied;
  };
  const Case cases[] = {
      {0, msi::kErrorMoreData, "untouched"},
      {1, msi::kErrorMoreData, ""},
      {6, msi::kErrorMoreData, "abcde"},
      {7, msi::kSuccess, "abcdef"},
      {100, msi::kSuccess, "abcdef"},
  };
  for (const Case& c : cases) {
    char buffer[100] = "untouched";
    DWORD size = c.room;
    EXPECT_EQ(api.f.MsiRecordGetStringA(record, 1, buffer, &size), c.result) << c.room;
    EXPECT_EQ(size, 6u) << c.room;
    EXPECT_EQ(std::string(buffer), c.copied) << c.room;
  }
  DWORD size = 0;
  EXPECT_EQ(api.f.MsiRecordGetStringA(record, 1, nullptr, &size), 0u);  // asks for the length
  EXPECT_EQ(size, 6u);
  char buffer[8];
  EXPECT_EQ(api.f.MsiRecordGetStringA(record, 1, buffer, nullptr), msi::kErrorInvalidParameter);
  api.f.MsiCloseHandle(record);
}

TEST(Records, HandlesOfNothingOrOfAnotherKind) {
  TempDir dir;
  DatabaseApi api;
  MSIHANDLE database = api.Open(BuildTestPackage(dir), msi::kDbOpenDirect);
  MSIHANDLE record = api.f.MsiCreateRecord(1);
  MSIHANDLE view = 0, out = 0, summary = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, "SELECT * FROM `Property`", &view), 0u);
  char buffer[16];
  DWORD size = sizeof buffer;
  UINT type = 0;
  int32_t integer = 0;
  const MSIHANDLE nothing = 0xBAD;
  for (MSIHANDLE wrong : {MSIHANDLE{0}, nothing, record}) {  // the record is no database, view or summary
    SCOPED_TRACE(wrong);
    EXPECT_EQ(api.f.MsiDatabaseOpenViewA(wrong, "SELECT * FROM `Property`", &out), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiViewExecute(wrong, 0), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiViewFetch(wrong, &out), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiViewModify(wrong, msi::kModifyUpdate, record), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiViewClose(wrong), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiDatabaseCommit(wrong), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiSummaryInfoGetPropertyA(wrong, 7, &type, &integer, nullptr, buffer, &size),
              msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(wrong, 7, msi::kVtLpstr, 0, nullptr, "x"), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiSummaryInfoPersist(wrong), msi::kErrorInvalidHandle);
  }
  for (MSIHANDLE wrong : {nothing, view}) {  // the view is no record
    SCOPED_TRACE(wrong);
    EXPECT_EQ(api.f.MsiRecordGetFieldCount(wrong), static_cast<UINT>(-1));
    EXPECT_EQ(api.f.MsiRecordGetStringA(wrong, 1, buffer, &size), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiRecordGetInteger(wrong, 1), msi::kNullInteger);
    EXPECT_EQ(api.f.MsiRecordSetStringA(wrong, 1, "x"), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiRecordSetInteger(wrong, 1, 1), msi::kErrorInvalidHandle);
    EXPECT_EQ(api.f.MsiViewExecute(view, wrong == view ? view : wrong), msi::kErrorInvalidHandle);
  }
  EXPECT_EQ(api.f.MsiGetSummaryInformationA(nothing, nullptr, 0, &summary), msi::kErrorInvalidHandle);
  EXPECT_EQ(api.f.MsiCloseHandle(0), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(view), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(view), msi::kErrorInvalidHandle);
  EXPECT_EQ(api.f.MsiCloseHandle(record), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(database), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(nothing), msi::kErrorInvalidHandle);
}

}  // namespace
}  // namespace quillset::testing
