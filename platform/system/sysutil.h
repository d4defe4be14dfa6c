// Small text and file helpers shared by the system services (internal).
//
// Names, values and paths are UTF-16 at the API and UTF-8 on disk; these
// helpers convert between the two, fold case for the case-insensitive names
// (registry keys, INI sections, module names) and write files atomically.
#pragma once

#include <string>
#include <string_view>

#include "platform/base/wintypes.h"

namespace pv::sys {

// UTF-16 → UTF-8. An unpaired surrogate becomes U+FFFD.
std::string ToUtf8(std::u16string_view text);
// UTF-8 → UTF-16. Invalid bytes become U+FFFD.
std::u16string FromUtf8(std::string_view text);

// Length of a zero-terminated UTF-16 string (0 for null).
std::size_t Len(const char16_t* s);
inline std::u16string_view View(const char16_t* s) {
  return s ? std::u16string_view(s, Len(s)) : std::u16string_view();
}

// Simple case mapping of one unit (Latin, Greek, Cyrillic; others unchanged).
char16_t UpperUnit(char16_t c);
char16_t LowerUnit(char16_t c);
std::u16string Upper(std::u16string_view text);
std::u16string Lower(std::u16string_view text);
// Ordinal comparison after upper-casing both sides: <0, 0, >0.
int CompareNoCase(std::u16string_view a, std::u16string_view b);
inline bool EqualNoCase(std::u16string_view a, std::u16string_view b) { return CompareNoCase(a, b) == 0; }

// Writes `data` to `path` so that readers see either the old file or the
// whole new one: a temporary file beside it is written, flushed to disk,
// renamed over the target, and the folder is flushed. On failure the old
// file is untouched and `error` (when given) says what went wrong.
//
// `access` says what becomes of an existing file's permissions: kept, or
// narrowed to its owner (for files that hold secrets). A new file is 0600.
enum class FileAccess { KeepExisting, OwnerOnly };
bool WriteFileAtomically(const std::string& path, std::string_view data, std::string* error = nullptr,
                         FileAccess access = FileAccess::KeepExisting);
// Removes temporary files WriteFileAtomically left beside `path` when a
// writer died before its rename (those whose process no longer runs).
void RemoveStaleTempFiles(const std::string& path);
// Reads a whole file. False when it cannot be opened or read.
bool ReadWholeFile(const std::string& path, std::string* data);
// Creates a folder and its missing parents (mode 0700 for new ones).
bool MakeDirectories(const std::string& path);

// Test hook: called with the temporary path after the data is flushed and
// before the rename (crash-safety tests end the process here).
using AtomicWriteHook = void (*)(const char* tempPath);
void SetAtomicWriteHookForTests(AtomicWriteHook hook);
// Test hook: ReadWholeFile fails (EIO) for the paths it answers true for,
// as an unreadable file would (permissions do not stop the root user).
using ReadFailureHook = bool (*)(const char* path);
void SetReadFailureHookForTests(ReadFailureHook hook);

// Reports a problem with a stored file (corrupt registry or INI file) on
// stderr, prefixed with "Pravenor: ".
void ReportProblem(const std::string& message);

}  // namespace pv::sys
