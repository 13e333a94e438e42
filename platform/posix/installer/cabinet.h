// Reading cabinets (embedded in the package or beside it) through libgcab. Entries are
// extracted under names the caller gives, all inside one folder, so that no entry name can
// place a file anywhere else.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

namespace quillset::platform::posix::installer {

class CabinetError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Called for each entry before it is extracted: the file name to extract it to inside the
// folder (no separators), or nullopt to skip it. An exception thrown here stops the
// extraction and is thrown again by ExtractCabinet.
using CabinetEntryCallback = std::function<std::optional<std::string>(const std::string& entry, uint32_t size)>;

// Throws CabinetError for a cabinet that cannot be read.
void ExtractCabinet(const std::string& cabinet_host_path, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry);

}  // namespace quillset::platform::posix::installer
