// The property part of an installer command line, as MsiInstallProductA and msiexec take it:
// NAME=VALUE pairs separated by blanks, values possibly in double quotes ("" inside a quoted
// value is one quote; NAME="" sets the empty value).
//
//   line       := { blank } [ assignment { blank { blank } assignment } { blank } ]
//   assignment := name "=" value
//   name       := one or more characters other than blank, "=" and '"'
//   value      := { plain | quoted }               ends at the first blank outside quotes
//   plain      := any character but blank and '"'
//   quoted     := '"' { any character but '"' | '""' } '"'
//   blank      := space | tab | CR | LF
//
// A quoted stretch may stand anywhere in a value and keeps its blanks; inside it '""' is one
// '"'. A backslash is an ordinary character (paths end in one: SRCDIR="C:\Data Dir\"). Names
// are kept as written, in their order; when a name comes twice the caller's last assignment
// wins. An empty name, a name without "=", a quote in a name and an unterminated quote are
// errors.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace quillset::platform::posix::installer {

struct PropertyAssignment {
  std::string name;
  std::string value;
};

// The pairs in their order. False with error set for text that is no property list (the caller
// answers 1639); assignments are then left as they were.
bool ParsePropertyCommandLine(const std::string& text, std::vector<PropertyAssignment>& assignments,
                              std::string* error);

}  // namespace quillset::platform::posix::installer
