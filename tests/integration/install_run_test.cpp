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
  // The product goes to the engine's target folder, as the engine passes it on.
  EditPackage(package,
              {"INSERT INTO `CustomAction` (`Action`, `Type`, `Source`, `Target`) "
               "VALUES ('SetInstallFolder', 35, 'INSTALLDIR', '[ARPINSTALLLOCATION]')",
               "INSERT INTO `InstallExecuteSequence` (`Action`, `Condition`, `Sequence`) "
               "VALUES ('SetInstallFolder', 'ARPINSTALLLOCATION', 1001)"});
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

const Statement kInstallMain = {"Install Files", {"*.*", "", "$TARGETDIR$"}, kHeader};

// A first run that installs without reaching Main's statement, so Main is left out; it keeps a
// component state for the maintenance run.
std::vector<Statement> FirstInstallation() {
  return {{"Define Component", {"Help", "TRUE", "Help files"}}, {"Set Component State", {"Help", "FALSE"}},
          {"Apply Changes", {"", "RESULT", "TRUE", "FALSE"}},
          If("RESULT", "COMPLETE"), ExitWith("10"), End(), ExitWith("30")};
}

std::vector<Statement> Advertisement() {
  return {{"Apply Changes", {"", "RESULT", "FALSE", "FALSE"}}, If("RESULT", "COMPLETE"), ExitWith("40"), End(),
          ExitWith("30")};
}

std::vector<Statement> FullInstallation() {
  return {kInstallMain, {"Apply Changes", {"", "RESULT", "TRUE", "FALSE"}}, If("RESULT", "COMPLETE"), ExitWith("10"),
          End(), ExitWith("30")};
}

// Exit codes tell what the script saw: 10 installed, 11 removed, 21 a maintenance run that found
// its saved choices and reinstalled, 40 advertised, 50 a new instance installed; 20, 30, 31 and
// 51 the checks or the installer failed.
std::string LifeScript(const std::vector<Statement>& first_run) {
  const Statement install = {"Apply Changes", {"", "RESULT", "TRUE", "FALSE"}};
  std::vector<Statement> statements = {
      // A removal reaches the statements of what it removes: their components' conditions hold then.
      If("REMOVE", "TRUE"), kInstallMain, {"Apply Changes", {"", "RESULT", "FALSE", "TRUE"}},
      If("RESULT", "COMPLETE"), ExitWith("11"), End(), ExitWith("31"), End(),
      If("NEWINSTANCE", "TRUE"), {"Transform Instance", {}}, {"Set Variable", {"TARGETDIR", "C:\\Second\\"}},
      {"Set Variable", {"TITLE", "Second Product"}}, install, If("RESULT", "COMPLETE"), ExitWith("50"), End(),
      ExitWith("51"), End(),
      If("MAINTENANCE", "TRUE"), {"Get Component State", {"Help", "HELP"}}, If("HELP", "FALSE"), If("KEPT", "blue"),
      kInstallMain, install, If("RESULT", "COMPLETE"), ExitWith("21"), End(), ExitWith("30"), End(), End(),
      ExitWith("20"), End(),
      // Every first run keeps a variable for the maintenance run.
      {"Set Variable", {"KEPT$KVOR$KVOR$TRUE", "blue"}}};
  statements.insert(statements.end(), first_run.begin(), first_run.end());
  // The installed engine finds its package through the uninstall entry, so a maintenance run
  // of the cached engine has its sources.
  return ScriptOf(statements, kProduct, {}, 3);
}

class ProductLife : public ::testing::Test {
 protected:
  void SetUp() override {
    package_ = Package(work_);
    setup_ = MakeSetup(root_, FirstInstallation());
  }
  std::unique_ptr<SetupFolder> MakeSetup(const TempDir& root, const std::vector<Statement>& first_run) {
    auto setup = std::make_unique<SetupFolder>(root, LifeScript(first_run));
    setup->AddResources({{"readme.txt", "r"}});
    setup->AddFile("setup.msi", package_);
    return setup;
  }
  std::unique_ptr<platform::posix::PosixPlatform> Host() const {
    return platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/test"}});
  }
  std::string Installed(const std::string& name) const {
    return prefix_ / ("drive_c/Program Files (x86)/Test Product/" + name);
  }
  // A value of a product's uninstall entry, as the list of installed programs reads it.
  std::string UninstallValue(const std::string& name, const std::string& title = "Test Product") {
    return MachineValue("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + title, name);
  }
  // A string value of HKEY_LOCAL_MACHINE as a 32-bit program sees it; "" when there is none.
  std::string MachineValue(const std::string& path, const std::string& name) {
    auto host = Host();
    std::unique_ptr<platform::RegistryKey> key;
    if (host->platform().registry.OpenKey(platform::RootKey::kLocalMachine, path, platform::kKeyRead, &key) !=
        platform::kRegOk)
      return "";
    platform::RegistryValue value;
    return key->QueryValue(name, &value) == platform::kRegOk ? value.data.substr(0, value.data.find('\0')) : "";
  }
  int ProductState(const std::string& product_code) {
    return Host()->platform().installer.Bind()->MsiQueryProductStateA(product_code.c_str());
  }
  // The host folder of a Windows path.
  fs::path HostPath(const std::string& windows) { return Host()->paths().ToHost(windows).value_or(""); }
  // Runs a Windows command line of the product under the prefix, silently, with a trace log.
  EngineRun RunCommand(const std::string& command) {
    std::vector<std::string> argv = platform::SplitCommandLine(command);
    const fs::path program = HostPath(argv.at(0));
    EXPECT_TRUE(fs::exists(program)) << argv[0];
    argv[0] = program;
    const std::string log = prefix_ / "command.log";
    fs::remove(log);
    argv.insert(argv.end(), {"/s", "/l=" + log});
    EngineRun run;
    run.process = RunProcess(argv, {{"QUILLSET_PREFIX", prefix_.path()}}, 300);
    run.trace = Utf16LeToUtf8(ReadFile(log));
    return run;
  }

  TempDir root_, prefix_, work_;
  std::string package_;
  std::unique_ptr<SetupFolder> setup_;
};

TEST_F(ProductLife, InstallMaintainAndRemove) {
  EngineRun first = RunSetup(*setup_, prefix_.path(), {"/s"});
  ASSERT_EQ(first.process.exit_code, 10) << first.trace << first.process.err;
  EXPECT_FALSE(fs::exists(Installed("main.txt")));
  EXPECT_EQ(ReadFile(Installed("extra.txt")), "extra");
  EXPECT_EQ(MachineValue("Software\\Maker\\Test Product", "Main"), "");
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateDefault);
  const std::string cached_engine = UninstallValue("ModifyPath");
  const std::string uninstall = UninstallValue("UninstallString");
  ASSERT_NE(uninstall.find("REMOVE=TRUE MODIFY=FALSE"), std::string::npos) << uninstall;
  const fs::path cache = HostPath(platform::ExtractFilePath(cached_engine));
  EXPECT_EQ(ReadFile(cache / "instance.dat"), std::string(kProduct) + "\r\n" + kRevision + "\r\nTest Product\r\n");

