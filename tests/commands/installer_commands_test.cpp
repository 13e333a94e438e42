// "Apply Changes", "Apply Patch" and "Is MSI Setup Installed" over the posix installer service
// with a package built by wixl.
#include "commands/installer_commands.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/commands/command_fixture.h"
#include "tests/support/package_fixture.h"

namespace quillset::commands {
namespace {

namespace fs = std::filesystem;

const char kProduct[] = "{7D1E2F30-4A5B-4C6D-8E9F-0A1B2C3D4E50}";


class InstallerCommandsTest : public CommandFixture {
 protected:
  InstallerCommandsTest() {
    RegisterInstallerCommands(table_);
    std::string built =
        testing::BuildPackage(work_.path(), "applied", testing::OneFileWxs(kProduct, "Applied"), {{"main.txt", "main"}});
    fs::create_directories(DriveC("setup/data"));
    fs::create_directories(DriveC("setup/support"));
    fs::copy_file(built, DriveC("setup/support/applied.msi"));
  }
  void SetUp() override {
    data_folder_ = "C:\\setup\\data\\";
    context_.data_folder = &data_folder_;
    context_.support_folder = "C:\\setup\\support\\";
    context_.changes_applied = [this](bool install, bool remove) { applied_.push_back(install && !remove); };
    installer_ = &context_;
    for (auto [name, value] : {std::pair{"MSIFILE", "C:\\setup\\support\\applied.msi"}, {"TITLE", "Applied"},
                               {"PRODUCTCODE", kProduct}, {"TARGETDIR", "C:\\Apps\\Applied\\"},
                               {"TEMPDIR", "C:\\tmp\\"}, {"ALLUSERS", "TRUE"}, {"MAINTENANCE", "FALSE"}})
      variables_.SetVariable(name, value, "test");
  }
  bool Installed() { return host_->platform().installer.Bind()->MsiQueryProductStateA(kProduct) == 5; }

  testing::TempDir work_;
  std::string data_folder_;
  InstallerCommandContext context_;
  std::vector<bool> applied_;
};

TEST_F(InstallerCommandsTest, InstallQueryAndRemove) {
  fs::copy_file(DriveC("setup/support/applied.msi"), DriveC("setup/data/applied.msi"));
  Run({{"Apply Changes", {"Progress", "result", "TRUE", "FALSE"}},
       {"Is MSI Setup Installed", {"$PRODUCTCODE$", "present"}}});
  EXPECT_EQ(Var("RESULT"), "COMPLETE") << Var("LASTERROR");
  EXPECT_EQ(Var("PRESENT"), "TRUE");
  EXPECT_TRUE(Installed());
  // The installer properties recorded for the package and the parameter file.
  ASSERT_FALSE(pending_properties_.empty());
  EXPECT_EQ(pending_properties_.back(), (std::pair<std::string, std::string>{"MSINTEMP", "C:\\tmp\\"}));
  EXPECT_EQ(applied_, std::vector<bool>{true});

  Run({{"Apply Changes", {"Progress", "gone", "FALSE", "TRUE"}}, {"Is MSI Setup Installed", {kProduct, "present"}}});
  EXPECT_EQ(Var("GONE"), "COMPLETE") << Var("LASTERROR");
  EXPECT_EQ(Var("PRESENT"), "FALSE");
  EXPECT_FALSE(Installed());
  EXPECT_EQ(applied_, (std::vector<bool>{true, false}));
}

TEST_F(InstallerCommandsTest, MissingSourcesInASilentMaintenanceRunCancel) {
  variables_.SetVariable("MAINTENANCE", "TRUE", "test");
  variables_.SetSilent(true);
  Run({{"Apply Changes", {"Progress", "result", "TRUE", "FALSE"}}});
  EXPECT_EQ(Var("RESULT"), "CANCEL");
  EXPECT_EQ(Var("LASTERROR"), "Original setup sources required to complete operation, sources not found");
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(applied_.empty());
}

TEST_F(InstallerCommandsTest, AFailedInstallationIsAnError) {
  // A first installation goes on without its sources; the broken package fails.
  testing::WriteFile(DriveC("setup/support/applied.msi"), "broken");
  Run({{"Apply Changes", {"Progress", "result", "TRUE", "FALSE"}}});
  EXPECT_EQ(Var("RESULT"), "ERROR");
  EXPECT_NE(Var("LASTERROR"), "");
  EXPECT_TRUE(applied_.empty());
}

// Stands between the installer and the engine's handler: the user presses Cancel at the first
// message after a file of the product has been laid down.
struct CancelOnceAFileIsThere {
  platform::INSTALLUI_HANDLERA engine_handler = nullptr;
  void* engine_context = nullptr;
  vars::VariableStore* variables = nullptr;
  std::string file;  // host path of an installed file
  bool cancelled = false;

  static int Handle(void* context, platform::UINT type, platform::LPCSTR message) {
    auto* self = static_cast<CancelOnceAFileIsThere*>(context);
    if (!self->cancelled && fs::exists(self->file)) {
      self->cancelled = true;
      self->variables->SetVariable(ui::kCancelledVariable, "TRUE", "the user");
    }
    return self->engine_handler(self->engine_context, type, message);
  }
};

TEST_F(InstallerCommandsTest, ACancelDuringTheInstallationLeavesNothingBehind) {
  fs::copy_file(DriveC("setup/support/applied.msi"), DriveC("setup/data/applied.msi"));
  CancelOnceAFileIsThere cancel{.variables = &variables_, .file = DriveC("Program Files (x86)/Applied/main.txt")};
  platform::InstallerFunctions& service = *host_->platform().installer.Bind();
  auto set_handler = service.MsiSetExternalUIA;
  service.MsiSetExternalUIA = [&](platform::INSTALLUI_HANDLERA handler, platform::DWORD filter, void* context) {
    cancel.engine_handler = handler;
    cancel.engine_context = context;
    return set_handler(&CancelOnceAFileIsThere::Handle, filter, &cancel);
  };
  Run({{"Apply Changes", {"Progress", "result", "TRUE", "FALSE"}}});
  EXPECT_EQ(Var("RESULT"), "CANCEL");
  EXPECT_TRUE(cancel.cancelled);
  EXPECT_FALSE(fs::exists(DriveC("Program Files (x86)/Applied")));
  EXPECT_FALSE(Installed());
  EXPECT_TRUE(applied_.empty()) << "no engine cache for a cancelled installation";
  EXPECT_FALSE(fs::exists(*host_->paths().ToHost(host_->platform().system.TempFolder() + kProduct)))
      << "the property exchange file is gone";
}

}  // namespace
}  // namespace quillset::commands
