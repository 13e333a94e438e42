#include "platform/posix/installer/file_version.h"

#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

namespace quillset::platform::posix::installer {

namespace {

constexpr uint16_t kPe32Magic = 0x10B;
constexpr uint16_t kPe32PlusMagic = 0x20B;
constexpr uint32_t kResourceDirectory = 2;
constexpr uint32_t kVersionType = 16;
constexpr uint32_t kSubdirectoryBit = 0x80000000;
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr uint64_t kFixedInfoOffset = 40;  // 6 bytes of header, 32 of key, 2 of padding
constexpr uint64_t kFixedInfoSize = 52;
constexpr char16_t kVersionKey[] = u"VS_VERSION_INFO";

// Thrown inside the reader; ReadPeFileVersion answers its text as the problem.
struct NoVersion {
  std::string problem;
};

struct Section {
  uint32_t address, raw_size, raw_offset;
};

class Image {
 public:
  explicit Image(ByteSource& source) : source_(source), size_(source.Size()) {}

  void Read(uint64_t offset, void* buffer, uint64_t length, const char* what) {
    if (offset > size_ || length > size_ - offset) throw NoVersion{std::string(what) + " lies beyond the end of the file"};
    if (!source_.ReadAt(offset, buffer, length)) throw NoVersion{std::string(what) + " cannot be read"};
  }
  uint16_t U16(uint64_t offset, const char* what) {
    uint8_t bytes[2];
    Read(offset, bytes, sizeof bytes, what);
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
  }
  uint32_t U32(uint64_t offset, const char* what) {
    uint8_t bytes[4];
    Read(offset, bytes, sizeof bytes, what);
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  }

  // The file offset of length bytes at an RVA, all within one section's raw bytes.
  uint64_t Map(uint64_t rva, uint64_t length, const char* what) const {
    for (const Section& section : sections) {
      if (rva < section.address || rva - section.address >= section.raw_size) continue;
      uint64_t into = rva - section.address;
      if (length > section.raw_size - into) throw NoVersion{std::string(what) + " runs past the end of its section"};
      return section.raw_offset + into;
    }
    throw NoVersion{std::string(what) + " lies in no section of the file"};
  }

  std::vector<Section> sections;

 private:
  ByteSource& source_;
  const uint64_t size_;
};

// The offset field of a directory's entry: the one with the id, or (no id) its first one. The
// entries are mapped as one run, so that a directory claiming many entries costs one look-up.
uint32_t EntryOffset(Image& image, uint64_t directory_rva, std::optional<uint32_t> id, const char* what) {
  uint64_t at = image.Map(directory_rva, 16, what);
  uint64_t named = image.U16(at + 12, what), count = named + image.U16(at + 14, what);
  if (count == 0) throw NoVersion{id ? "the file has no version resource" : std::string(what) + " is empty"};
  uint64_t entries = image.Map(directory_rva + 16, count * 8, what);
  if (!id) return image.U32(entries + 4, what);
  for (uint64_t entry = named; entry < count; ++entry)
    if (image.U32(entries + entry * 8, what) == *id) return image.U32(entries + entry * 8 + 4, what);
  throw NoVersion{"the file has no version resource"};
}

FileVersion ReadVersion(Image& image) {
  uint8_t mz[2];
  image.Read(0, mz, 2, "the DOS header");
  if (mz[0] != 'M' || mz[1] != 'Z') throw NoVersion{"the file is no Windows program (no MZ header)"};
  const uint64_t pe = image.U32(0x3C, "the DOS header");
  uint8_t signature[4];
  image.Read(pe, signature, 4, "the PE header");
  if (std::memcmp(signature, "PE\0\0", 4) != 0) throw NoVersion{"the file has no PE header"};
  const uint64_t file_header = pe + 4, optional_header = file_header + 20;
  const uint32_t section_count = image.U16(file_header + 2, "the file header");
  const uint32_t optional_size = image.U16(file_header + 16, "the file header");

  const uint16_t magic = image.U16(optional_header, "the optional header");
  if (magic != kPe32Magic && magic != kPe32PlusMagic) throw NoVersion{"the optional header has an unknown magic number"};
  const uint64_t count_at = magic == kPe32Magic ? 92 : 108;
  const uint64_t directories = count_at + 4;
  const uint64_t resource_entry = directories + kResourceDirectory * 8;
  if (optional_size < resource_entry + 8 || image.U32(optional_header + count_at, "the optional header") <= kResourceDirectory)
    throw NoVersion{"the file has no resource directory"};
  const uint32_t resource_rva = image.U32(optional_header + resource_entry, "the optional header");
  if (resource_rva == 0) throw NoVersion{"the file has no resource directory"};

  const uint64_t table = optional_header + optional_size;
  for (uint32_t s = 0; s < section_count; ++s) {
    uint8_t entry[40];
    image.Read(table + s * 40ull, entry, sizeof entry, "the section table");
    auto u32 = [&](size_t at) {
      return static_cast<uint32_t>(entry[at]) | static_cast<uint32_t>(entry[at + 1]) << 8 |
             static_cast<uint32_t>(entry[at + 2]) << 16 | static_cast<uint32_t>(entry[at + 3]) << 24;
    };
    image.sections.push_back({u32(12), u32(16), u32(20)});
  }

  const uint32_t types = EntryOffset(image, resource_rva, kVersionType, "the resource directory");
  if (!(types & kSubdirectoryBit)) throw NoVersion{"the version resource is damaged (no name directory)"};
  const uint32_t names = EntryOffset(image, resource_rva + uint64_t{types & ~kSubdirectoryBit}, std::nullopt,
                                     "the version resource's name directory");
  if (!(names & kSubdirectoryBit)) throw NoVersion{"the version resource is damaged (no language directory)"};
  const uint32_t leaf = EntryOffset(image, resource_rva + uint64_t{names & ~kSubdirectoryBit}, std::nullopt,
                                    "the version resource's language directory");
  if (leaf & kSubdirectoryBit) throw NoVersion{"the version resource is damaged (a directory where its data belongs)"};
  const uint64_t data_entry = image.Map(resource_rva + uint64_t{leaf}, 8, "the version resource's data entry");
  const uint32_t data_rva = image.U32(data_entry, "the version resource's data entry");
  const uint32_t data_size = image.U32(data_entry + 4, "the version resource's data entry");
  if (data_size < kFixedInfoOffset + kFixedInfoSize) throw NoVersion{"the version resource is too short"};

  uint8_t block[kFixedInfoOffset + kFixedInfoSize];
  image.Read(image.Map(data_rva, sizeof block, "the version resource"), block, sizeof block, "the version resource");
  auto u16 = [&](size_t at) { return static_cast<uint16_t>(block[at] | block[at + 1] << 8); };
  auto u32 = [&](size_t at) { return static_cast<uint32_t>(u16(at)) | static_cast<uint32_t>(u16(at + 2)) << 16; };
  for (size_t c = 0; c < std::size(kVersionKey); ++c)
    if (u16(6 + 2 * c) != kVersionKey[c]) throw NoVersion{"the version resource has no VS_VERSION_INFO key"};
  if (u16(2) < kFixedInfoSize || u32(kFixedInfoOffset) != kFixedInfoSignature)
    throw NoVersion{"the version resource has no fixed file information"};
  const uint32_t high = u32(kFixedInfoOffset + 8), low = u32(kFixedInfoOffset + 12);
  return {{static_cast<uint16_t>(high >> 16), static_cast<uint16_t>(high), static_cast<uint16_t>(low >> 16),
           static_cast<uint16_t>(low)}};
}

class MemorySource : public ByteSource {
 public:
  explicit MemorySource(std::string_view bytes) : bytes_(bytes) {}
  uint64_t Size() const override { return bytes_.size(); }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) override {
    if (offset > bytes_.size() || length > bytes_.size() - offset) return false;
    std::memcpy(buffer, bytes_.data() + offset, length);
    return true;
  }

