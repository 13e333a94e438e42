// The package edits and queries the engine runs, with its SQL texts as it writes them.
#include <gtest/gtest.h>

#include "tests/installer_database/test_package.h"

namespace quillset::testing {
namespace {

namespace msi = platform::msi;
using platform::MSIHANDLE;

// Fetches every row of a one-field view, lets change() rewrite field 1, writes it back.
void UpdateEach(DatabaseApi& api, MSIHANDLE database, const std::string& sql,
                const std::function<void(MSIHANDLE record)>& change) {
  MSIHANDLE view = 0, record = 0;
  ASSERT_EQ(api.f.MsiDatabaseOpenViewA(database, sql.c_str(), &view), 0u);
  ASSERT_EQ(api.f.MsiViewExecute(view, 0), 0u);
  platform::UINT r;
  while ((r = api.f.MsiViewFetch(view, &record)) == 0) {
    change(record);
    EXPECT_EQ(api.f.MsiViewModify(view, msi::kModifyUpdate, record), 0u);
    api.f.MsiCloseHandle(record);
  }
  EXPECT_EQ(r, msi::kErrorNoMoreItems);
  EXPECT_EQ(api.f.MsiViewClose(view), 0u);
  EXPECT_EQ(api.f.MsiCloseHandle(view), 0u);
}

TEST(EngineSql, PendingPropertiesComponentIdsAndAttributesPersist) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenDirect);
  ASSERT_NE(database, 0u);

  int renewed = 0;
  UpdateEach(api, database, "SELECT `ComponentId` FROM `Component`", [&](MSIHANDLE record) {
    std::string id = "{00000000-0000-0000-0000-00000000000" + std::to_string(++renewed) + "}";
    api.f.MsiRecordSetStringA(record, 1, id.c_str());
  });
  EXPECT_EQ(renewed, 3);
  UpdateEach(api, database, "SELECT `Attributes` FROM `Component`", [&](MSIHANDLE record) {
    api.f.MsiRecordSetInteger(record, 1, api.f.MsiRecordGetInteger(record, 1) | 0x100);
  });

  // An existing key: the INSERT fails, the UPDATE sets it. A new name: the INSERT creates it.
  auto write = [&](const std::string& name, const std::string& value) {
    platform::UINT insert = api.Run(database, "INSERT INTO `Property` ( `Property` , `Value` ) VALUES ( '" + name +
                                                  "' , '" + value + "' )");
    platform::UINT update =
        api.Run(database, "UPDATE `Property` SET `Value`='" + value + "' WHERE `Property`='" + name + "'");
    return std::make_pair(insert, update);
  };
  EXPECT_EQ(write("COLOR", "blue"), std::make_pair(msi::kErrorFunctionFailed, msi::kSuccess));
  EXPECT_EQ(write("MSINTEMP", "it$QUOTE$s\r\nnext"), std::make_pair(msi::kSuccess, msi::kSuccess));
  EXPECT_EQ(write("MSINTEMP", "later"), std::make_pair(msi::kErrorFunctionFailed, msi::kSuccess));
  EXPECT_EQ(write("QUOTED", "it's"), std::make_pair(msi::kErrorBadQuerySyntax, msi::kErrorBadQuerySyntax));
  EXPECT_EQ(api.Run(database, "UPDATE `Property` SET `Value`='{6E1F0C3B-0000-0000-0000-000000000001}' WHERE "
                              "`Property`='ProductCode'"),
            0u);
  EXPECT_EQ(api.Run(database, "UPDATE `Shortcut` SET `Name`='Neu' WHERE `Directory_`='ProgramMenuFolder'"), 0u);
  EXPECT_EQ(api.Run(database, "UPDATE `Shortcut` SET `Description`='Startet' WHERE `Directory_`='ProgramMenuFolder'"),
            0u);
  // A package without file types: the statement fails and changes nothing.
  EXPECT_EQ(api.Run(database, "UPDATE `ProgId` SET `Description`='x' WHERE `ProgId`='a'"), msi::kErrorBadQuerySyntax);
  ASSERT_EQ(api.f.MsiDatabaseCommit(database), 0u);
  ASSERT_EQ(api.f.MsiCloseHandle(database), 0u);

