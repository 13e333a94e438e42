#include "engine/bootstrap.h"

#include <unordered_set>
#include <vector>

#include "engine/cache_files.h"
#include "engine/cache_paths.h"
#include "engine/engine.h"
#include "engine/predefined_variables.h"
#include "platform/win_path.h"
#include "vars/text_case.h"

namespace quillset::engine {
namespace {

constexpr const char* kBootstrap = "Bootstrap";
constexpr const char* kInstanceFile = "instance.dat";

struct ProductFacts {
  bool installed = false;      // product state 5
  bool needs_upgrade = false;  // installed with another package code
};

ProductFacts QueryProduct(Engine& e) {
  ProductFacts facts;
  platform::InstallerFunctions* msi = e.platform.installer.Bind();
  if (!msi || !msi->MsiQueryProductStateA) return facts;
  const std::string code = e.variables.GetVariable("PRODUCTCODE");
  facts.installed = msi->MsiQueryProductStateA(code.c_str()) == platform::msi::kStateDefault;
  if (!facts.installed || !msi->MsiGetProductInfoA) return facts;
  char buffer[128] = {};
  platform::DWORD size = sizeof buffer;
  if (msi->MsiGetProductInfoA(code.c_str(), "PackageCode", buffer, &size) != 0) return facts;
  facts.needs_upgrade = !vars::EqualsIgnoreCase(buffer, e.variables.GetVariable("REVISIONCODE"));
  return facts;
}

std::string DefaultTarget(Engine& e) {
  auto& system = e.platform.system;
  std::string root;
  if (system.IsAdministrator() || !system.GetOsVersion().nt_family) {
    root = system.SpecialFolderPath(platform::SpecialFolder::kProgramFiles);
  } else {
    std::string documents = system.SpecialFolderPath(platform::SpecialFolder::kPersonal);
    root = platform::ExtractFilePath(platform::ExcludeTrailingBackslash(documents));
  }
  return platform::IncludeTrailingBackslash(root) + e.script.title + "\\";
}

// Lookups take a name's first definition, so a saved copy of definitions the script already
// gave adds nothing but length; kept, it would double the ".dat" with every maintenance run.
void KeepFirstDefinitions(commands::ComponentModel& model) {
  const std::vector<std::string>& all = model.definitions();
  std::unordered_set<std::string_view, vars::CaseInsensitiveHash, vars::CaseInsensitiveEqual> seen;
  std::vector<std::string> kept;
  for (size_t i = 0; i + 1 < all.size(); i += 2) {
    if (!seen.insert(all[i]).second) continue;
    kept.push_back(all[i]);
    kept.push_back(all[i + 1]);
  }
  if (all.size() % 2 == 1) kept.push_back(all.back());
  model.SetDefinitions(std::move(kept));
}

// What a maintenance run finds of the installed product: its choices and its parameter file.
// The lists become the saved ones, also when bootstrap runs again for a moved cache.
void ReadInstalledData(Engine& e, const std::string& folder) {
  const std::string base = folder + e.startup.engine_base_name;
  e.components.ClearComponents();
  ReadEngineCacheData(e, base + ".dat", commands::CacheDataRead::kLoad);
  KeepFirstDefinitions(e.components);
  e.components.set_installed_size(e.components.SelectedSize());
  if (e.platform.files.FileExists(base + ".par")) e.run.parameter_file = ReadTextLines(e.platform.files, base + ".par");
}

// An upgrade keeps the choices of the build it replaces, found in the registered cache folder.
void ReadOldData(Engine& e) {
  auto& files = e.platform.files;
  std::string key = std::string(kIdentityKey) + e.variables.GetVariable("PRODUCTCODE");
  std::string folder = ReadRegistryString(e.platform.registry, platform::RootKey::kLocalMachine, key, "");
  if (folder.empty()) folder = ReadRegistryString(e.platform.registry, platform::RootKey::kCurrentUser, key, "");
  folder = platform::IncludeTrailingBackslash(folder);
  if (folder.empty() || !files.DirectoryExists(folder)) return;
  std::vector<std::string> candidates;
  for (const auto& entry : files.ListDirectory(folder)) {
    if (entry.is_directory || vars::EqualsIgnoreCase(entry.name, kInstanceFile)) continue;
    if (vars::EqualsIgnoreCase(platform::ExtractFileExt(entry.name), ".dat")) candidates.push_back(folder + entry.name);
  }
  std::string chosen;
  if (candidates.size() == 1) {
    chosen = candidates.front();
  } else {
    for (const auto& candidate : candidates) {
      bool complete = true;
      for (const char* sibling : {".exe", ".res", ".msi", ".par"})
        complete = complete && files.FileExists(platform::ChangeFileExt(candidate, sibling));
      if (complete) {
        chosen = candidate;
        break;
      }
    }
  }
  if (!chosen.empty()) ReadEngineCacheData(e, chosen, commands::CacheDataRead::kLoadWithoutDefinitions);
}

}  // namespace

std::string UninstallFolderName(Engine& e, const std::string& title) {
  const std::string key = std::string(kUninstallKey) + title;
  auto& registry = e.platform.registry;
  std::string command = ReadRegistryString(registry, platform::RootKey::kCurrentUser, key, "UninstallString");
  if (command.empty()) command = ReadRegistryString(registry, platform::RootKey::kLocalMachine, key, "UninstallString");
  std::string folder = platform::ExcludeTrailingBackslash(platform::ExtractFilePath(UninstallProgram(command)));
  std::string name = platform::ExtractFileName(folder);
  return IsPlainFolderName(name) ? name : std::string();
}

void Bootstrap(Engine& e) {
  auto& files = e.platform.files;
  auto& v = e.variables;
  const auto& s = e.startup;
  msi::InstanceState& identity = e.run.instance;
  const bool own_instance = files.FileExists(s.engine_folder + kInstanceFile);
  if (own_instance) {
    InstanceData data = ReadInstanceData(files, s.engine_folder + kInstanceFile);
    identity.product_code = data.product_code;
    identity.revision_code = data.revision_code;
    e.script.title = data.title;
  }
  msi::DefineProductIdentity(v, identity);
  if (e.script.media_mode == 3) e.run.patch_folder_name = UninstallFolderName(e, e.script.title);

  const std::string default_target = DefaultTarget(e);
  const std::string cache_folder = CacheRoot(e, ScopeOfUser(e)) + RevisionFolderName(e) + "\\";
  v.SetVariable("UNINSTALLLINK", cache_folder + platform::ExtractFileName(s.engine_path), kBootstrap);
  v.SetVariable("ENGINECACHE", cache_folder, kBootstrap);
  e.startup.data_folder = e.script.media_mode == 2 ? cache_folder : s.engine_folder + "data\\";
  v.SetVariable("DATADIR", s.data_folder, kBootstrap);

  const ProductFacts product = QueryProduct(e);
  const bool maintenance = !product.needs_upgrade && product.installed;
  v.SetVariable("NEEDSUPGRADE", vars::BoolText(product.needs_upgrade), kBootstrap);
  v.SetVariable("MAINTENANCE", vars::BoolText(maintenance), kBootstrap);
  const bool load_old_data = product.needs_upgrade && e.script.ExpandCompilerVariables("#LOADOLDDATA#") == "TRUE";

  if (maintenance) {
    ReadInstalledData(e, InstalledDataFolder(e));
  } else {
    e.components.ClearComponents();
    e.components.DefineComponent(std::string(commands::kPredefinedComponent), "", true);
    e.components.set_installed_size(0);
    e.run.parameter_file.clear();
    v.SetVariable("TARGETDIR", default_target, kBootstrap);
    v.SetVariable("STARTMENU", e.script.title, kBootstrap);
    v.SetVariable("ALLUSERS", vars::BoolText(AllUsersDefault(e.platform.system)), kBootstrap);
    ReadEngineCacheData(e, InstalledDataFolder(e) + s.engine_base_name + ".dat", commands::CacheDataRead::kLoad);
    KeepFirstDefinitions(e.components);
  }
  if (load_old_data) ReadOldData(e);

  v.SetVariable("NEWINSTANCE", "FALSE", kBootstrap);
  if (!own_instance && (maintenance || product.needs_upgrade)) v.SetVariable("NEWINSTANCE", "TRUE", "Initialization");
}

void ReadPatchMaintenanceData(Engine& e) {
  e.run.patch_folder_name = UninstallFolderName(e, e.variables.GetVariable("TITLE"));
  if (e.run.patch_folder_name.empty()) return;
  ReadInstalledData(e, InstalledDataFolder(e));
  // The revision code names this build again; only the installed data is addressed by the
  // patched product's folder.
  msi::DefineProductIdentity(e.variables, e.run.instance);
}

void ApplyCacheOverride(Engine& e) {
  auto& files = e.platform.files;
  const std::string value = e.variables.GetVariable("OVERRIDECACHE");
  if (value.empty() || value == e.run.applied_cache_override) return;
  const std::string folder = platform::IncludeTrailingBackslash(value);
  // The folder is made only to prove that it can be; the cache itself is written later.
  std::vector<std::string> created;
  for (std::string path = platform::ExcludeTrailingBackslash(folder); !path.empty() && !files.DirectoryExists(path);) {
    created.push_back(path);
    std::string parent = platform::ExcludeTrailingBackslash(platform::ExtractFilePath(path));
    if (parent == path) break;
    path = parent;
  }
  bool made = true;
  for (auto it = created.rbegin(); it != created.rend() && made; ++it) made = files.CreateDirectories(*it);
  for (const auto& path : created) files.RemoveDirectory(path);  // deepest first
  if (!made) {
    // The cache root would otherwise name a folder that can never hold the cache, and the
    // override would be tried again before every statement; a command-line value in a silent
    // run is no exception.
    e.variables.manager().SetValue("OVERRIDECACHE", "");
    e.run.applied_cache_override.clear();
    return;
  }
  e.variables.SetVariable("OVERRIDECACHE", folder, vars::kInjectOverrideCommandLine);
  Bootstrap(e);
  e.run.applied_cache_override = folder;
}

void RefreshCacheVariables(Engine& e) {
  auto& v = e.variables;
  auto& last = e.run.cache_variables;
  std::string inputs;
  for (const char* name : {"OVERRIDECACHE", "ALLUSERS", "PRODUCTCODE", "REVISIONCODE", "TITLE"})
    inputs.append(v.GetVariable(name)).push_back('\n');
  const uint64_t second = e.platform.system.TickCountMs() / 1000;
  if (inputs != last.inputs || second != last.second) {
    last.inputs = std::move(inputs);
    last.second = second;
    last.folder.clear();
    last.link.clear();
    if (e.script.media_mode == 3) {
      std::string key = std::string(kUninstallKey) + v.GetVariable("TITLE");
      last.link = UninstallProgram(ReadRegistryString(e.platform.registry, RegistrationHive(e), key, "UninstallString"));
      last.folder = platform::ExtractFilePath(last.link);
    } else if (IsPlainFolderName(v.GetVariable("REVISIONCODE"))) {
      last.folder = EngineCacheFolder(e);
      last.link = last.folder + platform::ExtractFileName(e.startup.engine_path);
    }  // else the script gave REVISIONCODE a value that names no folder: there is no cache
  }
  v.SetVariable("ENGINECACHE", last.folder, kBootstrap);
  v.SetVariable("UNINSTALLLINK", last.link, kBootstrap);
}

}  // namespace quillset::engine
