#include "platform/system/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <map>
#include <mutex>
#include <vector>

#include "platform/system/paths_internal.h"
#include "platform/system/sysutil.h"

using pv::sys::EqualNoCase;
using pv::sys::FromUtf8;
using pv::sys::ToUtf8;
using pv::sys::View;

namespace {

// One INI file in memory: its lines as stored bytes (UTF-8, or converted
// from UTF-16), so that lines nobody changes are written back unchanged.
struct IniText {
  enum Encoding { kUtf8, kUtf8Bom, kUtf16 } encoding = kUtf8;
  std::string eol = "\n";
  bool finalEol = true;
  std::vector<std::string> lines;
};

bool IsBlank(char16_t c) { return c == u' ' || c == u'\t'; }

std::u16string Trim(std::u16string_view s) {
  std::size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && (IsBlank(s[b - 1]) || s[b - 1] == u'\r')) --b;
  return std::u16string(s.substr(a, b - a));
}

void ParseText(const std::string& bytes, IniText* t) {
  std::string text;
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF && static_cast<unsigned char>(bytes[1]) == 0xFE) {
    t->encoding = IniText::kUtf16;
    std::u16string w;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      w += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
    text = ToUtf8(w);
  } else if (bytes.size() >= 3 && bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
    t->encoding = IniText::kUtf8Bom;
    text = bytes.substr(3);
  } else {
    text = bytes;
  }
  t->lines.clear();
  std::size_t pos = 0;
  bool sawEol = false;
  while (pos < text.size()) {
    std::size_t end = text.find('\n', pos);
    if (end == std::string::npos) {
      t->lines.push_back(text.substr(pos));
      t->finalEol = false;
      break;
    }
    std::string line = text.substr(pos, end - pos);
    if (!sawEol) {
      sawEol = true;
      t->eol = (!line.empty() && line.back() == '\r') ? "\r\n" : "\n";
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    t->lines.push_back(std::move(line));
    pos = end + 1;
  }
}

std::string SerializeText(const IniText& t) {
  std::string text;
  for (std::size_t i = 0; i < t.lines.size(); ++i) {
    text += t.lines[i];
    if (i + 1 < t.lines.size() || t.finalEol) text += t.eol;
  }
  if (t.encoding == IniText::kUtf8Bom) return "\xEF\xBB\xBF" + text;
  if (t.encoding == IniText::kUtf16) {
    std::u16string w = FromUtf8(text);
    std::string out = "\xFF\xFE";
    for (char16_t c : w) {
      out += static_cast<char>(c & 0xFF);
      out += static_cast<char>(c >> 8);
    }
    return out;
  }
  return text;
}

// What a line is.
struct LineInfo {
  enum Kind { kOther, kSection, kKey } kind = kOther;
  std::u16string name;   // section or key name
  std::u16string value;  // key value, trimmed (quotes kept)
};

LineInfo Classify(const std::string& raw) {
  LineInfo info;
  std::u16string line = Trim(FromUtf8(raw));
  if (line.empty() || line[0] == u';') return info;
  if (line[0] == u'[') {
    std::size_t close = line.find(u']');
    info.kind = LineInfo::kSection;
    info.name = Trim(std::u16string_view(line).substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
    return info;
  }
  std::size_t eq = line.find(u'=');
  if (eq == std::u16string::npos) return info;
  info.kind = LineInfo::kKey;
  info.name = Trim(std::u16string_view(line).substr(0, eq));
  info.value = Trim(std::u16string_view(line).substr(eq + 1));
  return info;
}

std::u16string Unquote(const std::u16string& v) {
  if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0]) return v.substr(1, v.size() - 2);
  return v;
}

// While a pv::ProfileWriteBatch is alive, files are read once and changes
// stay in memory; the last batch to end writes each changed file once.
struct ProfileBatch {
  std::recursive_mutex mutex;
  int depth = 0;
  std::map<std::string, IniText> files;
  std::map<std::string, bool> dirty;
  std::map<std::string, bool> exists;  // on disk or written in the batch
};
ProfileBatch& Batch() {
  static ProfileBatch* batch = new ProfileBatch;  // outlives every static user
  return *batch;
}

bool ReadFromDisk(const std::string& path, IniText* t) {
  std::string bytes;
  if (!pv::sys::ReadWholeFile(path, &bytes)) return false;
  ParseText(bytes, t);
  return true;
}

bool Load(const std::string& path, IniText* t) {
  ProfileBatch& batch = Batch();
  std::lock_guard<std::recursive_mutex> guard(batch.mutex);
  if (batch.depth == 0) return ReadFromDisk(path, t);
  auto found = batch.files.find(path);
  if (found == batch.files.end()) {
    IniText loaded;
    batch.exists[path] = ReadFromDisk(path, &loaded);
    found = batch.files.emplace(path, std::move(loaded)).first;
    batch.dirty[path] = false;
  }
  *t = found->second;
  return batch.exists[path];
}

