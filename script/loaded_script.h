// The setup script appended to the engine: eleven sections of CR LF text, each ending with a
// line that is exactly "$". Loaded once at start-up into parallel lists; parameter lookup is
// hashed by statement identifier (the last record of an identifier wins).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace quillset::script {

struct LoadedScript {
  std::vector<std::string> commands;         // section 1, one per statement
  std::vector<std::string> identifiers;      // section 2
  std::vector<std::string> parameter_text;   // section 3, all lines
  std::vector<std::string> disabled_flags;   // section 4
  std::string product_code;                  // section 5
  std::string title;
  std::string script_title;
  std::vector<std::string> plugin_commands;
  std::string company, contact, help_link, update_link, comments, version;  // section 6
  std::vector<std::string> web_media_passwords;   // pairs
  std::vector<std::string> statement_media;       // section 7, one per statement
  int32_t media_mode = 1;                         // section 8
  std::vector<std::string> component_definitions;
  std::string revision_code;                      // section 9
  std::vector<std::string> web_media_files;       // triples
  bool language_dialog = false;                   // section 10
  std::string default_language;
  std::vector<std::string> command_headers;       // pairs: header, statement number
  std::vector<std::string> compiler_variables;    // section 11, pairs

  size_t statement_count() const { return commands.size(); }

  // Parameter k of the statement with this identifier; empty when there is no record.
  std::string Parameter(std::string_view identifier, size_t k) const;
  // The 8-digit command header of statement n, or empty.
  std::string CommandHeader(size_t statement) const;
  // The text with every #NAME# compiler variable replaced (bounded when values refer to
  // themselves).
  std::string ExpandCompilerVariables(const std::string& text) const;
  // The stored protected password of a web media block, or empty.
  std::string WebMediaPassword(std::string_view block) const;

  // Built by LoadScript: parameter-text line of each identifier (upper-cased key), and the
  // header position of each statement number.
  std::unordered_map<std::string, size_t> parameter_index;
  std::unordered_map<std::string, size_t> header_index;
};

struct LoadResult {
  bool ok = false;
  std::string error;  // a clear reason when the text is no complete script
  LoadedScript script;
};

// Reads the script text. A text that ends before its eleventh "$" line or holds bytes that are
// no text (NUL and other control characters besides tab, CR and LF) is refused.
LoadResult LoadScript(std::string_view text);

}  // namespace quillset::script
