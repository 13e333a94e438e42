// An installer run: the installer thread prepares the package and its property exchange file,
// composes the installer's command line and calls the installer service, while the main thread
// waits in the worker wait loop. Progress and cancel travel through the reserved variables.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "msi/installer_messages.h"
#include "platform/installer.h"
#include "platform/platform.h"
#include "script/message_table.h"
#include "ui/progress.h"
#include "vars/variable_store.h"

namespace quillset::msi {

// Written by the main thread before the installer thread starts.
struct InstallerRunInputs {
  bool patch_mode = false;
  std::string package_path;
  std::string target_folder;  // path expansion of TARGETDIR
  bool install = false;       // install or advertise; false removes
  bool advertise = false;
  std::string product_code;
  std::string parameter_text;  // the parameter-file list as snapshot text
  std::string variables_text;  // SaveVariables
  std::string data_folder;
  std::string registered_setup_folder;
  // The product's engine cache folder holds the advertisement marker "__ad".
  bool advertised_marker = false;
  // The trace log: its path (empty for none), and how a line is appended to it.
  std::string trace_log_path;
  std::function<void(const std::string& line)> write_trace_line;
  std::string window_caption;
  // The package edits made before the installer starts: the pending property list (not in
  // patch mode), then the platform and word-count edits.
  std::function<void()> apply_pending_properties;
  std::function<void()> apply_platform_edits;
};

struct InstallerRunOutputs {
  bool error = false;
  bool reboot = false;
  std::string result_message;
  platform::UINT result_code = 0;
};

// The folders the installer thread derives, each with a trailing backslash.
struct InstallerFolders {
  std::string package_folder;
  std::string data_folder;
  std::string media_folder;
  std::string media_package_path;
  std::string source_list;
  bool package_blank = false;  // Q: no short form, or it still holds a blank
  bool data_blank = false;     // S
};

// What the command line depends on besides the folders.
struct CommandLineFacts {
  bool patch_mode = false;
  bool install = false;
  bool advertise = false;
  bool product_installed = false;  // product state 5
  bool advertised_marker = false;
  bool all_users = false;          // ALLUSERS is exactly "TRUE"
  bool disable_rollback = false;   // KVOR_DISABLE_ROLLBACK is exactly "TRUE"
  bool disable_restart_manager = false;
  bool nt_family = true;
  std::string target_folder;
};

std::string ComposeCommandLine(const CommandLineFacts& facts, const InstallerFolders& folders);

// The property exchange file's records: name line, value lines, "$ex". Reserved installer
// properties among the variables are left out. quiet and caption are taken from SILENT and TITLE.
std::string PropertyExchangeText(const InstallerRunInputs& inputs, const InstallerFolders& folders,
                                 const vars::VariableStore& store, bool& quiet, std::string& caption);

// Whether a variable name is one of the installer's own properties (never handed to it).
bool IsReservedInstallerProperty(const std::string& name);

// The system's text of a result code, its trailing blanks, control characters and dots removed.
std::string InstallerResultText(platform::UINT code);

class InstallerRun {
 public:
  InstallerRun(platform::Platform& platform, vars::VariableStore& variables, ui::Progress& progress,
               const script::MessageTable& messages, InstallerProgressState& progress_state)
      : platform_(platform),
        variables_(variables),
        progress_(progress),
        messages_(messages),
        handler_(platform.dialogs, messages, progress, progress_state) {}

  // Runs the installer on its thread and waits for it. progress_dialog_path: the definition
  // whose folder becomes the current folder meanwhile (may be empty). Answers 1 success, 2
  // success with a reboot required, 0 cancelled, -1 failed; outputs() tells the rest.
  int Run(const InstallerRunInputs& inputs, const std::string& progress_dialog_path);
  const InstallerRunOutputs& outputs() const { return outputs_; }
  // The folders of the last run (for the trace and tests).
  const InstallerFolders& folders() const { return folders_; }
  const std::string& last_command_line() const { return command_line_; }

 private:
  void Execute(const InstallerRunInputs& inputs);
  void RemoveStaleTemporaryPackages(const std::string& product_code);
  InstallerFolders DeriveFolders(const InstallerRunInputs& inputs);
  std::vector<std::string> LogSection(const InstallerRunInputs& inputs) const;
  platform::UINT CallInstaller(platform::InstallerFunctions& msi, const InstallerRunInputs& inputs,
                               const std::string& command_line);
  // Repeats a call while it answers 1618, reporting the dots of the wait, until a cancel.
  platform::UINT WhileBusy(const std::function<platform::UINT()>& call);
  bool Cancelled() const;
  void Finish();

  platform::Platform& platform_;
  vars::VariableStore& variables_;
  ui::Progress& progress_;
  const script::MessageTable& messages_;
  InstallerMessageHandler handler_;
  InstallerRunOutputs outputs_;
  InstallerFolders folders_;
  std::string command_line_;
};

}  // namespace quillset::msi
