// Bootstrap: the product identity of the run, its engine cache folder and data folder, the
// maintenance state from the installer service, and the installed product's saved choices.
// Run once before the script starts and again whenever the identity or the cache moves.
#pragma once

#include <string>

namespace quillset::engine {

class Engine;

void Bootstrap(Engine& engine);

// A patch build (a ".msp" beside the package): the installed product is found through its
// uninstall entry, and its saved choices and parameter file are read.
void ReadPatchMaintenanceData(Engine& engine);

// Before every statement: a new non-empty OVERRIDECACHE moves the engine cache when the folder
// can be made, else it is cleared.
void ApplyCacheOverride(Engine& engine);
// Before every statement: ENGINECACHE and UNINSTALLLINK from the current cache root.
void RefreshCacheVariables(Engine& engine);

// The name of the folder holding the program of the product's uninstall entry under TITLE (the
// user's hive first), when it is a plain folder name; else empty.
std::string UninstallFolderName(Engine& engine, const std::string& title);

}  // namespace quillset::engine
