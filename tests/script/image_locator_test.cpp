#include "script/image_locator.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace quillset::script {
namespace {

void Put(std::string& bytes, size_t at, uint64_t value, size_t width) {
  for (size_t i = 0; i < width; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
}

ImageSize Locate(const std::string& bytes) { return LocateImageEnd(MemoryReader(bytes), bytes.size()); }

struct Case {
  std::string name;
  std::function<void(std::string&)> change;
  std::optional<uint64_t> end;  // nullopt: refused
};

void RunCases(const std::function<std::string()>& fixture, const std::vector<Case>& cases) {
  for (const Case& c : cases) {
    std::string bytes = fixture();
    c.change(bytes);
    ImageSize image = Locate(bytes);
    EXPECT_EQ(image.size, c.end) << c.name << ": " << image.error;
    EXPECT_EQ(image.error.empty(), c.end.has_value()) << c.name;
  }
}

// PE: DOS header with e_lfanew 0x40, COFF header, no optional header, two sections with raw
// data 0x100..0x180 and 0x180..0x1A0, then 0x40 appended bytes.
std::string Pe() {
  std::string b(0x1E0, '\0');
  b[0] = 'M';
  b[1] = 'Z';
  Put(b, 0x3C, 0x40, 4);
  b.replace(0x40, 4, std::string("PE\0\0", 4));
  Put(b, 0x46, 2, 2);     // sections
  Put(b, 0x54, 0, 2);     // optional header size
  Put(b, 0x58 + 16, 0x80, 4);
  Put(b, 0x58 + 20, 0x100, 4);
  Put(b, 0x80 + 16, 0x20, 4);
  Put(b, 0x80 + 20, 0x180, 4);
  return b;
}

TEST(ImageLocatorTest, PeImages) {
  RunCases(Pe, {
      {"two sections", [](std::string&) {}, 0x1A0},
      {"sections in any order", [](std::string& b) { Put(b, 0x80 + 20, 0x10, 4); }, 0x180},
      {"optional header moves the table",
       [](std::string& b) {
         Put(b, 0x54, 0x10, 2);
         b.replace(0x68, 80, b.substr(0x58, 80));
       },
       0x1A0},
      {"section past the end", [](std::string& b) { Put(b, 0x80 + 16, 0x1000, 4); }, std::nullopt},
      {"raw offset beyond the file", [](std::string& b) { Put(b, 0x80 + 20, 0xFFFFFFF0, 4); }, std::nullopt},
      {"no PE signature", [](std::string& b) { b[0x41] = 'X'; }, std::nullopt},
      {"e_lfanew beyond the file", [](std::string& b) { Put(b, 0x3C, 0xFFFFFFFF, 4); }, std::nullopt},
      {"no sections", [](std::string& b) { Put(b, 0x46, 0, 2); }, std::nullopt},
      {"section table cut off", [](std::string& b) { Put(b, 0x46, 0xFFFF, 2); }, std::nullopt},
      {"cut after DOS stub", [](std::string& b) { b.resize(0x30); }, std::nullopt},
  });
}

// ELF64: header, one program header at 64 (file extent 0..0x100), section headers at 0x300
// (null, PROGBITS 0x100..0x180, NOBITS at 0x180 of size 0x10000), 0x40 appended bytes.
std::string Elf64() {
  std::string b(0x400, '\0');
  b.replace(0, 7, "\x7F" "ELF\x02\x01\x01");
  Put(b, 32, 64, 8);      // e_phoff
  Put(b, 40, 0x300, 8);   // e_shoff
  Put(b, 52, 64, 2);      // e_ehsize
  Put(b, 54, 56, 2);      // e_phentsize
  Put(b, 56, 1, 2);       // e_phnum
  Put(b, 58, 64, 2);      // e_shentsize
  Put(b, 60, 3, 2);       // e_shnum
  Put(b, 64 + 32, 0x100, 8);                 // p_filesz
  size_t s1 = 0x300 + 64, s2 = 0x300 + 128;
  Put(b, s1 + 4, 1, 4);                      // SHT_PROGBITS
  Put(b, s1 + 24, 0x100, 8);
  Put(b, s1 + 32, 0x80, 8);
  Put(b, s2 + 4, 8, 4);                      // SHT_NOBITS
  Put(b, s2 + 24, 0x180, 8);
  Put(b, s2 + 32, 0x10000, 8);
  return b;
}

TEST(ImageLocatorTest, Elf64Images) {
  RunCases(Elf64, {
      {"section header table is last", [](std::string&) {}, 0x3C0},
      {"a section beyond the table",
       [](std::string& b) { Put(b, 0x300 + 64 + 24, 0x3C0, 8); Put(b, 0x300 + 64 + 32, 0x20, 8); }, 0x3E0},
      {"a segment beyond the table", [](std::string& b) { Put(b, 64 + 32, 0x3F0, 8); }, 0x3F0},
      {"no section headers", [](std::string& b) { Put(b, 60, 0, 2); Put(b, 40, 0, 8); }, 0x100},
      {"nothing but the header",
       [](std::string& b) { Put(b, 60, 0, 2); Put(b, 40, 0, 8); Put(b, 56, 0, 2); }, 64},
      {"many sections: count in section 0",
       [](std::string& b) { Put(b, 60, 0, 2); Put(b, 0x300 + 32, 3, 8); }, 0x3C0},
      {"big endian", [](std::string& b) { b[5] = 2; }, std::nullopt},
      {"unknown class", [](std::string& b) { b[4] = 3; }, std::nullopt},
      {"section past the end", [](std::string& b) { Put(b, 0x300 + 64 + 32, 0x1000, 8); }, std::nullopt},
      {"section offset wraps around",
       [](std::string& b) { Put(b, 0x300 + 64 + 24, ~uint64_t{0} - 8, 8); Put(b, 0x300 + 64 + 32, 0x20, 8); },
       std::nullopt},
      {"segment past the end", [](std::string& b) { Put(b, 64 + 32, 0x401, 8); }, std::nullopt},
      {"section table beyond the file", [](std::string& b) { Put(b, 40, 0x3F0, 8); }, std::nullopt},
      {"section entries too small", [](std::string& b) { Put(b, 58, 16, 2); }, std::nullopt},
      {"program entries too small", [](std::string& b) { Put(b, 54, 8, 2); }, std::nullopt},
      {"huge extended section count",
       [](std::string& b) { Put(b, 60, 0, 2); Put(b, 0x300 + 32, uint64_t{1} << 60, 8); }, std::nullopt},
      {"header cut off", [](std::string& b) { b.resize(40); }, std::nullopt},
  });
}

// ELF32: header, one program header at 52 (0..0x60), section headers at 0x80 (null, NOBITS).
std::string Elf32() {
  std::string b(0x100, '\0');
  b.replace(0, 7, "\x7F" "ELF\x01\x01\x01");
  Put(b, 28, 52, 4);
  Put(b, 32, 0x80, 4);
  Put(b, 42, 32, 2);
  Put(b, 44, 1, 2);
  Put(b, 46, 40, 2);
  Put(b, 48, 2, 2);
  Put(b, 52 + 16, 0x60, 4);
  Put(b, 0x80 + 40 + 4, 8, 4);
  Put(b, 0x80 + 40 + 16, 0xF0, 4);
  Put(b, 0x80 + 40 + 20, 0x1000, 4);
  return b;
}

TEST(ImageLocatorTest, Elf32Images) {
  RunCases(Elf32, {
      {"table is last", [](std::string&) {}, 0xD0},
      {"progbits counts", [](std::string& b) { Put(b, 0x80 + 40 + 4, 1, 4); Put(b, 0x80 + 40 + 20, 0x10, 4); }, 0x100},
      {"segment past the end", [](std::string& b) { Put(b, 52 + 16, 0x101, 4); }, std::nullopt},
  });
}

TEST(ImageLocatorTest, UnknownFiles) {
  for (const std::string& bytes : {std::string(), std::string("M"), std::string("#!/bin/sh\n"),
                                  std::string("\x7F" "ELF", 4)}) {
    ImageSize image = Locate(bytes);
    EXPECT_FALSE(image.size);
    EXPECT_FALSE(image.error.empty());
  }
}

TEST(ImageLocatorTest, BuiltProgramEndsWhereItsFileEnds) {
  std::string program = testing::ReadFile(testing::BinPath("quillset-messages"));
  ASSERT_FALSE(program.empty());
  EXPECT_EQ(Locate(program).size, program.size());
  EXPECT_EQ(Locate(program + "appended script").size, program.size());
}

// A file that hands out at most three bytes per read.
class TrickleFile : public platform::File {
 public:
  explicit TrickleFile(std::string data) : data_(std::move(data)) {}
  int64_t Read(void* buffer, size_t size) override {
    size_t n = std::min({size, size_t{3}, data_.size() - position_});
    std::copy_n(data_.data() + position_, n, static_cast<char*>(buffer));
    position_ += n;
    return static_cast<int64_t>(n);
  }
  bool Write(const void*, size_t) override { return false; }
  bool Seek(uint64_t offset) override {
    if (offset > data_.size()) return false;
    position_ = offset;
    return true;
  }
  bool SeekToEnd() override { return Seek(data_.size()); }
  std::optional<uint64_t> Size() override { return data_.size(); }

 private:
  std::string data_;
  size_t position_ = 0;
};

TEST(ImageLocatorTest, FileReaderReadsWholeRanges) {
  TrickleFile file(Elf64());
  EXPECT_EQ(LocateImageEnd(FileReader(file), 0x400).size, 0x3C0u);
  std::string out;
  ByteReader read = FileReader(file);
  EXPECT_TRUE(read(0x3F0, 0x10, out));
  EXPECT_EQ(out.size(), 0x10u);
  EXPECT_FALSE(read(0x3F0, 0x11, out));
  EXPECT_FALSE(read(0x401, 1, out));
}

}  // namespace
}  // namespace quillset::script
