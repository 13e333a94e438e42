// Registry files (".reg"): the text that export writes and import reads. The parser takes
// outside input: anything malformed throws a RegFileError naming the line.
#pragma once

#include <stdexcept>
#include <string>
#include <vector>

#include "platform/registry.h"

namespace quillset::reg {

class RegFileError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct RegFileValue {
  bool remove = false;  // "name"=-
  platform::RegistryValue value;
};

struct RegFileKey {
  std::string name;    // full name, "HKEY_LOCAL_MACHINE\SOFTWARE\X"
  bool remove = false;  // [-KEY]
  std::vector<RegFileValue> values;
};

// Reads a file in UTF-8 or ANSI text (an optional UTF-8 byte-order mark) or UTF-16LE with its
// byte-order mark; "Windows Registry Editor Version 5.00" and "REGEDIT4" files.
std::vector<RegFileKey> ParseRegFile(const std::string& bytes);

// A "Windows Registry Editor Version 5.00" file in UTF-8 with CR LF line ends.
std::string WriteRegFile(const std::vector<RegFileKey>& keys);

}  // namespace quillset::reg
