// A product's life through the engine as processes: a silent first installation through the
// installer service, a maintenance run of the cached engine, and the removal that the uninstall
// entry starts.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/posix/posix_platform.h"
#include "platform/win_command_line.h"
#include "platform/win_path.h"
#include "tests/support/package_fixture.h"
#include "tests/support/setup_fixture.h"

namespace quillset::testing {
namespace {

namespace fs = std::filesystem;

constexpr const char* kProduct = "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}";
constexpr const char* kRevision = "{9F8E7D6C-5B4A-4392-8170-6F5E4D3C2B1A}";
constexpr const char* kHeader = "ABCD0001";

Statement If(const std::string& variable, const std::string& value) { return {"If", {variable, "0", value, "FALSE"}}; }
Statement End() { return {"End", {}}; }
Statement ExitWith(const std::string& code) { return {"Terminate with Exit Code", {code}}; }

// Main is laid down only when the script reaches its "Install Files" statement; Extra always.
std::string Package(const TempDir& work) {
  std::string wxs = std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id=")") + kProduct + R"(" Name="Test Product" Language="1033" Version="1.0.0" Manufacturer="Maker"
           UpgradeCode="{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5D}">
    <Package Id=")" + kRevision + R"(" InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Test Product">
          <Component Id="Main" Guid="{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B60}">
            <File Id="main.txt" Name="main.txt" Source="main.txt" KeyPath="yes"/>
            <RegistryValue Root="HKLM" Key="Software\Maker\Test Product" Name="Main" Type="string" Value="[INSTALLDIR]"/>
          </Component>
          <Component Id="Extra" Guid="{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B61}">
            <File Id="extra.txt" Name="extra.txt" Source="extra.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1"><ComponentRef Id="Main"/><ComponentRef Id="Extra"/></Feature>
  </Product>
</Wix>
)";
  std::string package = BuildPackage(work.path(), "product", wxs, {{"main.txt", "main"}, {"extra.txt", "extra"}});
  SetComponentCondition(package, "Main", std::string("A") + kHeader + "=\"TRUE\"");
  // The package code is the script's revision code (wixl draws its own).
  TempDir scratch;
  auto host = platform::posix::CreatePosixPlatform({scratch.path(), {"/usr/bin/test"}});
  platform::InstallerFunctions& msi = *host->platform().installer.Bind();
  platform::MSIHANDLE database = 0, summary = 0;
  const std::string windows_package = host->paths().ToWindows(package);
  EXPECT_EQ(msi.MsiOpenDatabaseA(windows_package.c_str(), reinterpret_cast<const char*>(platform::msi::kDbOpenDirect),
                                 &database), 0u);
  EXPECT_EQ(msi.MsiGetSummaryInformationA(database, nullptr, 1, &summary), 0u);
  EXPECT_EQ(msi.MsiSummaryInfoSetPropertyA(summary, platform::msi::kPidRevNumber, platform::msi::kVtLpstr, 0, nullptr,
                                           kRevision), 0u);
  EXPECT_EQ(msi.MsiSummaryInfoPersist(summary), 0u);
  EXPECT_EQ(msi.MsiDatabaseCommit(database), 0u);
  msi.MsiCloseHandle(summary);
  msi.MsiCloseHandle(database);
  return ReadFile(package);
}

// Exit codes tell what the script saw: 10 installed, 11 removed, 20 a maintenance run that
// changed nothing, 30 and 31 the installation or the removal failed.
std::string LifeScript() {
  // A removal reaches the statements of what it removes: their components' conditions hold then.
  return ScriptOf({If("REMOVE", "TRUE"), {"Install Files", {"*.*", "", "$TARGETDIR$"}, kHeader},
                   {"Apply Changes", {"", "RESULT", "FALSE", "TRUE"}}, If("RESULT", "COMPLETE"),
                   ExitWith("11"), End(), ExitWith("31"), End(),
                   If("MAINTENANCE", "TRUE"), ExitWith("20"), End(),
                   {"Install Files", {"*.*", "", "$TARGETDIR$"}, kHeader},
                   {"Apply Changes", {"", "RESULT", "TRUE", "FALSE"}}, If("RESULT", "COMPLETE"), ExitWith("10"), End(),
                   ExitWith("30")});
}

