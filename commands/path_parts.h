// The parts of Windows paths that "Extract Path" and "Convert Path" compute. Backslash and colon
// both end a folder part, as in "C:file".
#pragma once

#include <cstdint>
#include <string>

#include "platform/file_system.h"

namespace quillset::commands {

// Part number 0 file name, 1 its name without extension, 2 the extension without its dot,
// 3 the folder, 4 the parent folder, 5 the drive ("C:" or "\\server\share"), 6 doubled
// backslashes made single; folders and drives with a trailing backslash unless empty. Any other
// number answers the path unchanged.
std::string ExtractPathPart(const std::string& path, int32_t part);

// The path with every component spelled as on disk, found one level at a time from the drive
// down; from the first component that does not exist on, the path stays as given. Double quotes
// and one trailing backslash are dropped first.
std::string LongPathForm(platform::FileSystem& files, std::string path);

}  // namespace quillset::commands
