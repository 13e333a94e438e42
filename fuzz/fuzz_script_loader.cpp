// LoadScript over arbitrary text, then the lookups every statement makes on what it loaded:
// parameters of each statement, command headers and compiler variable expansion.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "script/loaded_script.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using quillset::script::LoadedScript;
  std::string_view text(reinterpret_cast<const char*>(data), size);
  quillset::script::LoadResult result = quillset::script::LoadScript(text);
  if (result.ok != result.error.empty()) std::abort();
  const LoadedScript& script = result.script;
  for (size_t n = 0; n < script.statement_count(); ++n) {
    const std::string& identifier = script.identifiers[n];
    for (size_t k = 0; k < 4; ++k) script.Parameter(identifier, k);
    script.CommandHeader(n);
    // One expansion may cost rounds x pairs x the length limit; a few show every path.
    if (n >= 4) continue;
    std::string parameter = script.Parameter(identifier, 1);
    std::string expanded = script.ExpandCompilerVariables(parameter);
    if (expanded.size() > std::max(parameter.size(), LoadedScript::kMaxExpandedLength)) std::abort();
  }
  for (size_t i = 0; i < script.compiler_variables.size() && i < 4; ++i) {
    script.ExpandCompilerVariables(script.compiler_variables[i]);
  }
  for (const std::string& line : script.web_media_passwords) script.WebMediaPassword(line);
  return 0;
}
