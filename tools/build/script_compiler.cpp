#include "tools/build/script_compiler.h"

#include <algorithm>
#include <set>
#include <vector>

#include "tools/build/build_error.h"
#include "tools/build/command_table.h"

namespace quillset::build {
namespace {

std::string Upper(std::string text) {
  for (char& c : text)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return text;
}

void CheckParameterCount(const Project& project, const Statement& statement) {
  bool plugin = std::find(project.plugin_commands.begin(), project.plugin_commands.end(),
                          statement.command) != project.plugin_commands.end();
  auto count = FixedParameterCount(statement.command, plugin);
  if (count && *count != statement.parameters.size())
    throw BuildError(project.file, statement.line,
                     "\"" + statement.command + "\" takes " + std::to_string(*count) +
                         " parameters, not " + std::to_string(statement.parameters.size()));
}

void CheckBlocks(const Project& project) {
  std::vector<const Statement*> open;
  for (const Statement& statement : project.statements) {
    if (statement.disabled) continue;
    if (OpensBlock(statement.command)) {
      open.push_back(&statement);
    } else if (statement.command == "End") {
      if (open.empty()) throw BuildError(project.file, statement.line, "this End closes no block");
      open.pop_back();
    }
  }
  if (!open.empty())
    throw BuildError(project.file, open.back()->line,
                     "this " + open.back()->command + " has no End");
}

// Fixed identifiers and headers first, so that fresh ones can avoid them.
void CollectFixed(const Project& project, std::set<std::string>& identifiers,
                  std::set<std::string>& headers) {
  for (const Statement& statement : project.statements) {
    if (statement.identifier && !identifiers.insert(Upper(*statement.identifier)).second)
      throw BuildError(project.file, statement.line,
                       "identifier " + *statement.identifier + " is used twice");
    if (statement.header && !headers.insert(Upper(*statement.header)).second)
      throw BuildError(project.file, statement.line,
                       "command header " + *statement.header + " is used twice");
  }
}

std::string Fresh(std::set<std::string>& used, const auto& draw) {
  for (;;) {
    std::string candidate = draw();
    if (used.insert(Upper(candidate)).second) return candidate;
  }
}

void EndSection(std::vector<std::string>& lines) { lines.push_back("$"); }

void Append(std::vector<std::string>& lines, const std::vector<std::string>& more) {
  lines.insert(lines.end(), more.begin(), more.end());
}

}  // namespace

std::string CompileScript(const Project& project, IdentitySource& identities) {
  std::set<std::string> used_identifiers, used_headers;
  CollectFixed(project, used_identifiers, used_headers);
  for (const Statement& statement : project.statements) CheckParameterCount(project, statement);
  CheckBlocks(project);

  std::vector<std::string> identifiers, headers;
  for (const Statement& statement : project.statements) {
    identifiers.push_back(statement.identifier
                              ? *statement.identifier
                              : Fresh(used_identifiers, [&] { return identities.Guid(); }));
    if (statement.header)
      headers.push_back(*statement.header);
    else if (!statement.disabled && IsInstallerSide(statement.command))
      headers.push_back(Fresh(used_headers, [&] { return identities.Header(); }));
    else
      headers.emplace_back();
  }

  std::vector<std::string> lines;
  for (const Statement& statement : project.statements)
    lines.push_back(statement.disabled ? "Comment" : statement.command);
  EndSection(lines);
  Append(lines, identifiers);
  EndSection(lines);
  for (size_t n = 0; n < project.statements.size(); ++n) {
    const auto& parameters = project.statements[n].parameters;
    if (parameters.empty()) continue;
    lines.push_back(identifiers[n]);
    // A lone "$" would end the section; the loader turns the marker back into "$".
    for (const std::string& parameter : parameters)
      lines.push_back(parameter == "$" ? "$DOLLAR$" : parameter);
  }
  EndSection(lines);
  for (const Statement& statement : project.statements)
    lines.push_back(statement.disabled ? "C" : "");
  EndSection(lines);

  lines.push_back(project.product_code.value_or(identities.Guid()));
  lines.push_back(project.title);
  Append(lines, project.plugin_commands);
  EndSection(lines);
  Append(lines, {project.company, project.contact, project.help_link, project.update_link,
                 project.comments, project.version});
  Append(lines, project.web_media_passwords);
  EndSection(lines);
  for (const Statement& statement : project.statements) lines.push_back(statement.media);
  EndSection(lines);
  lines.push_back(std::to_string(project.media_mode));
  Append(lines, project.component_definitions);
  EndSection(lines);
  lines.push_back(project.revision_code.value_or(identities.Guid()));
  Append(lines, project.web_media_files);
  EndSection(lines);
  lines.push_back(project.language_dialog ? "TRUE" : "FALSE");
  lines.push_back(project.default_language);
  for (size_t n = 0; n < headers.size(); ++n) {
    if (headers[n].empty()) continue;
    lines.push_back(headers[n]);
    lines.push_back(std::to_string(n));
  }
  EndSection(lines);
  Append(lines, project.compiler_variables);
  EndSection(lines);

  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

}  // namespace quillset::build
