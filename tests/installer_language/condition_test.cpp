#include "platform/posix/installer/language/condition.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quillset::platform::posix::installer {
namespace {

using R = ConditionResult;
constexpr R T = R::kTrue;
constexpr R F = R::kFalse;
constexpr R E = R::kError;

struct Case {
  const char* condition;
  ConditionResult result;
};

class ConditionTest : public ::testing::Test {
 protected:
  ConditionTest() {
    auto text_of = [](const std::map<std::string, std::string>& table) {
      return [&table](const std::string& name) -> std::optional<std::string> {
        auto it = table.find(name);
        if (it == table.end()) return std::nullopt;
        return it->second;
      };
    };
    auto state_of = [](const std::map<std::string, int>& table) {
      return [&table](const std::string& key) {
        auto it = table.find(key);
        return it == table.end() ? -1 : it->second;
      };
    };
    context_.property = text_of(properties_);
    context_.environment = text_of(environment_);
    context_.component_installed = state_of(components_installed_);
    context_.component_action = state_of(components_action_);
    context_.feature_installed = state_of(features_installed_);
    context_.feature_action = state_of(features_action_);
  }

  template <size_t N>
  void Check(const Case (&cases)[N]) {
    for (const Case& c : cases)
      EXPECT_EQ(EvaluateCondition(c.condition, context_), c.result) << "condition: " << c.condition;
  }