  // The cached engine started again: a maintenance run with the saved component state and
  // variable; it now reaches Main's statement, and the reinstallation adds Main.
  EngineRun maintenance = RunCommand("\"" + cached_engine + "\"");
  EXPECT_EQ(maintenance.process.exit_code, 21) << maintenance.trace;
  EXPECT_EQ(ReadFile(Installed("main.txt")), "main");
  EXPECT_EQ(MachineValue("Software\\Maker\\Test Product", "Main"), "C:\\Program Files (x86)\\Test Product\\");

  // The uninstall entry's command removes the product, its files and its entry.
  EngineRun removal = RunCommand(uninstall);
  EXPECT_EQ(removal.process.exit_code, 11) << removal.trace;
  EXPECT_FALSE(fs::exists(Installed("main.txt")));
  EXPECT_FALSE(fs::exists(Installed("extra.txt")));
  EXPECT_EQ(UninstallValue("UninstallString"), "");
  EXPECT_EQ(MachineValue("Software\\Maker\\Test Product", "Main"), "");
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateUnknown);
  EXPECT_FALSE(fs::exists(cache));
}

TEST_F(ProductLife, AdvertisementThenInstallation) {
  TempDir advertising_root, installing_root;
  EngineRun advertised = RunSetup(*MakeSetup(advertising_root, Advertisement()), prefix_.path(), {"/s"});
  ASSERT_EQ(advertised.process.exit_code, 40) << advertised.trace;
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateAdvertised);
  EXPECT_FALSE(fs::exists(Installed("extra.txt")));
  EXPECT_NE(advertised.trace.find("Property(S): ADVERTISE = ALL"), std::string::npos) << advertised.trace;
  const fs::path cache = HostPath(platform::ExtractFilePath(UninstallValue("ModifyPath")));
  EXPECT_TRUE(fs::is_directory(cache / "__ad"));

  EngineRun installed = RunSetup(*MakeSetup(installing_root, FullInstallation()), prefix_.path(), {"/s"});
  ASSERT_EQ(installed.process.exit_code, 10) << installed.trace;
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateDefault);
  EXPECT_EQ(ReadFile(Installed("main.txt")), "main");
  EXPECT_NE(installed.trace.find("Property(S): ADDLOCAL = ALL"), std::string::npos);
  EXPECT_FALSE(fs::exists(cache / "__ad"));
}

TEST_F(ProductLife, ANewInstanceInstallsBesideTheFirst) {
  ASSERT_EQ(RunSetup(*setup_, prefix_.path(), {"/s"}).process.exit_code, 10);
  // The setup started again over the installed product: a new instance.
  EngineRun second = RunSetup(*setup_, prefix_.path(), {"/s"});
  ASSERT_EQ(second.process.exit_code, 50) << second.trace;
  const fs::path second_cache = HostPath(platform::ExtractFilePath(UninstallValue("ModifyPath", "Second Product")));
  std::vector<std::string> instance = SplitCrLf(ReadFile(second_cache / "instance.dat"));
  ASSERT_EQ(instance.size(), 3u);
  const std::string second_product = instance[0];
  EXPECT_NE(second_product, kProduct);
  EXPECT_EQ(second_cache.filename(), instance[1]);
  EXPECT_EQ(instance[2], "Second Product");
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateDefault);
  EXPECT_EQ(ProductState(second_product), platform::msi::kStateDefault);
  EXPECT_EQ(ReadFile(prefix_ / "drive_c/Second/extra.txt"), "extra");

  // Removing the new instance leaves the first one as it was.
  EngineRun removal = RunCommand(UninstallValue("UninstallString", "Second Product"));
  EXPECT_EQ(removal.process.exit_code, 11) << removal.trace;
  EXPECT_EQ(ProductState(second_product), platform::msi::kStateUnknown);
  EXPECT_FALSE(fs::exists(prefix_ / "drive_c/Second/extra.txt"));
  EXPECT_FALSE(fs::exists(second_cache));
  EXPECT_EQ(ProductState(kProduct), platform::msi::kStateDefault);
  EXPECT_EQ(ReadFile(Installed("extra.txt")), "extra");
  EXPECT_NE(UninstallValue("UninstallString"), "");
}

}  // namespace
}  // namespace quillset::testing