class ProductLife : public ::testing::Test {
 protected:
  void SetUp() override {
    setup_ = std::make_unique<SetupFolder>(root_, LifeScript());
    setup_->AddResources({{"readme.txt", "r"}});
    setup_->AddFile("setup.msi", Package(work_));
  }
  std::string Installed(const std::string& name) const {
    return prefix_ / ("drive_c/Program Files (x86)/Test Product/" + name);
  }
  // A value of the product's uninstall entry, as the list of installed programs reads it.
  std::string UninstallValue(const std::string& name) {
    return MachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Test Product", name);
  }
  // A string value of HKEY_LOCAL_MACHINE as a 32-bit program sees it; "" when there is none.
  std::string MachineValue(const std::string& path, const std::string& name) {
    auto host = platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/test"}});
    std::unique_ptr<platform::RegistryKey> key;
    if (host->platform().registry.OpenKey(platform::RootKey::kLocalMachine, path, platform::kKeyRead, &key) !=
        platform::kRegOk)
      return "";
    platform::RegistryValue value;
    return key->QueryValue(name, &value) == platform::kRegOk ? value.data.substr(0, value.data.find('\0')) : "";
  }
  // Runs a Windows command line of the product under the prefix.
  ProcessResult RunCommand(const std::string& command) {
    auto host = platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/test"}});
    std::vector<std::string> argv = platform::SplitCommandLine(command);
    auto program = host->paths().ToHost(argv.at(0));
    EXPECT_TRUE(program && fs::exists(*program)) << argv[0];
    argv[0] = program ? *program : argv[0];
    argv.push_back("/s");
    return RunProcess(argv, {{"QUILLSET_PREFIX", prefix_.path()}}, 300);
  }

  TempDir root_, prefix_, work_;
  std::unique_ptr<SetupFolder> setup_;
};

TEST_F(ProductLife, InstallMaintainAndRemove) {
  EngineRun first = RunSetup(*setup_, prefix_.path(), {"/s"});
  ASSERT_EQ(first.process.exit_code, 10) << first.trace;
  EXPECT_EQ(ReadFile(Installed("main.txt")), "main");
  EXPECT_EQ(ReadFile(Installed("extra.txt")), "extra");
  EXPECT_EQ(MachineValue("Software\\Maker\\Test Product", "Main"), "C:\\Program Files (x86)\\Test Product\\");
  const std::string cached_engine = UninstallValue("ModifyPath");
  const std::string uninstall = UninstallValue("UninstallString");
  ASSERT_NE(uninstall.find("REMOVE=TRUE MODIFY=FALSE"), std::string::npos) << uninstall;

  // The cached engine started again: a maintenance run.
  ProcessResult maintenance = RunCommand("\"" + cached_engine + "\"");
  EXPECT_EQ(maintenance.exit_code, 20) << maintenance.err;

  // The uninstall entry's command removes the product, its files and its entry.
  ProcessResult removal = RunCommand(uninstall);
  EXPECT_EQ(removal.exit_code, 11) << removal.err;
  EXPECT_FALSE(fs::exists(Installed("main.txt")));
  EXPECT_FALSE(fs::exists(Installed("extra.txt")));
  EXPECT_EQ(UninstallValue("UninstallString"), "");
  EXPECT_EQ(MachineValue("Software\\Maker\\Test Product", "Main"), "");
  auto host = platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/test"}});
  EXPECT_FALSE(fs::exists(*host->paths().ToHost(platform::ExtractFilePath(cached_engine))));
}

TEST_F(ProductLife, AStatementNotReachedLeavesItsComponentOut) {
  // Without the "Install Files" statement its reached property stays "FALSE".
  TempDir other_root;
  setup_ = std::make_unique<SetupFolder>(other_root, ScriptOf({{"Apply Changes", {"", "RESULT", "TRUE", "FALSE"}},
                                                          If("RESULT", "COMPLETE"), ExitWith("10"), End(),
                                                          {"Install Files", {"*.*", "", "$TARGETDIR$"}, kHeader}}));
  setup_->AddResources({{"readme.txt", "r"}});
  setup_->AddFile("setup.msi", Package(work_));
  EngineRun run = RunSetup(*setup_, prefix_.path(), {"/s"});
  ASSERT_EQ(run.process.exit_code, 10) << run.trace;
  EXPECT_FALSE(fs::exists(Installed("main.txt")));
  EXPECT_EQ(ReadFile(Installed("extra.txt")), "extra");
}

}  // namespace
}  // namespace quillset::testing