  std::map<std::string, std::string> properties_{
      {"VersionNT", "501"}, {"ADC98F967", "TRUE"}, {"OFF", "FALSE"}, {"ZERO", "0"},
      {"EMPTY", ""},        {"Name", "Quill Set"}, {"TEN", "10"},    {"NINE", "9"},
      {"NEG", "-5"},        {"Dotted.Name_1", "x"}, {"SPACED", " 7"}, {"HUGE", "2147483648"},
      {"BITS", "196612"} /* 0x00030004 */};
  std::map<std::string, std::string> environment_{{"PATH", "/bin"}};
  std::map<std::string, int> components_installed_{{"Main", 3}};
  std::map<std::string, int> components_action_{{"Main", 2}};
  std::map<std::string, int> features_installed_{{"Core", 2}};
  std::map<std::string, int> features_action_{{"Core", 3}};
  ConditionContext context_;
};

TEST_F(ConditionTest, BlankAndLoneValues) {
  const Case cases[] = {
      {"", R::kNone}, {"  \t\r\n ", R::kNone},
      // a set property is true whatever its text, "0" and "FALSE" included
      {"ADC98F967", T}, {"OFF", T}, {"ZERO", T}, {"EMPTY", F}, {"UNSET", F}, {"Dotted.Name_1", T},
      {"adc98f967", F},  // property names are case-sensitive
      {"1", T}, {"0", F}, {"-1", T}, {"\"\"", F}, {"\"0\"", T},
      {"%PATH", T}, {"%HOME", F}, {"  ADC98F967  ", T},
  };
  Check(cases);
}

TEST_F(ConditionTest, Comparisons) {
  const Case cases[] = {
      // a property holding an integer against an integer
      {"VersionNT >= 500", T}, {"VersionNT=501", T}, {"VersionNT < 501", F}, {"VersionNT <> 501", F},
      {"VersionNT > 600", F}, {"VersionNT <= 501", T}, {"500 < VersionNT", T}, {"NEG < 0", T},
      {"NEG = -5", T},
      // ... and a value that is no integer: false, but <> is true
      {"Name = 1", F}, {"Name < 1", F}, {"Name <> 1", T}, {"UNSET >= 500", F}, {"UNSET <> 0", T},
      {"SPACED = 7", F}, {"HUGE > 0", F}, {"HUGE <> 0", T}, {"\"12\" = 12", T}, {"\"x\" <> 12", T},
      // texts: byte order, case-sensitive unless ~
      {"ADC98F967 = \"TRUE\"", T}, {"ADC98F967 = \"true\"", F}, {"ADC98F967 ~= \"true\"", T},
      {"ADC98F967 ~<> \"true\"", F}, {"Name < \"Quill\"", F}, {"Name > \"Quill\"", T},
      {"\"a\" < \"b\"", T}, {"\"B\" < \"a\"", T}, {"\"B\" ~> \"a\"", T}, {"UNSET = \"\"", T},
      {"EMPTY = UNSET", T}, {"VersionNT = \"501\"", T}, {"VersionNT = \"0501\"", F},
      // two values that both read as integers compare as integers; a literal stays a text
      {"TEN > NINE", T}, {"TEN > \"9\"", F}, {"ZERO = \"0\"", T},
      // substrings
      {"Name >< \"ill S\"", T}, {"Name >< \"ILL\"", F}, {"Name ~>< \"ILL\"", T}, {"Name << \"Quill\"", T},
      {"Name << \"Set\"", F}, {"Name >> \"Set\"", T}, {"Name ~>> \"SET\"", T}, {"Name >< \"\"", T},
      // integer bit operators; ~ means nothing for integers
      {"BITS >< 4", T}, {"BITS >< 8", F}, {"BITS << 3", T}, {"BITS >> 4", T}, {"BITS >> 3", F},
      {"-1 << 65535", T}, {"-1 << -1", F}, {"5 ~= 5", T},
      // component and feature states are integers; unknown keys are -1
      {"?Main = 3", T}, {"$Main = 2", T}, {"!Core = 2", T}, {"&Core = 3", T}, {"&Core = \"3\"", T},
      {"$Other = -1", T}, {"&Other", T}, {"&Core = ?Main", T}, {"$Main > ?Main", F},
      {"%PATH = \"/bin\"", T}, {"%PATH ~>> \"BIN\"", T},
  };
  Check(cases);
}

TEST_F(ConditionTest, LogicAndPrecedence) {
  const Case cases[] = {
      {"NOT UNSET", T}, {"not ADC98F967", F}, {"NOT NOT ADC98F967", T}, {"NOT VersionNT = 501", F},
      {"ADC98F967 AND UNSET", F}, {"ADC98F967 and OFF", T}, {"UNSET Or OFF", T}, {"UNSET OR UNSET", F},
      {"1 XOR 1", F}, {"1 xor 0", T}, {"0 EQV 0", T}, {"1 EQV 0", F}, {"1 IMP 0", F}, {"0 IMP 0", T},
      {"0 imp 1", T},
      // NOT binds tighter than AND, AND than OR, OR than XOR, XOR than EQV, EQV than IMP (XOR and
      // EQV are associative with each other, so their order cannot show); all left-associative
      {"0 IMP 0 EQV 0", T}, {"(0 IMP 0) EQV 0", F},
      {"NOT 1 AND 0", F}, {"NOT (1 AND 0)", T}, {"1 OR 1 AND 0", T}, {"(1 OR 1) AND 0", F},
      {"1 XOR 1 OR 1", F}, {"1 OR 1 XOR 1", F}, {"0 IMP 0 IMP 0", F},
      {"(((VersionNT >= 500)))", T},
      {"VersionNT>=500 AND(ADC98F967=\"TRUE\" OR Installed)", T},
      {"REMOVE=\"ALL\" AND NOT UPGRADINGPRODUCTCODE", F},
      // names that begin like keywords are names
      {"NOTE OR ANDROID OR ORDER", F}, {"Installed OR NOT Installed", T},
  };
  Check(cases);
}

TEST_F(ConditionTest, SyntaxErrors) {
  const Case cases[] = {
      {"(", E}, {")", E}, {"()", E}, {"(1", E}, {"1)", E}, {"NOT", E}, {"1 AND", E}, {"OR 1", E},
      {"A B", E}, {"1 = ", E}, {"= 1", E}, {"1 = 2 = 3", E}, {"(1) = 1", E}, {"1 < > 2", E},
      {"\"open", E}, {"A = \"open", E}, {"~", E}, {"A ~ = 1", E}, {"A ~AND B", E}, {"A == B", E},
      {"1A", E}, {"1.5", E}, {"2147483648", E}, {"-", E}, {"A - 1", E}, {"%", E}, {"$ Main", E},
      {"?1", E}, {"A + B", E}, {"A\x01", E}, {"\xc3\xa9", E}, {"A = 1 B", E},
      // an error after a deciding term still counts
      {"1 OR (", E}, {"0 AND )", E},
      {"2147483647 = 2147483647", T}, {"-2147483648 < 0", T},
  };
  Check(cases);
}

TEST_F(ConditionTest, NestingIsBounded) {
  auto nested = [](int depth) { return std::string(depth, '(') + "1" + std::string(depth, ')'); };
  EXPECT_EQ(EvaluateCondition(nested(kMaxConditionDepth), context_), T);
  EXPECT_EQ(EvaluateCondition(nested(kMaxConditionDepth + 1), context_), E);
  EXPECT_EQ(EvaluateCondition(std::string(100000, '('), context_), E);
  std::string long_not;
  for (int i = 0; i < 10000; ++i) long_not += "NOT ";
  EXPECT_EQ(EvaluateCondition(long_not + "1", context_), T);
}

TEST(Condition, MissingCallbacksAnswerNoSuchThing) {
  ConditionContext none;
  const Case cases[] = {{"PROP", F}, {"PROP = \"\"", T}, {"%PATH", F}, {"$C = -1", T}, {"?C = -1", T},
                        {"&F = -1", T}, {"!F = -1", T}};
  for (const Case& c : cases) EXPECT_EQ(EvaluateCondition(c.condition, none), c.result) << c.condition;
}

}  // namespace
}  // namespace quillset::platform::posix::installer
