// A plug-in call on its worker thread while another thread reads the progress variables the
// way the dialogs' timers do and the user cancels: the store's lock keeps both consistent
// (this test is part of the ThreadSanitizer run).
#include "interp/plugin_call.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

#include "platform/posix/posix_platform.h"
#include "tests/support/test_support.h"

namespace quillset::interp {
namespace {

TEST(PluginCall, ProgressReportsRaceWithReadersAndACancelEndsThem) {
  testing::TempDir prefix;
  auto host = platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
  vars::VariableStore variables;
  ui::Progress progress(variables);
  progress.DefineReservedVariables();
  variables.SetVariable("KEEP", "kept", "test");

  PluginCall call;
  call.library_path = host->paths().ToWindows(testing::BinPath("sample_plugin.dll"));
  call.variables = variables.SaveVariables();
  call.parameter = "progress:1000000";

  std::atomic<bool> done{false};
  std::thread timer([&] {
    while (!done.load()) {
      std::string text = variables.GetVariable(ui::kProgressTextVariable);
      // A half-written report would show as a text that is not "step N".
      if (!text.empty() && text.rfind("step ", 0) != 0 && text != "half way") ADD_FAILURE() << text;
      if (text.size() > 9) progress.SetCancel(true);  // cancel once the steps pass 9999
    }
  });
  RunPluginCall(host->platform().libraries, progress, call);
  done.store(true);
  timer.join();

  ASSERT_FALSE(call.result.empty());
  variables.LoadVariables(call.result);
  EXPECT_EQ(variables.GetVariable("KEEP"), "kept");
  // The plug-in is called twice (length, then result); the terminate request outlives the
  // first call, so the call that hands back the result stops at once.
  EXPECT_EQ(variables.GetVariable("PLUGIN_STEPS"), "0");
  EXPECT_EQ(variables.GetVariable("PLUGIN_GO_ON"), "0");
  EXPECT_FALSE(progress.background_work());
}

}  // namespace
}  // namespace quillset::interp
