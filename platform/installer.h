// The Windows Installer service as the engine calls it: one table of functions with the names,
// argument lists, handle semantics, message types and result codes that Windows publishes.
// On Windows the table is filled from msi.dll; on posix our own installer service fills it.
// Entries are std::function so that a service carries its own state (its prefix) without
// process-wide globals, and a test can replace any one entry.
#pragma once

#include <cstdint>
#include <functional>

namespace quillset::platform {

using MSIHANDLE = uint32_t;  // 0 is no handle
using UINT = uint32_t;
using DWORD = uint32_t;
using INSTALLSTATE = int32_t;
using LPCSTR = const char*;
using LPSTR = char*;

struct FILETIME {
  DWORD dwLowDateTime = 0;
  DWORD dwHighDateTime = 0;
};

// The external message handler: answers IDOK (1), IDCANCEL (2), IDYES … or 0 (not handled).
using INSTALLUI_HANDLERA = int (*)(void* context, UINT message_type, LPCSTR message);

namespace msi {

// Result codes.
inline constexpr UINT kSuccess = 0;
inline constexpr UINT kErrorFileNotFound = 2;
inline constexpr UINT kErrorAccessDenied = 5;
inline constexpr UINT kErrorInvalidHandle = 6;
inline constexpr UINT kErrorInvalidParameter = 87;
inline constexpr UINT kErrorMoreData = 234;
inline constexpr UINT kErrorNoMoreItems = 259;
inline constexpr UINT kErrorInvalidHandleState = 1609;
inline constexpr UINT kErrorInstallUserExit = 1602;
inline constexpr UINT kErrorInstallFailure = 1603;
inline constexpr UINT kErrorUnknownProduct = 1605;
inline constexpr UINT kErrorUnknownProperty = 1608;
inline constexpr UINT kErrorBadQuerySyntax = 1615;
inline constexpr UINT kErrorFunctionNotCalled = 1626;
inline constexpr UINT kErrorFunctionFailed = 1627;
inline constexpr UINT kErrorInvalidTable = 1628;
inline constexpr UINT kErrorDatatypeMismatch = 1629;
inline constexpr UINT kErrorCreateFailed = 1631;
inline constexpr UINT kErrorInstallAlreadyRunning = 1618;
inline constexpr UINT kErrorInstallPackageOpenFailed = 1619;
inline constexpr UINT kErrorInstallPackageInvalid = 1620;
inline constexpr UINT kErrorInstallSourceAbsent = 1612;
inline constexpr UINT kErrorBadConfiguration = 1610;
inline constexpr UINT kErrorInstallTransformFailure = 1624;
inline constexpr UINT kErrorPatchPackageOpenFailed = 1635;
inline constexpr UINT kErrorPatchPackageInvalid = 1636;
inline constexpr UINT kErrorPatchPackageUnsupported = 1637;
inline constexpr UINT kErrorProductVersion = 1638;
inline constexpr UINT kErrorInvalidCommandLine = 1639;
inline constexpr UINT kErrorPatchTargetNotFound = 1642;
inline constexpr UINT kErrorSuccessRebootInitiated = 1641;
inline constexpr UINT kErrorSuccessRebootRequired = 3010;

// Product states.
inline constexpr INSTALLSTATE kStateInvalidArg = -2;
inline constexpr INSTALLSTATE kStateUnknown = -1;
inline constexpr INSTALLSTATE kStateAdvertised = 1;
inline constexpr INSTALLSTATE kStateAbsent = 2;
inline constexpr INSTALLSTATE kStateDefault = 5;

// MsiOpenDatabaseA persistence modes (passed as the pointer value, as Windows does).
inline constexpr uintptr_t kDbOpenReadOnly = 0;
inline constexpr uintptr_t kDbOpenTransact = 1;
inline constexpr uintptr_t kDbOpenDirect = 2;
inline constexpr uintptr_t kDbOpenCreate = 3;

// MsiViewModify modes.
inline constexpr int32_t kModifyRefresh = 0;
inline constexpr int32_t kModifyInsert = 1;
inline constexpr int32_t kModifyUpdate = 2;
inline constexpr int32_t kModifyAssign = 3;
inline constexpr int32_t kModifyReplace = 4;
inline constexpr int32_t kModifyDelete = 6;

inline constexpr int32_t kNullInteger = INT32_MIN;  // MsiRecordGetInteger of an empty field

// Summary information properties and data types.
inline constexpr UINT kPidTemplate = 7;
inline constexpr UINT kPidRevNumber = 9;
inline constexpr UINT kPidPageCount = 14;
inline constexpr UINT kPidWordCount = 15;
inline constexpr UINT kVtEmpty = 0;
inline constexpr UINT kVtI2 = 2;
inline constexpr UINT kVtI4 = 3;
inline constexpr UINT kVtLpstr = 30;
inline constexpr UINT kVtFiletime = 64;

// Message types (the high byte of the handler's message_type) and the filter bits.
inline constexpr UINT kMessageFatalExit = 0x00000000;
inline constexpr UINT kMessageError = 0x01000000;
inline constexpr UINT kMessageWarning = 0x02000000;
inline constexpr UINT kMessageUser = 0x03000000;
inline constexpr UINT kMessageInfo = 0x04000000;
inline constexpr UINT kMessageFilesInUse = 0x05000000;
inline constexpr UINT kMessageResolveSource = 0x06000000;
inline constexpr UINT kMessageOutOfDiskSpace = 0x07000000;
inline constexpr UINT kMessageActionStart = 0x08000000;
inline constexpr UINT kMessageActionData = 0x09000000;
inline constexpr UINT kMessageProgress = 0x0A000000;
inline constexpr UINT kMessageCommonData = 0x0B000000;
inline constexpr UINT kMessageInitialize = 0x0C000000;
inline constexpr UINT kMessageTerminate = 0x0D000000;
inline constexpr UINT kMessageShowDialog = 0x0E000000;
inline constexpr UINT kMessageTypeMask = 0xFF000000;
// The filter bit of a message type: 1 << (type >> 24).
constexpr DWORD FilterBit(UINT message_type) { return DWORD{1} << (message_type >> 24); }

// Message box style bits carried in the low bits of error and warning messages.
inline constexpr UINT kMbOk = 0x0;
inline constexpr UINT kMbOkCancel = 0x1;
inline constexpr UINT kMbAbortRetryIgnore = 0x2;
inline constexpr UINT kMbYesNoCancel = 0x3;
inline constexpr UINT kMbYesNo = 0x4;
inline constexpr UINT kMbRetryCancel = 0x5;
inline constexpr UINT kMbIconError = 0x10;
inline constexpr UINT kMbIconWarning = 0x30;
inline constexpr UINT kMbIconInformation = 0x40;

// Handler answers.
inline constexpr int kIdOk = 1;
inline constexpr int kIdCancel = 2;
inline constexpr int kIdAbort = 3;
inline constexpr int kIdRetry = 4;
inline constexpr int kIdIgnore = 5;
inline constexpr int kIdYes = 6;
inline constexpr int kIdNo = 7;

// Internal UI levels.
inline constexpr UINT kUiLevelNoChange = 0;
inline constexpr UINT kUiLevelDefault = 1;
inline constexpr UINT kUiLevelNone = 2;
inline constexpr UINT kUiLevelSourceResOnly = 0x100;

// MsiGetMode run modes.
inline constexpr int32_t kRunModeMaintenance = 2;
inline constexpr int32_t kRunModeRebootAtEnd = 6;
inline constexpr int32_t kRunModeRebootNow = 7;

// MsiEnableLogA attributes.
inline constexpr DWORD kLogAttributesAppend = 1;
inline constexpr DWORD kLogAttributesFlushEachLine = 2;

}  // namespace msi

// The functions of the installer service, named and typed as Windows declares them. An entry
// that a service does not provide is empty; callers treat that as the function failing.
struct InstallerFunctions {
  // Products.
  std::function<INSTALLSTATE(LPCSTR product)> MsiQueryProductStateA;
  std::function<UINT(LPCSTR product, LPCSTR attribute, LPSTR buffer, DWORD* size)> MsiGetProductInfoA;
  std::function<UINT(UINT level, void** window)> MsiSetInternalUI;
  std::function<INSTALLUI_HANDLERA(INSTALLUI_HANDLERA handler, DWORD filter, void* context)> MsiSetExternalUIA;
  std::function<UINT(DWORD mode, LPCSTR log_file, DWORD attributes)> MsiEnableLogA;
  std::function<UINT(LPCSTR package, LPCSTR command_line)> MsiInstallProductA;
  std::function<UINT(LPCSTR patch, LPCSTR install_package, int32_t install_type, LPCSTR command_line)> MsiApplyPatchA;
  std::function<UINT(LPCSTR product, LPCSTR user, DWORD reserved, LPCSTR source)> MsiSourceListAddSourceA;
  // Sessions.
  std::function<UINT(LPCSTR package, MSIHANDLE* install)> MsiOpenPackageA;
  std::function<UINT(MSIHANDLE install, LPCSTR name, LPCSTR value)> MsiSetPropertyA;
  std::function<UINT(MSIHANDLE install, LPCSTR action)> MsiDoActionA;
  std::function<int32_t(MSIHANDLE install, int32_t run_mode)> MsiGetMode;
  std::function<UINT(MSIHANDLE any)> MsiCloseHandle;
  // Databases.
  std::function<UINT(LPCSTR path, LPCSTR persist, MSIHANDLE* database)> MsiOpenDatabaseA;
  std::function<UINT(MSIHANDLE database, LPCSTR query, MSIHANDLE* view)> MsiDatabaseOpenViewA;
  std::function<UINT(MSIHANDLE view, MSIHANDLE parameters)> MsiViewExecute;
  std::function<UINT(MSIHANDLE view, MSIHANDLE* record)> MsiViewFetch;
  std::function<UINT(MSIHANDLE view, int32_t mode, MSIHANDLE record)> MsiViewModify;
  std::function<UINT(MSIHANDLE view)> MsiViewClose;
  std::function<UINT(MSIHANDLE database)> MsiDatabaseCommit;
  // Records.
  std::function<MSIHANDLE(UINT fields)> MsiCreateRecord;
  std::function<UINT(MSIHANDLE record)> MsiRecordGetFieldCount;
  std::function<UINT(MSIHANDLE record, UINT field, LPSTR buffer, DWORD* size)> MsiRecordGetStringA;
  std::function<int32_t(MSIHANDLE record, UINT field)> MsiRecordGetInteger;
  std::function<UINT(MSIHANDLE record, UINT field, LPCSTR value)> MsiRecordSetStringA;
  std::function<UINT(MSIHANDLE record, UINT field, int32_t value)> MsiRecordSetInteger;
  // Summary information.
  std::function<UINT(MSIHANDLE database, LPCSTR path, UINT update_count, MSIHANDLE* summary)> MsiGetSummaryInformationA;
  std::function<UINT(MSIHANDLE summary, UINT property, UINT* type, int32_t* integer, FILETIME* time, LPSTR buffer,
                     DWORD* size)>
      MsiSummaryInfoGetPropertyA;
  std::function<UINT(MSIHANDLE summary, UINT property, UINT type, int32_t integer, FILETIME* time, LPCSTR value)>
      MsiSummaryInfoSetPropertyA;
  std::function<UINT(MSIHANDLE summary)> MsiSummaryInfoPersist;
};

// The service behind the table, bound by name at first use as msi.dll is.
class Installer {
 public:
  virtual ~Installer() = default;
  // The table, or nullptr when the service cannot be bound (then the caller reports it).
  virtual InstallerFunctions* Bind() = 0;
};

}  // namespace quillset::platform
