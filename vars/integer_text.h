// Integer texts as the platform's conversion reads them (StrToInt, StrToInt64):
//   integer = { " " } [ "+" | "-" ] ( decimal-digits | hex-prefix hex-digits )
//   hex-prefix = "$" | "x" | "X" | "0x" | "0X"
// Only leading spaces (code 32) are skipped; nothing may follow the digits, not even a blank.
// The empty text, a lone sign and a lone prefix are not integers.
// Decimal texts must lie in the signed range of the width. Hexadecimal texts write a bit
// pattern and may use the full unsigned width ("$FFFFFFFF" is -1 in 32 bits), because scripts
// take flags and registry words in that form; a sign then negates the pattern, wrapping.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace quillset::vars {

// The platform's conversion failure: "'<text>' is not a valid integer value".
class IntegerConversionError : public std::runtime_error {
 public:
  explicit IntegerConversionError(std::string_view text);
};

bool TryTextToInt(std::string_view text, int32_t& value);
bool TryTextToInt64(std::string_view text, int64_t& value);
// The throwing forms raise IntegerConversionError naming the text.
int32_t TextToInt(std::string_view text);
int64_t TextToInt64(std::string_view text);

}  // namespace quillset::vars
