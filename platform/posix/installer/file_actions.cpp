#include "platform/posix/installer/file_actions.h"

#include <algorithm>
#include <filesystem>
#include <cstdio>
#include <map>
#include <set>

#include "platform/posix/installer/cabinet.h"
#include "platform/posix/installer/file_version.h"
#include "platform/posix/installer/overwrite_rules.h"
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
  bool write = true;  // false: the file that is there stays (the versioning rules)
};

std::string DataText(const PlannedFile& file) {
  return "File: " + file.name + ", Directory: " + ExtractFilePath(file.target) + ", Size: " + std::to_string(file.size);
}

// A File table row with the place it installs to (empty when its component has no folder).
struct FileRow {
  std::string key, component, name, version, target;
  uint64_t size = 0;
  int attributes = 0, sequence = 0;
};

// The package's version of a file from the text of its Version column (a companion's key and
// the empty text are no version).
std::optional<FileVersion> PackageVersion(const std::string& text) {
  return text.empty() ? std::nullopt : ParseVersionText(text).version;
}

// Whether a file is there already. The names of each folder are read once and only a name
// found there is asked after: asking the file system for every file of a package maps each
// path to the host anew, reading folders on the way.
class FilesThere {
 public:
  explicit FilesThere(FileSystem& files) : files_(files) {}
  bool Has(const std::string& path) {
    const std::string folder = ExtractFilePath(path);
    auto [names, added] = folders_.try_emplace(FoldCase(folder));
    if (added)
      for (const DirectoryEntry& entry : files_.ListDirectory(folder))
        if (!entry.is_directory) names->second.insert(FoldCase(entry.name));
    return names->second.count(FoldCase(ExtractFileName(path))) && files_.FileExists(path);
  }

 private:
  FileSystem& files_;
  std::map<std::string, std::set<std::string>> folders_;  // folded folder -> folded names of its files
};

