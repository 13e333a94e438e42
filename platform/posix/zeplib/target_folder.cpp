#include "platform/posix/zeplib/target_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

namespace quillset::zeplib {

namespace {

// FILETIME counts 100 ns steps from 1601; the host counts from 1970.
constexpr uint64_t kEpochDifference = 116444736000000000ull;

WriteStatus StatusOfFailedStep(int parent, const std::string& name) {
  struct stat info;
  if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISLNK(info.st_mode))
    return WriteStatus::kUnsafe;
  return WriteStatus::kFailed;
}

}  // namespace

NewFile::~NewFile() {
  if (fd_ < 0) return;
  close(fd_);
  unlinkat(parent_, name_.c_str(), 0);
}

bool NewFile::Write(const void* data, size_t size) {
  auto bytes = static_cast<const char*>(data);
  while (size > 0) {
    ssize_t n = write(fd_, bytes, size);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes += n;
    size -= static_cast<size_t>(n);
  }
  return true;
}

bool NewFile::Finish(uint64_t filetime, uint32_t mode) {
  bool ok = true;
  if (filetime >= kEpochDifference) {
    uint64_t since_epoch = filetime - kEpochDifference;
    timespec times[2];
    times[0].tv_sec = 0;
    times[0].tv_nsec = UTIME_OMIT;
    times[1].tv_sec = static_cast<time_t>(since_epoch / 10000000);
    times[1].tv_nsec = static_cast<long>(since_epoch % 10000000 * 100);
    ok = futimens(fd_, times) == 0;
  }
  if (mode != 0) ok = fchmod(fd_, mode & 0777) == 0 && ok;
  ok = close(fd_) == 0 && ok;
  fd_ = -1;
  if (!ok) unlinkat(parent_, name_.c_str(), 0);
  return ok;
}

std::unique_ptr<TargetFolder> TargetFolder::Open(const std::string& host_path) {
  std::error_code error;
  std::filesystem::create_directories(host_path, error);
  int fd = open(host_path.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return nullptr;
  return std::unique_ptr<TargetFolder>(new TargetFolder(fd));
}

TargetFolder::~TargetFolder() {
  if (cached_fd_ >= 0) close(cached_fd_);
  close(root_);
}

int TargetFolder::Parent(const std::vector<std::string>& path, WriteStatus& status) {
  std::vector<std::string> folders(path.begin(), path.end() - 1);
  if (folders.empty()) return root_;
  if (cached_fd_ >= 0 && folders == cached_path_) return cached_fd_;
  int fd = root_;
  for (const auto& name : folders) {
    int next = -1;
    if (mkdirat(fd, name.c_str(), 0777) == 0 || errno == EEXIST) {
      next = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (next < 0) status = StatusOfFailedStep(fd, name);
    } else {
      status = WriteStatus::kFailed;
    }
    if (fd != root_) close(fd);
    if (next < 0) return -1;
    fd = next;
  }
  if (cached_fd_ >= 0) close(cached_fd_);
  cached_fd_ = fd;
  cached_path_ = std::move(folders);
  return fd;
}

WriteStatus TargetFolder::MakeDirectory(const std::vector<std::string>& path) {
  WriteStatus status = WriteStatus::kOk;
  int parent = Parent(path, status);
  if (parent < 0) return status;
  const std::string& name = path.back();
  if (mkdirat(parent, name.c_str(), 0777) == 0) return WriteStatus::kOk;
  struct stat info;
  if (errno == EEXIST && fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    if (S_ISDIR(info.st_mode)) return WriteStatus::kOk;
    if (S_ISLNK(info.st_mode)) return WriteStatus::kUnsafe;
  }
  return WriteStatus::kFailed;
}

WriteStatus TargetFolder::Clear(int parent, const std::string& name, const ReplaceQuestion& replace) {
  struct stat info;
  if (fstatat(parent, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
    return errno == ENOENT ? WriteStatus::kOk : WriteStatus::kFailed;
  if (S_ISDIR(info.st_mode)) return WriteStatus::kFailed;
  uint64_t filetime = static_cast<uint64_t>(info.st_mtim.tv_sec) * 10000000 +
                      static_cast<uint64_t>(info.st_mtim.tv_nsec) / 100 + kEpochDifference;
  if (!replace(static_cast<uint64_t>(info.st_size), filetime)) return WriteStatus::kSkipped;
  // The old entry goes first, so a link in its place is replaced, never written through.
  return unlinkat(parent, name.c_str(), 0) == 0 ? WriteStatus::kOk : WriteStatus::kFailed;
}

WriteStatus TargetFolder::CreateFile(const std::vector<std::string>& path,
                                     const ReplaceQuestion& replace, std::unique_ptr<NewFile>* file) {
  WriteStatus status = WriteStatus::kOk;
  int parent = Parent(path, status);
  if (parent < 0) return status;
  const std::string& name = path.back();
  status = Clear(parent, name, replace);
  if (status != WriteStatus::kOk) return status;
  int fd = openat(parent, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (fd < 0) return WriteStatus::kFailed;
  *file = std::make_unique<NewFile>(parent, name, fd);
  return WriteStatus::kOk;
}

WriteStatus TargetFolder::CreateLink(const std::vector<std::string>& path, const std::string& target,
                                     const ReplaceQuestion& replace) {
  WriteStatus status = WriteStatus::kOk;
  int parent = Parent(path, status);
  if (parent < 0) return status;
  const std::string& name = path.back();
  status = Clear(parent, name, replace);
  if (status != WriteStatus::kOk) return status;
  return symlinkat(target.c_str(), parent, name.c_str()) == 0 ? WriteStatus::kOk : WriteStatus::kFailed;
}

}  // namespace quillset::zeplib
