#include "platform/posix/posix_file_system.h"

#include <dirent.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <string>

namespace quillset::platform::posix {

namespace {

const char* const kAttributeName = "user.quillset.attributes";
// Bits kept in the extended attribute; read-only of a file is its write permission instead.
constexpr uint32_t kStoredBits = kAttributeHidden | kAttributeSystem | kAttributeArchive | kAttributeCompressed;

bool IsReadOnly(const struct stat& st) { return S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0; }

uint32_t StoredAttributes(const std::string& host) {
  char text[16] = {};
  ssize_t size = getxattr(host.c_str(), kAttributeName, text, sizeof text - 1);
  return size > 0 ? static_cast<uint32_t>(std::strtoul(text, nullptr, 10)) : 0;
}

// Unsupported extended attributes drop the bits: the file system cannot keep them.
void StoreAttributes(const std::string& host, uint32_t bits) {
  if (bits == 0) {
    removexattr(host.c_str(), kAttributeName);
    return;
  }
  std::string text = std::to_string(bits);
  setxattr(host.c_str(), kAttributeName, text.data(), text.size(), 0);
}

class PosixFile : public File {
 public:
  explicit PosixFile(int fd) : fd_(fd) {}
  ~PosixFile() override { close(fd_); }
  PosixFile(const PosixFile&) = delete;
  PosixFile& operator=(const PosixFile&) = delete;

  int64_t Read(void* buffer, size_t size) override {
    for (;;) {
      ssize_t n = read(fd_, buffer, size);
      if (n >= 0 || errno != EINTR) return n;
    }
  }
  bool Write(const void* data, size_t size) override {
    const char* bytes = static_cast<const char*>(data);
    while (size > 0) {
      ssize_t n = write(fd_, bytes, size);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return false;
      bytes += n;
      size -= static_cast<size_t>(n);
    }
    return true;
  }
  bool Seek(uint64_t offset) override { return lseek(fd_, static_cast<off_t>(offset), SEEK_SET) >= 0; }
  bool SeekToEnd() override { return lseek(fd_, 0, SEEK_END) >= 0; }
  std::optional<uint64_t> Size() override {
    struct stat st;
    if (fstat(fd_, &st) != 0) return std::nullopt;
    return static_cast<uint64_t>(st.st_size);
  }

