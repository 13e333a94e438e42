// The engine's wrapper around zep.lib: list an archive, extract all of its entries.
// The pending password and the overwrite answer belong to one wrapper; the library's
// callbacks find the wrapper of the operation running on their thread.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/libraries.h"

namespace quillset::media {

// Answers false to abort the extraction. entry_name uses backslashes; total may be 0.
using ExtractionProgress = std::function<bool(const std::string& entry_name, int64_t done, int64_t total)>;

class SevenZipWrap {
 public:
  // library_path: the Windows path of zep.lib; it is loaded on first use.
  SevenZipWrap(platform::Libraries& libraries, std::string library_path);
  ~SevenZipWrap();
  SevenZipWrap(const SevenZipWrap&) = delete;
  SevenZipWrap& operator=(const SevenZipWrap&) = delete;

  // The names of all entries in archive order. On failure error_text is one of the listing
  // error texts (or the reason the library cannot be used).
  bool ListArchive(const std::string& archive, const std::string& password,
                   std::vector<std::string>& names, std::string& error_text);
  // Extracts every entry below target_folder. On failure error_text is a listing error text
  // or "#" and the library's code. An empty progress goes on to the end.
  bool ExtractArchiveFiles(const std::string& archive, const std::string& password,
                           const std::string& target_folder, bool keep_folders, bool overwrite,
                           const ExtractionProgress& progress, std::string& error_text);

 private:
  struct Exports;
  struct Operation;
  class OperationScope;
  friend struct Callbacks;

  void EnsureLoaded();

  platform::Libraries& libraries_;
  std::string library_path_;
  std::unique_ptr<platform::Library> library_;
  std::unique_ptr<Exports> exports_;
  std::string pending_password_;  // emptied by the first password request it answers
  bool overwrite_answer_ = false;
};

// Error texts of a failed listing.
std::string ListingErrorText(int32_t code);

}  // namespace quillset::media
