// The installer's condition language: conditions of sequence actions, the Condition table,
// components and launch conditions.
//
//   condition  := blank | expression
//   expression := eqv { IMP eqv }            (loosest; every binary operator is left-associative)
//   eqv        := xor { EQV xor }
//   xor        := or { XOR or }
//   or         := and { OR and }
//   and        := factor { AND factor }
//   factor     := { NOT } term
//   term       := value [ comparison value ] | "(" expression ")"
//   value      := symbol | string | integer
//   symbol     := name | %name | $name | ?name | &name | !name
//   comparison := [~] ( = | <> | > | < | >= | <= | >< | << | >> )
//   name       := ( letter | _ ) { letter | digit | _ | . }
//   integer    := [-] digit { digit }             (32 bits)
//   string     := '"' { any character but '"' } '"'
//   blank      := { space | tab | CR | LF }
//
// Keywords are matched without regard to case; names are kept as written (properties are
// case-sensitive). Parentheses nest at most kMaxConditionDepth deep; deeper is an error.
//
// Values. A name is the property's value, "" when it is not set; %name the environment
// variable's. $name and ?name are the component's action and installed state, &name and !name
// the feature's: integers. Literals keep their types; a property or environment value counts as
// an integer where one is needed and its whole text is one ("-" and digits).
//
// Truth of a lone value: a text is true when it is not empty (so a property set to "0" is
// true), an integer when it is not 0.
//
// Comparisons.
//   integer with integer: = <> > < >= <= as numbers; >< is true when the two share a bit, <<
//     when the left's high 16 bits equal the right, >> when its low 16 bits do; ~ is ignored.
//   integer with text: the text is read as an integer; when it is none the comparison is false,
//     except <>, which is true.
//   text with text: two property or environment values that both read as integers compare as
//     integers; otherwise as byte strings, with ~ folding ASCII letters first; >< is
//     "contains", << "starts with", >> "ends with".
//
// Logic: NOT, AND, OR, XOR (differ), EQV (equal), IMP (NOT left OR right), from the tightest to
// the loosest. A syntax error anywhere makes the whole condition kError; a blank condition is
// kNone.
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

inline constexpr int kMaxConditionDepth = 64;

enum class ConditionResult { kFalse, kTrue, kNone /* empty condition */, kError };

ConditionResult EvaluateCondition(const std::string& condition, const ConditionContext& context);

// An empty condition counts as true; an erroneous one as false (an error message is the caller's).
inline bool ConditionHolds(ConditionResult result) {
  return result == ConditionResult::kTrue || result == ConditionResult::kNone;
}

}  // namespace quillset::platform::posix::installer
