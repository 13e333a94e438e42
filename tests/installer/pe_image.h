// Small PE images with a version resource, composed byte by byte so that a test can give any
// field another value. The layout: DOS header, PE header at 0x40, one section ".rsrc" (RVA
// 0x1000) at file offset kResourceOffset holding the resource tree (type, name and language
// directories, one data entry) and the version data.
#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace quillset::testing {

struct PeImage {
  static constexpr uint32_t kResourceOffset = 0x200;
  static constexpr uint32_t kResourceRva = 0x1000;
  // Offsets inside the resource section.
  static constexpr uint32_t kNameDirectory = 0x20;
  static constexpr uint32_t kLanguageDirectory = 0x38;
  static constexpr uint32_t kDataEntry = 0x50;
  static constexpr uint32_t kVersionData = 0x60;

  std::array<uint16_t, 4> version{1, 2, 3, 4};
  bool pe32_plus = false;
  uint16_t magic = 0;               // 0: the one of pe32_plus
  uint32_t resource_type = 16;      // the type id the version resource is filed under
  bool other_type_first = false;    // an icon type (3) before it in the type directory
  uint32_t resource_rva = kResourceRva;  // of the resource directory entry
  uint32_t data_rva = kResourceRva + kVersionData;  // of the data entry
  uint16_t name_entries = 1;        // id entries of the name directory
  uint32_t language_offset = 0x80000000 | kLanguageDirectory;  // the name directory's entry
  std::u16string key = u"VS_VERSION_INFO";
  uint32_t signature = 0xFEEF04BD;
  std::string trailer;              // bytes after the version data, to tell two images apart

  std::string Build() const;
};

}  // namespace quillset::testing
