// A setup project as the builder reads and writes it: everything the compiled script holds,
// plus where the setup's other files come from.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillset::build {

struct Statement {
  std::string command;                   // as written; a disabled one compiles as "Comment"
  std::vector<std::string> parameters;   // empty: the statement has no parameter record
  std::optional<std::string> identifier;  // fixed identifier, else a fresh GUID
  std::optional<std::string> header;      // fixed command header, else fresh when installer-side
  std::string media;                      // web media block the statement needs, or empty
  bool disabled = false;
  int line = 0;                           // project line, for messages
};

struct Project {
  std::string file;  // the project file, for messages and relative paths

  std::string base = "setup";
  std::string package;  // relative to the project folder
  std::string support;  // relative to the project folder
  int package_line = 0;
  int support_line = 0;

  std::optional<std::string> product_code;   // nullopt: generate
  std::optional<std::string> revision_code;  // nullopt: generate
  std::string title;
  int media_mode = 1;
  bool language_dialog = false;
  std::string default_language = "English";

  std::string company, contact, help_link, update_link, comments, version;

  std::vector<std::string> plugin_commands;
  std::vector<std::string> web_media_passwords;   // pairs: block, protected password
  std::vector<std::string> component_definitions;  // pairs: name, size
  std::vector<std::string> web_media_files;       // triples: block, path, subfolder
  std::vector<std::string> compiler_variables;    // pairs: name, value

  std::vector<Statement> statements;
};

}  // namespace quillset::build
