// Engine cache data read back by a maintenance run: any text is refused with CacheDataError or
// read without a fault; what was read has sizes that sum, keeps its content when written and
// read again, and survives the variables-only rewrite.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/maintenance_data.h"

namespace {

using quillset::commands::CacheDataRead;

struct Loaded {
  quillset::commands::ComponentModel model;
  quillset::vars::VariableStore store;
  std::vector<std::string> persisted;
  std::string architecture = "Win32";
  quillset::commands::CacheDataState state{model, store, persisted, architecture};
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset;
  const std::string text(reinterpret_cast<const char*>(data), size);
  for (CacheDataRead mode : {CacheDataRead::kLoad, CacheDataRead::kLoadWithoutDefinitions, CacheDataRead::kMerge}) {
    Loaded first;
    first.model.DefineComponent("A", "", true);
    try {
      engine::ParseMaintenanceData(text, mode, first.state);
    } catch (const engine::CacheDataError&) {
      continue;
    }
    (void)first.model.SelectedSize();  // every size was checked: this must not throw
    if (auto rewritten = engine::RewriteMaintenanceVariables(text, first.state)) {
      Loaded again;
      engine::ParseMaintenanceData(*rewritten, mode, again.state);
    }
    if (mode != CacheDataRead::kLoad) continue;
    const std::string written = commands::FormatCacheData(first.state, "");
    Loaded second;
    engine::ParseMaintenanceData(written, mode, second.state);
    if (commands::FormatCacheData(second.state, "") != written) std::abort();
  }
  return 0;
}
