// The variables the engine gives every script before its first statement, and the engine
// state it reads back from variables before every statement.
#pragma once

#include "platform/system.h"

namespace quillset::engine {

class Engine;

// ALLUSERS of a first installation: an administrator's run, elevated where Windows elevates.
bool AllUsersDefault(platform::System& system);

// TARGETDIR, STARTMENU and ALLUSERS, before the engine cache is read.
void DefinePreInitializationVariables(Engine& engine);
// The run's facts and defaults: folders, command-line values, run modes, dialog defaults.
void DefineInitializationVariables(Engine& engine);
// LOGGED, SILENT, TITLE and KVORLOGO become the engine's trace log, silent flag and caption;
// a new OVERRIDECACHE moves the engine cache; DATE, TIME, ENGINECACHE and UNINSTALLLINK are
// written anew.
void RefreshBeforeStatement(Engine& engine);

}  // namespace quillset::engine
