// Files and folders through the path map. Windows rules kept where the engine relies on them:
// a read-only file cannot be written or deleted, MoveFile never replaces, attribute bits
// without a posix meaning live in a user extended attribute.
#pragma once

#include "platform/file_system.h"
#include "platform/posix/paths/path_map.h"

namespace quillset::platform::posix {

class PosixFileSystem : public FileSystem {
 public:
  explicit PosixFileSystem(const PathMap& paths) : paths_(paths) {}

  bool FileExists(const std::string& path) override;
  bool DirectoryExists(const std::string& path) override;
  bool CreateDirectories(const std::string& path) override;
  bool CreateDirectoryExclusive(const std::string& path) override;
  bool RemoveDirectory(const std::string& path) override;
  bool DeleteFile(const std::string& path) override;
  bool CopyFile(const std::string& from, const std::string& to, bool overwrite) override;
  bool MoveFile(const std::string& from, const std::string& to) override;
  std::optional<uint64_t> FileSize(const std::string& path) override;
  std::vector<DirectoryEntry> ListDirectory(const std::string& path) override;
  std::optional<uint32_t> GetAttributes(const std::string& path) override;
  bool SetAttributes(const std::string& path, uint32_t attributes) override;
  std::unique_ptr<File> Open(const std::string& path, OpenMode mode) override;
  DriveType GetDriveType(const std::string& path) override;
  std::string LongPathName(const std::string& path) override;
  std::string FullPathName(const std::string& path) override;
  std::string ShortPathName(const std::string& path) override;
  std::string CreateTempFile(const std::string& folder, const std::string& prefix) override;

 private:
  const PathMap& paths_;
};

}  // namespace quillset::platform::posix
