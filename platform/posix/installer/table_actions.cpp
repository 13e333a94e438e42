#include "platform/posix/installer/table_actions.h"

#include <sstream>

#include "platform/posix/installer/registry_actions.h"
#include "platform/win_path.h"

namespace quillset::platform::posix::installer {

namespace {

bool SameText(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (std::toupper(static_cast<unsigned char>(a[i])) != std::toupper(static_cast<unsigned char>(b[i]))) return false;
  return true;
}

std::string Trim(const std::string& text) {
  size_t begin = text.find_first_not_of(" \t\r");
  if (begin == std::string::npos) return "";
  return text.substr(begin, text.find_last_not_of(" \t\r") - begin + 1);
}

// An argument of a desktop entry's Exec line, quoted as that file format asks.
std::string ExecQuoted(const std::string& text) {
  if (text.find_first_of(" \t\"'\\$`") == std::string::npos && !text.empty()) return text;
  std::string quoted = "\"";
  for (char c : text) {
    if (c == '"' || c == '`' || c == '$' || c == '\\') quoted += '\\';
    quoted += c;
  }
  return quoted + "\"";
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(line);
  }
  return lines;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const auto& line : lines) text += line + "\r\n";
  return text;
}

// Writes new content over a file through the journal (the old file is kept as a backup).
void ReplaceContent(InstallContext& context, const std::string& path, const std::string& content) {
  std::string staged = context.undo().NewBackupPath();
  if (!WriteWholeFile(context.host().files, staged, content)) throw InstallFailure("Could not write " + path + ".");
  PlaceFile(context, staged, path, true);
}

const char kUserEnvironment[] = "Environment";
const char kSystemEnvironment[] = "SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";

std::string WithoutPart(const std::string& list, const std::string& part) {
  std::vector<std::string> kept;
  size_t start = 0;
  while (start <= list.size()) {
    size_t semicolon = list.find(';', start);
    std::string each = list.substr(start, semicolon == std::string::npos ? std::string::npos : semicolon - start);
    if (each != part && !each.empty()) kept.push_back(each);
    if (semicolon == std::string::npos) break;
    start = semicolon + 1;
  }
  std::string joined;
  for (const auto& each : kept) joined += (joined.empty() ? "" : ";") + each;
  return joined;
}

const ComponentState* Component(const InstallContext& context, const std::string& key) {
  auto found = context.selection.components.find(key);
  return found == context.selection.components.end() ? nullptr : &found->second;
}

// The text of a .desktop file starting target (a host path) with the arguments.
std::string DesktopEntry(const std::string& name, const std::string& description, const std::string& target,
                         const std::string& arguments, const std::string& folder) {
  std::string text = "[Desktop Entry]\nType=Application\nName=" + name + "\n";
  if (!description.empty()) text += "Comment=" + description + "\n";
  text += "Exec=" + ExecQuoted(target) + (arguments.empty() ? "" : " " + arguments) + "\n";
  if (!folder.empty()) text += "Path=" + folder + "\n";
  return text;
}

}  // namespace

std::string IniSet(const std::string& text, const std::string& section, const std::string& key,
                   const std::string& value, bool create_only) {
  std::vector<std::string> lines = Lines(text);
  size_t at = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i]);
    if (line.size() >= 2 && line.front() == '[' && line.back() == ']' && SameText(line.substr(1, line.size() - 2), section)) {
      at = i;
      break;
    }
  }
  if (at == lines.size()) {
    lines.push_back("[" + section + "]");
    lines.push_back(key + "=" + value);
    return Joined(lines);
  }
  size_t end = at + 1;
  for (; end < lines.size(); ++end) {
    std::string line = Trim(lines[end]);
    if (!line.empty() && line.front() == '[') break;
    size_t equals = line.find('=');
    if (equals != std::string::npos && SameText(Trim(line.substr(0, equals)), key)) {
      if (!create_only) lines[end] = key + "=" + value;
      return Joined(lines);
    }
  }
  lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(end), key + "=" + value);
  return Joined(lines);
}

std::string IniRemove(const std::string& text, const std::string& section, const std::string& key,
                      const std::string& value) {
  std::vector<std::string> lines = Lines(text);
  bool inside = false;
  size_t header = lines.size();
  for (size_t i = 0; i < lines.size(); ++i) {
    std::string line = Trim(lines[i]);
    if (!line.empty() && line.front() == '[') {
      inside = line.back() == ']' && SameText(line.substr(1, line.size() - 2), section);
      if (inside) header = i;
      continue;
    }
    size_t equals = line.find('=');
    if (inside && equals != std::string::npos && SameText(Trim(line.substr(0, equals)), key) &&
        Trim(line.substr(equals + 1)) == value) {
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(i));
      break;
    }
  }
  // A section left without entries goes too.
  if (header < lines.size()) {
    size_t next = header + 1;
    while (next < lines.size() && Trim(lines[next]).empty()) ++next;
    if (next == lines.size() || Trim(lines[next]).front() == '[')
      lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(header), lines.begin() + static_cast<std::ptrdiff_t>(next));
  }
  return Joined(lines);
}

