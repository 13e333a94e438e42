// The actions beyond files and registry values: custom actions, launch conditions, cabinets
// beside the package, shortcuts, environment strings and INI files.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/installer/table_actions.h"
#include "tests/installer/installer_fixture.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;
constexpr char kKey[] = "Software\\Maker\\Demo";

TEST(CustomActions, SetPropertiesAndFoldersAndSkipForeignCode) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_NO_THROW(testing::EditPackage(
      f.HostOf(package),
      {"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('SetGreeting', 51, 'GREETING', "
       "'hello [ProductName]')",
       "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('MoveIt', 35, 'INSTALLDIR', "
       "'[ProgramFilesFolder]Elsewhere')",
       "INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) VALUES ('RunDll', 1, 'Binary1', 'Entry')",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('SetGreeting', 850)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('MoveIt', 1010)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) VALUES ('RunDll', 'NOT Installed', 1020)",
       "INSERT INTO `Registry` (`Registry`, `Root`, `Key`, `Name`, `Value`, `Component_`) VALUES ('greet', 2, "
       "'Software\\Maker\\Demo', 'Greeting', '[GREETING]', 'Main')"}));
  Recorder recorder;
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  std::string elsewhere = f.host->platform().system.SpecialFolderPath(SpecialFolder::kProgramFilesX86) + "Elsewhere\\";
  EXPECT_TRUE(fs::exists(f.HostOf(elsewhere + "main.txt")));
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_EQ(f.ReadRegistry(kKey, "Main"), elsewhere);
  EXPECT_EQ(f.ReadRegistry(kKey, "Greeting"), "hello Demo");
  auto info = recorder.OfType(msi::kMessageInfo);
  EXPECT_TRUE(std::any_of(info.begin(), info.end(), [](const Message& message) {
    return message.text.find("Custom action RunDll of type 1 is skipped") == 0;
  }));
}

