// The folder an extraction writes into. Every entry is reached from the folder's descriptor one
// component at a time without following links, so a link already on disk, or one the archive
// wrote earlier, can never carry a write outside the folder.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillset::zeplib {

// Decides about an entry that exists already: true replaces it.
using ReplaceQuestion = std::function<bool(uint64_t existing_size, uint64_t existing_filetime)>;

enum class WriteStatus { kOk, kSkipped, kUnsafe, kFailed };

// A file being written; removed again unless Finish is called. Finish or drop it before the
// folder creates the next entry: it borrows the folder's descriptor of its parent.
class NewFile {
 public:
  NewFile(int parent, std::string name, int fd) : parent_(parent), name_(std::move(name)), fd_(fd) {}
  ~NewFile();
  NewFile(const NewFile&) = delete;
  NewFile& operator=(const NewFile&) = delete;

  bool Write(const void* data, size_t size);
  // Closes the file with its modification time (0: leave it) and permission bits (0: leave).
  bool Finish(uint64_t filetime, uint32_t mode);

 private:
  int parent_;  // borrowed from the TargetFolder, which outlives the file
  std::string name_;
  int fd_;
};

class TargetFolder {
 public:
  // Creates the folder with its parents when missing; nullptr when that fails.
  static std::unique_ptr<TargetFolder> Open(const std::string& host_path);
  ~TargetFolder();
  TargetFolder(const TargetFolder&) = delete;
  TargetFolder& operator=(const TargetFolder&) = delete;

  WriteStatus MakeDirectory(const std::vector<std::string>& path);
  // kOk with *file set, kSkipped when it exists and replace answers false.
  WriteStatus CreateFile(const std::vector<std::string>& path, const ReplaceQuestion& replace,
                         std::unique_ptr<NewFile>* file);
  // target is a checked host link target (SafeLinkTarget).
  WriteStatus CreateLink(const std::vector<std::string>& path, const std::string& target,
                         const ReplaceQuestion& replace);

 private:
  explicit TargetFolder(int fd) : root_(fd) {}
  // The folder holding path's last component, created as needed; -1 with status set.
  int Parent(const std::vector<std::string>& path, WriteStatus& status);
  // Makes room for a new entry named name in parent.
  WriteStatus Clear(int parent, const std::string& name, const ReplaceQuestion& replace);

  int root_;
  // The last parent walked to: entries of one folder usually follow each other.
  std::vector<std::string> cached_path_;
  int cached_fd_ = -1;
};

}  // namespace quillset::zeplib
