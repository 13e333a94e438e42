#include "commands/string_commands.h"

#include <algorithm>

#include "commands/mathematics.h"
#include "commands/path_parts.h"
#include "vars/integer_text.h"
#include "vars/text_case.h"

namespace quillset::commands {
namespace {

constexpr std::string_view kPersistenceMarker = "$KVOR$KVOR$";
constexpr size_t kMaxPath = 260;  // the system's path buffer, terminator included

// Case mapping of ASCII letters only: other bytes may be parts of multi-byte characters.

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return text;
}

// A result-variable parameter names its variable bare or as $NAME$.
std::string VariableName(const std::string& parameter) {
  std::string name = vars::StripReference(parameter);
  return name.empty() ? parameter : name;
}

void CreateWhenMissing(Statement& statement, const std::string& name) {
  if (!name.empty() && !statement.services.variables.Exists(name))
    statement.services.variables.SetVariable(vars::UpperCase(name), "", statement.Context());
}

// Keeps the background-work flag raised while the statement publishes, also when it fails.
class BackgroundWork {
 public:
  explicit BackgroundWork(ui::Progress& progress) : progress_(progress) { progress_.RaiseBackgroundWork(); }
  ~BackgroundWork() { progress_.LowerBackgroundWork(); }
  BackgroundWork(const BackgroundWork&) = delete;
  BackgroundWork& operator=(const BackgroundWork&) = delete;

