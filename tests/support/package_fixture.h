// Test packages: built at test time with wixl from .wxs text, then edited with SQL for what
// wixl does not write (component conditions, Condition table rows). No package is committed.
#pragma once

#include <map>
#include <string>
#include <vector>

namespace quillset::testing {

// Writes files_to_create (paths relative to folder -> content; sub-folders are made) and
// <name>.wxs into folder, runs wixl there with the extra arguments (for example {"-a", "x64"}),
// and answers the host path of <folder>/<name>.msi. Throws std::runtime_error carrying wixl's
// output when it fails.
std::string BuildPackage(const std::string& folder, const std::string& name, const std::string& wxs,
                         const std::map<std::string, std::string>& files_to_create = {},
                         const std::vector<std::string>& wixl_arguments = {});

// The .wxs of the smallest product: one feature, one component with main.txt in an embedded
// cabinet, installed to Program Files\<name>.
std::string OneFileWxs(const std::string& product_code, const std::string& name);

// Runs the statements on the package in order and commits; throws std::runtime_error naming
// the statement that failed.
void EditPackage(const std::string& package, const std::vector<std::string>& statements);

// Sets the Condition column of a Component row (wixl leaves it empty). Any text is allowed,
// quotes included.
void SetComponentCondition(const std::string& package, const std::string& component,
                           const std::string& condition);

// Adds a row to the Condition table (made when the package has none): the feature's install
// level becomes `level` when the condition is true.
void AddFeatureCondition(const std::string& package, const std::string& feature, int level,
                         const std::string& condition);

}  // namespace quillset::testing
