// Lexical form of a Windows path: the drive letter and the components left after "." and ".."
// are resolved against a current folder, as GetFullPathName does it.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace quillset::platform::posix {

struct WindowsPath {
  char drive = 'C';                     // upper case
  std::vector<std::string> components;  // no empty, "." or ".." entries

  std::string ToString() const;  // "C:\dir\file"; the root is "C:\"
};

// Both "\" and "/" separate. nullopt for what Windows would not resolve to a drive path: UNC
// and device paths, names with characters Windows forbids. current must be absolute.
std::optional<WindowsPath> ResolveWindowsPath(const std::string& path, const WindowsPath& current);

// Upper-cases ASCII letters: the case rule of file, key and value names.
std::string FoldCase(const std::string& text);

}  // namespace quillset::platform::posix
