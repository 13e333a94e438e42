// The installer's condition language: conditions of sequence actions, the Condition table,
// components and launch conditions.
//
// (The grammar and its rules are written out here by the module that implements it.)
#pragma once

#include <functional>
#include <optional>
#include <string>

namespace quillset::platform::posix::installer {

// What a condition can ask about. Missing callbacks answer "no such thing".
struct ConditionContext {
  // A property's value; nullopt (or "") when it is not set.
  std::function<std::optional<std::string>(const std::string& name)> property;
  // %NAME: an environment variable.
  std::function<std::optional<std::string>(const std::string& name)> environment;
  // ?component / $component / !feature / &feature: installed state and action state, as the
  // installer's INSTALLSTATE numbers (-1 unknown, 1 advertised, 2 absent, 3 local, 4 source).
  std::function<int(const std::string& key)> component_installed;
  std::function<int(const std::string& key)> component_action;
  std::function<int(const std::string& key)> feature_installed;
  std::function<int(const std::string& key)> feature_action;
};

enum class ConditionResult { kFalse, kTrue, kNone /* empty condition */, kError };

ConditionResult EvaluateCondition(const std::string& condition, const ConditionContext& context);

// An empty condition counts as true; an erroneous one as false (an error message is the caller's).
inline bool ConditionHolds(ConditionResult result) {
  return result == ConditionResult::kTrue || result == ConditionResult::kNone;
}

}  // namespace quillset::platform::posix::installer
