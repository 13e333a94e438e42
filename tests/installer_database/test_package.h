// The package most database tests work on, and the installer table over it.
#pragma once

#include <string>

#include "platform/installer.h"
#include "platform/posix/installer/database/database_functions.h"
#include "platform/posix/installer/database/handle_table.h"
#include "platform/posix/paths/path_map.h"
#include "tests/support/package_fixture.h"
#include "tests/support/test_support.h"

namespace quillset::testing {

// Two components in one feature, a property and a shortcut; template "Intel;1033".
inline const char* kTestWxs = R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B51}" Name="Fixture" Language="1033" Version="1.0.0"
           Manufacturer="Quillset" UpgradeCode="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B52}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
    <Property Id="COLOR" Value="red"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Fixture">
          <Component Id="Always" Guid="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B53}">
            <File Id="AlwaysFile" Source="data/always.txt"/>
          </Component>
          <Component Id="Sometimes" Guid="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B54}">
            <File Id="SometimesFile" Source="data/sometimes.txt"/>
          </Component>
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Component Id="Menu" Guid="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B55}">
          <Shortcut Id="Start" Name="Fixture" Description="Starts" Target="[INSTALLDIR]always.txt"/>
          <RegistryValue Root="HKCU" Key="Software\Fixture" Name="menu" Type="integer" Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Always"/>
      <ComponentRef Id="Sometimes"/>
      <ComponentRef Id="Menu"/>
    </Feature>
  </Product>
</Wix>
)";

inline std::string BuildTestPackage(const TempDir& dir, const std::string& name = "test") {
  return BuildPackage(dir.path(), name, kTestWxs, {{"data/always.txt", "a"}, {"data/sometimes.txt", "s"}});
}

// The installer table's database entries over a handle table; packages are named by their
// Windows paths on drive Z:, the host root.
class DatabaseApi {
 public:
  DatabaseApi() { platform::posix::installer::FillDatabaseFunctions(f, handles_, paths_); }
  static std::string WindowsPath(const std::string& host) {
    std::string path = "Z:" + host;
    for (char& c : path)
      if (c == '/') c = '\\';
    return path;
  }
  platform::MSIHANDLE Open(const std::string& host, uintptr_t mode, platform::UINT* result = nullptr) {
    platform::MSIHANDLE database = 0;
    platform::UINT r = f.MsiOpenDatabaseA(WindowsPath(host).c_str(), reinterpret_cast<const char*>(mode), &database);
    if (result) *result = r;
    return database;
  }
  // Runs a statement without rows: the result of the view's execution, or of opening it.
  platform::UINT Run(platform::MSIHANDLE database, const std::string& sql) {
    platform::MSIHANDLE view = 0;
    platform::UINT r = f.MsiDatabaseOpenViewA(database, sql.c_str(), &view);
    if (r != 0) return r;
    r = f.MsiViewExecute(view, 0);
    f.MsiViewClose(view);
    f.MsiCloseHandle(view);
    return r;
  }
  std::string String(platform::MSIHANDLE record, platform::UINT field) {
    char buffer[10240];
    platform::DWORD size = sizeof buffer;
    if (f.MsiRecordGetStringA(record, field, buffer, &size) != 0) return "<error>";
    return std::string(buffer, size);
  }
  // Every row of a query, fields joined by "|".
  std::vector<std::string> Rows(platform::MSIHANDLE database, const std::string& sql) {
    std::vector<std::string> rows;
    platform::MSIHANDLE view = 0, record = 0;
    if (f.MsiDatabaseOpenViewA(database, sql.c_str(), &view) != 0) return {"<no view>"};
    if (f.MsiViewExecute(view, 0) != 0) rows.push_back("<no execute>");
    while (f.MsiViewFetch(view, &record) == 0) {
      std::string row;
      for (platform::UINT i = 1; i <= f.MsiRecordGetFieldCount(record); ++i) row += (i > 1 ? "|" : "") + String(record, i);
      rows.push_back(row);
      f.MsiCloseHandle(record);
    }
    f.MsiViewClose(view);
    f.MsiCloseHandle(view);
    return rows;
  }
  platform::InstallerFunctions f;

 private:
  platform::posix::installer::HandleTable handles_;
  platform::posix::PathMap paths_{"", "/"};
};

}  // namespace quillset::testing
