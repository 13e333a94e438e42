// "Extract 7Zip Archive": unpacks an archive below a folder on a worker thread, reporting
// "name, N% complete" through the progress protocol; the result variable receives "SUCCESS"
// or the archive error text.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "commands/statement.h"

namespace quillset::commands {

void RegisterArchiveCommands(CommandTable& table);

// The progress of an extraction: bytes done × 100 / total + 1, at most 100.
int64_t ExtractionPercent(int64_t done, int64_t total);
// "name, N" followed by the "% complete" text; name is the entry's file-name part.
std::string ExtractionProgressText(const std::string& entry_name, int64_t percent, const std::string& complete_text);

}  // namespace quillset::commands
