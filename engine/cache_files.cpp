#include "engine/cache_files.h"

#include <stdexcept>

#include "engine/cache_paths.h"
#include "engine/engine.h"
#include "engine/maintenance_data.h"
#include "script/text_lines.h"

namespace quillset::engine {

commands::CacheDataState CacheDataOf(Engine& e) {
  return {e.components, e.variables, e.run.persisted_variables, e.run.architecture_mode};
}

void ReadEngineCacheData(Engine& e, const std::string& path, commands::CacheDataRead mode) {
  auto& files = e.platform.files;
  if (!files.FileExists(path)) return;
  auto text = platform::ReadWholeFile(files, path);
  if (!text) throw std::runtime_error("Unable to read the engine cache data " + path);
  commands::CacheDataState state = CacheDataOf(e);
  try {
    ParseMaintenanceData(*text, mode, state);
  } catch (const CacheDataError& error) {
    throw std::runtime_error("The engine cache data " + path + " is damaged: " + error.what());
  }
}

void WriteEngineCacheData(Engine& e, const std::string& path, bool full) {
  auto& files = e.platform.files;
  commands::CacheDataState state = CacheDataOf(e);
  std::string text;
  if (full) {
    std::string data_folder = e.variables.GetVariable("DATADIR");
    text = commands::FormatCacheData(state, data_folder.empty() ? data_folder : files.ShortPathName(data_folder));
  } else {
    auto old = platform::ReadWholeFile(files, path);
    if (!old) return;
    auto rewritten = RewriteMaintenanceVariables(*old, state);
    if (!rewritten) return;
    text = std::move(*rewritten);
  }
  const std::string fresh = path + ".dat";
  if (!platform::WriteWholeFile(files, fresh, text)) {
    files.DeleteFile(fresh);
    return;
  }
  files.SetAttributes(path, platform::kAttributeNormal);
  files.DeleteFile(path);
  files.MoveFile(fresh, path);
}

std::vector<std::string> ReadTextLines(platform::FileSystem& files, const std::string& path) {
  std::vector<std::string> lines;
  auto text = platform::ReadWholeFile(files, path);
  if (!text) return lines;
  script::LineReader reader(*text);
  while (auto line = reader.Next()) lines.emplace_back(*line);
  return lines;
}

bool WriteTextLines(platform::FileSystem& files, const std::string& path, const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text.append(line).append("\r\n");
  return platform::WriteWholeFile(files, path, text);
}

InstanceData ReadInstanceData(platform::FileSystem& files, const std::string& path) {
  std::vector<std::string> lines = ReadTextLines(files, path);
  lines.resize(3);
  InstanceData data{lines[0], lines[1], lines[2]};
  if (!IsPlainFolderName(data.product_code) || !IsPlainFolderName(data.revision_code))
    throw std::runtime_error("The instance data " + path + " names no product code and revision code");
  return data;
}

}  // namespace quillset::engine
