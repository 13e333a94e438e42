// A file system that hands every call to another one: test doubles derive from it and
// override only the calls they watch or change.
#pragma once

#include "platform/file_system.h"

namespace quillset::testing {

class ForwardingFileSystem : public platform::FileSystem {
 public:
  explicit ForwardingFileSystem(platform::FileSystem& real) : real_(real) {}

  bool FileExists(const std::string& p) override { return real_.FileExists(p); }
  bool DirectoryExists(const std::string& p) override { return real_.DirectoryExists(p); }
  bool CreateDirectories(const std::string& p) override { return real_.CreateDirectories(p); }
  bool CreateDirectoryExclusive(const std::string& p) override { return real_.CreateDirectoryExclusive(p); }
  bool RemoveDirectory(const std::string& p) override { return real_.RemoveDirectory(p); }
  bool DeleteFile(const std::string& p) override { return real_.DeleteFile(p); }
  bool CopyFile(const std::string& f, const std::string& t, bool o) override { return real_.CopyFile(f, t, o); }
  bool MoveFile(const std::string& f, const std::string& t) override { return real_.MoveFile(f, t); }
  std::optional<uint64_t> FileSize(const std::string& p) override { return real_.FileSize(p); }
  std::vector<platform::DirectoryEntry> ListDirectory(const std::string& p) override { return real_.ListDirectory(p); }
  std::optional<uint32_t> GetAttributes(const std::string& p) override { return real_.GetAttributes(p); }
  bool SetAttributes(const std::string& p, uint32_t a) override { return real_.SetAttributes(p, a); }
  std::unique_ptr<platform::File> Open(const std::string& p, platform::OpenMode m) override { return real_.Open(p, m); }
  platform::DriveType GetDriveType(const std::string& p) override { return real_.GetDriveType(p); }
  std::string LongPathName(const std::string& p) override { return real_.LongPathName(p); }
  std::string FullPathName(const std::string& p) override { return real_.FullPathName(p); }
  std::string ShortPathName(const std::string& p) override { return real_.ShortPathName(p); }
  std::string CreateTempFile(const std::string& f, const std::string& p) override { return real_.CreateTempFile(f, p); }

 protected:
  platform::FileSystem& real_;
};

}  // namespace quillset::testing
