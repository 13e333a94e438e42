// LocateImageEnd over arbitrary bytes: it must never read outside them, and an end it answers
// must lie inside the file.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "script/image_locator.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string_view bytes(reinterpret_cast<const char*>(data), size);
  quillset::script::ImageSize image =
      quillset::script::LocateImageEnd(quillset::script::MemoryReader(bytes), size);
  if (image.size ? *image.size > size : image.error.empty()) std::abort();
  return 0;
}
