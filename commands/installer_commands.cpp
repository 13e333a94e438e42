#include "commands/installer_commands.h"

#include <memory>

#include "msi/installer_run.h"
#include "platform/win_path.h"
#include "vars/text_case.h"

namespace quillset::commands {
namespace {

constexpr size_t kLocateSourcesMessage = 17;
constexpr size_t kSourcesNotFoundMessage = 18;
constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

InstallerCommandContext& Context(Statement& statement) {
  InstallerCommandContext* context = statement.services.installer;
  if (!context) throw std::runtime_error("The installer service is not available in this run");
  return *context;
}

bool IsTrueVariable(const vars::VariableStore& variables, const char* name) {
  return vars::IsTrue(variables.GetVariable(name));
}

// The result variable of a statement: nothing when the parameter is empty; created under the
// upper-case name when it does not exist.
void StoreResult(Statement& statement, const std::string& parameter, const std::string& value) {
  if (parameter.empty()) return;
  vars::VariableStore& variables = statement.services.variables;
  if (!variables.Exists(parameter)) variables.SetVariable(vars::UpperCase(parameter), "", statement.Context());
  variables.SetVariable(parameter, value, statement.Context());
}

// Sources missing: asks for them unless the run cannot ask; false when it gives up.
bool LocateSources(Statement& statement, InstallerCommandContext& context, const std::string& package_name) {
  EngineServices& s = statement.services;
  if (s.variables.silent() || !context.browse_for_folder) return false;
  platform::FileSystem& files = s.platform.files;
  for (;;) {
    std::string folder = context.browse_for_folder(s.messages.Get(kLocateSourcesMessage));
    if (folder.empty()) return false;
    folder = platform::IncludeTrailingBackslash(folder);
    if (files.FileExists(folder + package_name)) {
      *context.data_folder = folder;
      return true;
    }
    if (files.FileExists(folder + "data\\" + package_name)) {
      *context.data_folder = folder + "data\\";
      return true;
    }
  }
}

void ApplyChangesOrPatch(Statement& statement, bool patch) {
  EngineServices& s = statement.services;
  InstallerCommandContext& context = Context(statement);
  vars::VariableStore& variables = s.variables;
  platform::FileSystem& files = s.platform.files;
  const std::string result_parameter = statement.Parameter(patch ? 1 : 2);
  const bool install = !patch && vars::IsTrue(statement.Parameter(3));
  const bool remove = !patch && !install && vars::IsTrue(statement.Parameter(4));

  std::string registered = RegisteredSetupFolder(s);
  if (!context.source_folder.empty()) registered = platform::IncludeTrailingBackslash(context.source_folder);
  const std::string msi_file = variables.GetVariable("MSIFILE");
  const std::string package_name = platform::ExtractFileName(msi_file);
  std::string& data_folder = *context.data_folder;
  const int32_t media_mode = s.script.media_mode;
  if (media_mode == 3 && !files.FileExists(registered + package_name) && files.FileExists(data_folder + package_name))
    registered = data_folder;
  const bool missing = media_mode == 3 ? !files.FileExists(registered + package_name)
                                       : !files.FileExists(data_folder + package_name);
  if (missing) {
    bool go_on = (!IsTrueVariable(variables, "MAINTENANCE") && !patch) || media_mode == 2 || (!patch && !install);
    if (!go_on && !LocateSources(statement, context, package_name)) {
      variables.SetVariable("LASTERROR", s.messages.Get(kSourcesNotFoundMessage), "Apply Changes Action");
      if (!result_parameter.empty()) {
        std::string name = vars::StripReference(result_parameter);
        variables.SetVariable(name.empty() ? result_parameter : name, "CANCEL", statement.Context());
      }
      return;
    }
  }
  if (media_mode == 2) {
    if (!context.prepare_offline_media) throw std::runtime_error("The offline media cannot be prepared in this run");
    context.prepare_offline_media();
  }
  const std::string temp = variables.GetVariable("TEMPDIR");
  s.pending_properties.emplace_back("MSINTEMP", temp);
  s.parameter_file.push_back("MSINTEMP");
  s.parameter_file.push_back(temp);

  msi::InstallerRunInputs inputs;
  std::string progress_dialog;
  if (patch) {
    data_folder = registered;
    inputs.patch_mode = true;
    inputs.package_path = platform::ExtractFilePath(msi_file) + platform::ChangeFileExt(package_name, ".msp");
  } else {
    if (s.localization.active()) {
      s.pending_properties.emplace_back("ProductLanguage", std::to_string(script::LanguageIdOfName(s.localization.current_language())));
      if (context.apply_language_edits) context.apply_language_edits(msi_file);
    }
    inputs.package_path = msi_file;
    progress_dialog = context.support_folder + statement.Parameter(1) + ".dfm";
    inputs.advertise = !install && !remove;
    // An advertisement goes to the installer as an installation that only advertises: with the
    // install flag false it would be composed as a removal.
    inputs.install = install || inputs.advertise;
  }
  inputs.target_folder = variables.ExpandPath(variables.GetVariable("TARGETDIR"));
  inputs.product_code = variables.GetVariable("PRODUCTCODE");
  inputs.parameter_text = vars::JoinSnapshotLines(s.parameter_file);
  inputs.variables_text = variables.SaveVariables();
  inputs.data_folder = data_folder;
  inputs.registered_setup_folder = registered;
  inputs.advertised_marker = context.advertised_marker && context.advertised_marker();
  inputs.trace_log_path = context.trace_log_path ? context.trace_log_path() : std::string();
  inputs.write_trace_line = context.write_trace_line;
  inputs.window_caption = context.window_caption ? context.window_caption() : std::string();
  const std::string package = inputs.package_path;
  if (context.apply_pending_properties)
    inputs.apply_pending_properties = [&context, package] { context.apply_pending_properties(package); };
  if (context.apply_platform_edits)
    inputs.apply_platform_edits = [&context, package] { context.apply_platform_edits(package); };

  msi::InstallerRun run(s.platform, variables, s.progress, s.messages, context.progress_state);
  const int result = run.Run(inputs, progress_dialog);
  const std::string context_name = statement.Context();
  if (!run.outputs().result_message.empty()) variables.SetVariable("LASTERROR", run.outputs().result_message, context_name);
  if (!result_parameter.empty()) {
    const char* outcome = result == 1 ? "COMPLETE" : result == 2 ? "REBOOT" : result == 0 ? "CANCEL" : "ERROR";
    if (result == 2) variables.SetVariable("REBOOTCOMPUTER", "TRUE", context_name);
    StoreResult(statement, result_parameter, outcome);
  }
  if (!patch && (result == 1 || result == 2) && context.changes_applied) context.changes_applied(install, remove);
}

void ApplyChanges(Statement& statement) { ApplyChangesOrPatch(statement, false); }
void ApplyPatch(Statement& statement) { ApplyChangesOrPatch(statement, true); }

void IsMsiSetupInstalled(Statement& statement) {
  EngineServices& s = statement.services;
  const std::string name = statement.Parameter(2);
  if (!s.variables.Exists(name)) s.variables.SetVariable(vars::UpperCase(name), "", statement.Context());
  platform::InstallerFunctions* msi = s.platform.installer.Bind();
  const std::string product = s.variables.ExpandPath(statement.Parameter(1));
  bool installed = msi && msi->MsiQueryProductStateA &&
                   msi->MsiQueryProductStateA(product.c_str()) == platform::msi::kStateDefault;
  s.variables.SetVariable(name, vars::BoolText(installed), "MsiQueryProductState");
}

}  // namespace

std::string RegisteredSetupFolder(EngineServices& s) {
  const bool machine = vars::IsTrue(s.variables.GetVariable("ALLUSERS")) || !s.platform.system.GetOsVersion().nt_family;
  std::unique_ptr<platform::RegistryKey> key;
  if (s.platform.registry.OpenKey(machine ? platform::RootKey::kLocalMachine : platform::RootKey::kCurrentUser,
                                  kUninstallKey + s.variables.GetVariable("TITLE"), platform::kKeyRead,
                                  &key) != platform::kRegOk)
    return std::string();
  platform::RegistryValue value;
  if (key->QueryValue("UninstallString", &value) != platform::kRegOk) return std::string();
  std::string command = value.data.substr(0, value.data.find('\0'));
  size_t quote = command.find('"');
  if (quote != std::string::npos) command.erase(0, quote + 1);
  size_t next = command.find('"');
  if (next != std::string::npos) command.erase(next);
  return platform::ExtractFilePath(command);
}

void RegisterInstallerCommands(CommandTable& table) {
  table.Add("Apply Changes", ApplyChanges);
  table.Add("Apply Patch", ApplyPatch);
  table.Add("Is MSI Setup Installed", IsMsiSetupInstalled);
}

}  // namespace quillset::commands
