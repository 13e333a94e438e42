#include "script/loaded_script.h"

#include <algorithm>
#include <functional>
#include <stdexcept>
#include <utility>

#include "script/text_lines.h"
#include "vars/text_case.h"

namespace quillset::script {
namespace {

struct FoldedHash {
  size_t operator()(char c) const { return static_cast<unsigned char>(vars::FoldCase(c)); }
};
struct FoldedEqual {
  bool operator()(char a, char b) const { return vars::FoldCase(a) == vars::FoldCase(b); }
};

// Replaces every occurrence of needle in text, letters compared without regard to case. Once a
// replacement would take the text beyond max_length, the rest stays as it is.
void ReplaceIgnoreCase(std::string& text, const std::string& needle, const std::string& value,
                       size_t max_length) {
  const std::boyer_moore_horspool_searcher search(needle.begin(), needle.end(), FoldedHash(),
                                                  FoldedEqual());
  auto found = std::search(text.cbegin(), text.cend(), search);
  if (found == text.cend()) return;
  std::string result;
  auto start = text.cbegin();
  size_t total = text.size();  // the length the result will have
  for (; found != text.cend(); found = std::search(start, text.cend(), search)) {
    if (value.size() > needle.size() && total + (value.size() - needle.size()) > max_length) break;
    total = total + value.size() - needle.size();
    result.append(start, found);
    result += value;
    start = found + static_cast<std::ptrdiff_t>(needle.size());
  }
  result.append(start, text.cend());
  text = std::move(result);
}

}  // namespace

namespace {

std::string LineBelow(const std::vector<std::string>& text, size_t line, size_t k) {
  if (line >= text.size() || k >= text.size() - line) return {};
  return text[line + k];
}

}  // namespace

std::string LoadedScript::Parameter(std::string_view identifier, size_t k) const {
  size_t statement = identifier_index.Find(identifiers, identifier);
  if (statement != IdentifierIndex::kNone) return StatementParameter(statement, k);
  // Not a statement's identifier: look for the line itself.
  for (size_t line = parameter_text.size(); line-- > 0;)
    if (vars::EqualsIgnoreCase(parameter_text[line], identifier)) return LineBelow(parameter_text, line, k);
  return {};
}

std::string LoadedScript::StatementParameter(size_t statement, size_t k) const {
  if (statement >= parameter_line.size()) return {};
  return LineBelow(parameter_text, parameter_line[statement], k);
}

std::string LoadedScript::CommandHeader(size_t statement) const {
  auto it = header_index.find(std::to_string(statement));
  if (it == header_index.end()) return {};
  return command_headers[it->second - 1];
}

std::string LoadedScript::RequiredCommandHeader(size_t statement) const {
  std::string header = CommandHeader(statement);
  if (header.empty()) {
    throw std::runtime_error("Unable to obtain command headers. Please rebuild your project.");
  }
  return header;
}

std::string LoadedScript::ExpandCompilerVariables(const std::string& text) const {
  std::string current = text;
  for (size_t round = 0; round < kMaxExpansionRounds; ++round) {
    if (current.find('#') == std::string::npos) return current;
    std::string next = current;
    for (size_t i = 0; i + 1 < compiler_variables.size(); i += 2) {
      ReplaceIgnoreCase(next, "#" + compiler_variables[i] + "#", compiler_variables[i + 1],
                        kMaxExpandedLength);
    }
    if (next.find('$') == std::string::npos || next == current) return next;
    current = std::move(next);
  }
  return current;
}

std::string LoadedScript::WebMediaPassword(std::string_view block) const {
  for (size_t i = 0; i + 1 < web_media_passwords.size(); i += 2) {
    if (vars::EqualsIgnoreCase(web_media_passwords[i], block)) return web_media_passwords[i + 1];
  }
  return {};
}

}  // namespace quillset::script
