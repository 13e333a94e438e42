// Message boxes before the wizard windows exist: the text goes to standard error and the
// default button answers.
#pragma once

#include <ostream>

#include "platform/dialogs.h"

namespace quillset::platform::posix {

class PosixDialogs : public Dialogs {
 public:
  explicit PosixDialogs(std::ostream& out) : out_(out) {}
  // Every line of the text as "caption: line".
  int MessageBox(const std::string& caption, const std::string& text, uint32_t style) override;

 private:
  std::ostream& out_;
};

}  // namespace quillset::platform::posix
