// The package edits on wixl-built packages, read back through the same installer table and,
// for the summary, with msiinfo.
#include "msi/package_edits.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "tests/installer_database/test_package.h"

namespace quillset::msi {
namespace {

namespace m = platform::msi;
using platform::MSIHANDLE;
using testing::DatabaseApi;
using testing::TempDir;

// Three components: one with a registry key path (attribute 4), one 64-bit (0x100), one plain;
// shortcuts in two folders; a ProgId table added by SQL; template "Intel;1033", compressed.
const char* kEditWxs = R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id="{1A2B3C4D-0000-4000-8000-000000000001}" Name="Edits" Language="1033" Version="1.0.0"
           Manufacturer="Quillset" UpgradeCode="{1A2B3C4D-0000-4000-8000-000000000002}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="data.cab" EmbedCab="yes"/>
    <Property Id="COLOR" Value="red"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Edits">
          <Component Id="Plain" Guid="{1A2B3C4D-0000-4000-8000-000000000011}">
            <File Id="PlainFile" Source="data/plain.txt"/>
          </Component>
          <Component Id="Wide" Guid="{1A2B3C4D-0000-4000-8000-000000000012}" Win64="yes">
            <File Id="WideFile" Source="data/wide.txt"/>
          </Component>
        </Directory>
      </Directory>
      <Directory Id="ProgramMenuFolder">
        <Directory Id="PAB12CD34_1" Name="Edits">
          <Component Id="Menu" Guid="{1A2B3C4D-0000-4000-8000-000000000013}">
            <Shortcut Id="Start" Name="Start" Description="Starts it" Target="[INSTALLDIR]plain.txt"/>
            <RegistryValue Root="HKCU" Key="Software\Edits" Name="menu" Type="integer" Value="1" KeyPath="yes"/>
          </Component>
        </Directory>
        <Component Id="Other" Guid="{1A2B3C4D-0000-4000-8000-000000000014}">
          <Shortcut Id="Help" Name="Help" Description="Helps" Target="[INSTALLDIR]plain.txt"/>
          <RegistryValue Root="HKCU" Key="Software\Edits" Name="other" Type="integer" Value="1" KeyPath="yes"/>
        </Component>
      </Directory>
    </Directory>
    <Feature Id="Main" Level="1">
      <ComponentRef Id="Plain"/>
      <ComponentRef Id="Wide"/>
      <ComponentRef Id="Menu"/>
      <ComponentRef Id="Other"/>
    </Feature>
  </Product>
</Wix>
)";

// Known GUIDs in order: "{00000000-0000-0000-0000-00000000000N}".
class CountingGuids : public GuidSource {
 public:
  std::string NewGuid() override {
    std::string n = std::to_string(++count_);
    return "{00000000-0000-0000-0000-" + std::string(12 - n.size(), '0') + n + "}";
  }
  int count() const { return count_; }

 private:
  int count_ = 0;
};

class PackageEditsTest : public ::testing::Test {
 protected:
  PackageEditsTest() {
    host_package_ = testing::BuildPackage(dir_.path(), "edits", kEditWxs, {{"data/plain.txt", "p"}, {"data/wide.txt", "w"}});
    testing::EditPackage(host_package_, {
        "CREATE TABLE `ProgId` (`ProgId` CHAR(255) NOT NULL, `ProgId_Parent` CHAR(255), `Class_` CHAR(38), "
        "`Description` CHAR(255) LOCALIZABLE, `Icon_` CHAR(72), `IconIndex` INT PRIMARY KEY `ProgId`)",
        "INSERT INTO `ProgId` (`ProgId`, `Description`) VALUES ('Edits.Doc', 'Edits document')",
        "INSERT INTO `ProgId` (`ProgId`, `Description`) VALUES ('Edits.Pic', 'Edits picture')",
    });
    package_ = DatabaseApi::WindowsPath(host_package_);
  }