TEST(LaunchConditions, AFalseConditionEndsTheInstallationWithItsText) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_NO_THROW(testing::EditPackage(
      f.HostOf(package),
      {"INSERT INTO `LaunchCondition` (`Condition`, `Description`) VALUES ('ALLOWED', '[ProductName] needs ALLOWED.')",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('LaunchConditions', 100)"}));
  Recorder recorder;
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kErrorInstallFailure);
  auto errors = recorder.OfType(msi::kMessageError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_EQ(errors[0].text, "Demo needs ALLOWED.");
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL ALLOWED=1"), msi::kSuccess);
}

TEST(Cabinets, ACabinetBesideThePackageIsReadAndAMissingOneFails) {
  InstallerFixture f;
  std::string package = f.Package(DemoWxs("", "", "Cabinet=\"demo.cab\" EmbedCab=\"no\""));
  // wixl writes no external cabinet; the entries are named by the File table's keys.
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kErrorInstallFailure);
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  auto made = testing::RunProcess({"/usr/bin/gcab", "-c", "-n", "demo.cab", "main.txt", "extra.txt"}, {}, 60, f.work.path());
  ASSERT_EQ(made.exit_code, 0) << made.err;
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  EXPECT_EQ(testing::ReadFile(f.HostOf(f.InstallDir() + "extra.txt")), "extra contents\n");
}

TEST(TableActions, ShortcutsEnvironmentAndIniFilesComeAndGoWithTheirComponent) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_NO_THROW(testing::EditPackage(
      f.HostOf(package),
      {"INSERT INTO `Shortcut` (`Shortcut`, `Directory_`, `Name`, `Component_`, `Target`, `Arguments`, `Description`, "
       "`WkDir`) VALUES ('app', 'INSTALLDIR', 'DEMOAPP|Demo App', 'Main', '[#main.txt]', '--go', 'Starts it', 'INSTALLDIR')",
       "CREATE TABLE `Environment` (`Environment` CHAR(72) NOT NULL, `Name` CHAR(255) NOT NULL LOCALIZABLE, `Value` "
       "CHAR(255) LOCALIZABLE, `Component_` CHAR(72) NOT NULL PRIMARY KEY `Environment`)",
       "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('home', '=DEMO_HOME', "
       "'[INSTALLDIR]', 'Main')",
       "INSERT INTO `Environment` (`Environment`, `Name`, `Value`, `Component_`) VALUES ('path', 'DEMO_PATH', "
       "'[~];[INSTALLDIR]bin', 'Main')",
       "CREATE TABLE `IniFile` (`IniFile` CHAR(72) NOT NULL, `FileName` CHAR(255) NOT NULL LOCALIZABLE, `DirProperty` "
       "CHAR(72), `Section` CHAR(96) NOT NULL LOCALIZABLE, `Key` CHAR(128) NOT NULL LOCALIZABLE, `Value` CHAR(255) NOT "
       "NULL LOCALIZABLE, `Action` SHORT NOT NULL, `Component_` CHAR(72) NOT NULL PRIMARY KEY `IniFile`)",
       "INSERT INTO `IniFile` (`IniFile`, `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_`) "
       "VALUES ('ini', 'demo.ini', 'INSTALLDIR', 'Main', 'Home', '[INSTALLDIR]', 0, 'Main')",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('CreateShortcuts', 4500)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveShortcuts', 3200)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteEnvironmentStrings', 5200)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveEnvironmentStrings', 3300)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('WriteIniValues', 5100)",
       "INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('RemoveIniValues', 3400)"}));
  Registry& registry = f.host->platform().registry;
  auto environment = [&](const std::string& name) {
    std::unique_ptr<RegistryKey> key;
    RegistryValue value;
    if (registry.OpenKey(RootKey::kCurrentUser, "Environment", kKeyRead, &key) != kRegOk) return std::string("<none>");
    return key->QueryValue(name, &value) == kRegOk ? value.data : std::string("<none>");
  };
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(registry.CreateKey(RootKey::kCurrentUser, "Environment", kKeyWrite, &key), kRegOk);
  ASSERT_EQ(key->SetValue({"DEMO_PATH", kRegSz, "C:\\before"}), kRegOk);
  key.reset();

  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  const std::string dir = f.InstallDir();
  const std::string desktop = testing::ReadFile(f.HostOf(dir + "Demo App.desktop"));
  EXPECT_NE(desktop.find("Name=Demo App\n"), std::string::npos) << desktop;
  EXPECT_NE(desktop.find("Exec=\"" + f.HostOf(dir + "main.txt") + "\" --go\n"), std::string::npos) << desktop;
  EXPECT_EQ(environment("DEMO_HOME"), dir);
  EXPECT_EQ(environment("DEMO_PATH"), "C:\\before;" + dir + "bin");
  EXPECT_EQ(testing::ReadFile(f.HostOf(dir + "demo.ini")), "[Main]\r\nHome=" + dir + "\r\n");

  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(fs::exists(f.HostOf(dir)));
  EXPECT_EQ(environment("DEMO_HOME"), "<none>");
  EXPECT_EQ(environment("DEMO_PATH"), "C:\\before");
}

TEST(IniText, EditsKeepTheRestOfTheFile) {
  struct Case {
    std::string text, section, key, value;
    bool create_only;
    std::string expected;
  };
  for (const Case& c : {Case{"", "S", "K", "v", false, "[S]\r\nK=v\r\n"},
                        Case{"[s]\r\nk=old\r\nother=1\r\n", "S", "K", "v", false, "[s]\r\nK=v\r\nother=1\r\n"},
                        Case{"[s]\r\nk=old\r\n", "S", "K", "v", true, "[s]\r\nk=old\r\n"},
                        Case{"[A]\r\nx=1\r\n[B]\r\n", "A", "y", "2", false, "[A]\r\nx=1\r\ny=2\r\n[B]\r\n"}}) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(IniSet(c.text, c.section, c.key, c.value, c.create_only), c.expected);
  }
  EXPECT_EQ(IniRemove("[A]\r\nx=1\r\n[B]\r\ny=2\r\n", "a", "X", "1"), "[B]\r\ny=2\r\n");
  EXPECT_EQ(IniRemove("[A]\r\nx=1\r\nz=3\r\n", "A", "x", "other"), "[A]\r\nx=1\r\nz=3\r\n");
}

}  // namespace
}  // namespace quillset::platform::posix::installer
