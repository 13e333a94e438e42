#include "script/compiler.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "vars/expression.h"
#include "vars/text_case.h"

namespace quillset::script {
namespace {

constexpr const char* kCompilation = "Compilation";
constexpr const char* kPersistMarker = "$KVOR$KVOR$";

// Names the engine defines at run time, declared so that scripts may test them.
const char* const kDeclaredNames[] = {
    "KVOR_COMPRESSCACHE", "KVOR_DISABLEROLLBACK", "KVOR_DISABLEVISTARESTARTMANAGER", "IISHOST", "OVERRIDECACHE",
    "KVORLOGO", "TIME", "DATE", "NEWINSTANCE", "SELECTED", "WINDOWHANDLE", "EXEDIR", "EXEFILE", "UNINSTALLLINK",
    "ENGINECACHE", "COPYWEBLOCK", "ABORT", "SILENT", "LOGGED", "CMDLINE", "REBOOTNOW", "SFXPATH", "SFXFILE",
    "LASTERROR", "PROGRESSMODE", "PROGRESSTEXT", "PROGRESS", "LICENSE", "USERNAME", "USERCOMPANY",
    "REBOOTCOMPUTER", "RUNAPP", "WIZARD", "VERSION", "TARGETDIR", "STARTMENU", "ADVERTISE", "ALLUSERS",
    "COMPLETE", "MINIMUM", "PERSONALIZED", "MODIFY", "REPAIR", "REMOVE", "DATADIR", "PRODUCTCODE",
    "REVISIONCODE", "ROOTDIR", "MAINTENANCE", "NEWLINE", "NEEDSUPGRADE", "TITLE", "COMPANY", "TEMPDIR",
    "SUPPORTDIR", "MSIFILE", "LANGUAGE",
};

// Commands that create the variable named by one or two of their parameters.
const std::unordered_map<std::string, std::vector<size_t>>& DeclaringCommands() {
  static const std::unordered_map<std::string, std::vector<size_t>> table = [] {
    std::unordered_map<std::string, std::vector<size_t>> t;
    for (const char* c : {"Get Folder Location", "Get INI File Settings", "Check File Version", "Get System Settings",
                          "Get OS or SP Level", "Read Registry", "Check Registry", "Does File/Folder Exist",
                          "Localization Variable", "Get Temporary File", "Get IIS Property", "Get IIS Site List",
                          "IIS Anonymous User", "Apply Patch"})
      t[c] = {1};
    for (const char* c : {"Run Light Mode Setup", "Get File Version", "Get Environment", "Get IIS Site Index",
                          "Check Process", "Apply Changes", "Get Component State", "Get Component Space"})
      t[c] = {2};
    t["Mathematics"] = {4};
    t["Extract 7Zip Archive"] = {3};
    t["Read from Text File"] = {2, 3};
    t["Parse String"] = {3, 4};
    t["Run Program"] = {4};
    t["Run Program As"] = {8};
    t["MessageBox"] = {5};
    t["Check Service"] = {3};
    t["Register Library"] = {3};
    return t;
  }();
  return table;
}

const std::unordered_set<std::string>& InstallerSideCommands() {
  static const std::unordered_set<std::string> commands = {
      "Delete Files", "Install Files", "Copy/Move Local Files", "Create Folder", "Create Shortcut",
      "Advertised Shortcut", "Edit INI File", "Install Assembly", "Set Environment", "Install Service",
      "Install ODBC Driver", "Create ODBC DSN", "Control Service", "Write Registry", "Create File Type",
      "Advertised File Type"};
  return commands;
}


// The part after the last backslash or colon holds none of / * ? " < > |.
bool IsLegalFileName(const std::string& text) {
  size_t start = text.find_last_of("\\:");
  std::string name = start == std::string::npos ? text : text.substr(start + 1);
  return name.find_first_of("/*?\"<>|") == std::string::npos;
}

struct Failure {
  int32_t statement;
  std::string message;
};

class Compiler {
 public:
  Compiler(const LoadedScript& script, vars::VariableStore& store, CompileTables& tables)
      : script_(script), store_(store), tables_(tables) {}

