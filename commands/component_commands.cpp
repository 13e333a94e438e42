#include "commands/component_commands.h"

#include <stdexcept>

#include "commands/cache_data.h"
#include "platform/file_system.h"

namespace quillset::commands {
namespace {

// Parameter k expanded, then translated in slot s while a language is in use.
std::string Translated(const Statement& statement, size_t k, size_t slot) {
  return statement.Translate(statement.services.variables.Expand(statement.Parameter(k)), slot);
}

bool TruthAsStored(const Statement& statement, size_t k) { return vars::IsTrue(statement.Parameter(k)); }

ComponentModel& Model(Statement& statement) { return statement.services.components; }

void DefineComponent(Statement& statement) {
  ComponentModel& model = Model(statement);
  std::string name = Translated(statement, 1, 1);
  std::string description = Translated(statement, 3, 2);
  // The size is defined under the name as written; it is found under the translated name too.
  int64_t size = model.GetComponentSize(statement.services.variables.Expand(statement.Parameter(1)));
  if (size != 0) model.AddDefinition(name, std::to_string(size));
  model.DefineComponent(name, description, TruthAsStored(statement, 2));
}

void DeleteComponent(Statement& statement) { Model(statement).DeleteComponent(Translated(statement, 1, 1)); }

void GetComponentState(Statement& statement) {
  if (statement.Parameter(2).empty()) return;
  bool selected = Model(statement).GetComponentState(Translated(statement, 1, 1));
  statement.Assign(statement.ResultVariable(statement.Parameter(2)), vars::BoolText(selected));
}

void SetComponentState(Statement& statement) {
  Model(statement).SetComponentState(Translated(statement, 1, 1), TruthAsStored(statement, 2));
}

void GetComponentSpace(Statement& statement) {
  if (statement.Parameter(2).empty()) return;
  const ComponentModel& model = Model(statement);
  std::string name = Translated(statement, 1, 1);
  int64_t bytes = name.empty() ? model.RequiredSpace() : model.GetComponentSize(name);
  statement.Assign(statement.ResultVariable(statement.Parameter(2)), std::to_string(bytes));
}

void SetComponentSpace(Statement& statement) {
  Model(statement).SetComponentSpace(Translated(statement, 1, 1),
                                     statement.services.variables.Expand(statement.Parameter(2)));
}

void SetComponentChoice(Statement& statement) {
  Model(statement).SetComponentChoice(Translated(statement, 1, 1), TruthAsStored(statement, 2));
}

void SetComponentVisibility(Statement& statement) {
  Model(statement).SetComponentVisibility(Translated(statement, 1, 1), TruthAsStored(statement, 2));
}

CacheDataState DataState(Statement& statement) {
  auto& s = statement.services;
  return {s.components, s.variables, s.persisted_variables, s.architecture_mode};
}

// The engine cache data in full, without the data folder, which belongs to the installation.
void SaveFeatureSelections(Statement& statement) {
  std::string path = statement.services.variables.Expand(statement.Parameter(1));
  std::string text = FormatCacheData(DataState(statement), "");
  // A selection that was not saved must not pass for one that was.
  if (!platform::WriteWholeFile(statement.services.platform.files, path, text))
    throw std::runtime_error("Unable to write " + path);
}

void LoadFeatureSelections(Statement& statement) {
  auto& files = statement.services.platform.files;
  std::string path = statement.services.variables.Expand(statement.Parameter(1));
  if (!files.FileExists(path)) return;
  auto text = platform::ReadWholeFile(files, path);
  if (!text) throw std::runtime_error("Unable to read " + path);
  CacheDataState state = DataState(statement);
  ReadCacheData(*text, CacheDataRead::kMerge, state);
}

}  // namespace

void RegisterComponentCommands(CommandTable& table) {
  table.Add("Define Component", DefineComponent);
  table.Add("Delete Component", DeleteComponent);
  table.Add("Get Component State", GetComponentState);
  table.Add("Set Component State", SetComponentState);
  table.Add("Get Component Space", GetComponentSpace);
  table.Add("Set Component Space", SetComponentSpace);
  table.Add("Set Component Choice", SetComponentChoice);
  table.Add("Set Component Visibility", SetComponentVisibility);
  table.Add("Save Feature Selections", SaveFeatureSelections);
  table.Add("Load Feature Selections", LoadFeatureSelections);
}

}  // namespace quillset::commands
