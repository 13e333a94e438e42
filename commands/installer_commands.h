// "Apply Changes", "Apply Patch" and "Is MSI Setup Installed": the statements that hand the
// installation to the installer service.
#pragma once

#include <functional>
#include <string>

#include "commands/statement.h"
#include "msi/installer_messages.h"

namespace quillset::commands {

// What the installer statements need from the engine beyond the common services; filled by
// the engine once per run. Hooks left empty are features this run does not have.
struct InstallerCommandContext {
  msi::InstallerProgressState progress_state;  // kept for the whole process
  std::string source_folder;                   // "/p=" of the command line, empty when none
  std::string* data_folder = nullptr;          // the engine's data folder, with a trailing backslash
  std::string support_folder;
  std::function<std::string()> trace_log_path;
  std::function<void(const std::string& line)> write_trace_line;
  std::function<std::string()> window_caption;
  // The product's engine cache folder holds the advertisement marker "__ad".
  std::function<bool()> advertised_marker;
  // After a successful "Apply Changes" (its parameters 3 and 4): the engine cache is written or
  // removed.
  std::function<void(bool install, bool remove)> changes_applied;
  // Package edits before the installer starts (the package's Windows path is given).
  std::function<void(const std::string& package)> apply_pending_properties;
  std::function<void(const std::string& package)> apply_platform_edits;
  std::function<void(const std::string& package)> apply_language_edits;
  // Media preparation of the offline block in media mode 2; throws with the message to show.
  std::function<void()> prepare_offline_media;
  // The folder browser asking for the original sources; empty when the user closes it.
  std::function<std::string(const std::string& title)> browse_for_folder;
};

void RegisterInstallerCommands(CommandTable& table);

// The folder of the product's registered uninstall command, with a trailing backslash; empty
// when there is none.
std::string RegisteredSetupFolder(EngineServices& services);

}  // namespace quillset::commands
