#include "engine/engine_cache.h"

#include "engine/cache_files.h"
#include "engine/cache_paths.h"
#include "engine/engine.h"
#include "engine/support_folder.h"
#include "platform/win_path.h"
#include "vars/text_case.h"

namespace quillset::engine {
namespace {

constexpr const char* kAdvertisementMarker = "__ad";

// Compression follows KVOR_COMPRESS_INSTALLER_CACHE; the folder's other bits stay.
void SetCacheAttributes(Engine& e, const std::string& folder, bool hidden) {
  auto& files = e.platform.files;
  auto attributes = files.GetAttributes(folder);
  if (!attributes) return;
  uint32_t bits = *attributes & ~uint32_t{platform::kAttributeNormal | platform::kAttributeDirectory};
  if (hidden) bits |= platform::kAttributeHidden;
  if (vars::IsTrue(e.variables.GetVariable("KVOR_COMPRESS_INSTALLER_CACHE")))
    bits |= platform::kAttributeCompressed;
  else
    bits &= ~uint32_t{platform::kAttributeCompressed};
  files.SetAttributes(folder, bits);
}

bool SamePath(platform::FileSystem& files, const std::string& a, const std::string& b) {
  return vars::EqualsIgnoreCase(files.LongPathName(a), files.LongPathName(b));
}

// The cached engine refreshing its own cache copies nothing onto itself: a copy onto its own
// source would empty the file.
void CopyIntoCache(Engine& e, const std::string& source, const std::string& target) {
  auto& files = e.platform.files;
  if (!files.FileExists(source) || SamePath(files, source, target)) return;
  files.SetAttributes(target, platform::kAttributeNormal);
  files.CopyFile(source, target, true);
}

void SetString(platform::RegistryKey& key, const std::string& name, const std::string& data) {
  key.SetValue({name, platform::kRegSz, data});
}

void Register(Engine& e, const std::string& folder) {
  e.run.cache_variables = {};  // the identity registration moves the cache root
  auto& registry = e.platform.registry;
  auto& v = e.variables;
  const auto& script = e.script;
  const platform::RootKey hive = RegistrationHive(e);
  const std::string engine_file = platform::ExtractFileName(e.startup.engine_path);
  const std::string product = v.GetVariable("PRODUCTCODE");
  const std::string title = v.GetVariable("TITLE");
  std::unique_ptr<platform::RegistryKey> key;
  platform::OsVersion os = e.platform.system.GetOsVersion();
  if (os.nt_family && os.major >= 5 && !product.empty() &&
      registry.CreateKey(hive, kUninstallKey + product, platform::kKeyWrite, &key) == platform::kRegOk)
    SetString(*key, "UninstallString", folder + engine_file);  // base name + ".exe" on Windows
  // Without a title the values would land in the uninstall key itself.
  if (!title.empty() && registry.CreateKey(hive, kUninstallKey + title, platform::kKeyWrite, &key) == platform::kRegOk) {
    SetString(*key, "DisplayIcon", folder + engine_file);
    SetString(*key, "DisplayName", title);
    SetString(*key, "UninstallString", "\"" + folder + engine_file + "\" REMOVE=TRUE MODIFY=FALSE");
    SetString(*key, "ModifyPath", folder + engine_file);
    SetString(*key, "Publisher", script.company);
    SetString(*key, "Contact", script.contact);
    SetString(*key, "HelpLink", script.help_link);
    SetString(*key, "URLUpdateInfo", script.update_link);
    SetString(*key, "Comments", script.comments);
    SetString(*key, "InstallLocation", v.ExpandPath(v.GetVariable("TARGETDIR")));
  }
  if (!product.empty() && registry.CreateKey(hive, kIdentityKey + product, platform::kKeyWrite, &key) == platform::kRegOk)
    SetString(*key, "", folder);
  WriteTextLines(e.platform.files, folder + "instance.dat", {product, v.GetVariable("REVISIONCODE"), title});
}

void Unregister(Engine& e) {
  e.run.cache_variables = {};
  auto& registry = e.platform.registry;
  const std::string title = e.variables.GetVariable("TITLE");
  const std::string product = e.variables.GetVariable("PRODUCTCODE");
  for (auto hive : {platform::RootKey::kLocalMachine, platform::RootKey::kCurrentUser}) {
    if (!title.empty()) registry.DeleteKey(hive, kUninstallKey + title, 0);
    if (!product.empty()) registry.DeleteKey(hive, kIdentityKey + product, 0);
  }
}

// The marker file of media mode 2 is named after the product code.
std::string MarkerFile(Engine& e, const std::string& folder) {
  std::string product = e.variables.GetVariable("PRODUCTCODE");
  return IsPlainFolderName(product) ? folder + product : std::string();
}

void WriteCache(Engine& e, const std::string& folder) {
  auto& files = e.platform.files;
  const auto& s = e.startup;
  files.CreateDirectories(folder);
  SetCacheAttributes(e, folder, false);
  if (e.script.media_mode == 2) {
    std::string marker = MarkerFile(e, folder);
    if (!marker.empty()) platform::WriteWholeFile(files, marker, "");
  }
  const std::string base = s.engine_folder + s.engine_base_name;
  const msi::InstanceState& instance = e.run.instance;
  CopyIntoCache(e, s.engine_path, folder + platform::ExtractFileName(s.engine_path));
  CopyIntoCache(e, instance.edited_package.empty() ? base + ".msi" : instance.edited_package,
                folder + s.engine_base_name + ".msi");
  CopyIntoCache(e, base + ".res", folder + s.engine_base_name + ".res");
  CopyIntoCache(e, s.engine_folder + "zep.lib", folder + "zep.lib");
  CopyIntoCache(e, s.engine_folder + "setup.bmp", folder + "setup.bmp");

  const std::string data = folder + s.engine_base_name;
  WriteEngineCacheData(e, data + ".dat", true);
  WriteTextLines(files, data + ".par", e.run.parameter_file);
  if (e.localization.active())
    WriteTextLines(files, data + ".lan", {e.localization.current_language()});
  else
    files.DeleteFile(data + ".lan");
  e.run.cache_fully_written = true;
  e.run.cache_writing_suppressed = false;
  Register(e, folder);
}

}  // namespace

bool HasAdvertisementMarker(Engine& e) {
  return e.platform.files.DirectoryExists(EngineCacheFolder(e) + kAdvertisementMarker);
}

void WriteEngineCache(Engine& e, bool install, bool remove) {
  auto& files = e.platform.files;
  const std::string folder = EngineCacheFolder(e);
  const std::string marker = folder + kAdvertisementMarker;
  if (!install && !remove) {
    files.CreateDirectories(marker);
    SetCacheAttributes(e, marker, false);
  } else {
    files.RemoveDirectory(marker);
  }
  if (!install && remove)
    RemoveEngineCache(e);
  else
    WriteCache(e, folder);
}

void RemoveEngineCache(Engine& e) {
  auto& files = e.platform.files;
  const std::string folder = EngineCacheFolder(e);
  if (e.script.media_mode == 2) {
    std::string marker = MarkerFile(e, folder);
    if (!marker.empty()) files.DeleteFile(marker);
  }
  RemoveSupportFolder(files, folder);
  const std::string path = platform::ExcludeTrailingBackslash(folder);
  if (files.DirectoryExists(path)) {
    // Something in it cannot be deleted yet (on Windows the running engine itself): the folder
    // is moved out of the product's way, so that a later installation starts from no cache.
    const std::string parent = platform::ExtractFilePath(path);
    for (int n = 0;; ++n) {
      std::string aside = parent + "~" + std::to_string(n);
      if (files.DirectoryExists(aside) || files.FileExists(aside)) continue;
      files.MoveFile(path, aside);
      break;
    }
  }
  e.run.cache_writing_suppressed = true;
  Unregister(e);
}

void WriteEngineCacheAtEnd(Engine& e) {
  if (e.run.cache_writing_suppressed) return;
  if (e.run.patch_folder_name.empty() && !IsPlainFolderName(e.variables.GetVariable("REVISIONCODE"))) return;
  auto& files = e.platform.files;
  const std::string folder = InstalledDataFolder(e);
  SetCacheAttributes(e, folder, true);
  if (e.run.persisted_variables.empty()) return;
  const std::string data = folder + e.startup.engine_base_name + ".dat";
  // Only a full write creates anything: a run that installed nothing leaves no folder behind.
  if (e.run.cache_fully_written) {
    files.CreateDirectories(folder);
    WriteEngineCacheData(e, data, true);
  } else if (files.FileExists(data)) {
    WriteEngineCacheData(e, data, false);
  }
}

}  // namespace quillset::engine
