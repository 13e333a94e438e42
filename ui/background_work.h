// The worker wait loop: an operation runs on its own thread while the main thread waits with
// the background-work flag raised, passing the user's Cancel on as a terminate request.
// Workers report through the progress protocol only; they never touch a window.
#pragma once

#include <atomic>
#include <functional>

#include "ui/progress.h"

namespace quillset::ui {

// Runs work on a new thread and returns when it has finished. While waiting, pump (when given)
// handles pending window messages; a cancel sets terminate_requested, which the worker polls.
// An exception that leaves work is raised again here, after the thread has ended; the
// background-work flag is lowered in every case.
void RunBackgroundWork(Progress& progress, std::atomic<bool>& terminate_requested, const std::function<void()>& work,
                       const std::function<void()>& pump = {});

}  // namespace quillset::ui
