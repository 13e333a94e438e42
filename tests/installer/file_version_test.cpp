// Versions of files: the File table's text and the version resource of PE images composed in
// the test, whole and damaged.
#include "platform/posix/installer/file_version.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/installer/pe_image.h"

namespace quillset::platform::posix::installer {
namespace {

using quillset::testing::PeImage;

TEST(VersionText, FieldsFromOneToFourWithinSixteenBits) {
  struct Case {
    const char* text;
    std::optional<FileVersion> version;
  };
  const Case cases[] = {
      {"1.2.3.4", FileVersion{{1, 2, 3, 4}}},
      {"2.1", FileVersion{{2, 1, 0, 0}}},
      {"7", FileVersion{{7, 0, 0, 0}}},
      {"65535.0.00012.65535", FileVersion{{65535, 0, 12, 65535}}},
      {"", std::nullopt},
      {"65536", std::nullopt},
      {"99999999999999999999.1", std::nullopt},
      {"1..2", std::nullopt},
      {"1.", std::nullopt},
      {".1", std::nullopt},
      {"1.2.3.4.5", std::nullopt},
      {" 1.2", std::nullopt},
      {"1.2 ", std::nullopt},
      {"1.-2", std::nullopt},
      {"main.exe", std::nullopt},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    VersionReading reading = ParseVersionText(c.text);
    EXPECT_EQ(reading.version, c.version);
    EXPECT_EQ(reading.problem.empty(), c.version.has_value()) << reading.problem;
  }
  EXPECT_EQ(VersionText(FileVersion{{10, 0, 19041, 1}}), "10.0.19041.1");
  EXPECT_LT(FileVersion({{1, 9, 0, 0}}), FileVersion({{1, 10, 0, 0}}));  // numbers, not text
  EXPECT_LT(FileVersion({{1, 2, 3, 4}}), FileVersion({{1, 2, 3, 5}}));
}

TEST(PeVersion, ReadsTheFixedFileInformationAndRefusesDamagedImages) {
  struct Case {
    const char* name;
    std::function<void(PeImage&)> change;  // of the sound image
    std::function<void(std::string&)> damage;  // of its bytes
    std::optional<FileVersion> version;
    const char* problem;  // part of the text when there is no version
  };
  auto put32 = [](std::string& bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = static_cast<char>(value >> (8 * i));
  };
  const Case cases[] = {
      {"PE32", nullptr, nullptr, FileVersion{{1, 2, 3, 4}}, ""},
      {"PE32+", [](PeImage& i) { i.pe32_plus = true, i.version = {10, 0, 19041, 1}; }, nullptr,
       FileVersion{{10, 0, 19041, 1}}, ""},
      {"another resource type before the version", [](PeImage& i) { i.other_type_first = true; }, nullptr,
       FileVersion{{1, 2, 3, 4}}, ""},
      {"bytes after the image", [](PeImage& i) { i.trailer = std::string(5000, 'x'); }, nullptr,
       FileVersion{{1, 2, 3, 4}}, ""},
      {"text", nullptr, [](std::string& b) { b = "main contents\n"; }, std::nullopt, "no MZ header"},
      {"empty", nullptr, [](std::string& b) { b.clear(); }, std::nullopt, "beyond the end of the file"},
      {"MZ alone", nullptr, [](std::string& b) { b = "MZ"; }, std::nullopt, "beyond the end of the file"},
      {"PE header far away", nullptr, [&](std::string& b) { put32(b, 0x3C, 0xFFFFFFF0); }, std::nullopt,
       "beyond the end of the file"},
      {"no PE signature", nullptr, [](std::string& b) { b[0x41] = 'X'; }, std::nullopt, "no PE header"},
      {"unknown magic", [](PeImage& i) { i.magic = 0x107; }, nullptr, std::nullopt, "unknown magic"},
      {"no resource directory", [](PeImage& i) { i.resource_rva = 0; }, nullptr, std::nullopt,
       "no resource directory"},
      {"resource directory in no section", [](PeImage& i) { i.resource_rva = 0x9000; }, nullptr, std::nullopt,
       "in no section"},
      {"no version resource", [](PeImage& i) { i.resource_type = 3; }, nullptr, std::nullopt,
       "no version resource"},
      {"a name directory claiming 65535 entries", [](PeImage& i) { i.name_entries = 0xFFFF; }, nullptr,
       std::nullopt, "past the end of its section"},
      {"a name directory leading back to the root",
       [](PeImage& i) { i.language_offset = 0x80000000; }, nullptr, std::nullopt, "a directory where its data belongs"},
      {"version data outside every section", [](PeImage& i) { i.data_rva = 0x1F0000; }, nullptr, std::nullopt,
       "in no section"},
      {"another key", [](PeImage& i) { i.key = u"VS_VERSION_INFX"; }, nullptr, std::nullopt,
       "no VS_VERSION_INFO key"},
      {"wrong signature", [](PeImage& i) { i.signature = 0xFEEF04BC; }, nullptr, std::nullopt,
       "no fixed file information"},
      {"cut inside the version data", nullptr,
       [](std::string& b) { b.resize(PeImage::kResourceOffset + PeImage::kVersionData + 50); }, std::nullopt,
       "beyond the end of the file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PeImage image;
    if (c.change) c.change(image);
    std::string bytes = image.Build();
    if (c.damage) c.damage(bytes);
    VersionReading reading = ReadPeFileVersion(bytes);
    EXPECT_EQ(reading.version, c.version);
    EXPECT_NE(reading.problem.find(c.problem), std::string::npos) << reading.problem;
    // Every prefix of the image is read safely and has no version.
    if (!c.change && !c.damage) {
      for (size_t length = 0; length < bytes.size(); ++length) {
        ASSERT_FALSE(ReadPeFileVersion(std::string_view(bytes).substr(0, length)).version) << length;
      }
    }
  }
}

}  // namespace
}  // namespace quillset::platform::posix::installer
