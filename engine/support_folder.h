// The support folder: a private folder per run below the temporary folder, numbered "zep1",
// "zep2", ... so that engines started at the same time each get their own.
#pragma once

#include <string>

#include "platform/file_system.h"

namespace quillset::engine {

// Creates temp_folder + "zep" + N for the first N whose folder does not exist yet; answers it
// with a trailing backslash. Throws when no folder can be made.
std::string CreateSupportFolder(platform::FileSystem& files, const std::string& temp_folder);

// Removes the folder and everything in it. Read-only files are made writable first; a pass
// that leaves something behind (a file still in use) is repeated, three passes in all.
void RemoveSupportFolder(platform::FileSystem& files, const std::string& folder);

}  // namespace quillset::engine
