// The property part of an installer command line, as MsiInstallProductA and msiexec take it:
// NAME=VALUE pairs separated by blanks, values possibly in double quotes ("" inside a quoted
// value is one quote; NAME="" sets the empty value).
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillset::platform::posix::installer {

struct PropertyAssignment {
  std::string name;
  std::string value;
};

// False with error set for text that is no property list (the caller answers 1639).
bool ParsePropertyCommandLine(const std::string& text, std::vector<PropertyAssignment>& assignments,
                              std::string* error);

}  // namespace quillset::platform::posix::installer
