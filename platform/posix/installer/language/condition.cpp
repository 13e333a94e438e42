// The condition language: a recursive-descent reader that evaluates as it reads. The whole text
// is always read, so an error after a term that already decides the result is still an error.
#include "platform/posix/installer/language/condition.h"

#include <cstdint>
#include <string_view>

namespace quillset::platform::posix::installer {
namespace {

enum class TokenKind { kEnd, kLeftParen, kRightParen, kInteger, kString, kSymbol, kCompare, kLogic, kNot };

// Binary logic operators, from the loosest to the tightest; the order is the precedence.
enum class Logic { kImp, kEqv, kXor, kOr, kAnd };
constexpr int kLogicLevels = 5;

enum class Compare {
  kEqual, kNotEqual, kGreater, kLess, kGreaterEqual, kLessEqual, kContains, kStartsWith, kEndsWith
};

struct Token {
  TokenKind kind = TokenKind::kEnd;
  std::string_view text;  // a name (without its prefix) or a string's contents
  char prefix = 0;        // a symbol's access prefix: % $ ? & !, or 0 for a property
  int32_t integer = 0;
  Compare compare = Compare::kEqual;
  bool no_case = false;  // the ~ prefix of a comparison
  Logic logic = Logic::kAnd;
};

struct Value {
  enum class Kind { kInteger, kLiteral, kSymbolText } kind = Kind::kLiteral;
  int32_t integer = 0;
  std::string text;
};

bool IsLetter(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsNameChar(char c) { return IsLetter(c) || IsDigit(c) || c == '_' || c == '.'; }
bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameWord(std::string_view word, std::string_view keyword) {
  if (word.size() != keyword.size()) return false;
  for (size_t i = 0; i < word.size(); ++i)
    if (Lower(word[i]) != Lower(keyword[i])) return false;
  return true;
}

// "-" and digits, nothing else, within 32 bits.
bool ReadInteger(std::string_view text, int32_t& value) {
  bool negative = !text.empty() && text[0] == '-';
  if (negative) text.remove_prefix(1);
  if (text.empty()) return false;
  int64_t magnitude = 0;
  for (char c : text) {
    if (!IsDigit(c)) return false;
    magnitude = magnitude * 10 + (c - '0');
    if (magnitude > int64_t{INT32_MAX} + 1) return false;
  }
  int64_t signed_value = negative ? -magnitude : magnitude;
  if (signed_value > INT32_MAX) return false;
  value = static_cast<int32_t>(signed_value);
  return true;
}

std::string Folded(std::string text) {
  for (char& c : text) c = Lower(c);
  return text;
}

bool CompareIntegers(int32_t left, Compare op, int32_t right) {
  uint32_t bits = static_cast<uint32_t>(left);
  switch (op) {
    case Compare::kEqual: return left == right;
    case Compare::kNotEqual: return left != right;
    case Compare::kGreater: return left > right;
    case Compare::kLess: return left < right;
    case Compare::kGreaterEqual: return left >= right;
    case Compare::kLessEqual: return left <= right;
    case Compare::kContains: return (left & right) != 0;
    case Compare::kStartsWith: return int64_t{bits >> 16} == right;
    case Compare::kEndsWith: return int64_t{bits & 0xFFFF} == right;
  }
  return false;
}

bool CompareTexts(std::string left, Compare op, bool no_case, std::string right) {
  if (no_case) {
    left = Folded(std::move(left));
    right = Folded(std::move(right));
  }
  std::string_view l = left;
  switch (op) {
    case Compare::kEqual: return l == right;
    case Compare::kNotEqual: return l != right;
    case Compare::kGreater: return l > right;
    case Compare::kLess: return l < right;
    case Compare::kGreaterEqual: return l >= right;
    case Compare::kLessEqual: return l <= right;
    case Compare::kContains: return l.find(right) != std::string_view::npos;
    case Compare::kStartsWith: return l.starts_with(right);
    case Compare::kEndsWith: return l.ends_with(right);
  }
  return false;
}

bool CompareValues(const Value& left, Compare op, bool no_case, const Value& right) {
  using Kind = Value::Kind;
  bool left_integer = left.kind == Kind::kInteger;
  bool right_integer = right.kind == Kind::kInteger;
  if (left_integer && right_integer) return CompareIntegers(left.integer, op, right.integer);
  if (left_integer || right_integer) {
    int32_t converted = 0;
    if (!ReadInteger(left_integer ? right.text : left.text, converted)) return op == Compare::kNotEqual;
    return left_integer ? CompareIntegers(left.integer, op, converted)
                        : CompareIntegers(converted, op, right.integer);
  }
  int32_t l = 0;
  int32_t r = 0;
  if (left.kind == Kind::kSymbolText && right.kind == Kind::kSymbolText && ReadInteger(left.text, l) &&
      ReadInteger(right.text, r))
    return CompareIntegers(l, op, r);
  return CompareTexts(left.text, op, no_case, right.text);
}

bool Truth(const Value& value) {
  return value.kind == Value::Kind::kInteger ? value.integer != 0 : !value.text.empty();
}

class Evaluator {
 public:
  Evaluator(std::string_view text, const ConditionContext& context) : text_(text), context_(context) {
    Advance();
  }

  ConditionResult Run() {
    if (token_.kind == TokenKind::kEnd && !failed_) return ConditionResult::kNone;
    bool result = Expression(0);
    if (token_.kind != TokenKind::kEnd) Fail();
    if (failed_) return ConditionResult::kError;
    return result ? ConditionResult::kTrue : ConditionResult::kFalse;
  }

 private:
  // Ends the reading: every loop stops at kEnd.
  void Fail() {
    failed_ = true;
    token_ = Token{};
    position_ = text_.size();
  }

  void Advance() {
    while (position_ < text_.size() && IsBlank(text_[position_])) ++position_;
    token_ = Token{};
    if (position_ >= text_.size()) return;
    char c = text_[position_];
    char next = position_ + 1 < text_.size() ? text_[position_ + 1] : '\0';
    if (c == '(' || c == ')') {
      token_.kind = c == '(' ? TokenKind::kLeftParen : TokenKind::kRightParen;
      ++position_;
    } else if (c == '"') {
      size_t close = text_.find('"', position_ + 1);
      if (close == std::string_view::npos) return Fail();
      token_.kind = TokenKind::kString;
      token_.text = text_.substr(position_ + 1, close - position_ - 1);
      position_ = close + 1;
    } else if (IsDigit(c) || (c == '-' && IsDigit(next))) {
      size_t end = position_ + 1;
      while (end < text_.size() && IsNameChar(text_[end])) ++end;
      if (!ReadInteger(text_.substr(position_, end - position_), token_.integer)) return Fail();
      token_.kind = TokenKind::kInteger;
      position_ = end;
    } else if (IsLetter(c) || c == '_') {
      std::string_view word = ReadName(position_);
      Keyword(word);
    } else if (c == '%' || c == '$' || c == '?' || c == '&' || c == '!') {
      if (!(IsLetter(next) || next == '_')) return Fail();
      token_.kind = TokenKind::kSymbol;
      token_.prefix = c;
      token_.text = ReadName(position_ + 1);
    } else {
      ReadComparison();
    }
  }

  std::string_view ReadName(size_t start) {
    size_t end = start;
    while (end < text_.size() && IsNameChar(text_[end])) ++end;
    position_ = end;
    return text_.substr(start, end - start);
  }

  void Keyword(std::string_view word) {
    static constexpr struct {
      std::string_view word;
      Logic logic;
    } kLogicWords[] = {{"IMP", Logic::kImp}, {"EQV", Logic::kEqv}, {"XOR", Logic::kXor},
                       {"OR", Logic::kOr},   {"AND", Logic::kAnd}};
    for (const auto& entry : kLogicWords) {
      if (SameWord(word, entry.word)) {
        token_.kind = TokenKind::kLogic;
        token_.logic = entry.logic;
        return;
      }
    }
    token_.kind = SameWord(word, "NOT") ? TokenKind::kNot : TokenKind::kSymbol;
    token_.text = word;
  }

  void ReadComparison() {
    bool no_case = text_[position_] == '~';
    size_t at = position_ + (no_case ? 1 : 0);
    // Two-character operators first, so that "<>" is not read as "<".
    static constexpr struct {
      std::string_view text;
      Compare compare;
    } kOperators[] = {{"<>", Compare::kNotEqual},     {">=", Compare::kGreaterEqual},
                      {"<=", Compare::kLessEqual},    {"><", Compare::kContains},
                      {"<<", Compare::kStartsWith},   {">>", Compare::kEndsWith},
                      {"=", Compare::kEqual},         {">", Compare::kGreater},
                      {"<", Compare::kLess}};
    std::string_view rest = text_.substr(at);
    for (const auto& entry : kOperators) {
      if (rest.starts_with(entry.text)) {
        token_.kind = TokenKind::kCompare;
        token_.compare = entry.compare;
        token_.no_case = no_case;
        position_ = at + entry.text.size();
        return;
      }
    }
    Fail();
  }

  bool Expression(int level) {
    if (level == kLogicLevels) return Factor();
    bool left = Expression(level + 1);
    while (token_.kind == TokenKind::kLogic && static_cast<int>(token_.logic) == level) {
      Logic logic = token_.logic;
      Advance();
      bool right = Expression(level + 1);
      switch (logic) {
        case Logic::kImp: left = !left || right; break;
        case Logic::kEqv: left = left == right; break;
        case Logic::kXor: left = left != right; break;
        case Logic::kOr: left = left || right; break;
        case Logic::kAnd: left = left && right; break;
      }
    }
    return left;
  }

  bool Factor() {
    bool negate = false;
    while (token_.kind == TokenKind::kNot) {
      negate = !negate;
      Advance();
    }
    return Term() != negate;
  }

  bool Term() {
    if (token_.kind == TokenKind::kLeftParen) {
      if (++depth_ > kMaxConditionDepth) {
        Fail();
        return false;
      }
      Advance();
      bool inner = Expression(0);
      if (token_.kind != TokenKind::kRightParen) {
        Fail();
        return false;
      }
      --depth_;
      Advance();
      return inner;
    }
    Value left;
    if (!ReadValue(left)) return false;
    if (token_.kind != TokenKind::kCompare) return Truth(left);
    Compare op = token_.compare;
    bool no_case = token_.no_case;
    Advance();
    Value right;
    if (!ReadValue(right)) return false;
    return CompareValues(left, op, no_case, right);
  }

  bool ReadValue(Value& value) {
    switch (token_.kind) {
      case TokenKind::kInteger:
        value.kind = Value::Kind::kInteger;
        value.integer = token_.integer;
        break;
      case TokenKind::kString:
        value.kind = Value::Kind::kLiteral;
        value.text = token_.text;
        break;
      case TokenKind::kSymbol:
        ReadSymbol(value);
        break;
      default:
        Fail();
        return false;
    }
    Advance();
    return true;
  }

  void ReadSymbol(Value& value) {
    std::string name(token_.text);
    auto text_of = [&](const auto& lookup) {
      value.kind = Value::Kind::kSymbolText;
      if (lookup) value.text = lookup(name).value_or("");
    };
    auto state_of = [&](const auto& lookup) {
      value.kind = Value::Kind::kInteger;
      value.integer = lookup ? lookup(name) : -1;  // INSTALLSTATE_UNKNOWN
    };
    switch (token_.prefix) {
      case '%': return text_of(context_.environment);
      case '$': return state_of(context_.component_action);
      case '?': return state_of(context_.component_installed);
      case '&': return state_of(context_.feature_action);
      case '!': return state_of(context_.feature_installed);
      default: return text_of(context_.property);
    }
  }

  std::string_view text_;
  const ConditionContext& context_;
  size_t position_ = 0;
  Token token_;
  int depth_ = 0;
  bool failed_ = false;
};

}  // namespace

ConditionResult EvaluateCondition(const std::string& condition, const ConditionContext& context) {
  return Evaluator(condition, context).Run();
}

}  // namespace quillset::platform::posix::installer
