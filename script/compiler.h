// The check that runs over a loaded script before any statement: block structure, labels,
// the parameters that name variables, and the expression syntax. It declares the names that
// statements will create (with empty values) so that later statements may refer to them, and
// builds the label list and the per-statement deferral list ("SKIP", or "FALSE" for the
// statements whose actions the installer carries out).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "script/loaded_script.h"
#include "vars/variable_store.h"

namespace quillset::script {

inline constexpr int32_t kCompiledSuccessfully = -1;
// The block ends do not balance and no single statement is to blame.
inline constexpr int32_t kBlockImbalance = 2147483644;

// The check's messages, by their resource numbers.
enum CompileMessage : int {
  kMsgCompiledSuccessfully = 65112,
  kMsgLabelNested = 65113,
  kMsgInsufficientEnds = 65114,
  kMsgTooManyEnds = 65115,
  kMsgLabelRedefined = 65116,
  kMsgWebMediaName = 65117,
  kMsgWebMediaUrl = 65118,
  kMsgVariableRequired = 65119,
  kMsgDeleteMode = 65088,
  kMsgTargetFolder = 65089,
  kMsgVariableNotDefined = 65090,
  kMsgExpressionSyntax = 65091,
  kMsgLabelUndefined = 65092,
  kMsgDialogName = 65093,
  kMsgWizardLoopContent = 65094,
};
std::string CompileMessageText(int id);

struct CompileResult {
  int32_t result = kCompiledSuccessfully;  // the failing statement's number, or the codes above
  std::string message;
};

struct CompileTables {
  std::vector<std::string> labels;    // upper-cased label names
  std::vector<std::string> deferral;  // one entry per statement
};

// Clears the store and declares names in it; fills the tables. The first failing check ends
// the compilation.
CompileResult Compile(const LoadedScript& script, vars::VariableStore& store, CompileTables& tables);

// Whether a command's actions are carried out on the installer side.
bool IsInstallerSideCommand(const std::string& command);

}  // namespace quillset::script