  // The rows of a query on the edited package, sorted.
  std::vector<std::string> Rows(const std::string& sql) {
    MSIHANDLE database = api_.Open(host_package_, m::kDbOpenReadOnly);
    std::vector<std::string> rows = api_.Rows(database, sql);
    api_.f.MsiCloseHandle(database);
    std::sort(rows.begin(), rows.end());
    return rows;
  }
  std::string Property(const std::string& name) {
    std::vector<std::string> rows = Rows("SELECT `Value` FROM `Property` WHERE `Property`='" + name + "'");
    return rows.empty() ? "<none>" : rows[0];
  }
  // A summary property as msiinfo prints it ("Template: Intel;1033" and the like); "Source" is
  // the word count, printed as "Source: 10 (a)".
  std::string SummaryLine(const std::string& label) {
    auto result = testing::RunProcess({"/usr/bin/msiinfo", "suminfo", host_package_});
    size_t at = result.out.find("\n" + label + ": ");
    if (at == std::string::npos) return "<none>";
    size_t start = at + label.size() + 3;
    std::string value = result.out.substr(start, result.out.find('\n', start) - start);
    return label == "Source" ? value.substr(0, value.find(' ')) : value;
  }
  void SetSummary(platform::UINT property, platform::UINT type, int32_t integer, const char* text) {
    MSIHANDLE summary = 0;
    ASSERT_EQ(api_.f.MsiGetSummaryInformationA(0, package_.c_str(), 1, &summary), 0u);
    ASSERT_EQ(api_.f.MsiSummaryInfoSetPropertyA(summary, property, type, integer, nullptr, text), 0u);
    ASSERT_EQ(api_.f.MsiSummaryInfoPersist(summary), 0u);
    api_.f.MsiCloseHandle(summary);
  }
  PackageEditor Editor() { return PackageEditor(api_.f, package_); }

  TempDir dir_;
  DatabaseApi api_;
  std::string host_package_;
  std::string package_;  // the Windows path the edits are given
  CountingGuids guids_;
  InstanceState instance_ = InstanceOf("{AAAAAAAA-0000-0000-0000-000000000001}", "{BBBBBBBB-0000-0000-0000-000000000001}");

