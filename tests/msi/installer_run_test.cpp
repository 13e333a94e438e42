// Installer runs: the command line item by item, the property exchange file, and whole runs
// over the posix installer service with packages built by wixl.
#include "msi/installer_run.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "platform/posix/installer/install_lock.h"
#include "platform/posix/posix_platform.h"
#include "tests/support/package_fixture.h"
#include "tests/support/test_support.h"

namespace quillset::msi {
namespace {

namespace fs = std::filesystem;

TEST(InstallerCommandLine, ItemsInTheirOrder) {
  InstallerFolders plain;
  plain.data_folder = "C:\\SETUP\\DATA\\";
  plain.media_package_path = "\\SETUP\\";
  plain.source_list = "C:\\SETUP\\DATA\\;C:\\TMP\\";
  plain.media_folder = "C:\\MEDIA\\";
  InstallerFolders blank = plain;
  blank.data_blank = true;
  blank.data_folder = "C:\\My Setup\\DATA\\";
  blank.media_package_path = "\\My Setup\\";
  blank.source_list = "\"C:\\My Setup\\DATA\\;C:\\TMP\\\"";
  const std::string tail = "SRCDIR=C:\\SETUP\\DATA\\ SOURCELIST=C:\\SETUP\\DATA\\;C:\\TMP\\ MEDIAPACKAGEPATH=\\SETUP\\ REBOOT=R ";
  const std::string arp = "ARPSYSTEMCOMPONENT=1 ARPNOREMOVE=1 ARPNOMODIFY=1 ARPNOREPAIR=1 ARPINSTALLLOCATION=\"C:\\App\\\" ";
  struct Case {
    const char* name;
    CommandLineFacts facts;
    const InstallerFolders& folders;
    std::string expected;
  } cases[] = {
      {"fresh install", {.install = true, .target_folder = "C:\\App\\"}, plain,
       "ADDLOCAL=ALL ALLUSERS=\"\" " + arp + tail},
      {"fresh advertisement for all users", {.install = true, .advertise = true, .all_users = true, .target_folder = "C:\\App\\"},
       plain, "ADVERTISE=ALL ALLUSERS=1 " + arp + tail},
      {"over an installed product", {.install = true, .product_installed = true, .target_folder = "C:\\App\\"}, plain,
       "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=\"\" " + arp + tail},
      {"over an advertised product", {.install = true, .product_installed = true, .advertised_marker = true,
        .target_folder = "C:\\App\\"}, plain, "ADDLOCAL=ALL ADVERTISE=\"\" ALLUSERS=\"\" " + arp + tail},
      {"advertising again reinstalls", {.install = true, .advertise = true, .product_installed = true,
        .advertised_marker = true, .target_folder = "C:\\App\\"}, plain,
       "REINSTALL=ALL REINSTALLMODE=vomus ALLUSERS=\"\" " + arp + tail},
      {"removal", {.all_users = true, .disable_rollback = true, .disable_restart_manager = true, .target_folder = ""}, plain,
       "REMOVE=ALL ALLUSERS=1 DISABLEROLLBACK=1 MSIRESTARTMANAGERCONTROL=Disable ALLUSERS=1 REMOVE=ALL " + tail},
      {"removal where the installer takes no command line", {.nt_family = false, .target_folder = ""}, plain,
       "REMOVE=ALL ALLUSERS=\"\" "},
      {"patch", {.patch_mode = true, .target_folder = ""}, plain, "ADDLOCAL=ALL ALLUSERS=\"\" SRCDIR=C:\\MEDIA\\ SRCDIREX=C:\\MEDIA\\ "},
      {"folders with blanks are quoted", {.install = true, .target_folder = "C:\\App\\"}, blank,
       "ADDLOCAL=ALL ALLUSERS=\"\" " + arp +
           "SRCDIR=\"C:\\My Setup\\DATA\\\" SOURCELIST=\"C:\\My Setup\\DATA\\;C:\\TMP\\\" MEDIAPACKAGEPATH=\"\\My Setup\\\" REBOOT=R "},
  };
  for (const Case& c : cases) EXPECT_EQ(ComposeCommandLine(c.facts, c.folders), c.expected) << c.name;
}

TEST(PropertyExchange, RecordsLeaveOutTheInstallersOwnProperties) {
  vars::VariableStore store;
  store.SetVariable("APP", "Demo", "test");
  InstallerRunInputs inputs;
  inputs.parameter_text = vars::JoinSnapshotLines({"AMAIN", "TRUE", "PFOLDER", "C:\\$APP$\\\\bin"});
  inputs.variables_text = vars::JoinSnapshotLines({"Sourcedir", "x", "allusers", "TRUE", "ALLUSERSX", "kept", "Share",
                                                   "\\\\server\\\\share", "NOTE", "two\r\nlines", "silent", "true",
                                                   "TITLE", "Demo Setup"});
  InstallerFolders folders;
  folders.data_folder = "C:\\SETUP\\DATA\\";
  folders.media_package_path = "\\SETUP\\";
  bool quiet = false;
  std::string caption;
  EXPECT_EQ(PropertyExchangeText(inputs, folders, store, quiet, caption),
            "SourceDir\r\nC:\\SETUP\\DATA\\\r\n$ex\r\n"
            "MEDIAPACKAGEPATH\r\n\\SETUP\\\r\n$ex\r\n"
            "AMAIN\r\nTRUE\r\n$ex\r\n"
            "PFOLDER\r\nC:\\Demo\\bin\r\n$ex\r\n"
            "ALLUSERSX\r\nkept\r\n$ex\r\n"
            "Share\r\n\\\\server\\share\r\n$ex\r\n"
            "NOTE\r\ntwo\r\nlines\r\n$ex\r\n"
            "silent\r\ntrue\r\n$ex\r\n"
            "TITLE\r\nDemo Setup\r\n$ex\r\n");
  EXPECT_TRUE(quiet);
  EXPECT_EQ(caption, "Demo Setup");
  EXPECT_TRUE(IsReservedInstallerProperty("mediasourcedir"));
  EXPECT_FALSE(IsReservedInstallerProperty("TARGETDIR"));
}

TEST(InstallerResult, SystemTextsLoseTheirFinalDot) {
  EXPECT_EQ(InstallerResultText(1603), "Fatal error during installation");
  EXPECT_EQ(InstallerResultText(4242), "");
}

const char kProduct[] = "{3F2A8C10-6D4B-4E21-9C7A-1B2C3D4E5F60}";


class InstallerRunTest : public ::testing::Test {
 protected:
  InstallerRunTest() {
    progress_.DefineReservedVariables();
    std::string host_package =
        testing::BuildPackage(work_.path(), "runner", testing::OneFileWxs(kProduct, "Runner"), {{"main.txt", "main"}});
    fs::create_directories(prefix_ / "drive_c/setup");
    fs::copy_file(host_package, prefix_ / "drive_c/setup/runner.msi");
    inputs_.package_path = "C:\\setup\\runner.msi";
    inputs_.product_code = kProduct;
    inputs_.install = true;
    inputs_.data_folder = "C:\\setup\\data\\";
    inputs_.target_folder = "C:\\Program Files (x86)\\Runner\\";
    inputs_.variables_text = variables_.SaveVariables();
    inputs_.trace_log_path = "C:\\trace.log";
    inputs_.write_trace_line = [this](const std::string& line) { trace_.push_back(line); };
    inputs_.window_caption = "Runner Setup";
    // The exchange file is checked while the installer runs: it must exist, privately.
    inputs_.apply_platform_edits = [this] {
      struct stat st;
      exchange_seen_ = stat(ExchangeFile().c_str(), &st) == 0 && (st.st_mode & 0777) == 0600;
    };
  }
  std::string ExchangeFile() const {
    return *host_->paths().ToHost(host_->platform().system.TempFolder() + kProduct);
  }
  platform::Platform& platform() { return host_->platform(); }

