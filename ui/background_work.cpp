#include "ui/background_work.h"

#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <thread>

namespace quillset::ui {

void RunBackgroundWork(Progress& progress, std::atomic<bool>& terminate_requested, const std::function<void()>& work,
                       const std::function<void()>& pump) {
  std::mutex mutex;
  std::condition_variable finished_signal;
  bool finished = false;
  std::exception_ptr failure;
  progress.RaiseBackgroundWork();
  if (progress.cancel_requested()) terminate_requested.store(true);  // cancelled before it began
  std::thread thread([&] {
    try {
      work();
    } catch (...) {
      failure = std::current_exception();
    }
    std::lock_guard lock(mutex);
    finished = true;
    finished_signal.notify_all();
  });
  {
    std::unique_lock lock(mutex);
    while (!finished) {
      // Wakes at least every 50 ms: window messages and the cancel flag need no signal of their own.
      finished_signal.wait_for(lock, std::chrono::milliseconds(50));
      if (finished) break;
      if (pump) {
        lock.unlock();
        pump();
        lock.lock();
      }
      if (progress.cancel_requested()) terminate_requested.store(true);
    }
  }
  thread.join();
  progress.LowerBackgroundWork();
  if (failure) std::rethrow_exception(failure);
}

}  // namespace quillset::ui
