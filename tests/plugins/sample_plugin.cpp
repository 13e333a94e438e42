// A plug-in as authors write them: it reads the variables, reports progress and hands back
// the variables with its own additions. Parameter "fail" answers -1, "empty" an empty result,
// "drop:NAME" hands back the variables without NAME, "progress:N" reports N steps (stopping
// at the first one answered 0) and hands back how many went on as PLUGIN_STEPS.
#include <cstdlib>
#include <cstring>
#include <string>

#include "quillset/plugin.h"
#include "vars/variable_store.h"

namespace {

std::string Result(const char* variables, const char* parameter, int32_t (*progress)(int32_t, const char*)) {
  std::string wanted = parameter;
  if (wanted == "empty") return std::string();
  std::vector<std::string> lines = quillset::vars::SplitSnapshotText(variables);
  std::vector<std::string> kept;
  for (size_t i = 0; i + 1 < lines.size(); i += 2) {
    if (wanted.rfind("drop:", 0) == 0 && lines[i] == wanted.substr(5)) continue;
    kept.push_back(lines[i]);
    kept.push_back(lines[i + 1]);
  }
  if (wanted.rfind("progress:", 0) == 0) {
    int steps = std::atoi(wanted.c_str() + 9), went_on = 0;
    for (int k = 1; k <= steps && progress(k % 101, ("step " + std::to_string(k)).c_str()); ++k) ++went_on;
    kept.push_back("PLUGIN_STEPS");
    kept.push_back(std::to_string(went_on));
  }
  int32_t go_on = progress(50, "half way");
  kept.push_back("PLUGIN_PARAMETER");
  kept.push_back(wanted);
  kept.push_back("PLUGIN_GO_ON");
  kept.push_back(std::to_string(go_on));
  return quillset::vars::JoinSnapshotLines(kept);
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int32_t RunTimeExecute(
    uint32_t, const char* variables, const char* parameter, int32_t (*progress)(int32_t, const char*), int32_t*,
    char* buffer) {
  if (std::strcmp(parameter, "fail") == 0) return -1;
  std::string result = Result(variables, parameter, progress);
  if (buffer) std::memcpy(buffer, result.c_str(), result.size() + 1);
  return static_cast<int32_t>(result.size());
}
