#include "commands/cache_data.h"

#include <algorithm>
#include <array>
#include <optional>

#include "script/text_lines.h"
#include "vars/text_case.h"

namespace quillset::commands {
namespace {

constexpr std::string_view kArchitecturePair = "KVOR64WOW";
constexpr std::string_view kPartEnd = "$";
constexpr size_t kListParts = 6;  // the five component lists and the definitions

void AppendLine(std::string& text, std::string_view line) { text.append(line).append("\r\n"); }

void AppendPart(std::string& text, const std::vector<std::string>& lines) {
  for (const auto& line : lines) AppendLine(text, line);
  AppendLine(text, kPartEnd);
}

}  // namespace

void AddPersistedVariable(std::vector<std::string>& persisted, const std::string& name) {
  if (std::none_of(persisted.begin(), persisted.end(),
                   [&](const std::string& kept) { return vars::EqualsIgnoreCase(kept, name); }))
    persisted.push_back(name);
}

std::string FormatCacheVariables(const CacheDataState& state) {
  std::string text;
  for (const auto& name : state.persisted_variables) {
    AppendLine(text, name);
    AppendLine(text, vars::EncodeNewlines(state.variables.GetVariable(name)));
  }
  AppendLine(text, kArchitecturePair);
  AppendLine(text, state.architecture_mode);
  AppendLine(text, "OVERRIDECACHE");
  AppendLine(text, state.variables.GetVariable("OVERRIDECACHE"));
  return text;
}

std::string FormatCacheData(const CacheDataState& state, const std::string& data_folder_line) {
  const ComponentModel& model = state.components;
  std::string text;
  AppendPart(text, model.names());
  AppendPart(text, model.states());
  AppendPart(text, model.deleted());
  AppendPart(text, model.hidden());
  AppendPart(text, model.locked());
  AppendPart(text, model.definitions());
  for (const char* name : {"TARGETDIR", "ALLUSERS", "STARTMENU"}) AppendLine(text, state.variables.GetVariable(name));
  AppendLine(text, data_folder_line);
  return text + FormatCacheVariables(state);
}

std::string ReadCacheData(std::string_view text, CacheDataRead mode, CacheDataState& state) {
  script::LineReader reader(text);
  std::array<std::vector<std::string>, kListParts> parts;
  size_t part = 0;
  std::optional<std::string_view> line;
  while (part < kListParts && (line = reader.Next())) {
    if (*line == kPartEnd) ++part;
    else parts[part].emplace_back(*line);
  }

  ComponentModel& model = state.components;
  if (mode == CacheDataRead::kMerge) {
    model.MergeLists(parts[0], parts[1], parts[2], parts[3], parts[4]);
  } else {
    model.AppendLists(parts[0], parts[1], parts[2], parts[3], parts[4]);
    if (mode == CacheDataRead::kLoad)
      for (size_t i = 0; i + 1 < parts[5].size(); i += 2) model.AddDefinition(parts[5][i], parts[5][i + 1]);
  }
  if (part < kListParts) return std::string();

  auto define = [&](std::string_view name, std::string_view value) {
    state.variables.SetVariable(name, value, kLoadComponentsContext);
  };
  for (const char* name : {"TARGETDIR", "ALLUSERS", "STARTMENU"}) {
    if (!(line = reader.Next())) return std::string();
    define(name, *line);
  }
  std::string data_folder;
  if ((line = reader.Next()) && mode != CacheDataRead::kMerge) data_folder = std::string(*line);

  bool after_architecture = false;
  while (auto name = reader.Next()) {
    auto value = reader.Next();
    if (!value) break;
    if (*name == kArchitecturePair) {
      state.architecture_mode = std::string(*value);
      after_architecture = true;
      continue;
    }
    define(*name, *value);
    if (!after_architecture) AddPersistedVariable(state.persisted_variables, std::string(*name));
    after_architecture = false;
  }
  return data_folder;
}

}  // namespace quillset::commands