  database = api.Open(package, msi::kDbOpenReadOnly);
  ASSERT_NE(database, 0u);
  EXPECT_EQ(api.Rows(database, "SELECT `Component`, `ComponentId`, `Attributes` FROM  `Component`"),
            (std::vector<std::string>{"Always|{00000000-0000-0000-0000-000000000001}|256",
                                      "Sometimes|{00000000-0000-0000-0000-000000000002}|256",
                                      "Menu|{00000000-0000-0000-0000-000000000003}|260"}));
  EXPECT_EQ(api.Rows(database, "SELECT `Value` FROM `Property` WHERE `Property`='COLOR' OR `Property`='MSINTEMP' "
                               "OR `Property`='ProductCode'"),
            (std::vector<std::string>{"blue", "{6E1F0C3B-0000-0000-0000-000000000001}", "later"}));
  EXPECT_EQ(api.Rows(database, "SELECT `Name`, `Description` FROM `Shortcut`"),
            (std::vector<std::string>{"Neu|Startet"}));
  api.f.MsiCloseHandle(database);
}

TEST(EngineSql, AssemblyQueriesWithTwoBlanksAfterFrom) {
  TempDir dir;
  std::string package = BuildTestPackage(dir);
  DatabaseApi api;
  MSIHANDLE database = api.Open(package, msi::kDbOpenReadOnly);
  MSIHANDLE view = 0;
  // No assembly table: the view cannot be opened, and the engine runs no tool.
  EXPECT_EQ(api.f.MsiDatabaseOpenViewA(database, "SELECT * FROM  `MsiAssembly`", &view), msi::kErrorBadQuerySyntax);
  EXPECT_EQ(view, 0u);
  api.f.MsiCloseHandle(database);

  EditPackage(package, {
      "CREATE TABLE `MsiAssembly` (`Component_` CHAR(72) NOT NULL, `Feature_` CHAR(38) NOT NULL, "
      "`File_Manifest` CHAR(72), `File_Application` CHAR(72), `Attributes` SHORT PRIMARY KEY `Component_`)",
      "CREATE TABLE `MsiAssemblyName` (`Component_` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL, "
      "`Value` CHAR(255) NOT NULL PRIMARY KEY `Component_`, `Name`)",
      "INSERT INTO `MsiAssembly` (`Component_`, `Feature_`, `Attributes`) VALUES ('Always', 'Main', 0)",
      "INSERT INTO `MsiAssembly` (`Component_`, `Feature_`, `Attributes`) VALUES ('Sometimes', 'Main', 0)",
      "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Always', 'Name', 'Lib')",
      "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Always', 'Version', '1.0.0.0')",
      "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Sometimes', 'Name', 'Other')",
      "INSERT INTO `MsiAssemblyName` (`Component_`, `Name`, `Value`) VALUES ('Sometimes', 'Culture', 'neutral')",
  });
  database = api.Open(package, msi::kDbOpenReadOnly);
  EXPECT_EQ(api.Rows(database, "SELECT * FROM  `MsiAssembly`"),
            (std::vector<std::string>{"Always|Main|||0", "Sometimes|Main|||0"}));
  auto name_rows = [&](const std::string& component, const std::string& name) {
    return api.Rows(database, "SELECT `Value` FROM  `MsiAssemblyName` WHERE `Component_`='" + component +
                                  "' AND `Name`='" + name + "'");
  };
  EXPECT_EQ(name_rows("Always", "Name"), std::vector<std::string>{"Lib"});
  EXPECT_EQ(name_rows("Always", "Version"), std::vector<std::string>{"1.0.0.0"});
  EXPECT_EQ(name_rows("Sometimes", "Version"), std::vector<std::string>{});
  api.f.MsiCloseHandle(database);
}

}  // namespace
}  // namespace quillset::testing
