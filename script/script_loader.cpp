#include <charconv>
#include <utility>

#include "script/loaded_script.h"
#include "script/text_lines.h"
#include "vars/text_case.h"

namespace quillset::script {
namespace {

constexpr int kSectionCount = 11;

bool IsTextByte(unsigned char c) {
  return c >= 0x20 ? c != 0x7F : c == '\t' || c == '\r' || c == '\n';
}

std::string HexByte(unsigned char c) {
  constexpr char kDigits[] = "0123456789ABCDEF";
  return std::string("0x") + kDigits[c >> 4] + kDigits[c & 0xF];
}

// Reads the sections in order; each call fails once the text has ended or holds a byte that is
// no text, and the first failure's reason is kept.
class ScriptReader {
 public:
  explicit ScriptReader(std::string_view text) : lines_(text) {}

  bool Line(std::string& out) {
    size_t offset = lines_.position();
    auto line = lines_.Next();
    if (!line) {
      error_ = "The setup script is incomplete: it ends in section " + std::to_string(section_) +
               " of " + std::to_string(kSectionCount);
      return false;
    }
    for (size_t i = 0; i < line->size(); ++i) {
      auto c = static_cast<unsigned char>((*line)[i]);
      if (!IsTextByte(c)) {
        error_ = "The setup script holds a byte that is no text (" + HexByte(c) +
                 " at offset " + std::to_string(offset + i) + ")";
        return false;
      }
    }
    out.assign(*line);
    return true;
  }

  // Lines up to the "$" line that ends the current section.
  bool Section(std::vector<std::string>& out) {
    std::string line;
    while (Line(line)) {
      if (line == "$") {
        ++section_;
        return true;
      }
      out.push_back(std::move(line));
    }
    return false;
  }

  bool Fail(std::string error) {
    error_ = std::move(error);
    return false;
  }

  const std::string& error() const { return error_; }

 private:
  LineReader lines_;
  int section_ = 1;
  std::string error_;
};

bool ParseDecimal(const std::string& text, int32_t& value) {
  const char* begin = text.data();
  const char* end = begin + text.size();
  if (begin != end && *begin == '+') {
    ++begin;
    if (begin != end && *begin == '-') return false;
  }
  auto [stop, status] = std::from_chars(begin, end, value);
  return status == std::errc() && stop == end;
}

bool ReadMediaMode(ScriptReader& reader, int32_t& mode) {
  std::string line;
  if (!reader.Line(line)) return false;
  if (!ParseDecimal(line, mode)) {
    return reader.Fail("The setup script is damaged: its media mode \"" + line +
                       "\" is no decimal number");
  }
  return true;
}

bool ReadLanguageFlag(ScriptReader& reader, bool& flag) {
  std::string line;
  if (!reader.Line(line)) return false;
  flag = line == "TRUE";
  return true;
}

bool CheckPerStatement(ScriptReader& reader, const LoadedScript& script) {
  const std::pair<int, const std::vector<std::string>*> sections[] = {
      {2, &script.identifiers}, {4, &script.disabled_flags}, {7, &script.statement_media}};
  for (auto [number, lines] : sections) {
    if (lines->size() != script.statement_count()) {
      return reader.Fail("The setup script is damaged: it has " +
                         std::to_string(script.statement_count()) + " statements but " +
                         std::to_string(lines->size()) + " lines in section " +
                         std::to_string(number));
    }
  }
  return true;
}

// "$" alone would end the section, so the compiler writes a lone "$" parameter as a marker.
void RestoreDollarsAndIndex(LoadedScript& script) {
  // Only lines that equal an identifier are ever looked up by one.
  std::vector<size_t> first = script.identifier_index.Build(script.identifiers);
  std::vector<size_t> last_line(script.identifiers.size(), std::string::npos);
  // Records come in statement order as the compiler writes them: the next statement's
  // identifier is tried first, which spares most lookups in the index.
  size_t next = 0;
  for (size_t i = 0; i < script.parameter_text.size(); ++i) {
    std::string& line = script.parameter_text[i];
    if (vars::EqualsIgnoreCase(line, "$WILD_DOLLAR$") || vars::EqualsIgnoreCase(line, "$DOLLAR$")) line = "$";
    size_t statement = IdentifierIndex::kNone;
    if (next < first.size() && vars::EqualsIgnoreCase(line, script.identifiers[next])) {
      statement = first[next];
    } else {
      statement = script.identifier_index.Find(script.identifiers, line);
    }
    if (statement == IdentifierIndex::kNone) continue;
    last_line[statement] = i;
    next = statement + 1;
  }
  script.parameter_line.resize(script.identifiers.size());
  for (size_t n = 0; n < first.size(); ++n) script.parameter_line[n] = last_line[first[n]];
  for (size_t i = 1; i < script.command_headers.size(); i += 2) {
    script.header_index.insert_or_assign(script.command_headers[i], i);
  }
}

}  // namespace

LoadResult LoadScript(std::string_view text) {
  LoadResult result;
  LoadedScript& s = result.script;
  ScriptReader r(text);
  result.ok = r.Section(s.commands) && r.Section(s.identifiers) &&
              r.Section(s.parameter_text) && r.Section(s.disabled_flags) &&
              r.Line(s.product_code) && r.Line(s.title) && r.Section(s.plugin_commands) &&
              r.Line(s.company) && r.Line(s.contact) && r.Line(s.help_link) &&
              r.Line(s.update_link) && r.Line(s.comments) && r.Line(s.version) &&
              r.Section(s.web_media_passwords) && r.Section(s.statement_media) &&
              ReadMediaMode(r, s.media_mode) && r.Section(s.component_definitions) &&
              r.Line(s.revision_code) && r.Section(s.web_media_files) &&
              ReadLanguageFlag(r, s.language_dialog) && r.Line(s.default_language) &&
              r.Section(s.command_headers) && r.Section(s.compiler_variables) &&
              CheckPerStatement(r, s);
  if (!result.ok) {
    result.error = r.error();
    result.script = LoadedScript();
    return result;
  }
  s.script_title = s.title;
  RestoreDollarsAndIndex(s);
  return result;
}

}  // namespace quillset::script
