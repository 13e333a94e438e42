// Where the engine cache of a product lives: the cache root of a scope, the product's folder in
// it, and the registry entries that point at the folder.
#pragma once

#include <string>
#include <string_view>

#include "platform/platform.h"

namespace quillset::engine {

class Engine;

enum class CacheScope { kPerMachine, kPerUser };

inline constexpr const char* kIdentityKey = "SOFTWARE\\Orvandel\\Quillset\\Ident.Cache\\";
inline constexpr const char* kUninstallKey = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

// The scope ALLUSERS chooses.
CacheScope ScopeOfAllUsers(Engine& engine);
// The scope of an administrator's run, for bootstrap's defaults.
CacheScope ScopeOfUser(Engine& engine);

// The folder that holds the products' cache folders, with a trailing backslash: OVERRIDECACHE,
// else the parent of the registered identity when it is this revision's folder, else the
// scope's application data folder.
std::string CacheRoot(Engine& engine, CacheScope scope);

// Whether the text can name a folder inside the cache root and nothing else: no separators, no
// drive, not "." or "..", no control characters. The revision code and the folder name read
// from an uninstall entry become such folder names, and the cache folder is deleted
// recursively on removal, so anything else must never reach a path.
bool IsPlainFolderName(std::string_view name);
// The revision code as the name of the product's cache folder; throws when it is no plain name.
std::string RevisionFolderName(Engine& engine);
// The name under which the installed product's data is found: the folder name of the uninstall
// entry for patch builds and media mode 3, else the revision code.
std::string InstalledDataName(Engine& engine);

// ENGINECACHE: cache root by ALLUSERS + the revision's folder + "\".
std::string EngineCacheFolder(Engine& engine);
// Per-user when the per-user root holds the installed product's ".dat", else per-machine.
CacheScope LookupScope(Engine& engine);
// The folder of the installed product's maintenance data, with a trailing backslash.
std::string InstalledDataFolder(Engine& engine);

// The hive of the product's uninstall and identity entries: the machine when ALLUSERS is true or
// on Windows 9x.
platform::RootKey RegistrationHive(Engine& engine);

// A string value of a key, read-only; empty when the key, the value or a string is missing.
std::string ReadRegistryString(platform::Registry& registry, platform::RootKey root, const std::string& key,
                               const std::string& name);
// The program path of an "UninstallString": its first double quote removed and everything from
// the next one on.
std::string UninstallProgram(std::string_view uninstall_string);

}  // namespace quillset::engine
