// The engine state that statement handlers reach, for a script run by the statement loop over
// a posix platform on a private prefix.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "commands/statement.h"
#include "platform/posix/posix_platform.h"
#include "script/loaded_script.h"
#include "tests/support/test_support.h"

namespace quillset::interp {

struct EngineParts {
  explicit EngineParts(const std::string& script_text) {
    script::LoadResult loaded = script::LoadScript(script_text);
    EXPECT_TRUE(loaded.ok) << loaded.error;
    script = std::move(loaded.script);
  }

  testing::TempDir prefix;
  std::unique_ptr<platform::posix::PosixPlatform> host =
      platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
  vars::VariableStore variables;
  script::LoadedScript script;
  script::MessageTable messages;
  script::Localization localization;
  ui::Progress progress{variables};
  std::vector<std::string> persisted;
  std::string temp = host->platform().system.TempFolder();
  commands::RandomGenerator random;
  media::SevenZipWrap archives{host->platform().libraries, "zep.lib"};
  commands::ComponentModel components;
  std::string architecture = "Win32";
  std::vector<std::string> deferral;
  commands::PropertyList pending;
  std::vector<std::string> parameter_file;
  commands::PackageEdits edits;
  commands::EngineServices services{host->platform(), variables, script,       messages, localization,  progress,
                                    persisted,        temp,      random,       archives, components,    architecture,
                                    deferral,         pending,   parameter_file, edits};
};

}  // namespace quillset::interp
