// The registry: keys and typed values under HKEY_CURRENT_USER and
// HKEY_LOCAL_MACHINE, kept in one readable text file per user
// ($XDG_CONFIG_HOME/Pravenor/registry.txt; format in docs/registry-format.md).
//
// Changes are made in memory at once and written together, one atomic
// rewrite of the file per flush: at RegFlushKey, when the outermost
// pv::RegistryWriteBatch ends, when the program goes idle
// (pv::FlushRegistry) and at exit. Closing a key does not write. A crash loses at most the changes since
// the last flush; the file is never left half written. Another process's
// changes are picked up when a key is opened or created and at every flush,
// and writers serialise on a lock file, so two processes never lose each
// other's values.
// A file that cannot be read is kept and every change refused
// (ERROR_CANTREAD) until it reads again; bytes that are not UTF-8 survive a
// rewrite; keys nest at most 512 levels.
//
// Functions return ERROR_* codes (LONG) as Windows does; they do not set
// the last error.
#pragma once

#include <string>

#include "platform/base/lasterror.h"
#include "platform/base/systime.h"
#include "platform/base/wintypes.h"

#define HKEY_CLASSES_ROOT (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000000u)))
#define HKEY_CURRENT_USER (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000001u)))
#define HKEY_LOCAL_MACHINE (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000002u)))
#define HKEY_USERS (reinterpret_cast<HKEY>(static_cast<ULONG_PTR>(0x80000003u)))

// Value types.
constexpr DWORD REG_NONE = 0;
constexpr DWORD REG_SZ = 1;
constexpr DWORD REG_EXPAND_SZ = 2;
constexpr DWORD REG_BINARY = 3;
constexpr DWORD REG_DWORD = 4;
constexpr DWORD REG_DWORD_LITTLE_ENDIAN = 4;
constexpr DWORD REG_DWORD_BIG_ENDIAN = 5;
constexpr DWORD REG_LINK = 6;
constexpr DWORD REG_MULTI_SZ = 7;
constexpr DWORD REG_QWORD = 11;
constexpr DWORD REG_QWORD_LITTLE_ENDIAN = 11;

// Access rights. Only KEY_SET_VALUE is checked (setting and deleting values
// through a handle opened without it fails with ERROR_ACCESS_DENIED).
constexpr REGSAM KEY_QUERY_VALUE = 0x0001;
constexpr REGSAM KEY_SET_VALUE = 0x0002;
constexpr REGSAM KEY_CREATE_SUB_KEY = 0x0004;
constexpr REGSAM KEY_ENUMERATE_SUB_KEYS = 0x0008;
constexpr REGSAM KEY_NOTIFY = 0x0010;
constexpr REGSAM KEY_CREATE_LINK = 0x0020;
constexpr REGSAM KEY_WOW64_64KEY = 0x0100;
constexpr REGSAM KEY_WOW64_32KEY = 0x0200;
constexpr REGSAM KEY_READ = 0x20019;
constexpr REGSAM KEY_WRITE = 0x20006;
constexpr REGSAM KEY_EXECUTE = 0x20019;
constexpr REGSAM KEY_ALL_ACCESS = 0xF003F;

// Options and dispositions of RegCreateKeyEx.
constexpr DWORD REG_OPTION_NON_VOLATILE = 0;
constexpr DWORD REG_OPTION_VOLATILE = 1;
constexpr DWORD REG_CREATED_NEW_KEY = 1;
constexpr DWORD REG_OPENED_EXISTING_KEY = 2;

using PHKEY = HKEY*;
struct SECURITY_ATTRIBUTES;
using LPSECURITY_ATTRIBUTES = SECURITY_ATTRIBUTES*;

LONG RegCreateKeyExW(HKEY key, LPCWSTR subKey, DWORD reserved, LPWSTR keyClass, DWORD options, REGSAM access,
                     LPSECURITY_ATTRIBUTES security, PHKEY result, LPDWORD disposition);
LONG RegCreateKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LONG RegOpenKeyExW(HKEY key, LPCWSTR subKey, DWORD options, REGSAM access, PHKEY result);
LONG RegOpenKeyW(HKEY key, LPCWSTR subKey, PHKEY result);
LONG RegCloseKey(HKEY key);
// Writes the changes not written yet, even inside a batch.
LONG RegFlushKey(HKEY key);
LONG RegQueryValueExW(HKEY key, LPCWSTR valueName, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD dataBytes);
// Stores `dataBytes` bytes. A REG_SZ / REG_EXPAND_SZ / REG_MULTI_SZ value
// that does not end with its terminator gets one, so readers always find
// terminated text.
LONG RegSetValueExW(HKEY key, LPCWSTR valueName, DWORD reserved, DWORD type, const BYTE* data, DWORD dataBytes);
LONG RegDeleteValueW(HKEY key, LPCWSTR valueName);
// Deletes a key without subkeys (ERROR_ACCESS_DENIED when it has some).
LONG RegDeleteKeyW(HKEY key, LPCWSTR subKey);
LONG RegDeleteKeyExW(HKEY key, LPCWSTR subKey, REGSAM access, DWORD reserved);
// Deletes a key and everything below it; a null/empty subkey empties `key`.
LONG RegDeleteTreeW(HKEY key, LPCWSTR subKey);
DWORD SHDeleteKeyW(HKEY key, LPCWSTR subKey);
// Subkeys enumerate in case-insensitive name order; values in the order
// they were first set.
LONG RegEnumKeyExW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved, LPWSTR keyClass,
                   LPDWORD classChars, PFILETIME lastWrite);
