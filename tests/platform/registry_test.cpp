#include <gtest/gtest.h>

#include "tests/platform/platform_fixture.h"

namespace quillset::platform::posix {
namespace {

const char* const kAdmin = "administrator=TRUE\n";

std::unique_ptr<RegistryKey> Create(Registry& registry, RootKey root, const std::string& path, uint32_t view = 0) {
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(registry.CreateKey(root, path, kKeyAllAccess | view, &key), kRegOk) << path;
  return key;
}

std::string Text(Registry& registry, RootKey root, const std::string& path, const std::string& name, uint32_t view = 0) {
  std::unique_ptr<RegistryKey> key;
  if (registry.OpenKey(root, path, kKeyRead | view, &key) != kRegOk) return "<no key>";
  RegistryValue value;
  if (key->QueryValue(name, &value) != kRegOk) return "<no value>";
  return value.data;
}

TEST(RegistryTest, ValuesOfEveryTypeRoundTripAcrossProcesses) {
  PrefixPlatform platform(kAdmin);
  const std::vector<RegistryValue> values = {
      {"", kRegSz, "default"},
      {"Text", kRegSz, "C:\\Program Files\\App"},
      {"Expand", kRegExpandSz, "%SystemRoot%\\x"},
      {"Number", kRegDword, std::string("\x78\x56\x34\x12", 4)},
      {"Binary", kRegBinary, std::string("\0\xFF\x01", 3)},
      {"Multi", kRegMultiSz, std::string("a\0bc\0\0", 6)},
      {"Big", kRegQword, std::string("\1\2\3\4\5\6\7\x80", 8)},
      {"Empty", kRegBinary, ""},
  };
  auto key = Create(platform->registry, RootKey::kLocalMachine, "SOFTWARE\\Vendor\\App");
  for (const auto& value : values) ASSERT_EQ(key->SetValue(value), kRegOk) << value.name;

  auto other = platform.Reopen();  // a second connection sees every committed write
  std::unique_ptr<RegistryKey> read;
  ASSERT_EQ(other->platform().registry.OpenKey(RootKey::kLocalMachine, "SOFTWARE\\Vendor\\App", kKeyRead, &read), kRegOk);
  std::vector<RegistryValue> listed;
  ASSERT_EQ(read->EnumValues(&listed), kRegOk);
  ASSERT_EQ(listed.size(), values.size());
  for (size_t i = 0; i < values.size(); ++i) {
    EXPECT_EQ(listed[i].name, values[i].name);
    EXPECT_EQ(listed[i].type, values[i].type) << values[i].name;
    EXPECT_EQ(listed[i].data, values[i].data) << values[i].name;
  }
  RegistryValue missing;
  EXPECT_EQ(read->QueryValue("None", &missing), kRegFileNotFound);
  EXPECT_EQ(read->SetValue({"x", kRegSz, "y"}), kRegAccessDenied);  // opened for reading
}

TEST(RegistryTest, NamesIgnoreCaseAndKeepTheirFirstSpelling) {
  PrefixPlatform platform;
  Registry& registry = platform->registry;
  auto key = Create(registry, RootKey::kCurrentUser, "Software\\MixedCase\\Key");
  ASSERT_EQ(key->SetValue({"ValueName", kRegSz, "one"}), kRegOk);
  ASSERT_EQ(key->SetValue({"Other", kRegSz, "two"}), kRegOk);
  ASSERT_EQ(key->SetValue({"VALUENAME", kRegDword, std::string(4, '\0')}), kRegOk);
  Create(registry, RootKey::kCurrentUser, "SOFTWARE\\MIXEDCASE\\KEY\\sub");
  Create(registry, RootKey::kCurrentUser, "software\\mixedcase\\key\\Alpha");

  std::unique_ptr<RegistryKey> again;
  ASSERT_EQ(registry.OpenKey(RootKey::kCurrentUser, "SOFTWARE\\mixedcase\\KEY\\", kKeyRead, &again), kRegOk);
  std::vector<RegistryValue> values;
  ASSERT_EQ(again->EnumValues(&values), kRegOk);
  ASSERT_EQ(values.size(), 2u);
  EXPECT_EQ(values[0].name, "ValueName");  // updated in place: first spelling, first position
  EXPECT_EQ(values[0].type, kRegDword);
  std::vector<std::string> subkeys;
  ASSERT_EQ(again->EnumSubKeys(&subkeys), kRegOk);
  EXPECT_EQ(subkeys, (std::vector<std::string>{"Alpha", "sub"}));
  std::vector<std::string> top;
  std::unique_ptr<RegistryKey> software;
  ASSERT_EQ(registry.OpenKey(RootKey::kCurrentUser, "software", kKeyRead, &software), kRegOk);
  ASSERT_EQ(software->EnumSubKeys(&top), kRegOk);
  EXPECT_EQ(top, std::vector<std::string>{"MixedCase"});
  EXPECT_EQ(again->DeleteValue("other"), kRegAccessDenied);  // read access only
  EXPECT_EQ(key->DeleteValue("OTHER"), kRegOk);
  EXPECT_EQ(key->DeleteValue("other"), kRegFileNotFound);
}

TEST(RegistryTest, SoftwareHasA32BitViewUnderWow6432Node) {
  PrefixPlatform platform(kAdmin);
  Registry& registry = platform->registry;
  Create(registry, RootKey::kLocalMachine, "SOFTWARE\\Vendor")->SetValue({"v", kRegSz, "32"});
  Create(registry, RootKey::kLocalMachine, "SOFTWARE\\Vendor", kKeyWow64_64Key)->SetValue({"v", kRegSz, "64"});
  Create(registry, RootKey::kLocalMachine, "SYSTEM\\Shared")->SetValue({"v", kRegSz, "shared"});
  Create(registry, RootKey::kCurrentUser, "Software\\Vendor")->SetValue({"v", kRegSz, "user"});

  const auto hklm = RootKey::kLocalMachine;
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Vendor", "v"), "32");  // no view bit: 32-bit
  EXPECT_EQ(Text(registry, hklm, "software\\vendor", "v", kKeyWow64_32Key), "32");
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Vendor", "v", kKeyWow64_64Key), "64");
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Wow6432Node\\Vendor", "v", kKeyWow64_64Key), "32");
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Wow6432Node\\Vendor", "v", kKeyWow64_32Key), "32");
  EXPECT_EQ(Text(registry, hklm, "SYSTEM\\Shared", "v", kKeyWow64_64Key), "shared");
  EXPECT_EQ(Text(registry, hklm, "SYSTEM\\Shared", "v", kKeyWow64_32Key), "shared");
  EXPECT_EQ(Text(registry, RootKey::kCurrentUser, "Software\\Vendor", "v", kKeyWow64_64Key), "user");
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(registry.OpenKey(hklm, "SOFTWARE", kKeyRead | kKeyWow64_32Key | kKeyWow64_64Key, &key), kRegInvalidParameter);

  // The program files folders the engine reads from either view.
  const std::string current_version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  EXPECT_EQ(Text(registry, hklm, current_version, "ProgramFilesDir"), "C:\\Program Files (x86)");
  EXPECT_EQ(Text(registry, hklm, current_version, "ProgramFilesDir", kKeyWow64_64Key), "C:\\Program Files");

  // HKEY_CLASSES_ROOT shows SOFTWARE\Classes of the same view.
  Create(registry, RootKey::kClassesRoot, ".qst")->SetValue({"", kRegSz, "Quillset.File"});
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Classes\\.qst", ""), "Quillset.File");
  EXPECT_EQ(Text(registry, hklm, "SOFTWARE\\Classes\\.qst", "", kKeyWow64_64Key), "<no key>");

  // Without a 64-bit system there are no views.
  PrefixPlatform x86("administrator=TRUE\nis_64bit=FALSE\n");
  Create(x86->registry, hklm, "SOFTWARE\\Vendor")->SetValue({"v", kRegSz, "only"});
  EXPECT_EQ(Text(x86->registry, hklm, "SOFTWARE\\Vendor", "v", kKeyWow64_64Key), "only");
  EXPECT_EQ(Text(x86->registry, hklm, current_version, "ProgramFilesDir"), "C:\\Program Files");
}

TEST(RegistryTest, MachineKeysAreReadOnlyWithoutElevatedAdministrator) {
  for (const char* profile : {"administrator=FALSE\n", "administrator=TRUE\nelevated=FALSE\n"}) {
    SCOPED_TRACE(profile);
    PrefixPlatform platform(profile);
    Registry& registry = platform->registry;
    std::unique_ptr<RegistryKey> key;
    for (RootKey root : {RootKey::kLocalMachine, RootKey::kClassesRoot, RootKey::kCurrentConfig}) {
      EXPECT_EQ(registry.CreateKey(root, "New", kKeyAllAccess, &key), kRegAccessDenied);
      EXPECT_EQ(registry.OpenKey(root, "", kKeyWrite, &key), kRegAccessDenied);
    }
    EXPECT_EQ(registry.CreateKey(RootKey::kUsers, ".DEFAULT\\Software\\X", kKeyAllAccess, &key), kRegAccessDenied);
    EXPECT_EQ(registry.DeleteTree(RootKey::kLocalMachine, "SOFTWARE\\Classes", 0), kRegAccessDenied);
    // Reading stays possible, also through CreateKey of an existing key with read access.
    EXPECT_EQ(Text(registry, RootKey::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion", "ProgramFilesDir"),
              "C:\\Program Files (x86)");
    ASSERT_EQ(registry.CreateKey(RootKey::kLocalMachine, "SOFTWARE", kKeyRead, &key), kRegOk);
    EXPECT_EQ(key->SetValue({"x", kRegSz, "y"}), kRegAccessDenied);
    // The user's own hive is writable.
    ASSERT_EQ(registry.CreateKey(RootKey::kCurrentUser, "Software\\Mine", kKeyAllAccess, &key), kRegOk);
    EXPECT_EQ(key->SetValue({"x", kRegSz, "y"}), kRegOk);
  }
}

TEST(RegistryTest, DeletingKeys) {
  PrefixPlatform platform(kAdmin);
  Registry& registry = platform->registry;
  const auto hkcu = RootKey::kCurrentUser;
  Create(registry, hkcu, "Software\\Tree\\A\\B")->SetValue({"v", kRegSz, "deep"});
  Create(registry, hkcu, "Software\\Tree\\C")->SetValue({"v", kRegSz, "c"});
  Create(registry, hkcu, "Software\\Treetop")->SetValue({"v", kRegSz, "keep"});
  auto held = Create(registry, hkcu, "Software\\Tree\\A\\B");

  EXPECT_EQ(registry.DeleteKey(hkcu, "Software\\Tree", 0), kRegAccessDenied);  // has sub-keys
  EXPECT_EQ(registry.DeleteKey(hkcu, "Software\\Tree\\C", 0), kRegOk);
  EXPECT_EQ(registry.DeleteKey(hkcu, "Software\\Tree\\C", 0), kRegFileNotFound);
  EXPECT_EQ(registry.DeleteTree(hkcu, "SOFTWARE\\TREE", 0), kRegOk);
  EXPECT_EQ(Text(registry, hkcu, "Software\\Tree\\A\\B", "v"), "<no key>");
  EXPECT_EQ(Text(registry, hkcu, "Software\\Tree", "v"), "<no key>");
  EXPECT_EQ(Text(registry, hkcu, "Software\\Treetop", "v"), "keep");
  EXPECT_EQ(registry.DeleteTree(hkcu, "Software\\Tree", 0), kRegFileNotFound);
  EXPECT_EQ(registry.DeleteTree(hkcu, "", 0), kRegAccessDenied);  // a root key stays

  // A handle to a deleted key says so, and writing through it does not bring it back.
  RegistryValue value;
  EXPECT_EQ(held->QueryValue("v", &value), kRegKeyDeleted);
  EXPECT_EQ(held->SetValue({"v", kRegSz, "again"}), kRegKeyDeleted);
  Create(registry, hkcu, "Software\\Tree\\A\\B");
  EXPECT_EQ(Text(registry, hkcu, "Software\\Tree\\A\\B", "v"), "<no value>");

  // The 32-bit view deletes below Wow6432Node.
  Create(registry, RootKey::kLocalMachine, "SOFTWARE\\Gone");
  EXPECT_EQ(registry.DeleteTree(RootKey::kLocalMachine, "SOFTWARE\\Gone", kKeyWow64_64Key), kRegFileNotFound);
  EXPECT_EQ(registry.DeleteTree(RootKey::kLocalMachine, "SOFTWARE\\Wow6432Node\\Gone", kKeyWow64_64Key), kRegOk);
}

TEST(RegistryTest, UsersHoldsTheDefaultProfileAndTheCurrentUser) {
  PrefixPlatform platform(kAdmin);
  Registry& registry = platform->registry;
  std::unique_ptr<RegistryKey> users;
  ASSERT_EQ(registry.OpenKey(RootKey::kUsers, "", kKeyRead, &users), kRegOk);
  std::vector<std::string> names;
  ASSERT_EQ(users->EnumSubKeys(&names), kRegOk);
  ASSERT_EQ(names.size(), 2u);
  EXPECT_EQ(names[0], ".DEFAULT");
  Create(registry, RootKey::kCurrentUser, "Software\\Seen")->SetValue({"v", kRegSz, "me"});
  EXPECT_EQ(Text(registry, RootKey::kUsers, names[1] + "\\Software\\Seen", "v"), "me");
  Create(registry, RootKey::kUsers, ".default\\Software\\Seen")->SetValue({"v", kRegSz, "default"});
  EXPECT_EQ(Text(registry, RootKey::kUsers, ".DEFAULT\\Software\\Seen", "v"), "default");
  EXPECT_EQ(Text(registry, RootKey::kCurrentUser, "Software\\Seen", "v"), "me");
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(registry.OpenKey(RootKey::kUsers, "S-1-5-21-9-9-9-9", kKeyRead, &key), kRegFileNotFound);
  EXPECT_EQ(registry.CreateKey(RootKey::kUsers, "Someone", kKeyAllAccess, &key), kRegAccessDenied);
  EXPECT_EQ(users->SetValue({"v", kRegSz, "x"}), kRegAccessDenied);
}

TEST(RegistryTest, OverlongKeyNamesAreInvalid) {
  PrefixPlatform platform;
  std::unique_ptr<RegistryKey> key;
  EXPECT_EQ(platform->registry.CreateKey(RootKey::kCurrentUser, "Software\\" + std::string(256, 'k'), kKeyAllAccess, &key),
            kRegInvalidParameter);
  EXPECT_EQ(platform->registry.CreateKey(RootKey::kCurrentUser, "Software\\" + std::string(255, 'k'), kKeyAllAccess, &key),
            kRegOk);
}

}  // namespace
}  // namespace quillset::platform::posix