// Whether the file is written over the one at its place (see overwrite_rules.h). A companion
// file (its Version column names another file) goes with its parent: the parent's version and
// size are compared with the parent's file on disk, and a missing companion is written.
bool Writes(InstallContext& context, FilesThere& there, const std::map<std::string, FileRow>& rows,
            const FileRow& file, const std::string& mode) {
  FileSystem& files = context.host().files;
  if (!there.Has(file.target)) return true;
  const FileRow* measured = &file;
  std::string version = file.version;
  auto parent = rows.find(file.version);
  if (!PackageVersion(file.version) && parent != rows.end() && parent->first != file.key) {
    version = parent->second.version;
    if (!parent->second.target.empty()) measured = &parent->second;
    if (!there.Has(measured->target)) return true;
  } else if (!file.version.empty() && !PackageVersion(file.version)) {
    context.messenger.Verbose("The file " + file.key + " is taken as unversioned: " + ParseVersionText(file.version).problem +
                              " and names no other file.");
  }
  FileFacts existing{ReadPeFileVersion(files, measured->target).version, files.FileSize(measured->target).value_or(0)};
  OverwriteDecision decision = DecideOverwrite(mode, {PackageVersion(version), measured->size}, existing);
  if (!decision.write)
    context.messenger.Verbose("Not writing the file " + file.target + ": " + decision.reason +
                              (measured != &file ? " (its companion parent " + measured->target + " decides)" : "") + ".");
  return decision.write;
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

// An embedded cabinet from the first package that holds it: the open package itself, then
// the patches applied to it. A patch is opened into `patch`, which must outlive the stream.
std::unique_ptr<PackageStream> OpenEmbeddedCabinet(Session& session, const std::string& stream,
                                                   std::unique_ptr<PackageDatabase>& patch) {
  for (const std::string& package : session.stream_sources) {
    try {
      PackageDatabase* database = session.database.get();
      if (package != session.package_host) {
        patch = PackageDatabase::Open(package, PackageDatabase::Mode::kReadOnly);
        database = patch.get();
      }
      if (auto found = database->OpenStream(stream)) return found;
    } catch (const PackageError&) {
      // A package whose streams cannot be read holds no cabinet to take.
    }
  }
  return nullptr;
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

  std::unique_ptr<PackageDatabase> patch;  // holds the package of an embedded cabinet while it is read
  std::unique_ptr<PackageStream> embedded;
  std::string cabinet_file;
  if (cabinet.front() == '#') {
    embedded = OpenEmbeddedCabinet(context.session, cabinet.substr(1), patch);
    if (!embedded) throw InstallFailure("The cabinet " + cabinet.substr(1) + " is missing from the package.");
  } else {
    std::string beside = IncludeTrailingBackslash(context.session.properties.Get("SourceDir")) + cabinet;
    auto mapped = host.paths.ToHost(beside);
    if (!mapped || !host.files.FileExists(beside)) throw InstallFailure("The cabinet " + beside + " is missing.");
    cabinet_file = *mapped;
  }
  std::vector<std::string> hosts;
  for (const auto& [folder, entry] : folders) hosts.push_back(entry.host);
  const std::string root = CommonFolder(hosts);
  std::map<std::string, const PlannedFile*> wanted;
  for (const PlannedFile* file : writes) wanted[file->key] = file;
  std::set<std::string> extracted;
  try {
    auto place = [&](const std::string& entry, uint32_t) -> std::optional<std::string> {
      auto found = wanted.find(entry);
      if (found == wanted.end() || !extracted.insert(entry).second) return std::nullopt;
      progress.Advance(DataText(*found->second), found->second->size);
      return targets.at(entry).host.substr(root == "/" ? 1 : root.size() + 1);
    };
    if (embedded)
      ExtractCabinet(*embedded, cabinet, root, place);
    else
      ExtractCabinet(cabinet_file, root, place);
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
  std::string mode = ReinstallMode(session.properties);

  // Every row first: a companion file's parent may belong to a component not installed now.
  std::map<std::string, FileRow> rows;
  std::vector<const FileRow*> installing;  // in sequence order
  for (const Row& row : database.Select("SELECT `File`, `Component_`, `FileName`, `FileSize`, `Version`, `Attributes`, "
                                        "`Sequence` FROM `File` ORDER BY `Sequence`")) {
    FileRow file{row.Text(0), row.Text(1), row.Text(2), row.Text(4), "", static_cast<uint64_t>(std::max(0, row.Integer(3, 0))),
                 row.Integer(5, 0), row.Integer(6, 0)};
    auto component = context.selection.components.find(file.component);
    bool installs = component != context.selection.components.end() && component->second.Installs();
    const std::string folder =
        component == context.selection.components.end() ? "" : context.directories.Target(component->second.directory);
    if (installs && folder.empty()) throw InstallFailure("The component " + file.component + " has no folder.");
    if (!folder.empty()) file.target = folder + LongName(file.name);
    const FileRow& placed = rows.emplace(file.key, file).first->second;
    if (installs) installing.push_back(&placed);
  }

  std::map<std::string, std::vector<PlannedFile>> by_cabinet;
  std::vector<PlannedFile> uncompressed;
  std::set<std::string> checked;  // folders known to lie on a drive
  FilesThere there(session.host.files);
  for (const FileRow* row : installing) {
    const ComponentState& component = context.selection.components.at(row->component);
    PlannedFile file;
    file.key = row->key;
    file.component = row->component;
    file.name = LongName(row->name);
    file.size = row->size;
    file.target = row->target;
    const std::string folder = ExtractFilePath(file.target);
    if (checked.insert(folder).second) CheckTarget(context, folder);
    if (!session.patched_files.count(file.key)) file.write = Writes(context, there, rows, *row, mode);
    std::string cabinet;
    for (const auto& [last, name] : media)
      if (row->sequence <= last) {
        cabinet = name;
        break;
      }
    int attributes = row->attributes;
    bool compressed = attributes & kFileCompressed ? true : attributes & kFileNoncompressed ? false : compressed_package;
    context.added.push_back({"File", file.component, file.target});
    if (compressed && !cabinet.empty()) {
      by_cabinet[cabinet].push_back(std::move(file));
    } else {
      file.source = context.directories.Source(component.directory) + LongName(row->name, short_names);
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
