#include "tools/build/identity_source.h"

namespace quillset::build {

IdentitySource::IdentitySource() {
  std::random_device device;
  std::seed_seq seed{device(), device(), device(), device()};
  random_.seed(seed);
}

std::string IdentitySource::HexDigits(size_t count) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  std::string out;
  for (size_t i = 0; i < count; ++i) out += kDigits[random_() & 15];
  return out;
}

std::string IdentitySource::Guid() {
  // Version 4 layout: the version nibble is 4, the variant nibble one of 8, 9, A, B.
  static constexpr char kVariant[] = "89AB";
  return "{" + HexDigits(8) + "-" + HexDigits(4) + "-4" + HexDigits(3) + "-" +
         kVariant[random_() & 3] + HexDigits(3) + "-" + HexDigits(12) + "}";
}

std::string IdentitySource::Header() { return HexDigits(8); }

}  // namespace quillset::build
