// The line format of the installer's own records (product registrations, rollback journals):
// one record per line, fields separated by tabs, every byte below 0x20 and the percent sign
// written as %HH so that any registry data or path survives and paths stay readable.
#pragma once

#include <string>
#include <vector>

namespace quillset::platform::posix::installer {

std::string JoinRecord(const std::vector<std::string>& fields);
// The fields of one line (without its line feed); malformed escapes are kept as written.
std::vector<std::string> SplitRecord(const std::string& line);

// Writes text to a host file through a temporary beside it and a rename, so that readers see
// the old or the new content and never a part. False on failure.
bool ReplaceFileAtomically(const std::string& host_path, const std::string& text);

}  // namespace quillset::platform::posix::installer
