#include "platform/system/sysutil.h"

#include "platform/base/utf.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace pv::sys {

std::string ToUtf8(std::u16string_view text) { return pv::Utf16ToUtf8(text); }

std::u16string FromUtf8(std::string_view text) { return pv::Utf8ToUtf16(text); }

std::size_t Len(const char16_t* s) {
  if (!s) return 0;
  std::size_t n = 0;
  while (s[n]) ++n;
  return n;
}

char16_t UpperUnit(char16_t c) {
  if (c < 0x80) return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - 32) : c;
  if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return static_cast<char16_t>(c - 32);
  if (c == 0xFF) return 0x178;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x131) return u'I';
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? c : static_cast<char16_t>(c - 1);
    if (c == 0x130 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  }
  if (c >= 0x3B1 && c <= 0x3CB) return c == 0x3C2 ? static_cast<char16_t>(0x3A3) : static_cast<char16_t>(c - 32);
  if (c == 0x3AC) return 0x386;
  if (c >= 0x3AD && c <= 0x3AF) return static_cast<char16_t>(c - 37);
  if (c == 0x3CC) return 0x38C;
  if (c == 0x3CD || c == 0x3CE) return static_cast<char16_t>(c - 63);
  if (c >= 0x430 && c <= 0x44F) return static_cast<char16_t>(c - 32);
  if (c >= 0x450 && c <= 0x45F) return static_cast<char16_t>(c - 80);
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return (c & 1) ? static_cast<char16_t>(c - 1) : c;
  if (c >= 0xFF41 && c <= 0xFF5A) return static_cast<char16_t>(c - 32);
  return c;
}

char16_t LowerUnit(char16_t c) {
  if (c < 0x80) return (c >= u'A' && c <= u'Z') ? static_cast<char16_t>(c + 32) : c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<char16_t>(c + 32);
  if (c == 0x178) return 0xFF;
  if (c >= 0x100 && c <= 0x17F) {
    if (c == 0x130) return u'i';
    if ((c >= 0x139 && c <= 0x148) || (c >= 0x179 && c <= 0x17E)) return (c & 1) ? static_cast<char16_t>(c + 1) : c;
    if (c == 0x131 || c == 0x138 || c == 0x149 || c == 0x17F) return c;
    return (c & 1) ? c : static_cast<char16_t>(c + 1);
  }
  if (c >= 0x391 && c <= 0x3AB && c != 0x3A2) return static_cast<char16_t>(c + 32);
  if (c == 0x386) return 0x3AC;
  if (c >= 0x388 && c <= 0x38A) return static_cast<char16_t>(c + 37);
  if (c == 0x38C) return 0x3CC;
  if (c == 0x38E || c == 0x38F) return static_cast<char16_t>(c + 63);
  if (c >= 0x410 && c <= 0x42F) return static_cast<char16_t>(c + 32);
  if (c >= 0x400 && c <= 0x40F) return static_cast<char16_t>(c + 80);
  if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF)) return (c & 1) ? c : static_cast<char16_t>(c + 1);
  if (c >= 0xFF21 && c <= 0xFF3A) return static_cast<char16_t>(c + 32);
  return c;
}

std::u16string Upper(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = UpperUnit(c);
  return out;
}

std::u16string Lower(std::u16string_view text) {
  std::u16string out(text);
  for (auto& c : out) c = LowerUnit(c);
  return out;
}

int CompareNoCase(std::u16string_view a, std::u16string_view b) {
  std::size_t n = a.size() < b.size() ? a.size() : b.size();
  for (std::size_t i = 0; i < n; ++i) {
    char16_t x = UpperUnit(a[i]);
    char16_t y = UpperUnit(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  if (a.size() == b.size()) return 0;
  return a.size() < b.size() ? -1 : 1;
}

namespace {
std::atomic<AtomicWriteHook> g_hook{nullptr};
std::atomic<ReadFailureHook> g_readFailure{nullptr};
std::atomic<unsigned> g_counter{0};

std::string DirOf(const std::string& path) {
  auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool WriteAll(int fd, std::string_view data) {
  std::size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<std::size_t>(n);
  }
  return true;
}
}  // namespace

void SetAtomicWriteHookForTests(AtomicWriteHook hook) { g_hook = hook; }

void SetReadFailureHookForTests(ReadFailureHook hook) { g_readFailure = hook; }

bool WriteFileAtomically(const std::string& target, std::string_view data, std::string* error, FileAccess access) {
  // A settings file that is a symbolic link (kept in another folder) is
  // replaced where it really lives; the link stays.
  std::string path = target;
  struct stat link {};
  if (::lstat(target.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
    if (char* real = ::realpath(target.c_str(), nullptr)) {
      path = real;
      std::free(real);
    }
  }
  std::string temp = path + ".tmp-" + std::to_string(::getpid()) + "-" + std::to_string(g_counter++);
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) {
    if (error) *error = "cannot create " + temp + ": " + std::strerror(errno);
    return false;
  }
  // Keep the permissions of an existing file, or only its owner's.
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0)
    ::fchmod(fd, access == FileAccess::OwnerOnly ? (st.st_mode & 0700) | 0600 : st.st_mode & 07777);
  if (!WriteAll(fd, data) || ::fsync(fd) != 0) {
    int e = errno;
    ::close(fd);
    ::unlink(temp.c_str());
    if (error) *error = "cannot write " + temp + ": " + std::strerror(e);
    return false;
  }
  ::close(fd);
  if (AtomicWriteHook hook = g_hook.load()) hook(temp.c_str());
  if (::rename(temp.c_str(), path.c_str()) != 0) {
    int e = errno;
    ::unlink(temp.c_str());
    if (error) *error = "cannot replace " + path + ": " + std::strerror(e);
    return false;
  }
  int dfd = ::open(DirOf(path).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (dfd >= 0) {
    ::fsync(dfd);
    ::close(dfd);
  }
  return true;
}

void RemoveStaleTempFiles(const std::string& path) {
  std::string dir = DirOf(path);
  std::string prefix = path.substr(path.rfind('/') + 1) + ".tmp-";
  DIR* d = ::opendir(dir.c_str());
  if (!d) return;
  std::vector<std::string> stale;
  while (struct dirent* e = ::readdir(d)) {
    std::string name = e->d_name;
    if (name.compare(0, prefix.size(), prefix) != 0) continue;
    long pid = std::strtol(name.c_str() + prefix.size(), nullptr, 10);
    if (pid > 0 && pid != ::getpid() && ::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH)
      stale.push_back(dir + "/" + name);
  }
  ::closedir(d);
  for (const auto& s : stale) ::unlink(s.c_str());
}

bool ReadWholeFile(const std::string& path, std::string* data) {
  if (ReadFailureHook hook = g_readFailure.load(); hook && hook(path.c_str())) {
    errno = EIO;
    return false;
  }
  int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  data->clear();
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(fd, buf, sizeof buf);
    if (n < 0) {
      if (errno == EINTR) continue;
      ::close(fd);
      return false;
    }
    if (n == 0) break;
    data->append(buf, static_cast<std::size_t>(n));
  }
  ::close(fd);
  return true;
}

bool MakeDirectories(const std::string& path) {
  if (path.empty()) return false;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) return S_ISDIR(st.st_mode);
  auto slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0) {
    if (!MakeDirectories(path.substr(0, slash))) return false;
  }
  if (::mkdir(path.c_str(), 0700) == 0) return true;
  return errno == EEXIST && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void ReportProblem(const std::string& message) {
  std::string line = "Pravenor: " + message + "\n";
  ::fwrite(line.data(), 1, line.size(), stderr);
}

}  // namespace pv::sys
