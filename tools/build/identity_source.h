// Fresh statement identifiers, product and revision codes, and command headers.
#pragma once

#include <random>
#include <string>

namespace quillset::build {

class IdentitySource {
 public:
  IdentitySource();
  std::string Guid();    // "{XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}", upper case
  std::string Header();  // 8 upper-case hexadecimal digits

 private:
  std::string HexDigits(size_t count);
  std::mt19937_64 random_;
};

}  // namespace quillset::build
