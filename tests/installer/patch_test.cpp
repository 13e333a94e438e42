// Patches: an installer database for the installed product, merged into its kept package
// and reinstalled.
#include <gtest/gtest.h>

#include <filesystem>

#include "tests/installer/installer_fixture.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;

std::string ProductInfo(InstallerFunctions& msi, const char* attribute) {
  char buffer[512] = {};
  DWORD size = sizeof buffer;
  return msi.MsiGetProductInfoA(kProductCode, attribute, buffer, &size) == msi::kSuccess ? buffer : "<error>";
}

TEST(Patches, APatchRewritesItsFilesAndTheProductStaysRemovable) {
  InstallerFixture f;
  std::string package = f.Package();
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  const std::string package_code = ProductInfo(*f.msi, "PackageCode");

  // The same product with other bytes of the same length in main.txt, in its own cabinet.
  testing::TempDir patch_folder;
  std::string patch_host = testing::BuildPackage(patch_folder.path(), "update",
                                                 DemoWxs("", "", "Cabinet=\"update.cab\" EmbedCab=\"yes\""),
                                                 {{"main.txt", "MAIN CONTENTS\n"}, {"extra.txt", "extra contents\n"}});
  std::string patch = f.host->paths().ToWindows(patch_host);
  ASSERT_EQ(f.msi->MsiApplyPatchA(patch.c_str(), nullptr, 0, "ADDLOCAL=ALL"), msi::kSuccess);
  EXPECT_EQ(testing::ReadFile(f.HostOf(f.InstallDir() + "main.txt")), "MAIN CONTENTS\n");
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
  EXPECT_EQ(ProductInfo(*f.msi, "PackageCode"), package_code);

  // The original package and the patch may go: the kept ones remove the product.
  fs::remove(f.HostOf(package));
  fs::remove(patch_host);
  std::string kept = ProductInfo(*f.msi, "LocalPackage");
  ASSERT_EQ(f.msi->MsiInstallProductA(kept.c_str(), "REINSTALL=ALL REINSTALLMODE=amus"), msi::kSuccess);
  EXPECT_EQ(testing::ReadFile(f.HostOf(f.InstallDir() + "main.txt")), "MAIN CONTENTS\n");
  ASSERT_EQ(f.msi->MsiInstallProductA(kept.c_str(), "REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_FALSE(fs::exists(f.HostOf(kept)));
}

TEST(Patches, APatchThatCannotBeReadOrHasNoTargetFails) {
  InstallerFixture f;
  std::string package = f.Package();
  testing::WriteFile(f.work / "garbage.msp", "not a database");
  std::string garbage = f.host->paths().ToWindows(f.work / "garbage.msp");
  EXPECT_EQ(f.msi->MsiApplyPatchA(garbage.c_str(), nullptr, 0, ""), msi::kErrorPatchPackageOpenFailed);
  // A patch for a product that is not installed.
  EXPECT_EQ(f.msi->MsiApplyPatchA(package.c_str(), nullptr, 0, ""), msi::kErrorPatchTargetNotFound);
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
}

}  // namespace
}  // namespace quillset::platform::posix::installer
