// Installing, querying and removing a wixl-built package through the installer table.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <optional>

#include "tests/installer/installer_fixture.h"
#include "tests/installer/pe_image.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

namespace fs = std::filesystem;
constexpr char kKey[] = "Software\\Maker\\Demo";
const std::string kUninstall = std::string("SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\") + kProductCode;

class InstallTest : public ::testing::Test {
 protected:
  InstallerFixture f;
  std::string package = f.Package();
  std::string dir = f.InstallDir();

  UINT Install(const std::string& command_line) { return f.msi->MsiInstallProductA(package.c_str(), command_line.c_str()); }
  bool Exists(const std::string& name) { return fs::exists(f.HostOf(dir + name)); }
  std::string PackageCodeInfo() {
    char buffer[64] = {};
    DWORD size = sizeof buffer;
    UINT result = f.msi->MsiGetProductInfoA(kProductCode, "PackageCode", buffer, &size);
    return result == msi::kSuccess ? buffer : "error " + std::to_string(result);
  }
};

TEST_F(InstallTest, ThePropertyOnTheCommandLineSelectsTheConditionedComponent) {
  ASSERT_NO_THROW(testing::SetComponentCondition(f.HostOf(package), "Extra", "EXTRA = \"TRUE\""));
  struct Case {
    const char* value;
    bool extra;
  };
  for (const Case& c : {Case{"TRUE", true}, Case{"FALSE", false}}) {
    SCOPED_TRACE(c.value);
    ASSERT_EQ(Install(std::string("ADDLOCAL=ALL ALLUSERS=1 EXTRA=") + c.value), msi::kSuccess);
    EXPECT_EQ(testing::ReadFile(f.HostOf(dir + "main.txt")), "main contents\n");
    EXPECT_EQ(Exists("extra.txt"), c.extra);
    EXPECT_EQ(f.ReadRegistry(kKey, "Main"), dir);
    EXPECT_EQ(f.ReadRegistry(kKey, "Extra"), c.extra ? "#7" : "<no value>");
    EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
    EXPECT_EQ(PackageCodeInfo(), f.PackageCode(f.HostOf(package)));
    EXPECT_EQ(f.ReadRegistry(kUninstall, "DisplayName", kKeyWow64_64Key), "Demo");

    ASSERT_EQ(Install(std::string("REMOVE=ALL ALLUSERS=1 EXTRA=") + c.value), msi::kSuccess);
    EXPECT_FALSE(Exists("main.txt"));
    EXPECT_FALSE(Exists("extra.txt"));
    EXPECT_FALSE(Exists(""));
    EXPECT_FALSE(f.KeyExists(kKey));
    EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
    EXPECT_EQ(PackageCodeInfo(), "error 1605");
    EXPECT_FALSE(f.KeyExists(kUninstall, kKeyWow64_64Key));
  }
}

TEST_F(InstallTest, RemovalTakesOnlyWhatTheProductPutThere) {
  ASSERT_EQ(Install("ADDLOCAL=ALL"), msi::kSuccess);
  // Things of the user's beside the product's.
  testing::WriteFile(f.HostOf(dir + "notes.txt"), "mine");
  std::unique_ptr<RegistryKey> key;
  ASSERT_EQ(f.host->platform().registry.CreateKey(RootKey::kLocalMachine, kKey, kKeyWrite | kKeyWow64_32Key, &key), kRegOk);
  ASSERT_EQ(key->SetValue({"Other", kRegSz, "kept"}), kRegOk);
  key.reset();

  ASSERT_EQ(Install("REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(Exists("main.txt"));
  EXPECT_FALSE(Exists("extra.txt"));
  EXPECT_EQ(testing::ReadFile(f.HostOf(dir + "notes.txt")), "mine");
  EXPECT_EQ(f.ReadRegistry(kKey, "Other"), "kept");
  EXPECT_EQ(f.ReadRegistry(kKey, "Main"), "<no value>");
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
}

TEST_F(InstallTest, AComponentWhoseConditionIsFalseAtRemovalStaysInstalled) {
  ASSERT_NO_THROW(testing::SetComponentCondition(f.HostOf(package), "Extra", "EXTRA = \"TRUE\""));
  ASSERT_EQ(Install("ADDLOCAL=ALL EXTRA=TRUE"), msi::kSuccess);
  ASSERT_EQ(Install("REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(Exists("main.txt"));
  EXPECT_TRUE(Exists("extra.txt"));
  EXPECT_EQ(f.ReadRegistry(kKey, "Extra"), "#7");
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
}

TEST_F(InstallTest, FeatureLevelsAndTheConditionTableDecideWithoutAddLocal) {
  ASSERT_NO_THROW(testing::EditPackage(f.HostOf(package), {"UPDATE `Feature` SET `Level`=3"}));
  ASSERT_NO_THROW(testing::AddFeatureCondition(f.HostOf(package), "Complete", 1, "WANTED"));
  ASSERT_EQ(Install(""), msi::kSuccess);  // level 3 above INSTALLLEVEL 1: nothing to install
  EXPECT_FALSE(Exists("main.txt"));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
  ASSERT_EQ(Install("WANTED=1"), msi::kSuccess);
  EXPECT_TRUE(Exists("main.txt"));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
}

TEST_F(InstallTest, AdvertisingRegistersWithoutFilesAndAFullInstallationFollows) {
  ASSERT_EQ(Install("ADVERTISE=ALL"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateAdvertised);
  EXPECT_FALSE(Exists("main.txt"));
  ASSERT_EQ(Install("ADDLOCAL=ALL ADVERTISE=\"\""), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
  EXPECT_TRUE(Exists("main.txt"));
}

TEST_F(InstallTest, ReinstallRestoresAMissingFileAndAllRewritesAChangedOne) {
  ASSERT_EQ(Install("ADDLOCAL=ALL"), msi::kSuccess);
  fs::remove(f.HostOf(dir + "main.txt"));
  testing::WriteFile(f.HostOf(dir + "extra.txt"), "changed by the user, same size");
  ASSERT_EQ(Install("REINSTALL=ALL REINSTALLMODE=p"), msi::kSuccess);
  EXPECT_TRUE(Exists("main.txt"));
  EXPECT_EQ(testing::ReadFile(f.HostOf(dir + "extra.txt")), "changed by the user, same size");
  ASSERT_EQ(Install("REINSTALL=ALL REINSTALLMODE=vamus"), msi::kSuccess);
  EXPECT_EQ(testing::ReadFile(f.HostOf(dir + "extra.txt")), "extra contents\n");
  ASSERT_EQ(Install("REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(Exists(""));
}

TEST(InstallVersions, TheVersioningRulesDecideWhichFilesThereAreWritten) {
  auto pe = [](uint16_t major, const std::string& trailer = "") {
    testing::PeImage image;
    image.version = {major, 0, 0, 0};
    image.trailer = trailer;
    return image.Build();
  };
  const std::string kExtra = "extra contents\n";  // the package's extra.txt
  struct Case {
    const char* name;
    const char* command_line;  // empty: a first installation over the files; else after one
    std::string main_package, main_version, main_there;
    std::string extra_version;
    std::optional<std::string> extra_there;  // nullopt: missing
    bool main_written, extra_written;
    std::string logged;  // follows "Not writing the file <folder>" in the log
  };
  const Case cases[] = {
      {"newer over older; unversioned of the same size", "", pe(2), "2.0.0.0", pe(1), "", "EXTRA CONTENTS\n", true,
       false, "extra.txt: neither file has a version and both have the same size (15 bytes)."},
      {"older over newer; unversioned of another size", "", pe(2), "2.0.0.0", pe(3), "", "other size", false, true,
       "main.txt: the file there has a newer version (3.0.0.0) than the package's (2.0.0.0)."},
      {"versioned over unversioned", "", pe(2), "2.0.0.0", "main contents, unversioned\n", "", std::nullopt, true,
       true, ""},
      {"unversioned over versioned", "", "main contents\n", "", pe(1), "", std::nullopt, false, true,
       "main.txt: the file there has a version (1.0.0.0) and the package's has none."},
      {"a Version that is no version nor a file", "", pe(2), "2.x", pe(1), "", std::nullopt, false, true,
       "main.txt: the file there has a version (1.0.0.0)"},
      {"a companion stays with its parent", "", pe(2), "2.0.0.0", pe(3), "main.txt", "changed, of another size\n",
       false, false, "extra.txt: the file there has a newer version (3.0.0.0) than the package's (2.0.0.0) (its companion parent"},
      {"a missing companion is written", "", pe(2), "2.0.0.0", pe(3), "main.txt", std::nullopt, false, true, ""},
      {"a companion is written with its parent", "", pe(2), "2.0.0.0", pe(1), "main.txt", "EXTRA CONTENTS\n", true,
       true, ""},
      {"reinstall o keeps the same version", "REINSTALL=ALL REINSTALLMODE=vomus", pe(2), "2.0.0.0",
       pe(2, "changed by hand"), "", "EXTRA CONTENTS\n", false, false, "main.txt: the file there has the same version (2.0.0.0)."},
      {"reinstall e, in capitals, writes the same version", "REINSTALL=ALL REINSTALLMODE=VEMUS", pe(2), "2.0.0.0",
       pe(2, "changed by hand"), "", "EXTRA CONTENTS\n", true, false, ""},
      {"reinstall d writes an older version", "REINSTALL=ALL REINSTALLMODE=vdmus", pe(3), "3.0.0.0", pe(4), "",
       "EXTRA CONTENTS\n", true, false, ""},
      {"reinstall a writes everything", "REINSTALL=ALL REINSTALLMODE=vamus", pe(2), "2.0.0.0", pe(3), "main.txt",
       "EXTRA CONTENTS\n", true, true, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    InstallerFixture f;
    std::string package = f.host->paths().ToWindows(testing::BuildPackage(
        f.work.path(), "demo", DemoWxs(), {{"main.txt", c.main_package}, {"extra.txt", kExtra}}));
    ASSERT_NO_THROW(testing::EditPackage(
        f.HostOf(package), {"UPDATE `File` SET `Version`='" + c.main_version + "' WHERE `File`='main.txt'",
                            "UPDATE `File` SET `Version`='" + c.extra_version + "' WHERE `File`='extra.txt'"}));
    const std::string dir = f.InstallDir(), main = f.HostOf(dir + "main.txt"), extra = f.HostOf(dir + "extra.txt");
    if (*c.command_line) {
      ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
    }
    fs::create_directories(f.HostOf(dir));
    testing::WriteFile(main, c.main_there);
    fs::remove(extra);
    if (c.extra_there) testing::WriteFile(extra, *c.extra_there);

    const std::string log = f.work / "install.log";
    ASSERT_EQ(f.msi->MsiEnableLogA(0x3FDF, f.host->paths().ToWindows(log).c_str(), 0), msi::kSuccess);
    ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), *c.command_line ? c.command_line : "ADDLOCAL=ALL"),
              msi::kSuccess);
    EXPECT_EQ(testing::ReadFile(main), c.main_written ? c.main_package : c.main_there);
    EXPECT_EQ(testing::ReadFile(extra), c.extra_written ? kExtra : c.extra_there.value_or("<missing>"));
    const std::string text = testing::ReadFile(log);
    if (!c.logged.empty()) {
      EXPECT_NE(text.find("Not writing the file " + dir + c.logged), std::string::npos) << text;
    }
    size_t kept = !c.main_written + (!c.extra_written && c.extra_there);
    size_t lines = 0;
    for (size_t at = text.find("Not writing the file "); at != std::string::npos; at = text.find("Not writing the file ", at + 1))
      ++lines;
    EXPECT_EQ(lines, kept);
  }
}

TEST_F(InstallTest, FailuresAnswerTheirCodesAndLeaveNothing) {
  testing::WriteFile(f.work / "truncated.msi", testing::ReadFile(f.HostOf(package)).substr(0, 3000));
  struct Case {
    std::string package, command_line;
    UINT code;
  };
  for (const Case& c : {Case{package, "ADDLOCAL=ALL NAME=\"unterminated", msi::kErrorInvalidCommandLine},
                        Case{f.host->paths().ToWindows(f.work / "missing.msi"), "", msi::kErrorInstallPackageOpenFailed},
                        Case{f.host->paths().ToWindows(f.work / "truncated.msi"), "", msi::kErrorInstallPackageInvalid}}) {
    SCOPED_TRACE(c.package + " " + c.command_line);
    EXPECT_EQ(f.msi->MsiInstallProductA(c.package.c_str(), c.command_line.c_str()), c.code);
    EXPECT_FALSE(Exists(""));
    EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
  }
  EXPECT_EQ(f.msi->MsiQueryProductStateA("not a product code"), msi::kStateInvalidArg);
}

TEST_F(InstallTest, AnotherPackageOfTheInstalledProductNeedsTheReinstallModeV) {
  ASSERT_EQ(Install("ADDLOCAL=ALL"), msi::kSuccess);
  testing::TempDir other_folder;
  std::string other = f.host->paths().ToWindows(testing::BuildPackage(
      other_folder.path(), "demo", DemoWxs(), {{"main.txt", "main contents\n"}, {"extra.txt", "extra contents\n"}}));
  EXPECT_EQ(f.msi->MsiInstallProductA(other.c_str(), "ADDLOCAL=ALL"), msi::kErrorProductVersion);
  EXPECT_EQ(f.msi->MsiInstallProductA(other.c_str(), "REINSTALL=ALL REINSTALLMODE=vomus"), msi::kSuccess);
  EXPECT_EQ(f.msi->MsiInstallProductA(other.c_str(), "REMOVE=ALL"), msi::kSuccess);
  EXPECT_FALSE(Exists(""));
}

TEST(InstallErrors, AnErrorRollsBackWhatWasDoneAndAnswers1603) {
  // A user who is no administrator cannot write HKEY_LOCAL_MACHINE; the files came first.
  InstallerFixture f("administrator=FALSE\n");
  std::string package = f.Package();
  Recorder recorder;
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL ALLUSERS=1"), msi::kErrorInstallFailure);
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
  auto errors = recorder.OfType(msi::kMessageError);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_NE(errors[0].text.find("Could not write value Main"), std::string::npos) << errors[0].text;
  EXPECT_EQ(errors[0].type & 0xFFFFFF, msi::kMbIconError);
}

TEST(InstallErrors, RecordsThatCannotBeWrittenFailInsteadOfLookingBusy) {
  InstallerFixture f;
  std::string package = f.Package();
  fs::remove_all(f.prefix / "installer");
  testing::WriteFile(f.prefix / "installer", "a file where the records folder belongs");
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kErrorInstallFailure);
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
}

TEST(InstallViews, TheTemplatePlatformAndTheComponentBitChooseTheRegistryView) {
  struct Case {
    const char* package_attributes;
    const char* component_attributes;
    std::vector<std::string> wixl;
    uint32_t view;
  };
  for (const Case& c : {Case{"", "", {}, kKeyWow64_32Key},
                        Case{"Platform=\"x64\"", "Win64=\"yes\"", {"-a", "x64"}, kKeyWow64_64Key},
                        Case{"Platform=\"x64\"", "", {"-a", "x64"}, kKeyWow64_32Key}}) {
    SCOPED_TRACE(std::string(c.package_attributes) + " " + c.component_attributes);
    InstallerFixture f;
    std::string package = f.Package(DemoWxs(c.package_attributes, c.component_attributes), "demo", c.wixl);
    ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
    uint32_t other = c.view == kKeyWow64_32Key ? kKeyWow64_64Key : kKeyWow64_32Key;
    EXPECT_EQ(f.ReadRegistry(kKey, "Extra", c.view), "#7");
    EXPECT_EQ(f.ReadRegistry(kKey, "Extra", other), "<no key>");
  }
}

}  // namespace
}  // namespace quillset::platform::posix::installer
