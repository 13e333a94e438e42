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

}  // namespace quillset::script
