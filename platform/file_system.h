// Files and folders as the engine sees them: Windows paths ("C:\dir\file"), 8-bit text,
// Windows attribute bits. Implementations map paths to the host at their boundary.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quillset::platform {

// Windows file attribute bits the engine reads or writes.
enum FileAttribute : uint32_t {
  kAttributeReadOnly = 0x1,
  kAttributeHidden = 0x2,
  kAttributeSystem = 0x4,
  kAttributeDirectory = 0x10,
  kAttributeArchive = 0x20,
  kAttributeNormal = 0x80,
  kAttributeCompressed = 0x800,
};

enum class DriveType { kUnknown, kNoRootDir, kRemovable, kFixed, kRemote, kCdRom, kRamDisk };

struct DirectoryEntry {
  std::string name;  // file name only, as stored on disk
  bool is_directory = false;  // a folder, or a link to one
  bool is_link = false;       // a symbolic link or other reparse point: delete it, never descend
  uint64_t size = 0;
};

// An open file for sequential or positioned access.
class File {
 public:
  virtual ~File() = default;
  // Reads up to size bytes at the current position; returns the count read (0 at the end),
  // or -1 on error.
  virtual int64_t Read(void* buffer, size_t size) = 0;
  // Writes all bytes; false on error.
  virtual bool Write(const void* data, size_t size) = 0;
  virtual bool Seek(uint64_t offset) = 0;
  virtual bool SeekToEnd() = 0;
  virtual std::optional<uint64_t> Size() = 0;
};

enum class OpenMode {
  kRead,            // existing file, read only
  kReadWrite,       // existing file, or created empty
  kCreateTruncate,  // created or emptied, write
  kCreatePrivate,   // created or emptied, write; readable and writable by its owner alone
};

class FileSystem {
 public:
  virtual ~FileSystem() = default;

  virtual bool FileExists(const std::string& path) = 0;       // a file, not a folder
  virtual bool DirectoryExists(const std::string& path) = 0;  // a folder
  // Creates the folder and every missing parent; true when the folder exists afterwards.
  virtual bool CreateDirectories(const std::string& path) = 0;
  // Creates one folder; false when it exists already (of any kind) or cannot be made.
  // Two processes racing for the same name: exactly one succeeds.
  virtual bool CreateDirectoryExclusive(const std::string& path) = 0;
  virtual bool RemoveDirectory(const std::string& path) = 0;  // an empty folder
  virtual bool DeleteFile(const std::string& path) = 0;
  virtual bool CopyFile(const std::string& from, const std::string& to, bool overwrite) = 0;
  virtual bool MoveFile(const std::string& from, const std::string& to) = 0;
  virtual std::optional<uint64_t> FileSize(const std::string& path) = 0;
  virtual std::vector<DirectoryEntry> ListDirectory(const std::string& path) = 0;
  // Windows attribute bits; nullopt when the path does not exist.
  virtual std::optional<uint32_t> GetAttributes(const std::string& path) = 0;
  virtual bool SetAttributes(const std::string& path, uint32_t attributes) = 0;
  virtual std::unique_ptr<File> Open(const std::string& path, OpenMode mode) = 0;
  virtual DriveType GetDriveType(const std::string& path) = 0;
  // The long form of a path as stored on disk; the short (8.3) form of a name is the name itself
  // where the host has no short names.
  virtual std::string LongPathName(const std::string& path) = 0;
  // The full path (GetFullPathName): drive and folders of a relative or driveless path taken
  // from the current folder, "." and ".." resolved; the file need not exist. Empty when the
  // path names no drive of this system.
  virtual std::string FullPathName(const std::string& path) = 0;
  virtual std::string ShortPathName(const std::string& path) = 0;
  // A new empty file with a unique name in the folder, as GetTempFileName numbers it: the first
  // three characters of the prefix, a hexadecimal number and ".tmp". Answers its full path, or
  // empty when no file could be made or the path would not fit in 260 bytes.
  virtual std::string CreateTempFile(const std::string& folder, const std::string& prefix) = 0;
};

// Whole-file helpers over FileSystem::Open.
std::optional<std::string> ReadWholeFile(FileSystem& files, const std::string& path);
bool WriteWholeFile(FileSystem& files, const std::string& path, const std::string& data);
// Copies bytes [offset, end of file) of one file into a new file; false on any error.
bool CopyFileTail(FileSystem& files, const std::string& from, uint64_t offset, const std::string& to);

}  // namespace quillset::platform
