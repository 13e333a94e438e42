// The engine cache data: the text in which a run's component model and kept variables are saved
// for later runs, and in which the script saves and loads feature selections. CR LF lines:
//   1-5  component names, their states, deleted, hidden and locked names, each part ended by "$"
//   6    the component definitions, ended by "$"
//   7-10 TARGETDIR, ALLUSERS, STARTMENU, the data folder (empty in feature selections)
//   11   name and value of every persisted variable, line breaks written as "$NEWLINE$"
//   12   "KVOR64WOW" and the architecture mode
//   13   "OVERRIDECACHE" and its value
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/component_model.h"
#include "vars/variable_store.h"

namespace quillset::commands {

// Everything the data is written from and read into.
struct CacheDataState {
  ComponentModel& components;
  vars::VariableStore& variables;
  std::vector<std::string>& persisted_variables;  // in the order first seen
  std::string& architecture_mode;
};

// The assignment context of the variables read from the data.
inline constexpr std::string_view kLoadComponentsContext = "LoadComponents";

// All thirteen parts from the current state.
std::string FormatCacheData(const CacheDataState& state, const std::string& data_folder_line);
// Parts 11 to 13 alone, for rewriting the variables of an existing file.
std::string FormatCacheVariables(const CacheDataState& state);

enum class CacheDataRead {
  kLoad,                    // parts 1-6 appended to the model
  kLoadWithoutDefinitions,  // parts 1-5 appended, the definitions dropped
  kMerge,                   // a feature selection: states of defined components, lists replaced
};

// Reads the data into the state; answers the data folder line (empty when merging). Parts
// missing from a short text are left alone.
std::string ReadCacheData(std::string_view text, CacheDataRead mode, CacheDataState& state);

// Adds a name to the persisted variables unless it is there already (without regard to case).
void AddPersistedVariable(std::vector<std::string>& persisted, const std::string& name);

}  // namespace quillset::commands
