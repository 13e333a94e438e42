#include "platform/posix/installer/file_actions.h"

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <map>
#include <set>

#include "platform/posix/installer/cabinet.h"
#include "platform/posix/paths/windows_path.h"
#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

namespace {

constexpr int kFileNoncompressed = 0x2000;
constexpr int kFileCompressed = 0x4000;

struct PlannedFile {
  std::string key;
  std::string component;
  std::string name;    // long name of the target
  std::string source;  // uncompressed: the source file
  std::string target;
  uint64_t size = 0;
  bool write = true;  // false: a reinstall keeps the file that is there
};

std::string DataText(const PlannedFile& file) {
  return "File: " + file.name + ", Directory: " + ExtractFilePath(file.target) + ", Size: " + std::to_string(file.size);
}

// Whether a reinstall writes a file that is there already (REINSTALLMODE letters).
bool Rewrites(FileSystem& files, const std::string& target, uint64_t size, const std::string& mode) {
  if (!files.FileExists(target)) return true;
  if (mode.find('a') != std::string::npos) return true;
  if (mode.find('p') != std::string::npos) return false;
  bool compares = mode.find_first_of("oedc") != std::string::npos;
  return compares && files.FileSize(target).value_or(0) != size;
}

// Wildcards of the RemoveFile table: * any run, ? one character, without regard to case.
bool Matches(const std::string& pattern, const std::string& name) {
  size_t p = 0, n = 0, star = std::string::npos, mark = 0;
  auto same = [](char a, char b) { return std::toupper(static_cast<unsigned char>(a)) == std::toupper(static_cast<unsigned char>(b)); };
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || same(pattern[p], name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      mark = n;
    } else if (star != std::string::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

void CheckTarget(InstallContext& context, const std::string& target) {
  if (!context.host().paths.ToHost(target)) throw InstallFailure("The folder of " + target + " lies on no drive.");
}

// The deepest host folder that holds all the given ones.
std::string CommonFolder(const std::vector<std::string>& folders) {
  std::string common = folders.front();
  for (const std::string& folder : folders) {
    while (!(folder == common || (folder.rfind(common, 0) == 0 && (common == "/" || folder[common.size()] == '/')))) {
      size_t slash = common.rfind('/');
      common = slash == 0 || slash == std::string::npos ? "/" : common.substr(0, slash);
    }
  }
  return common;
}

// Extracts one cabinet's planned files straight into their folders. Files that are there
// already are moved to backups first; the undo steps of all of them are journaled before any
// is touched.
void InstallFromCabinet(InstallContext& context, const std::string& cabinet, const std::vector<PlannedFile>& planned,
                        StepProgress& progress) {
  Host& host = context.host();
  std::vector<const PlannedFile*> writes;
  for (const PlannedFile& file : planned) {
    if (file.write) writes.push_back(&file);
    else progress.Advance(DataText(file), file.size);
  }
  if (writes.empty()) return;

  // Each folder once: created (and recorded), mapped to the host, its names read so that a
  // file is found without regard to case as the platform finds it.
  struct Folder {
    std::string host;
    std::map<std::string, std::string> names;  // folded name -> name on disk
  };
  std::map<std::string, Folder> folders;
  for (const PlannedFile* file : writes) {
    std::string folder = ExtractFilePath(file->target);
    if (folders.count(folder)) continue;
    CreateFolderRecorded(context, folder);
    auto mapped = host.paths.ToHost(folder);
    if (!mapped) throw InstallFailure("The folder " + folder + " lies on no drive.");
    Folder& entry = folders[folder];
    entry.host = *mapped;
    while (entry.host.size() > 1 && entry.host.back() == '/') entry.host.pop_back();
    std::error_code error;
    for (const auto& existing : std::filesystem::directory_iterator(entry.host, error))
      entry.names[FoldCase(existing.path().filename().string())] = existing.path().filename().string();
  }
  struct Target {
    std::string windows, host;
    bool exists;
  };
  std::map<std::string, Target> targets;  // File key -> where it goes
  std::vector<UndoStep> steps;
  std::vector<std::pair<std::string, std::string>> backups;  // host target -> host backup
  for (const PlannedFile* file : writes) {
    std::string folder = ExtractFilePath(file->target);
    const Folder& entry = folders.at(folder);
    auto existing = entry.names.find(FoldCase(file->name));
    std::string name = existing == entry.names.end() ? file->name : existing->second;
    Target target{folder + name, entry.host + "/" + name, existing != entry.names.end()};
    if (target.exists) {
      std::string backup = context.undo().NewBackupPath();
      steps.push_back(UndoRestoreFile(backup, target.windows));
      backups.emplace_back(target.host, host.paths.ToHost(backup).value_or(""));
    } else {
      steps.push_back(UndoDeleteFile(target.windows));
    }
    targets[file->key] = target;
  }
  context.undo().Record(steps);
  for (const auto& [from, to] : backups)
    if (to.empty() || std::rename(from.c_str(), to.c_str()) != 0) throw InstallFailure("Could not replace the file " + from + ".");

  CabinetSource source{context.session.package_host, cabinet.substr(1)};
  if (cabinet.front() == '#') {
    for (const std::string& package : context.session.stream_sources)
      if (PackageHasStream(package, source.stream)) {
        source.host_path = package;
        break;
      }
  } else {
    std::string beside = IncludeTrailingBackslash(context.session.properties.Get("SourceDir")) + cabinet;
    auto mapped = host.paths.ToHost(beside);
    if (!mapped || !host.files.FileExists(beside)) throw InstallFailure("The cabinet " + beside + " is missing.");
    source = {*mapped, ""};
  }
  std::vector<std::string> hosts;
  for (const auto& [folder, entry] : folders) hosts.push_back(entry.host);
  const std::string root = CommonFolder(hosts);
  std::map<std::string, const PlannedFile*> wanted;
  for (const PlannedFile* file : writes) wanted[file->key] = file;
  std::set<std::string> extracted;
  try {
    ExtractCabinet(source, root, [&](const std::string& entry, uint32_t) -> std::optional<std::string> {
      auto found = wanted.find(entry);
      if (found == wanted.end() || !extracted.insert(entry).second) return std::nullopt;
      progress.Advance(DataText(*found->second), found->second->size);
      return targets.at(entry).host.substr(root == "/" ? 1 : root.size() + 1);
    });
  } catch (const CabinetError& failure) {
    throw InstallFailure(failure.what());
  }
  for (const auto& [key, file] : wanted)
    if (!extracted.count(key)) throw InstallFailure("The file " + key + " is missing from the cabinet " + cabinet + ".");
}

}  // namespace

ScriptAction PlanInstallFiles(InstallContext& context) {
  ScriptAction action{"InstallFiles", "Copying new files", {}};
  Session& session = context.session;
  PackageDatabase& database = *session.database;
  if (!database.HasTable("File")) return action;
  std::vector<std::pair<int, std::string>> media;  // last sequence, cabinet
  if (database.HasTable("Media"))
    for (const Row& row : database.Select("SELECT `LastSequence`, `Cabinet` FROM `Media` ORDER BY `LastSequence`"))
      media.emplace_back(row.Integer(0, 0), row.Text(1));
  bool compressed_package = session.word_count & 2;
  bool short_names = session.word_count & 1;
  std::string mode = session.properties.Find("REINSTALLMODE").value_or("omus");

  std::map<std::string, std::vector<PlannedFile>> by_cabinet;
  std::vector<PlannedFile> uncompressed;
  std::set<std::string> checked;  // folders known to lie on a drive
  for (const Row& row : database.Select(
           "SELECT `File`, `Component_`, `FileName`, `FileSize`, `Attributes`, `Sequence` FROM `File` ORDER BY `Sequence`")) {
    auto component = context.selection.components.find(row.Text(1));
    if (component == context.selection.components.end() || !component->second.Installs()) continue;
    PlannedFile file;
    file.key = row.Text(0);
    file.component = row.Text(1);
    file.name = LongName(row.Text(2));
    file.size = static_cast<uint64_t>(std::max(0, row.Integer(3, 0)));
    const std::string folder = context.directories.Target(component->second.directory);
    if (folder.empty()) throw InstallFailure("The component " + file.component + " has no folder.");
    file.target = folder + file.name;
    if (checked.insert(folder).second) CheckTarget(context, folder);
    if (component->second.reinstall && !session.patched_files.count(file.key))
      file.write = Rewrites(session.host.files, file.target, file.size, mode);
    int attributes = row.Integer(4, 0);
    int sequence = row.Integer(5, 0);
    std::string cabinet;
    for (const auto& [last, name] : media)
      if (sequence <= last) {
        cabinet = name;
        break;
      }
    bool compressed = attributes & kFileCompressed ? true : attributes & kFileNoncompressed ? false : compressed_package;
    context.added.push_back({"File", file.component, file.target});
    if (compressed && !cabinet.empty()) {
      by_cabinet[cabinet].push_back(std::move(file));
    } else {
      file.source = context.directories.Source(component->second.directory) + LongName(row.Text(2), short_names);
      uncompressed.push_back(std::move(file));
    }
  }
  for (auto& [cabinet, files] : by_cabinet) {
    uint64_t ticks = 0;
    for (const auto& file : files) ticks += file.size;
    action.steps.push_back({ticks, [&context, cabinet = cabinet, files = files](StepProgress& progress) {
                              InstallFromCabinet(context, cabinet, files, progress);
                            }});
  }
  for (auto& file : uncompressed) {
    action.steps.push_back({file.size, [&context, file](StepProgress& progress) {
                              progress.Advance(DataText(file), file.size);
                              if (!file.write) return;
                              if (!context.host().files.FileExists(file.source))
                                throw InstallFailure("The source file " + file.source + " is missing.");
                              PlaceFile(context, file.source, file.target, false);
                            }});
  }
  return action;
}

ScriptAction PlanRemoveFileItems(InstallContext& context) {
  ScriptAction action{"RemoveFiles", "Removing files", {}, kTicksPerEntry};
  for (const InstalledItem& item : context.ItemsToRemove("File")) {
    context.removed.insert(item);
    if (context.Shared(item[1])) continue;
    const std::string path = item.size() > 2 ? item[2] : "";
    action.steps.push_back({0, [&context, path](StepProgress& progress) {
                              progress.Advance("File: " + ExtractFileName(path) + ", Directory: " + ExtractFilePath(path), 0);
                              RemoveFileRecorded(context, path);
                            }});
  }
  return action;
}

ScriptAction PlanRemoveFiles(InstallContext& context) {
  ScriptAction action = PlanRemoveFileItems(context);
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("RemoveFile")) return action;
  for (const Row& row : database.Select("SELECT `Component_`, `FileName`, `DirProperty`, `InstallMode` FROM `RemoveFile`")) {
    auto component = context.selection.components.find(row.Text(0));
    if (component == context.selection.components.end()) continue;
    int mode = row.Integer(3, 0);
    bool now = (component->second.Installs() && (mode & 1)) || (component->second.Removes() && (mode & 2));
    std::string folder = context.session.properties.Get(row.Text(2));
    if (!now || folder.empty()) continue;
    std::string pattern = LongName(row.Text(1));
    action.steps.push_back({0, [&context, folder, pattern](StepProgress& progress) {
                              progress.Advance("File: " + pattern + ", Directory: " + folder, 0);
                              FileSystem& files = context.host().files;
                              if (pattern.empty()) {
                                if (files.RemoveDirectory(folder)) context.undo().Record(UndoCreateFolder(folder));
                                return;
                              }
                              for (const auto& entry : files.ListDirectory(folder))
                                if (!entry.is_directory && Matches(pattern, entry.name))
                                  RemoveFileRecorded(context, IncludeTrailingBackslash(folder) + entry.name);
                            }});
  }
  return action;
}

ScriptAction PlanCreateFolders(InstallContext& context) {
  ScriptAction action{"CreateFolders", "Creating folders", {}, kTicksPerEntry};
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("CreateFolder")) return action;
  for (const Row& row : database.Select("SELECT `Directory_`, `Component_` FROM `CreateFolder`")) {
    auto component = context.selection.components.find(row.Text(1));
    if (component == context.selection.components.end() || !component->second.Installs()) continue;
    std::string folder = context.directories.Target(row.Text(0));
    if (folder.empty()) continue;
    CheckTarget(context, folder);
    action.steps.push_back({0, [&context, folder](StepProgress& progress) {
                              progress.Advance("Folder: " + folder, 0);
                              CreateFolderRecorded(context, folder);
                            }});
  }
  return action;
}

ScriptStep PlanFolderCleanup(InstallContext& context) {
  return {0, [&context](StepProgress&) {
            if (!context.record) return;
            bool product_goes = !context.selection.ProductRemains();
            std::vector<InstalledItem> folders;
            for (const InstalledItem& item : context.record->items)
              if (item.size() > 2 && item[0] == "Folder") folders.push_back(item);
            // Deepest first, so that a parent is empty when its turn comes.
            std::sort(folders.begin(), folders.end(), [](const auto& a, const auto& b) { return a[2].size() > b[2].size(); });
            FileSystem& files = context.host().files;
            for (const InstalledItem& item : folders) {
              if (!files.DirectoryExists(item[2])) {
                context.removed.insert(item);
                continue;
              }
              if (!files.ListDirectory(item[2]).empty()) {
                if (product_goes) context.removed.insert(item);  // someone else's files keep it
                continue;
              }
              context.undo().Record(UndoCreateFolder(item[2]));
              if (files.RemoveDirectory(item[2])) context.removed.insert(item);
            }
          }};
}

}  // namespace quillset::platform::posix::installer
