// Case rules of the engine's names (variables, identifiers, labels, commands' keys): only the
// ASCII letters have a case; every other byte compares as it is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace quillset::vars {

// ASCII upper case; other bytes unchanged.
constexpr char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }
std::string UpperCase(std::string_view text);
bool EqualsIgnoreCase(std::string_view a, std::string_view b);

// Hashing and equality without regard to case, for hash maps looked up by string_view
// without building an upper-cased key.
struct CaseInsensitiveHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const {
    size_t hash = 14695981039346656037ull;
    for (char c : text) hash = (hash ^ static_cast<unsigned char>(FoldCase(c))) * 1099511628211ull;
    return hash;
  }
};
struct CaseInsensitiveEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const { return EqualsIgnoreCase(a, b); }
};

}  // namespace quillset::vars
