#include "script/message_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/test_support.h"

namespace quillset::script {
namespace {

TEST(MessageTableTest, DefaultsSitOnTheirLines) {
  MessageTable table;
  const std::vector<std::pair<size_t, std::string>> cases = {
      {1, "Please install the common controls update from Microsoft before attempting to "
          "install this product."},
      {5, "Runtime error in install: "},
      {20, "Runtime error in setup script:"},
      {23, "Quillset Wizard"},
      {24, "Quillset is preparing the Quillset Wizard which will install this application. "
           "Please wait."},
      {27, " Proxy Information (optional) "},
      {53, "If you choose Cancel, setup will exit. However, you will be able to resume your "
           "download from where it left off when you re-run setup."},
      {54, ""},
      {55, "Locating resource"},
      {76, "Download data recognized and verified"},
      {87, "Accept ranges"},
      {88, "A previously executed setup still has pending operations on the system. Please "
           "restart your computer before attempting to install this product."},
      {90, "Please select the language to use during the installation:"},
      {91, ""},
      {111, ""},
      {112, "Unable to play Flash movie"},
      {115, "Entire feature will be &unavailable"},
      {0, ""},
      {116, ""},
  };
  for (const auto& [line, text] : cases) EXPECT_EQ(table.Get(line), text) << "line " << line;
}

// A block of 115 lines "<prefix> <n>".
std::string Block(const std::string& prefix, size_t lines = MessageTable::kCount) {
  std::string block;
  for (size_t n = 1; n <= lines; ++n) block += prefix + " " + std::to_string(n) + "\r\n";
  return block;
}

TEST(MessageTableTest, LoadsTheBlockOfTheUsersLanguageOrElseTheLast) {
  const std::string file =
      Block("base") + "German\r\n" + Block("de") + "French\r\n" + Block("fr") + "Spanish\r\n" +
      Block("es");
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"French", "fr"}, {"FRENCH", "fr"}, {"German", "de"}, {"Japanese", "es"}, {"", "es"}};
  for (const auto& [language, prefix] : cases) {
    MessageTable table;
    table.LoadMessageFile(file, language);
    EXPECT_EQ(table.Get(1), prefix + " 1") << language;
    EXPECT_EQ(table.Get(115), prefix + " 115") << language;
    EXPECT_EQ(table.Get(95), "") << "reserved lines are dropped";
  }
  MessageTable base_only;
  base_only.LoadMessageFile(Block("base"), "French");
  EXPECT_EQ(base_only.Get(90), "base 90");
}

TEST(MessageTableTest, ShortFilesSetOnlyTheLinesTheyHave) {
  MessageTable table;
  table.LoadMessageFile("one\ntwo\r\nthree", "English");
  EXPECT_EQ(table.Get(1), "one");
  EXPECT_EQ(table.Get(2), "two");
  EXPECT_EQ(table.Get(3), "three");
  EXPECT_EQ(table.Get(4), "Setup database not found");

  MessageTable cut_language;
  cut_language.LoadMessageFile(Block("base") + "French\r\nfr 1\r\nfr 2\r\n", "French");
  EXPECT_EQ(cut_language.Get(2), "fr 2");
  EXPECT_EQ(cut_language.Get(3), "base 3");
}

TEST(MessageTableTest, LanguageNamesAndIds) {
  const std::vector<std::pair<std::string, uint32_t>> names = {
      {"English", 1033}, {"german", 1031}, {"Chinese (PRC)", 2052}, {"Spanish", 3082},
      {"Portugese (Brazil)", 1046}, {"PORTUGESE (PORTUGAL)", 2070}, {"Basque", 1069},
      {"Portuguese (Brazil)", 1033}, {"Klingon", 1033}, {"", 1033}};
  for (const auto& [name, id] : names) EXPECT_EQ(LanguageIdOfName(name), id) << name;
  EXPECT_EQ(LanguageNameOfId(1046), "Portugese (Brazil)");
  EXPECT_EQ(LanguageNameOfId(1028), "Chinese (Taiwan)");
  EXPECT_EQ(LanguageNameOfId(9999), "");
}

TEST(MessagesToolTest, WritesTheDefaultMessageFile) {
  testing::TempDir dir;
  const std::string path = dir / "lang.loc";
  auto run = testing::RunProcess({testing::BinPath("quillset-messages"), path});
  ASSERT_EQ(run.exit_code, 0) << run.err;
  const std::string file = testing::ReadFile(path);
  EXPECT_EQ(file, MessageTable().ToMessageFile());

  // The file round-trips through the loader and has 115 CR LF lines.
  size_t lines = 0;
  for (size_t at = file.find("\r\n"); at != std::string::npos; at = file.find("\r\n", at + 2)) ++lines;
  EXPECT_EQ(lines, MessageTable::kCount);
  MessageTable loaded;
  for (size_t line = 1; line <= MessageTable::kCount; ++line) loaded.Set(line, "x");
  loaded.LoadMessageFile(file, "English");
  for (size_t line = 1; line <= MessageTable::kCount; ++line) {
    if (line >= MessageTable::kFirstReserved && line <= MessageTable::kLastReserved) continue;
    EXPECT_EQ(loaded.Get(line), MessageTable().Get(line)) << "line " << line;
  }
}

TEST(MessagesToolTest, FailsWithoutAWritablePath) {
  EXPECT_EQ(testing::RunProcess({testing::BinPath("quillset-messages")}).exit_code, 2);
  testing::TempDir dir;
  EXPECT_EQ(testing::RunProcess({testing::BinPath("quillset-messages"), dir / "no/such/dir/x"}).exit_code, 1);
}

}  // namespace
}  // namespace quillset::script