 private:
  ui::Progress& progress_;
};

void SetVariable(Statement& statement) {
  auto& variables = statement.services.variables;
  std::string value = statement.Translate(variables.Expand(statement.Parameter(2)), 1);

  std::string name = statement.Parameter(1);
  bool persist = false;
  if (size_t marker = name.find(kPersistenceMarker); marker != std::string::npos) {
    persist = name.substr(marker + kPersistenceMarker.size()) == "TRUE";
    name.resize(marker);
  }
  name = statement.ResultVariable(name);
  statement.Assign(name, value);

  auto& persisted = statement.services.persisted_variables;
  if (persist && std::none_of(persisted.begin(), persisted.end(),
                              [&](const std::string& kept) { return vars::UpperCase(kept) == vars::UpperCase(name); }))
    persisted.push_back(name);

  BackgroundWork background(statement.services.progress);
  if (vars::UpperCase(name) == "PROGRESS" || vars::UpperCase(name) == "PROGRESSTEXT") {
    int32_t position = vars::TextToInt(variables.GetVariable("PROGRESS"));
    statement.services.progress.Report(variables.GetVariable("PROGRESSTEXT"), 0, 100, position);
  }
}

// Matches are searched after the previous replacement, never inside it.
std::string ReplaceText(const std::string& source, const std::string& find, const std::string& replacement,
                        bool ignore_case, bool all) {
  if (source.empty() || find.empty() || find.size() > source.size()) return source;
  const std::string haystack = ignore_case ? vars::UpperCase(source) : source;
  const std::string needle = ignore_case ? vars::UpperCase(find) : find;
  std::string result;
  size_t from = 0;
  for (size_t match; (match = haystack.find(needle, from)) != std::string::npos;) {
    result.append(source, from, match - from).append(replacement);
    from = match + needle.size();
    if (!all) break;
  }
  return result.append(source, from);
}

void ReplaceString(Statement& statement) {
  auto& variables = statement.services.variables;
  std::string name = VariableName(statement.Parameter(1));
  std::string find = vars::EncodeNewlines(variables.Expand(statement.Parameter(2)));
  std::string replacement = vars::EncodeNewlines(variables.Expand(statement.Parameter(3)));
  std::string result = ReplaceText(variables.GetVariable(name), find, replacement, vars::IsTrue(statement.Parameter(4)),
                                   vars::IsTrue(statement.Parameter(5)));
  variables.SetVariable(vars::UpperCase(name), result, statement.Context());
}

// Characters first..last (1-based, inclusive) of the text; out-of-range ends are clipped.
std::string Characters(const std::string& text, int64_t first, int64_t last) {
  first = std::max<int64_t>(first, 1);
  last = std::min<int64_t>(last, static_cast<int64_t>(text.size()));
  if (first > last) return "";
  return text.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

std::string TrimControls(const std::string& text) {
  auto blank = [](char c) { return static_cast<unsigned char>(c) <= 32; };
  auto begin = std::find_if_not(text.begin(), text.end(), blank);
  auto end = std::find_if_not(text.rbegin(), text.rend(), blank).base();
  return begin < end ? std::string(begin, end) : "";
}

void ParseString(Statement& statement) {
  auto& variables = statement.services.variables;
  const std::string source = variables.ExpandPath(statement.Parameter(1));
  std::string separator = variables.ExpandPath(statement.Parameter(2));
  const std::string first_name = VariableName(statement.Parameter(3));
  const std::string second_name = VariableName(statement.Parameter(4));
  CreateWhenMissing(statement, first_name);
  CreateWhenMissing(statement, second_name);
  std::string searched = source;
  if (vars::IsTrue(statement.Parameter(7))) {
    searched = Lower(searched);
    separator = Lower(separator);
  }

  // The split: part one is characters 1 to p - cut, part two starts at p + skip; p = 0 is none.
  const auto length = static_cast<int64_t>(source.size());
  int64_t p = 0, skip = 1, cut = 1;
  int32_t count = 0;
  switch (vars::TextToInt(statement.Parameter(5))) {
    case 0: {
      size_t found = separator.empty() ? std::string::npos : searched.find(separator);
      p = found == std::string::npos ? length + 1 : static_cast<int64_t>(found) + 1;
      skip = static_cast<int64_t>(separator.size());
      break;
    }
    case 1: {
      size_t found = separator.empty() ? std::string::npos : searched.rfind(separator);
      p = found == std::string::npos ? 1 : static_cast<int64_t>(found) + 1;
      skip = found == std::string::npos ? 0 : static_cast<int64_t>(separator.size());
      break;
    }
    case 2:
      cut = 0;
      if (vars::TryTextToInt(separator, count)) {
        p = count;
        if (count == 0) p = 1, cut = 1, skip = -1;
      }
      break;
    case 3:
      cut = 0;
      if (vars::TryTextToInt(separator, count)) {
        p = length - count;
        if (count == length) p = 1, cut = 1, skip = -1;
      }
      break;
    default: break;
  }

  std::string first, second;
  if (p != 0) {
    first = Characters(source, 1, p - cut);
    second = Characters(source, p + skip, length);
  }
  if (vars::IsTrue(statement.Parameter(6))) {
    first = TrimControls(first);
    second = TrimControls(second);
  }
  if (!first_name.empty()) variables.SetVariable(vars::UpperCase(first_name), first, statement.Context());
  if (!second_name.empty()) variables.SetVariable(vars::UpperCase(second_name), second, statement.Context());
}

// The statements that rewrite the value of a variable named bare in parameter 1, path-expanded.
std::string PathValue(Statement& statement) {
  auto& variables = statement.services.variables;
  return variables.ExpandPath(variables.GetVariable(statement.Parameter(1)));
}

void ConvertCase(Statement& statement) {
  std::string value = PathValue(statement);
  statement.Assign(statement.Parameter(1), vars::IsTrue(statement.Parameter(2)) ? vars::UpperCase(value) : Lower(value));
}

void ConvertPath(Statement& statement) {
  auto& files = statement.services.platform.files;
  std::string value = PathValue(statement);
  std::string result;
  if (vars::IsTrue(statement.Parameter(2))) {
    result = files.ShortPathName(value);
    if (result.size() >= kMaxPath) result.clear();
  } else {
    result = LongPathForm(files, value);
  }
  statement.Assign(statement.Parameter(1), result);
}

void ExtractPath(Statement& statement) {
  std::string value = PathValue(statement);
  statement.Assign(statement.Parameter(1), ExtractPathPart(value, vars::TextToInt(statement.Parameter(2))));
}

void Mathematics(Statement& statement) {
  auto& variables = statement.services.variables;
  const std::string result_name = statement.Parameter(4);
  CreateWhenMissing(statement, result_name);
  std::string result = Calculate(variables.Expand(statement.Parameter(1)), variables.Expand(statement.Parameter(2)),
                                 statement.Parameter(3), statement.services.random);
  if (!result_name.empty()) statement.Assign(result_name, result);
}

void GetTemporaryFile(Statement& statement) {
  std::string name = VariableName(statement.Parameter(1));
  std::string path = statement.services.platform.files.CreateTempFile(statement.services.temp_folder, "zep");
  statement.Assign(vars::UpperCase(name), path);
}

// %NAME% references replaced by the environment's values; an unknown name, "%%" included,
// stays as it stands and the scan goes on after its closing "%".
std::string ExpandEnvironmentStrings(platform::System& system, const std::string& text) {
  std::string result;
  size_t from = 0;
  for (size_t open; (open = text.find('%', from)) != std::string::npos;) {
    size_t close = text.find('%', open + 1);
    if (close == std::string::npos) break;
    result.append(text, from, open - from);
    std::string name = text.substr(open + 1, close - open - 1);
    auto value = name.empty() ? std::nullopt : system.GetEnvironmentVariable(name);
    result += value ? *value : text.substr(open, close - open + 1);
    from = close + 1;
  }
  return result.append(text, from);
}

void GetEnvironment(Statement& statement) {
  auto& system = statement.services.platform.system;
  std::string wanted = statement.services.variables.Expand(statement.Parameter(1));
  std::string result;
  if (!wanted.empty()) {
    result = ExpandEnvironmentStrings(system, "%" + wanted + "%");
  } else {
    auto entries = system.EnvironmentBlock();
    for (size_t i = 0; i < entries.size(); ++i) result += (i == 0 ? "" : "$NEWLINE$") + entries[i];
  }
  std::string name = VariableName(statement.Parameter(2));
  statement.Assign(vars::UpperCase(name), result);
}

}  // namespace

void RegisterStringCommands(CommandTable& table) {
  table.Add("Set Variable", SetVariable);
  table.Add("Replace String", ReplaceString);
  table.Add("Parse String", ParseString);
  table.Add("Convert Case", ConvertCase);
  table.Add("Convert Path", ConvertPath);
  table.Add("Extract Path", ExtractPath);
  table.Add("Mathematics", Mathematics);
  table.Add("Get Temporary File", GetTemporaryFile);
  table.Add("Get Environment", GetEnvironment);
}

}  // namespace quillset::commands
