#include "platform/posix/installer/uninstall_entry.h"

#include "platform/posix/installer/registry_actions.h"

namespace quillset::platform::posix::installer {

namespace {

std::string Dword(uint32_t number) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

}  // namespace

ScriptAction PlanUninstallEntry(InstallContext& context, const std::string& product_code) {
  ScriptAction action{"PublishProduct", "Publishing product information", {}, kTicksPerEntry};
  if (!context.selection.ProductRemains() || context.selection.AdvertisesOnly()) return action;
  const Properties& p = context.session.properties;
  RegistryPlace place{PerMachine(context.session) ? RootKey::kLocalMachine : RootKey::kCurrentUser, kKeyWow64_64Key,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\" + product_code};
  std::vector<RegistryValue> values = {
      {"DisplayName", kRegSz, p.Get("ProductName")},
      {"DisplayVersion", kRegSz, p.Get("ProductVersion")},
      {"Publisher", kRegSz, p.Get("Manufacturer")},
      {"InstallLocation", kRegSz, p.Get("ARPINSTALLLOCATION")},
      {"InstallSource", kRegSz, p.Get("SourceDir")},
      {"UninstallString", kRegExpandSz, "MsiExec.exe /X" + product_code},
      {"ModifyPath", kRegExpandSz, "MsiExec.exe /I" + product_code},
      {"WindowsInstaller", kRegDword, Dword(1)},
  };
  for (const char* flag : {"ARPSYSTEMCOMPONENT", "ARPNOREMOVE", "ARPNOMODIFY", "ARPNOREPAIR"})
    if (!p.Get(flag).empty()) {
      static const std::map<std::string, std::string> kNames = {{"ARPSYSTEMCOMPONENT", "SystemComponent"},
                                                                {"ARPNOREMOVE", "NoRemove"},
                                                                {"ARPNOMODIFY", "NoModify"},
                                                                {"ARPNOREPAIR", "NoRepair"}};
      values.push_back({kNames.at(flag), kRegDword, Dword(1)});
    }
  action.steps.push_back({0, [&context, place, values](StepProgress& progress) {
                            progress.Advance("Key: " + place.key, 0);
                            for (const RegistryValue& value : values) WriteValueRecorded(context, "", place, value);
                          }});
  return action;
}

}  // namespace quillset::platform::posix::installer
