#include "platform/dialogs.h"
#include "platform/file_system.h"

#include <iterator>

namespace quillset::platform {

std::optional<std::string> ReadWholeFile(FileSystem& files, const std::string& path) {
  auto file = files.Open(path, OpenMode::kRead);
  if (!file) return std::nullopt;
  std::string data;
  char buffer[1 << 16];
  for (;;) {
    int64_t n = file->Read(buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    if (n == 0) return data;
    data.append(buffer, static_cast<size_t>(n));
  }
}

bool WriteWholeFile(FileSystem& files, const std::string& path, const std::string& data) {
  auto file = files.Open(path, OpenMode::kCreateTruncate);
  return file && file->Write(data.data(), data.size());
}

bool CopyFileTail(FileSystem& files, const std::string& from, uint64_t offset, const std::string& to) {
  auto source = files.Open(from, OpenMode::kRead);
  if (!source || !source->Seek(offset)) return false;
  auto target = files.Open(to, OpenMode::kCreateTruncate);
  if (!target) return false;
  char buffer[1 << 16];
  for (;;) {
    int64_t n = source->Read(buffer, sizeof buffer);
    if (n < 0) return false;
    if (n == 0) return true;
    if (!target->Write(buffer, static_cast<size_t>(n))) return false;
  }
}

int DefaultAnswer(uint32_t style) {
  static const int kButtons[][3] = {
      {kIdOk, kIdOk, kIdOk},                 // OK
      {kIdOk, kIdCancel, kIdCancel},         // OK, Cancel
      {kIdAbort, kIdRetry, kIdIgnore},       // Abort, Retry, Ignore
      {kIdYes, kIdNo, kIdCancel},            // Yes, No, Cancel
      {kIdYes, kIdNo, kIdNo},                // Yes, No
      {kIdRetry, kIdCancel, kIdCancel},      // Retry, Cancel
  };
  uint32_t kind = style & 0xF;
  if (kind >= std::size(kButtons)) kind = 0;
  uint32_t which = (style >> 8) & 0xF;  // 0: first button, 1: second, 2: third
  if (which > 2) which = 0;
  return kButtons[kind][which];
}

}  // namespace quillset::platform
