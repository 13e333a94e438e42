// The test-package fixture: wixl builds, SQL edits land in the package.
#include "tests/support/package_fixture.h"

#include <gtest/gtest.h>

#include "platform/posix/installer/database/package_database.h"
#include "tests/support/test_support.h"

namespace quillset::testing {
namespace {

namespace db = platform::posix::installer;

const char* kWxs = R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B51}" Name="Fixture" Language="1033" Version="1.0.0"
           Manufacturer="Quillset" UpgradeCode="{6E1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B52}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
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
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Always"/>
      <ComponentRef Id="Sometimes"/>
    </Feature>
  </Product>
</Wix>
)";

TEST(PackageFixture, BuildsWithFilesAndTakesConditions) {
  TempDir dir;
  std::string package =
      BuildPackage(dir.path(), "fixture", kWxs, {{"data/always.txt", "a"}, {"data/sometimes.txt", "s"}});
  SetComponentCondition(package, "Sometimes", "FLAG=\"TRUE\" AND NAME<>'x'");
  AddFeatureCondition(package, "Main", 0, "NOT INSTALLED");
  AddFeatureCondition(package, "Main", 2, "FLAG");

  auto database = db::PackageDatabase::Open(package, db::PackageDatabase::Mode::kReadOnly);
  auto rows = database->Select("SELECT `Condition` FROM `Component` WHERE `Component`='Sometimes'");
  ASSERT_EQ(rows.size(), 1u);
  EXPECT_EQ(rows[0].Text(0), "FLAG=\"TRUE\" AND NAME<>'x'");
  rows = database->Select("SELECT `Feature_`, `Level`, `Condition` FROM `Condition`");
  ASSERT_EQ(rows.size(), 2u);
  EXPECT_EQ(rows[0].Integer(1) + rows[1].Integer(1), 2);
  std::string cabinet = dir / "data.cab";
  ASSERT_TRUE(database->ExtractStream("data.cab", cabinet));
  EXPECT_EQ(ReadFile(cabinet).substr(0, 4), "MSCF");
  EXPECT_FALSE(database->ExtractStream("missing.cab", cabinet));
}

TEST(PackageFixture, WixlFailureCarriesItsOutput) {
  TempDir dir;
  try {
    BuildPackage(dir.path(), "broken", "<Wix>");
    FAIL() << "no exception";
  } catch (const std::runtime_error& error) {
    EXPECT_NE(std::string(error.what()).find("wixl failed"), std::string::npos);
  }
}

}  // namespace
}  // namespace quillset::testing
