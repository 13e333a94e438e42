#include "tools/reg/reg_command.h"

#include <cctype>
#include <cstdio>
#include <fstream>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

#include "platform/posix/paths/windows_path.h"
#include "tools/reg/reg_file.h"

namespace quillset::reg {

namespace {

using platform::RegistryKey;
using platform::RegistryValue;
using platform::RootKey;
using platform::posix::FoldCase;

const char* const kSuccess = "The operation completed successfully.";
const char* const kNotFound = "ERROR: The system was unable to find the specified registry key or value.";

class Failure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

struct KeyName {
  RootKey root;
  std::string root_name;  // the long form, "HKEY_LOCAL_MACHINE"
  std::string subkey;
  std::string Full() const { return subkey.empty() ? root_name : root_name + "\\" + subkey; }
};

KeyName ParseKeyName(const std::string& text) {
  static const struct {
    const char* short_name;
    const char* long_name;
    RootKey root;
  } kRoots[] = {
      {"HKLM", "HKEY_LOCAL_MACHINE", RootKey::kLocalMachine}, {"HKCU", "HKEY_CURRENT_USER", RootKey::kCurrentUser},
      {"HKCR", "HKEY_CLASSES_ROOT", RootKey::kClassesRoot},   {"HKU", "HKEY_USERS", RootKey::kUsers},
      {"HKCC", "HKEY_CURRENT_CONFIG", RootKey::kCurrentConfig},
  };
  size_t slash = text.find('\\');
  std::string root = FoldCase(text.substr(0, slash));
  std::string subkey = slash == std::string::npos ? "" : text.substr(slash + 1);
  while (!subkey.empty() && subkey.back() == '\\') subkey.pop_back();
  for (const auto& entry : kRoots)
    if (root == entry.short_name || root == entry.long_name) return {entry.root, entry.long_name, subkey};
  throw Failure("ERROR: Invalid key name.");
}

std::string ResultText(int32_t result) {
  switch (result) {
    case platform::kRegFileNotFound:
      return kNotFound;
    case platform::kRegAccessDenied:
      return "ERROR: Access is denied.";
    default:
      return "ERROR: The registry answered error " + std::to_string(result) + ".";
  }
}

void Check(int32_t result) {
  if (result != platform::kRegOk) throw Failure(ResultText(result));
}

const std::map<std::string, uint32_t>& TypeNames() {
  static const std::map<std::string, uint32_t> kTypes = {
      {"REG_NONE", platform::kRegNone},       {"REG_SZ", platform::kRegSz},       {"REG_EXPAND_SZ", platform::kRegExpandSz},
      {"REG_BINARY", platform::kRegBinary},   {"REG_DWORD", platform::kRegDword}, {"REG_MULTI_SZ", platform::kRegMultiSz},
      {"REG_QWORD", platform::kRegQword},
  };
  return kTypes;
}

std::string TypeName(uint32_t type) {
  for (const auto& [name, value] : TypeNames())
    if (value == type) return name;
  return "REG_UNKNOWN(" + std::to_string(type) + ")";
}

uint64_t LittleEndian(const std::string& data) {
  uint64_t number = 0;
  for (size_t i = data.size(); i-- > 0;) number = (number << 8) | static_cast<unsigned char>(data[i]);
  return number;
}

std::string HexText(const std::string& data) {
  std::string text;
  char byte[3];
  for (unsigned char c : data) {
    std::snprintf(byte, sizeof byte, "%02X", c);
    text += byte;
  }
  return text;
}

// Value data the way the query lists them.
std::string DisplayData(const RegistryValue& value) {
  char number[24];
  switch (value.type) {
    case platform::kRegSz:
    case platform::kRegExpandSz:
      return value.data;
    case platform::kRegDword:
    case platform::kRegQword:
      if (value.data.size() == (value.type == platform::kRegDword ? 4u : 8u)) {
        std::snprintf(number, sizeof number, "0x%llx", static_cast<unsigned long long>(LittleEndian(value.data)));
        return number;
      }
      break;
    case platform::kRegMultiSz: {
      std::string text = value.data;
      while (!text.empty() && text.back() == '\0') text.pop_back();
      std::string shown;
      for (char c : text) shown += c == '\0' ? std::string("\\0") : std::string(1, c);
      return shown;
    }
  }
  return HexText(value.data);
}

// Data given on the command line, converted for its type.
std::string CommandLineData(uint32_t type, const std::string& data, char separator) {
  switch (type) {
    case platform::kRegDword:
    case platform::kRegQword: {
      bool hex = data.size() > 2 && data[0] == '0' && (data[1] == 'x' || data[1] == 'X');
      std::string digits = hex ? data.substr(2) : data;
      uint64_t number = 0, limit = type == platform::kRegDword ? 0xFFFFFFFFull : ~0ull;
      if (digits.empty()) throw Failure("ERROR: Invalid number: \"" + data + "\".");
      for (char c : digits) {
        int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                    : hex && std::isxdigit(static_cast<unsigned char>(c)) ? std::tolower(c) - 'a' + 10 : -1;
        uint64_t base = hex ? 16 : 10;
        if (digit < 0 || number > (limit - static_cast<uint64_t>(digit)) / base)
          throw Failure("ERROR: Invalid number: \"" + data + "\".");
        number = number * base + static_cast<uint64_t>(digit);
      }
      std::string bytes;
      for (int i = 0; i < (type == platform::kRegDword ? 4 : 8); ++i) bytes += static_cast<char>((number >> (8 * i)) & 0xFF);
      return bytes;
    }
    case platform::kRegBinary:
    case platform::kRegNone: {
      if (data.size() % 2) throw Failure("ERROR: Binary data needs an even number of hex digits.");
      std::string bytes;
      for (size_t i = 0; i < data.size(); i += 2) {
        if (!std::isxdigit(static_cast<unsigned char>(data[i])) || !std::isxdigit(static_cast<unsigned char>(data[i + 1])))
          throw Failure("ERROR: Invalid binary data: \"" + data + "\".");
        bytes += static_cast<char>(std::stoi(data.substr(i, 2), nullptr, 16));
      }
      return bytes;
    }
    case platform::kRegMultiSz: {
      // Strings are separated by "\0" or by the given separator character.
      std::string bytes;
      for (size_t i = 0; i < data.size(); ++i) {
        if (separator ? data[i] == separator : (data[i] == '\\' && i + 1 < data.size() && data[i + 1] == '0')) {
          bytes += '\0';
          if (!separator) ++i;
        } else {
          bytes += data[i];
        }
      }
      return data.empty() ? std::string(1, '\0') : bytes + std::string(2, '\0');
    }
  }
  return data;
}

// The parsed switches of one command.
struct Switches {
  std::vector<std::string> positional;
  std::optional<std::string> value_name;  // /v NAME, or "" for /ve
  bool all_values = false;                // /va
  bool recurse = false;                   // /s (query)
  bool force = false;                     // /f, /y
  std::optional<std::string> type, data, separator;
  uint32_t view = platform::kKeyWow64_64Key;  // a 64-bit reg command's own view
};

Switches ParseSwitches(const std::vector<std::string>& arguments) {
  Switches switches;
  for (size_t i = 1; i < arguments.size(); ++i) {
    std::string argument = arguments[i];
    std::string folded = FoldCase(argument);
    auto next = [&]() -> std::string {
      if (i + 1 >= arguments.size()) throw Failure("ERROR: Invalid syntax: " + argument + " needs a value.");
      return arguments[++i];
    };
    if (folded == "/V") {
      switches.value_name = next();
    } else if (folded == "/VE") {
      switches.value_name = "";
    } else if (folded == "/VA") {
      switches.all_values = true;
    } else if (folded == "/S") {
      if (FoldCase(arguments[0]) == "ADD") switches.separator = next();
      else switches.recurse = true;
    } else if (folded == "/F" || folded == "/Y") {
      switches.force = true;
    } else if (folded == "/T") {
      switches.type = FoldCase(next());
    } else if (folded == "/D") {
      switches.data = next();
    } else if (folded == "/REG:32") {
      switches.view = platform::kKeyWow64_32Key;
    } else if (folded == "/REG:64") {
      switches.view = platform::kKeyWow64_64Key;
    } else {
      switches.positional.push_back(argument);  // a key or a host file path such as /tmp/x.reg
    }
  }
  return switches;
}

class Command {
 public:
  Command(platform::Registry& registry, Console& console, Switches switches)
      : registry_(registry), console_(console), switches_(std::move(switches)) {}

