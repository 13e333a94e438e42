// The installer's condition language: any text evaluates without a fault, and a condition that
// evaluates to true or false evaluates to the opposite under NOT (...).
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/installer/language/condition.h"

using quillset::platform::posix::installer::ConditionContext;
using quillset::platform::posix::installer::ConditionResult;
using quillset::platform::posix::installer::EvaluateCondition;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // Values depend on the name, so that unset, text and integer values all occur.
  auto value = [](const std::string& name) -> std::optional<std::string> {
    switch (name.size() % 3) {
      case 0: return std::nullopt;
      case 1: return name;
      default: return std::to_string(name.size() * 7 - 20);
    }
  };
  auto state = [](const std::string& key) { return static_cast<int>(key.size() % 6) - 1; };
  ConditionContext context{value, value, state, state, state, state};
  ConditionResult result = EvaluateCondition(text, context);
  if (result == ConditionResult::kTrue || result == ConditionResult::kFalse) {
    ConditionResult negated = EvaluateCondition("NOT (" + text + ")", context);
    // The added parentheses may exceed the depth bound; anything else must flip.
    if (negated != ConditionResult::kError && negated == result) std::abort();
  }
  if (text.find_first_not_of(" \t\r\n") == std::string::npos && result != ConditionResult::kNone) std::abort();
  return 0;
}
