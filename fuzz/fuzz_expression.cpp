// Evaluate and ValidateExpression over arbitrary text; CompareVersions and the integer
// conversion over the input split at its first newline. Besides sanitizer faults it checks
// that results stay in their ranges and that version order is antisymmetric.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "vars/expression.h"
#include "vars/integer_text.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset::vars;
  std::string_view text(reinterpret_cast<const char*>(data), size);

  std::string result = Evaluate(text);
  if (result != "TRUE" && result != "FALSE" && result != "ERROR") std::abort();
  bool valid = ValidateExpression(text);
  if (text.find('$') == std::string_view::npos && valid != (result != "ERROR")) std::abort();

  size_t newline = text.find('\n');
  std::string_view a = text.substr(0, newline);
  std::string_view b = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
  try {
    if (CompareVersions(a, b) && CompareVersions(b, a)) std::abort();
  } catch (const IntegerConversionError&) {
    // a malformed field before a dot fails the statement; nothing else may escape
  }
  int32_t narrow = 0;
  int64_t wide = 0;
  if (TryTextToInt(a, narrow) && !TryTextToInt64(a, wide)) std::abort();
  return 0;
}