 private:
  std::string_view bytes_;
};

class FileSource : public ByteSource {
 public:
  FileSource(File& file, uint64_t size) : file_(file), size_(size) {}
  uint64_t Size() const override { return size_; }
  bool ReadAt(uint64_t offset, void* buffer, size_t length) override {
    if (!file_.Seek(offset)) return false;
    auto* into = static_cast<char*>(buffer);
    while (length > 0) {
      int64_t got = file_.Read(into, length);
      if (got <= 0) return false;
      into += got;
      length -= static_cast<size_t>(got);
    }
    return true;
  }

 private:
  File& file_;
  uint64_t size_;
};

}  // namespace

std::string VersionText(const FileVersion& version) {
  return std::to_string(version.parts[0]) + "." + std::to_string(version.parts[1]) + "." +
         std::to_string(version.parts[2]) + "." + std::to_string(version.parts[3]);
}

VersionReading ParseVersionText(std::string_view text) {
  FileVersion version;
  size_t field = 0, at = 0;
  while (true) {
    if (at == text.size() || text[at] < '0' || text[at] > '9')
      return {std::nullopt, "\"" + std::string(text) + "\" is no version (a field without digits)"};
    uint32_t value = 0;
    for (; at < text.size() && text[at] >= '0' && text[at] <= '9'; ++at) {
      value = value * 10 + static_cast<uint32_t>(text[at] - '0');
      if (value > 0xFFFF) return {std::nullopt, "\"" + std::string(text) + "\" is no version (a field above 65535)"};
    }
    version.parts[field++] = static_cast<uint16_t>(value);
    if (at == text.size()) return {version, ""};
    if (text[at] != '.' || field == version.parts.size())
      return {std::nullopt, "\"" + std::string(text) + "\" is no version (more than four fields or a stray character)"};
    ++at;
  }
}

VersionReading ReadPeFileVersion(ByteSource& source) {
  Image image(source);
  try {
    return {ReadVersion(image), ""};
  } catch (const NoVersion& failure) {
    return {std::nullopt, failure.problem};
  }
}

VersionReading ReadPeFileVersion(std::string_view image) {
  MemorySource source(image);
  return ReadPeFileVersion(source);
}

VersionReading ReadPeFileVersion(FileSystem& files, const std::string& path) {
  std::unique_ptr<File> file = files.Open(path, OpenMode::kRead);
  std::optional<uint64_t> size = file ? file->Size() : std::nullopt;
  if (!size) return {std::nullopt, "the file cannot be opened"};
  FileSource source(*file, *size);
  return ReadPeFileVersion(source);
}

}  // namespace quillset::platform::posix::installer
