#include "platform/system/files.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/base/handletable.h"
#include "platform/system/modules.h"
#include "platform/system/paths_internal.h"
#include "platform/system/sysutil.h"

using pv::sys::FromUtf8;
using pv::sys::NativePath;
using pv::sys::ToUtf8;

namespace pv::sys {

namespace {
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? std::string(v) : std::string();
}
}  // namespace

std::string HomeFolder() {
  std::string h = Env("HOME");
  if (!h.empty()) return h;
  if (struct passwd* pw = ::getpwuid(::getuid())) return pw->pw_dir;
  return "/tmp";
}

std::string ConfigFolder() {
  std::string base = Env("XDG_CONFIG_HOME");
  if (base.empty() || base[0] != '/') base = HomeFolder() + "/.config";
  return base + "/Pravenor";
}

std::string DataHome() {
  std::string base = Env("XDG_DATA_HOME");
  if (base.empty() || base[0] != '/') base = HomeFolder() + "/.local/share";
  return base;
}

std::string ExecutablePath() {
  char buf[4096];
  ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
  std::string exe = n > 0 ? std::string(buf, static_cast<std::size_t>(n)) : std::string("/pravenor");
  std::string home = Env("PRAVENOR_HOME");
  if (!home.empty()) {
    while (home.size() > 1 && home.back() == '/') home.pop_back();
    return home + "/" + exe.substr(exe.rfind('/') + 1);
  }
  return exe;
}

std::string NativePath(const char16_t* path) {
  std::string p = ToUtf8(View(path));
  std::replace(p.begin(), p.end(), '\\', '/');
  return p;
}

}  // namespace pv::sys

namespace pv {

std::u16string NormalizePath(std::u16string_view path) {
  std::u16string p(path);
  std::replace(p.begin(), p.end(), u'\\', u'/');
  return p;
}

std::u16string JoinPath(std::u16string_view a, std::u16string_view b) {
  std::u16string left = NormalizePath(a);
  std::u16string right = NormalizePath(b);
  while (!left.empty() && left.back() == u'/' && left.size() > 1) left.pop_back();
  std::size_t skip = 0;
  while (skip < right.size() && right[skip] == u'/') ++skip;
  right.erase(0, skip);
  if (left.empty()) return right;
  if (right.empty()) return left;
  if (left.back() == u'/') return left + right;
  return left + u"/" + right;
}

std::u16string ProgramFolder() {
  std::string exe = sys::ExecutablePath();
  std::size_t slash = exe.rfind('/');
  return FromUtf8(slash == 0 ? std::string("/") : exe.substr(0, slash));
}

bool MatchWildcard(std::u16string_view pattern, std::u16string_view name) {
  // Iterative matcher with one backtrack point per '*'.
  std::size_t p = 0, n = 0, star = std::u16string_view::npos, mark = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == u'?' || sys::UpperUnit(pattern[p]) == sys::UpperUnit(name[n]))) {
      ++p;
      ++n;
    } else if (p < pattern.size() && pattern[p] == u'*') {
      star = p++;
      mark = n;
    } else if (star != std::u16string_view::npos) {
      p = star + 1;
      n = ++mark;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == u'*') ++p;
  return p == pattern.size();
}

}  // namespace pv

