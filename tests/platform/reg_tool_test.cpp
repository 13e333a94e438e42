// quillset-reg as a process over a hermetic prefix.
#include <gtest/gtest.h>

#include <future>

#include "tests/support/test_support.h"

namespace quillset::testing {
namespace {

class RegToolTest : public ::testing::Test {
 protected:
  void SetUp() override { WriteFile(prefix_ / "machine.profile", "administrator=TRUE\n"); }

  ProcessResult Reg(std::vector<std::string> arguments, const TempDir* prefix = nullptr) {
    arguments.insert(arguments.begin(), BinPath("quillset-reg"));
    return RunProcess(arguments, {{"QUILLSET_PREFIX", (prefix ? *prefix : prefix_).path()}});
  }
  void Ok(std::vector<std::string> arguments) {
    auto result = Reg(arguments);
    ASSERT_EQ(result.exit_code, 0) << arguments[0] << ": " << result.err;
  }

  TempDir prefix_;
};

TEST_F(RegToolTest, AddQueryAndDelete) {
  Ok({"add", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "Path", "/d", "C:\\Program Files\\App", "/reg:32"});
  Ok({"add", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App", "/v", "Count", "/t", "REG_DWORD", "/d", "0x1f", "/reg:32"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "List", "/t", "REG_MULTI_SZ", "/d", "one\\0two", "/reg:32"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor\\App\\Sub", "/ve", "/d", "default", "/reg:32"});

  // The engine's default 32-bit view is Wow6432Node to a 64-bit reg command.
  auto query = Reg({"query", "hklm\\software\\wow6432node\\vendor\\app", "/s"});
  ASSERT_EQ(query.exit_code, 0) << query.err;
  EXPECT_EQ(query.out,
            "\nHKEY_LOCAL_MACHINE\\software\\wow6432node\\vendor\\app\n"
            "    Path    REG_SZ    C:\\Program Files\\App\n"
            "    Count    REG_DWORD    0x1f\n"
            "    List    REG_MULTI_SZ    one\\0two\n"
            "\nHKEY_LOCAL_MACHINE\\software\\wow6432node\\vendor\\app\\Sub\n"
            "    (Default)    REG_SZ    default\n");
  EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Vendor\\App"}).exit_code, 1);  // not in the 64-bit view
  auto one = Reg({"query", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "count", "/reg:32"});
  EXPECT_NE(one.out.find("Count    REG_DWORD    0x1f"), std::string::npos) << one.out;

  // Without /f an existing value is only replaced when the user agrees; there is no answer here.
  EXPECT_EQ(Reg({"add", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "Path", "/d", "new", "/reg:32"}).exit_code, 1);
  Ok({"add", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "Path", "/d", "new", "/f", "/reg:32"});
  Ok({"delete", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "PATH", "/f", "/reg:32"});
  EXPECT_EQ(Reg({"query", "HKLM\\SOFTWARE\\Vendor\\App", "/v", "Path", "/reg:32"}).exit_code, 1);
  Ok({"delete", "HKLM\\SOFTWARE\\Vendor\\App", "/va", "/f", "/reg:32"});
  auto empty = Reg({"query", "HKLM\\SOFTWARE\\Vendor\\App", "/reg:32"});
  EXPECT_EQ(empty.out, "\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\n\nHKEY_LOCAL_MACHINE\\SOFTWARE\\Vendor\\App\\Sub\n");
  Ok({"delete", "HKLM\\SOFTWARE\\Vendor", "/f", "/reg:32"});
  auto gone = Reg({"query", "HKLM\\SOFTWARE\\Vendor", "/reg:32"});
  EXPECT_EQ(gone.exit_code, 1);
  EXPECT_EQ(gone.err, "ERROR: The system was unable to find the specified registry key or value.\n");
}

TEST_F(RegToolTest, BadCommandsFailWithAMessage) {
  const std::vector<std::vector<std::string>> cases = {
      {"frobnicate", "HKLM\\X"},
      {"query", "HKXX\\SOFTWARE"},
      {"query"},
      {"add", "HKCU\\X", "/v"},
      {"add", "HKCU\\X", "/v", "n", "/t", "REG_WHATEVER", "/d", "1"},
      {"add", "HKCU\\X", "/v", "n", "/t", "REG_DWORD", "/d", "0x100000000"},
      {"add", "HKCU\\X", "/v", "n", "/t", "REG_DWORD", "/d", "12ab"},
      {"add", "HKCU\\X", "/v", "n", "/t", "REG_BINARY", "/d", "abc"},
      {"import", "/no/such/file.reg"},
  };
  for (const auto& arguments : cases) {
    auto result = Reg(arguments);
    EXPECT_EQ(result.exit_code, 1) << arguments[0];
    EXPECT_EQ(result.err.rfind("ERROR: ", 0), 0u) << result.err;
  }
  WriteFile(prefix_ / "machine.profile", "administrator=FALSE\n");
  auto denied = Reg({"add", "HKLM\\SOFTWARE\\X", "/f"});
  EXPECT_EQ(denied.exit_code, 1);
  EXPECT_EQ(denied.err, "ERROR: Access is denied.\n");
  EXPECT_EQ(Reg({"add", "HKCU\\Software\\X", "/v", "n", "/d", "v"}).exit_code, 0);
}

TEST_F(RegToolTest, ExportThenImportReproducesTheHive) {
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Quote \"and\" back\\slash", "/d", "say \"hi\" C:\\", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/ve", "/d", "", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Expand", "/t", "REG_EXPAND_SZ", "/d", "%TEMP%\\caf\xC3\xA9", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Q", "/t", "REG_QWORD", "/d", "18446744073709551615", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "None", "/t", "REG_NONE", "/d", "0102", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor\\Deep\\Er", "/v", "Long", "/t", "REG_BINARY", "/d", std::string(200, 'a'), "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Multi", "/t", "REG_MULTI_SZ", "/s", "|", "/d", "x|y z|\xE2\x82\xAC", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Lines", "/d", "", "/reg:64"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Plain32", "/d", "in the 32-bit view"});
  Ok({"add", "HKLM\\SOFTWARE\\Vendor", "/v", "Plain32", "/d", "in the 32-bit view", "/reg:32"});
  std::string file = prefix_ / "vendor.reg";
  Ok({"export", "HKLM\\SOFTWARE", file});
  std::string text = ReadFile(file);
  EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n", 0), 0u);
  EXPECT_NE(text.find("\"Quote \\\"and\\\" back\\\\slash\"=\"say \\\"hi\\\" C:\\\\\"\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find(",\\\r\n  "), std::string::npos);  // long hex data wrapped
  EXPECT_EQ(Reg({"export", "HKLM\\SOFTWARE", file}).exit_code, 1);  // exists, no /y
  Ok({"export", "HKLM\\SOFTWARE", file, "/y"});

  TempDir fresh;
  WriteFile(fresh / "machine.profile", "administrator=TRUE\n");
  auto imported = Reg({"import", file}, &fresh);
  ASSERT_EQ(imported.exit_code, 0) << imported.err;
  auto before = Reg({"query", "HKLM\\SOFTWARE", "/s"});
  auto after = Reg({"query", "HKLM\\SOFTWARE", "/s"}, &fresh);
  ASSERT_EQ(before.exit_code, 0);
  EXPECT_NE(before.out.find("Plain32"), std::string::npos);
  EXPECT_EQ(after.out, before.out);
}

TEST_F(RegToolTest, ImportReadsUtf16AndRegedit4AndAppliesDeletions) {
  Ok({"add", "HKCU\\Software\\Old", "/v", "x", "/d", "1"});
  Ok({"add", "HKCU\\Software\\Keep", "/v", "gone", "/d", "1"});
  std::string text =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "; a comment\r\n"
      "[-HKEY_CURRENT_USER\\Software\\Old]\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Keep]\r\n"
      "\"gone\"=-\r\n"
      "\"caf\xC3\xA9\"=\"cr\xC3\xA8me\"\r\n"
      "\"n\"=dword:0000002A\r\n"
      "\"e\"=hex(2):25,00,41,00,25,00,00,00\r\n";
  std::string utf16 = "\xFF\xFE";
  for (size_t i = 0; i < text.size();) {
    // The text is ASCII except for two two-byte characters, which are below U+0800.
    unsigned char c = static_cast<unsigned char>(text[i]);
    uint32_t code = c < 0x80 ? c : ((c & 0x1F) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3F);
    i += c < 0x80 ? 1 : 2;
    utf16 += {static_cast<char>(code & 0xFF), static_cast<char>(code >> 8)};
  }
  WriteFile(prefix_ / "utf16.reg", utf16);
  Ok({"import", prefix_ / "utf16.reg"});
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Old"}).exit_code, 1);
  auto keep = Reg({"query", "HKCU\\Software\\Keep"});
  EXPECT_EQ(keep.out,
            "\nHKEY_CURRENT_USER\\Software\\Keep\n"
            "    caf\xC3\xA9    REG_SZ    cr\xC3\xA8me\n"
            "    n    REG_DWORD    0x2a\n"
            "    e    REG_EXPAND_SZ    %A%\n");

  WriteFile(prefix_ / "old.reg", "REGEDIT4\n\n[HKEY_CURRENT_USER\\Software\\Four]\n\"e\"=hex(2):25,41,25,00\n@=\"d\"\n");
  Ok({"import", prefix_ / "old.reg"});
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Four"}).out,
            "\nHKEY_CURRENT_USER\\Software\\Four\n    e    REG_EXPAND_SZ    %A%\n    (Default)    REG_SZ    d\n");
}

TEST_F(RegToolTest, MalformedRegFilesAreRejectedWithoutChanges) {
  static const char kZeros[] = "Windows Registry Editor Version 5.00\r\n[HKEY_CURRENT_USER\\A\0B]\r\n\"\0\"=hex:\r\n";
  const std::string header = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_CURRENT_USER\\Software\\Bad]\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "the file is empty"},
      {"Not a registry file\r\n", "line 1: not a registry file"},
      {"Windows Registry Editor Version 5.00\r\n\"v\"=\"x\"\r\n", "line 2: a value before the first [key] line"},
      {header + "[HKEY_CURRENT_USER\\Software\\Unclosed\r\n", "line 4: a key line must end with \"]\""},
      {header + "\"v\"=\"open\r\n", "line 4: missing closing quote"},
      {header + "\"v\"=\"x\" extra\r\n", "line 4: text after the closing quote"},
      {header + "\"v\" \"x\"\r\n", "line 4: expected \"=\""},
      {header + "v=\"x\"\r\n", "line 4: expected \"name\"=value"},
      {header + "\"v\"=dword:123456789\r\n", "line 4: a dword needs 1 to 8 hex digits"},
      {header + "\"v\"=dword:xyz\r\n", "line 4: not a hex digit"},
      {header + "\"v\"=hex:01,,02\r\n", "line 4: expected hex bytes"},
      {header + "\"v\"=hex:01,0203\r\n", "line 4: expected hex bytes"},
      {header + "\"v\"=hex(zz):01\r\n", "line 4: not a hex digit"},
      {header + "\"v\"=hex(123456789):01\r\n", "line 4: bad value type"},
      {header + "\"v\"=hex:01,\\\r\n", "line 4: the data goes on past the end of the file"},
      {header + "\"v\"=str:abc\r\n", "line 4: unknown data form"},
      {header + "[-HKEY_CURRENT_USER\\Software\\Gone]\r\n\"v\"=\"x\"\r\n", "line 5: a value below a key being deleted"},
      {header + "[]\r\n", "line 4: empty key name"},
      {header + "[HKEY_NOWHERE\\X]\r\n", "Invalid key name"},
      {"\xFF\xFE" "W\0", "line 1: not a registry file"},
      {"\xFF\xFE" "W", "line 1: not a registry file"},
      {std::string(kZeros, sizeof kZeros - 1), ""},
  };
  std::string file = prefix_ / "bad.reg";
  for (const auto& [text, message] : cases) {
    WriteFile(file, text);
    auto result = Reg({"import", file});
    if (message.empty()) continue;  // only that it does not crash
    EXPECT_EQ(result.exit_code, 1) << text;
    EXPECT_NE(result.err.find(message), std::string::npos) << text << "\n" << result.err;
  }
  EXPECT_EQ(Reg({"query", "HKCU\\Software\\Bad"}).exit_code, 1);
}

