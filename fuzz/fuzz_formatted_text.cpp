// The installer's formatted text: any text formats without a fault, and since every lookup here
// answers with at most its own key, the result is never longer than the text.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>

#include "platform/posix/installer/language/formatted_text.h"

using quillset::platform::posix::installer::FormatContext;
using quillset::platform::posix::installer::FormatText;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  // Keys of odd length are known (their value is the key itself), the others are not.
  auto look_up = [](const std::string& key) -> std::optional<std::string> {
    if (key.size() % 2 == 0) return std::nullopt;
    return key;
  };
  FormatContext context{look_up, look_up, look_up, look_up};
  std::string formatted = FormatText(text, context);
  if (formatted.size() > text.size()) std::abort();
  return 0;
}
