// Formatted text in two passes: the first pairs every bracket and brace (and finds the ends of
// [\x] escapes), the second writes the text, formatting a reference's or group's inside before
// the reference itself. Each character is visited once per pass.
#include "platform/posix/installer/language/formatted_text.h"

#include <string_view>
#include <vector>

namespace quillset::platform::posix::installer {
namespace {

constexpr size_t kNone = std::string_view::npos;

// What the references in a stretch of text came to.
struct Resolution {
  bool any = false;      // some bracket was read as a reference
  bool missing = false;  // some reference gave nothing
};

class Formatter {
 public:
  Formatter(std::string_view text, const FormatContext& context)
      : text_(text), context_(context), partner_(text.size(), kNone) {
    Pair();
  }

  std::string Run() {
    Resolution ignored;
    return Format(0, text_.size(), 0, ignored);
  }

 private:
  bool IsEscape(size_t at) const {
    return text_[at] == '[' && at + 1 < text_.size() && text_[at + 1] == '\\' && partner_[at] != kNone;
  }

  // partner_[i] is the closing position for an opening one at i. An escape [\x…] closes at the
  // first "]" after x, and what it spans takes part in no other pairing.
  void Pair() {
    std::vector<size_t> brackets;
    std::vector<size_t> braces;
    std::vector<size_t> next_close(text_.size() + 1, kNone);
    for (size_t i = text_.size(); i-- > 0;) next_close[i] = text_[i] == ']' ? i : next_close[i + 1];
    for (size_t i = 0; i < text_.size(); ++i) {
      char c = text_[i];
      if (c == '[' && i + 1 < text_.size() && text_[i + 1] == '\\') {
        size_t close = i + 3 <= text_.size() ? next_close[i + 3] : kNone;
        if (close != kNone) {
          partner_[i] = close;
          i = close;
        }
      } else if (c == '[') {
        brackets.push_back(i);
      } else if (c == '{') {
        braces.push_back(i);
      } else if ((c == ']' && !brackets.empty()) || (c == '}' && !braces.empty())) {
        std::vector<size_t>& open = c == ']' ? brackets : braces;
        partner_[open.back()] = i;
        open.pop_back();
      }
    }
  }

  std::string Format(size_t begin, size_t end, int depth, Resolution& resolution) {
    std::string out;
    size_t i = begin;
    while (i < end) {
      char c = text_[i];
      size_t close = partner_[i];
      bool opens = (c == '[' || c == '{') && close != kNone && close < end;
      if (!opens || (depth >= kMaxFormatDepth && !IsEscape(i))) {
        out += c;
        ++i;
        continue;
      }
      if (c == '{') {
        Resolution inner;
        std::string content = Format(i + 1, close, depth + 1, inner);
        if (!inner.any) {
          out += '{';
          out += content;
          out += '}';
        } else if (inner.missing) {
          resolution.any = resolution.missing = true;
        } else {
          out += content;
          resolution.any = true;
        }
      } else {
        out += Reference(i, close, depth, resolution);
      }
      i = close + 1;
    }
    return out;
  }

  // The bracket at open, closing at close.
  std::string Reference(size_t open, size_t close, int depth, Resolution& resolution) {
    std::string_view raw = text_.substr(open + 1, close - open - 1);
    if (raw.empty()) return "[]";
    resolution.any = true;
    if (IsEscape(open)) return std::string(1, raw[1]);
    if (raw == "~") return std::string(1, '\0');
    std::string name = Format(open + 1, close, depth + 1, resolution);
    std::optional<std::string> value;
    auto look_up = [&](const auto& lookup, std::string_view key) {
      if (lookup && !key.empty()) value = lookup(std::string(key));
    };
    std::string_view key = std::string_view(name).substr(name.empty() ? 0 : 1);
    switch (name.empty() ? '\0' : name[0]) {
      case '#':
      case '!': look_up(context_.file_path, key); break;
      case '$': look_up(context_.component_folder, key); break;
      case '%': look_up(context_.environment, key); break;
      default: look_up(context_.property, name); break;
    }
    if (!value || value->empty()) {
      resolution.missing = true;
      return "";
    }
    return *value;
  }

  std::string_view text_;
  const FormatContext& context_;
  std::vector<size_t> partner_;
};

}  // namespace

std::string FormatText(const std::string& text, const FormatContext& context) {
  return Formatter(text, context).Run();
}

}  // namespace quillset::platform::posix::installer
