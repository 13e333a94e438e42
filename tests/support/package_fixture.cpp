#include "tests/support/package_fixture.h"

#include <filesystem>
#include <stdexcept>

#include "platform/posix/installer/database/package_database.h"
#include "tests/support/test_support.h"

namespace quillset::testing {

namespace db = platform::posix::installer;

namespace {

db::Field Text(const std::string& text) { return {db::Field::Kind::kString, 0, text}; }

std::unique_ptr<db::PackageDatabase> OpenDirect(const std::string& package) {
  try {
    return db::PackageDatabase::Open(package, db::PackageDatabase::Mode::kDirect);
  } catch (const db::PackageError& error) {
    throw std::runtime_error(error.what());
  }
}

void Run(db::PackageDatabase& database, const std::string& sql, const std::vector<db::Field>& parameters = {}) {
  try {
    database.Query(sql, parameters);
  } catch (const db::PackageError& error) {
    throw std::runtime_error(std::string("package edit failed: ") + error.what());
  }
}

}  // namespace

std::string BuildPackage(const std::string& folder, const std::string& name, const std::string& wxs,
                         const std::map<std::string, std::string>& files_to_create,
                         const std::vector<std::string>& wixl_arguments) {
  namespace fs = std::filesystem;
  for (const auto& [relative, content] : files_to_create) {
    fs::path path = fs::path(folder) / relative;
    fs::create_directories(path.parent_path());
    WriteFile(path.string(), content);
  }
  const std::string source = folder + "/" + name + ".wxs";
  const std::string package = folder + "/" + name + ".msi";
  WriteFile(source, wxs);
  std::vector<std::string> argv = {"/usr/bin/wixl", "-o", package};
  argv.insert(argv.end(), wixl_arguments.begin(), wixl_arguments.end());
  argv.push_back(source);
  ProcessResult result = RunProcess(argv, {}, 60, folder);
  if (result.exit_code != 0 || !fs::exists(package))
    throw std::runtime_error("wixl failed (" + std::to_string(result.exit_code) + "): " + result.out + result.err);
  return package;
}

std::string OneFileWxs(const std::string& product_code, const std::string& name) {
  return R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id=")" + product_code + R"(" Name=")" + name + R"(" Language="1033" Version="1.0.0" Manufacturer="Maker"
           UpgradeCode="{0D5C1B2A-3E4F-4A5B-9C6D-7E8F9A0B1C2D}">
    <Package InstallerVersion="200" Compressed="yes"/>
    <Media Id="1" Cabinet="product.cab" EmbedCab="yes"/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name=")" + name + R"(">
          <Component Id="Main" Guid="{0D5C1B2A-3E4F-4A5B-9C6D-7E8F9A0B1C2E}">
            <File Id="main.txt" Name="main.txt" Source="main.txt" KeyPath="yes"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1"><ComponentRef Id="Main"/></Feature>
  </Product>
</Wix>
)";
}

void EditPackage(const std::string& package, const std::vector<std::string>& statements) {
  auto database = OpenDirect(package);
  for (const std::string& sql : statements) Run(*database, sql);
  database->Commit();
}

void SetComponentCondition(const std::string& package, const std::string& component,
                           const std::string& condition) {
  auto database = OpenDirect(package);
  if (database->Select("SELECT `Component` FROM `Component` WHERE `Component`='" + component + "'").empty())
    throw std::runtime_error("no component " + component + " in " + package);
  Run(*database, "UPDATE `Component` SET `Condition`=? WHERE `Component`=?", {Text(condition), Text(component)});
  database->Commit();
}

void AddFeatureCondition(const std::string& package, const std::string& feature, int level,
                         const std::string& condition) {
  auto database = OpenDirect(package);
  if (!database->HasTable("Condition"))
    Run(*database,
        "CREATE TABLE `Condition` (`Feature_` CHAR(38) NOT NULL, `Level` SHORT NOT NULL, "
        "`Condition` CHAR(255) PRIMARY KEY `Feature_`, `Level`)");
  Run(*database, "INSERT INTO `Condition` (`Feature_`, `Level`, `Condition`) VALUES (?, ?, ?)",
      {Text(feature), {db::Field::Kind::kInteger, level, ""}, Text(condition)});
  database->Commit();
}

}  // namespace quillset::testing
