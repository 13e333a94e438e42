// Finds where an executable image ends, so that data appended to it can be read.
// PE images: the largest (raw data offset + raw data size) over the section headers.
// ELF images: the largest end of the sections, the program headers and the section header
// table. Malformed headers are refused, never followed out of the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillset::script {

// Reads length bytes at offset into out; false when the range is not wholly inside the file.
using ByteReader = std::function<bool(uint64_t offset, uint64_t length, std::string& out)>;

struct ImageSize {
  std::optional<uint64_t> size;  // nullopt when the file is no executable image we know
  std::string error;             // why, when size is nullopt
};

ImageSize LocateImageEnd(const ByteReader& read, uint64_t file_size);

}  // namespace quillset::script