  CompileResult Run() {
    tables_.labels.clear();
    tables_.deferral.clear();
    store_.manager().Clear();
    for (const char* name : kDeclaredNames)
      store_.SetVariable(name, "", std::string_view(name) == "PROGRESSMODE" ? "Initialization" : kCompilation);
    try {
      CheckBlocks();
      CollectLabels();
      DeclarePersistedVariables();
      CheckStatements();
      CheckWizardLoops();
    } catch (const Failure& failure) {
      return {failure.statement, failure.message};
    }
    return {kCompiledSuccessfully, CompileMessageText(kMsgCompiledSuccessfully)};
  }

 private:
  size_t count() const { return script_.statement_count(); }
  const std::string& command(size_t n) const { return script_.commands[n]; }
  bool disabled(size_t n) const { return n < script_.disabled_flags.size() && script_.disabled_flags[n] == "C"; }
  std::string parameter(size_t n, size_t k) const { return script_.StatementParameter(n, k); }

  [[noreturn]] void Fail(size_t n, int message, const std::string& suffix = "") {
    throw Failure{static_cast<int32_t>(n), CompileMessageText(message) + suffix};
  }

  void Declare(const std::string& name) {
    if (!name.empty()) store_.SetVariable(vars::UpperCase(name), "", kCompilation);
  }

  // A $NAME$ reference is defined when NAME is a variable; a plain text when it is one itself,
  // or always when only references are checked.
  bool IsDefined(const std::string& text, bool references_only) const {
    std::string name = vars::StripReference(text);
    if (!name.empty()) return store_.Exists(name);
    return references_only || store_.Exists(text);
  }

  void CheckBlocks() {
    int64_t openers = 0, ends = 0, depth = 0;
    for (size_t n = 0; n < count(); ++n) {
      if (disabled(n)) continue;
      const std::string& c = command(n);
      if (c == "If" || c == "Wizard Loop") {
        ++openers;
        ++depth;
      } else if (c == "End") {
        ++ends;
        --depth;
      } else if (c == "Label" && depth != 0) {
        Fail(n, kMsgLabelNested);
      }
    }
    if (openers != ends) {
      throw Failure{kBlockImbalance, CompileMessageText(openers > ends ? kMsgInsufficientEnds : kMsgTooManyEnds)};
    }
  }

  void CollectLabels() {
    std::unordered_set<std::string> seen;
    for (size_t n = 0; n < count(); ++n) {
      if (command(n) != "Label") continue;
      std::string name = parameter(n, 1);
      std::string key = vars::UpperCase(name);
      if (!seen.insert(key).second) Fail(n, kMsgLabelRedefined, name);
      tables_.labels.push_back(key);
    }
  }

  void DeclarePersistedVariables() {
    for (size_t n = 0; n < count(); ++n) {
      if (command(n) != "Set Variable") continue;
      std::string text = parameter(n, 1);
      size_t marker = text.find(kPersistMarker);
      if (marker == std::string::npos) continue;
      if (text.substr(marker + std::string_view(kPersistMarker).size()) != "TRUE") continue;
      std::string name = text.substr(0, marker);
      if (!store_.Exists(name)) Declare(name);
    }
  }

