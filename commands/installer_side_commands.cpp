#include "commands/installer_side_commands.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace quillset::commands {
namespace {

// Parameter property k (its position in the rule + 1) takes the statement's parameter, expanded
// and, with a slot, translated.
struct PropertySource {
  size_t parameter;
  size_t slot = 0;  // 0: not translated
  bool tilde_to_null = false;
};

enum class Edit { kNone, kShortcut, kFileType };

struct Rule {
  std::string_view command;
  std::vector<PropertySource> properties;
  Edit edit = Edit::kNone;
  // "Write Registry" records a parameter only when its stored text refers to a variable.
  bool only_with_reference = false;
};

const std::vector<Rule>& Rules() {
  static const std::vector<Rule> rules = {
      {"Create Folder", {{1}}},
      {"Delete Files", {{1}}},
      {"Copy/Move Local Files", {{1}, {3}}},
      {"Edit INI File", {{1}, {4}, {5}, {6}}},
      {"Set Environment", {{2}}},
      {"Write Registry", {{3}, {4}, {5}}, Edit::kNone, true},
      {"Create File Type", {{1, 1}, {2}, {3, 2}, {4}, {5}}},
      {"Advertised File Type", {}, Edit::kFileType},
      {"Create Shortcut", {{3}, {1}, {5}, {6}}, Edit::kShortcut},
      {"Advertised Shortcut", {{3}, {1}, {5}, {6}}, Edit::kShortcut},
      {"Control Service", {{1, 1}, {2}}},
      {"Install Files", {{3}}},
      {"Install Assembly", {{3}}},
      {"Install ODBC Driver", {{4}}},
      {"Create ODBC DSN", {}},
      {"Install Service",
       {{2}, {4, 1}, {5, 2}, {9, 4}, {10, 5, true}, {13}, {14}, {15}, {6, 3}}},
  };
  return rules;
}

const Rule& RuleOf(const std::string& command) {
  const auto& rules = Rules();
  return *std::find_if(rules.begin(), rules.end(), [&](const Rule& rule) { return rule.command == command; });
}

std::string Translated(const Statement& statement, size_t k, size_t slot) {
  std::string text = statement.services.variables.Expand(statement.Parameter(k));
  return slot == 0 ? text : statement.Translate(text, slot);
}

void ReplaceAll(std::string& text, std::string_view from, std::string_view to) {
  for (size_t at = 0; (at = text.find(from, at)) != std::string::npos; at += to.size()) text.replace(at, from.size(), to);
}

void RecordProperty(EngineServices& services, const std::string& name, const std::string& value) {
  std::string encoded = vars::EncodeNewlines(value);
  services.pending_properties.emplace_back(name, encoded);
  services.parameter_file.push_back(name);
  services.parameter_file.push_back(std::move(encoded));
}

void AddEdit(Statement& statement, const std::string& header, Edit edit) {
  auto& edits = statement.services.package_edits;
  if (edit == Edit::kShortcut) {
    std::string name = Translated(statement, 2, 1);
    std::string description = Translated(statement, 4, 2);
    edits.shortcuts.insert(edits.shortcuts.end(), {"P" + header + "_1", ShortcutNameLine(name), description});
  } else if (edit == Edit::kFileType) {
    std::string prog_id = Translated(statement, 1, 1);
    std::string description = Translated(statement, 3, 2);
    edits.file_types.insert(edits.file_types.end(), {statement.Parameter(1), prog_id, description});
  }
}

void RecordInstallerSideStatement(Statement& statement) {
  const Rule& rule = RuleOf(statement.command());
  auto& services = statement.services;

  std::vector<std::string> texts;
  for (const PropertySource& source : rule.properties) {
    texts.push_back(Translated(statement, source.parameter, source.slot));
    if (source.tilde_to_null) ReplaceAll(texts.back(), "~", "$NULL$");
  }
  const std::string header = services.script.RequiredCommandHeader(statement.number);

  AddEdit(statement, header, rule.edit);
  if (statement.number < services.deferral.size()) services.deferral[statement.number] = "TRUE";
  RecordProperty(services, "A" + header, "TRUE");
  for (size_t i = 0; i < rule.properties.size(); ++i) {
    if (rule.only_with_reference && statement.Parameter(rule.properties[i].parameter).find('$') == std::string::npos)
      continue;
    RecordProperty(services, "P" + header + "_" + std::to_string(i + 1), services.variables.ExpandPath(texts[i]));
  }
}

}  // namespace

std::string ShortcutNameLine(const std::string& name) {
  std::string_view first = std::string_view(name).substr(0, 6);
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  while (!first.empty() && blank(first.front())) first.remove_prefix(1);
  while (!first.empty() && blank(first.back())) first.remove_suffix(1);
  return std::string(first) + "~1|" + name;
}

void RegisterInstallerSideCommands(CommandTable& table) {
  for (const Rule& rule : Rules()) table.Add(std::string(rule.command), RecordInstallerSideStatement);
}

}  // namespace quillset::commands
