// Reading cabinets (embedded in the package or beside it) through libgcab. Entries are
// extracted under paths the caller gives, relative to one folder and checked to stay inside
// it; the entries' own names never choose where a file goes.
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

// Called for each entry before it is extracted: the path to extract it to, relative to the
// folder ("/" separated, no empty, "." or ".." parts), or nullopt to skip it. An exception thrown here stops the
// extraction and is thrown again by ExtractCabinet.
using CabinetEntryCallback = std::function<std::optional<std::string>(const std::string& entry, uint32_t size)>;

class PackageStream;

// A cabinet file. Throws CabinetError for a cabinet that cannot be read.
void ExtractCabinet(const std::string& cabinet_host_path, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry);

// A cabinet embedded in a package, read where it lies (no copy first); name says which one in
// messages. Throws CabinetError for a cabinet that cannot be read.
void ExtractCabinet(PackageStream& cabinet, const std::string& name, const std::string& folder_host_path,
                    const CabinetEntryCallback& entry);

}  // namespace quillset::platform::posix::installer