ScriptAction PlanCreateShortcuts(InstallContext& context) {
  ScriptAction action{"CreateShortcuts", "Creating shortcuts", {}, kTicksPerEntry};
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("Shortcut")) return action;
  for (const Row& row : database.Select("SELECT `Directory_`, `Name`, `Component_`, `Target`, `Arguments`, "
                                        "`Description`, `WkDir` FROM `Shortcut`")) {
    const std::string component = row.Text(2);
    const ComponentState* state = Component(context, component);
    if (!state || !state->Installs()) continue;
    std::string folder = context.directories.Target(row.Text(0));
    if (folder.empty()) continue;
    std::string name = LongName(row.Text(1));
    std::string target = row.Text(3);
    // An advertised shortcut names a feature: it starts the component's key file.
    if (context.selection.features.count(target)) target = "[#" + state->key_path + "]";
    target = context.Format(target);
    std::string working = row.IsNull(6) ? "" : context.session.properties.Get(row.Text(6));
    auto host_target = context.host().paths.ToHost(target);
    auto host_working = working.empty() ? std::optional<std::string>("") : context.host().paths.ToHost(working);
    std::string content = DesktopEntry(name, context.Format(row.Text(5)), host_target.value_or(target),
                                       context.Format(row.Text(4)), host_working.value_or(""));
    std::string path = folder + ChangeFileExt(name, "") + ".desktop";
    action.steps.push_back({0, [&context, component, path, content, name](StepProgress& progress) {
                              progress.Advance("Shortcut: " + name, 0);
                              ReplaceContent(context, path, content);
                              context.added.push_back({"Shortcut", component, path});
                            }});
  }
  return action;
}

ScriptAction PlanRemoveShortcuts(InstallContext& context) {
  ScriptAction action{"RemoveShortcuts", "Removing shortcuts", {}, kTicksPerEntry};
  for (const InstalledItem& item : context.ItemsToRemove("Shortcut")) {
    context.removed.insert(item);
    if (item.size() < 3 || context.Shared(item[1])) continue;
    std::string path = item[2];
    action.steps.push_back({0, [&context, path](StepProgress& progress) {
                              progress.Advance("Shortcut: " + ExtractFileName(path), 0);
                              RemoveFileRecorded(context, path);
                            }});
  }
  return action;
}

ScriptAction PlanWriteEnvironment(InstallContext& context) {
  ScriptAction action{"WriteEnvironmentStrings", "Updating environment strings", {}, kTicksPerEntry};
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("Environment")) return action;
  for (const Row& row : database.Select("SELECT `Name`, `Value`, `Component_` FROM `Environment`")) {
    const std::string component = row.Text(2);
    const ComponentState* state = Component(context, component);
    if (!state || !state->Installs()) continue;
    std::string name = row.Text(0);
    bool system = false, create_only = false, remove = false;
    while (!name.empty() && std::string("=+-!*").find(name.front()) != std::string::npos) {
      system = system || name.front() == '*';
      create_only = create_only || name.front() == '+';
      remove = remove || name.front() == '!';
      name.erase(0, 1);
    }
    std::string raw = row.Text(1);
    std::string how = "set";
    if (raw.rfind("[~]", 0) == 0) {
      how = "append";
      raw = raw.substr(3);
      if (!raw.empty() && raw.front() == ';') raw.erase(0, 1);
    } else if (raw.size() >= 3 && raw.compare(raw.size() - 3, 3, "[~]") == 0) {
      how = "prepend";
      raw.resize(raw.size() - 3);
      if (!raw.empty() && raw.back() == ';') raw.pop_back();
    }
    std::string part = context.Format(raw);
    RegistryPlace place{system ? RootKey::kLocalMachine : RootKey::kCurrentUser, kKeyWow64_64Key,
                        system ? kSystemEnvironment : kUserEnvironment};
    action.steps.push_back({0, [&context, component, place, name, part, how, create_only, remove](StepProgress& progress) {
                              progress.Advance("Name: " + name + ", Value: " + part, 0);
                              Registry& registry = context.host().registry;
                              auto old = ReadValue(registry, place, name);
                              context.undo().Record(UndoRegistryValue(place.root, place.view, place.key, name, old));
                              if (remove) {
                                DeleteValue(registry, place, name);
                                return;
                              }
                              if (create_only && old) return;
                              std::string data = part;
                              if (old && how != "set" && !old->data.empty())
                                data = how == "append" ? old->data + ";" + part : part + ";" + old->data;
                              uint32_t type = data.find('%') != std::string::npos ? kRegExpandSz : kRegSz;
                              if (WriteValue(registry, place, {name, type, data}) != kRegOk)
                                throw InstallFailure("Could not update the environment variable " + name + ".");
                              context.added.push_back({"Environment", component,
                                                       std::to_string(static_cast<int>(place.root)), place.key, name,
                                                       part, how});
                            }});
  }
  return action;
}