namespace {

DWORD ErrnoToError(int e) {
  switch (e) {
    case ENOENT:
      return ERROR_FILE_NOT_FOUND;
    case ENOTDIR:
      return ERROR_PATH_NOT_FOUND;
    case EACCES:
    case EPERM:
    case EROFS:
      return ERROR_ACCESS_DENIED;
    case EEXIST:
      return ERROR_ALREADY_EXISTS;
    case ENOTEMPTY:
      return ERROR_DIR_NOT_EMPTY;
    case ENOSPC:
      return ERROR_DISK_FULL;
    case ENAMETOOLONG:
      return ERROR_FILENAME_EXCED_RANGE;
    case EISDIR:
      return ERROR_ACCESS_DENIED;
    case EBUSY:
      return ERROR_SHARING_VIOLATION;
    case EINVAL:
      return ERROR_INVALID_PARAMETER;
    case EMFILE:
    case ENFILE:
      return ERROR_TOO_MANY_OPEN_FILES;
    default:
      return ERROR_INVALID_FUNCTION;
  }
}

// ENOENT on a path whose folder is missing is "path not found".
DWORD MissingError(const std::string& path) {
  std::size_t slash = path.rfind('/');
  if (slash == std::string::npos || slash == 0) return ERROR_FILE_NOT_FOUND;
  struct stat st {};
  if (::stat(path.substr(0, slash).c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return ERROR_PATH_NOT_FOUND;
  return ERROR_FILE_NOT_FOUND;
}

BOOL Fail(DWORD code) {
  SetLastError(code);
  return FALSE;
}

BOOL FailErrno(int e, const std::string& path) { return Fail(e == ENOENT ? MissingError(path) : ErrnoToError(e)); }

FILETIME ToFileTime(const struct timespec& ts) {
  // FILETIME counts 100 ns from 1601-01-01; the Unix epoch is 11644473600 s later.
  long long v = (static_cast<long long>(ts.tv_sec) + 11644473600LL) * 10000000LL + ts.tv_nsec / 100;
  return FILETIME{static_cast<DWORD>(v & 0xFFFFFFFF), static_cast<DWORD>(static_cast<unsigned long long>(v) >> 32)};
}

// Hidden records for file systems without user extended attributes.
std::mutex g_hiddenMutex;
std::set<std::string>& HiddenFallback() {
  static auto* s = new std::set<std::string>;
  return *s;
}
constexpr char kHiddenAttr[] = "user.pravenor.hidden";

bool RecordedHidden(const std::string& path) {
  char v = 0;
  if (::getxattr(path.c_str(), kHiddenAttr, &v, 1) == 1) return v == '1';
  std::lock_guard<std::mutex> g(g_hiddenMutex);
  return HiddenFallback().count(path) != 0;
}

void RecordHidden(const std::string& path, bool hidden) {
  int r = hidden ? ::setxattr(path.c_str(), kHiddenAttr, "1", 1, 0) : ::removexattr(path.c_str(), kHiddenAttr);
  std::lock_guard<std::mutex> g(g_hiddenMutex);
  if (r != 0 && hidden && errno != ENOENT) {
    HiddenFallback().insert(path);
  } else {
    HiddenFallback().erase(path);
  }
}

DWORD AttributesOf(const std::string& path, const struct stat& st) {
  DWORD a = 0;
  if (S_ISDIR(st.st_mode)) a |= FILE_ATTRIBUTE_DIRECTORY;
  if (!(st.st_mode & S_IWUSR)) a |= FILE_ATTRIBUTE_READONLY;
  std::string base = path.substr(path.rfind('/') + 1);
  if ((base.size() > 1 && base[0] == '.' && base != "..") || RecordedHidden(path)) a |= FILE_ATTRIBUTE_HIDDEN;
  if (a == 0) a = FILE_ATTRIBUTE_NORMAL;
  return a;
}

bool CopyBytes(const std::string& from, const std::string& to, DWORD* error) {
  std::string data;
  struct stat st {};
  if (::stat(from.c_str(), &st) != 0) {
    *error = errno == ENOENT ? MissingError(from) : ErrnoToError(errno);
    return false;
  }
  if (S_ISDIR(st.st_mode)) {
    *error = ERROR_ACCESS_DENIED;
    return false;
  }
  if (!pv::sys::ReadWholeFile(from, &data)) {
    *error = ErrnoToError(errno);
    return false;
  }
  std::string why;
  if (!pv::sys::WriteFileAtomically(to, data, &why)) {
    struct stat dst {};
    std::size_t slash = to.rfind('/');
    bool folderMissing = slash != std::string::npos && slash > 0 && ::stat(to.substr(0, slash).c_str(), &dst) != 0;
    *error = folderMissing ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED;
    return false;
  }
  ::chmod(to.c_str(), st.st_mode & 07777);
  return true;
}

struct FindState {
  std::string folder;
  std::vector<std::string> names;
  std::size_t next = 0;
};

// Open searches by their generation-tagged handle, so a closed search's
// handle reaches neither freed memory nor the search opened next. `mutex`
// guards the table and every search in it.
struct FindTable {
  std::mutex mutex;
  pv::detail::HandleTable<FindState> searches{pv::detail::HandleTag::FindFile};
};

FindTable& Finds() {
  static FindTable& t = *new FindTable;
  return t;
}

bool FillFindData(const FindState& f, const std::string& name, LPWIN32_FIND_DATAW d) {
  std::string full = f.folder + "/" + name;
  struct stat st {};
  if (::lstat(full.c_str(), &st) != 0) return false;
  if (S_ISLNK(st.st_mode) && ::stat(full.c_str(), &st) != 0) return false;
  std::memset(d, 0, sizeof *d);
  d->dwFileAttributes = AttributesOf(full, st);
  if (name == "." || name == "..") d->dwFileAttributes &= ~FILE_ATTRIBUTE_HIDDEN;
  if (d->dwFileAttributes == 0) d->dwFileAttributes = FILE_ATTRIBUTE_NORMAL;
  d->ftCreationTime = ToFileTime(st.st_mtim);
  d->ftLastAccessTime = ToFileTime(st.st_atim);
  d->ftLastWriteTime = ToFileTime(st.st_mtim);
  unsigned long long size = S_ISDIR(st.st_mode) ? 0 : static_cast<unsigned long long>(st.st_size);
  d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
  std::u16string wide = FromUtf8(name);
  std::size_t n = std::min<std::size_t>(wide.size(), MAX_PATH - 1);
  std::memcpy(d->cFileName, wide.data(), n * 2);
  d->cFileName[n] = 0;
  return true;
}

DWORD CopyString(const std::u16string& s, LPWSTR buffer, DWORD size) {
  // Shared rule of GetTempPath and friends: the size needed when too short.
  if (!buffer || size < s.size() + 1) return static_cast<DWORD>(s.size() + 1);
  std::memcpy(buffer, s.data(), s.size() * 2);
  buffer[s.size()] = 0;
  return static_cast<DWORD>(s.size());
}

}  // namespace

DWORD GetModuleFileNameW(HMODULE module, LPWSTR buffer, DWORD size) {
  std::u16string path;
  if (!module || module == pv::GetProgramModule()) {
    path = FromUtf8(pv::sys::ExecutablePath());
  } else {
    std::u16string name;
    if (!pv::GetBuiltinModuleName(module, &name)) {
      SetLastError(ERROR_MOD_NOT_FOUND);
      return 0;
    }
    path = pv::JoinPath(pv::ProgramFolder(), name);
  }
  if (!buffer || size == 0) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return 0;
  }
  if (path.size() + 1 > size) {
    std::memcpy(buffer, path.data(), (size - 1) * 2);
    buffer[size - 1] = 0;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::memcpy(buffer, path.data(), path.size() * 2);
  buffer[path.size()] = 0;
  SetLastError(ERROR_SUCCESS);
  return static_cast<DWORD>(path.size());
}

DWORD GetTempPathW(DWORD size, LPWSTR buffer) {
  const char* t = std::getenv("TMPDIR");
  std::string dir = (t && t[0] == '/') ? t : "/tmp";
  if (dir.back() != '/') dir += '/';
  return CopyString(FromUtf8(dir), buffer, size);
}

UINT GetTempFileNameW(LPCWSTR folder, LPCWSTR prefix, UINT unique, LPWSTR out) {
  if (!folder || !out) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  std::u16string dir = pv::NormalizePath(pv::sys::View(folder));
  std::u16string pre(pv::sys::View(prefix).substr(0, 3));
  static std::atomic<unsigned> counter{0};
  auto compose = [&](unsigned number) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%X", number & 0xFFFF);
    return pv::JoinPath(dir, pre + FromUtf8(hex) + u".tmp");
  };
  if (unique != 0) {
    std::u16string p = compose(unique);
    if (p.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    std::memcpy(out, p.c_str(), (p.size() + 1) * 2);
    return unique & 0xFFFF;
  }
  struct stat st {};
  std::string nativeDir = NativePath(dir.c_str());
  if (::stat(nativeDir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_DIRECTORY);
    return 0;
  }
  unsigned start = (static_cast<unsigned>(::getpid()) * 2654435761u + counter++ * 40503u) & 0xFFFF;
  for (unsigned i = 0; i < 0x10000; ++i) {
    unsigned number = (start + i) & 0xFFFF;
    if (number == 0) continue;
    std::u16string p = compose(number);
    if (p.size() >= MAX_PATH) {
      SetLastError(ERROR_FILENAME_EXCED_RANGE);
      return 0;
    }
    int fd = ::open(ToUtf8(p).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      std::memcpy(out, p.c_str(), (p.size() + 1) * 2);
      return number;
    }
    if (errno != EEXIST) {
      SetLastError(ErrnoToError(errno));
      return 0;
    }
  }
  SetLastError(ERROR_FILE_EXISTS);
  return 0;
}

BOOL CopyFileW(LPCWSTR from, LPCWSTR to, BOOL failIfExists) {
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  std::string src = NativePath(from), dst = NativePath(to);
  struct stat a {
  }, b{};
  if (::stat(src.c_str(), &a) != 0) return FailErrno(errno, src);
  if (::stat(dst.c_str(), &b) == 0) {
    if (failIfExists) return Fail(ERROR_FILE_EXISTS);
    if (a.st_dev == b.st_dev && a.st_ino == b.st_ino) return Fail(ERROR_SHARING_VIOLATION);
    if (S_ISDIR(b.st_mode) || !(b.st_mode & S_IWUSR)) return Fail(ERROR_ACCESS_DENIED);
  }
  DWORD error = 0;
  if (!CopyBytes(src, dst, &error)) return Fail(error);
  return TRUE;
}

BOOL MoveFileExW(LPCWSTR from, LPCWSTR to, DWORD flags) {
  if (flags & MOVEFILE_DELAY_UNTIL_REBOOT) return Fail(ERROR_NOT_SUPPORTED);
  if (!from || !to) return Fail(ERROR_INVALID_PARAMETER);
  std::string src = NativePath(from), dst = NativePath(to);
  struct stat a {};
  if (::lstat(src.c_str(), &a) != 0) return FailErrno(errno, src);
  bool replace = (flags & MOVEFILE_REPLACE_EXISTING) != 0;
  int r;
  if (replace) {
    struct stat b {};
    if (::stat(dst.c_str(), &b) == 0 && S_ISDIR(b.st_mode)) return Fail(ERROR_ACCESS_DENIED);
    r = ::rename(src.c_str(), dst.c_str());
  } else {
    r = ::renameat2(AT_FDCWD, src.c_str(), AT_FDCWD, dst.c_str(), RENAME_NOREPLACE);
    if (r != 0 && (errno == EINVAL || errno == ENOSYS)) {
      // File systems without no-replace renames: a hard link refuses an
      // existing target just the same.
      struct stat b {};
      if (::lstat(dst.c_str(), &b) == 0) return Fail(ERROR_ALREADY_EXISTS);
      r = ::rename(src.c_str(), dst.c_str());
    }
  }
  if (r == 0) {
    if (RecordedHidden(src)) RecordHidden(dst, true), RecordHidden(src, false);
    return TRUE;
  }
  if (errno == EEXIST) return Fail(ERROR_ALREADY_EXISTS);
  if (errno == EXDEV && S_ISREG(a.st_mode) && (flags & MOVEFILE_COPY_ALLOWED)) {
    struct stat b {};
    if (!replace && ::stat(dst.c_str(), &b) == 0) return Fail(ERROR_ALREADY_EXISTS);
    DWORD error = 0;
    if (!CopyBytes(src, dst, &error)) return Fail(error);
    ::unlink(src.c_str());
    return TRUE;
  }
  if (errno == EXDEV) return Fail(ERROR_NOT_SAME_DEVICE);
  return FailErrno(errno, dst);
}

BOOL MoveFileW(LPCWSTR from, LPCWSTR to) { return MoveFileExW(from, to, MOVEFILE_COPY_ALLOWED); }

BOOL DeleteFileW(LPCWSTR path) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER);
  std::string p = NativePath(path);
  struct stat st {};
  if (::lstat(p.c_str(), &st) != 0) return FailErrno(errno, p);
  if (S_ISDIR(st.st_mode)) return Fail(ERROR_ACCESS_DENIED);
  if (::unlink(p.c_str()) != 0) return FailErrno(errno, p);
  std::lock_guard<std::mutex> g(g_hiddenMutex);
  HiddenFallback().erase(p);
  return TRUE;
}

