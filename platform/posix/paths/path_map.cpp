#include "platform/posix/paths/path_map.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace quillset::platform::posix {

namespace {

// "/a/./b/../c/" -> {"a", "c"}
std::vector<std::string> HostComponents(const std::string& path) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (start <= path.size()) {
    size_t end = path.find('/', start);
    if (end == std::string::npos) end = path.size();
    std::string name = path.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!parts.empty()) parts.pop_back();
    } else {
      parts.push_back(std::move(name));
    }
  }
  return parts;
}

std::string Join(const std::string& base, const std::string& name) {
  return base == "/" ? "/" + name : base + "/" + name;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

// The on-disk spelling of name in folder, matched without regard to case.
std::optional<std::string> FindFolded(const std::string& folder, const std::string& name) {
  // A name without letters has no other spelling: its exact lookup has answered already, and
  // a folder that fills with numbered names is not read once per name.
  if (std::none_of(name.begin(), name.end(), [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }))
    return std::nullopt;
  DIR* dir = opendir(folder.c_str());
  if (!dir) return std::nullopt;
  std::string wanted = FoldCase(name);
  std::optional<std::string> found;
  while (dirent* entry = readdir(dir)) {
    if (FoldCase(entry->d_name) == wanted) {
      found = entry->d_name;
      break;
    }
  }
  closedir(dir);
  return found;
}

}  // namespace

PathMap::PathMap(const std::string& prefix, const std::string& current_directory)
    : host_current_(current_directory) {
  if (prefix.empty()) {
    drive_c_ = "/";
  } else {
    std::string root;
    for (const auto& part : HostComponents(prefix[0] == '/' ? prefix : Join(current_directory, prefix)))
      root += "/" + part;
    drive_c_ = root + "/drive_c";
  }
  current_ = *Resolve(ToWindows(current_directory));
}

std::optional<std::string> PathMap::DriveRoot(char drive) const {
  if (drive == 'C') return drive_c_;
  if (drive == 'Z') return std::string("/");
  return std::nullopt;
}

std::optional<WindowsPath> PathMap::Resolve(const std::string& windows_path) const {
  auto path = ResolveWindowsPath(windows_path, current_);
  if (!path || !DriveRoot(path->drive)) return std::nullopt;
  return path;
}

std::optional<std::string> PathMap::ToHost(const std::string& windows_path) const {
  auto path = Resolve(windows_path);
  if (!path) return std::nullopt;
  std::string host = *DriveRoot(path->drive);
  bool found = true;
  for (const auto& name : path->components) {
    std::string exact = Join(host, name);
    if (found && !Exists(exact)) {
      if (auto spelled = FindFolded(host, name)) {
        host = Join(host, *spelled);
        continue;
      }
      found = false;
    }
    host = exact;
  }
  return host;
}

std::string PathMap::ToWindows(const std::string& host_path) const {
  auto parts = HostComponents(!host_path.empty() && host_path[0] == '/' ? host_path : Join(host_current_, host_path));
  auto drive_c = HostComponents(drive_c_);
  WindowsPath path;
  bool on_c = parts.size() >= drive_c.size() && std::equal(drive_c.begin(), drive_c.end(), parts.begin());
  path.drive = on_c ? 'C' : 'Z';
  path.components.assign(parts.begin() + (on_c ? static_cast<long>(drive_c.size()) : 0), parts.end());
  return path.ToString();
}

}  // namespace quillset::platform::posix
