#include "platform/posix/paths/windows_path.h"

#include <cctype>

namespace quillset::platform::posix {

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }

bool IsForbidden(unsigned char c) {
  return c < 0x20 || c == '<' || c == '>' || c == ':' || c == '"' || c == '|' || c == '?' || c == '*';
}

// Adds the components of text (no drive part) to path; false on a forbidden name.
bool Append(WindowsPath& path, const std::string& text) {
  size_t start = 0;
  while (start <= text.size()) {
    size_t end = start;
    while (end < text.size() && !IsSeparator(text[end])) ++end;
    std::string name = text.substr(start, end - start);
    start = end + 1;
    if (name.empty() || name == ".") continue;
    if (name == "..") {
      if (!path.components.empty()) path.components.pop_back();
      continue;
    }
    // Windows drops trailing dots and blanks of a name: "file. " is "file".
    while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
    if (name.empty()) continue;
    for (unsigned char c : name)
      if (IsForbidden(c)) return false;
    path.components.push_back(std::move(name));
  }
  return true;
}

}  // namespace

std::string WindowsPath::ToString() const {
  std::string text{drive, ':'};
  if (components.empty()) return text + "\\";
  for (const auto& name : components) text += "\\" + name;
  return text;
}

std::optional<WindowsPath> ResolveWindowsPath(const std::string& path, const WindowsPath& current) {
  if (path.empty()) return std::nullopt;
  if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) return std::nullopt;  // UNC
  WindowsPath result;
  std::string rest;
  if (path.size() >= 2 && path[1] == ':' && std::isalpha(static_cast<unsigned char>(path[0]))) {
    result.drive = static_cast<char>(std::toupper(static_cast<unsigned char>(path[0])));
    rest = path.substr(2);
    // "D:name" is relative to the current folder of D:, which is its root unless D: is current.
    bool rooted = !rest.empty() && IsSeparator(rest[0]);
    if (!rooted && result.drive == current.drive) result.components = current.components;
  } else if (IsSeparator(path[0])) {
    result.drive = current.drive;
    rest = path;
  } else {
    result = current;
    rest = path;
  }
  if (!Append(result, rest)) return std::nullopt;
  return result;
}

std::string FoldCase(const std::string& text) {
  std::string folded = text;
  for (char& c : folded)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return folded;
}

}  // namespace quillset::platform::posix
