#include "tools/msiexec/msiexec_command.h"

#include <cctype>
#include <ostream>

namespace quillset::msiexec {

namespace {

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

bool IsSwitch(const std::string& argument) { return argument.size() > 1 && (argument[0] == '/' || argument[0] == '-'); }

// A PROPERTY=VALUE argument as the installer's command line writes it.
std::string Quoted(const std::string& assignment) {
  size_t equals = assignment.find('=');
  std::string value = assignment.substr(equals + 1);
  if (!value.empty() && value.find_first_of(" \t\"") == std::string::npos) return assignment;
  std::string quoted = assignment.substr(0, equals + 1) + "\"";
  for (char c : value) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
  return quoted + "\"";
}

// The log mode of msiexec's letters.
bool LogMode(const std::string& letters, platform::DWORD& mode, platform::DWORD& attributes) {
  using namespace platform::msi;
  for (char letter : letters) {
    switch (std::tolower(static_cast<unsigned char>(letter))) {
      case 'm': mode |= FilterBit(kMessageFatalExit); break;
      case 'e': mode |= FilterBit(kMessageError); break;
      case 'w': mode |= FilterBit(kMessageWarning); break;
      case 'u': mode |= FilterBit(kMessageUser); break;
      case 'i': mode |= FilterBit(kMessageInfo); break;
      case 'o': mode |= FilterBit(kMessageOutOfDiskSpace); break;
      case 'a': mode |= FilterBit(kMessageActionStart); break;
      case 'r': mode |= FilterBit(kMessageActionData); break;
      case 'c': mode |= FilterBit(kMessageCommonData); break;
      case 'p': mode |= FilterBit(kMessageProgress); break;  // the property dump
      case 'v': mode |= FilterBit(kMessageInitialize); break;  // verbose
      case 'x': mode |= FilterBit(kMessageTerminate); break;   // extra debugging
      case '*': mode |= 0x0FFF & ~FilterBit(kMessageFilesInUse); break;
      case '+': attributes |= kLogAttributesAppend; break;
      case '!': attributes |= kLogAttributesFlushEachLine; break;
      default: return false;
    }
  }
  if (mode == 0) mode = 0x0FFF & ~FilterBit(kMessageFilesInUse);
  return true;
}

struct Printer {
  std::ostream* out;
  static int Handle(void* context, platform::UINT type, platform::LPCSTR text) {
    auto* printer = static_cast<Printer*>(context);
    platform::UINT kind = type & platform::msi::kMessageTypeMask;
    if (kind == platform::msi::kMessageActionStart) *printer->out << text << "\n";
    if (kind == platform::msi::kMessageError || kind == platform::msi::kMessageFatalExit ||
        kind == platform::msi::kMessageWarning)
      *printer->out << text << "\n";
    return platform::msi::kIdOk;
  }
};

}  // namespace

bool ParseOptions(const std::vector<std::string>& arguments, Options& options, std::string& error) {
  for (size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    if (!IsSwitch(argument)) {
      if (argument.find('=') == std::string::npos || argument.front() == '=') {
        error = "unexpected argument: " + argument;
        return false;
      }
      options.properties += (options.properties.empty() ? "" : " ") + Quoted(argument);
      continue;
    }
    std::string name = Lower(argument.substr(1));
    if (name == "i" || name == "package" || name == "x" || name == "uninstall") {
      if (i + 1 >= arguments.size()) {
        error = argument + " needs a package";
        return false;
      }
      options.operation = name == "i" || name == "package" ? Options::Operation::kInstall : Options::Operation::kRemove;
      options.target = arguments[++i];
    } else if (name[0] == 'q') {
      options.quiet = true;
    } else if (name[0] == 'l') {
      if (i + 1 >= arguments.size() || !LogMode(name.substr(1), options.log_mode, options.log_attributes)) {
        error = "bad log switch: " + argument;
        return false;
      }
      options.log = arguments[++i];
    } else {
      error = "unknown switch: " + argument;
      return false;
    }
  }
  if (options.operation == Options::Operation::kNone) {
    error = "nothing to do: give /i PACKAGE or /x PACKAGE";
    return false;
  }
  return true;
}

platform::UINT Run(const Options& options, platform::InstallerFunctions& msi,
                   const std::function<std::string(const std::string&)>& to_windows, std::ostream& out) {
  Printer printer{&out};
  msi.MsiSetInternalUI(platform::msi::kUiLevelNone, nullptr);
  if (!options.quiet) msi.MsiSetExternalUIA(Printer::Handle, 0x7FDF, &printer);
  if (!options.log.empty()) {
    platform::UINT logged = msi.MsiEnableLogA(options.log_mode, to_windows(options.log).c_str(), options.log_attributes);
    if (logged != platform::msi::kSuccess) return logged;
  }
  std::string package = options.target;
  bool product_code = package.size() == 38 && package.front() == '{';
  if (product_code) {
    char buffer[1024] = {};
    platform::DWORD size = sizeof buffer;
    platform::UINT found = msi.MsiGetProductInfoA(package.c_str(), "LocalPackage", buffer, &size);
    if (found != platform::msi::kSuccess) return found;
    package = buffer;
  } else {
    package = to_windows(package);
  }
  std::string command_line = options.properties;
  if (options.operation == Options::Operation::kRemove) command_line = "REMOVE=ALL " + command_line;
  return msi.MsiInstallProductA(package.c_str(), command_line.c_str());
}

}  // namespace quillset::msiexec
