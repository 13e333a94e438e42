// Shared libraries loaded by path at run time (LoadLibrary / GetProcAddress / FreeLibrary).
#pragma once

#include <memory>
#include <string>

namespace quillset::platform {

class Library {
 public:
  virtual ~Library() = default;  // releases the library
  // Address of an exported symbol, or nullptr.
  virtual void* Symbol(const std::string& name) = 0;
};

class Libraries {
 public:
  virtual ~Libraries() = default;
  // Loads a library by Windows path; nullptr with error text set when it cannot be loaded.
  virtual std::unique_ptr<Library> Load(const std::string& path, std::string* error) = 0;
};

}  // namespace quillset::platform
