#include "engine/predefined_variables.h"

#include "engine/bootstrap.h"
#include "engine/engine.h"
#include "platform/win_path.h"

namespace quillset::engine {
namespace {

constexpr const char* kPreInitialization = "Pre-Initialization";
constexpr const char* kInitialization = "Initialization";

std::string RegisteredValue(platform::Platform& platform, const char* name) {
  const char* key = platform.system.GetOsVersion().nt_family ? "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\"
                                                             : "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\";
  std::unique_ptr<platform::RegistryKey> handle;
  if (platform.registry.OpenKey(platform::RootKey::kLocalMachine, key, platform::kKeyRead, &handle) != platform::kRegOk)
    return std::string();
  platform::RegistryValue value;
  if (handle->QueryValue(name, &value) != platform::kRegOk) return std::string();
  if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) return std::string();
  return value.data.substr(0, value.data.find('\0'));
}

}  // namespace

bool AllUsersDefault(platform::System& system) {
  platform::OsVersion os = system.GetOsVersion();
  if (!os.nt_family || !system.IsAdministrator()) return false;
  return os.major <= 5 || system.IsElevated();
}

void DefinePreInitializationVariables(Engine& e) {
  auto& v = e.variables;
  v.SetVariable("TARGETDIR", "", kPreInitialization);
  v.SetVariable("STARTMENU", e.script.title, kPreInitialization);
  v.SetVariable("ALLUSERS", vars::BoolText(AllUsersDefault(e.platform.system)), kPreInitialization);
}

void DefineInitializationVariables(Engine& e) {
  auto& system = e.platform.system;
  const auto& s = e.startup;
  const auto& line = e.command_line;
  auto define = [&e](const char* name, const std::string& value) { e.variables.SetVariable(name, value, kInitialization); };
  define("KVOR_COMPRESS_INSTALLER_CACHE", "TRUE");
  define("KVOR_DISABLE_ROLLBACK", "FALSE");
  define("KVOR_DISABLE_VISTA_RESTART_MANAGER", "FALSE");
  define("IISHOST", "localhost");
  if (!e.variables.Exists("OVERRIDECACHE")) define("OVERRIDECACHE", "");
  define("KVORLOGO", "");
  define("SELECTED", "0");
  define("WINDOWHANDLE", "0");
  define("EXEFILE", s.engine_path);
  define("EXEDIR", s.engine_folder);
  define("PROGRESSTEXT", "");
  define("PROGRESSMODE", "");
  define("ABORT", "FALSE");
  define("PROGRESS", "0");
  define("LASTERROR", "");
  define("LICENSE", "FALSE");
  define("USERNAME", RegisteredValue(e.platform, "RegisteredOwner"));
  define("USERCOMPANY", RegisteredValue(e.platform, "RegisteredOrganization"));
  define("COPYWEBLOCK", "");
  define("REBOOTCOMPUTER", "FALSE");
  define("RUNAPP", "TRUE");
  define("WIZARD", "NEXT");
  define("VERSION", e.script.version);
  define("SILENT", vars::BoolText(e.silent()));
  define("LOGGED", line.trace_log);
  define("CMDLINE", line.text);
  define("REBOOTNOW", "OK");
  define("SFXPATH", platform::ExtractFilePath(line.media_path));
  define("SFXFILE", platform::ExtractFileName(line.media_path));
  define("GPOPATH", platform::ExtractFilePath(line.deployment_path));
  define("COMPLETE", "TRUE");
  define("NEWLINE", "\r\n");
  define("MINIMUM", "FALSE");
  define("PERSONALIZED", "FALSE");
  define("MODIFY", "TRUE");
  define("REPAIR", "FALSE");
  define("REMOVE", "FALSE");
  define("ROOTDIR", e.run.root_folder);
  define("TITLE", e.script.title);
  define("COMPANY", e.script.company);
  define("ADVERTISE", "FALSE");
  define("DATE", system.ShortDate());
  define("TIME", system.LongTime());
  define("TEMPDIR", s.temp_folder);
  define("SUPPORTDIR", s.support_folder);
  define("MSIFILE", s.installer_package);
}

void RefreshBeforeStatement(Engine& e) {
  auto& v = e.variables;
  e.trace.SetPath(v.GetVariable("LOGGED"));
  v.SetSilent(vars::IsTrue(v.GetVariable("SILENT")));
  e.title = v.GetVariable("TITLE");
  e.logo_caption = v.GetVariable("KVORLOGO") == "TRUE";
  ApplyCacheOverride(e);
  // Formatting is the costly part; the texts change at most once a second.
  auto& clock = e.clock_texts;
  uint64_t second = e.platform.system.TickCountMs() / 1000;
  if (second != clock.second || clock.date.empty()) {
    clock.second = second;
    clock.date = e.platform.system.ShortDate();
    clock.time = e.platform.system.LongTime();
  }
  v.SetVariable("DATE", clock.date, kInitialization);
  v.SetVariable("TIME", clock.time, kInitialization);
  RefreshCacheVariables(e);
}

}  // namespace quillset::engine
