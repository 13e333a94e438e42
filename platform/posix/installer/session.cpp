#include "platform/posix/installer/session.h"

#include <unistd.h>

#include <cctype>

#include "platform/installer.h"
#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

std::string ReinstallMode(const Properties& properties) {
  std::string mode = properties.Find("REINSTALLMODE").value_or("omus");
  for (char& letter : mode) letter = static_cast<char>(std::tolower(static_cast<unsigned char>(letter)));
  return mode;
}

std::optional<std::string> Properties::Find(const std::string& name) const {
  auto found = values_.find(name);
  if (found == values_.end()) return std::nullopt;
  return found->second;
}

void Properties::Set(const std::string& name, const std::string& value) {
  if (value.empty())
    values_.erase(name);
  else
    values_[name] = value;
}

void Properties::Default(const std::string& name, const std::string& value) {
  if (!values_.count(name)) Set(name, value);
}

namespace {

std::string HostPathOf(Host& host, const std::string& package) {
  auto mapped = host.paths.ToHost(package);
  if (!mapped) throw PackageError("the package path " + package + " lies on no drive", msi::kErrorInstallPackageOpenFailed);
  return *mapped;
}

std::unique_ptr<PackageDatabase> OpenPackage(const std::string& host_path) {
  try {
    return PackageDatabase::Open(host_path, PackageDatabase::Mode::kReadOnly);
  } catch (const PackageError& error) {
    // A file that is there and readable but no package is an invalid package, as on Windows.
    const bool readable = access(host_path.c_str(), R_OK) == 0;
    throw PackageError(error.what(), readable ? msi::kErrorInstallPackageInvalid : msi::kErrorInstallPackageOpenFailed);
  }
}

// The folder of a 64-bit Windows that the platform keeps in the 64-bit registry view (the
// platform itself answers as a 32-bit process does).
std::string NativeFolder(Host& host, const std::string& value, SpecialFolder fallback) {
  std::unique_ptr<RegistryKey> key;
  RegistryValue data;
  if (host.registry.OpenKey(RootKey::kLocalMachine, "SOFTWARE\\Microsoft\\Windows\\CurrentVersion",
                            kKeyRead | kKeyWow64_64Key, &key) == kRegOk &&
      key->QueryValue(value, &data) == kRegOk && !data.data.empty())
    return IncludeTrailingBackslash(data.data);
  return host.system.SpecialFolderPath(fallback);
}

}  // namespace

Session::Session(Host& host_, const std::string& package_)
    : host(host_), package(package_), package_host(HostPathOf(host_, package_)), database(OpenPackage(package_host)) {
  try {
    if (database->HasTable("Property"))
      for (const Row& row : database->Select("SELECT `Property`, `Value` FROM `Property`"))
        properties.Set(row.Text(0), row.Text(1));
    package_code = database->SummaryString(msi::kPidRevNumber).value_or("");
    std::string platform = database->SummaryString(msi::kPidTemplate).value_or("");
    template_platform = platform.substr(0, platform.find(';'));
    word_count = database->SummaryInteger(msi::kPidWordCount).value_or(0);
    stream_sources.push_back(package_host);
  } catch (const PackageError& error) {
    throw PackageError(std::string("the package is damaged: ") + error.what(), msi::kErrorInstallPackageInvalid);
  }
}

bool PerMachine(const Session& session) {
  std::string all_users = session.properties.Get("ALLUSERS");
  return all_users == "1" || (all_users == "2" && session.host.system.IsAdministrator());
}

void SetSystemProperties(Session& session, int product_state, const std::string& installed_date) {
  Properties& p = session.properties;
  System& system = session.host.system;
  OsVersion os = system.GetOsVersion();
  bool machine = PerMachine(session);
  bool is64 = system.Is64BitSystem();
  auto folder = [&](SpecialFolder which) { return IncludeTrailingBackslash(system.SpecialFolderPath(which)); };

  std::string version = std::to_string(os.major * 100 + os.minor);
  p.Set(os.nt_family ? "VersionNT" : "Version9X", version);
  if (is64) {
    p.Set("VersionNT64", version);
    p.Set("Msix64", version);
    p.Set("MsiAMD64", version);
  }
  p.Set("WindowsBuild", std::to_string(os.build));
  p.Set("ServicePackLevel", std::to_string(os.service_pack_major));
  p.Set("ServicePackLevelMinor", std::to_string(os.service_pack_minor));
  p.Set("VersionMsi", "5.00");
  p.Set("VersionDatabase", "200");
  if (system.IsAdministrator()) p.Set("AdminUser", "1");
  if (machine ? system.IsAdministrator() && system.IsElevated() : true) p.Set("Privileged", "1");
  p.Set("LogonUser", system.UserName());
  p.Set("UserLanguageID", std::to_string(system.UserDefaultUiLanguage()));
  p.Set("SystemLanguageID", std::to_string(system.UserDefaultUiLanguage()));
  p.Set("ComputerName", system.ComputerName());
  p.Set("MsiNTProductType", "1");
  p.Set("UILevel", "2");
  p.Set("PackageCode", session.package_code);
  p.Set("OriginalDatabase", session.package);
  p.Set("DATABASE", session.package);
  p.Set("ProductState", std::to_string(product_state));
  p.Set("Installed", installed_date);
  p.Default("SourceDir", ExtractFilePath(session.package));
  p.Default("SOURCEDIR", p.Get("SourceDir"));
  p.Default("ROOTDRIVE", "C:\\");
  p.Default("INSTALLLEVEL", "1");

  p.Default("ProgramFilesFolder", folder(SpecialFolder::kProgramFilesX86));
  p.Default("CommonFilesFolder", folder(SpecialFolder::kCommonProgramFiles));
  if (is64) {
    p.Default("ProgramFiles64Folder", NativeFolder(session.host, "ProgramFilesDir", SpecialFolder::kProgramFiles));
    p.Default("CommonFiles64Folder", NativeFolder(session.host, "CommonFilesDir", SpecialFolder::kCommonProgramFiles));
  }
  std::string windows = folder(SpecialFolder::kWindows);
  p.Default("WindowsFolder", windows);
  p.Default("WindowsVolume", windows.substr(0, 3));
  p.Default("SystemFolder", folder(SpecialFolder::kSystem));
  if (is64) p.Default("System64Folder", windows + "system32\\");
  p.Default("TempFolder", IncludeTrailingBackslash(system.TempFolder()));
  p.Default("FontsFolder", folder(SpecialFolder::kFonts));
  p.Default("AppDataFolder", folder(SpecialFolder::kAppData));
  p.Default("LocalAppDataFolder", folder(SpecialFolder::kLocalAppData));
  p.Default("CommonAppDataFolder", folder(SpecialFolder::kCommonAppData));
  p.Default("PersonalFolder", folder(SpecialFolder::kPersonal));
  p.Default("DesktopFolder", folder(machine ? SpecialFolder::kCommonDesktopDirectory : SpecialFolder::kDesktopDirectory));
  p.Default("ProgramMenuFolder", folder(machine ? SpecialFolder::kCommonPrograms : SpecialFolder::kPrograms));
  p.Default("StartMenuFolder", folder(machine ? SpecialFolder::kCommonStartMenu : SpecialFolder::kStartMenu));
  p.Default("StartupFolder", folder(machine ? SpecialFolder::kCommonStartup : SpecialFolder::kStartup));
}

}  // namespace quillset::platform::posix::installer
