// The files of the engine cache folder besides the copies: the engine cache data (".dat"), the
// parameter file (".par"), the language file (".lan") and the instance data ("instance.dat").
// CR LF text; a missing file means that nothing was saved.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "commands/cache_data.h"
#include "platform/file_system.h"

namespace quillset::engine {

class Engine;

// The engine's component model, variables, persisted names and architecture mode.
commands::CacheDataState CacheDataOf(Engine& engine);

// Reads a ".dat" into the engine; nothing happens when it does not exist. Damaged data throws
// naming the file.
void ReadEngineCacheData(Engine& engine, const std::string& path, commands::CacheDataRead mode);
// All thirteen parts, or (full false, the file existing) the old component parts with the
// current variables. The text goes to path + ".dat" first and then replaces the file.
void WriteEngineCacheData(Engine& engine, const std::string& path, bool full);

// The lines of a CR LF text file; empty when it cannot be read.
std::vector<std::string> ReadTextLines(platform::FileSystem& files, const std::string& path);
bool WriteTextLines(platform::FileSystem& files, const std::string& path, const std::vector<std::string>& lines);

// The identity of a product instance: "instance.dat" beside its cached engine.
struct InstanceData {
  std::string product_code, revision_code, title;
};
// Throws when the product code or the revision code cannot name a file or folder in the cache:
// the cache would be addressed, and removed, outside the cache root.
InstanceData ReadInstanceData(platform::FileSystem& files, const std::string& path);

}  // namespace quillset::engine
