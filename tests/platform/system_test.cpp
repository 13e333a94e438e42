#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>

#include "platform/posix/machine_facts.h"
#include "platform/posix/windows_text.h"
#include "tests/platform/platform_fixture.h"

namespace quillset::platform::posix {
namespace {

TEST(MachineProfileTest, OverridesEveryQuestionBothWays) {
  PrefixPlatform admin("administrator=TRUE\nos_version=5.1.2600\nservice_pack=Service Pack 3\n"
                       "nt_family=TRUE\nis_64bit=FALSE\nuser=alice\ncomputer=BOX\nui_language=1036\n");
  System& system = admin->system;
  EXPECT_TRUE(system.IsAdministrator());
  EXPECT_TRUE(system.IsElevated());  // follows administrator unless given
  EXPECT_FALSE(system.Is64BitSystem());
  OsVersion os = system.GetOsVersion();
  EXPECT_EQ(os.major, 5u);
  EXPECT_EQ(os.minor, 1u);
  EXPECT_EQ(os.build, 2600u);
  EXPECT_EQ(os.service_pack, "Service Pack 3");
  EXPECT_EQ(os.service_pack_major, 3u);
  EXPECT_EQ(system.UserName(), "alice");
  EXPECT_EQ(system.ComputerName(), "BOX");
  EXPECT_EQ(system.UserDefaultUiLanguage(), 1036u);
  EXPECT_EQ(system.SpecialFolderPath(SpecialFolder::kProgramFiles), "C:\\Program Files\\");
  EXPECT_EQ(system.SpecialFolderPath(SpecialFolder::kProgramFilesX86), "");

  PrefixPlatform user("administrator = FALSE\n# a comment\n\nnt_family=FALSE\nservice_pack=\n");
  EXPECT_FALSE(user->system.IsAdministrator());
  EXPECT_FALSE(user->system.IsElevated());
  EXPECT_FALSE(user->system.GetOsVersion().nt_family);
  EXPECT_EQ(user->system.GetOsVersion().service_pack_major, 0u);

  PrefixPlatform unelevated("administrator=TRUE\nelevated=FALSE\nservice_pack_major=7\n");
  EXPECT_TRUE(unelevated->system.IsAdministrator());
  EXPECT_FALSE(unelevated->system.IsElevated());
  EXPECT_EQ(unelevated->system.GetOsVersion().service_pack_major, 7u);
}

TEST(MachineProfileTest, DefaultsAreTheHostsTruth) {
  PrefixPlatform platform;
  System& system = platform->system;
  EXPECT_EQ(system.IsAdministrator(), geteuid() == 0);
  EXPECT_EQ(system.IsElevated(), geteuid() == 0);
  EXPECT_TRUE(system.Is64BitSystem());
  OsVersion os = system.GetOsVersion();
  EXPECT_EQ((std::vector<uint32_t>{os.major, os.minor, os.build, os.service_pack_major}),
            (std::vector<uint32_t>{6, 0, 6002, 2}));
  EXPECT_EQ(os.service_pack, "Service Pack 2");
  EXPECT_FALSE(system.UserName().empty());
}

TEST(MachineProfileTest, BadLinesAreReportedWithTheirNumber) {
  const std::pair<const char*, const char*> cases[] = {
      {"administrator=maybe", "line 1: expected TRUE or FALSE"},
      {"\nno equals sign", "line 2: expected key=value"},
      {"colour=blue", "line 1: unknown key colour"},
      {"os_version=6", "line 1: expected major.minor.build"},
      {"os_version=6.0.x", "line 1: expected major.minor.build"},
      {"ui_language=-3", "line 1: expected a number"},
  };
  for (const auto& [text, message] : cases) {
    MachineFacts facts;
    try {
      ApplyProfile(text, facts);
      ADD_FAILURE() << text;
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(message), std::string::npos) << error.what();
    }
  }
}

TEST(MachineFactsTest, LocaleNamesGiveWindowsLanguageIds) {
  const std::pair<const char*, uint32_t> cases[] = {
      {"fr_FR.UTF-8", 1036}, {"de_DE@euro", 1031}, {"ja_JP.UTF-8", 1041}, {"en_US.UTF-8", 1033},
      {"en_GB.UTF-8", 2057}, {"pt_BR", 1046},      {"pt_PT", 2070},       {"fr_CA.UTF-8", 3084},
      {"zh_TW.UTF-8", 1028}, {"C", 1033},          {"POSIX", 1033},       {"xx_YY", 1033},
  };
  for (const auto& [locale, id] : cases) EXPECT_EQ(LanguageIdOfLocale(locale), id) << locale;
}

TEST(SystemTest, FoldersOfAHermeticMachine) {
  PrefixPlatform platform("user=bob\n");
  System& system = platform->system;
  const std::pair<SpecialFolder, const char*> cases[] = {
      {SpecialFolder::kProgramFiles, "C:\\Program Files (x86)\\"},
      {SpecialFolder::kProgramFilesX86, "C:\\Program Files (x86)\\"},
      {SpecialFolder::kCommonProgramFiles, "C:\\Program Files (x86)\\Common Files\\"},
      {SpecialFolder::kCommonAppData, "C:\\ProgramData\\"},
      {SpecialFolder::kProfile, "C:\\users\\bob\\"},
      {SpecialFolder::kPersonal, "C:\\users\\bob\\Documents\\"},
      {SpecialFolder::kAppData, "C:\\users\\bob\\AppData\\Roaming\\"},
      {SpecialFolder::kLocalAppData, "C:\\users\\bob\\AppData\\Local\\"},
      {SpecialFolder::kStartup, "C:\\users\\bob\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup\\"},
      {SpecialFolder::kWindows, "C:\\windows\\"},
      {SpecialFolder::kSystem, "C:\\windows\\syswow64\\"},
  };
  for (const auto& [folder, path] : cases) {
    EXPECT_EQ(system.SpecialFolderPath(folder), path);
    EXPECT_TRUE(platform->files.DirectoryExists(path)) << path;  // made on first use
  }
  std::string temp = "C:\\tmp\\quillset-" + std::to_string(geteuid()) + "\\";
  EXPECT_EQ(system.TempFolder(), temp);
  EXPECT_TRUE(std::filesystem::is_directory(platform.prefix() / ("drive_c/tmp/quillset-" + std::to_string(geteuid()))));
  EXPECT_EQ(system.CommandLine(), "Z:\\usr\\bin\\setup");
  EXPECT_EQ(system.ExecutablePath().substr(0, 3), "Z:\\");
  EXPECT_TRUE(platform->files.FileExists(system.ExecutablePath()));
}

TEST(SystemTest, EnvironmentNamesIgnoreCase) {
  PrefixPlatform platform;
  setenv("QUILLSET_TEST_VARIABLE", "value", 1);
  EXPECT_EQ(platform->system.GetEnvironmentVariable("quillset_test_Variable").value_or(""), "value");
  EXPECT_FALSE(platform->system.GetEnvironmentVariable("QUILLSET_NO_SUCH_VARIABLE"));
  unsetenv("QUILLSET_TEST_VARIABLE");
}

TEST(WindowsTextTest, CommandLineQuotesAsWindowsArgumentRulesExpect) {
  const std::pair<std::vector<std::string>, const char*> cases[] = {
      {{"setup.exe", "/s", "NAME=VALUE"}, "setup.exe /s NAME=VALUE"},
      {{"C:\\Program Files\\setup.exe", ""}, "\"C:\\Program Files\\setup.exe\" \"\""},
      {{"a", "two words"}, "a \"two words\""},
      {{"a", "say \"hi\""}, "a \"say \\\"hi\\\"\""},
      {{"a", "q\"uote"}, "a q\\\"uote"},
      {{"a", "C:\\dir\\"}, "a C:\\dir\\"},
      {{"a", "C:\\my dir\\"}, "a \"C:\\my dir\\\\\""},
      {{"a", "back\\\\\"slash"}, "a back\\\\\\\\\\\"slash"},
  };
  for (const auto& [arguments, line] : cases) EXPECT_EQ(BuildCommandLine(arguments), line);
}

TEST(WindowsTextTest, Utf8BecomesUtf16LeWithReplacementForBadBytes) {
  auto units = [](std::initializer_list<uint16_t> list) {
    std::string bytes;
    for (uint16_t u : list) bytes += {static_cast<char>(u & 0xFF), static_cast<char>(u >> 8)};
    return bytes;
  };
  const std::pair<std::string, std::string> cases[] = {
      {"Az", units({'A', 'z'})},
      {"\xC3\xA9", units({0xE9})},                        // é
      {"\xE2\x82\xAC", units({0x20AC})},                  // €
      {"\xF0\x9F\x98\x80", units({0xD83D, 0xDE00})},      // U+1F600
      {"a\xFF" "b", units({'a', 0xFFFD, 'b'})},           // invalid byte
      {"\xC0\xAF", units({0xFFFD, 0xFFFD})},              // overlong
      {"\xED\xA0\x80", units({0xFFFD, 0xFFFD, 0xFFFD})},  // encoded surrogate
      {"\xE2\x82", units({0xFFFD, 0xFFFD})},              // cut short
      {std::string("\0", 1), units({0})},
  };
  for (const auto& [text, expected] : cases) {
    EXPECT_EQ(Utf8ToUtf16Le(text), expected);
  }
  EXPECT_EQ(Utf16LeToUtf8(Utf8ToUtf16Le("\xF0\x9F\x98\x80 \xC3\xA9")), "\xF0\x9F\x98\x80 \xC3\xA9");
  EXPECT_EQ(Utf16LeToUtf8(units({0xD800, 'x'})), "\xEF\xBF\xBDx");
}

TEST(DialogsTest, MessageBoxPrintsAndAnswersItsDefaultButton) {
  PrefixPlatform platform;
  ::testing::internal::CaptureStderr();
  int answer = platform->dialogs.MessageBox("Setup", "First line\r\nSecond", kMbYesNo | kMbDefButton2);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "Setup: First line\nSetup: Second\n");
  EXPECT_EQ(answer, kIdNo);
}

TEST(LibrariesTest, LoadsBySymbolAndReportsTheLoadersError) {
  PrefixPlatform platform;
  std::string error;
  auto library = platform->libraries.Load("Z:\\lib\\x86_64-linux-gnu\\libm.so.6", &error);
  ASSERT_TRUE(library) << error;
  EXPECT_NE(library->Symbol("cos"), nullptr);
  EXPECT_EQ(library->Symbol("no_such_symbol"), nullptr);
  EXPECT_FALSE(platform->libraries.Load("C:\\missing.dll", &error));
  EXPECT_NE(error.find("missing.dll"), std::string::npos) << error;
}

}  // namespace
}  // namespace quillset::platform::posix