  int Query() {
    KeyName key = OnePositionalKey();
    auto handle = Open(key, platform::kKeyRead);
    if (switches_.value_name) {
      RegistryValue value;
      Check(handle->QueryValue(*switches_.value_name, &value));
      console_.out << "\n" << key.Full() << "\n";
      PrintValue(value);
      console_.out << "\n";
      return 0;
    }
    PrintKey(key.Full(), *handle, key);
    return 0;
  }

  int Add() {
    KeyName key = OnePositionalKey();
    std::unique_ptr<RegistryKey> handle;
    Check(registry_.CreateKey(key.root, key.subkey, platform::kKeyAllAccess | switches_.view, &handle));
    if (switches_.value_name) {
      uint32_t type = platform::kRegSz;
      if (switches_.type) {
        auto found = TypeNames().find(*switches_.type);
        if (found == TypeNames().end()) throw Failure("ERROR: Invalid type: " + *switches_.type + ".");
        type = found->second;
      }
      if (switches_.separator && switches_.separator->size() != 1)
        throw Failure("ERROR: The separator must be one character.");
      RegistryValue value{*switches_.value_name, type,
                          CommandLineData(type, switches_.data.value_or(""), switches_.separator ? (*switches_.separator)[0] : 0)};
      RegistryValue existing;
      if (handle->QueryValue(value.name, &existing) == platform::kRegOk &&
          !Confirm("Value " + ShownName(value.name) + " exists, overwrite(Yes/No)? "))
        return Cancelled();
      Check(handle->SetValue(value));
    }
    console_.out << kSuccess << "\n";
    return 0;
  }