// Loads a file about to be changed. FALSE (ERROR_ACCESS_DENIED) when it
// exists but could not be read: writing would replace it with only the
// change.
BOOL LoadForChange(const std::string& path, IniText* t) {
  if (Load(path, t)) return TRUE;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

// Index of the first section header of the name, or -1.
long FindSection(const IniText& t, std::u16string_view section) {
  for (std::size_t i = 0; i < t.lines.size(); ++i) {
    LineInfo info = Classify(t.lines[i]);
    if (info.kind == LineInfo::kSection && EqualNoCase(info.name, section)) return static_cast<long>(i);
  }
  return -1;
}

// One past the last line of the section that starts at `header`.
std::size_t SectionEnd(const IniText& t, std::size_t header) {
  std::size_t i = header + 1;
  while (i < t.lines.size() && Classify(t.lines[i]).kind != LineInfo::kSection) ++i;
  return i;
}

// Copies a list of entries into the buffer with the list truncation rule.
DWORD CopyList(const std::vector<std::u16string>& items, LPWSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  if (size == 1) {
    buffer[0] = 0;
    return 0;
  }
  std::u16string all;
  for (const auto& s : items) {
    all += s;
    all += u'\0';
  }
  if (all.empty()) {
    buffer[0] = 0;
    buffer[1] = 0;
    return 0;
  }
  if (all.size() + 1 <= size) {
    std::memcpy(buffer, all.data(), all.size() * 2);
    buffer[all.size()] = 0;
    return static_cast<DWORD>(all.size());
  }
  std::memcpy(buffer, all.data(), (size - 2) * 2);
  buffer[size - 2] = 0;
  buffer[size - 1] = 0;
  return size - 2;
}

DWORD CopyValue(std::u16string_view v, LPWSTR buffer, DWORD size) {
  if (!buffer || size == 0) return 0;
  std::size_t n = v.size() < size - 1 ? v.size() : size - 1;
  std::memcpy(buffer, v.data(), n * 2);
  buffer[n] = 0;
  return static_cast<DWORD>(n);
}

bool HasLineBreak(std::u16string_view s) {
  return s.find(u'\n') != std::u16string_view::npos || s.find(u'\r') != std::u16string_view::npos;
}

bool ValidSection(std::u16string_view s) { return !HasLineBreak(s) && s.find(u']') == std::u16string_view::npos; }

bool ValidKey(std::u16string_view k) {
  std::u16string t = Trim(k);
  return !t.empty() && !HasLineBreak(k) && k.find(u'=') == std::u16string_view::npos && t[0] != u'[' && t[0] != u';';
}

// Serialises read-change-write of INI files between processes: the files
// are replaced by renames, so the lock lives in one stable file of the
// configuration folder (shared by all INI files).
class ProfileLock {
 public:
  ProfileLock() {
    std::string folder = pv::sys::ConfigFolder();
    pv::sys::MakeDirectories(folder);
    fd_ = ::open((folder + "/profile.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ >= 0) ::flock(fd_, LOCK_EX);
  }
  ~ProfileLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  ProfileLock(const ProfileLock&) = delete;
  ProfileLock& operator=(const ProfileLock&) = delete;

 private:
  int fd_ = -1;
};

BOOL WriteToDisk(const std::string& path, const IniText& t, std::string* why = nullptr) {
  std::string error;
  if (path.rfind(pv::sys::ConfigFolder() + "/", 0) == 0) pv::sys::MakeDirectories(pv::sys::ConfigFolder());
  if (!pv::sys::WriteFileAtomically(path, SerializeText(t), &error)) {
    if (why) *why = error;
    struct stat st {};
    std::size_t slash = path.rfind('/');
    bool folderMissing = slash != std::string::npos && slash > 0 && ::stat(path.substr(0, slash).c_str(), &st) != 0;
    SetLastError(folderMissing ? ERROR_PATH_NOT_FOUND : ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

// Whether the file could be written now: its folder exists and takes new
// files (the file is replaced by a rename), and the name is no folder. A
// batch checks this before it accepts a change, so a change that could
// never reach the disk is refused at once instead of answered as stored.
BOOL CanWrite(const std::string& path) {
  if (path.rfind(pv::sys::ConfigFolder() + "/", 0) == 0) pv::sys::MakeDirectories(pv::sys::ConfigFolder());
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  struct stat st {};
  if (::stat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
    SetLastError(ERROR_PATH_NOT_FOUND);
    return FALSE;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0 || (::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode))) {
    SetLastError(ERROR_ACCESS_DENIED);
    return FALSE;
  }
  return TRUE;
}

BOOL Save(const std::string& path, const IniText& t) {
  ProfileBatch& batch = Batch();
  std::lock_guard<std::recursive_mutex> guard(batch.mutex);
  if (batch.depth == 0) return WriteToDisk(path, t);
  if (!CanWrite(path)) return FALSE;
  batch.files[path] = t;
  batch.dirty[path] = true;
  batch.exists[path] = true;
  return TRUE;
}

}  // namespace

namespace pv {
ProfileWriteBatch::ProfileWriteBatch() {
  ProfileBatch& batch = Batch();
  std::lock_guard<std::recursive_mutex> guard(batch.mutex);
  ++batch.depth;
}

ProfileWriteBatch::~ProfileWriteBatch() {
  ProfileBatch& batch = Batch();
  std::lock_guard<std::recursive_mutex> guard(batch.mutex);
  if (--batch.depth > 0) return;
  ProfileLock lock;
  for (const auto& [path, changed] : batch.dirty)
    if (std::string why; changed && !WriteToDisk(path, batch.files[path], &why))
      sys::ReportProblem("could not save the settings file " + path + ": " + why);
  batch.files.clear();
  batch.dirty.clear();
  batch.exists.clear();
}

BOOL DeleteProfileFile(LPCWSTR file) {
  if (!file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path = ProfileFilePath(file);
  ProfileBatch& batch = Batch();
  std::lock_guard<std::recursive_mutex> guard(batch.mutex);
  batch.files.erase(path);
  batch.dirty.erase(path);
  batch.exists.erase(path);
  if (::unlink(path.c_str()) == 0) return TRUE;
  SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
  return FALSE;
}

std::string ProfileFilePath(LPCWSTR file) {
  std::string p = sys::NativePath(file);
  if (p.find('/') == std::string::npos) return sys::ConfigFolder() + "/" + p;
  return p;
}
}  // namespace pv

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR file) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  IniText t;
  bool loaded = file && Load(pv::ProfileFilePath(file), &t);
  if (!section) {
    std::vector<std::u16string> names;
    if (loaded)
      for (const auto& l : t.lines) {
        LineInfo info = Classify(l);
        if (info.kind == LineInfo::kSection) names.push_back(info.name);
      }
    return CopyList(names, buffer, size);
  }
  long header = loaded ? FindSection(t, View(section)) : -1;
  if (!key) {
    std::vector<std::u16string> keys;
    if (header >= 0) {
      std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
      for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        LineInfo info = Classify(t.lines[i]);
        if (info.kind == LineInfo::kKey) keys.push_back(info.name);
      }
    }
    return CopyList(keys, buffer, size);
  }
  if (header >= 0) {
    std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
      LineInfo info = Classify(t.lines[i]);
      if (info.kind == LineInfo::kKey && EqualNoCase(info.name, View(key))) {
        SetLastError(ERROR_SUCCESS);
        return CopyValue(Unquote(info.value), buffer, size);
      }
    }
  }
  std::u16string def(View(defaultValue));
  while (!def.empty() && IsBlank(def.back())) def.pop_back();
  SetLastError(ERROR_FILE_NOT_FOUND);
  return CopyValue(def, buffer, size);
}

UINT GetPrivateProfileIntW(LPCWSTR section, LPCWSTR key, INT defaultValue, LPCWSTR file) {
  if (!section || !key) return static_cast<UINT>(defaultValue);
  char16_t marker[] = u"\x1\x2";  // a default no file value can equal
  char16_t buf[64];
  GetPrivateProfileStringW(section, key, marker, buf, 64, file);
  if (std::u16string_view(buf) == marker) return static_cast<UINT>(defaultValue);
  std::u16string_view v(buf);
  std::size_t i = 0;
  while (i < v.size() && IsBlank(v[i])) ++i;
  bool negative = false;
  if (i < v.size() && (v[i] == u'-' || v[i] == u'+')) negative = v[i++] == u'-';
  unsigned long long n = 0;
  if (i + 1 < v.size() && v[i] == u'0' && (v[i + 1] == u'x' || v[i + 1] == u'X')) {
    for (i += 2; i < v.size(); ++i) {
      char16_t c = v[i];
      int d = (c >= u'0' && c <= u'9') ? c - u'0' : (c >= u'a' && c <= u'f') ? c - u'a' + 10 : (c >= u'A' && c <= u'F') ? c - u'A' + 10 : -1;
      if (d < 0) break;
      n = (n * 16 + static_cast<unsigned>(d)) & 0xFFFFFFFFull;
    }
  } else {
    for (; i < v.size() && v[i] >= u'0' && v[i] <= u'9'; ++i) n = (n * 10 + (v[i] - u'0')) & 0xFFFFFFFFull;
  }
  UINT r = static_cast<UINT>(n);
  return negative ? static_cast<UINT>(0u - r) : r;
}

DWORD GetPrivateProfileSectionW(LPCWSTR section, LPWSTR buffer, DWORD size, LPCWSTR file) {
  if (!buffer || size == 0 || !section) return 0;
  std::vector<std::u16string> lines;
  IniText t;
  if (file && Load(pv::ProfileFilePath(file), &t)) {
    long header = FindSection(t, View(section));
    if (header >= 0) {
      std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
      for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end; ++i) {
        std::u16string line = Trim(FromUtf8(t.lines[i]));
        if (line.empty() || line[0] == u';') continue;
        LineInfo info = Classify(t.lines[i]);
        lines.push_back(info.kind == LineInfo::kKey ? info.name + u"=" + info.value : line);
      }
    }
  }
  return CopyList(lines, buffer, size);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, size, file);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  if (!section && !key && !value) return TRUE;  // "flush the cache": nothing is cached
  if (!section || !file || !ValidSection(View(section)) || (key && !ValidKey(View(key))) ||
      (value && HasLineBreak(View(value)))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path = pv::ProfileFilePath(file);
  ProfileLock lock;
  IniText t;
  if (!LoadForChange(path, &t)) return FALSE;
  long header = FindSection(t, View(section));
  if (!key) {
    if (header < 0) return TRUE;
    std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
    t.lines.erase(t.lines.begin() + header, t.lines.begin() + static_cast<long>(end));
    return Save(path, t);
  }
  if (header < 0) {
    if (!value) return TRUE;
    if (!t.lines.empty() && !t.finalEol) t.finalEol = true;
    t.lines.push_back("[" + ToUtf8(View(section)) + "]");
    t.lines.push_back(ToUtf8(View(key)) + "=" + ToUtf8(View(value)));
    t.finalEol = true;
    return Save(path, t);
  }
  std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
  std::size_t lastContent = static_cast<std::size_t>(header);
  bool found = false;
  for (std::size_t i = static_cast<std::size_t>(header) + 1; i < end;) {
    LineInfo info = Classify(t.lines[i]);
    if (info.kind == LineInfo::kKey && EqualNoCase(info.name, View(key))) {
      if (!value) {
        t.lines.erase(t.lines.begin() + static_cast<long>(i));
        --end;
        found = true;
        continue;
      }
      if (!found) {
        // Keep the stored spelling and indentation of the key.
        std::string raw = t.lines[i];
        t.lines[i] = raw.substr(0, raw.find('=')) + "=" + ToUtf8(View(value));
        // Trailing blanks before '=' are part of the stored spelling too.
        found = true;
        ++i;
        continue;
      }
      t.lines.erase(t.lines.begin() + static_cast<long>(i));  // later duplicates would shadow nothing; drop them
      --end;
      continue;
    }
    if (!Trim(FromUtf8(t.lines[i])).empty()) lastContent = i;
    ++i;
  }
  if (!found) {
    if (!value) return TRUE;
    t.lines.insert(t.lines.begin() + static_cast<long>(lastContent) + 1, ToUtf8(View(key)) + "=" + ToUtf8(View(value)));
    if (lastContent + 1 == t.lines.size() - 1) t.finalEol = true;
  }
  return Save(path, t);
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file) {
  if (!section || !file || !ValidSection(View(section))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (!lines) return WritePrivateProfileStringW(section, nullptr, nullptr, file);
  std::vector<std::string> body;
  for (const char16_t* p = lines; *p; p += pv::sys::Len(p) + 1) {
    std::u16string_view line = View(p);
    if (HasLineBreak(line) || Trim(line).starts_with(u"[")) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    body.push_back(ToUtf8(line));
  }
  std::string path = pv::ProfileFilePath(file);
  ProfileLock lock;
  IniText t;
  if (!LoadForChange(path, &t)) return FALSE;
  long header = FindSection(t, View(section));
  if (header < 0) {
    t.lines.push_back("[" + ToUtf8(View(section)) + "]");
    t.lines.insert(t.lines.end(), body.begin(), body.end());
    t.finalEol = true;
    return Save(path, t);
  }
  std::size_t end = SectionEnd(t, static_cast<std::size_t>(header));
  // Keep trailing blank lines that separate this section from the next one.
  std::size_t keepFrom = end;
  while (keepFrom > static_cast<std::size_t>(header) + 1 && Trim(FromUtf8(t.lines[keepFrom - 1])).empty()) --keepFrom;
  t.lines.erase(t.lines.begin() + header + 1, t.lines.begin() + static_cast<long>(keepFrom));
  t.lines.insert(t.lines.begin() + header + 1, body.begin(), body.end());
  if (end == t.lines.size()) t.finalEol = true;
  return Save(path, t);
}
