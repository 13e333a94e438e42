// Views: rows written back through MsiViewModify, parameters, and read-only databases.
#include <gtest/gtest.h>

#include "tests/installer_database/test_package.h"

namespace quillset::testing {
namespace {

namespace msi = platform::msi;
using platform::MSIHANDLE;
using platform::UINT;

// Each view's first fetched row gets field `field` set to `value` and written back.
TEST(Views, UpdateWritesTheFetchedRowBackAfterCommitAndReopen) {
  struct Case {
    std::string view;
    UINT field;
    std::string value;
    UINT result;
    std::string check;  // query whose rows show the change
    std::vector<std::string> rows;
  };
  const std::vector<Case> cases = {
      {"SELECT `Value` FROM `Property` WHERE `Property`='COLOR'", 1, "green", 0,
       "SELECT `Value` FROM `Property` WHERE `Property`='COLOR'", {"green"}},
      {"select `Value` from `Property` where `Property`='ProductName'", 1, "Renamed", 0,
       "SELECT `Value` FROM `Property` WHERE `Property`='ProductName'", {"Renamed"}},
      {"SELECT `Component`, `KeyPath` FROM  Component ORDER BY `Component`", 2, "SometimesFile", 0,
       "SELECT `Component`, `KeyPath` FROM `Component` WHERE `Component`='Always'", {"Always|SometimesFile"}},
      {"SELECT * FROM `FeatureComponents` WHERE `Component_`='Menu'", 1, "Main", 0,
       "SELECT * FROM `FeatureComponents` WHERE `Component_`='Menu'", {"Main|Menu"}},
      // An integer column takes decimal text; other text is refused.
      {"SELECT `Attributes` FROM `Component` WHERE `Component`='Always'", 1, "8", 0,
       "SELECT `Attributes` FROM `Component` WHERE `Component`='Always'", {"8"}},
      {"SELECT `Attributes` FROM `Component` WHERE `Component`='Always'", 1, "eight", msi::kErrorDatatypeMismatch,
       "SELECT `Attributes` FROM `Component` WHERE `Component`='Always'", {"0"}},
      // A key may not change, a join and DISTINCT rows have no keys.
      {"SELECT `Property`, `Value` FROM `Property` WHERE `Property`='COLOR'", 1, "HUE", msi::kErrorFunctionFailed,
       "SELECT `Property` FROM `Property` WHERE `Property`='HUE'", {}},
      {"SELECT `Component`.`Attributes` FROM `Component`, `FeatureComponents` WHERE "
       "`Component`.`Component`=`FeatureComponents`.`Component_`",
       1, "5", msi::kErrorFunctionFailed, "SELECT `Attributes` FROM `Component` WHERE `Attributes`=5", {}},
      {"SELECT DISTINCT `Directory_` FROM `Component`", 1, "TARGETDIR", msi::kErrorFunctionFailed,
       "SELECT `Component` FROM `Component` WHERE `Directory_`='TARGETDIR'", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.view);
    TempDir dir;
    std::string package = BuildTestPackage(dir);
    DatabaseApi api;
    MSIHANDLE database = api.Open(package, msi::kDbOpenDirect);
    MSIHANDLE view = 0, record = 0;
    ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, c.view.c_str(), &view), 0u);
    ASSERT_EQ(api.f.MsiViewExecute(view, 0), 0u);
    ASSERT_EQ(api.f.MsiViewFetch(view, &record), 0u);
    api.f.MsiRecordSetStringA(record, c.field, c.value.c_str());
    EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyUpdate, record), c.result);
    api.f.MsiCloseHandle(record);
    api.f.MsiCloseHandle(view);
    ASSERT_EQ(api.f.MsiDatabaseCommit(database), 0u);
    api.f.MsiCloseHandle(database);
    database = api.Open(package, msi::kDbOpenReadOnly);
    EXPECT_EQ(api.Rows(database, c.check), c.rows);
    api.f.MsiCloseHandle(database);
  }
}

TEST(Views, RecordsMatchOnlyTheirViewAndRun) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenDirect);
  MSIHANDLE first = 0, second = 0, record = 0, made = api.f.MsiCreateRecord(1);
  const char* sql = "SELECT `Value` FROM `Property`";
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, sql, &first), 0u);
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, sql, &second), 0u);
  EXPECT_EQ(api.f.MsiViewFetch(first, &record), msi::kErrorFunctionFailed);  // not executed
  EXPECT_EQ(api.f.MsiViewModify(first, msi::kModifyUpdate, made), msi::kErrorFunctionFailed);
  ASSERT_EQ(api.f.MsiViewExecute(first, 0), 0u);
  ASSERT_EQ(api.f.MsiViewExecute(second, 0), 0u);
  ASSERT_EQ(api.f.MsiViewFetch(first, &record), 0u);
  EXPECT_EQ(api.f.MsiViewModify(first, msi::kModifyUpdate, made), msi::kErrorFunctionFailed);
  EXPECT_EQ(api.f.MsiViewModify(second, msi::kModifyUpdate, record), msi::kErrorFunctionFailed);
  ASSERT_EQ(api.f.MsiViewExecute(first, 0), 0u);  // a second run: earlier records are stale
  EXPECT_EQ(api.f.MsiViewModify(first, msi::kModifyUpdate, record), msi::kErrorFunctionFailed);
  // A statement without rows has none to fetch.
  MSIHANDLE update = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, "UPDATE `Property` SET `Value`='x' WHERE `Property`='COLOR'", &update),
            0u);
  ASSERT_EQ(api.f.MsiViewExecute(update, 0), 0u);
  EXPECT_EQ(api.f.MsiViewFetch(update, &record), msi::kErrorFunctionFailed);
  for (MSIHANDLE h : {first, second, record, made, update, database}) api.f.MsiCloseHandle(h);
}

