// File versions as the installer compares them: the text of the File table's Version column
// and the version resource of a Windows program or library on disk.
//
// Version text (the File table):
//
//   version := field [ "." field [ "." field [ "." field ] ] ]
//   field   := digit { digit }                  a value from 0 to 65535
//
// Fields left out are 0 ("2.1" is 2.1.0.0). Blanks, signs, empty fields and a fifth field make
// the text no version.
//
// A PE image (all numbers little-endian; every offset and count is checked against the file
// before it is followed):
//
//   DOS header       "MZ" at 0; u32 at 0x3C: the file offset of the PE header
//   PE header        "PE\0\0", then the file header (20 bytes): u16 section count at +2, u16 size
//                    of the optional header at +16; then the optional header
//   optional header  u16 magic 0x10B (PE32) or 0x20B (PE32+); u32 count of data directories at
//                    +92 (PE32) or +108 (PE32+), then the directories, 8 bytes each (u32 RVA,
//                    u32 size); index 2 is the resource directory
//   section table    after the optional header, 40 bytes a section: u32 virtual address at +12,
//                    u32 raw size at +16, u32 raw offset at +20; an RVA belongs to the section
//                    whose raw bytes [virtual address, virtual address + raw size) hold it
//   resource tree    directories of 16 bytes (u16 named entry count at +12, u16 id entry count
//                    at +14) followed by 8-byte entries (u32 name or id, u32 offset; the offset's
//                    high bit marks a subdirectory), offsets counted from the start of the
//                    resource directory and staying inside its section. Level one: the id entry
//                    16 (the version type); levels two and three: the first entry (name,
//                    language). The leaf is a data entry: u32 RVA, u32 size.
//   version data     u16 length, u16 value length (52), u16 type, the key "VS_VERSION_INFO" in
//                    UTF-16 with its terminator, padding to a 4-byte boundary, then the fixed
//                    file information: u32 signature 0xFEEF04BD, u32 structure version, u32 file
//                    version high (major << 16 | minor), u32 file version low (build << 16 |
//                    revision).
//
// Anything else (no image, a damaged one, no version resource) has no version: the installer
// treats such a file as unversioned, and the problem says why for the log.
#pragma once

#include <array>
#include <compare>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/file_system.h"

namespace quillset::platform::posix::installer {

struct FileVersion {
  std::array<uint16_t, 4> parts{};  // major, minor, build, revision
  auto operator<=>(const FileVersion&) const = default;
};

// "major.minor.build.revision".
std::string VersionText(const FileVersion& version);

// A version, or the reason there is none.
struct VersionReading {
  std::optional<FileVersion> version;
  std::string problem;
};

VersionReading ParseVersionText(std::string_view text);

// Bytes of one file read at given offsets.
class ByteSource {
 public:
  virtual ~ByteSource() = default;
  virtual uint64_t Size() const = 0;
  // Fills buffer with the length bytes at offset; false when they cannot all be read.
  virtual bool ReadAt(uint64_t offset, void* buffer, size_t length) = 0;
};

VersionReading ReadPeFileVersion(ByteSource& source);
VersionReading ReadPeFileVersion(std::string_view image);
// The file at a Windows path; a file that cannot be opened has no version either.
VersionReading ReadPeFileVersion(FileSystem& files, const std::string& path);

}  // namespace quillset::platform::posix::installer
