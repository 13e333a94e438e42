// The protocol between workers and progress dialogs: six reserved variables of the store,
// written by any thread under the store's lock, shown by the dialogs while the
// background-work flag is raised; the user's Cancel travels back through the cancel flag.
//
// Special texts: "$KVOR$" takes text and numbers from the reserved variables; "$IGNORE$"
// keeps the current text. A position of -1 keeps range and position, writing only the text.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "vars/variable_store.h"

namespace quillset::ui {

inline constexpr const char* kProgressVariable = "KVOR_thProgress";
inline constexpr const char* kMaxVariable = "KVOR_thMax";
inline constexpr const char* kMinVariable = "KVOR_thMin";
inline constexpr const char* kProgressTextVariable = "KVOR_thProgressText";
inline constexpr const char* kFinishedVariable = "KVOR_thFinished";
inline constexpr const char* kCancelledVariable = "KVOR_thCancelled";

class Progress {
 public:
  explicit Progress(vars::VariableStore& store) : store_(store) {}

  // Defines the reserved variables with their initial values.
  void DefineReservedVariables();
  // Any thread.
  void Report(const std::string& text, int64_t minimum, int64_t maximum, int64_t position);
  // The installer's report (installer thread): numbers and text as given, no special texts.
  // Answers go on exactly while "KVOR_thCancelled" is "FALSE".
  bool ReportInstallerProgress(const std::string& text, int64_t minimum, int64_t maximum, int64_t position);

  bool cancel_requested() const { return cancel_.load(); }
  void SetCancel(bool cancel) { cancel_.store(cancel); }
  bool background_work() const { return background_work_.load(); }
  void RaiseBackgroundWork() { background_work_.store(true); }
  void LowerBackgroundWork() { background_work_.store(false); }

 private:
  vars::VariableStore& store_;
  std::atomic<bool> cancel_{false};
  std::atomic<bool> background_work_{false};
};

}  // namespace quillset::ui
