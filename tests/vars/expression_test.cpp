#include "vars/expression.h"

#include <gtest/gtest.h>

#include <limits>
#include <optional>

#include "vars/integer_text.h"

namespace quillset::vars {
namespace {

constexpr int32_t kMin32 = std::numeric_limits<int32_t>::min();
constexpr int32_t kMax32 = std::numeric_limits<int32_t>::max();
constexpr int64_t kMin64 = std::numeric_limits<int64_t>::min();
constexpr int64_t kMax64 = std::numeric_limits<int64_t>::max();

TEST(IntegerText, ThirtyTwoBitTable) {
  struct Case {
    const char* text;
    std::optional<int32_t> value;
  };
  const Case cases[] = {
      {"0", 0}, {"123", 123}, {"+5", 5}, {"-5", -5}, {"010", 10},
      {"00000000000000000012", 12},
      // blanks: leading spaces only, nothing after the digits
      {"  42", 42}, {"42 ", std::nullopt}, {"\t42", std::nullopt}, {"4 2", std::nullopt},
      {"- 1", std::nullopt},
      // no digits
      {"", std::nullopt}, {" ", std::nullopt}, {"+", std::nullopt}, {"-", std::nullopt},
      {"$", std::nullopt}, {"0x", std::nullopt}, {"-x", std::nullopt},
      // hexadecimal prefixes
      {"$1F", 31}, {"x1f", 31}, {"X10", 16}, {"0x10", 16}, {"0X10", 16}, {"-$10", -16},
      {"+0x10", 16}, {" $a", 10}, {"$1G", std::nullopt}, {"0x-1", std::nullopt},
      {"$+1", std::nullopt}, {"1a", std::nullopt}, {"1.0", std::nullopt}, {"0b1", std::nullopt},
      // bounds: decimal signed, hexadecimal the full bit pattern
      {"2147483647", kMax32}, {"2147483648", std::nullopt}, {"-2147483648", kMin32},
      {"-2147483649", std::nullopt}, {"99999999999", std::nullopt},
      {"$7FFFFFFF", kMax32}, {"$80000000", kMin32}, {"$FFFFFFFF", -1},
      {"$000000000FFFFFFFF", -1}, {"$100000000", std::nullopt}, {"-$1", -1},
  };
  for (const Case& c : cases) {
    int32_t value = 77;  // a failed conversion leaves the target alone
    std::optional<int32_t> got = TryTextToInt(c.text, value) ? std::optional(value) : std::nullopt;
    EXPECT_EQ(got, c.value) << "'" << c.text << "'";
    if (!got) {
      EXPECT_EQ(value, 77) << "'" << c.text << "'";
    }
  }
}

TEST(IntegerText, SixtyFourBitBounds) {
  struct Case {
    const char* text;
    std::optional<int64_t> value;
  };
  const Case cases[] = {
      {"2147483648", 2147483648LL}, {"-2147483649", -2147483649LL}, {"$FFFFFFFF", 0xFFFFFFFFLL},
      {"9223372036854775807", kMax64}, {"9223372036854775808", std::nullopt},
      {"-9223372036854775808", kMin64}, {"-9223372036854775809", std::nullopt},
      {"18446744073709551616", std::nullopt}, {"$FFFFFFFFFFFFFFFF", -1},
      {"0x8000000000000000", kMin64}, {"$10000000000000000", std::nullopt}, {"", std::nullopt},
      {" -0x10", -16}, {"12 ", std::nullopt},
  };
  for (const Case& c : cases) {
    int64_t value = 0;
    std::optional<int64_t> got = TryTextToInt64(c.text, value) ? std::optional(value) : std::nullopt;
    EXPECT_EQ(got, c.value) << "'" << c.text << "'";
  }
}

TEST(IntegerText, ThrowingFormsNameTheText) {
  EXPECT_EQ(TextToInt(" -$10"), -16);
  EXPECT_EQ(TextToInt64("5000000000"), 5000000000LL);
  const std::pair<const char*, const char*> failures[] = {
      {"1a", "'1a' is not a valid integer value"},
      {"", "'' is not a valid integer value"},
      {"2147483648", "'2147483648' is not a valid integer value"},
  };
  for (const auto& [text, message] : failures) {
    try {
      TextToInt(text);
      ADD_FAILURE() << text;
    } catch (const std::runtime_error& e) {  // the statement loop catches it as this
      EXPECT_STREQ(e.what(), message);
    }
  }
  EXPECT_THROW(TextToInt64("9223372036854775808"), IntegerConversionError);
}

TEST(Evaluate, StoredTexts) {
  const std::pair<const char*, const char*> cases[] = {
      {R"("a" = "a")", "TRUE"},
      {R"("a"="a")", "TRUE"},
      {R"(  "a"  =  "a"  )", "TRUE"},
      {R"("abc" = "ABC")", "FALSE"},
      {R"("10" < "9")", "TRUE"},
      {R"("" < "a")", "TRUE"},
      {R"("" = "")", "TRUE"},
      {R"("ab" > "a")", "TRUE"},
      {"\"\xE0\" > \"z\"", "TRUE"},  // bytes compare unsigned
      {R"("a" <> "b")", "TRUE"},
      {R"("a" <= "a")", "TRUE"},
      {R"("b" <= "a")", "FALSE"},
      {R"("b" >= "a")", "TRUE"},
      {R"("a" > "a")", "FALSE"},
      {R"("a""b" = "a""b")", "TRUE"},
      {R"("""" = """")", "TRUE"},
      {R"("a""" = "a")", "FALSE"},
      // connectives: equal rank, left to right
      {R"("a" = "a" or "b" = "c" and "x" = "y")", "FALSE"},
      {R"("a" = "b" and "x" = "x" or "c" = "c")", "TRUE"},
      {R"(("a" = "a") and ("b" = "b"))", "TRUE"},
      {R"("a" = "a" and ("b" = "c" or "d" = "d"))", "TRUE"},
      {R"(((("a" = "b"))))", "FALSE"},
      // malformed
      {R"("a" = "a" AND "b" = "b")", "ERROR"},
      {R"(("a" = "a")and("b" = "b"))", "ERROR"},
      {R"("a" = "a" xor "b" = "b")", "ERROR"},
      {R"("a" = "a" and)", "ERROR"},
      {R"(and "a" = "a")", "ERROR"},
      {R"("a" = "a" or "b")", "ERROR"},  // no short cut past a malformed operand
      {R"("a" == "a")", "ERROR"},
      {R"("a" =)", "ERROR"},
      {R"("a" "a")", "ERROR"},
      {R"("a" = b)", "ERROR"},
      {R"(a = "a")", "ERROR"},
      {"\"a\"\t=\t\"a\"", "ERROR"},  // only code 32 is a space
      {"", "ERROR"},
      {"   ", "ERROR"},
      {R"("a" = "a"))", "ERROR"},
      {R"(("a" = "a")", "ERROR"},
      {R"(() or "a" = "a")", "ERROR"},
      {R"("abc = "abc")", "ERROR"},
      {R"("a" = "a)", "ERROR"},
  };
  for (const auto& [text, result] : cases) EXPECT_EQ(Evaluate(text), result) << text;
}

TEST(Evaluate, NestingIsBoundedNotRecursedWithoutLimit) {
  auto nested = [](size_t depth) {
    return std::string(depth, '(') + R"("a" = "a")" + std::string(depth, ')');
  };
  EXPECT_EQ(Evaluate(nested(kMaxParenthesisDepth)), "TRUE");
  EXPECT_EQ(Evaluate(nested(kMaxParenthesisDepth + 1)), "ERROR");
  EXPECT_EQ(Evaluate(std::string(1'000'000, '(')), "ERROR");
  // A long flat chain is no nesting at all.
  std::string chain = R"("a" = "b")";
  for (int i = 0; i < 20000; ++i) chain += R"( or "a" = "b")";
  EXPECT_EQ(Evaluate(chain), "FALSE");
  EXPECT_EQ(Evaluate(chain + R"( or "a" = "a")"), "TRUE");
}

TEST(ValidateExpression, ScriptTexts) {
  const std::pair<const char*, bool> cases[] = {
      {R"($A$ = "x")", true},
      {R"("$A$" = "x")", false},
      {R"($A$ = "$5")", false},
      {R"($A$ = "x" or $B$ <> "")", true},
      {R"($PRODUCTVER$ >= "5.0" and $LANGUAGE$ = "English")", true},
      {R"($A$ = $B$)", true},
      {R"($A$ = "x" AND $B$ = "y")", false},
      {R"($A$ = x)", false},
      {"", false},
  };
  for (const auto& [text, valid] : cases) EXPECT_EQ(ValidateExpression(text), valid) << text;
}

TEST(Versions, FieldsAreReadLeftToRight) {
  const std::pair<const char*, std::array<int32_t, 4>> cases[] = {
      {"5.1", {5, 1, 0, 0}},
      {"", {0, 0, 0, 0}},
      {"1.2.3.4", {1, 2, 3, 4}},
      {"1.2.3.4.9.9", {1, 2, 3, 4}},  // after the fourth field
      {"1.2.3.4.x", {1, 2, 3, 4}},
      {"1.", {1, 0, 0, 0}},
      {" 7. 8", {7, 8, 0, 0}},
      {"$10.0x20", {16, 32, 0, 0}},
      {"-1.2", {-1, 2, 0, 0}},
      {"1.2.a", {1, 2, 0, 0}},  // a last field that is no integer counts as 0
      {"1.2.3.4x", {1, 2, 3, 0}},
      {"1.2 ", {1, 0, 0, 0}},
  };
  for (const auto& [text, fields] : cases) EXPECT_EQ(ReadVersionFields(text), fields) << text;
}

TEST(Versions, Compare) {
  struct Case {
    const char* a;
    const char* b;
    bool greater;
  };
  const Case cases[] = {
      {"5.1", "5.0.9", true},       {"5.1", "5.1.0.0", false},   {"2.0.0.10", "2.0.0.9", true},
      {"2.0.0.9", "2.0.0.10", false}, {"1", "", true},          {"", "0", false},
      {"-1", "0", false},           {"1.2.a", "1.1", true},      {"1.2.a", "1.2", false},
      {"10", "9.99.99.99", true},
  };
  for (const Case& c : cases) EXPECT_EQ(CompareVersions(c.a, c.b), c.greater) << c.a << " > " << c.b;
}

TEST(Versions, FieldBeforeADotMustBeAnInteger) {
  const std::pair<const char*, const char*> cases[] = {
      {"1..2", "'' is not a valid integer value"},
      {"1.a.2", "'a' is not a valid integer value"},
      {".", "'' is not a valid integer value"},
      {"1.2.3.x.5", "'x' is not a valid integer value"},
      {"1 .2", "'1 ' is not a valid integer value"},
  };
  for (const auto& [text, message] : cases) {
    try {
      ReadVersionFields(text);
      ADD_FAILURE() << text;
    } catch (const IntegerConversionError& e) {
      EXPECT_STREQ(e.what(), message);
    }
  }
  // b is read even when the first field of a already decides.
  EXPECT_THROW(CompareVersions("2", "1.a.0"), IntegerConversionError);
}

class TestConditionTest : public ::testing::Test {
 protected:
  void SetUp() override {
    store_.SetVariable("Y", "9", "Set Variable Action");
    store_.SetVariable("NINE", "$Y$", "Set Variable Action");
  }
  VariableStore store_;
};

TEST_F(TestConditionTest, Modes) {
  struct Case {
    const char* x;  // the value of X; nullptr leaves X undefined
    const char* variable;
    const char* mode;
    const char* value;
    const char* negate;
    bool expected;
  };
  const Case cases[] = {
      // both integers compare as numbers
      {"10", "X", "2", "9", "", true},
      {"10a", "X", "2", "9", "", false},
      {"010", "X", "2", "9", "", true},
      {"9", "X", "2", "10", "", false},
      {"0x10", "X", "0", "16", "", true},
      {"123", "X", "1", "2", "", false},    // numbers: equal, not contained
      {"123", "X", "1", "0123", "", true},
      {"16", "X", "3", "$10", "", true},
      {"-1", "X", "4", "$FFFFFFFF", "", true},
      // texts
      {"abc", "X", "0", "ABC", "", false},
      {"abc", "X", "0", "abc", "", true},
      {"abc", "X", "4", "ABC", "", true},
      {"\xC3\xA9", "X", "4", "\xC3\x89", "", false},  // only a-z fold in mode 4
      {"hello", "X", "1", "ell", "", true},
      {"hello", "X", "1", "ELL", "", false},
      {"hello", "X", "1", "", "", false},
      {"hello", "X", "1", "", "TRUE", true},
      {"Hello", "X", "3", "ELL", "", true},
      {"Hello", "X", "3", "", "", false},
      {"Caf\xC3\xA9", "X", "3", "CAF\xC3\x89", "", true},
      {"\xC3\xB7", "X", "3", "\xC3\x97", "", false},  // the division sign is no small letter
      {"b", "X", "2", "a", "", true},
      {"a", "X", "2", "a", "", false},
      {"\xE0", "X", "2", "z", "", true},
      // reference forms and expansion on both sides
      {"10", "$X$", "2", "9", "", true},
      {"10", "X", "2", "$Y$", "", true},
      {"$Y$", "X", "0", "9", "", true},
      {"9", "X", "0", "$NINE$", "", true},
      {nullptr, "X", "0", "", "", true},
      {nullptr, "X", "0", "0", "", false},
      // negation
      {"a", "X", "0", "a", "true", false},
      {"a", "X", "0", "a", "-1", false},
      {"a", "X", "0", "a", "yes", true},
      {"a", "X", "0", "a", "1", true},
      // existence, literal name
      {nullptr, "X", "5", "", "", false},
      {"", "X", "5", "", "", true},
      {"", "x", "5", "", "", true},
      {"", "$X$", "5", "", "", false},
      {nullptr, "X", "5", "", "TRUE", true},
      // versions
      {"5.1", "X", "6", "5.0.9", "", true},
      {"5.1", "X", "6", "5.1.0.0", "", false},
      {"2.0.0.10", "X", "6", "2.0.0.9", "", true},
      {"5.1", "X", "6", "5.0.9", "TRUE", false},
      // modes outside the table: false before negation
      {"a", "X", "7", "a", "", false},
      {"a", "X", "", "a", "", false},
      {"a", "X", "00", "a", "", false},
      {"a", "X", "7", "a", "TRUE", true},
  };
  for (const Case& c : cases) {
    VariableStore store;
    store.LoadVariables(store_.SaveVariables());
    if (c.x) store.SetVariable("X", c.x, "Set Variable Action");
    Condition condition{c.variable, c.mode, c.value, c.negate};
    EXPECT_EQ(TestCondition(store, condition), c.expected)
        << "X=" << (c.x ? c.x : "(undefined)") << " p1=" << c.variable << " mode=" << c.mode
        << " value=" << c.value << " negate=" << c.negate;
  }
}

TEST_F(TestConditionTest, ExistenceTakesTheReferenceFormLiterally) {
  store_.SetVariable("$X$", "", "Set Variable Action");
  EXPECT_TRUE(TestCondition(store_, {"$X$", "5", "", ""}));
  EXPECT_FALSE(TestCondition(store_, {"X", "5", "", ""}));
}

TEST_F(TestConditionTest, MalformedVersionFailsTheStatement) {
  store_.SetVariable("X", "1..2", "Set Variable Action");
  try {
    TestCondition(store_, {"X", "6", "1.0", ""});
    ADD_FAILURE();
  } catch (const IntegerConversionError& e) {
    EXPECT_STREQ(e.what(), "'' is not a valid integer value");
  }
  // The same text in a text mode is no failure.
  EXPECT_FALSE(TestCondition(store_, {"X", "0", "1.0", ""}));
}

TEST_F(TestConditionTest, LeavesTheStoreUnchanged) {
  std::string before = store_.SaveVariables();
  for (const char* mode : {"0", "1", "2", "3", "4", "5", "6", "9"}) {
    TestCondition(store_, {"$UNDEFINED$", mode, "$ALSO_UNDEFINED$", "TRUE"});
    TestCondition(store_, {"NINE", mode, "$Y$", ""});
  }
  EXPECT_EQ(store_.SaveVariables(), before);
  EXPECT_FALSE(store_.Exists("UNDEFINED"));
}

}  // namespace
}  // namespace quillset::vars
