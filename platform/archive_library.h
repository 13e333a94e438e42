/* The archive library "zep.lib": four C exports the engine loads from its own folder.
 *
 * Strings are zero-terminated 8-bit text; paths are Windows paths as the engine writes them.
 * A handle is a small positive number, 0 on failure; it belongs to the thread that opened it.
 * GetLastArchiveError answers the code of the last failure on the calling thread. Callbacks
 * run on the thread that called the library.
 *
 * Codes: 1001 archive file not found, 1002 illegal path in a wildcard expression (a malformed
 * list of names to extract), 1003 cannot be opened (unsupported archive or incorrect
 * password); the library adds its own above them.
 *
 * The password callback receives a buffer of at least max(strlen(password) + 1,
 * ZEP_PASSWORD_BUFFER_MIN) bytes, where password is the password argument of the same call.
 * The library asks for the password at most once per operation and keeps the answer. A wrong
 * password, for the headers or for the data, fails with 1003. Without a password callback the
 * password argument serves.
 */
#ifndef QUILLSET_PLATFORM_ARCHIVE_LIBRARY_H
#define QUILLSET_PLATFORM_ARCHIVE_LIBRARY_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZEP_PASSWORD_BUFFER_MIN 1024

enum {
  ZEP_ERROR_NOT_FOUND = 1001,
  ZEP_ERROR_ILLEGAL_PATH = 1002,
  ZEP_ERROR_CANNOT_OPEN = 1003,
  ZEP_ERROR_DATA = 1004,         /* an entry that is not encrypted cannot be decoded */
  ZEP_ERROR_UNSAFE_PATH = 1005,  /* an entry would be written outside the target folder */
  ZEP_ERROR_WRITE = 1006,        /* a target file or folder could not be written */
  ZEP_ERROR_ABORTED = 1007,      /* the progress callback answered 0 */
  ZEP_ERROR_PLUGIN = 1008,       /* the 7-Zip plugin library could not be loaded */
  ZEP_ERROR_BAD_HANDLE = 1009,
  ZEP_ERROR_GENERAL = 1010,
};

/* One listed entry. With 8-byte pointers the record is 56 bytes. */
typedef struct ZepArchiveEntry {
  const char* name;       /* path inside the archive, as stored (backslash separators) */
  uint32_t attributes;    /* Windows attribute bits, 0x10 for a folder */
  uint32_t reserved;
  int64_t size;           /* unpacked size */
  int64_t packed_size;
  uint64_t crc;           /* 0 when the archive stores none */
  uint64_t filetime;      /* Windows FILETIME, 0 when unknown */
  int32_t encrypted;      /* 1 when the entry's data is encrypted */
  int32_t index;          /* the entry's index in the archive */
} ZepArchiveEntry;

typedef struct TSZW_TARGETFILES {
  char** files;   /* entry names to extract, each a separate allocation of the caller's */
  int32_t count;
} TSZW_TARGETFILES;

/* Writes the password with its terminating zero into buffer and answers 1, or answers 0 when
 * there is none (the operation then goes on without a password). */
typedef int32_t (*ZepPasswordCallback)(char* buffer);
/* name: the entry being written; done and total: bytes of the whole extraction (total may be
 * 0). Answers 0 to abort: the entry in progress is removed. */
typedef int32_t (*ZepProgressCallback)(const char* name, int64_t done, int64_t total);
/* After each entry: its index in the archive and the number of entries requested. Answers 0
 * to abort. */
typedef int32_t (*ZepSecondCallback)(int32_t a, int32_t b);
/* For an entry whose target exists already: the existing file's size and Windows FILETIME,
 * then the entry's size and FILETIME (each as low and high half), then the entry's index and
 * 0. Answer 4 replaces the existing file, any other answer keeps it. */
typedef int32_t (*ZepOverwriteCallback)(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e,
                                        int32_t f, int32_t g, int32_t h, int32_t i, int32_t j);

/* Lists an archive. entries receives the first record, count their number; both stay valid
 * until CloseListArchive. The second, fourth, fifth and sixth arguments are 0. */
typedef int32_t (*ZepOpenListArchive)(const char* archive_path, int32_t reserved1,
                                      ZepPasswordCallback password_callback, int32_t reserved2,
                                      int32_t reserved3, int32_t reserved4, const char* password,
                                      ZepArchiveEntry** entries, int32_t* count);
/* Answers 1, or 0 for a handle that is not open on this thread. */
typedef int32_t (*ZepCloseListArchive)(int32_t handle);
typedef int32_t (*ZepGetLastArchiveError)(void);
/* Extracts the named entries (all of them when the list names every entry) below
 * target_folder, which is created when missing. mode is 1. folder_flag 0 recreates the
 * archive's folders, 1 writes every file straight into the target folder. Nothing is written
 * when an entry's name would leave the target folder; a symbolic link entry becomes a link when
 * its target stays inside, and no entry is written through a link. Null callbacks: no password,
 * no progress, existing files replaced. Answers nonzero on success. */
typedef int32_t (*ZepExtractArchive)(const char* archive_path, int32_t mode,
                                     const char* target_folder, TSZW_TARGETFILES* target_files,
                                     int32_t folder_flag, const char* password,
                                     ZepPasswordCallback password_callback,
                                     ZepProgressCallback progress_callback,
                                     ZepSecondCallback second_callback,
                                     ZepOverwriteCallback overwrite_callback);

#ifdef __cplusplus
}
#endif

#endif
