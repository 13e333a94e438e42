#include "platform/posix/posix_dialogs.h"

#include <sstream>

namespace quillset::platform::posix {

int PosixDialogs::MessageBox(const std::string& caption, const std::string& text, uint32_t style) {
  std::istringstream lines(text);
  std::string line;
  bool any = false;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out_ << caption << ": " << line << "\n";
    any = true;
  }
  if (!any) out_ << caption << ": \n";
  out_.flush();
  return DefaultAnswer(style);
}

}  // namespace quillset::platform::posix
