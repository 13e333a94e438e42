// Builds setups on disk for the process tests: the engine with a raw script appended, its
// resource archive made with 7z, a package file, zep.lib beside it; and runs them under a
// fresh prefix.
#pragma once

#include <string>
#include <vector>

#include "tests/support/test_support.h"

namespace quillset::testing {

// The eleven sections of a script; each gets its closing "$" line. Lines end CR LF.
std::string ComposeScript(const std::vector<std::vector<std::string>>& sections);

// A script with the given statements (command, identifier, parameters) and otherwise plain
// sections; media_mode is the first line of the component section.
struct Statement {
  std::string command;
  std::vector<std::string> parameters;
  std::string header = "";  // command header, empty for none
  bool disabled = false;    // flag "C"; the command is written as given
};
std::string ScriptOf(const std::vector<Statement>& statements,
                     const std::string& product_code = "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}",
                     const std::vector<std::string>& plugin_commands = {}, int media_mode = 1);

class SetupFolder {
 public:
  // Makes <root>/setup/ holding "setup" (the engine, script appended when not empty) and
  // zep.lib.
  SetupFolder(const TempDir& root, const std::string& script);
  // Packs the files (relative path -> content) into setup.res.
  void AddResources(const std::vector<std::pair<std::string, std::string>>& files);
  void AddFile(const std::string& name, const std::string& content);
  const std::string& folder() const { return folder_; }
  std::string engine() const { return folder_ + "/setup"; }

 private:
  std::string folder_;
  std::string staging_;
};

struct EngineRun {
  ProcessResult process;
  std::string trace;                 // the trace log, decoded to 8-bit text
  std::vector<std::string> trace_lines;
};

// Runs the setup with the arguments under the prefix; the trace log goes to <prefix>/trace.log
// unless the arguments name one.
EngineRun RunSetup(const SetupFolder& setup, const std::string& prefix, std::vector<std::string> arguments);

// UTF-16LE bytes (no byte-order mark) to UTF-8.
std::string Utf16LeToUtf8(const std::string& bytes);

// Lines of a CR LF text (a final CR LF does not start another line).
std::vector<std::string> SplitCrLf(const std::string& text);

}  // namespace quillset::testing
