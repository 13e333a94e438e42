// The file actions: InstallFiles (from cabinets embedded in the package or beside it, or
// uncompressed from the source folders), RemoveFiles (the files of removed components and
// the RemoveFile table), CreateFolders, and the removal of emptied folders the product made.
#pragma once

#include "platform/posix/installer/script.h"

namespace quillset::platform::posix::installer {

ScriptAction PlanInstallFiles(InstallContext& context);
ScriptAction PlanRemoveFiles(InstallContext& context);
// The installed files of removed components alone (without the RemoveFile table).
ScriptAction PlanRemoveFileItems(InstallContext& context);
ScriptAction PlanCreateFolders(InstallContext& context);
// Removes the folders of the record that are empty once this installation is done (all of
// the product's when it is removed). Planned as the last step of every script.
ScriptStep PlanFolderCleanup(InstallContext& context);

}  // namespace quillset::platform::posix::installer