  testing::TempDir prefix_, work_;
  std::unique_ptr<platform::posix::PosixPlatform> host_ =
      platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/setup"}});
  vars::VariableStore variables_;
  ui::Progress progress_{variables_};
  script::MessageTable messages_;
  InstallerProgressState state_;
  InstallerRun run_{host_->platform(), variables_, progress_, messages_, state_};
  InstallerRunInputs inputs_;
  std::vector<std::string> trace_;
  bool exchange_seen_ = false;
};

TEST_F(InstallerRunTest, InstallsThenRemovesThroughTheService) {
  ASSERT_EQ(run_.Run(inputs_, ""), 1) << run_.outputs().result_message;
  EXPECT_EQ(fs::path(prefix_ / "drive_c/Program Files (x86)/Runner/main.txt").filename(), "main.txt");
  EXPECT_TRUE(fs::exists(prefix_ / "drive_c/Program Files (x86)/Runner/main.txt"));
  EXPECT_EQ(platform().installer.Bind()->MsiQueryProductStateA(kProduct), platform::msi::kStateDefault);
  EXPECT_TRUE(exchange_seen_);
  EXPECT_FALSE(fs::exists(ExchangeFile()));
  EXPECT_EQ(variables_.GetVariable(ui::kFinishedVariable), "TRUE");
  EXPECT_EQ(run_.last_command_line().substr(0, 13), "ADDLOCAL=ALL ");
  ASSERT_GE(trace_.size(), 24u);
  EXPECT_EQ(trace_[0].substr(0, 36), "=== Runner Setup: Applying Changes @");
  EXPECT_EQ(trace_[8], "*** MSI Database ***");
  EXPECT_EQ(trace_[9], "C:\\setup\\runner.msi");
  EXPECT_EQ(trace_[11], "*** GUID ***");

  inputs_.install = false;
  ASSERT_EQ(run_.Run(inputs_, ""), 1) << run_.outputs().result_message;
  EXPECT_EQ(run_.last_command_line().substr(0, 11), "REMOVE=ALL ");
  EXPECT_FALSE(fs::exists(prefix_ / "drive_c/Program Files (x86)/Runner/main.txt"));
  EXPECT_EQ(platform().installer.Bind()->MsiQueryProductStateA(kProduct), platform::msi::kStateUnknown);
}

TEST_F(InstallerRunTest, ACancelBeforeTheInstallerSkipsIt) {
  inputs_.apply_pending_properties = [this] { variables_.SetVariable(ui::kCancelledVariable, "TRUE", "test"); };
  EXPECT_EQ(run_.Run(inputs_, ""), 0);
  EXPECT_TRUE(trace_.empty());
  EXPECT_FALSE(fs::exists(prefix_ / "drive_c/Program Files (x86)/Runner/main.txt"));
  EXPECT_FALSE(fs::exists(ExchangeFile()));
}

TEST_F(InstallerRunTest, AFailureCarriesTheSystemText) {
  testing::WriteFile(prefix_ / "drive_c/setup/runner.msi", "no package");
  EXPECT_EQ(run_.Run(inputs_, ""), -1);
  const platform::UINT code = run_.outputs().result_code;
  EXPECT_TRUE(code == 1619 || code == 1620) << code;
  EXPECT_EQ(run_.outputs().result_message, InstallerResultText(code));
  EXPECT_FALSE(fs::exists(ExchangeFile()));
}

// Another installation holds the machine's installer lock for the first two calls of the real
// service; each call notes the progress text the waiting engine shows.
class BusyTwice : public platform::Installer {
 public:
  BusyTwice(platform::Installer& real, const std::string& records_folder, vars::VariableStore& variables)
      : table_(*real.Bind()), other_installation_(std::make_unique<platform::posix::installer::InstallLock>(records_folder)) {
    auto install = table_.MsiInstallProductA;
    table_.MsiInstallProductA = [this, install, &variables](platform::LPCSTR package, platform::LPCSTR command_line) {
      texts.push_back(variables.GetVariable(ui::kProgressTextVariable));
      if (texts.size() == 3) other_installation_.reset();
      return install(package, command_line);
    };
  }
  platform::InstallerFunctions* Bind() override { return &table_; }
  std::vector<std::string> texts;

 private:
  platform::InstallerFunctions table_;
  std::unique_ptr<platform::posix::installer::InstallLock> other_installation_;
};

TEST_F(InstallerRunTest, ABusyInstallerIsWaitedForWithDots) {
  platform::Platform& real = platform();
  BusyTwice busy(real.installer, host_->InstallerFolder(), variables_);
  platform::Platform waiting{real.files, real.system, real.registry, real.dialogs, real.libraries, real.http,
                             real.processes, busy};
  InstallerRun run(waiting, variables_, progress_, messages_, state_);
  EXPECT_EQ(run.Run(inputs_, ""), 1) << run.outputs().result_message;
  ASSERT_EQ(busy.texts.size(), 3u);
  EXPECT_EQ(busy.texts[1], "Windows Installer.");
  EXPECT_EQ(busy.texts[2], "Windows Installer..");
  EXPECT_TRUE(fs::exists(prefix_ / "drive_c/Program Files (x86)/Runner/main.txt"));
}

}  // namespace
}  // namespace quillset::msi
