// The script's two kinds of condition: the expression language of "Evaluate Expression" and
// the four-parameter test of "If" / "Else If". Neither changes the variable store.
//
// Expression grammar (the text is evaluated as "(" + text + ")"; " " is code 32 only and may
// stand before and after every token):
//   expression = operand { connective operand }
//   operand    = "(" expression ")" | comparison
//   comparison = quoted operator quoted
//   quoted     = '"' { any character other than '"' | '""' } '"'      ('""' is one '"')
//   operator   = word, one of "=" "<>" "<" "<=" ">" ">="
//   connective = word, "and" | "or" (lower case only)
//   word       = the characters up to the next space or '"' (or the end)
// Connectives have equal rank and apply left to right: a or b and c = (a or b) and c.
// Texts compare byte by byte as unsigned codes; a prefix is smaller than the longer text.
// Anything else, leftover input, or parentheses nested deeper than kMaxParenthesisDepth
// (which would otherwise recurse without bound) gives "ERROR", never an exception.
//
// Script texts still hold $NAME$ references without quotes; the statement expands them in
// double quotes (ExpandQuoted) before Evaluate. ValidateExpression checks the script text by
// turning every "$" into '"', so a reference reads as a quoted text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "vars/variable_store.h"

namespace quillset::vars {

inline constexpr size_t kMaxParenthesisDepth = 1000;

// "TRUE", "FALSE" or "ERROR".
std::string Evaluate(std::string_view expression);
bool ValidateExpression(std::string_view script_text);

// Version text: four integer fields separated by dots, missing fields 0, anything after the
// fourth field ignored. A field followed by a dot must be an integer text (otherwise
// IntegerConversionError); the last field read counts as 0 when it is not one.
std::array<int32_t, 4> ReadVersionFields(std::string_view text);
// Whether version a is greater than version b, comparing signed fields left to right.
bool CompareVersions(std::string_view a, std::string_view b);

// The parameters of "If" / "Else If", already localized by the caller when a language is in
// effect.
struct Condition {
  std::string_view variable;  // a bare name or $NAME$
  std::string_view mode;      // "0" to "6"; anything else tests false
  std::string_view value;     // expanded before the comparison
  std::string_view negate;    // a truth value inverting the outcome
};

// Modes: 0 equal, 1 contains, 2 greater (byte order), 3 contains ignoring the case of ASCII
// and Latin-1 letters, 4 equal ignoring the case of a-z, 5 a variable named literally by the
// parameter exists, 6 greater as versions. When both sides are 32-bit integer texts, modes
// 0-4 compare numbers (2: greater, the others: equal). Empty values are never contained.
// The variable's value and the compared value are both expanded. Throws only from mode 6
// (IntegerConversionError).
bool TestCondition(const VariableStore& store, const Condition& condition);

}  // namespace quillset::vars
