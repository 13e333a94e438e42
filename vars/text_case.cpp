#include "vars/text_case.h"

namespace quillset::vars {

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = FoldCase(c);
  return result;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  return true;
}

}  // namespace quillset::vars
