// The token rules of project lines. A text is either quoted ("..." with "" standing for one
// quote, any other character taken as it is) or bare (a run of characters up to the next blank).
#pragma once

#include <string>
#include <string_view>

namespace quillset::build {

// The text in quotes, so that it reads back exactly.
std::string Quote(std::string_view text);

// Walks one project line; errors name the project file and line.
class LineCursor {
 public:
  LineCursor(std::string_view text, const std::string& file, int line);

  // Skips blanks; true when nothing but blanks is left.
  bool AtEnd();
  char Peek();  // the next character after blanks, or 0 at the end
  // A quoted or bare text.
  std::string Token();
  // A quoted text; an error when the next text is not quoted.
  std::string Quoted();
  // The rest of the line as one value: a quoted text (then nothing may follow), or the
  // remaining characters without surrounding blanks.
  std::string Value();
  // Characters up to (not including) any of the stop characters, without surrounding blanks.
  std::string Until(std::string_view stops);
  // Consumes c when it is the next character after blanks.
  bool Accept(char c);
  [[noreturn]] void Fail(const std::string& message) const;

 private:
  void SkipBlanks();
  std::string_view text_;
  size_t pos_ = 0;
  const std::string& file_;
  int line_;
};

}  // namespace quillset::build
