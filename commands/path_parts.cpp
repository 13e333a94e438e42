#include "commands/path_parts.h"

#include <algorithm>

namespace quillset::commands {
namespace {

size_t LastDelimiter(const std::string& path) { return path.find_last_of("\\:"); }
bool IsDelimiter(char c) { return c == '\\' || c == ':'; }

std::string FileName(const std::string& path) {
  size_t last = LastDelimiter(path);
  return last == std::string::npos ? path : path.substr(last + 1);
}

// Up to and including the last delimiter.
std::string FolderPart(const std::string& path) {
  size_t last = LastDelimiter(path);
  return last == std::string::npos ? "" : path.substr(0, last + 1);
}

// The folder part without its backslash, except where that backslash follows a delimiter
// ("C:\" and "\\" keep theirs).
std::string FolderOf(const std::string& path) {
  size_t last = LastDelimiter(path);
  if (last == std::string::npos) return "";
  bool drop = last > 0 && path[last] == '\\' && !IsDelimiter(path[last - 1]);
  return path.substr(0, drop ? last : last + 1);
}

std::string WithBackslash(const std::string& folder) {
  return folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
}

std::string WithoutBackslash(const std::string& folder) {
  return !folder.empty() && folder.back() == '\\' ? folder.substr(0, folder.size() - 1) : folder;
}

// "X:" of a drive path, "\\server\share" of a network path, else empty.
std::string Drive(const std::string& path) {
  if (path.size() >= 2 && path[1] == ':') return path.substr(0, 2);
  if (path.size() < 2 || path[0] != '\\' || path[1] != '\\') return "";
  size_t end = path.find('\\', 2);                                // after the server
  if (end != std::string::npos) end = path.find('\\', end + 1);  // after the share
  return path.substr(0, end);
}

std::string CollapseBackslashes(const std::string& path) {
  std::string result;
  for (size_t i = 0; i < path.size(); ++i) {
    result += path[i];
    if (path[i] == '\\' && i + 1 < path.size() && path[i + 1] == '\\') ++i;
  }
  return result;
}

bool SameName(const std::string& a, const std::string& b) {
  auto fold = [](char c) { return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c; };
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return fold(x) == fold(y); });
}

}  // namespace

std::string ExtractPathPart(const std::string& path, int32_t part) {
  const std::string name = FileName(path);
  const size_t dot = name.rfind('.');
  switch (part) {
    case 0: return name;
    case 1: return dot == std::string::npos ? name : name.substr(0, dot);
    case 2: return dot == std::string::npos ? "" : name.substr(dot + 1);
    case 3: return WithBackslash(FolderPart(path));
    case 4: return WithBackslash(FolderPart(WithoutBackslash(WithBackslash(FolderPart(path)))));
    case 5: return WithBackslash(Drive(path));
    case 6: return CollapseBackslashes(path);
    default: return path;
  }
}

std::string LongPathForm(platform::FileSystem& files, std::string path) {
  std::erase(path, '"');
  path = WithoutBackslash(path);
  const std::string folder = FolderOf(path);
  if (folder == path) return path;  // a drive, or nothing left
  const std::string long_folder = LongPathForm(files, folder);
  const std::string name = FileName(path);
  for (const auto& entry : files.ListDirectory(FolderPart(path)))
    if (SameName(entry.name, name)) return long_folder + "\\" + entry.name;
  return path;
}

}  // namespace quillset::commands
