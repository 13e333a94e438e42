#include "platform/posix/posix_http.h"
#include "platform/posix/posix_processes.h"
#include "platform/posix/posix_platform.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>

#include "platform/posix/installer/posix_installer.h"
#include "platform/posix/layout.h"
#include "platform/posix/machine_facts.h"
#include "platform/posix/posix_dialogs.h"
#include "platform/posix/posix_file_system.h"
#include "platform/posix/posix_libraries.h"
#include "platform/posix/posix_registry.h"
#include "platform/posix/posix_system.h"

namespace quillset::platform::posix {

namespace {

MachineFacts LoadFacts(const Layout& layout) {
  MachineFacts facts = HostFacts();
  if (layout.prefix.empty()) return facts;
  std::ifstream in(layout.prefix + "/machine.profile", std::ios::binary);
  if (!in) return facts;
  std::ostringstream text;
  text << in.rdbuf();
  ApplyProfile(text.str(), facts);
  return facts;
}

// The keys a fresh HKEY_LOCAL_MACHINE has, and the program files folders that the engine
// reads from it in either view.
std::vector<HiveSeed> MachineSeed(const Layout& layout, const PathMap& paths, const MachineFacts& facts) {
  RegistryValue program_files{"ProgramFilesDir", kRegSz, SpecialFolderPath(layout, paths, facts, SpecialFolder::kProgramFiles)};
  RegistryValue common_files{"CommonFilesDir", kRegSz,
                             SpecialFolderPath(layout, paths, facts, SpecialFolder::kCommonProgramFiles)};
  const std::string current_version = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
  std::vector<HiveSeed> seed = {{"SOFTWARE\\Classes", {}}, {"SYSTEM", {}}};
  if (!facts.is_64bit) {
    seed.push_back({current_version, {program_files, common_files}});
    return seed;
  }
  seed.push_back({"SOFTWARE\\Wow6432Node\\Classes", {}});
  seed.push_back({"SOFTWARE\\Wow6432Node\\Microsoft\\Windows\\CurrentVersion", {program_files, common_files}});
  if (!layout.prefix.empty()) {
    program_files.data = "C:\\Program Files";
    common_files.data = "C:\\Program Files\\Common Files";
  }
  seed.push_back({current_version, {program_files, common_files}});
  return seed;
}

std::string CurrentFolder() {
  std::error_code error;
  auto current = std::filesystem::current_path(error);
  return error ? "/" : current.string();
}

class Implementation : public PosixPlatform {
 public:
  explicit Implementation(const PosixOptions& options)
      : layout_(MakeLayout(options.prefix)),
        paths_(layout_.prefix, CurrentFolder()),
        facts_(LoadFacts(layout_)),
        files_(paths_),
        system_(layout_, paths_, facts_, options.argv),
        registry_(RegistryFiles()),
        dialogs_(std::cerr),
        libraries_(paths_),
        http_(paths_),
        processes_(paths_),
        installer_(installer::CreatePosixInstaller(files_, registry_, system_, paths_, layout_.installer)),
        platform_{files_, system_, registry_, dialogs_, libraries_, http_, processes_, *installer_} {
    // A fresh prefix is a machine with an empty drive C:.
    if (!layout_.prefix.empty()) {
      std::error_code ignored;
      std::filesystem::create_directories(layout_.prefix + "/drive_c", ignored);
    }
  }

  Platform& platform() override { return platform_; }
  PathMap& paths() override { return paths_; }
  std::string InstallerFolder() override {
    std::error_code ignored;
    std::filesystem::create_directories(layout_.installer, ignored);
    return layout_.installer;
  }

 private:
  RegistrySetup RegistryFiles() const {
    RegistrySetup setup;
    setup.local_machine_file = layout_.machine_registry + "/local_machine.db";
    setup.current_config_file = layout_.machine_registry + "/current_config.db";
    setup.default_user_file = layout_.machine_registry + "/default_user.db";
    setup.current_user_file = layout_.user_registry + "/current_user.db";
    setup.local_machine_seed = MachineSeed(layout_, paths_, facts_);
    setup.may_write_machine = facts_.administrator && facts_.elevated;
    setup.is_64bit = facts_.is_64bit;
    // A SID-shaped name; the relative id follows Windows' numbering of local users from 1000.
    setup.user_key = "S-1-5-21-0-0-0-" + std::to_string(1000 + geteuid());
    return setup;
  }

  Layout layout_;
  PathMap paths_;
  MachineFacts facts_;
  PosixFileSystem files_;
  PosixSystem system_;
  PosixRegistry registry_;
  PosixDialogs dialogs_;
  PosixLibraries libraries_;
  PosixHttp http_;
  PosixProcesses processes_;
  std::unique_ptr<Installer> installer_;
  Platform platform_;
};

}  // namespace

PosixOptions OptionsFromEnvironment(int argc, char** argv) {
  PosixOptions options;
  if (const char* prefix = std::getenv("QUILLSET_PREFIX")) options.prefix = prefix;
  options.argv.assign(argv, argv + argc);
  return options;
}

std::unique_ptr<PosixPlatform> CreatePosixPlatform(const PosixOptions& options) {
  return std::make_unique<Implementation>(options);
}

}  // namespace quillset::platform::posix
