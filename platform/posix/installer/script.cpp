#include "platform/posix/installer/script.h"

#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

std::vector<InstalledItem> InstallContext::ItemsToRemove(const std::string& kind) const {
  std::vector<InstalledItem> items;
  if (!record) return items;
  for (const InstalledItem& item : record->items) {
    if (item.size() < 2 || item[0] != kind || removed.count(item)) continue;
    auto component = selection.components.find(item[1]);
    // A component the package no longer has goes with the product's removal.
    bool removes = component == selection.components.end() ? !selection.ProductRemains() : component->second.Removes();
    if (removes) items.push_back(item);
  }
  return items;
}

bool InstallContext::Shared(const std::string& component) const {
  std::string code;
  if (auto found = selection.components.find(component); found != selection.components.end()) code = found->second.code;
  if (code.empty()) return false;
  for (const ProductRecord& other : others)
    for (const auto& [key, other_code] : other.components)
      if (other_code == code) return true;
  return false;
}

void CreateFolderRecorded(InstallContext& context, const std::string& folder) {
  FileSystem& files = context.host().files;
  std::string path = ExcludeTrailingBackslash(folder);
  std::vector<std::string> missing;
  while (!path.empty() && !files.DirectoryExists(path)) {
    missing.insert(missing.begin(), path);
    std::string parent = ExcludeTrailingBackslash(ExtractFilePath(path));
    if (parent == path) break;
    path = parent;
  }
  for (const std::string& each : missing) {
    context.undo().Record(UndoRemoveFolder(each));
    if (!files.CreateDirectories(each) && !files.DirectoryExists(each))
      throw InstallFailure("Could not create folder " + each + ".");
    context.added.push_back({"Folder", "", each});
  }
}

void PlaceFile(InstallContext& context, const std::string& source, const std::string& target, bool move) {
  FileSystem& files = context.host().files;
  CreateFolderRecorded(context, ExtractFilePath(target));
  if (files.FileExists(target)) {
    std::string backup = context.undo().NewBackupPath();
    context.undo().Record(UndoRestoreFile(backup, target));
    if (!files.MoveFile(target, backup)) throw InstallFailure("Could not replace the file " + target + ".");
  } else {
    context.undo().Record(UndoDeleteFile(target));
  }
  bool placed = move ? files.MoveFile(source, target) : files.CopyFile(source, target, false);
  if (!placed) throw InstallFailure("Could not write the file " + target + ".");
}

void RemoveFileRecorded(InstallContext& context, const std::string& path) {
  FileSystem& files = context.host().files;
  if (!files.FileExists(path)) return;
  std::string backup = context.undo().NewBackupPath();
  context.undo().Record(UndoRestoreFile(backup, path));
  if (!files.MoveFile(path, backup)) throw InstallFailure("Could not remove the file " + path + ".");
}

}  // namespace quillset::platform::posix::installer
