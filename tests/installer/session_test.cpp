// Install sessions (the removal path that opens the package, sets properties and runs
// INSTALL) and the msiexec command line over the same service.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/installer/installer_fixture.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;

TEST(InstallSession, RemovesThroughAnOpenedPackage) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);

  MSIHANDLE session = 0;
  ASSERT_EQ(f.msi->MsiOpenPackageA(package.c_str(), &session), msi::kSuccess);
  ASSERT_NE(session, 0u);
  EXPECT_EQ(f.msi->MsiSetPropertyA(session, "ALLUSERS", "1"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiSetPropertyA(session, "REMOVE", "ALL"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiSetPropertyA(session, "REBOOT", "R"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiDoActionA(session, "NoSuchAction"), msi::kErrorFunctionNotCalled);
  EXPECT_EQ(f.msi->MsiDoActionA(session, "INSTALL"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiGetMode(session, msi::kRunModeRebootAtEnd), 0);
  EXPECT_EQ(f.msi->MsiCloseHandle(session), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiSetPropertyA(session, "X", "1"), msi::kErrorInvalidHandle);

  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir() + "main.txt")));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);

  MSIHANDLE missing = 7;
  EXPECT_EQ(f.msi->MsiOpenPackageA(f.host->paths().ToWindows(f.work / "none.msi").c_str(), &missing),
            msi::kErrorInstallPackageOpenFailed);
  EXPECT_EQ(missing, 0u);
}

TEST(InstallSession, ScheduleRebootAsksForARestart) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_NO_THROW(testing::EditPackage(f.HostOf(package),
                                       {"INSERT INTO `InstallExecuteSequence` (`Action`, `Sequence`) VALUES ('ScheduleReboot', 6650)"}));
  MSIHANDLE session = 0;
  ASSERT_EQ(f.msi->MsiOpenPackageA(package.c_str(), &session), msi::kSuccess);
  f.msi->MsiSetPropertyA(session, "ADDLOCAL", "ALL");
  EXPECT_EQ(f.msi->MsiDoActionA(session, "INSTALL"), msi::kErrorSuccessRebootRequired);
  EXPECT_EQ(f.msi->MsiGetMode(session, msi::kRunModeRebootAtEnd), 1);
  f.msi->MsiCloseHandle(session);
}

TEST(Msiexec, InstallsAndRemovesFromTheCommandLine) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_NO_THROW(testing::SetComponentCondition(f.HostOf(package), "Extra", "EXTRA = \"TRUE\""));
  std::map<std::string, std::string> environment{{"QUILLSET_PREFIX", f.prefix.path()}};
  std::string log = f.work / "msiexec.log";
  auto run = [&](const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{testing::BinPath("quillset-msiexec")};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    return testing::RunProcess(argv, environment);
  };
  auto installed = run({"/i", f.HostOf(package), "/qn", "/l*v", log, "EXTRA=TRUE"});
  ASSERT_EQ(installed.exit_code, 0) << installed.err;
  EXPECT_TRUE(fs::exists(f.HostOf(f.InstallDir() + "extra.txt")));
  EXPECT_NE(testing::ReadFile(log).find("Installation success or error status: 0."), std::string::npos);
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);

  auto removed = run({"/x", kProductCode, "/qn", "EXTRA=TRUE"});
  ASSERT_EQ(removed.exit_code, 0) << removed.err;
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);

  auto garbage = run({"/i"});
  EXPECT_EQ(garbage.exit_code, static_cast<int>(msi::kErrorInvalidCommandLine & 0xFF));
  auto unknown = run({"/x", kProductCode, "/qn"});
  EXPECT_EQ(unknown.exit_code, static_cast<int>(msi::kErrorUnknownProduct & 0xFF));
  EXPECT_NE(unknown.err.find("result 1605"), std::string::npos);
}

}  // namespace
}  // namespace quillset::platform::posix::installer
