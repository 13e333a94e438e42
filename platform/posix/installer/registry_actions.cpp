#include "platform/posix/installer/registry_actions.h"

#include <algorithm>

namespace quillset::platform::posix::installer {

namespace {

constexpr int kComponent64Bit = 0x100;

std::string Dword(uint32_t number) {
  std::string bytes;
  for (int i = 0; i < 4; ++i) bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
  return bytes;
}

std::vector<std::string> SplitList(const std::string& text) {
  std::vector<std::string> parts;
  size_t start = 0;
  while (true) {
    size_t at = text.find("[~]", start);
    parts.push_back(text.substr(start, at == std::string::npos ? std::string::npos : at - start));
    if (at == std::string::npos) return parts;
    start = at + 3;
  }
}

std::vector<std::string> MultiStrings(const std::string& data) {
  std::vector<std::string> strings;
  std::string current;
  for (char c : data) {
    if (c == '\0') {
      if (!current.empty()) strings.push_back(current);
      current.clear();
    } else {
      current += c;
    }
  }
  if (!current.empty()) strings.push_back(current);
  return strings;
}

std::optional<RegistryPlace> PlaceOf(const InstallContext& context, int root, const std::string& key,
                                     const std::string& component) {
  bool machine = PerMachine(context.session);
  RegistryPlace place{RootKey::kLocalMachine, ComponentView(context, component), key};
  switch (root) {
    case -1: place.root = machine ? RootKey::kLocalMachine : RootKey::kCurrentUser; break;
    case 0:
      place.root = machine ? RootKey::kLocalMachine : RootKey::kCurrentUser;
      place.key = "Software\\Classes\\" + key;
      break;
    case 1: place.root = RootKey::kCurrentUser; break;
    case 2: place.root = RootKey::kLocalMachine; break;
    case 3: place.root = RootKey::kUsers; break;
    default: return std::nullopt;
  }
  return place;
}

}  // namespace

uint32_t ComponentView(const InstallContext& context, const std::string& component) {
  const std::string& platform = context.session.template_platform;
  bool package64 = platform == "x64" || platform == "Intel64" || platform == "Arm64";
  auto found = context.selection.components.find(component);
  bool component64 = found != context.selection.components.end() && (found->second.attributes & kComponent64Bit);
  return package64 && component64 ? kKeyWow64_64Key : kKeyWow64_32Key;
}

RegistryValue RegistryData(const std::string& name, const std::string& value,
                           const std::function<std::string(const std::string&)>& format,
                           const std::optional<RegistryValue>& existing) {
  RegistryValue data{name, kRegSz, ""};
  if (value.rfind("#x", 0) == 0 || value.rfind("#X", 0) == 0) {
    std::string hex = format(value.substr(2));
    if (hex.size() % 2) hex.insert(hex.begin(), '0');
    data.type = kRegBinary;
    for (size_t i = 0; i < hex.size(); i += 2)
      data.data += static_cast<char>(std::strtoul(hex.substr(i, 2).c_str(), nullptr, 16));
    return data;
  }
  if (value.rfind("#%", 0) == 0) {
    data.type = kRegExpandSz;
    data.data = format(value.substr(2));
    return data;
  }
  if (value.rfind("##", 0) == 0) {
    data.data = format(value.substr(1));
    return data;
  }
  if (value.rfind("#", 0) == 0) {
    std::string number = format(value.substr(1));
    data.type = kRegDword;
    data.data = Dword(static_cast<uint32_t>(std::strtol(number.c_str(), nullptr, 10)));
    return data;
  }
  if (value.find("[~]") != std::string::npos) {
    auto parts = SplitList(value);
    bool appends = parts.front().empty() && parts.size() > 1 && !parts.back().empty();
    bool prepends = parts.back().empty() && parts.size() > 1 && !parts.front().empty();
    std::vector<std::string> strings;
    for (const auto& part : parts)
      if (!part.empty()) strings.push_back(format(part));
    if (existing && existing->type == kRegMultiSz && (appends || prepends)) {
      auto old = MultiStrings(existing->data);
      strings.insert(appends ? strings.begin() : strings.end(), old.begin(), old.end());
    }
    data.type = kRegMultiSz;
    for (const auto& each : strings) data.data += each + std::string(1, '\0');
    data.data += '\0';
    return data;
  }
  data.data = format(value);
  return data;
}

void WriteValueRecorded(InstallContext& context, const std::string& component, const RegistryPlace& place,
                        const RegistryValue& value) {
  Registry& registry = context.host().registry;
  for (const std::string& key : MissingKeys(registry, place)) {
    context.undo().Record(UndoDeleteKey(place.root, place.view, key));
    context.added.push_back({"RegistryKey", component, std::to_string(static_cast<int>(place.root)),
                             std::to_string(place.view), key});
  }
  context.undo().Record(UndoRegistryValue(place.root, place.view, place.key, value.name, ReadValue(registry, place, value.name)));
  if (WriteValue(registry, place, value) != kRegOk)
    throw InstallFailure("Could not write value " + value.name + " to key " + place.key +
                         ". Verify that you have sufficient access to that key, or contact your support personnel.");
  context.added.push_back({"RegistryValue", component, std::to_string(static_cast<int>(place.root)),
                           std::to_string(place.view), place.key, value.name});
}

ScriptAction PlanWriteRegistryValues(InstallContext& context) {
  ScriptAction action{"WriteRegistryValues", "Writing system registry values", {}, kTicksPerEntry};
  PackageDatabase& database = *context.session.database;
  if (!database.HasTable("Registry")) return action;
  std::string mode = ReinstallMode(context.session.properties);
  for (const Row& row : database.Select("SELECT `Root`, `Key`, `Name`, `Value`, `Component_` FROM `Registry`")) {
    std::string component = row.Text(4);
    auto found = context.selection.components.find(component);
    if (found == context.selection.components.end() || !found->second.Installs()) continue;
    auto place = PlaceOf(context, row.Integer(0, 2), context.Format(row.Text(1)), component);
    if (!place) throw InstallFailure("The registry entry " + row.Text(1) + " has an unknown root.");
    if (found->second.reinstall) {
      char letter = place->root == RootKey::kCurrentUser ? 'u' : 'm';
      if (mode.find(letter) == std::string::npos) continue;
    }
    std::string raw_name = row.Text(2);
    bool key_only = row.IsNull(3) && (raw_name.empty() || raw_name == "+" || raw_name == "-" || raw_name == "*");
    std::string name = context.Format(raw_name);
    std::string value = row.Text(3);
    action.steps.push_back({0, [&context, component, place = *place, key_only, name, value](StepProgress& progress) {
                              progress.Advance("Key: " + place.key + ", Name: " + (key_only ? "" : name), 0);
                              Registry& registry = context.host().registry;
                              if (key_only) {
                                for (const std::string& key : MissingKeys(registry, place)) {
                                  context.undo().Record(UndoDeleteKey(place.root, place.view, key));
                                  context.added.push_back({"RegistryKey", component,
                                                           std::to_string(static_cast<int>(place.root)),
                                                           std::to_string(place.view), key});
                                }
                                if (CreateKey(registry, place) != kRegOk)
                                  throw InstallFailure("Could not create key " + place.key + ".");
                                return;
                              }
                              auto existing = ReadValue(registry, place, name);
                              WriteValueRecorded(context, component, place,
                                                 RegistryData(name, value, [&context](const std::string& text) {
                                                   return context.Format(text);
                                                 }, existing));
                            }});
  }
  return action;
}

ScriptAction PlanRemoveRegistryValues(InstallContext& context) {
  ScriptAction action{"RemoveRegistryValues", "Removing system registry values", {}, kTicksPerEntry};
  for (const InstalledItem& item : context.ItemsToRemove("RegistryValue")) {
    context.removed.insert(item);
    if (item.size() < 6 || context.Shared(item[1])) continue;
    RegistryPlace place{static_cast<RootKey>(std::atoi(item[2].c_str())),
                        static_cast<uint32_t>(std::strtoul(item[3].c_str(), nullptr, 10)), item[4]};
    std::string name = item[5];
    action.steps.push_back({0, [&context, place, name](StepProgress& progress) {
                              progress.Advance("Key: " + place.key + ", Name: " + name, 0);
                              Registry& registry = context.host().registry;
                              auto old = ReadValue(registry, place, name);
                              if (!old) return;
                              context.undo().Record(UndoRegistryValue(place.root, place.view, place.key, name, old));
                              DeleteValue(registry, place, name);
                            }});
  }
  auto keys = context.ItemsToRemove("RegistryKey");
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.back().size() > b.back().size(); });
  for (const InstalledItem& item : keys) {
    context.removed.insert(item);
    if (item.size() < 5 || context.Shared(item[1])) continue;
    RegistryPlace place{static_cast<RootKey>(std::atoi(item[2].c_str())),
                        static_cast<uint32_t>(std::strtoul(item[3].c_str(), nullptr, 10)), item[4]};
    action.steps.push_back({0, [&context, place](StepProgress&) {
                              context.undo().Record(UndoCreateKey(place.root, place.view, place.key));
                              DeleteKeyIfEmpty(context.host().registry, place);
                            }});
  }
  return action;
}

}  // namespace quillset::platform::posix::installer
