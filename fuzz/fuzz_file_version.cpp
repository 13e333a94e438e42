// Versions of files: any bytes are read as a PE image and as the text of a File table's Version
// column. Either a version comes back or a reason there is none; a version read from text must
// be read the same again from the text it is written as.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/posix/installer/file_version.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace quillset::platform::posix::installer;
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  VersionReading image = ReadPeFileVersion(bytes);
  if (image.version.has_value() == !image.problem.empty()) std::abort();
  VersionReading text = ParseVersionText(bytes);
  if (text.version.has_value() == !text.problem.empty()) std::abort();
  if (text.version && ParseVersionText(VersionText(*text.version)).version != text.version) std::abort();
  return 0;
}
