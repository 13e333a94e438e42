#include "tests/installer/installer_fixture.h"

#include "platform/posix/installer/database/package_database.h"
#include "tests/support/package_fixture.h"

namespace quillset::platform::posix::installer {

std::string DemoWxs(const std::string& platform_attributes, const std::string& component_attributes,
                    const std::string& media_attributes) {
  return std::string(R"(<?xml version="1.0" encoding="utf-8"?>
<Wix xmlns="http://schemas.microsoft.com/wix/2006/wi">
  <Product Id=")") + kProductCode + R"(" Name="Demo" Language="1033" Version="1.2.3"
           Manufacturer="Maker" UpgradeCode="{5C0A1E22-7B3D-4E8F-9A10-2B3C4D5E6F71}">
    <Package InstallerVersion="200" Compressed="yes" )" + platform_attributes + R"(/>
    <Media Id="1" )" + media_attributes + R"(/>
    <Directory Id="TARGETDIR" Name="SourceDir">
      <Directory Id="ProgramFilesFolder">
        <Directory Id="INSTALLDIR" Name="Demo">
          <Component Id="Main" Guid="{5C0A1E22-7B3D-4E8F-9A10-2B3C4D5E6F72}" )" + component_attributes + R"(>
            <File Id="main.txt" Name="main.txt" Source="main.txt" KeyPath="yes"/>
            <RegistryValue Root="HKLM" Key="Software\Maker\Demo" Name="Main" Type="string" Value="[INSTALLDIR]"/>
          </Component>
          <Component Id="Extra" Guid="{5C0A1E22-7B3D-4E8F-9A10-2B3C4D5E6F73}" )" + component_attributes + R"(>
            <File Id="extra.txt" Name="extra.txt" Source="extra.txt" KeyPath="yes"/>
            <RegistryValue Root="HKLM" Key="Software\Maker\Demo" Name="Extra" Type="integer" Value="7"/>
          </Component>
        </Directory>
      </Directory>
    </Directory>
    <Feature Id="Complete" Level="1">
      <ComponentRef Id="Main"/>
      <ComponentRef Id="Extra"/>
    </Feature>
  </Product>
</Wix>
)";
}

int Recorder::Handler(void* context, UINT type, LPCSTR text) {
  auto* recorder = static_cast<Recorder*>(context);
  recorder->messages.push_back({type, text ? text : ""});
  return recorder->answer ? recorder->answer(recorder->messages.back()) : msi::kIdOk;
}

std::vector<Message> Recorder::OfType(UINT type) const {
  std::vector<Message> found;
  for (const Message& message : messages)
    if ((message.type & msi::kMessageTypeMask) == type) found.push_back(message);
  return found;
}

InstallerFixture::InstallerFixture(const std::string& profile) {
  testing::WriteFile(prefix / "machine.profile", profile);
  host = CreatePosixPlatform({prefix.path(), {"/usr/bin/setup"}});
  msi = host->platform().installer.Bind();
}

std::string InstallerFixture::Package(const std::string& wxs, const std::string& name,
                                      const std::vector<std::string>& wixl_arguments) {
  std::string built = testing::BuildPackage(work.path(), name, wxs,
                                            {{"main.txt", "main contents\n"}, {"extra.txt", "extra contents\n"}},
                                            wixl_arguments);
  return host->paths().ToWindows(built);
}

std::string InstallerFixture::HostOf(const std::string& windows_path) const {
  return host->paths().ToHost(windows_path).value_or("");
}

std::string InstallerFixture::ReadRegistry(const std::string& key, const std::string& name, uint32_t view) const {
  std::unique_ptr<RegistryKey> open;
  if (host->platform().registry.OpenKey(RootKey::kLocalMachine, key, kKeyRead | view, &open) != kRegOk) return "<no key>";
  RegistryValue value;
  if (open->QueryValue(name, &value) != kRegOk) return "<no value>";
  if (value.type == kRegDword && value.data.size() == 4)
    return "#" + std::to_string(static_cast<uint8_t>(value.data[0]) | static_cast<uint8_t>(value.data[1]) << 8);
  return value.data;
}

bool InstallerFixture::KeyExists(const std::string& key, uint32_t view) const {
  std::unique_ptr<RegistryKey> open;
  return host->platform().registry.OpenKey(RootKey::kLocalMachine, key, kKeyRead | view, &open) == kRegOk;
}

std::string InstallerFixture::InstallDir() const {
  return host->platform().system.SpecialFolderPath(SpecialFolder::kProgramFilesX86) + "Demo\\";
}

std::string InstallerFixture::PackageCode(const std::string& package_host) const {
  return PackageDatabase::Open(package_host, PackageDatabase::Mode::kReadOnly)->SummaryString(msi::kPidRevNumber).value_or("");
}

}  // namespace quillset::platform::posix::installer
