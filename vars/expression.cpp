#include "vars/expression.h"

#include <algorithm>

#include "vars/integer_text.h"
#include "vars/string_hash_table.h"

namespace quillset::vars {
namespace {

enum class Value { kFalse, kTrue, kError };

Value FromBool(bool b) { return b ? Value::kTrue : Value::kFalse; }

// Consumes the input from its front, as the grammar in the header reads it.
class Parser {
 public:
  explicit Parser(std::string_view input) : rest_(input) {}

  bool AtEnd() const { return rest_.empty(); }

  Value ParseExpression() {
    Value value = ParseOperand();
    if (value == Value::kError) return value;
    for (;;) {
      SkipSpaces();
      if (rest_.empty() || rest_.front() == ')') return value;
      std::string_view connective = TakeWord();
      Value next = ParseOperand();
      if (next == Value::kError) return next;
      if (connective == "and") {
        value = FromBool(value == Value::kTrue && next == Value::kTrue);
      } else if (connective == "or") {
        value = FromBool(value == Value::kTrue || next == Value::kTrue);
      } else {
        return Value::kError;
      }
    }
  }

 private:
  Value ParseOperand() {
    SkipSpaces();
    if (rest_.empty()) return Value::kError;
    if (rest_.front() == '(') {
      if (depth_ > kMaxParenthesisDepth) return Value::kError;
      rest_.remove_prefix(1);
      ++depth_;
      Value value = ParseExpression();
      --depth_;
      if (value == Value::kError) return value;
      SkipSpaces();
      if (rest_.empty() || rest_.front() != ')') return Value::kError;
      rest_.remove_prefix(1);
      return value;
    }
    if (rest_.front() == '"') return ParseComparison();
    return Value::kError;
  }

  Value ParseComparison() {
    std::string left;
    if (!TakeQuoted(left)) return Value::kError;
    SkipSpaces();
    std::string_view op = TakeWord();
    SkipSpaces();
    std::string right;
    if (rest_.empty() || rest_.front() != '"' || !TakeQuoted(right)) return Value::kError;
    SkipSpaces();
    // std::string compares char as unsigned bytes.
    int order = left.compare(right);
    if (op == "=") return FromBool(order == 0);
    if (op == "<>") return FromBool(order != 0);
    if (op == "<") return FromBool(order < 0);
    if (op == "<=") return FromBool(order <= 0);
    if (op == ">") return FromBool(order > 0);
    if (op == ">=") return FromBool(order >= 0);
    return Value::kError;
  }

  // The input starts with the opening quote; false when the text has no closing quote.
  bool TakeQuoted(std::string& text) {
    for (size_t i = 1; i < rest_.size(); ++i) {
      if (rest_[i] != '"') {
        text += rest_[i];
      } else if (i + 1 < rest_.size() && rest_[i + 1] == '"') {
        text += '"';
        ++i;
      } else {
        rest_.remove_prefix(i + 1);
        return true;
      }
    }
    return false;
  }

  std::string_view TakeWord() {
    size_t end = std::min(rest_.find_first_of(" \""), rest_.size());
    std::string_view word = rest_.substr(0, end);
    rest_.remove_prefix(end);
    return word;
  }

  void SkipSpaces() {
    size_t n = 0;
    while (n < rest_.size() && rest_[n] == ' ') ++n;
    rest_.remove_prefix(n);
  }

  std::string_view rest_;
  size_t depth_ = 0;  // the wrapping "(" of Evaluate is level 0
};

// The upper-case mapping of the posix ANSI code page (UTF-8) for ASCII and the Latin-1
// letters, which keep their encoded length so that byte search stays valid.
std::string AnsiUpper(std::string_view text) {
  std::string result(text);
  for (size_t i = 0; i < result.size(); ++i) {
    unsigned char c = static_cast<unsigned char>(result[i]);
    if (c >= 'a' && c <= 'z') {
      result[i] = static_cast<char>(c - 32);
    } else if (c == 0xC3 && i + 1 < result.size()) {
      unsigned char next = static_cast<unsigned char>(result[i + 1]);
      if (next >= 0xA0 && next <= 0xBE && next != 0xB7) result[i + 1] = static_cast<char>(next - 0x20);
      ++i;
    }
  }
  return result;
}

bool Contains(std::string_view text, std::string_view part) {
  return !part.empty() && text.find(part) != std::string_view::npos;
}

bool TestTexts(char mode, const std::string& left, const std::string& right) {
  switch (mode) {
    case '0': return left == right;
    case '1': return Contains(left, right);
    case '2': return left.compare(right) > 0;
    case '3': return Contains(AnsiUpper(left), AnsiUpper(right));
    case '4': return NamesEqualIgnoringCase(left, right);
    default: return false;
  }
}

bool TestNumbers(char mode, int32_t left, int32_t right) {
  switch (mode) {
    case '0':
    case '1':
    case '3':
    case '4': return left == right;
    case '2': return left > right;
    default: return false;
  }
}

bool TestUnnegated(const VariableStore& store, const Condition& condition) {
  if (condition.mode.size() != 1) return false;
  char mode = condition.mode.front();
  if (mode == '5') return store.Exists(condition.variable);
  std::string name = StripReference(condition.variable);
  if (name.empty()) name = std::string(condition.variable);
  std::string left = store.Expand(store.GetVariable(name));
  std::string right = store.Expand(condition.value);
  if (mode == '6') return CompareVersions(left, right);
  int32_t left_number = 0;
  int32_t right_number = 0;
  if (TryTextToInt(left, left_number) && TryTextToInt(right, right_number))
    return TestNumbers(mode, left_number, right_number);
  return TestTexts(mode, left, right);
}

}  // namespace

std::string Evaluate(std::string_view expression) {
  std::string input;
  input.reserve(expression.size() + 2);
  input.append("(").append(expression).append(")");
  Parser parser(input);
  Value value = parser.ParseExpression();
  if (value == Value::kError || !parser.AtEnd()) return "ERROR";
  return value == Value::kTrue ? "TRUE" : "FALSE";
}

bool ValidateExpression(std::string_view script_text) {
  std::string text(script_text);
  std::replace(text.begin(), text.end(), '$', '"');
  return Evaluate(text) != "ERROR";
}

std::array<int32_t, 4> ReadVersionFields(std::string_view text) {
  std::array<int32_t, 4> fields{};
  for (int32_t& field : fields) {
    if (text.empty()) break;
    size_t dot = text.find('.');
    if (dot != std::string_view::npos) {
      field = TextToInt(text.substr(0, dot));
      text.remove_prefix(dot + 1);
    } else {
      TryTextToInt(text, field);  // the field stays 0 when it is not an integer
      text = {};
    }
  }
  return fields;
}

bool CompareVersions(std::string_view a, std::string_view b) {
  // Both are read before comparing, so a malformed b fails even when a decides early.
  std::array<int32_t, 4> left = ReadVersionFields(a);
  std::array<int32_t, 4> right = ReadVersionFields(b);
  return left > right;
}

bool TestCondition(const VariableStore& store, const Condition& condition) {
  return TestUnnegated(store, condition) != IsTrue(condition.negate);
}

}  // namespace quillset::vars
