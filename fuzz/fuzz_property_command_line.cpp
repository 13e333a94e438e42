// The installer command line's property list: any text parses or fails without a fault; a failure
// has an error text, and a parsed list written back with every value quoted parses to itself.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/posix/installer/language/property_command_line.h"

using quillset::platform::posix::installer::ParsePropertyCommandLine;
using quillset::platform::posix::installer::PropertyAssignment;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<PropertyAssignment> assignments;
  std::string error;
  if (!ParsePropertyCommandLine(text, assignments, &error)) {
    if (error.empty() || !assignments.empty()) std::abort();
    return 0;
  }
  std::string written;
  for (const PropertyAssignment& a : assignments) {
    if (a.name.empty() || a.name.find_first_of(" \t\r\n=\"") != std::string::npos) std::abort();
    written += a.name + "=\"";
    for (char c : a.value) written += c == '"' ? std::string("\"\"") : std::string(1, c);
    written += "\" ";
  }
  std::vector<PropertyAssignment> again;
  if (!ParsePropertyCommandLine(written, again, &error) || again.size() != assignments.size()) std::abort();
  for (size_t i = 0; i < again.size(); ++i)
    if (again[i].name != assignments[i].name || again[i].value != assignments[i].value) std::abort();
  return 0;
}
