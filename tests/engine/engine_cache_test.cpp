// The engine cache inside the test process: an engine prepared as start-up leaves it, over the
// posix platform on a private prefix, with an installer service double that answers what the
// product's state and package code are.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

#include "engine/bootstrap.h"
#include "engine/cache_files.h"
#include "engine/cache_paths.h"
#include "engine/engine.h"
#include "engine/engine_cache.h"
#include "engine/predefined_variables.h"
#include "platform/posix/posix_platform.h"
#include "platform/win_path.h"
#include "tests/support/forwarding_file_system.h"
#include "tests/support/test_support.h"

namespace quillset::engine {
namespace {

using testing::TempDir;

constexpr const char* kProduct = "{6A1F0C3B-2D4E-4F5A-8B9C-0D1E2F3A4B5C}";
constexpr const char* kRevision = "{11111111-2222-3333-4444-555555555555}";
constexpr const char* kMedia = "C:\\media\\";

class FakeInstaller : public platform::Installer {
 public:
  platform::INSTALLSTATE state = platform::msi::kStateUnknown;
  std::string package_code;

  FakeInstaller() {
    functions_.MsiQueryProductStateA = [this](platform::LPCSTR) { return state; };
    functions_.MsiGetProductInfoA = [this](platform::LPCSTR, platform::LPCSTR attribute, platform::LPSTR buffer,
                                           platform::DWORD* size) -> platform::UINT {
      if (std::strcmp(attribute, "PackageCode") != 0 || *size <= package_code.size()) return 1605;
      std::memcpy(buffer, package_code.c_str(), package_code.size() + 1);
      *size = static_cast<platform::DWORD>(package_code.size());
      return 0;
    };
  }
  platform::InstallerFunctions* Bind() override { return &functions_; }

 private:
  platform::InstallerFunctions functions_;
};

// The real file system, except that chosen files cannot be deleted (a running program).
class FilesInUse : public testing::ForwardingFileSystem {
 public:
  using ForwardingFileSystem::ForwardingFileSystem;
  std::vector<std::string> in_use;

  bool DeleteFile(const std::string& p) override {
    for (const auto& busy : in_use)
      if (real_.LongPathName(busy) == real_.LongPathName(p)) return false;
    return real_.DeleteFile(p);
  }
};

struct Machine {
  explicit Machine(const std::string& profile = "administrator=FALSE\n") {
    testing::WriteFile(prefix / "machine.profile", profile);
    host = platform::posix::CreatePosixPlatform({prefix.path(), {"/usr/bin/test"}});
    auto& p = host->platform();
    files = std::make_unique<FilesInUse>(p.files);
    platform.reset(new platform::Platform{*files, p.system, p.registry, p.dialogs, p.libraries, p.http, p.processes,
                                          installer});
  }
  std::string Read(const std::string& path) { return platform::ReadWholeFile(*files, path).value_or("<missing>"); }
  void Write(const std::string& path, const std::string& text) {
    files->CreateDirectories(platform::ExtractFilePath(path));
    ASSERT_TRUE(platform::WriteWholeFile(*files, path, text)) << path;
  }
  std::string Value(platform::RootKey root, const std::string& key, const std::string& name) {
    return ReadRegistryString(platform->registry, root, key, name);
  }
  std::string LocalAppData() { return platform->system.SpecialFolderPath(platform::SpecialFolder::kLocalAppData); }

