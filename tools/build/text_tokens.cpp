#include "tools/build/text_tokens.h"

#include "tools/build/build_error.h"

namespace quillset::build {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace

std::string Quote(std::string_view text) {
  std::string out = "\"";
  for (char c : text) {
    out += c;
    if (c == '"') out += '"';
  }
  return out + "\"";
}

LineCursor::LineCursor(std::string_view text, const std::string& file, int line)
    : text_(text), file_(file), line_(line) {}

void LineCursor::SkipBlanks() {
  while (pos_ < text_.size() && IsBlank(text_[pos_])) ++pos_;
}

bool LineCursor::AtEnd() {
  SkipBlanks();
  return pos_ == text_.size();
}

char LineCursor::Peek() { return AtEnd() ? 0 : text_[pos_]; }

bool LineCursor::Accept(char c) {
  if (Peek() != c) return false;
  ++pos_;
  return true;
}

std::string LineCursor::Quoted() {
  if (!Accept('"')) Fail("a quoted text was expected");
  std::string out;
  for (;;) {
    if (pos_ == text_.size()) Fail("the quoted text has no closing quote");
    char c = text_[pos_++];
    if (c != '"') {
      out += c;
    } else if (pos_ < text_.size() && text_[pos_] == '"') {
      out += '"';
      ++pos_;
    } else {
      return out;
    }
  }
}

std::string LineCursor::Token() {
  if (AtEnd()) Fail("a value is missing");
  if (Peek() == '"') return Quoted();
  size_t start = pos_;
  while (pos_ < text_.size() && !IsBlank(text_[pos_])) ++pos_;
  return std::string(text_.substr(start, pos_ - start));
}

std::string LineCursor::Value() {
  if (Peek() == '"') {
    std::string out = Quoted();
    if (!AtEnd()) Fail("nothing may follow the closing quote");
    return out;
  }
  std::string out(TrimBlanks(text_.substr(pos_)));
  pos_ = text_.size();
  return out;
}

std::string LineCursor::Until(std::string_view stops) {
  size_t end = text_.find_first_of(stops, pos_);
  if (end == std::string_view::npos) end = text_.size();
  std::string out(TrimBlanks(text_.substr(pos_, end - pos_)));
  pos_ = end;
  return out;
}

void LineCursor::Fail(const std::string& message) const { throw BuildError(file_, line_, message); }

}  // namespace quillset::build
