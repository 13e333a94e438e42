// The property list of an installer command line, read in one pass.
#include "platform/posix/installer/language/property_command_line.h"

#include <string_view>

namespace quillset::platform::posix::installer {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
  return false;
}

}  // namespace

bool ParsePropertyCommandLine(const std::string& text, std::vector<PropertyAssignment>& assignments,
                              std::string* error) {
  std::vector<PropertyAssignment> parsed;
  std::string_view line = text;
  size_t i = 0;
  while (true) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    size_t start = i;
    while (i < line.size() && !IsBlank(line[i]) && line[i] != '=' && line[i] != '"') ++i;
    std::string name(line.substr(start, i - start));
    if (i >= line.size() || line[i] != '=') {
      if (i < line.size() && line[i] == '"')
        return Fail(error, "a property name holds a double quote at position " + std::to_string(i + 1));
      // A long stray word is cut short: the text goes to a log line.
      std::string shown = name.size() > 40 ? name.substr(0, 40) + "..." : name;
      return Fail(error, "\"" + shown + "\" is no NAME=VALUE pair");
    }
    if (name.empty()) return Fail(error, "a property without a name at position " + std::to_string(i + 1));
    ++i;  // the "="
    std::string value;
    bool quoted = false;
    size_t quote_start = 0;
    for (; i < line.size() && (quoted || !IsBlank(line[i])); ++i) {
      if (line[i] != '"') {
        value += line[i];
      } else if (!quoted) {
        quoted = true;
        quote_start = i;
      } else if (i + 1 < line.size() && line[i + 1] == '"') {
        value += '"';
        ++i;
      } else {
        quoted = false;
      }
    }
    if (quoted)
      return Fail(error, "the value of " + name + " has a quote at position " +
                             std::to_string(quote_start + 1) + " that is not closed");
    parsed.push_back({std::move(name), std::move(value)});
  }
  assignments = std::move(parsed);
  return true;
}

}  // namespace quillset::platform::posix::installer
