#include "platform/posix/installer/file_actions.h"

#include <algorithm>
#include <filesystem>
#include <map>

#include "platform/posix/installer/cabinet.h"
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

// Extracts one cabinet's planned files into the staging folder, then moves them into place.
void InstallFromCabinet(InstallContext& context, const std::string& cabinet, const std::vector<PlannedFile>& planned,
                        StepProgress& progress) {
  Host& host = context.host();
  std::map<std::string, const PlannedFile*> wanted;
  for (const PlannedFile& file : planned) {
    if (file.write) wanted[file.key] = &file;
    else progress.Advance(DataText(file), file.size);
  }
  if (wanted.empty()) return;
  const std::string staging = context.undo().StagingFolder();
  std::error_code error;
  std::filesystem::create_directories(staging, error);
  std::string cabinet_host;
  if (cabinet.front() == '#') {
    cabinet_host = staging + "/cabinet";
    if (!context.session.database->ExtractStream(cabinet.substr(1), cabinet_host))
      throw InstallFailure("The cabinet " + cabinet.substr(1) + " is missing from the package.");
  } else {
    std::string source = IncludeTrailingBackslash(context.session.properties.Get("SourceDir")) + cabinet;
    auto mapped = host.paths.ToHost(source);
    if (!mapped || !host.files.FileExists(source)) throw InstallFailure("The cabinet " + source + " is missing.");
    cabinet_host = *mapped;
  }
  std::map<std::string, std::string> staged;  // File key -> staged host path
  try {
    ExtractCabinet(cabinet_host, staging, [&](const std::string& entry, uint32_t) -> std::optional<std::string> {
      auto found = wanted.find(entry);
      if (found == wanted.end() || staged.count(entry)) return std::nullopt;
      progress.Advance(DataText(*found->second), found->second->size);
      std::string name = std::to_string(staged.size() + 1);
      staged[entry] = staging + "/" + name;
      return name;
    });
  } catch (const CabinetError& failure) {
    throw InstallFailure(failure.what());
  }
  for (const auto& [key, file] : wanted) {
    auto found = staged.find(key);
    if (found == staged.end()) throw InstallFailure("The file " + key + " is missing from the cabinet " + cabinet + ".");
    PlaceFile(context, host.paths.ToWindows(found->second), file->target, true);
  }
  std::filesystem::remove(staging + "/cabinet", error);
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
    CheckTarget(context, file.target);
    if (component->second.reinstall) file.write = Rewrites(session.host.files, file.target, file.size, mode);
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
  ScriptAction action{"RemoveFiles", "Removing files", {}};
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
  ScriptAction action{"CreateFolders", "Creating folders", {}};
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
