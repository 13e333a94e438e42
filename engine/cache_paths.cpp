#include "engine/cache_paths.h"

#include <stdexcept>

#include "engine/engine.h"
#include "platform/win_path.h"

namespace quillset::engine {
namespace {

bool NtFamily(Engine& e) { return e.platform.system.GetOsVersion().nt_family; }

std::string Revision(Engine& e) { return e.variables.GetVariable("REVISIONCODE"); }

// The root the identity registration names, when its folder is this revision's.
std::string RegisteredRoot(Engine& e) {
  std::string key = std::string(kIdentityKey) + e.variables.GetVariable("PRODUCTCODE");
  std::unique_ptr<platform::RegistryKey> handle;
  auto& registry = e.platform.registry;
  if (registry.OpenKey(platform::RootKey::kLocalMachine, key, platform::kKeyRead, &handle) != platform::kRegOk &&
      registry.OpenKey(platform::RootKey::kCurrentUser, key, platform::kKeyRead, &handle) != platform::kRegOk)
    return std::string();
  platform::RegistryValue value;
  if (handle->QueryValue("", &value) != platform::kRegOk || value.type != platform::kRegSz) return std::string();
  std::string folder = platform::ExcludeTrailingBackslash(value.data.substr(0, value.data.find('\0')));
  const std::string revision = Revision(e);
  if (revision.empty() || platform::ExtractFileName(folder) != revision) return std::string();
  return platform::ExtractFilePath(folder);
}

std::string ApplicationDataRoot(Engine& e, CacheScope scope) {
  auto& system = e.platform.system;
  if (!NtFamily(e)) return system.SpecialFolderPath(platform::SpecialFolder::kCommonProgramFiles);
  std::string folder;
  if (scope == CacheScope::kPerMachine) {
    folder = system.SpecialFolderPath(platform::SpecialFolder::kCommonAppData);
  } else {
    folder = system.SpecialFolderPath(platform::SpecialFolder::kLocalAppData);
    if (folder.empty()) folder = system.SpecialFolderPath(platform::SpecialFolder::kAppData);
  }
  if (!folder.empty()) return platform::IncludeTrailingBackslash(folder);
  std::string desktop = platform::ExcludeTrailingBackslash(system.SpecialFolderPath(platform::SpecialFolder::kDesktop));
  return platform::ExtractFilePath(desktop) + "Application Data\\";
}

}  // namespace

CacheScope ScopeOfAllUsers(Engine& e) {
  return vars::IsTrue(e.variables.GetVariable("ALLUSERS")) ? CacheScope::kPerMachine : CacheScope::kPerUser;
}

CacheScope ScopeOfUser(Engine& e) {
  return e.platform.system.IsAdministrator() ? CacheScope::kPerMachine : CacheScope::kPerUser;
}

std::string CacheRoot(Engine& e, CacheScope scope) {
  std::string overridden = e.variables.GetVariable("OVERRIDECACHE");
  if (!overridden.empty()) return platform::IncludeTrailingBackslash(overridden);
  std::string registered = RegisteredRoot(e);
  if (!registered.empty()) return registered;
  return ApplicationDataRoot(e, scope);
}

bool IsPlainFolderName(std::string_view name) {
  if (name.empty() || name == "." || name == "..") return false;
  for (char c : name) {
    if (static_cast<unsigned char>(c) < 0x20 || c == '\\' || c == '/' || c == ':') return false;
  }
  return true;
}

std::string RevisionFolderName(Engine& e) {
  std::string revision = Revision(e);
  if (!IsPlainFolderName(revision))
    throw std::runtime_error("The revision code '" + revision + "' cannot name an engine cache folder");
  return revision;
}

std::string InstalledDataName(Engine& e) {
  return e.run.patch_folder_name.empty() ? RevisionFolderName(e) : e.run.patch_folder_name;
}

std::string EngineCacheFolder(Engine& e) { return CacheRoot(e, ScopeOfAllUsers(e)) + RevisionFolderName(e) + "\\"; }

CacheScope LookupScope(Engine& e) {
  std::string data = CacheRoot(e, CacheScope::kPerUser) + InstalledDataName(e) + "\\" + e.startup.engine_base_name + ".dat";
  return e.platform.files.FileExists(data) ? CacheScope::kPerUser : CacheScope::kPerMachine;
}

std::string InstalledDataFolder(Engine& e) { return CacheRoot(e, LookupScope(e)) + InstalledDataName(e) + "\\"; }

platform::RootKey RegistrationHive(Engine& e) {
  return vars::IsTrue(e.variables.GetVariable("ALLUSERS")) || !NtFamily(e) ? platform::RootKey::kLocalMachine
                                                                           : platform::RootKey::kCurrentUser;
}

std::string ReadRegistryString(platform::Registry& registry, platform::RootKey root, const std::string& key,
                               const std::string& name) {
  std::unique_ptr<platform::RegistryKey> handle;
  if (registry.OpenKey(root, key, platform::kKeyRead, &handle) != platform::kRegOk) return std::string();
  platform::RegistryValue value;
  if (handle->QueryValue(name, &value) != platform::kRegOk) return std::string();
  if (value.type != platform::kRegSz && value.type != platform::kRegExpandSz) return std::string();
  return value.data.substr(0, value.data.find('\0'));
}

std::string UninstallProgram(std::string_view text) {
  std::string program(text);
  size_t quote = program.find('"');
  if (quote != std::string::npos) program.erase(quote, 1);
  quote = program.find('"');
  if (quote != std::string::npos) program.erase(quote);
  return program;
}

}  // namespace quillset::engine