TEST(Views, ParametersBindToMarkers) {
  TempDir dir;
  DatabaseApi api;
  MSIHANDLE database = api.Open(BuildTestPackage(dir), msi::kDbOpenDirect);
  MSIHANDLE view = 0, record = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, "SELECT `Value` FROM `Property` WHERE `Property`=? OR `Property`=?",
                                       &view),
            0u);
  MSIHANDLE parameters = api.f.MsiCreateRecord(2);
  api.f.MsiRecordSetStringA(parameters, 1, "COLOR");
  // Fewer fields than markers: refused before the database sees it.
  MSIHANDLE short_record = api.f.MsiCreateRecord(1);
  EXPECT_EQ(api.f.MsiViewExecute(view, short_record), msi::kErrorInvalidParameter);
  EXPECT_EQ(api.f.MsiViewExecute(view, 0), msi::kErrorInvalidParameter);
  ASSERT_EQ(api.f.MsiViewExecute(view, parameters), 0u);
  ASSERT_EQ(api.f.MsiViewFetch(view, &record), 0u);
  EXPECT_EQ(api.String(record, 1), "red");
  // The keys follow the same parameters, so the row is written back.
  api.f.MsiRecordSetStringA(record, 1, "blue");
  EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyUpdate, record), 0u);
  api.f.MsiCloseHandle(record);
  EXPECT_EQ(api.f.MsiViewFetch(view, &record), msi::kErrorNoMoreItems);
  EXPECT_EQ(api.Rows(database, "SELECT `Value` FROM `Property` WHERE `Property`='COLOR'"),
            std::vector<std::string>{"blue"});
  for (MSIHANDLE h : {view, parameters, short_record, database}) api.f.MsiCloseHandle(h);
}

TEST(Views, InsertAndDeleteThroughModify) {
  TempDir dir;
  DatabaseApi api;
  MSIHANDLE database = api.Open(BuildTestPackage(dir), msi::kDbOpenDirect);
  MSIHANDLE view = 0, record = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, "SELECT `Property`, `Value` FROM `Property`", &view), 0u);
  ASSERT_EQ(api.f.MsiViewExecute(view, 0), 0u);
  MSIHANDLE fresh = api.f.MsiCreateRecord(2);
  api.f.MsiRecordSetStringA(fresh, 1, "ADDED");
  api.f.MsiRecordSetStringA(fresh, 2, "yes");
  EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyInsert, fresh), 0u);
  EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyInsert, fresh), msi::kErrorFunctionFailed);  // exists now
  ASSERT_EQ(api.f.MsiViewFetch(view, &record), 0u);
  const std::string deleted = api.String(record, 1);
  EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyDelete, record), 0u);
  EXPECT_EQ(api.Rows(database, "SELECT `Value` FROM `Property` WHERE `Property`='ADDED'"),
            std::vector<std::string>{"yes"});
  EXPECT_EQ(api.Rows(database, "SELECT `Value` FROM `Property` WHERE `Property`='" + deleted + "'"),
            std::vector<std::string>{});
  for (MSIHANDLE h : {view, record, fresh, database}) api.f.MsiCloseHandle(h);
}

TEST(Views, ReadOnlyDatabaseRefusesChangesAndKeepsItsFile) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  const std::string before = ReadFile(package);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenReadOnly);
  ASSERT_NE(database, 0u);
  EXPECT_EQ(api.Run(database, "UPDATE `Property` SET `Value`='x' WHERE `Property`='COLOR'"), msi::kErrorFunctionFailed);
  EXPECT_EQ(api.Run(database, "INSERT INTO `Property` (`Property`, `Value`) VALUES ('A', 'b')"),
            msi::kErrorFunctionFailed);
  MSIHANDLE view = 0, record = 0, summary = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, "SELECT `Value` FROM `Property`", &view), 0u);
  ASSERT_EQ(api.f.MsiViewExecute(view, 0), 0u);
  ASSERT_EQ(api.f.MsiViewFetch(view, &record), 0u);
  api.f.MsiRecordSetStringA(record, 1, "changed");
  EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyUpdate, record), msi::kErrorFunctionFailed);
  ASSERT_EQ(api.f.MsiGetSummaryInformationA(database, nullptr, 1, &summary), 0u);
  EXPECT_EQ(api.f.MsiSummaryInfoSetPropertyA(summary, msi::kPidTemplate, msi::kVtLpstr, 0, nullptr, "x64;1033"),
            msi::kErrorFunctionFailed);
  EXPECT_EQ(api.f.MsiSummaryInfoPersist(summary), msi::kErrorFunctionFailed);
  EXPECT_EQ(api.f.MsiDatabaseCommit(database), 0u);  // as on Windows: nothing to write
  for (MSIHANDLE h : {view, record, summary, database}) api.f.MsiCloseHandle(h);
  EXPECT_EQ(ReadFile(package), before);
}

TEST(Views, ChangesWithoutCommitAreLost) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenDirect);
  ASSERT_EQ(api.Run(database, "UPDATE `Property` SET `Value`='lost' WHERE `Property`='COLOR'"), 0u);
  api.f.MsiCloseHandle(database);
  database = api.Open(package, msi::kDbOpenReadOnly);
  EXPECT_EQ(api.Rows(database, "SELECT `Value` FROM `Property` WHERE `Property`='COLOR'"),
            std::vector<std::string>{"red"});
  api.f.MsiCloseHandle(database);
}

}  // namespace
}  // namespace quillset::testing
