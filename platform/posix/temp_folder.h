// The user's private temporary folder, <parent>/quillset-<uid>, mode 0700.
#pragma once

#include <string>

namespace quillset::platform::posix {

// Creates or reuses <parent>/quillset-<uid>. A folder of that name that is a symbolic link,
// not a folder, owned by someone else or open to others is left alone and a fresh private
// folder is made beside it instead: on a shared /tmp anyone can plant that name, and the
// engine's fixed file names in it would invite symbolic-link attacks. Nothing is lost by the
// fallback, as the folder only holds files of the current run. Throws when neither works.
std::string PrivateTempFolder(const std::string& parent);

}  // namespace quillset::platform::posix
