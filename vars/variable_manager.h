// The variable store: named text values, names matched ignoring the case of A-Z, the spelling
// of the first assignment kept. Thread-safe: every read and write takes the store's lock,
// which callers may also hold across several reads (Lock/Unlock).
//
// Substitution ($NAME$ references), scanning left to right from position p:
//   find the next "$" at a; the candidate name runs to the next "$" (none: done);
//   a defined candidate: the reference "$NAME$" is replaced by the value (in double quotes for
//     ExpandQuoted) and scanning goes on at a, so the inserted value is scanned in turn;
//   otherwise scanning goes on at the closing "$", which may open the next reference.
// Bounds: a value that refers to itself, directly or through a chain, would rescan forever.
// A reference is left as it stands when it lies inside kMaxExpansionDepth nested values; once
// the result reaches kMaxExpansionLength bytes the rest of the text is appended unexpanded.
#pragma once

#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "vars/string_hash_table.h"

namespace quillset::vars {

inline constexpr size_t kMaxExpansionDepth = 64;
inline constexpr size_t kMaxExpansionLength = 16u << 20;

class TVariableManager {
 public:
  TVariableManager(bool case_sensitive, bool thread_safe);

  void SetValue(std::string_view name, std::string_view value);
  // The value, or empty when the name is not defined.
  std::string GetValue(std::string_view name) const;
  bool Exists(std::string_view name) const;
  void Clear();
  // Clears the list, then appends name and value of every variable; answers the line count.
  size_t GetAll(std::vector<std::string>& lines) const;
  std::string Expand(std::string_view text) const { return Substitute(text, false); }
  std::string ExpandQuoted(std::string_view text) const { return Substitute(text, true); }
  void Lock(bool always) const;
  void Unlock(bool always) const;

 private:
  // The value of a defined name copied under the lock; false when undefined.
  bool Lookup(std::string_view name, std::string& value) const;
  std::string Substitute(std::string_view text, bool quoted) const;

  mutable std::recursive_mutex lock_;
  bool thread_safe_;
  TStringHashTable table_;
};

}  // namespace quillset::vars
