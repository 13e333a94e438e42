#include "tools/build/project_writer.h"

#include "tools/build/command_table.h"
#include "tools/build/text_tokens.h"

namespace quillset::build {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool StartsLikeMarkup(const std::string& text) {
  return !text.empty() && (text[0] == '"' || text[0] == '#' || text[0] == '[');
}

// The rest of a line: only blanks at either end and markup at the start need quotes.
std::string ValueText(const std::string& text) {
  bool quote = StartsLikeMarkup(text) || (!text.empty() && (IsBlank(text.front()) || IsBlank(text.back())));
  return quote ? Quote(text) : text;
}

// One text among others on a line: blanks anywhere, "=" and emptiness need quotes as well.
std::string WordText(const std::string& text) {
  bool quote = text.empty() || StartsLikeMarkup(text) ||
               text.find_first_of(" \t=") != std::string::npos;
  return quote ? Quote(text) : text;
}

std::string CommandText(const std::string& text) {
  bool quote = text.empty() || StartsLikeMarkup(text) || IsBlank(text.front()) ||
               IsBlank(text.back()) || text.find_first_of("\"@") != std::string::npos;
  return quote ? Quote(text) : text;
}

class Writer {
 public:
  void Section(const char* name) { out_ += std::string(out_.empty() ? "" : "\n") + "[" + name + "]\n"; }
  void Setting(const char* key, const std::string& value) {
    out_ += std::string(key) + (value.empty() ? " =\n" : " = " + ValueText(value) + "\n");
  }
  // Groups of size words a line; a short last group is filled with empty texts.
  void Tuples(const std::vector<std::string>& items, size_t size) {
    for (size_t i = 0; i < items.size(); i += size) {
      std::string line;
      for (size_t k = 0; k < size; ++k)
        line += (k ? " " : "") + Quote(i + k < items.size() ? items[i + k] : "");
      out_ += line + "\n";
    }
  }
  void Raw(const std::string& text) { out_ += text; }
  std::string Take() { return std::move(out_); }

 private:
  std::string out_;
};

std::string StatementLine(const Statement& statement, int depth) {
  std::string line(static_cast<size_t>(depth) * 2, ' ');
  line += CommandText(statement.command);
  for (const std::string& parameter : statement.parameters) line += " " + Quote(parameter);
  if (statement.identifier) line += " @id=" + WordText(*statement.identifier);
  if (statement.header) line += " @header=" + *statement.header;
  if (!statement.media.empty()) line += " @media=" + WordText(statement.media);
  if (statement.disabled) line += " @disabled";
  return line + "\n";
}

}  // namespace

std::string WriteProject(const Project& project, const std::string& heading_comment) {
  Writer w;
  w.Raw("# " + heading_comment + "\n");
  w.Section("setup");
  w.Setting("base", project.base);
  w.Setting("package", project.package);
  w.Setting("support", project.support);

  w.Section("product");
  w.Setting("code", project.product_code.value_or("generate"));
  w.Setting("revision", project.revision_code.value_or("generate"));
  w.Setting("title", project.title);
  w.Setting("media-mode", std::to_string(project.media_mode));
  w.Setting("language-dialog", project.language_dialog ? "true" : "false");
  w.Setting("default-language", project.default_language);

  w.Section("publisher");
  w.Setting("company", project.company);
  w.Setting("contact", project.contact);
  w.Setting("help-link", project.help_link);
  w.Setting("update-link", project.update_link);
  w.Setting("comments", project.comments);
  w.Setting("version", project.version);

  w.Section("plugins");
  for (const std::string& name : project.plugin_commands) w.Raw(ValueText(name) + "\n");
  w.Section("web-media-passwords");
  w.Tuples(project.web_media_passwords, 2);
  w.Section("components");
  w.Tuples(project.component_definitions, 2);
  w.Section("web-media-files");
  w.Tuples(project.web_media_files, 3);
  w.Section("compiler-variables");
  for (size_t i = 0; i < project.compiler_variables.size(); i += 2) {
    std::string value = i + 1 < project.compiler_variables.size() ? project.compiler_variables[i + 1] : "";
    w.Raw(WordText(project.compiler_variables[i]) + (value.empty() ? " =\n" : " = " + ValueText(value) + "\n"));
  }

  w.Section("statements");
  // An End closes the block it ends; Else and Else If stand at the level of their If.
  int depth = 0;
  for (const Statement& statement : project.statements) {
    const std::string& command = statement.disabled ? std::string() : statement.command;
    int indent = depth;
    if (command == "End" && depth > 0)
      indent = --depth;
    else if (ContinuesBlock(command) && depth > 0)
      indent = depth - 1;
    w.Raw(StatementLine(statement, indent));
    if (OpensBlock(command)) ++depth;
  }
  return w.Take();
}

}  // namespace quillset::build