BOOL CreateDirectoryW(LPCWSTR path, LPSECURITY_ATTRIBUTES) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER);
  std::string p = NativePath(path);
  while (p.size() > 1 && p.back() == '/') p.pop_back();
  if (::mkdir(p.c_str(), 0777) != 0) return errno == ENOENT ? Fail(ERROR_PATH_NOT_FOUND) : FailErrno(errno, p);
  return TRUE;
}

BOOL RemoveDirectoryW(LPCWSTR path) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER);
  std::string p = NativePath(path);
  if (::rmdir(p.c_str()) != 0) return errno == ENOTDIR ? Fail(ERROR_DIRECTORY) : FailErrno(errno, p);
  return TRUE;
}

DWORD GetFileAttributesW(LPCWSTR path) {
  if (!path) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_FILE_ATTRIBUTES;
  }
  std::string p = NativePath(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) {
    FailErrno(errno, p);
    return INVALID_FILE_ATTRIBUTES;
  }
  return AttributesOf(p, st);
}

BOOL GetFileAttributesExW(LPCWSTR path, GET_FILEEX_INFO_LEVELS level, LPVOID info) {
  if (!path || !info || level != GetFileExInfoStandard) return Fail(ERROR_INVALID_PARAMETER);
  std::string p = NativePath(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return FailErrno(errno, p);
  auto* d = static_cast<WIN32_FILE_ATTRIBUTE_DATA*>(info);
  d->dwFileAttributes = AttributesOf(p, st);
  d->ftCreationTime = ToFileTime(st.st_mtim);
  d->ftLastAccessTime = ToFileTime(st.st_atim);
  d->ftLastWriteTime = ToFileTime(st.st_mtim);
  unsigned long long size = S_ISDIR(st.st_mode) ? 0 : static_cast<unsigned long long>(st.st_size);
  d->nFileSizeHigh = static_cast<DWORD>(size >> 32);
  d->nFileSizeLow = static_cast<DWORD>(size & 0xFFFFFFFF);
  return TRUE;
}

BOOL SetFileAttributesW(LPCWSTR path, DWORD attributes) {
  if (!path) return Fail(ERROR_INVALID_PARAMETER);
  std::string p = NativePath(path);
  struct stat st {};
  if (::stat(p.c_str(), &st) != 0) return FailErrno(errno, p);
  mode_t mode = st.st_mode & 07777;
  mode_t want = (attributes & FILE_ATTRIBUTE_READONLY) ? (mode & ~static_cast<mode_t>(0222)) : (mode | S_IWUSR);
  if (want != mode && ::chmod(p.c_str(), want) != 0) return FailErrno(errno, p);
  RecordHidden(p, (attributes & FILE_ATTRIBUTE_HIDDEN) != 0);
  return TRUE;
}

HANDLE FindFirstFileW(LPCWSTR pattern, LPWIN32_FIND_DATAW data) {
  if (!pattern || !data) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return INVALID_HANDLE_VALUE;
  }
  std::u16string pat = pv::NormalizePath(pv::sys::View(pattern));
  std::size_t slash = pat.rfind(u'/');
  std::u16string folder = slash == std::u16string::npos ? u"." : (slash == 0 ? u"/" : pat.substr(0, slash));
  std::u16string mask = slash == std::u16string::npos ? pat : pat.substr(slash + 1);
  if (mask == u"*.*") mask = u"*";
  if (mask.empty()) {
    SetLastError(ERROR_FILE_NOT_FOUND);
    return INVALID_HANDLE_VALUE;
  }
  auto state = std::make_unique<FindState>();
  state->folder = ToUtf8(folder);
  DIR* dir = ::opendir(state->folder.c_str());
  if (!dir) {
    SetLastError(errno == ENOENT || errno == ENOTDIR ? ERROR_PATH_NOT_FOUND : ErrnoToError(errno));
    return INVALID_HANDLE_VALUE;
  }
  while (struct dirent* e = ::readdir(dir)) {
    std::string name = e->d_name;
    if (pv::MatchWildcard(mask, FromUtf8(name))) state->names.push_back(name);
  }
  ::closedir(dir);
  std::sort(state->names.begin(), state->names.end(), [](const std::string& a, const std::string& b) {
    auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    int c = pv::sys::CompareNoCase(FromUtf8(a), FromUtf8(b));
    return c != 0 ? c < 0 : a < b;
  });
  while (state->next < state->names.size()) {
    if (FillFindData(*state, state->names[state->next++], data)) {
      std::lock_guard<std::mutex> lock(Finds().mutex);
      uintptr_t handle = Finds().searches.Add(state.get());
      if (!handle) {
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return INVALID_HANDLE_VALUE;
      }
      state.release();
      SetLastError(ERROR_SUCCESS);
      return reinterpret_cast<HANDLE>(handle);
    }
  }
  SetLastError(ERROR_FILE_NOT_FOUND);
  return INVALID_HANDLE_VALUE;
}

