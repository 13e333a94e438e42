// Writing chosen items of an archive below a target folder.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/archive_library.h"
#include "platform/posix/zeplib/archive.h"
#include "platform/posix/zeplib/target_folder.h"

namespace quillset::zeplib {

struct ExtractionRequest {
  std::vector<uint32_t> indices;  // ascending, without repeats
  bool flat = false;              // every file straight into the target folder, no folders
  ZepProgressCallback progress = nullptr;
  ZepSecondCallback item_done = nullptr;  // after each item: (index, number of items requested)
  ZepOverwriteCallback overwrite = nullptr;
};

// Extracts the requested items; 0 on success, else a ZEP_ERROR_... code. Nothing at all is
// written when an item's name would leave the folder; an item that fails half way is removed.
int32_t Extract(Archive& archive, TargetFolder& folder, PasswordSource& password,
                const ExtractionRequest& request);

}  // namespace quillset::zeplib
