// Patches on this system: a patch is an installer database for the same product (its
// Property table names the ProductCode it applies to). Its rows are merged into a copy of the
// product's kept package (each row replacing the row with the same key; tables the package
// lacks and tables with streams are left out), its files are marked to be written, and the
// product is reinstalled from the merged package, whose cabinets are looked up in the patch
// too. The merged package becomes the product's kept package; the patch is kept beside it.
#pragma once

#include <set>
#include <string>

#include "platform/installer.h"
#include "platform/posix/installer/database/package_database.h"
#include "platform/posix/installer/session.h"

namespace quillset::platform::posix::installer {

// The product a patch applies to; throws PackageError (1636) for a patch that names none.
std::string PatchTarget(PackageDatabase& patch);

// Merges the patch's rows into the database; answers the File keys the patch carries.
// Throws PackageError when a statement fails.
std::set<std::string> MergePatch(PackageDatabase& patch, PackageDatabase& target);

}  // namespace quillset::platform::posix::installer
