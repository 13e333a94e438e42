// The snapshot text a plug-in hands back: it must load without a fault, and what the store
// holds afterwards must survive a save and a load unchanged.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "vars/variable_store.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset::vars;
  std::string text(reinterpret_cast<const char*>(data), size);
  VariableStore store;
  store.LoadVariables(text);
  std::string saved = store.SaveVariables();
  VariableStore again;
  again.LoadVariables(saved);
  std::vector<std::string> first, second;
  store.manager().GetAll(first);
  again.manager().GetAll(second);
  if (first.size() != second.size()) std::abort();
  for (size_t i = 0; i + 1 < first.size(); i += 2)
    if (again.GetVariable(first[i]) != first[i + 1]) std::abort();
  return 0;
}
