#include "platform/posix/posix_libraries.h"

#include <dlfcn.h>

namespace quillset::platform::posix {

namespace {

class PosixLibrary : public Library {
 public:
  explicit PosixLibrary(void* handle) : handle_(handle) {}
  ~PosixLibrary() override { dlclose(handle_); }
  PosixLibrary(const PosixLibrary&) = delete;
  PosixLibrary& operator=(const PosixLibrary&) = delete;
  void* Symbol(const std::string& name) override { return dlsym(handle_, name.c_str()); }

 private:
  void* handle_;
};

}  // namespace

std::unique_ptr<Library> PosixLibraries::Load(const std::string& path, std::string* error) {
  auto host = paths_.ToHost(path);
  if (!host) {
    if (error) *error = path + ": no such drive or path";
    return nullptr;
  }
  void* handle = dlopen(host->c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = dlerror();
    return nullptr;
  }
  return std::make_unique<PosixLibrary>(handle);
}

}  // namespace quillset::platform::posix
