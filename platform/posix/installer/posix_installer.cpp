#include "platform/posix/installer/posix_installer.h"

#include <cstring>
#include <filesystem>
#include <mutex>

#include "platform/posix/installer/database/database_functions.h"
#include "platform/posix/installer/database/handle_table.h"
#include "platform/posix/installer/install_lock.h"
#include "platform/posix/installer/install_run.h"
#include "platform/posix/installer/journal.h"
#include "platform/posix/installer/language/property_command_line.h"
#include "platform/posix/installer/messages.h"
#include "platform/posix/installer/package_cache.h"
#include "platform/posix/installer/patch.h"
#include "platform/posix/installer/registration.h"
#include "platform/posix/installer/session.h"
#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

namespace {

// Windows' rule for string answers: size counts characters without the terminating zero.
UINT CopyOut(const std::string& value, LPSTR buffer, DWORD* size) {
  if (!size) return buffer ? msi::kErrorInvalidParameter : msi::kSuccess;
  DWORD room = *size;
  *size = static_cast<DWORD>(value.size());
  if (!buffer) return msi::kSuccess;
  if (room <= value.size()) {
    if (room > 0) {
      std::memcpy(buffer, value.data(), room - 1);
      buffer[room - 1] = '\0';
    }
    return msi::kErrorMoreData;
  }
  std::memcpy(buffer, value.c_str(), value.size() + 1);
  return msi::kSuccess;
}

class Service : public platform::Installer {
 public:
  Service(FileSystem& files, Registry& registry, System& system, const PathMap& paths, const std::string& records)
      : host_{files, registry, system, paths, records}, registrations_(records, system.UserName()) {}

  InstallerFunctions* Bind() override {
    std::lock_guard lock(mutex_);
    if (!bound_) {
      FillDatabaseFunctions(table_, handles_, host_.paths);
      FillProductFunctions();
      FillSessionFunctions();
      bound_ = true;
    }
    return &table_;
  }

 private:
  void FillProductFunctions();
  void FillSessionFunctions();
  UINT Install(Session& session, Messenger& messenger);
  UINT Patch(const std::string& patch, const std::vector<PropertyAssignment>& assignments, Messenger& messenger);
  std::string ProductInfo(const ProductRecord& record, const std::string& attribute, bool* known) const;

  // The settings an installation starts with, copied so that a handler registered meanwhile
  // from another thread does not change a running one.
  ExternalUi Ui() {
    std::lock_guard lock(mutex_);
    return ui_;
  }
  LogSettings Log() {
    std::lock_guard lock(mutex_);
    return log_;
  }

