// Files, folders and paths as the callers know them.
//
// Paths from callers may use '\' or '/'; every path this layer returns uses
// '/'. File attributes map onto POSIX: FILE_ATTRIBUTE_DIRECTORY for folders,
// FILE_ATTRIBUTE_READONLY when the owner may not write, FILE_ATTRIBUTE_HIDDEN
// for dot-files and for files hidden with SetFileAttributes (recorded in the
// extended attribute "user.pravenor.hidden"; see docs/registry-format.md,
// "File attributes"), FILE_ATTRIBUTE_NORMAL for a plain file with none of these.
// Failing calls set the last error (GetLastError).
#pragma once

#include <string>

#include "platform/base/globalmem.h"
#include "platform/base/lasterror.h"
#include "platform/base/systime.h"
#include "platform/base/wintypes.h"

#ifndef MAX_PATH
#define MAX_PATH 260
#endif

// Error codes only the file functions report.
constexpr DWORD ERROR_NOT_SAME_DEVICE = 17;
constexpr DWORD ERROR_DIRECTORY = 267;

constexpr DWORD INVALID_FILE_ATTRIBUTES = 0xFFFFFFFFu;
constexpr DWORD FILE_ATTRIBUTE_READONLY = 0x1;
constexpr DWORD FILE_ATTRIBUTE_HIDDEN = 0x2;
constexpr DWORD FILE_ATTRIBUTE_SYSTEM = 0x4;
constexpr DWORD FILE_ATTRIBUTE_DIRECTORY = 0x10;
constexpr DWORD FILE_ATTRIBUTE_ARCHIVE = 0x20;
constexpr DWORD FILE_ATTRIBUTE_NORMAL = 0x80;
constexpr DWORD FILE_ATTRIBUTE_TEMPORARY = 0x100;

constexpr DWORD MOVEFILE_REPLACE_EXISTING = 0x1;
constexpr DWORD MOVEFILE_COPY_ALLOWED = 0x2;
constexpr DWORD MOVEFILE_DELAY_UNTIL_REBOOT = 0x4;
constexpr DWORD MOVEFILE_WRITE_THROUGH = 0x8;

struct WIN32_FIND_DATAW {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
  DWORD dwReserved0;
  DWORD dwReserved1;
  WCHAR cFileName[MAX_PATH];
  WCHAR cAlternateFileName[14];
};
using WIN32_FIND_DATA = WIN32_FIND_DATAW;
using LPWIN32_FIND_DATAW = WIN32_FIND_DATAW*;
using LPWIN32_FIND_DATA = WIN32_FIND_DATAW*;

struct WIN32_FILE_ATTRIBUTE_DATA {
  DWORD dwFileAttributes;
  FILETIME ftCreationTime;
  FILETIME ftLastAccessTime;
  FILETIME ftLastWriteTime;
  DWORD nFileSizeHigh;
  DWORD nFileSizeLow;
};
using LPWIN32_FILE_ATTRIBUTE_DATA = WIN32_FILE_ATTRIBUTE_DATA*;
enum GET_FILEEX_INFO_LEVELS { GetFileExInfoStandard = 0, GetFileExMaxInfoLevel };

struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

// The executable's path ("$PRAVENOR_HOME/<exe name>" when PRAVENOR_HOME is
// set); for a built-in module (modules.h) its name in the program's folder.
// A short buffer gets size-1 characters and a terminator, the result is the
// size and the last error ERROR_INSUFFICIENT_BUFFER.
DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size);
inline DWORD GetModuleFileName(HMODULE m, LPWSTR b, DWORD s) { return GetModuleFileNameW(m, b, s); }

// $TMPDIR (default /tmp) with a trailing '/'. A short buffer: the size
// needed (terminator included) and nothing copied.
DWORD GetTempPathW(DWORD size, LPWSTR buffer);
inline DWORD GetTempPath(DWORD s, LPWSTR b) { return GetTempPathW(s, b); }
// folder + first three characters of prefix + 4 hex digits + ".tmp".
// unique == 0: a number is chosen and the empty file is created (never an
// existing one); otherwise the name is only composed. `out` holds MAX_PATH.
UINT GetTempFileNameW(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR out);
inline UINT GetTempFileName(LPCWSTR f, LPCWSTR p, UINT u, LPWSTR o) { return GetTempFileNameW(f, p, u, o); }