 private:
  int fd_;
};

bool CopyContents(const std::string& from, const std::string& to, bool overwrite) {
  int in = open(from.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) return false;
  struct stat st;
  if (fstat(in, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(in);
    return false;
  }
  int out = open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC | (overwrite ? 0 : O_EXCL), 0666);
  if (out < 0) {
    close(in);
    return false;
  }
  PosixFile source(in), target(out);
  char buffer[1 << 16];
  for (;;) {
    int64_t n = source.Read(buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) break;
    if (!target.Write(buffer, static_cast<size_t>(n))) return false;
  }
  // A copy keeps the source's attributes, read-only included.
  return fchmod(out, st.st_mode & 07777) == 0;
}

}  // namespace

bool PosixFileSystem::FileExists(const std::string& path) {
  auto host = paths_.ToHost(path);
  struct stat st;
  return host && stat(host->c_str(), &st) == 0 && !S_ISDIR(st.st_mode);
}

bool PosixFileSystem::DirectoryExists(const std::string& path) {
  auto host = paths_.ToHost(path);
  struct stat st;
  return host && stat(host->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::CreateDirectories(const std::string& path) {
  auto host = paths_.ToHost(path);
  if (!host) return false;
  for (size_t slash = host->find('/', 1); slash != std::string::npos; slash = host->find('/', slash + 1))
    mkdir(host->substr(0, slash).c_str(), 0777);
  mkdir(host->c_str(), 0777);
  struct stat st;
  return stat(host->c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool PosixFileSystem::CreateDirectoryExclusive(const std::string& path) {
  auto host = paths_.ToHost(path);
  return host && mkdir(host->c_str(), 0777) == 0;  // atomic: EEXIST for every loser
}

bool PosixFileSystem::RemoveDirectory(const std::string& path) {
  auto host = paths_.ToHost(path);
  return host && rmdir(host->c_str()) == 0;
}

bool PosixFileSystem::DeleteFile(const std::string& path) {
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!host || lstat(host->c_str(), &st) != 0 || S_ISDIR(st.st_mode) || IsReadOnly(st)) return false;
  return unlink(host->c_str()) == 0;
}

bool PosixFileSystem::CopyFile(const std::string& from, const std::string& to, bool overwrite) {
  auto source = paths_.ToHost(from);
  auto target = paths_.ToHost(to);
  if (!source || !target) return false;
  struct stat st;
  if (stat(target->c_str(), &st) == 0 && (!overwrite || S_ISDIR(st.st_mode) || IsReadOnly(st))) return false;
  if (!CopyContents(*source, *target, overwrite)) return false;
  StoreAttributes(*target, StoredAttributes(*source));
  return true;
}

bool PosixFileSystem::MoveFile(const std::string& from, const std::string& to) {
  auto source = paths_.ToHost(from);
  auto target = paths_.ToHost(to);
  if (!source || !target) return false;
  if (renameat2(AT_FDCWD, source->c_str(), AT_FDCWD, target->c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EINVAL) {
    // A file system without no-replace renames: check first, accepting the small race.
    struct stat st;
    if (lstat(target->c_str(), &st) == 0) return false;
    if (rename(source->c_str(), target->c_str()) == 0) return true;
  }
  if (errno != EXDEV) return false;
  // Across file systems a file is copied and then removed; a folder cannot move.
  return CopyContents(*source, *target, false) && unlink(source->c_str()) == 0;
}

std::optional<uint64_t> PosixFileSystem::FileSize(const std::string& path) {
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!host || stat(host->c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return std::nullopt;
  return static_cast<uint64_t>(st.st_size);
}

std::vector<DirectoryEntry> PosixFileSystem::ListDirectory(const std::string& path) {
  std::vector<DirectoryEntry> entries;
  auto host = paths_.ToHost(path);
  if (!host) return entries;
  DIR* dir = opendir(host->c_str());
  if (!dir) return entries;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    const std::string full = *host + "/" + name;
    struct stat link, st;
    if (lstat(full.c_str(), &link) != 0) continue;  // gone meanwhile
    if (stat(full.c_str(), &st) != 0) {
      // A dangling link is listed as a link, so that a folder holding one can still be emptied.
      if (S_ISLNK(link.st_mode)) entries.push_back({name, false, true, 0});
      continue;
    }
    entries.push_back({name, S_ISDIR(st.st_mode), S_ISLNK(link.st_mode),
                       S_ISDIR(st.st_mode) ? 0 : static_cast<uint64_t>(st.st_size)});
  }
  closedir(dir);
  return entries;
}

std::optional<uint32_t> PosixFileSystem::GetAttributes(const std::string& path) {
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!host || stat(host->c_str(), &st) != 0) return std::nullopt;
  uint32_t attributes = StoredAttributes(*host);
  if (S_ISDIR(st.st_mode)) attributes |= kAttributeDirectory;
  if (IsReadOnly(st)) attributes |= kAttributeReadOnly;
  return attributes == 0 ? kAttributeNormal : attributes;
}

bool PosixFileSystem::SetAttributes(const std::string& path, uint32_t attributes) {
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!host || stat(host->c_str(), &st) != 0) return false;
  uint32_t stored = attributes & kStoredBits;
  if (S_ISDIR(st.st_mode)) {
    // A folder's read-only bit is only a mark on Windows; it must not stop writing inside.
    stored |= attributes & kAttributeReadOnly;
  } else {
    mode_t mode = st.st_mode & 07777;
    mode = (attributes & kAttributeReadOnly) ? mode & ~mode_t{0222} : mode | S_IWUSR;
    if (chmod(host->c_str(), mode) != 0) return false;
  }
  StoreAttributes(*host, stored);
  return true;
}

std::unique_ptr<File> PosixFileSystem::Open(const std::string& path, OpenMode mode) {
  auto host = paths_.ToHost(path);
  if (!host) return nullptr;
  int flags = O_CLOEXEC;
  switch (mode) {
    case OpenMode::kRead:
      flags |= O_RDONLY;
      break;
    case OpenMode::kReadWrite:
      flags |= O_RDWR | O_CREAT;
      break;
    case OpenMode::kCreateTruncate:
    case OpenMode::kCreatePrivate:
      flags |= O_WRONLY | O_CREAT | O_TRUNC;
      break;
  }
  struct stat st;
  bool exists = stat(host->c_str(), &st) == 0;
  if (exists && (S_ISDIR(st.st_mode) || (mode != OpenMode::kRead && IsReadOnly(st)))) return nullptr;
  if (mode == OpenMode::kCreatePrivate) flags |= O_NOFOLLOW;
  int fd = open(host->c_str(), flags, mode == OpenMode::kCreatePrivate ? 0600 : 0666);
  if (fd < 0) return nullptr;
  // A file that existed keeps its mode through open: narrow it before anything is written.
  if (mode == OpenMode::kCreatePrivate && fchmod(fd, 0600) != 0) {
    close(fd);
    return nullptr;
  }
  return std::make_unique<PosixFile>(fd);
}

DriveType PosixFileSystem::GetDriveType(const std::string& path) {
  auto resolved = paths_.Resolve(path.empty() ? "\\" : path);
  return resolved ? DriveType::kFixed : DriveType::kNoRootDir;
}

std::string PosixFileSystem::FullPathName(const std::string& path) {
  auto resolved = paths_.Resolve(path);
  return resolved ? resolved->ToString() : std::string();
}

std::string PosixFileSystem::LongPathName(const std::string& path) {
  auto resolved = paths_.Resolve(path);
  auto host = paths_.ToHost(path);
  struct stat st;
  if (!resolved || !host || lstat(host->c_str(), &st) != 0) return "";
  // The on-disk spelling of every component, on the drive the caller named.
  std::string root = *paths_.DriveRoot(resolved->drive);
  std::string rest = host->substr(root == "/" ? 0 : root.size());
  WindowsPath spelled{resolved->drive, {}};
  for (size_t start = 1; start < rest.size();) {
    size_t end = rest.find('/', start);
    if (end == std::string::npos) end = rest.size();
    spelled.components.push_back(rest.substr(start, end - start));
    start = end + 1;
  }
  std::string text = spelled.ToString();
  bool trailing = !path.empty() && (path.back() == '\\' || path.back() == '/');
  return trailing && text.back() != '\\' ? text + "\\" : text;
}

std::string PosixFileSystem::ShortPathName(const std::string& path) { return LongPathName(path); }

std::string PosixFileSystem::CreateTempFile(const std::string& folder, const std::string& prefix) {
  std::string base = folder.empty() || folder.back() == '\\' ? folder : folder + "\\";
  base += prefix.substr(0, 3);
  // Numbers are 16 bits without 0, tried upwards from one taken from the clock, as Windows does.
  auto ticks = std::chrono::steady_clock::now().time_since_epoch() / std::chrono::milliseconds(1);
  uint32_t start = static_cast<uint32_t>(ticks) % 0xFFFF;
  for (uint32_t step = 0; step < 0xFFFF; ++step) {
    char number[8];
    snprintf(number, sizeof number, "%X", (start + step) % 0xFFFF + 1);
    std::string path = base + number + ".tmp";
    if (path.size() >= 260) return "";
    auto host = paths_.ToHost(path);
    if (!host) return "";
    // O_EXCL: of two processes picking the same number, one gets EEXIST and moves on.
    int fd = open(host->c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      close(fd);
      return path;
    }
    if (errno != EEXIST) return "";
  }
  return "";
}

}  // namespace quillset::platform::posix
