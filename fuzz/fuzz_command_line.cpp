// The engine's command line: any text parses without a fault, and every variable it yields has
// a name (the text before its first "=") in upper case.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/command_line.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  quillset::engine::CommandLine parsed = quillset::engine::ParseCommandLine(text);
  for (const auto& [name, value] : parsed.variables) {
    for (char c : name)
      if (c >= 'a' && c <= 'z') std::abort();
    if (name.find('=') != std::string::npos) std::abort();
  }
  if (parsed.text.size() > text.size()) std::abort();
  return 0;
}
