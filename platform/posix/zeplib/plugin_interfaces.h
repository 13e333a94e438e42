// Our declarations of the COM-style interfaces that 7-Zip's plugin library (7z.so) speaks.
// The layouts follow the plugin's binary interface on x86-64: no virtual destructor in the
// interfaces, 4-byte wchar_t, a 16-byte PROPVARIANT with its value at offset 8.
#pragma once

#include <cstddef>
#include <cstdint>

namespace quillset::zeplib {

using HRESULT = int32_t;
using PROPID = uint32_t;
using VARTYPE = uint16_t;
using BSTR = wchar_t*;

constexpr HRESULT kOk = 0;
constexpr HRESULT kFalse = 1;
constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT kNoInterface = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT kAbort = static_cast<HRESULT>(0x80004004u);
constexpr HRESULT kFail = static_cast<HRESULT>(0x80004005u);

struct Guid {
  uint32_t data1;
  uint16_t data2;
  uint16_t data3;
  uint8_t data4[8];
  bool operator==(const Guid&) const = default;
};

// The plugin's interface ids all read {23170F69-40C1-278A-0000-00gg00ii0000}.
constexpr Guid PluginIid(uint8_t group, uint8_t id) {
  return {0x23170F69, 0x40C1, 0x278A, {0, 0, 0, group, 0, id, 0, 0}};
}

constexpr Guid kIidUnknown = {0, 0, 0, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
constexpr Guid kIidSequentialInStream = PluginIid(3, 0x01);
constexpr Guid kIidSequentialOutStream = PluginIid(3, 0x02);
constexpr Guid kIidInStream = PluginIid(3, 0x03);
constexpr Guid kIidCryptoGetTextPassword = PluginIid(5, 0x10);
constexpr Guid kIidSetProperties = PluginIid(6, 0x03);
constexpr Guid kIidArchiveOpenCallback = PluginIid(6, 0x10);
constexpr Guid kIidArchiveExtractCallback = PluginIid(6, 0x20);
constexpr Guid kIidInArchive = PluginIid(6, 0x60);
// The 7z format handler's class id.
constexpr Guid kClsid7zFormat = {0x23170F69, 0x40C1, 0x278A, {0x10, 0, 0, 0x01, 0x10, 0x07, 0, 0}};

enum VarType : VARTYPE {
  kVtEmpty = 0,
  kVtBstr = 8,
  kVtBool = 11,
  kVtUi4 = 19,
  kVtUi8 = 21,
  kVtFiletime = 64,
};

struct PropVariant {
  VARTYPE vt = kVtEmpty;
  uint16_t reserved1 = 0, reserved2 = 0, reserved3 = 0;
  union {
    uint64_t u64 = 0;
    uint32_t u32;
    int16_t boolean;  // VARIANT_BOOL: -1 true, 0 false
    BSTR bstr;
    struct {
      uint32_t low, high;
    } filetime;
  };
};
static_assert(sizeof(PropVariant) == 16 && offsetof(PropVariant, u64) == 8);

// Item properties the library reads.
enum PropId : PROPID {
  kpidPath = 3,
  kpidIsDir = 6,
  kpidSize = 7,
  kpidPackSize = 8,
  kpidAttrib = 9,
  kpidMTime = 12,
  kpidEncrypted = 15,
  kpidCrc = 19,
};

enum AskMode : int32_t { kAskExtract = 0, kAskTest = 1, kAskSkip = 2 };

enum OperationResult : int32_t {
  kResultOk = 0,
  kResultUnsupportedMethod = 1,
  kResultDataError = 2,
  kResultCrcError = 3,
  kResultWrongPassword = 9,
};

// The interfaces keep a protected destructor: objects on either side are never deleted
// through them, and the plugin's layout has no destructor slot.
struct IUnknown {
  virtual HRESULT QueryInterface(const Guid& iid, void** object) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;

 protected:
  ~IUnknown() = default;
};

struct ISequentialInStream : IUnknown {
  virtual HRESULT Read(void* data, uint32_t size, uint32_t* processed) = 0;

 protected:
  ~ISequentialInStream() = default;
};

struct IInStream : ISequentialInStream {
  virtual HRESULT Seek(int64_t offset, uint32_t origin, uint64_t* new_position) = 0;

 protected:
  ~IInStream() = default;
};

struct ISequentialOutStream : IUnknown {
  virtual HRESULT Write(const void* data, uint32_t size, uint32_t* processed) = 0;

 protected:
  ~ISequentialOutStream() = default;
};

struct IProgress : IUnknown {
  virtual HRESULT SetTotal(uint64_t total) = 0;
  virtual HRESULT SetCompleted(const uint64_t* completed) = 0;

 protected:
  ~IProgress() = default;
};

struct IArchiveOpenCallback : IUnknown {
  virtual HRESULT SetTotal(const uint64_t* files, const uint64_t* bytes) = 0;
  virtual HRESULT SetCompleted(const uint64_t* files, const uint64_t* bytes) = 0;

 protected:
  ~IArchiveOpenCallback() = default;
};

struct IArchiveExtractCallback : IProgress {
  virtual HRESULT GetStream(uint32_t index, ISequentialOutStream** stream, int32_t ask_mode) = 0;
  virtual HRESULT PrepareOperation(int32_t ask_mode) = 0;
  virtual HRESULT SetOperationResult(int32_t result) = 0;

 protected:
  ~IArchiveExtractCallback() = default;
};

struct ICryptoGetTextPassword : IUnknown {
  virtual HRESULT CryptoGetTextPassword(BSTR* password) = 0;

 protected:
  ~ICryptoGetTextPassword() = default;
};

struct ISetProperties : IUnknown {
  virtual HRESULT SetProperties(const wchar_t* const* names, const PropVariant* values,
                                uint32_t count) = 0;

 protected:
  ~ISetProperties() = default;
};

struct IInArchive : IUnknown {
  virtual HRESULT Open(IInStream* stream, const uint64_t* max_check_start,
                       IArchiveOpenCallback* callback) = 0;
  virtual HRESULT Close() = 0;
  virtual HRESULT GetNumberOfItems(uint32_t* count) = 0;
  virtual HRESULT GetProperty(uint32_t index, PROPID id, PropVariant* value) = 0;
  virtual HRESULT Extract(const uint32_t* indices, uint32_t count, int32_t test_mode,
                          IArchiveExtractCallback* callback) = 0;
  virtual HRESULT GetArchiveProperty(PROPID id, PropVariant* value) = 0;
  virtual HRESULT GetNumberOfProperties(uint32_t* count) = 0;
  virtual HRESULT GetPropertyInfo(uint32_t index, BSTR* name, PROPID* id, VARTYPE* type) = 0;
  virtual HRESULT GetNumberOfArchiveProperties(uint32_t* count) = 0;
  virtual HRESULT GetArchivePropertyInfo(uint32_t index, BSTR* name, PROPID* id,
                                         VARTYPE* type) = 0;

 protected:
  ~IInArchive() = default;
};

}  // namespace quillset::zeplib
