#include "platform/posix/zeplib/plugin.h"

#include <dlfcn.h>

namespace quillset::zeplib {

namespace {
// Where Debian's p7zip-full installs the plugin library.
constexpr const char* kPluginPath = "/usr/lib/p7zip/7z.so";
}  // namespace

std::unique_ptr<Plugin> Plugin::Load(std::string& error) {
  void* handle = dlopen(kPluginPath, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char* reason = dlerror();
    error = reason ? reason : kPluginPath;
    return nullptr;
  }
  std::unique_ptr<Plugin> plugin(new Plugin(handle));
  plugin->create_object_ = reinterpret_cast<CreateObjectFunction>(dlsym(handle, "CreateObject"));
  plugin->variant_clear_ = reinterpret_cast<VariantClearFunction>(dlsym(handle, "VariantClear"));
  plugin->sys_alloc_string_ =
      reinterpret_cast<SysAllocStringFunction>(dlsym(handle, "SysAllocString"));
  if (!plugin->create_object_ || !plugin->variant_clear_ || !plugin->sys_alloc_string_) {
    error = std::string(kPluginPath) + " lacks the expected exports";
    return nullptr;
  }
  return plugin;
}

Plugin::~Plugin() { dlclose(handle_); }

HRESULT Plugin::CreateArchive(ComPtr<IInArchive>& archive) const {
  return create_object_(&kClsid7zFormat, &kIidInArchive, archive.out());
}

ItemProperty::ItemProperty(const Plugin& plugin, IInArchive& archive, uint32_t index, PROPID id)
    : plugin_(plugin) {
  if (archive.GetProperty(index, id, &value_) != kOk) value_ = PropVariant();
}

uint64_t ItemProperty::Number() const {
  if (value_.vt == kVtUi4) return value_.u32;
  if (value_.vt == kVtUi8) return value_.u64;
  return 0;
}

uint64_t ItemProperty::Filetime() const {
  return value_.vt == kVtFiletime ? (uint64_t{value_.filetime.high} << 32) | value_.filetime.low : 0;
}

std::wstring ItemProperty::Text() const {
  return value_.vt == kVtBstr && value_.bstr ? std::wstring(value_.bstr) : std::wstring();
}

}  // namespace quillset::zeplib
