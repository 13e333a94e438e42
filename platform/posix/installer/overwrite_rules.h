// Whether an installation writes a file over the one already at its place, by the
// REINSTALLMODE letters and the versions of both files. A missing file is always written; for
// a file that is there:
//
//   a         always written
//   p         kept (only missing files are written)
//   o, e, d   both versioned: written when the package's version is newer (o), newer or the
//             same (e), or other than the one there (d); without any of the three, o applies
//   c         also written when both have the same version, or neither has one, and the
//             sizes differ: the file there is taken to be damaged
//
// Whatever the letters (but a and p): a versioned file replaces an unversioned one, and an
// unversioned file never replaces a versioned one. Two unversioned files: the installer on
// Windows keeps the file there when it was modified after it was created (the user changed
// it). Posix file systems do not all keep a creation time, so here the sizes stand in for the
// dates: the file there is rewritten when its size differs from the package's, and kept when
// it has the same size (taken to be the same file). Other letters (u, m, s, v) do not
// concern files.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "platform/posix/installer/file_version.h"

namespace quillset::platform::posix::installer {

// A file's version (none: unversioned) and size; the package's from its File table.
struct FileFacts {
  std::optional<FileVersion> version;
  uint64_t size = 0;
};

struct OverwriteDecision {
  bool write = true;
  std::string reason;  // why the file there is kept, for the log
};

OverwriteDecision DecideOverwrite(std::string_view mode, const FileFacts& package, const FileFacts& existing);

}  // namespace quillset::platform::posix::installer
