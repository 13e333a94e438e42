// The installer's handles: small numbers naming databases, views, records, summary
// information and install sessions. Any thread may use the table; one handle is used by one
// thread at a time, as on Windows.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace quillset::platform::posix::installer {

class HandleObject {
 public:
  virtual ~HandleObject() = default;
};

class HandleTable {
 public:
  // Never answers 0, which is no handle.
  uint32_t Add(std::shared_ptr<HandleObject> object) {
    std::lock_guard lock(mutex_);
    uint32_t handle = next_++;
    if (handle == 0) handle = next_++;
    objects_[handle] = std::move(object);
    return handle;
  }
  // The object of a handle if it is of kind T; nullptr otherwise.
  template <class T>
  std::shared_ptr<T> Get(uint32_t handle) const {
    std::lock_guard lock(mutex_);
    auto found = objects_.find(handle);
    return found == objects_.end() ? nullptr : std::dynamic_pointer_cast<T>(found->second);
  }
  bool Close(uint32_t handle) {
    std::lock_guard lock(mutex_);
    return objects_.erase(handle) == 1;
  }

 private:
  mutable std::mutex mutex_;
  std::unordered_map<uint32_t, std::shared_ptr<HandleObject>> objects_;
  uint32_t next_ = 1;
};

}  // namespace quillset::platform::posix::installer
