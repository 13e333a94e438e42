#include "interp/plugin_call.h"

#include <memory>
#include <vector>

#include "quillset/plugin.h"
#include "ui/background_work.h"

namespace quillset::interp {
namespace {

struct WorkerContext {
  PluginCall& call;
  ui::Progress& progress;
};

// The progress callback has no context argument: it finds its call through the thread.
thread_local WorkerContext* current_worker = nullptr;

int32_t ReportPluginProgress(int32_t position, const char* text) {
  WorkerContext* worker = current_worker;
  if (!worker) return 0;
  worker->progress.Report(text ? text : "", 1, 100, position);
  return worker->call.terminate_requested.load() ? 0 : 1;
}

void Execute(platform::Libraries& libraries, WorkerContext& worker) {
  PluginCall& call = worker.call;
  std::string error;
  std::unique_ptr<platform::Library> library = libraries.Load(call.library_path, &error);
  auto entry = library ? reinterpret_cast<QuillsetRunTimeExecute>(library->Symbol("RunTimeExecute")) : nullptr;
  if (!entry) return;
  current_worker = &worker;
  int32_t reserved = 0;
  int32_t length = -1;
  try {
    length = entry(call.window, call.variables.c_str(), call.parameter.c_str(), ReportPluginProgress, &reserved, nullptr);
  } catch (...) {
    length = -1;  // an exception inside the plug-in counts as a failed call
  }
  if (length == -1) {
    call.result = call.variables;
  } else if (length >= 0) {
    std::vector<char> buffer(static_cast<size_t>(length) + 1, '\0');
    try {
      entry(call.window, call.variables.c_str(), call.parameter.c_str(), ReportPluginProgress, &reserved, buffer.data());
    } catch (...) {
    }
    buffer.back() = '\0';  // a plug-in that writes its whole announced length still ends here
    call.result = buffer.data();
  }
  current_worker = nullptr;
}

}  // namespace

void RunPluginCall(platform::Libraries& libraries, ui::Progress& progress, PluginCall& call) {
  WorkerContext worker{call, progress};
  ui::RunBackgroundWork(progress, call.terminate_requested, [&] { Execute(libraries, worker); });
}

}  // namespace quillset::interp
