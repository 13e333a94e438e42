// Runs composed scripts statement by statement through registered handlers over a posix
// platform on a private prefix.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/statement.h"
#include "media/seven_zip_wrap.h"
#include "platform/posix/posix_platform.h"
#include "script/compiler.h"
#include "script/loaded_script.h"
#include "tests/support/setup_fixture.h"
#include "tests/support/test_support.h"

namespace quillset::commands {

using testing::ScriptOf;
using Statements = std::vector<testing::Statement>;

// Runs composed scripts statement by statement through the registered handlers, over a posix
// platform on a private prefix. Variables and the generator carry over from one Run to the next.
class CommandFixture : public ::testing::Test {
 protected:
  void Run(const Statements& statements) {
    auto loaded = script::LoadScript(ScriptOf(statements));
    ASSERT_TRUE(loaded.ok) << loaded.error;
    script_ = std::move(loaded.script);
    // As the compilation leaves it: installer-side statements start unreached.
    deferral_.clear();
    for (const auto& command : script_.commands)
      deferral_.push_back(script::IsInstallerSideCommand(command) ? "FALSE" : "SKIP");
    EngineServices services{host_->platform(), variables_,    script_,        messages_,          localization_,
                            progress_,         persisted_,    temp_folder_,   random_,            archives_,
                            components_,       architecture_, deferral_,      pending_properties_, parameter_file_,
                            package_edits_};
    services.instance = instance_;
    services.installer = installer_;
    for (size_t n = 0; n < script_.statement_count(); ++n) {
      Handler handler = table_.Find(script_.commands[n]);
      ASSERT_NE(handler, nullptr) << script_.commands[n];
      Statement statement(services, n);
      handler(statement);
    }
  }
  std::string Var(const std::string& name) const { return variables_.GetVariable(name); }
  // The host folder of drive C: under the prefix.
  std::string DriveC(const std::string& relative) const { return prefix_ / ("drive_c/" + relative); }

  testing::TempDir prefix_;
  std::unique_ptr<platform::posix::PosixPlatform> host_ =
      platform::posix::CreatePosixPlatform({prefix_.path(), {"/usr/bin/test"}});
  vars::VariableStore variables_;
  script::LoadedScript script_;
  script::MessageTable messages_;
  script::Localization localization_;
  ui::Progress progress_{variables_};
  std::vector<std::string> persisted_;
  std::string temp_folder_ = host_->platform().system.TempFolder();
  RandomGenerator random_;
  // The built archive library, by its host path seen from drive Z:.
  media::SevenZipWrap archives_{host_->platform().libraries, host_->paths().ToWindows(testing::BinPath("zep.lib"))};
  ComponentModel components_;
  std::string architecture_ = "Win32";
  std::vector<std::string> deferral_;
  PropertyList pending_properties_;
  std::vector<std::string> parameter_file_;
  PackageEdits package_edits_;
  msi::InstanceContext* instance_ = nullptr;
  InstallerCommandContext* installer_ = nullptr;
  CommandTable table_;
};

}  // namespace quillset::commands
