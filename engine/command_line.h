// The engine's command line.
//
// Arguments are split by Windows' rules (platform/win_command_line.h).
//
// Elements, tested on each argument after argument 0:
//   switch    := ("/" | "-") name            name compared without case:
//                "s" | "qn"                  silent run
//                "update" | "updatesetup"    no splash at start-up
//   "/l=", "-l=" anywhere in the argument    trace log path (first such argument)
//   "/p=", "-p=" anywhere in the argument    source folder (first such argument)
//   "/g=" anywhere in the argument           deployment path (first such argument)
//   "/m=" anywhere in the argument           media path (first such argument)
//   NAME=VALUE  argument not starting with "/" or "-" and holding "=": variable NAME
//               (upper-cased, text before the first "=") gets VALUE (the rest, may be empty)
// The value of "/l=", "/p=", "/g=" and "/m=" is the lower-cased argument without its first
// three characters. Anything else is ignored.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "platform/win_command_line.h"

namespace quillset::engine {

struct CommandLine {
  std::string text;  // the raw command line without the program name (CMDLINE)
  bool silent = false;
  bool no_splash = false;  // "update" or "updatesetup"
  std::string trace_log;
  std::string source_folder;
  std::string deployment_path;
  std::string media_path;
  // The command-line override list: upper-cased names and their values, in order.
  std::vector<std::pair<std::string, std::string>> variables;
};

using platform::SplitCommandLine;

// The command line without the program name: a leading quoted name with both quotes and the
// one character after them, otherwise everything up to and including the first blank
// (everything when there is no blank).
std::string StripProgramName(std::string_view command_line);

CommandLine ParseCommandLine(std::string_view command_line);

}  // namespace quillset::engine
