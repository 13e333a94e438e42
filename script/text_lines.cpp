#include "script/text_lines.h"

namespace quillset::script {

std::optional<std::string_view> LineReader::Next() {
  if (AtEnd()) return std::nullopt;
  size_t end = text_.find('\n', position_);
  std::string_view line;
  if (end == std::string_view::npos) {
    line = text_.substr(position_);
    position_ = text_.size();
  } else {
    line = text_.substr(position_, end - position_);
    position_ = end + 1;
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  }
  return line;
}

char FoldCase(char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c; }

std::string UpperCase(std::string_view text) {
  std::string result(text);
  for (char& c : result) c = FoldCase(c);
  return result;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (FoldCase(a[i]) != FoldCase(b[i])) return false;
  }
  return true;
}

}  // namespace quillset::script
