// What a handler sees of an installation, cancelling it, the log, and one installation at a
// time across processes.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <set>
#include <thread>

#include "platform/posix/installer/script.h"
#include "tests/installer/installer_fixture.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {
namespace {

bool Digits(const std::string& text, size_t from, size_t count) {
  if (from + count > text.size()) return false;
  for (size_t i = from; i < from + count; ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i]))) return false;
  return true;
}

// The action's name of "Action hh:mm:ss: Name." or "Action hh:mm:ss: Name. Description";
// empty for any other text.
std::string ActionStartName(const std::string& text) {
  if (text.rfind("Action ", 0) != 0 || !Digits(text, 7, 2) || text.compare(9, 1, ":") != 0 || !Digits(text, 10, 2) ||
      text.compare(12, 1, ":") != 0 || !Digits(text, 13, 2) || text.compare(15, 2, ": ") != 0)
    return "";
  size_t dot = text.find('.', 17);
  if (dot == std::string::npos || dot == 17 || (dot + 1 < text.size() && text[dot + 1] != ' ')) return "";
  for (size_t i = 17; i < dot; ++i)
    if (!std::isalnum(static_cast<unsigned char>(text[i])) && text[i] != '_') return "";
  return text.substr(17, dot - 17);
}

// "1: a 2: b 3: c 4: d " with decimal fields.
bool IsFourFieldRecord(const std::string& text) {
  size_t at = 0;
  for (char field = '1'; field <= '4'; ++field) {
    if (text.compare(at, 3, std::string{field, ':', ' '}) != 0) return false;
    at += 3;
    size_t digits = at;
    while (at < text.size() && std::isdigit(static_cast<unsigned char>(text[at]))) ++at;
    if (at == digits || at >= text.size() || text[at] != ' ') return false;
    ++at;
  }
  return at == text.size();
}

namespace fs = std::filesystem;

// The handler's view of the progress records, as the engine's progress display keeps it.
struct ProgressModel {
  int64_t total = 0, position = 0, per_data = 0;
  void Apply(const Message& message) {
    UINT type = message.type & msi::kMessageTypeMask;
    if (type == msi::kMessageActionData) position += per_data;
    if (type != msi::kMessageProgress) return;
    int64_t f[4] = {0, 0, 0, 0};
    std::sscanf(message.text.c_str(), "1: %ld 2: %ld 3: %ld 4: %ld", &f[0], &f[1], &f[2], &f[3]);
    if (f[0] == 0) {
      total = f[1];
      position = 0;
      per_data = 0;
    } else if (f[0] == 1) {
      per_data = f[2] == 1 ? f[1] : 0;
    } else if (f[0] == 2) {
      position += f[1];
    }
  }
};

constexpr char kKey[] = "Software\\Maker\\Demo";

TEST(InstallMessages, AHandlerSeesTheInstallationInOrderWithProgressAddingUp) {
  InstallerFixture f;
  std::string package = f.Package();
  Recorder recorder;
  f.msi->MsiSetInternalUI(msi::kUiLevelNone | msi::kUiLevelSourceResOnly, nullptr);
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);

  const auto& m = recorder.messages;
  ASSERT_GE(m.size(), 10u);
  EXPECT_EQ(m.front().type, msi::kMessageInitialize);
  EXPECT_EQ(m[1].type, msi::kMessageCommonData);
  EXPECT_EQ(m[1].text, "1: 0 2: 1033 3: 1252 ");
  EXPECT_EQ(m.back().type, msi::kMessageTerminate);

  std::vector<std::string> started;
  for (const Message& message : recorder.OfType(msi::kMessageActionStart)) {
    std::string name = ActionStartName(message.text);
    ASSERT_FALSE(name.empty()) << message.text;
    started.push_back(name);
  }
  auto at = [&](const std::string& name) { return std::find(started.begin(), started.end(), name) - started.begin(); };
  EXPECT_LT(at("CostFinalize"), at("InstallFiles"));
  EXPECT_LT(at("InstallFiles"), at("WriteRegistryValues"));
  EXPECT_LT(at("WriteRegistryValues"), at("InstallFinalize"));
  EXPECT_LT(at("InstallFinalize"), static_cast<long>(started.size()));

  // One reset announcing the bytes of both files and an entry's worth for each registry value
  // and the product's entry in the list of programs; the reports reach it exactly.
  ProgressModel progress;
  int resets = 0;
  for (const Message& message : m) {
    progress.Apply(message);
    if ((message.type & msi::kMessageTypeMask) == msi::kMessageProgress && message.text.rfind("1: 0 ", 0) == 0) ++resets;
  }
  EXPECT_EQ(resets, 1);
  EXPECT_EQ(progress.total, static_cast<int64_t>(std::string("main contents\n").size() +
                                                 std::string("extra contents\n").size() + 3 * kTicksPerEntry));
  EXPECT_EQ(progress.position, progress.total);
  auto data = recorder.OfType(msi::kMessageActionData);
  for (const Message& message : recorder.OfType(msi::kMessageProgress))
    EXPECT_TRUE(IsFourFieldRecord(message.text)) << message.text;
  EXPECT_TRUE(std::any_of(data.begin(), data.end(), [](const Message& message) {
    return message.text.rfind("File: main.txt, Directory: ", 0) == 0;
  }));
  auto info = recorder.OfType(msi::kMessageInfo);
  EXPECT_TRUE(std::any_of(info.begin(), info.end(), [](const Message& message) {
    return message.text == "Installation success or error status: 0.";
  }));

  // A removal counts its entries too.
  recorder.messages.clear();
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
  ProgressModel removal;
  for (const Message& message : recorder.messages) removal.Apply(message);
  EXPECT_GT(removal.total, 0);
  EXPECT_EQ(removal.position, removal.total);
}