  int Delete() {
    KeyName key = OnePositionalKey();
    if (!switches_.value_name && !switches_.all_values) {
      if (!Confirm("Permanently delete the registry key " + key.Full() + " (Yes/No)? ")) return Cancelled();
      Check(registry_.DeleteTree(key.root, key.subkey, switches_.view));
    } else {
      auto handle = Open(key, platform::kKeyAllAccess);
      std::vector<std::string> names;
      if (switches_.all_values) {
        std::vector<RegistryValue> values;
        Check(handle->EnumValues(&values));
        for (const auto& value : values) names.push_back(value.name);
      } else {
        names.push_back(*switches_.value_name);
      }
      std::string what = switches_.all_values ? "all values under the registry key " + key.Full()
                                              : "the registry value " + ShownName(names[0]);
      if (!Confirm("Delete " + what + " (Yes/No)? ")) return Cancelled();
      for (const auto& name : names) Check(handle->DeleteValue(name));
    }
    console_.out << kSuccess << "\n";
    return 0;
  }

  int Export() {
    if (switches_.positional.size() != 2) throw Failure("ERROR: Invalid syntax: export KEY FILE [/y].");
    KeyName key = ParseKeyName(switches_.positional[0]);
    const std::string& file = switches_.positional[1];
    auto handle = Open(key, platform::kKeyRead);
    std::vector<RegFileKey> keys;
    Collect(key.Full(), key, *handle, keys);
    if (std::ifstream(file) && !Confirm("File " + file + " already exists. Overwrite (Yes/No)? ")) return Cancelled();
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << WriteRegFile(keys);
    if (!out.flush()) throw Failure("ERROR: Cannot write " + file + ".");
    console_.out << kSuccess << "\n";
    return 0;
  }

  int Import() {
    if (switches_.positional.size() != 1) throw Failure("ERROR: Invalid syntax: import FILE.");
    const std::string& file = switches_.positional[0];
    std::ifstream in(file, std::ios::binary);
    if (!in) throw Failure("ERROR: Cannot open " + file + ".");
    std::ostringstream bytes;
    bytes << in.rdbuf();
    std::vector<RegFileKey> keys;
    try {
      keys = ParseRegFile(bytes.str());
    } catch (const RegFileError& error) {
      throw Failure("ERROR: " + file + ": " + error.what());
    }
    // Every key name is checked before anything changes.
    std::vector<KeyName> names;
    for (const auto& key : keys) names.push_back(ParseKeyName(key.name));
    for (size_t i = 0; i < keys.size(); ++i) {
      if (keys[i].remove) {
        int32_t result = registry_.DeleteTree(names[i].root, names[i].subkey, switches_.view);
        if (result != platform::kRegFileNotFound) Check(result);
        continue;
      }
      std::unique_ptr<RegistryKey> handle;
      Check(registry_.CreateKey(names[i].root, names[i].subkey, platform::kKeyAllAccess | switches_.view, &handle));
      for (const auto& value : keys[i].values) {
        int32_t result = value.remove ? handle->DeleteValue(value.value.name) : handle->SetValue(value.value);
        if (!(value.remove && result == platform::kRegFileNotFound)) Check(result);
      }
    }
    console_.out << kSuccess << "\n";
    return 0;
  }

 private:
  KeyName OnePositionalKey() {
    if (switches_.positional.size() != 1) throw Failure("ERROR: Invalid syntax: expected one key name.");
    return ParseKeyName(switches_.positional[0]);
  }

