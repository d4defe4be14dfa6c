// INI files (the "private profile" functions).
//
// A file name without a folder resolves in the configuration folder
// ($XDG_CONFIG_HOME/Pravenor, default ~/.config/Pravenor) where Windows
// uses its own folder; a path with a folder is used as given ('\'
// accepted). Files are UTF-8 (a UTF-16LE file with its byte-order mark is
// read and written back as UTF-16LE); line ends are kept as found.
//
// Reading: section and key names match without regard to case; the first
// section of a name wins; values are trimmed and one pair of surrounding
// quotes ("..." or '...') is removed. Lines starting with ';' are comments.
//
// Buffer rules (size in characters, terminator included):
// - a value or default longer than size-1 is cut to size-1 characters and
//   size-1 is returned; the default loses trailing blanks; a null default is "".
// - lists (section names, key names, a section's lines) are each terminated
//   and end with one more zero; a list that does not fit is cut at the last
//   whole-or-partial entry that fits, ends with two zeros, and size-2 is
//   returned.
//
// Changes are made in memory at once (reads see them) and written together,
// one atomic rewrite of each changed file per flush: at the end of the
// outermost pv::ProfileWriteBatch, when the program goes idle and at exit
// (pv::FlushProfiles, run where the registry's flush runs), and at an
// explicit flush (WritePrivateProfileString with all three texts null, as
// Windows flushes its cache). A crash loses at most the changes since the
// last flush. A file another process changed meanwhile is read again at
// the flush and the waiting changes are laid over it. Reads answer from
// memory; a file with no waiting changes is looked at again the first time
// it is used after each flush.
//
// A rewrite keeps every other line (comments, blank lines, unknown lines,
// spelling) as it was. A null key
// deletes the section, a null value deletes the key. Names and values that
// would break the file's structure (line breaks; keys with '=' or starting
// with '[' or ';'; sections with ']') are refused with ERROR_INVALID_PARAMETER
// instead of being written.
#pragma once

#include <string>

#include "platform/base/lasterror.h"
#include "platform/base/wintypes.h"

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR file);
// Leading blanks, an optional sign and decimal digits (a "0x" prefix reads
// hex); a present key without a number gives 0; a missing key the default.
UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file);
DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file);
DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file);
BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file);
// Replaces the section's lines with the "key=value" strings of a
// double-zero-terminated list; a null list deletes the section.
BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file);

inline DWORD GetPrivateProfileString(LPCWSTR s, LPCWSTR k, LPCWSTR d, LPWSTR b, DWORD n, LPCWSTR f) {
  return GetPrivateProfileStringW(s, k, d, b, n, f);
}
inline UINT GetPrivateProfileInt(LPCWSTR s, LPCWSTR k, INT d, LPCWSTR f) { return GetPrivateProfileIntW(s, k, d, f); }
inline DWORD GetPrivateProfileSection(LPCWSTR s, LPWSTR b, DWORD n, LPCWSTR f) {
  return GetPrivateProfileSectionW(s, b, n, f);
}
inline DWORD GetPrivateProfileSectionNames(LPWSTR b, DWORD n, LPCWSTR f) {
  return GetPrivateProfileSectionNamesW(b, n, f);
}
inline BOOL WritePrivateProfileString(LPCWSTR s, LPCWSTR k, LPCWSTR v, LPCWSTR f) {
  return WritePrivateProfileStringW(s, k, v, f);
}
inline BOOL WritePrivateProfileSection(LPCWSTR s, LPCWSTR l, LPCWSTR f) { return WritePrivateProfileSectionW(s, l, f); }

namespace pv {
// Groups INI writes: while at least one batch is alive, idle time does not
// write; the last batch to end writes each changed file once. Use it where
// a caller stores many values in a row and treats the whole group as one
// save.
//
// The first change of a file after a flush is checked against the disk at
// once, inside a batch or not: a file whose folder is missing or takes no
// new files is refused (ERROR_PATH_NOT_FOUND, ERROR_ACCESS_DENIED) instead
// of being answered as stored. A failure when the changes are finally
// written (a full disk) is reported on stderr.
class ProfileWriteBatch {
 public:
  ProfileWriteBatch();
  ~ProfileWriteBatch();
  ProfileWriteBatch(const ProfileWriteBatch&) = delete;
  ProfileWriteBatch& operator=(const ProfileWriteBatch&) = delete;
};

// Writes the waiting changes of every INI file unless a batch is open (the
// registry's flush at idle time and at the application's exit calls it).
// FALSE when a file could not be written.
BOOL FlushProfiles();

// Deletes an INI file and forgets the changes an open batch holds for it,
// so that the end of the batch does not write it again.
BOOL DeleteProfileFile(LPCWSTR file);

// The file a profile name resolves to (see above).
std::string ProfileFilePath(LPCWSTR file);

// Forgets every file in memory and its waiting changes, without writing.
// Tests call it to simulate a process that ended without a flush.
void ResetProfilesForTests();
}  // namespace pv
