#include "platform/posix/installer/directories.h"

#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

namespace {
constexpr int kMaxDepth = 64;  // a deeper chain is a loop in the table
}

std::string LongName(const std::string& names, bool short_names) {
  size_t bar = names.find('|');
  if (bar == std::string::npos) return names;
  return short_names ? names.substr(0, bar) : names.substr(bar + 1);
}

void Directories::Load(PackageDatabase& database, bool short_source_names) {
  rows_.clear();
  if (!database.HasTable("Directory")) return;
  for (const auto& row : database.Select("SELECT `Directory`, `Directory_Parent`, `DefaultDir` FROM `Directory`")) {
    std::string default_dir = row.Text(2);
    size_t colon = default_dir.find(':');
    std::string target = colon == std::string::npos ? default_dir : default_dir.substr(0, colon);
    std::string source = colon == std::string::npos ? target : default_dir.substr(colon + 1);
    std::string parent = row.Text(1) == row.Text(0) ? "" : row.Text(1);
    rows_[row.Text(0)] = {parent, LongName(target), LongName(source, short_source_names)};
  }
  for (const auto& [key, row] : rows_)
    if (!row.parent.empty() && !rows_.count(row.parent))
      throw PackageError("directory " + key + " has the unknown parent " + row.parent);
}

void Directories::Resolve(Properties& properties) {
  given_.clear();
  targets_.clear();
  sources_.clear();
  for (const auto& [key, row] : rows_)
    if (properties.Find(key)) given_.insert(key);
  for (const auto& [key, row] : rows_) {
    ResolveTarget(key, properties, 0);
    ResolveSource(key, properties, 0);
  }
  for (const auto& [key, folder] : targets_) properties.Set(key, folder);
}

void Directories::SetTarget(const std::string& directory, const std::string& folder, Properties& properties) {
  properties.Set(directory, IncludeTrailingBackslash(folder));
  if (!rows_.count(directory)) return;
  given_.insert(directory);
  targets_.clear();
  // The other directories keep what a property gave them; the rest follow their parents anew.
  for (const auto& [key, row] : rows_)
    if (!given_.count(key)) properties.Set(key, "");
  for (const auto& [key, row] : rows_) ResolveTarget(key, properties, 0);
  for (const auto& [key, target] : targets_) properties.Set(key, target);
}

std::string Directories::ResolveTarget(const std::string& key, Properties& properties, int depth) {
  if (auto done = targets_.find(key); done != targets_.end()) return done->second;
  if (depth > kMaxDepth) throw PackageError("the Directory table has a loop at " + key);
  const Row& row = rows_.at(key);
  std::string folder;
  if (auto given = properties.Find(key); given && given_.count(key)) {
    folder = IncludeTrailingBackslash(*given);
  } else if (row.parent.empty()) {
    folder = IncludeTrailingBackslash(properties.Get("ROOTDRIVE"));
  } else {
    folder = ResolveTarget(row.parent, properties, depth + 1);
    if (!row.target_name.empty() && row.target_name != ".") folder += row.target_name + "\\";
  }
  targets_[key] = folder;
  return folder;
}

std::string Directories::ResolveSource(const std::string& key, const Properties& properties, int depth) {
  if (auto done = sources_.find(key); done != sources_.end()) return done->second;
  if (depth > kMaxDepth) throw PackageError("the Directory table has a loop at " + key);
  const Row& row = rows_.at(key);
  std::string folder;
  if (row.parent.empty()) {
    folder = IncludeTrailingBackslash(properties.Get("SourceDir"));
  } else {
    folder = ResolveSource(row.parent, properties, depth + 1);
    if (!row.source_name.empty() && row.source_name != ".") folder += row.source_name + "\\";
  }
  sources_[key] = folder;
  return folder;
}

std::string Directories::Target(const std::string& directory) const {
  auto found = targets_.find(directory);
  return found == targets_.end() ? "" : found->second;
}

std::string Directories::Source(const std::string& directory) const {
  auto found = sources_.find(directory);
  return found == sources_.end() ? "" : found->second;
}

}  // namespace quillset::platform::posix::installer
