// WriteRegistryValues and RemoveRegistryValues: the Registry table into the platform's
// registry store. Roots: -1 per machine or per user by ALLUSERS, 0 classes, 1 current user,
// 2 local machine, 3 users. Views: an "Intel" package writes into the 32-bit view; an "x64"
// or "Intel64" package writes the components with attribute 0x100 into the 64-bit view.
#pragma once

#include "platform/posix/installer/registry_edit.h"
#include "platform/posix/installer/script.h"

namespace quillset::platform::posix::installer {

// The data of a Registry table value after formatting: "#x" binary, "#%" expandable,
// "#" a number, "##" a string starting with "#", "[~]" separated strings, else a string.
// format: the formatted-text rules for the parts; existing: the value there now, for "[~]"
// lists that append or prepend.
RegistryValue RegistryData(const std::string& name, const std::string& value,
                           const std::function<std::string(const std::string&)>& format,
                           const std::optional<RegistryValue>& existing);

ScriptAction PlanWriteRegistryValues(InstallContext& context);
ScriptAction PlanRemoveRegistryValues(InstallContext& context);

// The view a component's registry entries go to.
uint32_t ComponentView(const InstallContext& context, const std::string& component);

// Writes one value through the journal and records it as the component's item.
void WriteValueRecorded(InstallContext& context, const std::string& component, const RegistryPlace& place,
                        const RegistryValue& value);

}  // namespace quillset::platform::posix::installer
