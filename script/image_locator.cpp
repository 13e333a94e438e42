#include "script/image_locator.h"

#include <algorithm>
#include <utility>

namespace quillset::script {
namespace {

uint64_t Little(const std::string& bytes, size_t at, size_t width) {
  uint64_t value = 0;
  for (size_t i = width; i-- > 0;) value = value << 8 | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// A table of count entries of entry_size bytes each.
struct Table {
  uint64_t offset;
  uint64_t count;
  uint64_t entry_size;
};

class ImageReader {
 public:
  ImageReader(const ByteReader& read, uint64_t file_size) : read_(read), file_size_(file_size) {}

  // The range must lie inside the file; offset + length is checked without overflow.
  bool Inside(uint64_t offset, uint64_t length) const {
    return offset <= file_size_ && length <= file_size_ - offset;
  }

  bool Read(uint64_t offset, uint64_t length, std::string& out) const {
    return Inside(offset, length) && read_(offset, length, out) && out.size() == length;
  }

  // The table's bytes, or false when it does not lie inside the file.
  bool ReadTable(const Table& table, std::string& out) const {
    if (table.entry_size != 0 && table.count > file_size_ / table.entry_size) return false;
    return Read(table.offset, table.count * table.entry_size, out);
  }

  uint64_t file_size() const { return file_size_; }

 private:
  const ByteReader& read_;
  uint64_t file_size_;
};

ImageSize Refuse(std::string error) { return ImageSize{std::nullopt, std::move(error)}; }

ImageSize LocatePe(const ImageReader& reader) {
  std::string bytes;
  if (!reader.Read(0x3C, 4, bytes)) return Refuse("The PE image is too short for its DOS header");
  uint64_t pe_offset = Little(bytes, 0, 4);
  if (!reader.Read(pe_offset, 24, bytes) || bytes.compare(0, 4, std::string("PE\0\0", 4)) != 0) {
    return Refuse("The PE image has no PE header");
  }
  uint64_t sections = Little(bytes, 6, 2);
  uint64_t optional_header_size = Little(bytes, 20, 2);
  if (sections == 0) return Refuse("The PE image has no sections");
  Table table{pe_offset + 24 + optional_header_size, sections, 40};
  if (!reader.ReadTable(table, bytes)) return Refuse("The PE section table lies outside the file");
  uint64_t end = 0;
  for (uint64_t i = 0; i < sections; ++i) {
    uint64_t raw_size = Little(bytes, i * 40 + 16, 4);
    uint64_t raw_offset = Little(bytes, i * 40 + 20, 4);
    if (!reader.Inside(raw_offset, raw_size)) {
      return Refuse("The PE section " + std::to_string(i + 1) + " lies outside the file");
    }
    end = std::max(end, raw_offset + raw_size);
  }
  return ImageSize{end, ""};
}

// Field offsets and sizes of the two ELF classes.
struct ElfLayout {
  size_t word;  // 4 or 8
  size_t header_size, phoff, shoff, phentsize, phnum, shentsize, shnum;
  size_t ph_entry, p_offset, p_filesz;  // ph_entry, sh_entry: the smallest valid entry size
  size_t sh_entry, sh_type, sh_offset, sh_size, sh_info;
};
constexpr ElfLayout kElf32{4, 52, 28, 32, 42, 44, 46, 48, 32, 4, 16, 40, 4, 16, 20, 28};
constexpr ElfLayout kElf64{8, 64, 32, 40, 54, 56, 58, 60, 56, 8, 32, 64, 4, 24, 32, 44};
constexpr uint64_t kShtNobits = 8;
constexpr uint64_t kPnXnum = 0xFFFF;

ImageSize LocateElf(const ImageReader& reader, const std::string& ident) {
  if (ident[5] != 1) return Refuse("The ELF image is not little endian");
  if (ident[4] != 1 && ident[4] != 2) return Refuse("The ELF image has an unknown class");
  const ElfLayout& e = ident[4] == 1 ? kElf32 : kElf64;
  std::string header;
  if (!reader.Read(0, e.header_size, header)) return Refuse("The ELF image is too short for its header");
  Table programs{Little(header, e.phoff, e.word), Little(header, e.phnum, 2),
                 Little(header, e.phentsize, 2)};
  Table sections{Little(header, e.shoff, e.word), Little(header, e.shnum, 2),
                 Little(header, e.shentsize, 2)};

  // Many sections or program headers: the real counts sit in section header 0.
  std::string first;
  if (sections.offset != 0 && (sections.count == 0 || programs.count == kPnXnum)) {
    if (sections.entry_size < e.sh_entry || !reader.Read(sections.offset, e.sh_entry, first)) {
      return Refuse("The ELF section header table lies outside the file");
    }
    if (sections.count == 0) sections.count = Little(first, e.sh_size, e.word);
    if (programs.count == kPnXnum) programs.count = Little(first, e.sh_info, 4);
  }

  uint64_t end = e.header_size;
  std::string bytes;
  if (programs.count != 0) {
    if (programs.entry_size < e.ph_entry || !reader.ReadTable(programs, bytes)) {
      return Refuse("The ELF program header table lies outside the file");
    }
    end = std::max(end, programs.offset + programs.count * programs.entry_size);
    for (uint64_t i = 0; i < programs.count; ++i) {
      size_t at = i * programs.entry_size;
      uint64_t offset = Little(bytes, at + e.p_offset, e.word);
      uint64_t size = Little(bytes, at + e.p_filesz, e.word);
      if (!reader.Inside(offset, size)) {
        return Refuse("The ELF segment " + std::to_string(i) + " lies outside the file");
      }
      end = std::max(end, offset + size);
    }
  }
  if (sections.count != 0) {
    if (sections.entry_size < e.sh_entry || !reader.ReadTable(sections, bytes)) {
      return Refuse("The ELF section header table lies outside the file");
    }
    end = std::max(end, sections.offset + sections.count * sections.entry_size);
    for (uint64_t i = 0; i < sections.count; ++i) {
      size_t at = i * sections.entry_size;
      if (Little(bytes, at + e.sh_type, 4) == kShtNobits) continue;
      uint64_t offset = Little(bytes, at + e.sh_offset, e.word);
      uint64_t size = Little(bytes, at + e.sh_size, e.word);
      if (!reader.Inside(offset, size)) {
        return Refuse("The ELF section " + std::to_string(i) + " lies outside the file");
      }
      end = std::max(end, offset + size);
    }
  }
  return ImageSize{end, ""};
}

}  // namespace

ImageSize LocateImageEnd(const ByteReader& read, uint64_t file_size) {
  ImageReader reader(read, file_size);
  std::string ident;
  if (!reader.Read(0, std::min<uint64_t>(16, file_size), ident) || ident.size() < 2) {
    return Refuse("The file is too short to be an executable image");
  }
  if (ident.compare(0, 2, "MZ") == 0) return LocatePe(reader);
  if (ident.size() == 16 && ident.compare(0, 4, "\x7F" "ELF") == 0) return LocateElf(reader, ident);
  return Refuse("The file is no executable image (neither PE nor ELF)");
}

ByteReader MemoryReader(std::string_view data) {
  return [data](uint64_t offset, uint64_t length, std::string& out) {
    if (offset > data.size() || length > data.size() - offset) return false;
    out.assign(data.substr(offset, length));
    return true;
  };
}

ByteReader FileReader(platform::File& file) {
  return [&file](uint64_t offset, uint64_t length, std::string& out) {
    out.resize(length);
    if (!file.Seek(offset)) return false;
    size_t done = 0;
    while (done < length) {
      int64_t n = file.Read(out.data() + done, length - done);
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  };
}

}  // namespace quillset::script