BOOL FindNextFileW(HANDLE find, LPWIN32_FIND_DATAW data) {
  std::lock_guard<std::mutex> lock(Finds().mutex);
  FindState* state = Finds().searches.Find(reinterpret_cast<uintptr_t>(find));
  if (!state || !data) return Fail(ERROR_INVALID_HANDLE);
  while (state->next < state->names.size()) {
    if (FillFindData(*state, state->names[state->next++], data)) return TRUE;
  }
  return Fail(ERROR_NO_MORE_FILES);
}

BOOL FindClose(HANDLE find) {
  std::unique_ptr<FindState> state;
  {
    std::lock_guard<std::mutex> lock(Finds().mutex);
    const uintptr_t handle = reinterpret_cast<uintptr_t>(find);
    state.reset(Finds().searches.Find(handle));
    if (!state) return Fail(ERROR_INVALID_HANDLE);
    Finds().searches.Remove(handle);
  }
  return TRUE;
}

namespace pv {
void SetFindHandleReuseLastFreedForTesting(bool on) {
  std::lock_guard<std::mutex> lock(Finds().mutex);
  Finds().searches.SetReuseLastFreedForTesting(on);
}
}  // namespace pv

// ---- path helpers ---------------------------------------------------------------------------

namespace {
bool IsSep(char16_t c) { return c == u'/' || c == u'\\'; }

void Store(LPWSTR dest, const std::u16string& s) { std::memcpy(dest, s.c_str(), (s.size() + 1) * 2); }
}  // namespace