// Copies through a temporary file and a rename: the target is either the
// old file or the complete copy.
BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists);
inline BOOL CopyFile(LPCWSTR f, LPCWSTR t, BOOL x) { return CopyFileW(f, t, x); }
// Fails with ERROR_ALREADY_EXISTS when the target exists.
BOOL MoveFileW(LPCWSTR from, LPCWSTR to);
inline BOOL MoveFile(LPCWSTR f, LPCWSTR t) { return MoveFileW(f, t); }
// MOVEFILE_REPLACE_EXISTING, MOVEFILE_COPY_ALLOWED (files across file
// systems), MOVEFILE_WRITE_THROUGH; MOVEFILE_DELAY_UNTIL_REBOOT is refused
// with ERROR_NOT_SUPPORTED.
BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags);
inline BOOL MoveFileEx(LPCWSTR f, LPCWSTR t, DWORD fl) { return MoveFileExW(f, t, fl); }
BOOL DeleteFileW(LPCWSTR path);
inline BOOL DeleteFile(LPCWSTR p) { return DeleteFileW(p); }
BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES security);
inline BOOL CreateDirectory(LPCWSTR p, LPSECURITY_ATTRIBUTES s) { return CreateDirectoryW(p, s); }
BOOL RemoveDirectoryW(LPCWSTR path);
inline BOOL RemoveDirectory(LPCWSTR p) { return RemoveDirectoryW(p); }
DWORD GetFileAttributesW(LPCWSTR path);
inline DWORD GetFileAttributes(LPCWSTR p) { return GetFileAttributesW(p); }
BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info);
inline BOOL GetFileAttributesEx(LPCWSTR p, GET_FILEEX_INFO_LEVELS l, LPVOID i) { return GetFileAttributesExW(p, l, i); }
// READONLY clears/sets the write permission bits; HIDDEN is recorded (a
// dot-file stays hidden whatever is set); other bits are accepted and ignored.
BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes);
inline BOOL SetFileAttributes(LPCWSTR p, DWORD a) { return SetFileAttributesW(p, a); }

// Folder listing with '*' and '?' (case-insensitive; "*.*" matches every
// name). Entries come sorted by name, "." and ".." first when they match.
// A closed search's handle is refused (ERROR_INVALID_HANDLE) by both calls,
// whatever search is opened after it.
HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data);
inline HANDLE FindFirstFile(LPCWSTR p, LPWIN32_FIND_DATAW d) { return FindFirstFileW(p, d); }
BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data);
inline BOOL FindNextFile(HANDLE f, LPWIN32_FIND_DATAW d) { return FindNextFileW(f, d); }
BOOL FindClose(HANDLE find);

// ---- path helpers (in-place on MAX_PATH buffers, as callers use them) ----------------------
BOOL PathFileExistsW(LPCWSTR path);
inline BOOL PathFileExists(LPCWSTR p) { return PathFileExistsW(p); }
BOOL PathIsDirectoryW(LPCWSTR path);
inline BOOL PathIsDirectory(LPCWSTR p) { return PathIsDirectoryW(p); }
BOOL PathIsRelativeW(LPCWSTR path);
inline BOOL PathIsRelative(LPCWSTR p) { return PathIsRelativeW(p); }
// The file-name part (after the last separator).
LPWSTR PathFindFileNameW(LPCWSTR path);
inline LPWSTR PathFindFileName(LPCWSTR p) { return PathFindFileNameW(p); }
// The extension with its dot, or the terminating zero when there is none.
LPWSTR PathFindExtensionW(LPCWSTR path);
inline LPWSTR PathFindExtension(LPCWSTR p) { return PathFindExtensionW(p); }
void PathRemoveExtensionW(LPWSTR path);
inline void PathRemoveExtension(LPWSTR p) { PathRemoveExtensionW(p); }
BOOL PathRenameExtensionW(LPWSTR path, LPCWSTR ext);
inline BOOL PathRenameExtension(LPWSTR p, LPCWSTR e) { return PathRenameExtensionW(p, e); }
// Cuts the last element; TRUE when something was removed.
BOOL PathRemoveFileSpecW(LPWSTR path);
inline BOOL PathRemoveFileSpec(LPWSTR p) { return PathRemoveFileSpecW(p); }
void PathStripPathW(LPWSTR path);
inline void PathStripPath(LPWSTR p) { PathStripPathW(p); }
// Appends a separator ('/') unless there is one; returns the end.
LPWSTR PathAddBackslashW(LPWSTR path);
inline LPWSTR PathAddBackslash(LPWSTR p) { return PathAddBackslashW(p); }
LPWSTR PathRemoveBackslashW(LPWSTR path);
inline LPWSTR PathRemoveBackslash(LPWSTR p) { return PathRemoveBackslashW(p); }
// Joins with one '/'; FALSE when the result would not fit MAX_PATH.
BOOL PathAppendW(LPWSTR path, LPCWSTR more);
inline BOOL PathAppend(LPWSTR p, LPCWSTR m) { return PathAppendW(p, m); }
LPWSTR PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file);
inline LPWSTR PathCombine(LPWSTR d, LPCWSTR a, LPCWSTR b) { return PathCombineW(d, a, b); }

