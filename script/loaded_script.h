// The setup script appended to the engine: eleven sections of CR LF text, each ending with a
// line that is exactly "$". Loaded once at start-up into parallel lists; parameter and command
// header lookups are hashed, built in the same pass that reads the script.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "script/identifier_index.h"

namespace quillset::script {

struct LoadedScript {
  std::vector<std::string> commands;         // section 1, one per statement
  std::vector<std::string> identifiers;      // section 2, one per statement
  std::vector<std::string> parameter_text;   // section 3, all lines
  std::vector<std::string> disabled_flags;   // section 4, one per statement
  std::string product_code;                  // section 5
  std::string title;
  std::string script_title;
  std::vector<std::string> plugin_commands;
  std::string company, contact, help_link, update_link, comments, version;  // section 6
  std::vector<std::string> web_media_passwords;   // pairs: block name, protected password
  std::vector<std::string> statement_media;       // section 7, one per statement
  int32_t media_mode = 1;                         // section 8
  std::vector<std::string> component_definitions;
  std::string revision_code;                      // section 9
  std::vector<std::string> web_media_files;       // triples
  bool language_dialog = false;                   // section 10
  std::string default_language;
  std::vector<std::string> command_headers;       // pairs: header, statement number
  std::vector<std::string> compiler_variables;    // section 11, pairs: name, value

  // Compiler variable expansion re-expands its result while that holds "$" and changed, so a
  // value that refers to itself would grow without end: expansion stops after this many rounds
  // and never lets a replacement grow the text beyond this length. What is left stays as it is.
  static constexpr size_t kMaxExpansionRounds = 32;
  static constexpr size_t kMaxExpandedLength = size_t{1} << 16;

  size_t statement_count() const { return commands.size(); }

  // Parameter k of the statement with this identifier: the line k lines below the last line of
  // the parameter text that equals the identifier without regard to case. Parameter 0 is the
  // identifier line itself. Empty past the end of the text or when no line equals it.
  std::string Parameter(std::string_view identifier, size_t k) const;
  // The same for statement n, found through the position noted at load time.
  std::string StatementParameter(size_t statement, size_t k) const;
  // The command header of statement n: the line before the number line n of the header list,
  // or empty. When a number is listed twice the last pair counts, as for parameter records.
  std::string CommandHeader(size_t statement) const;
  // The same, but an empty result throws "Unable to obtain command headers. Please rebuild
  // your project." (std::runtime_error).
  std::string RequiredCommandHeader(size_t statement) const;
  // The text with every #NAME# compiler variable replaced (names without regard to case).
  std::string ExpandCompilerVariables(const std::string& text) const;
  // The stored protected password of the first pair whose block name equals this one without
  // regard to case, or empty. The "offline" fallback is the caller's choice.
  std::string WebMediaPassword(std::string_view block) const;

  // Built by LoadScript: the statements by identifier, and per statement the last position of
  // a parameter line equal to its identifier without regard to case (npos when none is).
  IdentifierIndex identifier_index;
  std::vector<size_t> parameter_line;
  // Every statement number line of the header list (the second line of each pair) to its last
  // position; a header that happens to read as a number is never taken for one.
  std::unordered_map<std::string, size_t> header_index;
};

struct LoadResult {
  bool ok = false;
  std::string error;  // a clear reason when the text is no complete script
  LoadedScript script;
};

// Reads the script text in one pass. Refused, with the reason in error: a text that ends before
// its eleventh "$" line, that holds a byte that is no text (a control character other than tab,
// CR and LF; bytes from 0x80 up are text) before that line, whose media mode is no decimal
// integer, or whose sections 2, 4 and 7 do not hold one line per statement. Whatever follows
// the eleventh "$" line is ignored unread (a signature may follow the script).
LoadResult LoadScript(std::string_view text);

}  // namespace quillset::script
