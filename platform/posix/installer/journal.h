// The rollback journal of one installation. Every change to the machine is preceded by the
// step that undoes it, appended to a file in the installation's own folder of the records
// (<records>/runs/<run>/), beside the backups of files it replaces or removes. A cancel or an
// error undoes the steps in reverse order; a committed installation discards them. A journal
// left by a process that died is undone by the next installation, unless it had committed:
// the product record names that installation as its last one, or the record it started with
// is gone (a removal).
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "platform/posix/installer/host.h"
#include "platform/posix/installer/registration.h"

namespace quillset::platform::posix::installer {

using UndoStep = std::vector<std::string>;

// Undo steps, made by the actions.
UndoStep UndoDeleteFile(const std::string& path);
UndoStep UndoRestoreFile(const std::string& backup, const std::string& path);
UndoStep UndoRemoveFolder(const std::string& path);
UndoStep UndoCreateFolder(const std::string& path);
// Puts a value back as it was, or deletes it when it did not exist (old empty).
UndoStep UndoRegistryValue(RootKey root, uint32_t view, const std::string& key, const std::string& name,
                           const std::optional<RegistryValue>& old);
UndoStep UndoDeleteKey(RootKey root, uint32_t view, const std::string& key);
UndoStep UndoCreateKey(RootKey root, uint32_t view, const std::string& key);

class Journal {
 public:
  // registered: whether the product has a record as the installation starts (so that a
  // committed removal is told from an installation that never committed). Throws
  // std::runtime_error when the folder or the file cannot be made.
  Journal(Host& host, const std::string& run, const std::string& product_code, bool registered);
  ~Journal();
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  void Record(const UndoStep& step);
  // Several steps in one write, all before any of their changes.
  void Record(const std::vector<UndoStep>& steps);
  // A fresh Windows path in the backup folder, for a file about to be replaced or removed.
  std::string NewBackupPath();

  size_t step_count() const { return steps_.size(); }
  // Undoes the steps, the last first; step_undone (when given) is told of each.
  void RollBack(const std::function<void()>& step_undone = {});
  void Discard();

  static void Recover(Host& host, const Registrations& registrations);

 private:
  Host& host_;
  std::string run_;
  std::string folder_;  // host
  int fd_ = -1;
  std::vector<UndoStep> steps_;
  int backups_ = 0;
};

}  // namespace quillset::platform::posix::installer