// ---- special folders ------------------------------------------------------------------------
constexpr int CSIDL_DESKTOP = 0x0000;
constexpr int CSIDL_PERSONAL = 0x0005;
constexpr int CSIDL_MYDOCUMENTS = 0x0005;
constexpr int CSIDL_DESKTOPDIRECTORY = 0x0010;
constexpr int CSIDL_APPDATA = 0x001a;
constexpr int CSIDL_LOCAL_APPDATA = 0x001c;
constexpr int CSIDL_COMMON_APPDATA = 0x0023;
constexpr int CSIDL_PROGRAM_FILES = 0x0026;
constexpr int CSIDL_FLAG_CREATE = 0x8000;
constexpr DWORD SHGFP_TYPE_CURRENT = 0;
constexpr DWORD SHGFP_TYPE_DEFAULT = 1;

// CSIDL_APPDATA, CSIDL_LOCAL_APPDATA and CSIDL_COMMON_APPDATA: $XDG_DATA_HOME
// (default ~/.local/share); CSIDL_PERSONAL: ~/Documents; CSIDL_DESKTOP(DIRECTORY):
// ~/Desktop; CSIDL_PROGRAM_FILES: the program's folder. No trailing '/'.
// With CSIDL_FLAG_CREATE (or create = TRUE) a missing folder is created.
HRESULT SHGetFolderPathW(HWND owner, int csidl, HANDLE token, DWORD flags, LPWSTR path);
inline HRESULT SHGetFolderPath(HWND o, int c, HANDLE t, DWORD f, LPWSTR p) { return SHGetFolderPathW(o, c, t, f, p); }
BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create);
inline BOOL SHGetSpecialFolderPath(HWND o, LPWSTR p, int c, BOOL cr) { return SHGetSpecialFolderPathW(o, p, c, cr); }

// ---- system messages ----------------------------------------------------------------------
constexpr DWORD FORMAT_MESSAGE_ALLOCATE_BUFFER = 0x00000100;
constexpr DWORD FORMAT_MESSAGE_IGNORE_INSERTS = 0x00000200;
constexpr DWORD FORMAT_MESSAGE_FROM_STRING = 0x00000400;
constexpr DWORD FORMAT_MESSAGE_FROM_HMODULE = 0x00000800;
constexpr DWORD FORMAT_MESSAGE_FROM_SYSTEM = 0x00001000;
constexpr DWORD FORMAT_MESSAGE_ARGUMENT_ARRAY = 0x00002000;
constexpr DWORD FORMAT_MESSAGE_MAX_WIDTH_MASK = 0x000000FF;

// FROM_SYSTEM: the English text of an ERROR_* code, ending with "\r\n"
// (0 and ERROR_MR_MID_NOT_FOUND for unknown codes). FROM_STRING: the
// string with %1..%99 replaced from `arguments` (with ARGUMENT_ARRAY an
// array of string pointers; without it inserts stay as written), %% → %,
// %n → "\r\n". ALLOCATE_BUFFER: `buffer` receives a LocalAlloc'd pointer
// (free with LocalFree). Returns the length written, 0 on failure.
constexpr DWORD ERROR_MR_MID_NOT_FOUND = 317;
DWORD FormatMessageW(DWORD flags, LPCVOID source, DWORD messageId, DWORD languageId, LPWSTR buffer, DWORD size,
                     void* arguments);
inline DWORD FormatMessage(DWORD f, LPCVOID s, DWORD m, DWORD l, LPWSTR b, DWORD n, void* a) {
  return FormatMessageW(f, s, m, l, b, n, a);
}

// FormatMessage's allocated buffers come from LocalAlloc (free with LocalFree).

namespace pv {

// '\' → '/' (paths callers compose Windows-style).
std::u16string NormalizePath(std::u16string_view path);
// a + "/" + b with exactly one separator between them.
std::u16string JoinPath(std::u16string_view a, std::u16string_view b);
// The program's folder (PRAVENOR_HOME or the executable's folder), no trailing '/'.
std::u16string ProgramFolder();
// Case-insensitive match of '*' and '?' wildcards.
bool MatchWildcard(std::u16string_view pattern, std::u16string_view name);
// Tests: the next FindFirstFile handle takes the slot of the one closed
// last, so a test reaches a reused slot without guessing.
void SetFindHandleReuseLastFreedForTesting(bool on);

}  // namespace pv