  static InstanceState InstanceOf(const std::string& product, const std::string& revision) {
    InstanceState state;
    state.product_code = product;
    state.revision_code = revision;
    return state;
  }
};

TEST_F(PackageEditsTest, PendingPropertiesAreInsertedOrUpdatedInOrderAndTheListEmptied) {
  PendingProperties pending = {
      {"ATEST0001", "FALSE"},
      {"COLOR", "blue"},
      {"QUOTED", "it's"},
      {"LINES", "one$NEWLINE$two$newline$three"},
      {"ATEST0001", "TRUE"},  // the INSERT fails, the UPDATE sets the later value
      {"EMPTY", ""},
      // A name with a quote would rewrite every other row if it reached the statement.
      {"X' OR `Property`<>'", "hijacked"},
      {"ProductLanguage", "1031"},
  };
  ASSERT_TRUE(Editor().WritePendingProperties(pending, instance_, guids_));
  EXPECT_TRUE(pending.empty());
  EXPECT_EQ(Property("ATEST0001"), "TRUE");
  EXPECT_EQ(Property("COLOR"), "blue");
  EXPECT_EQ(Property("QUOTED"), "it$QUOTE$s");
  EXPECT_EQ(Property("LINES"), "one\r\ntwo\r\nthree");
  EXPECT_EQ(Property("ProductLanguage"), "1031");
  EXPECT_EQ(Property("ProductCode"), "{1A2B3C4D-0000-4000-8000-000000000001}");
  EXPECT_EQ(Rows("SELECT `Property` FROM `Property` WHERE `Value`='hijacked'"), std::vector<std::string>{});
  // Nothing of a new instance happens without a transform.
  EXPECT_EQ(guids_.count(), 0);
  EXPECT_TRUE(instance_.edited_package.empty());
  EXPECT_EQ(Rows("SELECT `ComponentId` FROM `Component`").front(), "{1A2B3C4D-0000-4000-8000-000000000011}");
}

TEST_F(PackageEditsTest, ATransformedInstanceGetsItsCodesAndNewComponentIdentifiersOnce) {
  TakeNewIdentity(instance_, guids_);
  const std::string product = instance_.product_code, revision = instance_.revision_code;
  PendingProperties pending = {{"MSINTEMP", "C:\\temp\\"}, {"ATEST0001", "TRUE"}};
  ASSERT_TRUE(Editor().WritePendingProperties(pending, instance_, guids_));
  EXPECT_EQ(Property("ProductCode"), product);
  EXPECT_EQ(Property("ATEST0001"), "TRUE");
  EXPECT_EQ(SummaryLine("Revision number (UUID)"), revision);
  EXPECT_EQ(instance_.edited_package, package_);
  EXPECT_TRUE(instance_.identifiers_renewed);
  const std::vector<std::string> renewed = {
      "{00000000-0000-0000-0000-000000000003}", "{00000000-0000-0000-0000-000000000004}",
      "{00000000-0000-0000-0000-000000000005}", "{00000000-0000-0000-0000-000000000006}"};
  EXPECT_EQ(Rows("SELECT `ComponentId` FROM `Component`"), renewed);

  // A later run writes the same codes again but keeps the identifiers; an empty list still
  // gets the codes.
  testing::EditPackage(host_package_, {"UPDATE `Property` SET `Value`='stale' WHERE `Property`='ProductCode'"});
  PendingProperties none;
  ASSERT_TRUE(Editor().WritePendingProperties(none, instance_, guids_));
  EXPECT_EQ(Property("ProductCode"), product);
  EXPECT_EQ(Rows("SELECT `ComponentId` FROM `Component`"), renewed);
  EXPECT_EQ(guids_.count(), 6);

  // A second transform renews them again.
  TakeNewIdentity(instance_, guids_);
  pending = {{"MSINTEMP", "C:\\temp\\"}};
  ASSERT_TRUE(Editor().WritePendingProperties(pending, instance_, guids_));
  EXPECT_EQ(Property("ProductCode"), "{00000000-0000-0000-0000-000000000007}");
  EXPECT_EQ(Rows("SELECT `ComponentId` FROM `Component`").front(), "{00000000-0000-0000-0000-000000000009}");
}

TEST_F(PackageEditsTest, ThePlatformFollowsTheArchitectureModeAndSoDoesThe64BitAttribute) {
  struct Case {
    const char* mode;
    const char* template_before;
    const char* template_after;
    std::vector<std::string> attributes_after;  // sorted, as text
  };
  // wixl's attributes: Plain 0, Wide 256, Menu and Other 4 (registry key path).
  const std::vector<Case> cases = {
      {"x64", "Intel;1033", "x64;1033", {"256", "256", "260", "260"}},
      {"x64", "x64;1033", "x64;1033", {"0", "256", "4", "4"}},  // unchanged: attributes stay
      {"Win32", "x64;1033", "Intel;1033", {"0", "0", "4", "4"}},
      {"Win32", "Intel;1033", "Intel;1033", {"0", "256", "4", "4"}},
      {"ia64", "Intel;1033,1031", "Intel64;1033,1031", {"256", "256", "260", "260"}},
      {"x64", "Intel", "x64;", {"256", "256", "260", "260"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.mode) + " " + c.template_before);
    TempDir fresh;
    host_package_ = testing::BuildPackage(fresh.path(), "edits", kEditWxs, {{"data/plain.txt", "p"}, {"data/wide.txt", "w"}});
    package_ = DatabaseApi::WindowsPath(host_package_);
    SetSummary(m::kPidTemplate, m::kVtLpstr, 0, c.template_before);
    ASSERT_TRUE(Editor().ApplyPlatform(c.mode));
    EXPECT_EQ(SummaryLine("Template"), c.template_after);
    std::vector<std::string> expected = c.attributes_after;
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(Rows("SELECT `Attributes` FROM `Component`"), expected);
  }
}

TEST_F(PackageEditsTest, ALongLanguageListSurvivesThePlatformChange) {
  std::string languages = "1033";
  while (languages.size() < 400) languages += ",1031";
  SetSummary(m::kPidTemplate, m::kVtLpstr, 0, ("Intel;" + languages).c_str());
  ASSERT_TRUE(Editor().ApplyPlatform("x64"));
  EXPECT_EQ(SummaryLine("Template"), "x64;" + languages);
}

TEST_F(PackageEditsTest, TheWordCountAsksForNoElevationAndKeepsTheCompressedBit) {
  const std::vector<std::pair<int32_t, std::string>> cases = {{2, "10"}, {0, "8"}, {5, "8"}, {7, "10"}};
  for (const auto& [before, after] : cases) {
    SCOPED_TRACE(before);
    SetSummary(m::kPidWordCount, m::kVtI4, before, nullptr);
    ASSERT_TRUE(Editor().MarkWordCount());
    EXPECT_EQ(SummaryLine("Source"), after);
  }
}

TEST_F(PackageEditsTest, ShortcutAndFileTypeTextsChangeTheRowsOfTheirKey) {
  ASSERT_TRUE(Editor().ApplyShortcutEdits({
      "PAB12CD34_1", "Startx~1|Starten", "Startet es",
      "ProgramMenuFolder", "Hilfe", "Hilft l'utilisateur",  // the description's statement is skipped
      "X' OR `Directory_`<>'", "Hijacked", "Hijacked",
      "PAB12CD34_1", "incomplete",  // not a whole triple
  }));
  EXPECT_EQ(Rows("SELECT `Directory_`, `Name`, `Description` FROM `Shortcut`"),
            (std::vector<std::string>{"PAB12CD34_1|Startx~1|Starten|Startet es", "ProgramMenuFolder|Hilfe|Helps"}));

  // The database refuses to update a key column, as Windows' does: the new ProgId statement
  // has no effect, and only the descriptions change.
  ASSERT_TRUE(Editor().ApplyFileTypeEdits({
      "Edits.Doc", "Edits.Dokument", "Edits-Dokument",
      "Edits.Pic", "Edits.Bild", "Edits' Bild",
  }));
  EXPECT_EQ(Rows("SELECT `ProgId`, `Description` FROM `ProgId`"),
            (std::vector<std::string>{"Edits.Doc|Edits-Dokument", "Edits.Pic|Edits picture"}));
}

TEST_F(PackageEditsTest, AllEditsInTheRunsOrderAndNoneOnAPatch) {
  const std::vector<std::string> shortcuts = {"PAB12CD34_1", "Go", "Goes"};
  const std::vector<std::string> file_types = {"Edits.Doc", "Edits.Doc", "Dokument"};
  PendingProperties pending = {{"COLOR", "green"}};
  std::vector<int> positions;
  PackageEditInputs patch{package_, true, true, shortcuts, file_types, pending, "x64", instance_, guids_,
                          [&](int position) { positions.push_back(position); }};
  const std::string before = testing::ReadFile(host_package_);
  ApplyPackageEdits(api_.f, patch);
  EXPECT_EQ(testing::ReadFile(host_package_), before);
  EXPECT_EQ(pending.size(), 1u);  // kept for the next run that is not a patch
  EXPECT_EQ(positions, (std::vector<int>{50, 100}));

  PackageEditInputs untranslated{package_, false, false, shortcuts, file_types, pending, "x64", instance_, guids_};
  ApplyPackageEdits(api_.f, untranslated);
  EXPECT_EQ(Property("COLOR"), "green");
  EXPECT_TRUE(pending.empty());
  EXPECT_EQ(Rows("SELECT `Name` FROM `Shortcut` WHERE `Directory_`='PAB12CD34_1'"), std::vector<std::string>{"Start"});
  EXPECT_EQ(SummaryLine("Template"), "x64;1033");
  EXPECT_EQ(SummaryLine("Source"), "10");

  PackageEditInputs translated{package_, false, true, shortcuts, file_types, pending, "x64", instance_, guids_};
  ApplyPackageEdits(api_.f, translated);
  EXPECT_EQ(Rows("SELECT `Name`, `Description` FROM `Shortcut` WHERE `Directory_`='PAB12CD34_1'"),
            std::vector<std::string>{"Go|Goes"});
  EXPECT_EQ(Rows("SELECT `Description` FROM `ProgId` WHERE `ProgId`='Edits.Doc'"), std::vector<std::string>{"Dokument"});
}

TEST_F(PackageEditsTest, APackageThatCannotBeOpenedLeavesEachEditUndone) {
  TakeNewIdentity(instance_, guids_);
  PendingProperties pending = {{"COLOR", "green"}};
  PackageEditor missing(api_.f, DatabaseApi::WindowsPath(dir_ / "missing.msi"));
  EXPECT_FALSE(missing.WritePendingProperties(pending, instance_, guids_));
  EXPECT_EQ(pending.size(), 1u);
  EXPECT_FALSE(instance_.identifiers_renewed);  // the next run tries again
  EXPECT_TRUE(instance_.edited_package.empty());
  EXPECT_FALSE(missing.ApplyPlatform("x64"));
  EXPECT_FALSE(missing.MarkWordCount());
  EXPECT_FALSE(missing.ApplyShortcutEdits({"A", "B", "C"}));

  // A service without the database functions counts the same.
  platform::InstallerFunctions empty;
  EXPECT_FALSE(PackageEditor(empty, package_).WritePendingProperties(pending, instance_, guids_));
  EXPECT_EQ(Property("COLOR"), "red");
}

}  // namespace
}  // namespace quillset::msi