ScriptAction PlanRemoveEnvironment(InstallContext& context) {
  ScriptAction action{"RemoveEnvironmentStrings", "Updating environment strings", {}, kTicksPerEntry};
  for (const InstalledItem& item : context.ItemsToRemove("Environment")) {
    context.removed.insert(item);
    if (item.size() < 7 || context.Shared(item[1])) continue;
    RegistryPlace place{static_cast<RootKey>(std::atoi(item[2].c_str())), kKeyWow64_64Key, item[3]};
    std::string name = item[4], part = item[5], how = item[6];
    action.steps.push_back({0, [&context, place, name, part, how](StepProgress& progress) {
                              progress.Advance("Name: " + name + ", Value: " + part, 0);
                              Registry& registry = context.host().registry;
                              auto old = ReadValue(registry, place, name);
                              if (!old) return;
                              std::string rest = how == "set" ? "" : WithoutPart(old->data, part);
                              context.undo().Record(UndoRegistryValue(place.root, place.view, place.key, name, old));
                              if (rest.empty())
                                DeleteValue(registry, place, name);
                              else
                                WriteValue(registry, place, {name, old->type, rest});
                            }});
  }
  return action;
}

ScriptAction PlanWriteIniValues(InstallContext& context) {
  ScriptAction action{"WriteIniValues", "Writing INI file values", {}, kTicksPerEntry};
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("IniFile")) return action;
  for (const Row& row : database.Select(
           "SELECT `FileName`, `DirProperty`, `Section`, `Key`, `Value`, `Action`, `Component_` FROM `IniFile`")) {
    const std::string component = row.Text(6);
    const ComponentState* state = Component(context, component);
    if (!state || !state->Installs()) continue;
    std::string folder = row.IsNull(1) ? context.session.properties.Get("WindowsFolder")
                                       : context.session.properties.Get(row.Text(1));
    if (folder.empty()) continue;
    std::string path = IncludeTrailingBackslash(folder) + LongName(row.Text(0));
    std::string section = context.Format(row.Text(2)), key = context.Format(row.Text(3)),
                value = context.Format(row.Text(4));
    bool create_only = row.Integer(5, 0) == 1;
    action.steps.push_back({0, [&context, component, path, section, key, value, create_only](StepProgress& progress) {
                              progress.Advance("File: " + path + ", Section: " + section + ", Key: " + key, 0);
                              std::string old = ReadWholeFile(context.host().files, path).value_or("");
                              std::string updated = IniSet(old, section, key, value, create_only);
                              if (updated == old) return;
                              CreateFolderRecorded(context, ExtractFilePath(path));
                              ReplaceContent(context, path, updated);
                              context.added.push_back({"IniLine", component, path, section, key, value});
                            }});
  }
  return action;
}

ScriptAction PlanRemoveIniValues(InstallContext& context) {
  ScriptAction action{"RemoveIniValues", "Removing INI files entries", {}, kTicksPerEntry};
  for (const InstalledItem& item : context.ItemsToRemove("IniLine")) {
    context.removed.insert(item);
    if (item.size() < 6 || context.Shared(item[1])) continue;
    std::string path = item[2], section = item[3], key = item[4], value = item[5];
    action.steps.push_back({0, [&context, path, section, key, value](StepProgress& progress) {
                              progress.Advance("File: " + path + ", Section: " + section + ", Key: " + key, 0);
                              auto old = ReadWholeFile(context.host().files, path);
                              if (!old) return;
                              std::string updated = IniRemove(*old, section, key, value);
                              if (updated == *old) return;
                              if (Trim(updated).empty())
                                RemoveFileRecorded(context, path);
                              else
                                ReplaceContent(context, path, updated);
                            }});
  }
  return action;
}

}  // namespace quillset::platform::posix::installer