  TempDir prefix;
  std::unique_ptr<platform::posix::PosixPlatform> host;
  FakeInstaller installer;
  std::unique_ptr<FilesInUse> files;
  std::unique_ptr<platform::Platform> platform;
};

// A setup folder holding the engine and its companions.
void MakeSetup(Machine& m, const std::string& folder) {
  for (const char* name : {"setup.exe", "setup.msi", "setup.res", "zep.lib", "setup.bmp"})
    m.Write(folder + name, std::string("content of ") + name);
}

// The engine as start-up leaves it before bootstrap: started from folder + "setup.exe".
std::unique_ptr<Engine> StartedEngine(Machine& m, const std::string& folder, int media_mode = 1) {
  auto e = std::make_unique<Engine>(*m.platform);
  e->startup.engine_path = folder + "setup.exe";
  e->startup.engine_folder = folder;
  e->startup.engine_base_name = "setup";
  e->startup.data_folder = folder + "data\\";
  auto& script = e->script;
  script.product_code = kProduct;
  script.revision_code = kRevision;
  script.title = "Demo";
  script.company = "Orvandel Demo Co";
  script.contact = "Ann Example";
  script.media_mode = media_mode;
  script.component_definitions = {"Program", "1000", "Help", "250"};
  e->components.SetDefinitions(script.component_definitions);
  e->run.instance.product_code = kProduct;
  e->run.instance.revision_code = kRevision;
  e->variables.manager().Clear();
  DefinePreInitializationVariables(*e);
  return e;
}

// Bootstrap and the initialization that follows it in a run.
void Boot(Engine& e) {
  Bootstrap(e);
  e.components.DefineComponent(std::string(commands::kPredefinedComponent), "", true);
  DefineInitializationVariables(e);
}

TEST(EngineCache, CacheRootFollowsTheOverrideTheRegisteredIdentityAndTheScope) {
  Machine m;
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  const std::string machine_root = m.platform->system.SpecialFolderPath(platform::SpecialFolder::kCommonAppData);
  const std::string user_root = m.LocalAppData();
  const std::string identity = std::string(kIdentityKey) + kProduct;
  struct Case {
    const char* name;
    std::string override_value, registered;
    std::string machine, user;
  } cases[] = {
      {"application data folders", "", "", machine_root, user_root},
      {"override without its backslash", "D:\\cache", "", "D:\\cache\\", "D:\\cache\\"},
      {"registered folder of this revision", "", std::string("C:\\elsewhere\\") + kRevision + "\\", "C:\\elsewhere\\",
       "C:\\elsewhere\\"},
      {"registered folder of another revision", "", "C:\\elsewhere\\{OTHER}\\", machine_root, user_root},
  };
  for (const auto& c : cases) {
    e->variables.SetVariable("OVERRIDECACHE", c.override_value, "test");
    m.platform->registry.DeleteKey(platform::RootKey::kCurrentUser, identity, 0);
    if (!c.registered.empty()) {
      std::unique_ptr<platform::RegistryKey> key;
      ASSERT_EQ(m.platform->registry.CreateKey(platform::RootKey::kCurrentUser, identity, platform::kKeyWrite, &key), 0);
      key->SetValue({"", platform::kRegSz, c.registered});
    }
    EXPECT_EQ(CacheRoot(*e, CacheScope::kPerMachine), c.machine) << c.name;
    EXPECT_EQ(CacheRoot(*e, CacheScope::kPerUser), c.user) << c.name;
  }
}

TEST(EngineCache, InstallationWritesTheCacheThatMaintenanceReadsBackAndRemovalTakesAway) {
  Machine m;
  MakeSetup(m, kMedia);
  auto first = StartedEngine(m, kMedia);
  Boot(*first);
  auto& v = first->variables;
  const std::string cache = m.LocalAppData() + kRevision + "\\";
  const std::string documents = m.platform->system.SpecialFolderPath(platform::SpecialFolder::kPersonal);
  EXPECT_EQ(v.GetVariable("MAINTENANCE"), "FALSE");
  EXPECT_EQ(v.GetVariable("NEWINSTANCE"), "FALSE");
  EXPECT_EQ(v.GetVariable("ALLUSERS"), "FALSE");
  EXPECT_EQ(v.GetVariable("TARGETDIR"),
            platform::ExtractFilePath(platform::ExcludeTrailingBackslash(documents)) + "Demo\\");
  EXPECT_EQ(v.GetVariable("ENGINECACHE"), cache);
  EXPECT_EQ(v.GetVariable("UNINSTALLLINK"), cache + "setup.exe");
  EXPECT_EQ(v.GetVariable("DATADIR"), std::string(kMedia) + "data\\");

  // The run's choices: a component left out, a kept variable with a line break, a parameter.
  first->components.DefineComponent("Program", "", true);
  first->components.DefineComponent("Help", "", false);
  v.SetVariable("TARGETDIR", "C:\\Demo\\", "test");
  v.SetVariable("SERIAL", "a\r\nb", "test");
  first->run.persisted_variables = {"SERIAL"};
  first->run.parameter_file = {"AInstallFiles1", "TRUE"};
  WriteEngineCache(*first, true, false);
  WriteEngineCacheAtEnd(*first);

  for (const char* name : {"setup.exe", "setup.msi", "setup.res", "zep.lib", "setup.bmp"})
    EXPECT_EQ(m.Read(cache + name), std::string("content of ") + name);
  EXPECT_EQ(m.Read(cache + "setup.dat"),
            "KVOR-PREDEF-COMPONENT\r\nProgram\r\nHelp\r\n$\r\nTRUE\r\nTRUE\r\nFALSE\r\n$\r\n$\r\n$\r\n$\r\n"
            "Program\r\n1000\r\nHelp\r\n250\r\nKVOR-PREDEF-COMPONENT\r\n0\r\n$\r\n"
            "C:\\Demo\\\r\nFALSE\r\nDemo\r\n\r\nSERIAL\r\na$NEWLINE$b\r\nKVOR64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n");
  EXPECT_EQ(m.Read(cache + "setup.par"), "AInstallFiles1\r\nTRUE\r\n");
  EXPECT_EQ(m.Read(cache + "instance.dat"), std::string(kProduct) + "\r\n" + kRevision + "\r\nDemo\r\n");
  EXPECT_FALSE(m.files->FileExists(cache + "setup.lan"));
  auto attributes = m.files->GetAttributes(cache);
  ASSERT_TRUE(attributes);
  EXPECT_EQ(*attributes & (platform::kAttributeHidden | platform::kAttributeCompressed),
            platform::kAttributeHidden | platform::kAttributeCompressed);

  const auto user = platform::RootKey::kCurrentUser;
  const std::string entry = std::string(kUninstallKey) + "Demo";
  EXPECT_EQ(m.Value(user, entry, "UninstallString"), "\"" + cache + "setup.exe\" REMOVE=TRUE MODIFY=FALSE");
  EXPECT_EQ(m.Value(user, entry, "ModifyPath"), cache + "setup.exe");
  EXPECT_EQ(m.Value(user, entry, "DisplayName"), "Demo");
  EXPECT_EQ(m.Value(user, entry, "Publisher"), "Orvandel Demo Co");
  EXPECT_EQ(m.Value(user, entry, "Contact"), "Ann Example");
  EXPECT_EQ(m.Value(user, entry, "InstallLocation"), "C:\\Demo\\");
  EXPECT_EQ(m.Value(user, std::string(kUninstallKey) + kProduct, "UninstallString"), cache + "setup.exe");
  EXPECT_EQ(m.Value(user, std::string(kIdentityKey) + kProduct, ""), cache);
  EXPECT_EQ(m.Value(platform::RootKey::kLocalMachine, entry, "DisplayName"), "");

  // The cached engine started later: the product is installed with this package.
  m.installer.state = platform::msi::kStateDefault;
  m.installer.package_code = kRevision;
  auto again = StartedEngine(m, cache);
  Boot(*again);
  auto& w = again->variables;
  EXPECT_EQ(w.GetVariable("MAINTENANCE"), "TRUE");
  EXPECT_EQ(w.GetVariable("NEEDSUPGRADE"), "FALSE");
  EXPECT_EQ(w.GetVariable("NEWINSTANCE"), "FALSE") << "instance.dat lies beside the cached engine";
  EXPECT_EQ(w.GetVariable("TARGETDIR"), "C:\\Demo\\");
  EXPECT_EQ(w.GetVariable("SERIAL"), "a$NEWLINE$b");
  EXPECT_EQ(again->run.persisted_variables, std::vector<std::string>{"SERIAL"});
  EXPECT_TRUE(again->components.GetComponentState("Program"));
  EXPECT_FALSE(again->components.GetComponentState("Help"));
  EXPECT_EQ(again->components.installed_size(), 1000);
  EXPECT_EQ(again->run.parameter_file, (std::vector<std::string>{"AInstallFiles1", "TRUE"}));

  // Bootstrap run again (a moved cache, a new instance) adds nothing twice; refreshing its own
  // cache copies nothing onto itself, and the data stays as it was.
  const std::string installed_data = m.Read(cache + "setup.dat");
  Bootstrap(*again);
  EXPECT_EQ(again->components.names().size(), 3u);
  WriteEngineCache(*again, true, false);
  EXPECT_EQ(m.Read(cache + "setup.dat"), installed_data);
  EXPECT_EQ(m.Read(cache + "setup.exe"), "content of setup.exe");
  EXPECT_EQ(m.Read(kMedia + std::string("setup.exe")), "content of setup.exe");

  WriteEngineCache(*again, false, true);
  EXPECT_TRUE(again->run.cache_writing_suppressed);
  EXPECT_FALSE(m.files->DirectoryExists(cache));
  EXPECT_EQ(m.Value(user, entry, "DisplayName"), "");
  EXPECT_EQ(m.Value(user, std::string(kIdentityKey) + kProduct, ""), "");
  WriteEngineCacheAtEnd(*again);
  EXPECT_FALSE(m.files->DirectoryExists(cache)) << "a removed cache is not written again";
}

TEST(EngineCache, AdvertisementLeavesTheMarkerUntilAnInstallation) {
  Machine m;
  MakeSetup(m, kMedia);
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  EXPECT_FALSE(HasAdvertisementMarker(*e));
  WriteEngineCache(*e, false, false);
  EXPECT_TRUE(HasAdvertisementMarker(*e));
  EXPECT_TRUE(m.files->FileExists(EngineCacheFolder(*e) + "setup.dat"));
  WriteEngineCache(*e, true, false);
  EXPECT_FALSE(HasAdvertisementMarker(*e));
}

TEST(EngineCache, RemovalMovesAFolderItCannotDeleteAside) {
  Machine m;
  MakeSetup(m, kMedia);
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  WriteEngineCache(*e, true, false);
  const std::string cache = EngineCacheFolder(*e);
  const std::string parent = m.LocalAppData();
  m.Write(parent + "~0\\left.txt", "an earlier removal");
  m.files->in_use = {cache + "setup.exe"};
  RemoveEngineCache(*e);
  EXPECT_FALSE(m.files->DirectoryExists(cache));
  EXPECT_EQ(m.Read(parent + "~1\\setup.exe"), "content of setup.exe");
  EXPECT_FALSE(m.files->FileExists(parent + "~1\\setup.dat"));
  EXPECT_EQ(m.Read(parent + "~0\\left.txt"), "an earlier removal");
}

TEST(EngineCache, EndOfRunRefreshesTheVariablesOfAnExistingFileOnly) {
  Machine m;
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  const std::string folder = InstalledDataFolder(*e);
  e->run.persisted_variables = {"KEPT"};
  e->variables.SetVariable("KEPT", "new", "test");
  WriteEngineCacheAtEnd(*e);
  EXPECT_FALSE(m.files->DirectoryExists(folder)) << "nothing was installed: no folder, no file";

  const std::string head = "A\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nA\r\n5\r\n$\r\nC:\\T\\\r\nTRUE\r\nMenu\r\nC:\\D\\\r\n";
  struct Case {
    const char* name;
    std::string old_text, expected;
  } cases[] = {
      {"variables replaced, the rest kept as written", head + "KEPT\r\nold\r\nGONE\r\nx\r\nKVOR64WOW\r\nx64\r\n",
       head + "KEPT\r\nnew\r\nKVOR64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n"},
      {"a last fixed line without its line end", head.substr(0, head.size() - 2),
       head + "KEPT\r\nnew\r\nKVOR64WOW\r\nWin32\r\nOVERRIDECACHE\r\n\r\n"},
      {"a file ending inside its components is left alone", "A\r\n$\r\nTRUE\r\n", "A\r\n$\r\nTRUE\r\n"},
  };
  for (const auto& c : cases) {
    m.Write(folder + "setup.dat", c.old_text);
    WriteEngineCacheAtEnd(*e);
    EXPECT_EQ(m.Read(folder + "setup.dat"), c.expected) << c.name;
    EXPECT_FALSE(m.files->FileExists(folder + "setup.dat.dat")) << c.name;
  }
}

TEST(EngineCache, UpgradeLoadsTheChoicesOfTheCompleteOldBuild) {
  Machine m;
  const std::string old_folder = "C:\\old\\{OLD-REVISION}\\";
  for (const char* name : {"stale.dat", "setup.exe", "setup.res", "setup.msi", "setup.par", "instance.dat"})
    m.Write(old_folder + name, "");
  const std::string data = "Program\r\n$\r\nFALSE\r\n$\r\n$\r\n$\r\n$\r\nProgram\r\nxx\r\n$\r\n";
  m.Write(old_folder + "stale.dat", data + "C:\\Stale\\\r\nFALSE\r\nStale\r\n\r\n");
  m.Write(old_folder + "setup.dat", data + "C:\\Old\\\r\nFALSE\r\nOld Menu\r\n\r\nSERIAL\r\n42\r\n");
  std::unique_ptr<platform::RegistryKey> key;
  m.platform->registry.CreateKey(platform::RootKey::kCurrentUser, std::string(kIdentityKey) + kProduct,
                                 platform::kKeyWrite, &key);
  key->SetValue({"", platform::kRegSz, old_folder});
  m.installer.state = platform::msi::kStateDefault;
  m.installer.package_code = "{OLD-REVISION}";

  for (bool load_old_data : {false, true}) {
    auto e = StartedEngine(m, kMedia);
    if (load_old_data) e->script.compiler_variables = {"LOADOLDDATA", "TRUE"};
    Boot(*e);
    EXPECT_EQ(e->variables.GetVariable("NEEDSUPGRADE"), "TRUE");
    EXPECT_EQ(e->variables.GetVariable("MAINTENANCE"), "FALSE");
    EXPECT_EQ(e->variables.GetVariable("NEWINSTANCE"), "TRUE");
    EXPECT_EQ(e->variables.GetVariable("STARTMENU"), load_old_data ? "Old Menu" : "Demo");
    EXPECT_EQ(e->variables.GetVariable("SERIAL"), load_old_data ? "42" : "");
    // Definitions are skipped: the old build's size of "Program" is not taken.
    EXPECT_EQ(e->components.GetComponentSize("Program"), 1000);
    EXPECT_EQ(e->components.GetComponentState("Program"), false);
  }
}

TEST(EngineCache, CacheOverrideMovesTheCacheOrIsCleared) {
  Machine m;
  MakeSetup(m, kMedia);
  m.Write("C:\\blocked", "a file where a folder would have to be");
  auto e = StartedEngine(m, kMedia);
  e->variables.SetSilent(true);
  e->variables.SetOverrides({{"OVERRIDECACHE", "C:\\blocked\\cache"}});
  Boot(*e);
  e->variables.InjectOverrides();
  RefreshBeforeStatement(*e);
  EXPECT_EQ(e->variables.GetVariable("OVERRIDECACHE"), "") << "cleared even though the command line set it";
  EXPECT_EQ(e->variables.GetVariable("ENGINECACHE"), m.LocalAppData() + kRevision + "\\");

  auto moved = StartedEngine(m, kMedia);
  Boot(*moved);
  moved->variables.SetVariable("OVERRIDECACHE", "C:\\new\\place", "Set Variable Action");
  RefreshBeforeStatement(*moved);
  EXPECT_EQ(moved->variables.GetVariable("OVERRIDECACHE"), "C:\\new\\place\\");
  EXPECT_EQ(moved->variables.GetVariable("ENGINECACHE"), std::string("C:\\new\\place\\") + kRevision + "\\");
  EXPECT_FALSE(m.files->DirectoryExists("C:\\new")) << "the folders made to try the override are gone";
  WriteEngineCache(*moved, true, false);
  const std::string data = m.Read(std::string("C:\\new\\place\\") + kRevision + "\\setup.dat");
  const std::string tail = "OVERRIDECACHE\r\nC:\\new\\place\\\r\n";
  EXPECT_EQ(data.substr(data.size() - std::min(data.size(), tail.size())), tail);
}

TEST(EngineCache, DamagedCacheFilesAreRefusedWithTheirName) {
  struct Case {
    const char* name;
    std::string file, text, message;
  } cases[] = {
      {"revision code climbing out of the cache root", "instance.dat", "{P}\r\n..\r\nDemo\r\n", "instance data"},
      {"revision code with a separator", "instance.dat", "{P}\r\na\\..\\..\r\nDemo\r\n", "instance data"},
      {"product code with a separator", "instance.dat", "..\\x\r\n{R}\r\nDemo\r\n", "instance data"},
      {"empty instance data", "instance.dat", "", "instance data"},
      {"a size that is no integer", "setup.dat", "A\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\nA\r\nbig\r\n$\r\n",
       "the component A has the size 'big'"},
      {"a NUL byte", "setup.dat", std::string("A\r\n$\r\nTR\0UE\r\n", 13), "NUL"},
  };
  for (const auto& c : cases) {
    Machine m;
    m.installer.state = platform::msi::kStateDefault;
    m.installer.package_code = kRevision;
    auto e = StartedEngine(m, kMedia);
    std::string path = c.file == "instance.dat" ? kMedia + c.file : m.LocalAppData() + kRevision + "\\" + c.file;
    m.Write(path, c.text);
    try {
      Bootstrap(*e);
      ADD_FAILURE() << c.name << ": accepted";
    } catch (const std::runtime_error& error) {
      EXPECT_NE(std::string(error.what()).find(c.message), std::string::npos) << c.name << ": " << error.what();
      EXPECT_NE(std::string(error.what()).find(path), std::string::npos) << c.name << ": " << error.what();
    }
  }
}

TEST(EngineCache, PatchBuildReadsTheDataOfTheUninstallEntrysFolder) {
  Machine m;
  const std::string installed = m.LocalAppData() + "{INSTALLED}\\";
  m.Write(installed + "setup.dat", "Program\r\n$\r\nTRUE\r\n$\r\n$\r\n$\r\n$\r\n$\r\nC:\\P\\\r\nFALSE\r\nM\r\n\r\nK\r\nv\r\n");
  m.Write(installed + "setup.par", "AX\r\nTRUE\r\n");
  std::unique_ptr<platform::RegistryKey> key;
  m.platform->registry.CreateKey(platform::RootKey::kCurrentUser, std::string(kUninstallKey) + "Demo",
                                 platform::kKeyWrite, &key);
  key->SetValue({"UninstallString", platform::kRegSz, "\"" + installed + "setup.exe\" REMOVE=TRUE MODIFY=FALSE"});
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  ReadPatchMaintenanceData(*e);
  EXPECT_EQ(e->run.patch_folder_name, "{INSTALLED}");
  EXPECT_EQ(e->variables.GetVariable("TARGETDIR"), "C:\\P\\");
  EXPECT_EQ(e->variables.GetVariable("K"), "v");
  EXPECT_EQ(e->components.installed_size(), 1000);
  EXPECT_EQ(e->run.parameter_file, (std::vector<std::string>{"AX", "TRUE"}));
  EXPECT_EQ(e->variables.GetVariable("REVISIONCODE"), kRevision);
  EXPECT_EQ(InstalledDataFolder(*e), installed);

  // Media mode 3 addresses the installed product through the same entry from the start.
  auto located = StartedEngine(m, kMedia, 3);
  Boot(*located);
  RefreshBeforeStatement(*located);
  EXPECT_EQ(located->variables.GetVariable("ENGINECACHE"), installed);
  EXPECT_EQ(located->variables.GetVariable("UNINSTALLLINK"), installed + "setup.exe");
  EXPECT_EQ(located->variables.GetVariable("K"), "v");
}

TEST(EngineCache, NewInstanceGetsItsOwnCacheWithItsEditedPackageAndKeepsItsIdentity) {
  Machine m;
  MakeSetup(m, kMedia);
  m.Write("C:\\work\\edited.msi", "edited package");
  m.installer.state = platform::msi::kStateDefault;  // the first instance is installed
  m.installer.package_code = kRevision;
  auto e = StartedEngine(m, kMedia);
  Boot(*e);
  EXPECT_EQ(e->variables.GetVariable("NEWINSTANCE"), "TRUE");

  // What "Transform Instance" leaves before it runs bootstrap again.
  msi::InstanceState& instance = e->run.instance;
  instance = {"{NEW-PRODUCT}", "{NEW-REVISION}", true, false, "C:\\work\\edited.msi"};
  m.installer.package_code = "{NEW-REVISION}";
  Bootstrap(*e);
  const std::string cache = m.LocalAppData() + "{NEW-REVISION}\\";
  EXPECT_EQ(e->variables.GetVariable("ENGINECACHE"), cache);
  WriteEngineCache(*e, true, false);
  EXPECT_EQ(m.Read(cache + "setup.msi"), "edited package");
  EXPECT_EQ(m.Read(cache + "instance.dat"), "{NEW-PRODUCT}\r\n{NEW-REVISION}\r\nDemo\r\n");
  EXPECT_EQ(m.Value(platform::RootKey::kCurrentUser, std::string(kIdentityKey) + "{NEW-PRODUCT}", ""), cache);
  EXPECT_FALSE(m.files->DirectoryExists(m.LocalAppData() + kRevision)) << "the first instance's cache is not touched";

  auto cached = StartedEngine(m, cache);
  Boot(*cached);
  EXPECT_EQ(cached->variables.GetVariable("PRODUCTCODE"), "{NEW-PRODUCT}");
  EXPECT_EQ(cached->variables.GetVariable("REVISIONCODE"), "{NEW-REVISION}");
  EXPECT_EQ(cached->variables.GetVariable("MAINTENANCE"), "TRUE");
  EXPECT_EQ(cached->variables.GetVariable("NEWINSTANCE"), "FALSE");
}

TEST(EngineCache, MediaModeTwoKeepsTheDataInTheCacheWithAMarker) {
  Machine m;
  MakeSetup(m, kMedia);
  auto e = StartedEngine(m, kMedia, 2);
  Boot(*e);
  const std::string cache = m.LocalAppData() + kRevision + "\\";
  EXPECT_EQ(e->variables.GetVariable("DATADIR"), cache);
  EXPECT_EQ(e->startup.data_folder, cache);
  WriteEngineCache(*e, true, false);
  EXPECT_TRUE(m.files->FileExists(cache + kProduct));
  WriteEngineCache(*e, false, true);
  EXPECT_FALSE(m.files->DirectoryExists(cache));
}

}  // namespace
}  // namespace quillset::engine
