#include "tests/installer/pe_image.h"

namespace quillset::testing {

namespace {

void Put16(std::string& image, size_t at, uint16_t value) {
  if (image.size() < at + 2) image.resize(at + 2, '\0');
  image[at] = static_cast<char>(value & 0xFF);
  image[at + 1] = static_cast<char>(value >> 8);
}

void Put32(std::string& image, size_t at, uint32_t value) {
  Put16(image, at, static_cast<uint16_t>(value));
  Put16(image, at + 2, static_cast<uint16_t>(value >> 16));
}

// A resource directory with one id entry (or two, the first an icon type's).
void PutDirectory(std::string& image, size_t at, uint32_t id, uint32_t offset, bool icon_first = false) {
  Put16(image, at + 14, icon_first ? 2 : 1);
  size_t entry = at + 16;
  if (icon_first) {
    Put32(image, entry, 3);
    Put32(image, entry + 4, offset);
    entry += 8;
  }
  Put32(image, entry, id);
  Put32(image, entry + 4, offset);
}

}  // namespace

std::string PeImage::Build() const {
  std::string image(kResourceOffset, '\0');
  image[0] = 'M';
  image[1] = 'Z';
  Put32(image, 0x3C, 0x40);
  image.replace(0x40, 4, std::string("PE\0\0", 4));
  const size_t file_header = 0x44, optional_header = file_header + 20;
  const size_t count_at = pe32_plus ? 108 : 92, optional_size = count_at + 4 + 16 * 8;
  Put16(image, file_header, pe32_plus ? 0x8664 : 0x14C);
  Put16(image, file_header + 2, 1);
  Put16(image, file_header + 16, static_cast<uint16_t>(optional_size));
  Put16(image, optional_header, magic ? magic : pe32_plus ? 0x20B : 0x10B);
  Put32(image, optional_header + count_at, 16);
  Put32(image, optional_header + count_at + 4 + 2 * 8, resource_rva);
  Put32(image, optional_header + count_at + 4 + 2 * 8 + 4, 0x100);

  // The version data: header, key, padding to 4 bytes, fixed file information.
  std::string data(6, '\0');
  for (char16_t c : key + u'\0') data += {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  data.resize((data.size() + 3) / 4 * 4, '\0');
  const size_t fixed = data.size();
  data.resize(fixed + 52, '\0');
  Put32(data, fixed, signature);
  Put32(data, fixed + 4, 0x10000);
  Put32(data, fixed + 8, static_cast<uint32_t>(version[0]) << 16 | version[1]);
  Put32(data, fixed + 12, static_cast<uint32_t>(version[2]) << 16 | version[3]);
  Put16(data, 0, static_cast<uint16_t>(data.size()));
  Put16(data, 2, 52);

  std::string section;
  PutDirectory(section, 0, resource_type, 0x80000000 | kNameDirectory, other_type_first);
  Put16(section, kNameDirectory + 14, name_entries);
  Put32(section, kNameDirectory + 16, 1);
  Put32(section, kNameDirectory + 20, language_offset);
  PutDirectory(section, kLanguageDirectory, 0x409, kDataEntry);
  Put32(section, kDataEntry, data_rva);
  Put32(section, kDataEntry + 4, static_cast<uint32_t>(data.size()));
  section.resize(kVersionData, '\0');
  section += data;

  const size_t table = optional_header + optional_size;
  image.replace(table, 8, std::string(".rsrc\0\0\0", 8));
  Put32(image, table + 8, static_cast<uint32_t>(section.size()));
  Put32(image, table + 12, kResourceRva);
  Put32(image, table + 16, static_cast<uint32_t>(section.size()));
  Put32(image, table + 20, kResourceOffset);
  return image + section + trailer;
}

}  // namespace quillset::testing
