// Finds where an executable image ends, so that data appended to it can be read.
// PE images: the largest (raw data offset + raw data size) over the section headers.
// ELF images (32 and 64 bit, little endian): the largest end of the sections other than
// SHT_NOBITS, of the program headers' file extents, of the program header table and of the
// section header table. Every offset and count is checked against the file size: malformed
// headers are refused, never followed out of the file.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace quillset::script {

// Reads length bytes at offset into out; false when the range is not wholly inside the file.
using ByteReader = std::function<bool(uint64_t offset, uint64_t length, std::string& out)>;

struct ImageSize {
  std::optional<uint64_t> size;  // nullopt when the file is no executable image we know
  std::string error;             // why, when size is nullopt
};

ImageSize LocateImageEnd(const ByteReader& read, uint64_t file_size);

// Readers over bytes in memory and over an open file; both must outlive the reader.
ByteReader MemoryReader(std::string_view data);
ByteReader FileReader(platform::File& file);

}  // namespace quillset::script
