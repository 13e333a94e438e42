// Statement identifiers to statement numbers without regard to case. An open-addressing table
// of numbers and hash bits: a lookup of a line that is no identifier (most parameter lines)
// touches one small slot, so loading stays linear in time for large scripts whose strings no
// longer fit the caches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quillset::script {

class IdentifierIndex {
 public:
  static constexpr size_t kNone = static_cast<size_t>(-1);

  // Indexes the identifiers; answers, per statement, the first statement with an equal
  // identifier (itself unless the identifier is repeated).
  std::vector<size_t> Build(const std::vector<std::string>& identifiers);
  // The first statement whose identifier equals name, or kNone. identifiers: as built.
  size_t Find(const std::vector<std::string>& identifiers, std::string_view name) const;

 private:
  struct Slot {
    uint32_t statement_plus_one = 0;  // 0: empty
    uint32_t hash_bits = 0;
  };
  std::vector<Slot> slots_;
  // Which lengths identifiers have (the last entry stands for every longer one): lines of other
  // lengths are answered without hashing.
  std::vector<bool> lengths_;
};

}  // namespace quillset::script
