#include "script/identifier_index.h"

#include <algorithm>

#include "vars/text_case.h"

namespace quillset::script {

namespace {
constexpr size_t kLengthsTracked = 256;
}  // namespace

std::vector<size_t> IdentifierIndex::Build(const std::vector<std::string>& identifiers) {
  size_t size = 16;
  while (size < 2 * identifiers.size()) size *= 2;
  slots_.assign(size, Slot{});
  lengths_.assign(kLengthsTracked + 1, false);
  const vars::CaseInsensitiveHash hash;
  std::vector<size_t> first(identifiers.size());
  for (size_t n = 0; n < identifiers.size(); ++n) {
    lengths_[std::min(identifiers[n].size(), kLengthsTracked)] = true;
    size_t h = hash(identifiers[n]);
    uint32_t bits = static_cast<uint32_t>(h >> 32);
    for (size_t at = h & (size - 1);; at = (at + 1) & (size - 1)) {
      Slot& slot = slots_[at];
      if (slot.statement_plus_one == 0) {
        slot = {static_cast<uint32_t>(n + 1), bits};
        first[n] = n;
        break;
      }
      size_t other = slot.statement_plus_one - 1;
      if (slot.hash_bits == bits && vars::EqualsIgnoreCase(identifiers[other], identifiers[n])) {
        first[n] = other;
        break;
      }
    }
  }
  return first;
}

size_t IdentifierIndex::Find(const std::vector<std::string>& identifiers, std::string_view name) const {
  if (slots_.empty() || !lengths_[std::min(name.size(), kLengthsTracked)]) return kNone;
  const size_t size = slots_.size();
  size_t h = vars::CaseInsensitiveHash{}(name);
  uint32_t bits = static_cast<uint32_t>(h >> 32);
  for (size_t at = h & (size - 1);; at = (at + 1) & (size - 1)) {
    const Slot& slot = slots_[at];
    if (slot.statement_plus_one == 0) return kNone;
    size_t statement = slot.statement_plus_one - 1;
    if (slot.hash_bits == bits && vars::EqualsIgnoreCase(identifiers[statement], name)) return statement;
  }
}

}  // namespace quillset::script
