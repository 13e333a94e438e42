// The engine cache data as maintenance runs read it back: outside input, so it is checked
// before it reaches the component model and the variables, and the variables-only rewrite that
// keeps a file's component parts as they were written.
#pragma once

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "commands/cache_data.h"

namespace quillset::engine {

class CacheDataError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Reads the text into the state as commands::ReadCacheData does and answers the data folder
// line. Throws CacheDataError, changing nothing, for a text that is no engine cache data: one
// holding a NUL byte, or a component definition whose size is no 64-bit integer (the sizes are
// summed as the installed size and shown as required space, where a bad one would fail far
// from its cause).
std::string ParseMaintenanceData(std::string_view text, commands::CacheDataRead mode, commands::CacheDataState& state);

// The old text up to and including its sixth "$" line and the four lines after it, then the
// variables of the state. Nothing when the old text ends before that: its component parts
// cannot be kept.
std::optional<std::string> RewriteMaintenanceVariables(std::string_view old_text,
                                                       const commands::CacheDataState& state);

}  // namespace quillset::engine
