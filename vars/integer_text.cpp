#include "vars/integer_text.h"

#include <limits>
#include <type_traits>

namespace quillset::vars {
namespace {

int DigitValue(char c, unsigned base) {
  int digit = -1;
  if (c >= '0' && c <= '9') digit = c - '0';
  else if (c >= 'a' && c <= 'f') digit = c - 'a' + 10;
  else if (c >= 'A' && c <= 'F') digit = c - 'A' + 10;
  return digit >= 0 && static_cast<unsigned>(digit) < base ? digit : -1;
}

template <typename Signed>
bool Convert(std::string_view text, Signed& value) {
  using Unsigned = std::make_unsigned_t<Signed>;
  size_t i = 0;
  while (i < text.size() && text[i] == ' ') ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  unsigned base = 10;
  if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
    base = 16;
    ++i;
  } else if (i + 1 < text.size() && text[i] == '0' && (text[i + 1] == 'x' || text[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i == text.size()) return false;
  // Decimal magnitudes stop at the signed bound (one more for a negative number); hexadecimal
  // ones at the unsigned bound.
  const Unsigned max_positive = static_cast<Unsigned>(std::numeric_limits<Signed>::max());
  const Unsigned limit = base == 16 ? std::numeric_limits<Unsigned>::max()
                                    : max_positive + (negative ? 1u : 0u);
  Unsigned magnitude = 0;
  for (; i < text.size(); ++i) {
    int digit = DigitValue(text[i], base);
    if (digit < 0) return false;
    if (magnitude > (limit - static_cast<Unsigned>(digit)) / base) return false;
    magnitude = static_cast<Unsigned>(magnitude * base + static_cast<Unsigned>(digit));
  }
  if (negative) magnitude = static_cast<Unsigned>(Unsigned{0} - magnitude);
  value = static_cast<Signed>(magnitude);  // two's complement since C++20
  return true;
}

}  // namespace

IntegerConversionError::IntegerConversionError(std::string_view text)
    : std::runtime_error("'" + std::string(text) + "' is not a valid integer value") {}

bool TryTextToInt(std::string_view text, int32_t& value) { return Convert(text, value); }
bool TryTextToInt64(std::string_view text, int64_t& value) { return Convert(text, value); }

int32_t TextToInt(std::string_view text) {
  int32_t value = 0;
  if (!Convert(text, value)) throw IntegerConversionError(text);
  return value;
}

int64_t TextToInt64(std::string_view text) {
  int64_t value = 0;
  if (!Convert(text, value)) throw IntegerConversionError(text);
  return value;
}

}  // namespace quillset::vars
