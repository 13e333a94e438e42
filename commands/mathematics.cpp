#include "commands/mathematics.h"

#include <cstdint>
#include <limits>
#include <optional>

#include "vars/integer_text.h"

namespace quillset::commands {
namespace {

std::optional<int64_t> Integer(const std::string& text) {
  int64_t value = 0;
  if (!vars::TryTextToInt64(text, value)) return std::nullopt;
  return value;
}

// Sums, differences and products wrap as the platform's unchecked arithmetic does.
int64_t Wrap(uint64_t bits) { return static_cast<int64_t>(bits); }

std::optional<int64_t> Binary(int64_t operation, int64_t a, int64_t b) {
  const auto ua = static_cast<uint64_t>(a), ub = static_cast<uint64_t>(b);
  const uint64_t shift = ub & 0xFF;  // only the low byte of the count counts
  switch (operation) {
    case 0:
    case 13:  // the seeding answers the sum of the two seeds
      return Wrap(ua + ub);
    case 1: return Wrap(ua - ub);
    case 2: return Wrap(ua * ub);
    case 3:
    case 4:
      // The one overflowing quotient traps like a division by zero.
      if (b == 0 || (b == -1 && a == std::numeric_limits<int64_t>::min())) return std::nullopt;
      return operation == 3 ? a / b : a % b;
    case 5: return a & b;
    case 6: return a | b;
    case 7: return a ^ b;
    case 8: return shift >= 64 ? 0 : Wrap(ua << shift);
    case 9: return shift >= 64 ? 0 : Wrap(ua >> shift);
    default: return std::nullopt;
  }
}

}  // namespace

std::string Calculate(const std::string& a_text, const std::string& b_text, const std::string& operation_text,
                      RandomGenerator& random) {
  auto operation = Integer(operation_text);
  if (!operation || *operation < 0 || *operation > 15) return "";
  if (*operation == 11) return a_text.empty() ? "" : std::to_string(static_cast<unsigned char>(a_text[0]));
  auto a = Integer(a_text);
  if (!a) return "";
  const auto low32 = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
  switch (*operation) {
    case 10: return std::to_string(~*a);
    case 12: return std::string(1, static_cast<char>(static_cast<unsigned char>(*a)));
    case 14:
      random.SetState(low32(*a));
      return std::to_string(low32(*a));
    case 15: {
      int64_t t = random.Next();  // the generator steps even when the remainder then fails
      return *a == 0 ? "" : std::to_string(t % *a);
    }
    default: break;
  }
  auto b = Integer(b_text);
  if (!b) return "";
  if (*operation == 13) random.SetCoefficients(low32(*a), low32(*b));
  auto result = Binary(*operation, *a, *b);
  return result ? std::to_string(*result) : "";
}

}  // namespace quillset::commands
