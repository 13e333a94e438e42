// Start-up, the script run and shutdown of one engine run.
#include <optional>
#include <stdexcept>

#include "engine/bootstrap.h"
#include "engine/engine.h"
#include "engine/engine_cache.h"
#include "engine/predefined_variables.h"
#include "engine/support_folder.h"
#include "commands/archive_commands.h"
#include "commands/component_commands.h"
#include "commands/instance_commands.h"
#include "commands/installer_commands.h"
#include "commands/installer_side_commands.h"
#include "commands/string_commands.h"
#include "interp/statement_loop.h"
#include "msi/package_edits.h"
#include "platform/win_path.h"
#include "script/compiler.h"
#include "script/image_locator.h"

namespace quillset::engine {
namespace {

// A start-up failure that ends the run at once with its exit code.
struct EndRun {
  int exit_code;
};

// The script does not compile: the process ends at once, leaving the support folder for the
// author to inspect.
struct HaltRun {
  int exit_code;
};

// The run ends early, writing the shutdown lines itself (setup medium removed while running).
struct TerminateRun {};

constexpr const char* kInternalUseOnly = "For internal use only";
constexpr const char* kRunKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run\\";

// Where the data appended to an executable image starts, and the file's size.
struct AppendedData {
  uint64_t offset = 0;
  uint64_t file_size = 0;
  bool present() const { return file_size > offset; }
};

AppendedData LocateAppendedData(platform::FileSystem& files, const std::string& path) {
  auto file = files.Open(path, platform::OpenMode::kRead);
  if (!file) throw std::runtime_error("Unable to open " + path);
  auto size = file->Size();
  if (!size) throw std::runtime_error("Unable to read " + path);
  script::ImageSize image = script::LocateImageEnd(script::FileReader(*file), *size);
  if (!image.size) throw std::runtime_error(path + ": " + image.error);
  return {*image.size, *size};
}

class EngineRun {
 public:
  explicit EngineRun(Engine& engine) : e_(engine), files_(engine.platform.files) {}

  int Run() {
    try {
      ProcessStartup();
    } catch (const std::exception& error) {
      e_.ShowError(e_.Message(script::kMsgRuntimeErrorInInstall) + error.what());
      return kExitRuntimeError;
    }
    try {
      try {
        StartupAndScript();
      } catch (const std::exception& error) {
        e_.ShowError(e_.Message(script::kMsgRuntimeErrorInInstall) + error.what());
        e_.exit_code = kExitRuntimeError;
      }
    } catch (const EndRun& end) {
      if (!e_.startup.support_folder.empty()) RemoveSupportFolder(files_, e_.startup.support_folder);
      return end.exit_code;
    } catch (const TerminateRun&) {
      return e_.exit_code;
    } catch (const HaltRun& halt) {
      return halt.exit_code;
    }
    Shutdown();
    return e_.exit_code;
  }

 private:
  void Trace(const char* line) { e_.trace.Write(line); }

  void Fail(const std::string& text, int exit_code) {
    e_.ShowError(text);
    throw EndRun{exit_code};
  }

  // Steps before the trace log opens: folders, the message table, the command line.
  void ProcessStartup() {
    auto& system = e_.platform.system;
    system.BindToFirstProcessor();
    auto& s = e_.startup;
    s.engine_path = system.ExecutablePath();
    s.engine_folder = platform::ExtractFilePath(s.engine_path);
    s.engine_base_name = platform::ChangeFileExt(platform::ExtractFileName(s.engine_path), "");
    s.temp_folder = platform::IncludeTrailingBackslash(system.TempFolder());
    files_.CreateDirectories(s.temp_folder);
    LoadLibraryMessages();
    s.resource_archive = s.engine_folder + s.engine_base_name + ".res";
    e_.command_line = ParseCommandLine(system.CommandLine());
    e_.variables.SetSilent(e_.command_line.silent);
    e_.variables.SetOverrides(e_.command_line.variables);
    e_.trace.SetPath(e_.command_line.trace_log);
  }