  Host host_;
  Registrations registrations_;
  HandleTable handles_;
  InstallerFunctions table_;
  bool bound_ = false;
  std::mutex mutex_;
  ExternalUi ui_;
  UINT ui_level_ = msi::kUiLevelDefault;
  LogSettings log_;
};

// Why an installation could not take the lock: another one holds it (1618, which callers
// wait on), or the records folder cannot be written (a failure, not worth waiting for).
UINT Refused(const InstallLock& lock, Messenger& messenger) {
  if (lock.busy()) {
    messenger.Info("Another installation is in progress. You must complete that installation before continuing "
                   "this one.");
    return msi::kErrorInstallAlreadyRunning;
  }
  messenger.Error("The installer's records folder cannot be written.");
  return msi::kErrorInstallFailure;
}

UINT Service::Install(Session& session, Messenger& messenger) {
  std::error_code ignored;
  std::filesystem::create_directories(host_.records, ignored);
  InstallLock lock(host_.records);
  if (!lock.held()) return Refused(lock, messenger);
  // What a process that died during an installation left behind is undone first.
  Journal::Recover(host_, registrations_);
  return RunInstall(session, messenger, registrations_);
}

UINT Service::Patch(const std::string& patch, const std::vector<PropertyAssignment>& assignments, Messenger& messenger) {
  auto patch_host = host_.paths.ToHost(patch);
  std::unique_ptr<PackageDatabase> patch_database;
  std::string product;
  try {
    if (!patch_host) throw PackageError("the patch path lies on no drive", msi::kErrorPatchPackageOpenFailed);
    try {
      patch_database = PackageDatabase::Open(*patch_host, PackageDatabase::Mode::kReadOnly);
    } catch (const PackageError& failure) {
      throw PackageError(failure.what(), msi::kErrorPatchPackageOpenFailed);
    }
    product = PatchTarget(*patch_database);
  } catch (const PackageError& failure) {
    messenger.Error("This patch package could not be opened. Verify that the patch package exists and that you can "
                    "access it. (" + std::string(failure.what()) + ")");
    return failure.code();
  }
  std::error_code ignored;
  std::filesystem::create_directories(host_.records, ignored);
  InstallLock lock(host_.records);
  if (!lock.held()) return Refused(lock, messenger);
  Journal::Recover(host_, registrations_);
  auto record = registrations_.Find(product);
  PackageCache cache(host_.records);
  std::string working = record ? cache.WorkingCopy(product) : "";
  if (working.empty()) {
    messenger.Error("The upgrade patch cannot be installed: the program to be upgraded is missing.");
    return msi::kErrorPatchTargetNotFound;
  }
  std::string kept_patch = cache.KeepPatch(product, *patch_host);
  UINT result = msi::kErrorInstallFailure;
  try {
    std::set<std::string> patched;
    {
      auto merged = PackageDatabase::Open(working, PackageDatabase::Mode::kDirect);
      patched = MergePatch(*patch_database, *merged);
      merged->Commit();
    }
    Session session(host_, host_.paths.ToWindows(working));
    session.stream_sources.push_back(kept_patch);
    session.patched_files = std::move(patched);
    std::string patches = record->info.count("Patches") ? record->info.at("Patches") + ";" : "";
    session.record_info["Patches"] = patches + kept_patch;
    for (const auto& [name, value] : assignments) session.properties.Set(name, value);
    session.properties.Default("REINSTALL", "ALL");
    session.properties.Default("REINSTALLMODE", "omus");
    session.properties.Set("PATCH", patch);
    result = RunInstall(session, messenger, registrations_);
  } catch (const PackageError& failure) {
    messenger.Error(std::string("The patch could not be merged: ") + failure.what());
    result = msi::kErrorPatchPackageInvalid;
  }
  std::filesystem::remove(working, ignored);
  if (result != msi::kSuccess && result != msi::kErrorSuccessRebootRequired) std::filesystem::remove(kept_patch, ignored);
  return result;
}

std::string Service::ProductInfo(const ProductRecord& record, const std::string& attribute, bool* known) const {
  *known = true;
  if (attribute == "PackageCode") return record.package_code;
  if (attribute == "AssignmentType") return record.per_machine ? "1" : "0";
  if (attribute == "LocalPackage") {
    auto found = record.info.find("LocalPackage");
    return found == record.info.end() ? "" : found->second;
  }
  if (attribute == "PackageName") {
    auto found = record.info.find("PackagePath");
    return found == record.info.end() ? "" : platform::ExtractFileName(found->second);
  }
  for (const char* name : {"ProductName", "VersionString", "Publisher", "Language", "InstallLocation", "InstallDate"})
    if (attribute == name) {
      auto found = record.info.find(attribute);
      return found == record.info.end() ? "" : found->second;
    }
  *known = false;
  return "";
}

void Service::FillProductFunctions() {
  table_.MsiQueryProductStateA = [this](LPCSTR product) -> INSTALLSTATE {
    if (!product || !NormalizeProductCode(product)) return msi::kStateInvalidArg;
    auto record = registrations_.Find(product);
    return record ? record->state : msi::kStateUnknown;
  };
  table_.MsiGetProductInfoA = [this](LPCSTR product, LPCSTR attribute, LPSTR buffer, DWORD* size) -> UINT {
    if (!product || !attribute || !NormalizeProductCode(product)) return msi::kErrorInvalidParameter;
    auto record = registrations_.Find(product);
    if (!record) return msi::kErrorUnknownProduct;
    bool known = false;
    std::string value = ProductInfo(*record, attribute, &known);
    if (!known) return msi::kErrorUnknownProperty;
    return CopyOut(value, buffer, size);
  };
  table_.MsiSetInternalUI = [this](UINT level, void**) -> UINT {
    std::lock_guard lock(mutex_);
    UINT previous = ui_level_;
    if (level != msi::kUiLevelNoChange) ui_level_ = level;
    return previous;
  };
  table_.MsiSetExternalUIA = [this](INSTALLUI_HANDLERA handler, DWORD filter, void* context) -> INSTALLUI_HANDLERA {
    std::lock_guard lock(mutex_);
    INSTALLUI_HANDLERA previous = ui_.handler;
    ui_ = {handler, filter, context};
    return previous;
  };
  table_.MsiEnableLogA = [this](DWORD mode, LPCSTR path, DWORD attributes) -> UINT {
    std::lock_guard lock(mutex_);
    if (!path || !*path) {
      log_ = {};
      return msi::kSuccess;
    }
    auto host_path = host_.paths.ToHost(path);
    if (!host_path) return msi::kErrorInvalidParameter;
    log_ = {mode, *host_path, attributes};
    return msi::kSuccess;
  };
  table_.MsiSourceListAddSourceA = [this](LPCSTR product, LPCSTR, DWORD, LPCSTR source) -> UINT {
    if (!product || !NormalizeProductCode(product) || !source || !*source) return msi::kErrorInvalidParameter;
    std::error_code ignored;
    std::filesystem::create_directories(host_.records, ignored);
    InstallLock lock(host_.records);  // the record is rewritten: not while an installation writes it
    if (!lock.held()) return lock.busy() ? msi::kErrorInstallAlreadyRunning : msi::kErrorInstallFailure;
    auto record = registrations_.Find(product);
    if (!record) return msi::kErrorUnknownProduct;
    std::string folder = IncludeTrailingBackslash(source);
    std::string& list = record->info["SourceList"];
    if ((";" + list + ";").find(";" + folder + ";") == std::string::npos) list += (list.empty() ? "" : ";") + folder;
    return registrations_.Write(*record) ? msi::kSuccess : msi::kErrorFunctionFailed;
  };
  table_.MsiApplyPatchA = [this](LPCSTR patch, LPCSTR, int32_t, LPCSTR command_line) -> UINT {
    Messenger messenger(Ui(), Log(), host_.system);
    std::vector<PropertyAssignment> assignments;
    std::string error;
    if (!ParsePropertyCommandLine(command_line ? command_line : "", assignments, &error)) {
      messenger.Info("Invalid command line argument: " + error);
      return msi::kErrorInvalidCommandLine;
    }
    return Patch(patch ? patch : "", assignments, messenger);
  };
  table_.MsiInstallProductA = [this](LPCSTR package, LPCSTR command_line) -> UINT {
    Messenger messenger(Ui(), Log(), host_.system);
    messenger.Verbose("Installing " + std::string(package ? package : "") + " with the command line: " +
                      (command_line ? command_line : ""));
    std::vector<PropertyAssignment> assignments;
    std::string error;
    if (!ParsePropertyCommandLine(command_line ? command_line : "", assignments, &error)) {
      messenger.Info("Invalid command line argument: " + error);
      return msi::kErrorInvalidCommandLine;
    }
    if (!package || !*package) return msi::kErrorInvalidParameter;
    std::unique_ptr<Session> session;
    try {
      session = std::make_unique<Session>(host_, package);
    } catch (const PackageError& failure) {
      messenger.Error("This installation package could not be opened. Verify that the package exists and that you can "
                      "access it. (" + std::string(failure.what()) + ")");
      return failure.code();
    }
    for (const auto& [name, value] : assignments) session->properties.Set(name, value);
    return Install(*session, messenger);
  };
}

void Service::FillSessionFunctions() {
  table_.MsiOpenPackageA = [this](LPCSTR package, MSIHANDLE* install) -> UINT {
    if (!package || !install) return msi::kErrorInvalidParameter;
    try {
      *install = handles_.Add(std::make_shared<Session>(host_, package));
      return msi::kSuccess;
    } catch (const PackageError& failure) {
      *install = 0;
      return failure.code();
    }
  };
  table_.MsiSetPropertyA = [this](MSIHANDLE install, LPCSTR name, LPCSTR value) -> UINT {
    auto session = handles_.Get<Session>(install);
    if (!session) return msi::kErrorInvalidHandle;
    if (!name || !*name) return msi::kErrorInvalidParameter;
    session->properties.Set(name, value ? value : "");
    return msi::kSuccess;
  };
  table_.MsiDoActionA = [this](MSIHANDLE install, LPCSTR action) -> UINT {
    auto session = handles_.Get<Session>(install);
    if (!session) return msi::kErrorInvalidHandle;
    if (!action || std::string(action) != "INSTALL") return msi::kErrorFunctionNotCalled;
    Messenger messenger(Ui(), Log(), host_.system);
    return Install(*session, messenger);
  };
  table_.MsiGetMode = [this](MSIHANDLE install, int32_t run_mode) -> int32_t {
    auto session = handles_.Get<Session>(install);
    if (!session) return 0;
    switch (run_mode) {
      case msi::kRunModeRebootAtEnd: return session->reboot_required ? 1 : 0;
      case msi::kRunModeMaintenance: return session->properties.Find("Installed") ? 1 : 0;
      default: return 0;
    }
  };
}

}  // namespace

std::unique_ptr<platform::Installer> CreatePosixInstaller(FileSystem& files, Registry& registry, System& system,
                                                          const PathMap& paths, const std::string& records_folder) {
  return std::make_unique<Service>(files, registry, system, paths, records_folder);
}

}  // namespace quillset::platform::posix::installer
