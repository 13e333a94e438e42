// One call of a plug-in library's RunTimeExecute on its own thread, as a plug-in statement
// makes it: load, ask for the result's length, fetch the result, release.
#pragma once

#include <atomic>
#include <string>

#include "platform/libraries.h"
#include "ui/progress.h"

namespace quillset::interp {

struct PluginCall {
  // Inputs, filled before the worker starts.
  std::string library_path;
  std::string variables;  // snapshot text of the store
  std::string parameter;  // parameter 1 as stored
  uint32_t window = 0;
  // Output: the snapshot text the plug-in handed back; the input variables when its first call
  // failed; empty when the library could not be used.
  std::string result;
  std::atomic<bool> terminate_requested{false};
};

// Runs the call on a worker thread and waits for it. While it waits, the main thread checks
// the cancel flag and passes a cancel on as a terminate request.
void RunPluginCall(platform::Libraries& libraries, ui::Progress& progress, PluginCall& call);

}  // namespace quillset::interp