  // zep.lib may carry a message file after its image: the engine's texts in the build's language.
  void LoadLibraryMessages() {
    std::string library = e_.startup.engine_folder + "zep.lib";
    if (!files_.FileExists(library)) return;
    AppendedData appended;
    try {
      appended = LocateAppendedData(files_, library);
    } catch (const std::exception&) {
      return;  // an unreadable library fails later, where the archives need it
    }
    if (!appended.present()) return;
    std::string message_file = e_.startup.temp_folder + "lang.loc";
    if (platform::CopyFileTail(files_, library, appended.offset, message_file)) {
      if (auto text = platform::ReadWholeFile(files_, message_file))
        e_.messages.LoadMessageFile(*text, script::LanguageNameOfId(e_.platform.system.UserDefaultUiLanguage()));
    }
    files_.DeleteFile(message_file);
  }

  void StartupAndScript() {
    auto& s = e_.startup;
    Trace("<Quillset>");
    Trace("  <SetupSplash>");

    Trace("    <StubSize>");
    AppendedData appended = LocateAppendedData(files_, s.engine_path);
    if (!appended.present()) Fail(kInternalUseOnly, kExitNoScript);
    Trace("    </StubSize>");

    Trace("    <StubData>");
    std::string stub_file = s.temp_folder + "zep.tmp";
    if (!platform::CopyFileTail(files_, s.engine_path, appended.offset, stub_file)) {
      files_.DeleteFile(stub_file);
      throw std::runtime_error("Unable to copy the setup script to " + stub_file);
    }
    Trace("    </StubData>");

    Trace("    <GlobalLists>");
    auto text = platform::ReadWholeFile(files_, stub_file);
    files_.DeleteFile(stub_file);
    if (!text) throw std::runtime_error("Unable to read the setup script from " + stub_file);
    script::LoadResult loaded = script::LoadScript(*text);
    if (!loaded.ok) throw std::runtime_error(loaded.error);
    e_.script = std::move(loaded.script);
    e_.components.SetDefinitions(e_.script.component_definitions);
    Trace("    </GlobalLists>");

    Trace("    <SupportDir>");
    s.support_folder = CreateSupportFolder(files_, s.temp_folder);
    Trace("    </SupportDir>");

    Trace("    <ExtractArchive>");
    if (!files_.FileExists(s.resource_archive))
      Fail(e_.Message(script::kMsgSetupResourceNotFound), kExitResourceNotFound);
    std::string error;
    if (!e_.archives.ExtractArchiveFiles(s.resource_archive, "", s.support_folder, true, true, nullptr, error))
      Fail(e_.Message(script::kMsgSetupResourceDecompressionFailure), kExitResourceDecompression);
    Trace("    </ExtractArchive>");

    Trace("    <ExtractResource>");
    std::string package_base = s.engine_folder + s.engine_base_name;
    if (!files_.FileExists(package_base + ".msi") && !files_.FileExists(package_base + ".msp"))
      Fail(e_.Message(script::kMsgSetupDatabaseNotFound), kExitDatabaseNotFound);
    Trace("    </ExtractResource>");

    Trace("    <ResourcePath>");
    for (const char* extension : {".msi", ".msp"}) {
      std::string copy = s.support_folder + s.engine_base_name + extension;
      if (files_.CopyFile(package_base + extension, copy, true))
        files_.SetAttributes(copy, platform::kAttributeNormal);
    }
    Trace("    </ResourcePath>");
    s.installer_package = s.support_folder + s.engine_base_name + ".msi";
    s.data_folder = s.engine_folder + "data\\";

    Trace("    <Dialogs>");
    s.dialog_count = 0;
    for (size_t n = 0; n < e_.script.statement_count(); ++n)
      if (e_.script.commands[n] == "Display Dialog" && e_.script.disabled_flags[n] != "C") ++s.dialog_count;
    Trace("    </Dialogs>");
    Trace("  </SetupSplash>");

    Trace("  <RunScript>");
    RunScript();
    Trace("  </RunScript>");
    Trace("  <Free>");
    e_.script = script::LoadedScript();
    Trace("  </Free>");
  }

