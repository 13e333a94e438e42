#include "interp/statement_loop.h"

#include <algorithm>
#include <optional>
#include <stdexcept>

#include "interp/plugin_call.h"
#include "platform/win_path.h"
#include "script/message_table.h"
#include "vars/expression.h"
#include "vars/integer_text.h"
#include "vars/text_case.h"

namespace quillset::interp {
namespace {

constexpr const char* kPluginMissing =
    "Unable to load plug-in library. Please rebuild your project and make sure all required plug-ins are "
    "installed.\r\rAction skipped";


bool IsBlockOpener(const std::string& command) { return command == "If" || command == "Wizard Loop"; }

}  // namespace

bool IsControlCommand(const std::string& c) {
  return c == "If" || c == "Else If" || c == "Else" || c == "End" || c == "Wizard Loop" || c == "Label" ||
         c == "GoTo Label" || c == "Comment" || c == "Ignore" || c == "Terminate Install" ||
         c == "Terminate with Exit Code" || c == "Evaluate Expression";
}

StatementLoop::StatementLoop(commands::EngineServices& services, const commands::CommandTable& commands, LoopHooks hooks)
    : services_(services), commands_(commands), hooks_(std::move(hooks)) {
  const auto& script = services_.script;
  for (size_t n = 0; n < script.statement_count(); ++n)
    if (script.commands[n] == "Label") labels_.emplace(vars::UpperCase(script.StatementParameter(n, 1)), n);
}

bool StatementLoop::IsPassedOver(size_t n) const {
  const auto& script = services_.script;
  return (n < script.disabled_flags.size() && script.disabled_flags[n] == "C") || script.commands[n] == "Ignore";
}

size_t StatementLoop::Scan(bool for_branch) const {
  const auto& commands = services_.script.commands;
  size_t depth = 0;
  for (size_t n = position_; n < commands.size(); ++n) {
    if (IsPassedOver(n)) continue;
    const std::string& c = commands[n];
    if (IsBlockOpener(c)) {
      ++depth;
    } else if (c == "End") {
      if (depth == 0) return n;
      --depth;
    } else if (for_branch && depth == 0 && (c == "Else If" || c == "Else")) {
      return n;
    }
  }
  return commands.size();
}

std::optional<size_t> StatementLoop::NavigateWizard() {
  const auto& commands = services_.script.commands;
  auto leave_after_end = [&] {
    size_t end = Scan(false);
    wizard_ = false;
    position_ = end + 1;
  };
  if (direction_ == 0) {
    leave_after_end();
    return std::nullopt;
  }
  // position_ is the statement after the current one; the current one is position_ - 1.
  size_t at = position_ - 1;
  for (;;) {
    if (direction_ < 0 && at == 0) {
      wizard_ = false;
      position_ = commands.size();
      return std::nullopt;
    }
    at = direction_ > 0 ? at + 1 : at - 1;
    if (at >= commands.size()) {
      wizard_ = false;
      position_ = commands.size();
      return std::nullopt;
    }
    if (IsPassedOver(at)) continue;
    const std::string& c = commands[at];
    if (c == "Display Dialog") {
      position_ = at + 1;
      return at;
    }
    if (c == "End") {
      wizard_ = false;
      position_ = at + 1;
      return std::nullopt;
    }
    if (c == "Wizard Loop") {
      position_ = at + 1;
      leave_after_end();
      return std::nullopt;
    }
  }
}

std::optional<size_t> StatementLoop::Fetch() {
  if (wizard_) return NavigateWizard();
  const size_t count = services_.script.statement_count();
  while (position_ < count && IsPassedOver(position_)) ++position_;
  if (position_ >= count) {
    ended_ = true;
    return std::nullopt;
  }
  return position_++;
}

bool StatementLoop::TestCondition(commands::Statement& statement) const {
  std::string variable = statement.Translate(statement.Parameter(1), 1);
  std::string value = statement.Translate(statement.Parameter(3), 2);
  std::string mode = statement.Parameter(2), negate = statement.Parameter(4);
  return vars::TestCondition(services_.variables, {variable, mode, value, negate});
}

void StatementLoop::RunControl(size_t n, const std::string& c) {
  commands::Statement statement(services_, n);
  if (c == "If") {
    if (!TestCondition(statement)) skip_ = Skip::kToNextBranch;
  } else if (c == "Else If") {
    if (reached_by_skip_) {
      reached_by_skip_ = false;
      if (!TestCondition(statement)) skip_ = Skip::kToNextBranch;
    } else {
      skip_ = Skip::kToBlockEnd;
    }
  } else if (c == "Else") {
    skip_ = Skip::kToBlockEnd;
  } else if (c == "Wizard Loop") {
    wizard_ = true;
    direction_ = 1;
  } else if (c == "GoTo Label") {
    std::string name = statement.Parameter(1);
    auto found = labels_.find(vars::UpperCase(name));
    if (found == labels_.end()) throw std::runtime_error("LABEL undefined: " + name);
    position_ = found->second;
    skip_ = Skip::kNone;
    reached_by_skip_ = false;
    wizard_ = false;
  } else if (c == "Terminate Install") {
    ended_ = true;
  } else if (c == "Terminate with Exit Code") {
    int32_t code = 0;
    if (!vars::TryTextToInt(services_.variables.Expand(statement.Parameter(1)), code)) code = 0;
    exit_code_ = code;
    ended_ = true;
  } else if (c == "Evaluate Expression") {
    std::string name = statement.Parameter(2);
    if (!services_.variables.Exists(name)) services_.variables.SetVariable(vars::UpperCase(name), "", statement.Context());
    std::string outcome = vars::Evaluate(services_.variables.ExpandQuoted(statement.Parameter(1)));
    services_.variables.SetVariable(name, outcome, statement.Context());
  }
  // "End", "Label", "Comment" and "Ignore" do nothing.
}

void StatementLoop::RunPlugin(commands::Statement& statement) {
  PluginCall call;
  call.library_path = hooks_.plugin_library_path(statement.number, statement.Parameter(2));
  call.variables = services_.variables.SaveVariables();
  call.parameter = statement.Parameter(1);
  if (!services_.platform.files.FileExists(call.library_path)) {
    hooks_.show_error(kPluginMissing);
    return;
  }
  RunPluginCall(services_.platform.libraries, services_.progress, call);
  if (call.result.empty()) throw std::runtime_error(services_.messages.Get(script::kMsgGeneralSetupFailure));
  services_.variables.LoadVariables(call.result);
}

void StatementLoop::Execute(size_t n) {
  services_.variables.SetVariable("ABORT", vars::BoolText(services_.progress.cancel_requested()), "Cancel State");
  const std::string& c = services_.script.commands[n];
  const auto& plugins = services_.script.plugin_commands;
  commands::Statement statement(services_, n);
  if (std::find(plugins.begin(), plugins.end(), c) != plugins.end()) {
    RunPlugin(statement);
  } else if (IsControlCommand(c)) {
    RunControl(n, c);
  } else if (commands::Handler handler = commands_.Find(c)) {
    handler(statement);
    if (wizard_ && c == "Display Dialog") {
      std::string outcome = services_.variables.GetVariable(statement.Parameter(2));
      if (outcome == "NEXT") direction_ = 1;
      else if (outcome == "BACK") direction_ = -1;
      else if (outcome == "CANCEL") direction_ = 0;
    }
  }
}

LoopResult StatementLoop::Run() {
  LoopResult result;
  size_t current = 0;
  try {
    while (!ended_ && position_ < services_.script.statement_count()) {
      if (hooks_.refresh) hooks_.refresh();
      if (position_ % 314 == 0 && hooks_.pump_messages) hooks_.pump_messages();
      if (skip_ == Skip::kToNextBranch) {
        skip_ = Skip::kNone;
        size_t stop = Scan(true);
        if (stop < services_.script.statement_count() && services_.script.commands[stop] == "Else If") {
          reached_by_skip_ = true;
          position_ = stop;
        } else {
          position_ = stop + 1;
        }
      } else if (skip_ == Skip::kToBlockEnd) {
        skip_ = Skip::kNone;
        position_ = Scan(false) + 1;
      }
      std::optional<size_t> next = Fetch();
      if (!next) continue;
      current = *next;
      Execute(current);
    }
  } catch (const std::exception& error) {
    result.runtime_error = true;
    result.error_text = services_.messages.Get(script::kMsgRuntimeErrorInScript) + "\r\rLine " +
                        std::to_string(current + 1) + ": " + error.what();
  }
  result.exit_code = exit_code_;
  return result;
}

}  // namespace quillset::interp