  std::unique_ptr<RegistryKey> Open(const KeyName& key, uint32_t access) {
    std::unique_ptr<RegistryKey> handle;
    Check(registry_.OpenKey(key.root, key.subkey, access | switches_.view, &handle));
    return handle;
  }

  std::unique_ptr<RegistryKey> OpenChild(const KeyName& parent, const std::string& name, KeyName* child) {
    *child = {parent.root, parent.root_name, parent.subkey.empty() ? name : parent.subkey + "\\" + name};
    return Open(*child, platform::kKeyRead);
  }

  static std::string ShownName(const std::string& name) { return name.empty() ? "(Default)" : name; }

  void PrintValue(const RegistryValue& value) {
    console_.out << "    " << ShownName(value.name) << "    " << TypeName(value.type) << "    " << DisplayData(value) << "\n";
  }

  void PrintKey(const std::string& full, RegistryKey& handle, const KeyName& key) {
    std::vector<RegistryValue> values;
    std::vector<std::string> subkeys;
    Check(handle.EnumValues(&values));
    Check(handle.EnumSubKeys(&subkeys));
    console_.out << "\n" << full << "\n";
    for (const auto& value : values) PrintValue(value);
    if (!switches_.recurse) {
      if (!subkeys.empty()) console_.out << "\n";
      for (const auto& name : subkeys) console_.out << full << "\\" << name << "\n";
      return;
    }
    for (const auto& name : subkeys) {
      KeyName child_name;
      auto child = OpenChild(key, name, &child_name);
      PrintKey(full + "\\" + name, *child, child_name);
    }
  }

  void Collect(const std::string& full, const KeyName& key, RegistryKey& handle, std::vector<RegFileKey>& keys) {
    RegFileKey entry{full, false, {}};
    std::vector<RegistryValue> values;
    std::vector<std::string> subkeys;
    Check(handle.EnumValues(&values));
    Check(handle.EnumSubKeys(&subkeys));
    for (auto& value : values) entry.values.push_back({false, std::move(value)});
    keys.push_back(std::move(entry));
    for (const auto& name : subkeys) {
      KeyName child_name;
      auto child = OpenChild(key, name, &child_name);
      Collect(full + "\\" + name, child_name, *child, keys);
    }
  }

  bool Confirm(const std::string& question) {
    if (switches_.force) return true;
    console_.out << question << std::flush;
    std::string answer;
    std::getline(console_.in, answer);
    answer = FoldCase(answer);
    return answer == "Y" || answer == "YES";
  }

  int Cancelled() {
    console_.out << "The operation was cancelled by the user.\n";
    return 1;
  }

  platform::Registry& registry_;
  Console& console_;
  Switches switches_;
};

const char* const kUsage =
    "Usage:\n"
    "  quillset-reg query KEY [/v NAME | /ve] [/s] [/reg:32 | /reg:64]\n"
    "  quillset-reg add KEY [/v NAME | /ve] [/t TYPE] [/s SEPARATOR] [/d DATA] [/f] [/reg:32 | /reg:64]\n"
    "  quillset-reg delete KEY [/v NAME | /ve | /va] [/f] [/reg:32 | /reg:64]\n"
    "  quillset-reg export KEY FILE [/y] [/reg:32 | /reg:64]\n"
    "  quillset-reg import FILE [/reg:32 | /reg:64]\n"
    "KEY is ROOT\\SUBKEY with ROOT one of HKLM, HKCU, HKCR, HKU, HKCC or their long names.\n"
    "Without /reg:32 the 64-bit view is used, as by a 64-bit reg command.\n"
    "QUILLSET_PREFIX names the hermetic machine whose registry is used.\n";

}  // namespace

int RunReg(const std::vector<std::string>& arguments, platform::Registry& registry, Console& console) {
  if (arguments.empty() || arguments[0] == "/?" || arguments[0] == "-h" || arguments[0] == "--help") {
    (arguments.empty() ? console.err : console.out) << kUsage;
    return arguments.empty() ? 1 : 0;
  }
  try {
    Command command(registry, console, ParseSwitches(arguments));
    std::string verb = FoldCase(arguments[0]);
    if (verb == "QUERY") return command.Query();
    if (verb == "ADD") return command.Add();
    if (verb == "DELETE") return command.Delete();
    if (verb == "EXPORT") return command.Export();
    if (verb == "IMPORT") return command.Import();
    throw Failure("ERROR: Invalid syntax: unknown operation " + arguments[0] + ".");
  } catch (const Failure& failure) {
    console.err << failure.what() << "\n";
    return 1;
  } catch (const std::exception& error) {
    console.err << "ERROR: " << error.what() << "\n";
    return 1;
  }
}

}  // namespace quillset::reg
