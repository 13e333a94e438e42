#include "engine/support_folder.h"

#include <stdexcept>

#include "platform/win_path.h"

namespace quillset::engine {
namespace {

// Enough numbers for every engine a machine could run at once; past them the temporary folder
// is unusable rather than crowded.
constexpr int kMaxSupportFolders = 100000;

void DeleteContent(platform::FileSystem& files, const std::string& folder) {
  for (const auto& entry : files.ListDirectory(folder)) {
    std::string path = folder + entry.name;
    if (entry.is_link) {
      files.DeleteFile(path);  // the link goes; what it points at is not this folder's
    } else if (entry.is_directory) {
      std::string sub = platform::IncludeTrailingBackslash(path);
      DeleteContent(files, sub);
      files.RemoveDirectory(path);
    } else {
      files.SetAttributes(path, platform::kAttributeNormal);
      files.DeleteFile(path);
    }
  }
}

}  // namespace

std::string CreateSupportFolder(platform::FileSystem& files, const std::string& temp_folder) {
  files.CreateDirectories(temp_folder);
  for (int n = 1; n <= kMaxSupportFolders; ++n) {
    std::string candidate = temp_folder + "zep" + std::to_string(n);
    if (files.DirectoryExists(candidate)) continue;
    if (files.CreateDirectoryExclusive(candidate)) return platform::IncludeTrailingBackslash(candidate);
  }
  throw std::runtime_error("Unable to create a support folder in " + temp_folder);
}

void RemoveSupportFolder(platform::FileSystem& files, const std::string& folder) {
  std::string path = platform::IncludeTrailingBackslash(folder);
  for (int pass = 0; pass < 3; ++pass) DeleteContent(files, path);
  files.RemoveDirectory(platform::ExcludeTrailingBackslash(path));
}

}  // namespace quillset::engine
