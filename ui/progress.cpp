#include "ui/progress.h"

#include "vars/integer_text.h"

namespace quillset::ui {
namespace {

int64_t ReadNumber(const vars::TVariableManager& variables, const char* name) {
  int64_t value = 0;
  vars::TryTextToInt64(variables.GetValue(name), value);
  return value;
}

}  // namespace

void Progress::DefineReservedVariables() {
  auto& variables = store_.manager();
  variables.SetValue(kProgressVariable, "0");
  variables.SetValue(kMaxVariable, "100");
  variables.SetValue(kMinVariable, "0");
  variables.SetValue(kProgressTextVariable, "");
  variables.SetValue(kFinishedVariable, "FALSE");
  variables.SetValue(kCancelledVariable, "FALSE");
}

void Progress::Report(const std::string& given_text, int64_t minimum, int64_t maximum, int64_t position) {
  auto& variables = store_.manager();
  std::string text = given_text;
  if (text == "$KVOR$") {
    text = variables.GetValue(kProgressTextVariable);
    position = ReadNumber(variables, kProgressVariable);
    maximum = ReadNumber(variables, kMaxVariable);
    minimum = ReadNumber(variables, kMinVariable);
  }
  if (position != -1) {
    variables.SetValue(kMaxVariable, std::to_string(maximum));
    variables.SetValue(kMinVariable, std::to_string(minimum));
    variables.SetValue(kProgressVariable, std::to_string(position));
  }
  if (text != "$IGNORE$") variables.SetValue(kProgressTextVariable, text);
}

bool Progress::ReportInstallerProgress(const std::string& text, int64_t minimum, int64_t maximum, int64_t position) {
  auto& variables = store_.manager();
  variables.SetValue(kProgressVariable, std::to_string(position));
  variables.SetValue(kMaxVariable, std::to_string(maximum));
  variables.SetValue(kMinVariable, std::to_string(minimum));
  variables.SetValue(kProgressTextVariable, text);
  return variables.GetValue(kCancelledVariable) == "FALSE";
}

}  // namespace quillset::ui
