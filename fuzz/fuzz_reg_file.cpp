// Registry files that "quillset-reg import" reads: any bytes either parse or are refused with
// a RegFileError; what parses must survive a write and a second parse unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "tools/reg/reg_file.h"

namespace {

bool SameKeys(const std::vector<quillset::reg::RegFileKey>& a, const std::vector<quillset::reg::RegFileKey>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (a[k].name != b[k].name || a[k].remove != b[k].remove || a[k].values.size() != b[k].values.size()) return false;
    for (size_t v = 0; v < a[k].values.size(); ++v) {
      const auto& x = a[k].values[v];
      const auto& y = b[k].values[v];
      if (x.remove != y.remove || x.value.name != y.value.name || (!x.remove && (x.value.type != y.value.type ||
                                                                                 x.value.data != y.value.data)))
        return false;
    }
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset::reg;
  std::vector<RegFileKey> keys;
  try {
    keys = ParseRegFile(std::string(reinterpret_cast<const char*>(data), size));
  } catch (const RegFileError&) {
    return 0;
  }
  if (!SameKeys(keys, ParseRegFile(WriteRegFile(keys)))) std::abort();
  return 0;
}