  void CheckStatements() {
    const auto& declaring = DeclaringCommands();
    std::unordered_set<std::string> labels(tables_.labels.begin(), tables_.labels.end());
    for (size_t n = 0; n < count(); ++n) {
      tables_.deferral.push_back("SKIP");
      if (disabled(n)) continue;
      const std::string& c = command(n);
      if (IsInstallerSideCommand(c)) {
        if (c == "Delete Files" && !vars::IsTrue(parameter(n, 3)) && !vars::IsTrue(parameter(n, 4)))
          Fail(n, kMsgDeleteMode);
        if (c == "Install Files" && parameter(n, 3).empty()) Fail(n, kMsgTargetFolder);
        tables_.deferral.back() = "FALSE";
      } else if (auto it = declaring.find(c); it != declaring.end()) {
        for (size_t k : it->second) Declare(parameter(n, k));
      } else if (c == "Is MSI Setup Installed") {
        if (parameter(n, 2).empty()) Fail(n, kMsgVariableRequired);
        Declare(parameter(n, 2));
      } else if (c == "Set Variable") {
        std::string name = parameter(n, 1);
        Declare(name.substr(0, name.find(kPersistMarker)));
      } else if (c == "Web Media Block") {
        std::string name = parameter(n, 1);
        int failure = 0;
        if (!IsLegalFileName(name)) failure = kMsgWebMediaName;
        if (!name.empty() && parameter(n, 2).empty()) failure = kMsgWebMediaUrl;
        if (failure) Fail(n, failure);
      } else if (c == "Convert Path" || c == "Convert Case" || c == "Extract Path" || c == "Replace String") {
        std::string name = parameter(n, 1);
        if (!store_.Exists(name)) Fail(n, kMsgVariableNotDefined, name);
      } else if (c == "Evaluate Expression") {
        Declare(parameter(n, 2));
        if (!vars::ValidateExpression(parameter(n, 1))) Fail(n, kMsgExpressionSyntax);
      } else if (c == "GoTo Label") {
        std::string name = parameter(n, 1);
        if (!labels.count(vars::UpperCase(name))) Fail(n, kMsgLabelUndefined, name);
      } else if (c == "Find All Files" || c == "Check Disk Space") {
        size_t k = c == "Find All Files" ? 4 : 1;
        if (parameter(n, k).empty()) Fail(n, kMsgVariableRequired);
        Declare(parameter(n, k));
      } else if (c == "If" || c == "Else If") {
        std::string variable = parameter(n, 1), value = parameter(n, 3);
        if (variable.empty()) Fail(n, kMsgVariableRequired);
        bool value_ok = vars::StripReference(value).empty() || IsDefined(value, true);
        if (!value_ok) Fail(n, kMsgVariableNotDefined, value);
        if (!IsDefined(variable, false)) Fail(n, kMsgVariableNotDefined, variable);
      } else if (c == "Display Dialog") {
        if (parameter(n, 1).empty()) Fail(n, kMsgDialogName);
        Declare(parameter(n, 2));
        std::string bound = parameter(n, 4);
        if (!bound.empty() && !IsDefined(bound, false)) Fail(n, kMsgVariableNotDefined, bound);
      }
    }
  }

  void CheckWizardLoops() {
    bool inside = false;
    for (size_t n = 0; n < count(); ++n) {
      const std::string& c = command(n);
      if (c == "Wizard Loop") {
        inside = true;
      } else if (c == "End") {
        inside = false;
      } else if (inside && !disabled(n) && c != "Display Dialog" && c != "Comment" && c != "Ignore") {
        Fail(n, kMsgWizardLoopContent);
      }
    }
  }

  const LoadedScript& script_;
  vars::VariableStore& store_;
  CompileTables& tables_;
};

}  // namespace

std::string CompileMessageText(int id) {
  switch (id) {
    case kMsgCompiledSuccessfully: return "Script compiled successfully";
    case kMsgLabelNested: return "LABEL statements cannot be nested inside loops/conditionals";
    case kMsgInsufficientEnds: return "Insufficient END statements";
    case kMsgTooManyEnds: return "Too many END statements";
    case kMsgLabelRedefined: return "LABEL re-defined: ";
    case kMsgWebMediaName: return "Web Media Block name must be a legal file name";
    case kMsgWebMediaUrl: return "Web Media Block must have at least one download URL";
    case kMsgVariableRequired: return "Variable required";
    case kMsgDeleteMode: return "At least one delete mode must be selected";
    case kMsgTargetFolder:
      return "A target folder must be specified for files that are being installed.\r"
             "The value $TARGETDIR$ represents the destination folder chosen by the user.";
    case kMsgVariableNotDefined: return "Variable not defined: ";
    case kMsgExpressionSyntax:
      return "Syntax error in expression. Please review the help topic \"Evaluate Expression\" for the correct syntax.";
    case kMsgLabelUndefined: return "LABEL undefined: ";
    case kMsgDialogName: return "Dialog name not specified";
    case kMsgWizardLoopContent: return "Statements other than DISPLAY DIALOG not allowed inside WIZARD LOOP";
    default: return std::string();
  }
}

bool IsInstallerSideCommand(const std::string& command) { return InstallerSideCommands().count(command) > 0; }

CompileResult Compile(const LoadedScript& script, vars::VariableStore& store, CompileTables& tables) {
  return Compiler(script, store, tables).Run();
}

}  // namespace quillset::script
