#include "platform/posix/installer/record_text.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstdio>

namespace quillset::platform::posix::installer {

std::string JoinRecord(const std::vector<std::string>& fields) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string line;
  for (size_t i = 0; i < fields.size(); ++i) {
    if (i) line += '\t';
    for (unsigned char c : fields[i]) {
      if (c < 0x20 || c == '%') {
        line += '%';
        line += kHex[c >> 4];
        line += kHex[c & 0xF];
      } else {
        line += static_cast<char>(c);
      }
    }
  }
  return line;
}

namespace {
int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}
}  // namespace

std::vector<std::string> SplitRecord(const std::string& line) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '%' && i + 2 < line.size() && HexDigit(line[i + 1]) >= 0 && HexDigit(line[i + 2]) >= 0) {
      fields.back() += static_cast<char>(HexDigit(line[i + 1]) * 16 + HexDigit(line[i + 2]));
      i += 2;
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

bool ReplaceFileAtomically(const std::string& host_path, const std::string& text) {
  std::string temporary = host_path + ".new";
  int fd = open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  size_t done = 0;
  while (done < text.size()) {
    ssize_t written = write(fd, text.data() + done, text.size() - done);
    if (written <= 0) {
      close(fd);
      unlink(temporary.c_str());
      return false;
    }
    done += static_cast<size_t>(written);
  }
  // No fsync: the rename is what makes the record whole for a process that is killed, and
  // flushing here would wait for every file the installation just wrote.
  if (close(fd) != 0 || std::rename(temporary.c_str(), host_path.c_str()) != 0) {
    unlink(temporary.c_str());
    return false;
  }
  return true;
}

}  // namespace quillset::platform::posix::installer
