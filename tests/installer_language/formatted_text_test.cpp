#include "platform/posix/installer/language/formatted_text.h"

#include <gtest/gtest.h>

#include <map>
#include <string>

namespace quillset::platform::posix::installer {
namespace {

using Table = std::map<std::string, std::string>;

std::function<std::optional<std::string>(const std::string&)> LookUp(const Table& table) {
  return [&table](const std::string& key) -> std::optional<std::string> {
    auto it = table.find(key);
    if (it == table.end()) return std::nullopt;
    return it->second;
  };
}

class FormattedTextTest : public ::testing::Test {
 protected:
  FormattedTextTest() {
    context_.property = LookUp(properties_);
    context_.environment = LookUp(environment_);
    context_.file_path = LookUp(files_);
    context_.component_folder = LookUp(components_);
  }

  struct Case {
    std::string text;
    std::string formatted;
  };

  template <size_t N>
  void Check(const Case (&cases)[N]) {
    for (const Case& c : cases) EXPECT_EQ(FormatText(c.text, context_), c.formatted) << "text: " << c.text;
  }

  Table properties_{{"INSTALLDIR", "C:\\App\\"}, {"ProductName", "Quill"}, {"POINTER", "ProductName"},
                    {"PREFIX", "Product"},        {"EMPTY", ""},          {"BRACKETED", "[ProductName]"},
                    {"HASH", "#main.exe"},        {"1", "one"}};
  Table environment_{{"PATH", "/bin"}};
  Table files_{{"main.exe", "C:\\App\\main.exe"}};
  Table components_{{"MainComponent", "C:\\App\\"}};
  FormatContext context_;
};

TEST_F(FormattedTextTest, References) {
  const Case cases[] = {
      {"", ""}, {"plain text", "plain text"},
      {"[INSTALLDIR]bin", "C:\\App\\bin"}, {"[ProductName] [ProductName]", "Quill Quill"},
      {"[UNSET]x", "x"}, {"[productname]", ""} /* names are case-sensitive */, {"[1]", "one"},
      {"[#main.exe]", "C:\\App\\main.exe"}, {"[!main.exe]", "C:\\App\\main.exe"}, {"[#other]", ""},
      {"[$MainComponent]", "C:\\App\\"}, {"[$Other]", ""}, {"[%PATH]:/usr/bin", "/bin:/usr/bin"},
      {"[%HOME]", ""}, {"[#]", ""}, {"[$]", ""},
      // a value is not formatted again
      {"[BRACKETED]", "[ProductName]"},
      // escapes: only the character after the backslash is kept
      {"[\\[]x[\\]]", "[x]"}, {"[\\[]Bracket Text[\\]]", "[Bracket Text]"}, {"[\\abc]", "a"},
      {"[\\{][\\}]", "{}"}, {"[\\\\]", "\\"},
      // nested references resolve from the inside
      {"[[POINTER]]", "Quill"}, {"[[PREFIX]Name]", "Quill"}, {"[[UNSET]]", ""}, {"[[HASH]]", "C:\\App\\main.exe"},
      {"[[[\\P]OINTER]]", "Quill"},
  };
  Check(cases);
}

TEST_F(FormattedTextTest, NullCharacter) {
  EXPECT_EQ(FormatText("a[~]b[~][~]", context_), std::string("a\0b\0\0", 5));
  EXPECT_EQ(FormatText("[~x]", context_), "");
}

TEST_F(FormattedTextTest, Groups) {
  const Case cases[] = {
      {"{plain}", "{plain}"}, {"a{}b", "a{}b"},
      {"{[ProductName] is here}", "Quill is here"}, {"x{ [UNSET] gone}y", "xy"},
      {"{[ProductName][UNSET]}", ""}, {"{[EMPTY]}", ""}, {"{[#main.exe]}", "C:\\App\\main.exe"},
      {"{[#other]}", ""}, {"{[\\[]}", "["}, {"{[~]}", std::string(1, '\0')},
      // nested groups: a vanished inner group makes the outer one vanish
      {"{a{b}c}", "{a{b}c}"}, {"{a{[ProductName]}c}", "aQuillc"}, {"{a{[UNSET]}c}", ""},
      {"{[ProductName]{[UNSET]}}", ""}, {"[ProductName]{[UNSET]}!", "Quill!"},
  };
  Check(cases);
}

TEST_F(FormattedTextTest, UnbalancedTextStaysLiteral) {
  const Case cases[] = {
      {"[", "["}, {"]", "]"}, {"[]", "[]"}, {"[ProductName", "[ProductName"}, {"ProductName]", "ProductName]"},
      {"[[ProductName]", "[Quill"}, {"[ProductName]]", "Quill]"}, {"{", "{"}, {"}", "}"},
      {"{[ProductName]", "{Quill"}, {"[ProductName]}", "Quill}"}, {"[\\", "[\\"}, {"[\\]", "[\\]"},
      {"[\\x", "[\\x"}, {"{[}]", "{[}]"}, {"[{]}", "}"},
  };
  Check(cases);
}

TEST_F(FormattedTextTest, DeepNestingIsBoundedAndLinear) {
  // The reference inside k groups is read at depth k: within the bound it resolves, beyond it it
  // stays literal text, and groups without references keep their braces.
  auto grouped = [](int k) { return std::string(k, '{') + "[ProductName]" + std::string(k, '}'); };
  EXPECT_EQ(FormatText(grouped(kMaxFormatDepth - 1), context_), "Quill");
  EXPECT_EQ(FormatText(grouped(kMaxFormatDepth), context_), grouped(kMaxFormatDepth));
  EXPECT_EQ(FormatText(std::string(200000, '['), context_), std::string(200000, '['));
  EXPECT_EQ(FormatText(std::string(100000, '[') + std::string(100000, ']'), context_), "");
  std::string many_groups;
  for (int i = 0; i < 50000; ++i) many_groups += "{[ProductName]}";
  EXPECT_EQ(FormatText(many_groups, context_).size(), 50000u * 5);
}

TEST(FormattedText, MissingCallbacksGiveNothing) {
  FormatContext none;
  EXPECT_EQ(FormatText("a[P][#f][$c][%E]{[P]}b[\\x]", none), "abx");
}

}  // namespace
}  // namespace quillset::platform::posix::installer