TEST(InstallMessages, TheHandlerRunsOnTheInstallingThreadWhileQueriesAnswerElsewhere) {
  InstallerFixture f;
  std::string package = f.Package();
  Recorder recorder;
  std::thread::id installing;
  std::set<std::thread::id> handler_threads;
  std::vector<INSTALLSTATE> states_seen;
  recorder.answer = [&](const Message& message) {
    handler_threads.insert(std::this_thread::get_id());
    // A product query from another thread while the installation runs.
    if ((message.type & msi::kMessageTypeMask) == msi::kMessageProgress && states_seen.empty())
      std::thread([&] { states_seen.push_back(f.msi->MsiQueryProductStateA(kProductCode)); }).join();
    return msi::kIdOk;
  };
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  UINT result = 0;
  std::thread installer([&] {
    installing = std::this_thread::get_id();
    result = f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL");
  });
  installer.join();
  EXPECT_EQ(result, msi::kSuccess);
  EXPECT_EQ(handler_threads, std::set<std::thread::id>{installing});
  EXPECT_EQ(states_seen, std::vector<INSTALLSTATE>{msi::kStateUnknown});
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
}

TEST(InstallMessages, TheMaskFiltersWhatTheHandlerReceives) {
  InstallerFixture f;
  std::string package = f.Package();
  Recorder recorder;
  f.msi->MsiSetExternalUIA(Recorder::Handler, msi::FilterBit(msi::kMessageProgress) | msi::FilterBit(msi::kMessageTerminate),
                           &recorder);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  ASSERT_FALSE(recorder.messages.empty());
  for (const Message& message : recorder.messages)
    EXPECT_TRUE(message.type == msi::kMessageProgress || message.type == msi::kMessageTerminate) << message.type;
}

TEST(InstallMessages, CancelAtTheThirdProgressMessageRollsEverythingBack) {
  InstallerFixture f;
  std::string package = f.Package();
  // Installed once and removed: the second installation is cancelled over a clean machine.
  Recorder recorder;
  int progress = 0;
  recorder.answer = [&](const Message& message) {
    if ((message.type & msi::kMessageTypeMask) == msi::kMessageProgress && ++progress == 3) return msi::kIdCancel;
    return msi::kIdOk;
  };
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kErrorInstallUserExit);
  // After the cancel the position runs backward: a reset with the direction 1 and the number
  // of undone steps, then a report for each.
  std::vector<Message> after_cancel = recorder.OfType(msi::kMessageProgress);
  after_cancel.erase(after_cancel.begin(), after_cancel.begin() + 3);
  ASSERT_FALSE(after_cancel.empty());
  int64_t undone = 0;
  ASSERT_EQ(std::sscanf(after_cancel[0].text.c_str(), "1: 0 2: %ld 3: 1 4: 0 ", &undone), 1) << after_cancel[0].text;
  EXPECT_GT(undone, 0);
  EXPECT_EQ(after_cancel.size(), static_cast<size_t>(undone) + 1);
  for (size_t i = 1; i < after_cancel.size(); ++i) EXPECT_EQ(after_cancel[i].text, "1: 2 2: 1 3: 0 4: 0 ");
  EXPECT_FALSE(fs::exists(f.HostOf(f.InstallDir())));
  EXPECT_FALSE(f.KeyExists(kKey));
  EXPECT_FALSE(f.KeyExists("Software\\Maker"));
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateUnknown);
  EXPECT_TRUE(fs::is_empty(f.prefix / "installer/runs"));
  EXPECT_EQ(recorder.messages.back().type, msi::kMessageTerminate);

  // A cancel answered to a later message of a removal keeps the product as it was.
  recorder.answer = nullptr;
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  progress = 0;
  recorder.answer = [&](const Message& message) {
    if ((message.type & msi::kMessageTypeMask) == msi::kMessageProgress && ++progress == 4) return msi::kIdCancel;
    return msi::kIdOk;
  };
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kErrorInstallUserExit);
  EXPECT_EQ(testing::ReadFile(f.HostOf(f.InstallDir() + "main.txt")), "main contents\n");
  EXPECT_EQ(f.ReadRegistry(kKey, "Main"), f.InstallDir());
  EXPECT_EQ(f.msi->MsiQueryProductStateA(kProductCode), msi::kStateDefault);
}

