// The product's entry in the system's list of installed programs: the key
// SOFTWARE\Microsoft\Windows\CurrentVersion\Uninstall\<ProductCode> (per machine in
// HKEY_LOCAL_MACHINE's native view, per user in HKEY_CURRENT_USER), written when the product
// stays installed and recorded as the product's own items, so that its removal takes it away.
#pragma once

#include "platform/posix/installer/script.h"

namespace quillset::platform::posix::installer {

ScriptAction PlanUninstallEntry(InstallContext& context, const std::string& product_code);

}  // namespace quillset::platform::posix::installer
