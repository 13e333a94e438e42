#include "engine/maintenance_data.h"

#include "script/text_lines.h"
#include "vars/integer_text.h"

namespace quillset::engine {
namespace {

constexpr std::string_view kPartEnd = "$";
constexpr size_t kDefinitionsPart = 5;  // after the five component lists
constexpr size_t kListParts = 6;
constexpr size_t kFixedLines = 4;       // TARGETDIR, ALLUSERS, STARTMENU, the data folder

void CheckText(std::string_view text, commands::CacheDataRead mode) {
  if (text.find('\0') != std::string_view::npos) throw CacheDataError("the text holds a NUL byte");
  if (mode != commands::CacheDataRead::kLoad) return;
  script::LineReader reader(text);
  size_t part = 0, line_in_part = 0;
  std::string_view name;
  while (part <= kDefinitionsPart) {
    auto line = reader.Next();
    if (!line) return;
    if (*line == kPartEnd) {
      ++part;
      line_in_part = 0;
      continue;
    }
    if (part == kDefinitionsPart) {
      int64_t size = 0;
      if (line_in_part % 2 == 1 && !vars::TryTextToInt64(*line, size))
        throw CacheDataError("the component " + std::string(name) + " has the size '" + std::string(*line) +
                             "', which is no integer");
      name = *line;
    }
    ++line_in_part;
  }
}

}  // namespace

std::string ParseMaintenanceData(std::string_view text, commands::CacheDataRead mode, commands::CacheDataState& state) {
  CheckText(text, mode);
  return commands::ReadCacheData(text, mode, state);
}

std::optional<std::string> RewriteMaintenanceVariables(std::string_view old_text,
                                                       const commands::CacheDataState& state) {
  script::LineReader reader(old_text);
  size_t parts = 0, fixed = 0;
  while (fixed < kFixedLines) {
    auto line = reader.Next();
    if (!line) return std::nullopt;
    if (parts < kListParts) {
      if (*line == kPartEnd) ++parts;
    } else {
      ++fixed;
    }
  }
  std::string text(old_text.substr(0, reader.position()));
  if (text.back() != '\n') text += "\r\n";  // the old file ended without a line end
  return text + commands::FormatCacheVariables(state);
}

}  // namespace quillset::engine
