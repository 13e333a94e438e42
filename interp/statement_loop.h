// The statement loop: runs the loaded script from its first statement on the main thread,
// handling the control commands itself and dispatching every other command to its handler.
//
// Block structure: an "If" or "Wizard Loop" opens a block that its matching "End" closes;
// "Else If" and "Else" at the block's own level separate the branches of an "If". Disabled
// statements (flag "C") and "Ignore" statements never open, separate or close a block.
// Exactly one branch of an "If" block runs: the first whose condition holds, or the "Else".
// In a "Wizard Loop" the loop walks its "Display Dialog" statements forwards or backwards by
// the outcome each dialog stores in its result variable (NEXT, BACK, CANCEL).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <unordered_map>

#include "commands/statement.h"

namespace quillset::interp {

struct LoopHooks {
  // Before every statement: refresh the engine's state from variables.
  std::function<void()> refresh;
  // Every 314th statement: let the window system process pending messages.
  std::function<void()> pump_messages;
  // A plug-in's library file name resolves to a path (the support folder or the data folder).
  std::function<std::string(size_t statement, const std::string& library)> plugin_library_path;
  // An error message box; callers decide whether silent runs show it.
  std::function<void(const std::string& text)> show_error;
};

struct LoopResult {
  bool runtime_error = false;
  std::string error_text;        // the message as shown: "Runtime error in setup script:" ...
  std::optional<int> exit_code;  // set by "Terminate with Exit Code"
};

class StatementLoop {
 public:
  StatementLoop(commands::EngineServices& services, const commands::CommandTable& commands, LoopHooks hooks);
  LoopResult Run();

 private:
  enum class Skip { kNone, kToNextBranch, kToBlockEnd };

  bool IsPassedOver(size_t n) const;
  // From the position: the next "Else If"/"Else"/"End" of the current block (for_branch), or
  // its "End". Answers the statement count when the script holds none.
  size_t Scan(bool for_branch) const;
  // The next statement to run, or nullopt at the end of the script or of a wizard walk.
  std::optional<size_t> Fetch();
  std::optional<size_t> NavigateWizard();
  void Execute(size_t n);
  void RunControl(size_t n, const std::string& command);
  void RunPlugin(commands::Statement& statement);
  bool TestCondition(commands::Statement& statement) const;

  commands::EngineServices& services_;
  const commands::CommandTable& commands_;
  LoopHooks hooks_;
  std::unordered_map<std::string, size_t> labels_;  // upper-cased name -> statement
  size_t position_ = 0;
  Skip skip_ = Skip::kNone;
  bool reached_by_skip_ = false;
  bool wizard_ = false;
  int direction_ = 1;
  bool ended_ = false;
  std::optional<int> exit_code_;
};

// The loop's own commands: they steer the loop rather than act.
bool IsControlCommand(const std::string& command);

}  // namespace quillset::interp
