#include "engine/command_line.h"

#include <algorithm>
#include <cctype>

#include "vars/text_case.h"

namespace quillset::engine {
namespace {

std::string Lower(std::string_view text) {
  std::string result(text);
  std::transform(result.begin(), result.end(), result.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  return result;
}


bool IsSwitch(std::string_view argument, std::string_view name) {
  return argument.size() == name.size() + 1 && (argument[0] == '/' || argument[0] == '-') &&
         Lower(argument.substr(1)) == name;
}

// The first argument whose lower-cased text contains one of the markers, as its value.
void TakeFirst(const std::vector<std::string>& arguments, std::initializer_list<std::string_view> markers,
               std::string& value) {
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string lower = Lower(arguments[i]);
    for (std::string_view marker : markers) {
      if (lower.find(marker) != std::string::npos) {
        value = lower.substr(3);  // a match holds at least the three marker characters
        return;
      }
    }
  }
}

}  // namespace

std::string StripProgramName(std::string_view line) {
  if (!line.empty() && line[0] == '"') {
    size_t close = line.find('"', 1);
    if (close == std::string_view::npos) return std::string();
    size_t rest = close + 2;  // the quote and the one character after it
    return rest >= line.size() ? std::string() : std::string(line.substr(rest));
  }
  size_t blank = line.find(' ');
  return blank == std::string_view::npos ? std::string() : std::string(line.substr(blank + 1));
}

CommandLine ParseCommandLine(std::string_view line) {
  CommandLine result;
  result.text = StripProgramName(line);
  std::vector<std::string> arguments = SplitCommandLine(line);
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (IsSwitch(argument, "s") || IsSwitch(argument, "qn")) result.silent = true;
    if (IsSwitch(argument, "update") || IsSwitch(argument, "updatesetup")) result.no_splash = true;
  }
  TakeFirst(arguments, {"/g="}, result.deployment_path);
  TakeFirst(arguments, {"/m="}, result.media_path);
  TakeFirst(arguments, {"/l=", "-l="}, result.trace_log);
  TakeFirst(arguments, {"/p=", "-p="}, result.source_folder);
  for (size_t i = 1; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (argument.empty() || argument[0] == '/' || argument[0] == '-') continue;
    size_t equals = argument.find('=');
    if (equals == std::string::npos) continue;
    result.variables.emplace_back(vars::UpperCase(argument.substr(0, equals)), argument.substr(equals + 1));
  }
  return result;
}

}  // namespace quillset::engine