// Two processes writing into one hive at the same time: every write survives.
TEST_F(RegToolTest, ConcurrentWritersLoseNothing) {
  constexpr int kValues = 1000;
  for (const char* writer : {"A", "B"}) {
    std::string text = "Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\SOFTWARE\\Shared]\r\n";
    for (int i = 0; i < kValues; ++i) text += "\"" + std::string(writer) + std::to_string(i) + "\"=dword:" + std::to_string(i) + "\r\n";
    WriteFile(prefix_ / (std::string(writer) + ".reg"), text);
  }
  auto run = [this](const std::string& writer) { return Reg({"import", prefix_ / (writer + ".reg")}); };
  auto a = std::async(std::launch::async, run, "A");
  auto b = std::async(std::launch::async, run, "B");
  auto result_a = a.get(), result_b = b.get();
  ASSERT_EQ(result_a.exit_code, 0) << result_a.err;
  ASSERT_EQ(result_b.exit_code, 0) << result_b.err;
  auto query = Reg({"query", "HKLM\\SOFTWARE\\Shared"});
  size_t lines = 0;
  for (size_t at = query.out.find("REG_DWORD"); at != std::string::npos; at = query.out.find("REG_DWORD", at + 1)) ++lines;
  EXPECT_EQ(lines, 2u * kValues);
  EXPECT_NE(query.out.find("    A999    REG_DWORD    0x999\n"), std::string::npos);
  EXPECT_NE(query.out.find("    B0    REG_DWORD    0x0\n"), std::string::npos);
}

}  // namespace
}  // namespace quillset::testing
