// Line-by-line reading of the engine's CR LF text files.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quillset::script {

// Splits text into lines ending with CR LF or a lone LF; a CR elsewhere stays in the line.
// A last line without a line end still counts; an empty text has no lines.
class LineReader {
 public:
  explicit LineReader(std::string_view text) : text_(text) {}
  std::optional<std::string_view> Next();
  bool AtEnd() const { return position_ >= text_.size(); }
  size_t position() const { return position_; }  // offset of the next line

 private:
  std::string_view text_;
  size_t position_ = 0;
};

}  // namespace quillset::script
