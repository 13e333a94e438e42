#include "platform/win_command_line.h"

namespace quillset::platform {
namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

}  // namespace

std::vector<std::string> SplitCommandLine(std::string_view line) {
  std::vector<std::string> arguments;
  size_t i = 0;
  // Argument 0: no escapes, quotes only delimit.
  std::string program;
  if (i < line.size() && line[i] == '"') {
    size_t end = line.find('"', i + 1);
    program = std::string(line.substr(i + 1, end == std::string_view::npos ? std::string_view::npos : end - i - 1));
    i = end == std::string_view::npos ? line.size() : end + 1;
  }
  while (i < line.size() && !IsBlank(line[i])) program += line[i++];
  arguments.push_back(program);

  for (;;) {
    while (i < line.size() && IsBlank(line[i])) ++i;
    if (i >= line.size()) break;
    std::string argument;
    bool quoted = false;
    while (i < line.size() && (quoted || !IsBlank(line[i]))) {
      if (line[i] == '\\') {
        size_t backslashes = 0;
        while (i < line.size() && line[i] == '\\') ++backslashes, ++i;
        if (i < line.size() && line[i] == '"') {
          argument.append(backslashes / 2, '\\');
          if (backslashes % 2 == 1) {
            argument += '"';
            ++i;
          }
        } else {
          argument.append(backslashes, '\\');
        }
      } else if (line[i] == '"') {
        if (quoted && i + 1 < line.size() && line[i + 1] == '"') {
          argument += '"';
          i += 2;
        } else {
          quoted = !quoted;
          ++i;
        }
      } else {
        argument += line[i++];
      }
    }
    arguments.push_back(std::move(argument));
  }
  return arguments;
}

}  // namespace quillset::platform
