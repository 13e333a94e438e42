// The variables the engine gives every script before its first statement, and the engine
// state it reads back from variables before every statement.
#pragma once

namespace quillset::engine {

class Engine;

// TARGETDIR, STARTMENU and ALLUSERS, before the engine cache is read.
void DefinePreInitializationVariables(Engine& engine);
// The run's facts and defaults: folders, command-line values, run modes, dialog defaults.
void DefineInitializationVariables(Engine& engine);
// LOGGED, SILENT, TITLE and KVORLOGO become the engine's trace log, silent flag and caption;
// DATE and TIME are written anew.
void RefreshBeforeStatement(Engine& engine);

}  // namespace quillset::engine