LONG RegEnumKeyW(HKEY key, DWORD index, LPWSTR name, DWORD nameChars);
LONG RegEnumValueW(HKEY key, DWORD index, LPWSTR name, LPDWORD nameChars, LPDWORD reserved, LPDWORD type, LPBYTE data,
                   LPDWORD dataBytes);
LONG RegQueryInfoKeyW(HKEY key, LPWSTR keyClass, LPDWORD classChars, LPDWORD reserved, LPDWORD subKeys,
                      LPDWORD maxSubKeyLen, LPDWORD maxClassLen, LPDWORD values, LPDWORD maxValueNameLen,
                      LPDWORD maxValueLen, LPDWORD securityDescriptor, PFILETIME lastWrite);

// The names callers write without the W.
inline LONG RegCreateKeyEx(HKEY k, LPCWSTR s, DWORD r, LPWSTR c, DWORD o, REGSAM a, LPSECURITY_ATTRIBUTES sa, PHKEY res,
                           LPDWORD d) {
  return RegCreateKeyExW(k, s, r, c, o, a, sa, res, d);
}
inline LONG RegCreateKey(HKEY k, LPCWSTR s, PHKEY res) { return RegCreateKeyW(k, s, res); }
inline LONG RegOpenKeyEx(HKEY k, LPCWSTR s, DWORD o, REGSAM a, PHKEY res) { return RegOpenKeyExW(k, s, o, a, res); }
inline LONG RegOpenKey(HKEY k, LPCWSTR s, PHKEY res) { return RegOpenKeyW(k, s, res); }
inline LONG RegQueryValueEx(HKEY k, LPCWSTR n, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD cb) {
  return RegQueryValueExW(k, n, r, t, d, cb);
}
inline LONG RegSetValueEx(HKEY k, LPCWSTR n, DWORD r, DWORD t, const BYTE* d, DWORD cb) {
  return RegSetValueExW(k, n, r, t, d, cb);
}
inline LONG RegDeleteValue(HKEY k, LPCWSTR n) { return RegDeleteValueW(k, n); }
inline LONG RegDeleteKey(HKEY k, LPCWSTR s) { return RegDeleteKeyW(k, s); }
inline LONG RegDeleteKeyEx(HKEY k, LPCWSTR s, REGSAM a, DWORD r) { return RegDeleteKeyExW(k, s, a, r); }
inline LONG RegDeleteTree(HKEY k, LPCWSTR s) { return RegDeleteTreeW(k, s); }
inline DWORD SHDeleteKey(HKEY k, LPCWSTR s) { return SHDeleteKeyW(k, s); }
inline LONG RegEnumKeyEx(HKEY k, DWORD i, LPWSTR n, LPDWORD cch, LPDWORD r, LPWSTR c, LPDWORD cc, PFILETIME ft) {
  return RegEnumKeyExW(k, i, n, cch, r, c, cc, ft);
}
inline LONG RegEnumKey(HKEY k, DWORD i, LPWSTR n, DWORD cch) { return RegEnumKeyW(k, i, n, cch); }
inline LONG RegEnumValue(HKEY k, DWORD i, LPWSTR n, LPDWORD cch, LPDWORD r, LPDWORD t, LPBYTE d, LPDWORD cb) {
  return RegEnumValueW(k, i, n, cch, r, t, d, cb);
}
inline LONG RegQueryInfoKey(HKEY k, LPWSTR c, LPDWORD cc, LPDWORD r, LPDWORD sk, LPDWORD msk, LPDWORD mc, LPDWORD v,
                            LPDWORD mvn, LPDWORD mv, LPDWORD sd, PFILETIME ft) {
  return RegQueryInfoKeyW(k, c, cc, r, sk, msk, mc, v, mvn, mv, sd, ft);
}

namespace pv {

// Groups registry writes of this thread's process: while at least one batch
// is alive, idle time does not write; the last batch to end
// writes the file once (so does RegFlushKey). Use it where a caller stores many values in a
// row and treats the whole group as one save. A change the file could not
// take now (its folder cannot be made or written) is refused at once with
// ERROR_CANTWRITE instead of being held; a failure of the final write is
// reported on stderr.
class RegistryWriteBatch {
 public:
  RegistryWriteBatch();
  ~RegistryWriteBatch();
  RegistryWriteBatch(const RegistryWriteBatch&) = delete;
  RegistryWriteBatch& operator=(const RegistryWriteBatch&) = delete;
};

// Writes the changes not written yet unless a batch is open (the message
// loop calls it when the program goes idle, the application at its exit).
// Answers the write's result. The INI files' waiting changes are written
// at the same moments (pv::FlushProfiles).
LONG FlushRegistry();

// The registry file in use.
std::string RegistryFilePath();
// Forgets the in-memory registry and the open handles so that the next call
// reads the file again from the (possibly changed) XDG_CONFIG_HOME. Tests
// call it after pointing XDG_CONFIG_HOME at a fresh folder.
void ResetRegistryForTests();
// How many times this process rewrote the registry file (tests count the
// writes a sequence of calls costs).
unsigned long RegistryFileWritesForTests();

}  // namespace pv
