// 7-Zip's plugin library, loaded at run time, and the few exports of it that the library calls.
#pragma once

#include <memory>
#include <string>

#include "platform/posix/zeplib/plugin_interfaces.h"

namespace quillset::zeplib {

// Releases one reference of a plugin object when it goes.
template <typename T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(const ComPtr&) = delete;
  ComPtr& operator=(const ComPtr&) = delete;
  ~ComPtr() {
    if (object_) object_->Release();
  }
  T* get() const { return object_; }
  T* operator->() const { return object_; }
  void** out() { return reinterpret_cast<void**>(&object_); }

 private:
  T* object_ = nullptr;
};

class Plugin {
 public:
  // nullptr with error set when the plugin library or one of its exports is missing.
  static std::unique_ptr<Plugin> Load(std::string& error);
  ~Plugin();
  Plugin(const Plugin&) = delete;
  Plugin& operator=(const Plugin&) = delete;

  // A fresh 7z format handler.
  HRESULT CreateArchive(ComPtr<IInArchive>& archive) const;
  void Clear(PropVariant& value) const { variant_clear_(&value); }
  // Strings handed to the plugin must be its own allocations.
  BSTR AllocString(const std::wstring& text) const { return sys_alloc_string_(text.c_str()); }

 private:
  using CreateObjectFunction = HRESULT (*)(const Guid*, const Guid*, void**);
  using VariantClearFunction = HRESULT (*)(PropVariant*);
  using SysAllocStringFunction = BSTR (*)(const wchar_t*);

  explicit Plugin(void* handle) : handle_(handle) {}

  void* handle_;
  CreateObjectFunction create_object_ = nullptr;
  VariantClearFunction variant_clear_ = nullptr;
  SysAllocStringFunction sys_alloc_string_ = nullptr;
};

// A property of an item, cleared through the plugin when it goes.
class ItemProperty {
 public:
  ItemProperty(const Plugin& plugin, IInArchive& archive, uint32_t index, PROPID id);
  ~ItemProperty() { plugin_.Clear(value_); }
  ItemProperty(const ItemProperty&) = delete;
  ItemProperty& operator=(const ItemProperty&) = delete;

  const PropVariant& value() const { return value_; }
  bool Bool() const { return value_.vt == kVtBool && value_.boolean != 0; }
  uint64_t Number() const;  // VT_UI4 or VT_UI8; 0 otherwise
  uint64_t Filetime() const;
  std::wstring Text() const;

 private:
  const Plugin& plugin_;
  PropVariant value_;
};

}  // namespace quillset::zeplib