TEST(InstallLog, TheLogIsAppendedOrReplacedAsAsked) {
  InstallerFixture f;
  std::string package = f.Package();
  std::string log = f.work / "install.log";
  std::string log_windows = f.host->paths().ToWindows(log);
  auto count = [&](const std::string& text) {
    std::string content = testing::ReadFile(log);
    size_t found = 0;
    for (size_t at = content.find(text); at != std::string::npos; at = content.find(text, at + 1)) ++found;
    return found;
  };
  testing::WriteFile(log, "trace log line\r\n");
  ASSERT_EQ(f.msi->MsiEnableLogA(0x3FDF, log_windows.c_str(), msi::kLogAttributesAppend | msi::kLogAttributesFlushEachLine),
            msi::kSuccess);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
  EXPECT_EQ(count("trace log line\r\n"), 1u);
  EXPECT_EQ(count("Installation success or error status: 0.\r\n"), 2u);
  EXPECT_GE(count("Action start "), 4u);
  EXPECT_EQ(count("Removal completed successfully."), 1u);

  ASSERT_EQ(f.msi->MsiEnableLogA(0x3FDF, log_windows.c_str(), 0), msi::kSuccess);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  EXPECT_EQ(count("trace log line"), 0u);
  EXPECT_EQ(count("Installation success or error status: 0."), 1u);

  // A trace log written as UTF-16LE text is continued in that encoding.
  System& system = f.host->platform().system;
  testing::WriteFile(log, system.AnsiToUtf16Le("trace log line\r\n"));
  ASSERT_EQ(f.msi->MsiEnableLogA(0x3FDF, log_windows.c_str(), msi::kLogAttributesAppend), msi::kSuccess);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
  EXPECT_EQ(count(system.AnsiToUtf16Le("Installation success or error status: 0.\r\n")), 1u);
  EXPECT_EQ(count("Installation success"), 0u);
}

TEST(InstallLock, ASecondProcessIsToldAnotherInstallationIsRunning) {
  InstallerFixture f;
  std::string package = f.Package();
  int child_code = -1;
  Recorder recorder;
  recorder.answer = [&](const Message& message) {
    if (child_code != -1 || (message.type & msi::kMessageTypeMask) != msi::kMessageProgress) return msi::kIdOk;
    pid_t child = fork();
    if (child == 0) {
      auto other = CreatePosixPlatform({f.prefix.path(), {"/usr/bin/setup"}});
      _exit(static_cast<int>(other->platform().installer.Bind()->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL")) & 0xFF);
    }
    int status = 0;
    waitpid(child, &status, 0);
    child_code = WIFEXITED(status) ? WEXITSTATUS(status) : -2;
    return msi::kIdOk;
  };
  f.msi->MsiSetExternalUIA(Recorder::Handler, 0x7FDF, &recorder);
  ASSERT_EQ(f.msi->MsiInstallProductA(package.c_str(), "ADDLOCAL=ALL"), msi::kSuccess);
  EXPECT_EQ(child_code, static_cast<int>(msi::kErrorInstallAlreadyRunning & 0xFF));
  // Free again afterwards.
  EXPECT_EQ(f.msi->MsiInstallProductA(package.c_str(), "REMOVE=ALL"), msi::kSuccess);
}

}  // namespace
}  // namespace quillset::platform::posix::installer
