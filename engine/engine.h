// The engine context: the process-wide state of one engine run, owned per concern and passed
// by reference. Tests may build several, each over its own platform.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "commands/installer_commands.h"
#include "commands/random.h"
#include "commands/statement.h"
#include "engine/command_line.h"
#include "engine/trace_log.h"
#include "media/seven_zip_wrap.h"
#include "msi/instance_transform.h"
#include "platform/platform.h"
#include "script/compiler.h"
#include "script/loaded_script.h"
#include "script/localization.h"
#include "script/message_table.h"
#include "ui/progress.h"
#include "vars/variable_store.h"

namespace quillset::engine {

// Exit codes of start-up.
enum ExitCode : int {
  kExitRuntimeError = 11,
  kExitNoScript = 13,
  kExitResourceNotFound = 14,
  kExitResourceDecompression = 15,
  kExitDatabaseNotFound = 16,
  kExitCompileFailure = 314,
};

// Folders and files fixed at start-up.
struct StartupState {
  std::string engine_path;         // the running executable
  std::string engine_folder;       // with trailing backslash
  std::string engine_base_name;    // file name without extension
  std::string temp_folder;         // with trailing backslash
  std::string resource_archive;    // engine folder + base name + ".res"
  std::string support_folder;      // temp folder + "zep" + N + "\", empty until created
  std::string installer_package;   // support folder + base name + ".msi"
  std::string data_folder;         // engine folder + "data\"
  size_t dialog_count = 0;         // enabled "Display Dialog" statements, preloaded at start-up
};

// State that every script run starts afresh.
struct RunState {
  // OVERRIDECACHE as last applied to the engine cache; empty when none is.
  std::string applied_cache_override;
  // The installed product's cache folder name taken from its uninstall entry (patch builds,
  // media mode 3); empty where the revision code names it.
  std::string patch_folder_name;
  // ENGINECACHE and UNINSTALLLINK as last derived: the registry is read again when the
  // variables they depend on change, and otherwise at most once a second.
  struct CacheVariables {
    std::string inputs, folder, link;
    uint64_t second = 0;
  } cache_variables;
  bool cache_writing_suppressed = false;
  bool cache_fully_written = false;
  std::string architecture_mode = "Win32";
  std::string root_folder;
  std::string script_product_code;
  // The label list and the per-statement deferral list of the compilation.
  script::CompileTables compiled;
  // Installer properties waiting to be written into the package, in order.
  commands::PropertyList pending_properties;
  // Variables kept for maintenance runs, in the order first seen.
  std::vector<std::string> persisted_variables;
  // The parameter file's lines: alternating property name and value.
  std::vector<std::string> parameter_file;
  // Shortcut and file type texts recorded for the package.
  commands::PackageEdits package_edits;
  // The product identity of the run and what a new instance has done to the package.
  msi::InstanceState instance;
};

class Engine {
 public:
  explicit Engine(platform::Platform& platform);

  platform::Platform& platform;
  CommandLine command_line;
  TraceLog trace;
  script::MessageTable messages;
  script::LoadedScript script;
  StartupState startup;
  RunState run;
  vars::VariableStore variables;
  // The component model; its definitions come with the script and live for the process.
  commands::ComponentModel components;
  ui::Progress progress{variables};
  media::SevenZipWrap archives;
  script::Localization localization;
  commands::RandomGenerator random;
  msi::RandomGuidSource guids;  // a new instance's codes and component identifiers
  commands::CommandTable commands;
  // What the installer statements reach of the engine; its progress state lives for the process.
  commands::InstallerCommandContext installer;
  std::string title;  // the TITLE variable as copied before every statement
  bool logo_caption = false;  // KVORLOGO as copied before every statement
  int exit_code = 0;
  // DATE and TIME as last formatted, and the second of the tick count they belong to.
  struct ClockTexts {
    uint64_t second = 0;
    std::string date, time;
  } clock_texts;

  bool silent() const { return variables.silent(); }
  // The caption of the engine's message boxes and windows.
  std::string WindowCaption() const;
  // An error message box; nothing is shown in silent runs.
  void ShowError(const std::string& text);
  // The text of message-table line n.
  const std::string& Message(size_t n) const { return messages.Get(n); }
};

// Runs the whole engine: start-up, the script, shutdown. Answers the process exit code.
int RunEngine(Engine& engine);

}  // namespace quillset::engine
