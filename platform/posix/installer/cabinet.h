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

// A cabinet file, or (stream not empty) the stream of that name in the package's _Streams
// table, read in place.
struct CabinetSource {
  std::string host_path;
  std::string stream;
};

// Whether the package (a host path) has the stream in its _Streams table.
bool PackageHasStream(const std::string& package_host_path, const std::string& stream);

// Throws CabinetError for a cabinet that cannot be read.
void ExtractCabinet(const CabinetSource& source, const std::string& folder_host_path, const CabinetEntryCallback& entry);

}  // namespace quillset::platform::posix::installer