  void RunScript() {
    auto& s = e_.startup;
    Trace("    <Variables>");
    e_.run = RunState();
    e_.run.root_folder = s.engine_folder;
    e_.run.script_product_code = e_.script.product_code;
    e_.run.instance.product_code = e_.script.product_code;
    e_.run.instance.revision_code = e_.script.revision_code;
    Trace("    </Variables>");

    Trace("    <CompileScript>");
    script::CompileResult compiled = script::Compile(e_.script, e_.variables, e_.run.compiled);
    if (compiled.result != script::kCompiledSuccessfully) throw HaltRun{kExitCompileFailure};
    Trace("    </CompileScript>");

    e_.variables.manager().Clear();
    e_.components.ClearComponents();
    e_.progress.DefineReservedVariables();
    DefinePreInitializationVariables(e_);

    Trace("    <BootStrap>");
    Bootstrap();
    Trace("    </BootStrap>");
    e_.run.root_folder = platform::IncludeTrailingBackslash(e_.run.root_folder);

    const std::string& package = s.installer_package;
    if ((package.empty() || !files_.FileExists(package)) && !files_.FileExists(platform::ChangeFileExt(package, ".msp")))
      return;

    Trace("    <kvor>");
    e_.components.DefineComponent(std::string(commands::kPredefinedComponent), "", true);
    DefineInitializationVariables(e_);
    if (files_.FileExists(platform::ChangeFileExt(package, ".msp"))) ReadPatchMaintenanceData(e_);
    RemoveResumeEntry();
    RegisterCommandHeaders();
    e_.variables.InjectOverrides();
    const bool completed = RunStatements();
    Trace("    </kvor>");

    Trace("    <ExitScript>");
    Trace("    </ExitScript>");
    // A run-time error ends the run here: what it leaves is not saved for maintenance.
    if (!completed) return;

    if (SetupMediumRemoved()) {
      WriteEngineCacheAtEnd(e_);
      Trace("  </RunScript>");
      Trace("  <Free>");
      e_.script = script::LoadedScript();
      Trace("  </Free>");
      Trace("  <CachedSupportDir>");
      RemoveSupportFolder(files_, s.support_folder);
      Trace("  </CachedSupportDir>");
      Trace("  <RemovableMediaPrematureEject>");
      Trace("  </RemovableMediaPrematureEject>");
      Trace("</Quillset>");
      throw TerminateRun{};
    }
    WriteEngineCacheAtEnd(e_);
  }

  // False when a run-time error ended the statements.
  bool RunStatements() {
    commands::EngineServices services{e_.platform,
                                      e_.variables,
                                      e_.script,
                                      e_.messages,
                                      e_.localization,
                                      e_.progress,
                                      e_.run.persisted_variables,
                                      e_.startup.temp_folder,
                                      e_.random,
                                      e_.archives,
                                      e_.components,
                                      e_.run.architecture_mode,
                                      e_.run.compiled.deferral,
                                      e_.run.pending_properties,
                                      e_.run.parameter_file,
                                      e_.run.package_edits};
    msi::InstanceContext instance{e_.run.instance, e_.guids, e_.startup.installer_package, [this] { Bootstrap(); }};
    services.instance = &instance;
    ConnectInstallerStatements();
    services.installer = &e_.installer;
    interp::LoopHooks hooks;
    hooks.refresh = [this] { RefreshBeforeStatement(e_); };
    hooks.plugin_library_path = [this](size_t n, const std::string& library) {
      const std::string& block = n < e_.script.statement_media.size() ? e_.script.statement_media[n] : std::string();
      if (block.empty()) return e_.startup.support_folder + platform::ExtractFileName(library);
      return e_.startup.data_folder + block + library;
    };
    hooks.show_error = [this](const std::string& text) {
      e_.platform.dialogs.MessageBox(e_.WindowCaption(), text, platform::kMbOk | platform::kMbIconError);
    };
    interp::LoopResult result = interp::StatementLoop(services, e_.commands, std::move(hooks)).Run();
    if (result.exit_code) e_.exit_code = *result.exit_code;
    if (result.runtime_error) {
      e_.ShowError(result.error_text);
      // A silent caller must not read a failed run as a success.
      e_.exit_code = kExitRuntimeError;
    }
    return !result.runtime_error;
  }

