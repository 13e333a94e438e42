// Text helpers for Windows paths as the engine writes them ("C:\dir\file.ext"). Both "\" and
// "/" separate components; a drive's colon ends the drive part.
#pragma once

#include <string>
#include <string_view>

namespace quillset::platform {

// Folder paths are kept with a trailing backslash; adding one is idempotent and an empty path
// stays empty.
std::string IncludeTrailingBackslash(std::string_view path);
std::string ExcludeTrailingBackslash(std::string_view path);
// The folder part with its trailing separator ("C:\dir\" of "C:\dir\file.ext").
std::string ExtractFilePath(std::string_view path);
// The name after the last separator ("file.ext").
std::string ExtractFileName(std::string_view path);
// The extension with its dot (".ext"), empty when the name has none.
std::string ExtractFileExt(std::string_view path);
// The path with its extension replaced (extension given with its dot, or empty to remove).
std::string ChangeFileExt(std::string_view path, std::string_view extension);

}  // namespace quillset::platform