BOOL PathFileExistsW(LPCWSTR path) {
  if (!path) return FALSE;
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 ? TRUE : FALSE;
}

BOOL PathIsDirectoryW(LPCWSTR path) {
  if (!path) return FALSE;
  struct stat st {};
  return ::stat(NativePath(path).c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? TRUE : FALSE;
}

BOOL PathIsRelativeW(LPCWSTR path) {
  if (!path || !path[0]) return TRUE;
  return IsSep(path[0]) ? FALSE : TRUE;
}

LPWSTR PathFindFileNameW(LPCWSTR path) {
  if (!path) return nullptr;
  const char16_t* last = path;
  for (const char16_t* p = path; *p; ++p) {
    if (IsSep(*p) && p[1]) last = p + 1;
  }
  return const_cast<LPWSTR>(last);
}

LPWSTR PathFindExtensionW(LPCWSTR path) {
  if (!path) return nullptr;
  const char16_t* dot = nullptr;
  const char16_t* p = path;
  for (; *p; ++p) {
    if (IsSep(*p) || *p == u' ') dot = nullptr;
    else if (*p == u'.') dot = p;
  }
  return const_cast<LPWSTR>(dot ? dot : p);
}

void PathRemoveExtensionW(LPWSTR path) {
  if (!path) return;
  LPWSTR ext = PathFindExtensionW(path);
  *ext = 0;
}

BOOL PathRenameExtensionW(LPWSTR path, LPCWSTR ext) {
  if (!path || !ext) return FALSE;
  LPWSTR at = PathFindExtensionW(path);
  std::size_t keep = static_cast<std::size_t>(at - path);
  std::u16string_view e = pv::sys::View(ext);
  if (keep + e.size() >= MAX_PATH) return FALSE;
  std::memcpy(at, e.data(), e.size() * 2);
  at[e.size()] = 0;
  return TRUE;
}

BOOL PathRemoveFileSpecW(LPWSTR path) {
  if (!path || !path[0]) return FALSE;
  std::size_t n = pv::sys::Len(path);
  std::size_t cut = std::u16string::npos;
  for (std::size_t i = 0; i < n; ++i)
    if (IsSep(path[i])) cut = i;
  if (cut == std::u16string::npos) {
    path[0] = 0;
    return TRUE;
  }
  if (cut == 0) {
    if (n == 1) return FALSE;
    path[1] = 0;
    return TRUE;
  }
  path[cut] = 0;
  return TRUE;
}

void PathStripPathW(LPWSTR path) {
  if (!path) return;
  std::u16string name(pv::sys::View(PathFindFileNameW(path)));
  Store(path, name);
}

LPWSTR PathAddBackslashW(LPWSTR path) {
  if (!path) return nullptr;
  std::size_t n = pv::sys::Len(path);
  if (n > 0 && IsSep(path[n - 1])) return path + n;
  if (n + 1 >= MAX_PATH) return nullptr;
  path[n] = u'/';
  path[n + 1] = 0;
  return path + n + 1;
}

LPWSTR PathRemoveBackslashW(LPWSTR path) {
  if (!path) return nullptr;
  std::size_t n = pv::sys::Len(path);
  if (n > 1 && IsSep(path[n - 1])) {
    path[n - 1] = 0;
    return path + n - 1;
  }
  return path + (n ? n - 1 : 0);
}

BOOL PathAppendW(LPWSTR path, LPCWSTR more) {
  if (!path || !more) return FALSE;
  std::u16string joined = pv::JoinPath(pv::sys::View(path), pv::sys::View(more));
  if (joined.size() >= MAX_PATH) return FALSE;
  Store(path, joined);
  return TRUE;
}

LPWSTR PathCombineW(LPWSTR dest, LPCWSTR dir, LPCWSTR file) {
  if (!dest || (!dir && !file)) return nullptr;
  std::u16string joined;
  if (file && IsSep(file[0])) joined = pv::NormalizePath(pv::sys::View(file));
  else joined = pv::JoinPath(pv::sys::View(dir), pv::sys::View(file));
  if (joined.size() >= MAX_PATH) {
    dest[0] = 0;
    return nullptr;
  }
  Store(dest, joined);
  return dest;
}

// ---- special folders --------------------------------------------------------------------------

namespace {
bool FolderFor(int csidl, std::string* out) {
  switch (csidl & 0xFF) {
    case CSIDL_APPDATA:
    case CSIDL_LOCAL_APPDATA:
    case CSIDL_COMMON_APPDATA:
      *out = pv::sys::DataHome();
      return true;
    case CSIDL_PERSONAL:
      *out = pv::sys::HomeFolder() + "/Documents";
      return true;
    case CSIDL_DESKTOP:
    case CSIDL_DESKTOPDIRECTORY:
      *out = pv::sys::HomeFolder() + "/Desktop";
      return true;
    case CSIDL_PROGRAM_FILES:
      *out = ToUtf8(pv::ProgramFolder());
      return true;
    default:
      return false;
  }
}
}  // namespace

HRESULT SHGetFolderPathW(HWND, int csidl, HANDLE, DWORD, LPWSTR path) {
  if (!path) return E_INVALIDARG;
  path[0] = 0;
  std::string folder;
  if (!FolderFor(csidl, &folder)) return E_INVALIDARG;
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0) {
    if (!(csidl & CSIDL_FLAG_CREATE) || !pv::sys::MakeDirectories(folder))
      return HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND);
  }
  std::u16string w = FromUtf8(folder);
  if (w.size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_FILENAME_EXCED_RANGE);
  Store(path, w);
  return S_OK;
}

BOOL SHGetSpecialFolderPathW(HWND owner, LPWSTR path, int csidl, BOOL create) {
  return SUCCEEDED(SHGetFolderPathW(owner, csidl | (create ? CSIDL_FLAG_CREATE : 0), nullptr, 0, path)) ? TRUE : FALSE;
}