  void ConnectInstallerStatements() {
    commands::InstallerCommandContext& c = e_.installer;
    c.source_folder = e_.command_line.source_folder;
    c.data_folder = &e_.startup.data_folder;
    c.support_folder = e_.startup.support_folder;
    c.trace_log_path = [this] { return e_.trace.path(); };
    c.write_trace_line = [this](const std::string& line) { e_.trace.Write(line); };
    c.window_caption = [this] { return e_.WindowCaption(); };
    c.advertised_marker = [this] { return HasAdvertisementMarker(e_); };
    c.changes_applied = [this](bool install, bool remove) { WriteEngineCache(e_, install, remove); };
    // The package edits go through the installer's database functions.
    auto editor = [this](const std::string& package) -> std::optional<msi::PackageEditor> {
      platform::InstallerFunctions* functions = e_.platform.installer.Bind();
      if (!functions) return std::nullopt;
      return msi::PackageEditor(*functions, package);
    };
    c.apply_pending_properties = [this, editor](const std::string& package) {
      if (auto edits = editor(package)) edits->WritePendingProperties(e_.run.pending_properties, e_.run.instance, e_.guids);
    };
    c.apply_platform_edits = [this, editor](const std::string& package) {
      if (auto edits = editor(package)) {
        edits->ApplyPlatform(e_.run.architecture_mode);
        edits->MarkWordCount();
      }
    };
    c.apply_language_edits = [this, editor](const std::string& package) {
      if (auto edits = editor(package)) {
        edits->ApplyShortcutEdits(e_.run.package_edits.shortcuts);
        edits->ApplyFileTypeEdits(e_.run.package_edits.file_types);
      }
    };
  }

  // The engine's identity and what derives from it; run again when a new instance takes new codes.
  void Bootstrap() { engine::Bootstrap(e_); }

  // A reboot-and-resume leaves a Run entry named after the product code's first eight digits.
  void RemoveResumeEntry() {
    const std::string& code = e_.run.instance.product_code;  // an instance's own, when it has one
    if (code.size() < 9) return;
    std::string name = code.substr(1, 8);
    for (auto root : {platform::RootKey::kCurrentUser, platform::RootKey::kLocalMachine}) {
      std::unique_ptr<platform::RegistryKey> key;
      if (e_.platform.registry.OpenKey(root, kRunKey, platform::kKeyAllAccess, &key) == platform::kRegOk)
        key->DeleteValue(name);
    }
  }

  // Every installer-side statement starts unreached: its property "A" + header is "FALSE".
  void RegisterCommandHeaders() {
    for (size_t n = 0; n < e_.script.statement_count(); ++n) {
      std::string header = e_.script.CommandHeader(n);
      if (header.empty()) continue;
      e_.run.pending_properties.emplace_back("A" + header, "FALSE");
      e_.run.parameter_file.push_back("A" + header);
      e_.run.parameter_file.push_back("FALSE");
    }
  }

  bool SetupMediumRemoved() {
    const std::string& folder = e_.startup.engine_folder;
    return files_.GetDriveType(folder) != platform::DriveType::kFixed && !files_.DirectoryExists(folder);
  }

  void Shutdown() {
    Trace("  <CachedSupportDir>");
    if (!e_.startup.support_folder.empty() && files_.DirectoryExists(e_.startup.support_folder))
      RemoveSupportFolder(files_, e_.startup.support_folder);
    Trace("  </CachedSupportDir>");
    Trace("</Quillset>");
  }

  Engine& e_;
  platform::FileSystem& files_;
};

}  // namespace

Engine::Engine(platform::Platform& p)
    : platform(p),
      trace(p.files, p.system),
      archives(p.libraries, platform::ExtractFilePath(p.system.ExecutablePath()) + "zep.lib") {
  commands::RegisterStringCommands(commands);
  commands::RegisterArchiveCommands(commands);
  commands::RegisterComponentCommands(commands);
  commands::RegisterInstallerSideCommands(commands);
  commands::RegisterInstanceCommands(commands);
  commands::RegisterInstallerCommands(commands);
}

std::string Engine::WindowCaption() const {
  if (logo_caption) return title;
  return title.empty() ? "Quillset Wizard" : title + " - Quillset Wizard";
}

void Engine::ShowError(const std::string& text) {
  if (!silent()) platform.dialogs.MessageBox(WindowCaption(), text, platform::kMbOk | platform::kMbIconError);
}

int RunEngine(Engine& engine) { return EngineRun(engine).Run(); }

}  // namespace quillset::engine
