#include "platform/system/profile.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
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
  if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
      static_cast<unsigned char>(bytes[1]) == 0xFE) {
    t->encoding = IniText::kUtf16;
    std::u16string w;
    for (std::size_t i = 2; i + 1 < bytes.size(); i += 2)
      w +=
          static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) | (static_cast<unsigned char>(bytes[i + 1]) << 8));
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
    info.name =
        Trim(std::u16string_view(line).substr(1, close == std::u16string::npos ? std::u16string::npos : close - 1));
    return info;
  }
  std::size_t eq = line.find(u'=');
  if (eq == std::u16string::npos) return info;
  info.kind = LineInfo::kKey;
  info.name = Trim(std::u16string_view(line).substr(0, eq));
  info.value = Trim(std::u16string_view(line).substr(eq + 1));
  return info;
}

// ---- a file in memory, indexed ----------------------------------------------------------
// Lines are classified once, when read or changed; sections and the keys
// of each section are found through hash maps that fold case as the
// lookups do, so reading or changing one value does not walk the file.

bool IsBlankLine(const std::string& raw) {
  for (char c : raw)
    if (c != ' ' && c != '\t' && c != '\r') return false;
  return true;
}

struct NoCaseHash {
  using is_transparent = void;
  std::size_t operator()(std::u16string_view s) const {
    std::size_t h = 1469598103934665603ull;
    for (char16_t c : s) h = (h ^ pv::sys::UpperUnit(c)) * 1099511628211ull;
    return h;
  }
};
struct NoCaseEqual {
  using is_transparent = void;
  bool operator()(std::u16string_view a, std::u16string_view b) const { return EqualNoCase(a, b); }
};
template <class T>
using NoCaseMap = std::unordered_map<std::u16string, T, NoCaseHash, NoCaseEqual>;

struct Line {
  std::string raw;  // as stored
  LineInfo info;
};
Line MakeLine(std::string raw) {
  Line l;
  l.info = Classify(raw);
  l.raw = std::move(raw);
  return l;
}

// A section: its header line (none for the lines before the first header)
// and the lines up to the next header.
struct Section {
  bool hasHeader = false;
  Line header;
  std::vector<Line> lines;
  NoCaseMap<std::size_t> keys;  // the first line of each key name
  bool duplicateKeys = false;

  void Reindex() {
    keys.clear();
    duplicateKeys = false;
    for (std::size_t i = 0; i < lines.size(); ++i)
      if (lines[i].info.kind == LineInfo::kKey && !keys.emplace(lines[i].info.name, i).second) duplicateKeys = true;
  }
  // Where a new key goes: after the last line that is not blank.
  std::size_t InsertionPoint() const {
    std::size_t i = lines.size();
    while (i > 0 && IsBlankLine(lines[i - 1].raw)) --i;
    return i;
  }
};

class IniFile {
 public:
  IniText::Encoding encoding = IniText::kUtf8;
  std::string eol = "\n";
  bool finalEol = true;

  IniFile() { Clear(); }
  void Clear() {
    sections_.clear();
    first_.clear();
    sections_.push_back(std::make_unique<Section>());
    encoding = IniText::kUtf8;
    eol = "\n";
    finalEol = true;
  }
  void Parse(const std::string& bytes) {
    IniText t;
    ParseText(bytes, &t);
    Clear();
    encoding = t.encoding;
    eol = t.eol;
    finalEol = t.finalEol;
    for (std::string& raw : t.lines) {
      Line l = MakeLine(std::move(raw));
      if (l.info.kind == LineInfo::kSection) {
        AddSection(std::move(l));
      } else {
        sections_.back()->lines.push_back(std::move(l));
      }
    }
    for (auto& s : sections_) s->Reindex();
  }
  std::string Serialize() const {
    IniText t;
    t.encoding = encoding;
    t.eol = eol;
    t.finalEol = finalEol;
    for (const auto& s : sections_) {
      if (s->hasHeader) t.lines.push_back(s->header.raw);
      for (const Line& l : s->lines) t.lines.push_back(l.raw);
    }
    return SerializeText(t);
  }

  // The first section of the name, or null.
  Section* Find(std::u16string_view name) const {
    auto it = first_.find(name);
    return it == first_.end() ? nullptr : it->second;
  }
  const Line* FindKey(std::u16string_view section, std::u16string_view key) const {
    const Section* s = Find(section);
    if (!s) return nullptr;
    auto it = s->keys.find(key);
    return it == s->keys.end() ? nullptr : &s->lines[it->second];
  }
  const std::vector<std::unique_ptr<Section>>& sections() const { return sections_; }

  // The edits, as the file format asks: a changed key keeps its spelling
  // and indentation, a new key goes after the last non-blank line of its
  // section, a new section at the end.
  void SetValue(std::u16string_view section, std::u16string_view key, const char16_t* value) {
    Section* s = Find(section);
    if (!s) {
      if (!value) return;
      Section& added = AddSection(MakeLine("[" + ToUtf8(section) + "]"));
      added.lines.push_back(MakeLine(ToUtf8(key) + "=" + ToUtf8(View(value))));
      added.Reindex();
      finalEol = true;
      return;
    }
    auto it = s->keys.find(key);
    if (it == s->keys.end()) {
      if (!value) return;
      std::size_t at = s->InsertionPoint();
      s->lines.insert(s->lines.begin() + static_cast<long>(at), MakeLine(ToUtf8(key) + "=" + ToUtf8(View(value))));
      // Only blank lines follow it: no key line moved.
      if (!s->keys.emplace(s->lines[at].info.name, at).second) s->duplicateKeys = true;
      if (s == sections_.back().get() && at + 1 == s->lines.size()) finalEol = true;
      return;
    }
    std::size_t found = it->second;
    if (!value || s->duplicateKeys) {
      // Later lines of the same key would shadow nothing: they go, and so
      // does the first when the key is deleted.
      for (std::size_t i = s->lines.size(); i-- > found + (value ? 1 : 0);)
        if (s->lines[i].info.kind == LineInfo::kKey && EqualNoCase(s->lines[i].info.name, key))
          s->lines.erase(s->lines.begin() + static_cast<long>(i));
    }
    if (value) {
      std::string& raw = s->lines[found].raw;
      s->lines[found] = MakeLine(raw.substr(0, raw.find('=')) + "=" + ToUtf8(View(value)));
    }
    if (!value || s->duplicateKeys) s->Reindex();
  }
  void DeleteSection(std::u16string_view section) {
    Section* s = Find(section);
    if (!s) return;
    std::u16string name = s->header.info.name;
    for (auto it = sections_.begin(); it != sections_.end(); ++it)
      if (it->get() == s) {
        sections_.erase(it);
        break;
      }
    first_.erase(first_.find(name));
    for (const auto& other : sections_)  // a later section of the name now comes first
      if (other->hasHeader && EqualNoCase(other->header.info.name, name)) {
        first_.emplace(other->header.info.name, other.get());
        break;
      }
  }
  // Replaces the section's lines (trailing blank lines that separate it
  // from the next section stay), or adds the section at the end.
  void ReplaceSection(std::u16string_view section, const std::vector<std::string>& body) {
    Section* s = Find(section);
    if (!s) {
      s = &AddSection(MakeLine("[" + ToUtf8(section) + "]"));
    } else {
      std::size_t keepFrom = s->InsertionPoint();
      s->lines.erase(s->lines.begin(), s->lines.begin() + static_cast<long>(keepFrom));
    }
    std::vector<Line> lines;
    for (const std::string& b : body) lines.push_back(MakeLine(b));
    s->lines.insert(s->lines.begin(), std::make_move_iterator(lines.begin()), std::make_move_iterator(lines.end()));
    s->Reindex();
    if (s == sections_.back().get()) finalEol = true;
  }

 private:
  Section& AddSection(Line header) {
    auto s = std::make_unique<Section>();
    s->hasHeader = true;
    s->header = std::move(header);
    first_.emplace(s->header.info.name, s.get());  // the first of a name wins
    sections_.push_back(std::move(s));
    return *sections_.back();
  }

  std::vector<std::unique_ptr<Section>> sections_;  // [0]: the lines before the first header
  NoCaseMap<Section*> first_;
};

// A change, kept until the flush so that it can be laid over the file again
// when another process changed the file meanwhile.
struct Change {
  enum Kind { kValue, kSection } kind = kValue;
  std::u16string section;
  bool hasKey = false, hasValue = false, hasBody = false;
  std::u16string key, value;
  std::vector<std::string> body;  // kSection: the new lines
  void ApplyTo(IniFile& f) const {
    if (kind == kSection) {
      if (hasBody) f.ReplaceSection(section, body);
      else f.DeleteSection(section);
    } else if (!hasKey) {
      f.DeleteSection(section);
    } else {
      f.SetValue(section, key, hasValue ? value.c_str() : nullptr);
    }
  }
};

// What identifies the bytes of a file on disk without reading them: a
// rename over it, an edit or a deletion changes it.
struct FileIdentity {
  bool exists = false;
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  long long mtimeSec = 0, mtimeNsec = 0;
  bool operator==(const FileIdentity&) const = default;
};
FileIdentity Identify(const std::string& path) {
  FileIdentity id;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) return id;
  id.exists = true;
  id.device = st.st_dev;
  id.inode = st.st_ino;
  id.size = st.st_size;
  id.mtimeSec = st.st_mtim.tv_sec;
  id.mtimeNsec = st.st_mtim.tv_nsec;
  return id;
}

// One INI file as this process knows it.
struct CachedFile {
  std::string path;
  IniFile text;             // the disk's text with the waiting changes applied
  bool loaded = false;      // `text` came from the disk (or the file is missing)
  bool unreadable = false;  // the file exists and could not be read
  FileIdentity base;        // what `text` was read from or last written as
  unsigned checkedIn = 0;   // the flush generation in which the disk was last looked at
  std::vector<Change> pending;
};

// Every INI file of the process. Changes wait in memory until a flush
// writes each changed file once: the end of the outermost batch, idle time
// and exit (pv::FlushProfiles), an explicit flush. Reads answer from
// memory; a file without waiting changes is looked at again (one stat) the
// first time it is used after each flush.
struct ProfileStore {
  std::recursive_mutex mutex;
  int depth = 0;  // open batches
  unsigned generation = 1;
  bool flushAtExit = false;
  std::unordered_map<std::string, std::unique_ptr<CachedFile>> files;
  // The last name given with a folder, and its file: a caller reads many
  // values of one file in a row.
  std::u16string lastName;
  CachedFile* lastFile = nullptr;
};
ProfileStore& Store() {
  static ProfileStore* store = new ProfileStore;  // outlives every static user and the exit handler
  return *store;
}

bool HasFolder(std::u16string_view name) {
  return name.find(u'/') != std::u16string_view::npos || name.find(u'\\') != std::u16string_view::npos;
}

// The file a name stands for (a bare name's folder follows the environment,
// so only names with a folder are remembered).
CachedFile& Resolve(ProfileStore& store, LPCWSTR file) {
  std::u16string_view name = View(file);
  if (store.lastFile && name == store.lastName) return *store.lastFile;
  std::string path = pv::ProfileFilePath(file);
  auto& slot = store.files[path];
  if (!slot) {
    slot = std::make_unique<CachedFile>();
    slot->path = path;
  }
  if (HasFolder(name)) {
    store.lastName.assign(name);
    store.lastFile = slot.get();
  }
  return *slot;
}

// Reads the file again when it changed on disk since it was read (only
// when no changes of ours wait for it: those are laid over the disk's text
// at the flush).
void Refresh(ProfileStore& store, CachedFile& f) {
  if (!f.pending.empty() || (f.loaded && f.checkedIn == store.generation)) return;
  FileIdentity id = Identify(f.path);
  f.checkedIn = store.generation;
  if (f.loaded && id == f.base) return;
  f.base = id;
  f.unreadable = false;
  std::string bytes;
  if (!id.exists) {
    f.text.Clear();
    f.loaded = true;
  } else if (pv::sys::ReadWholeFile(f.path, &bytes)) {
    f.text.Parse(bytes);
    f.loaded = true;
  } else {
    // Read again at the next use; nothing may be written over it.
    f.text.Clear();
    f.loaded = false;
    f.unreadable = true;
  }
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

BOOL WriteToDisk(const std::string& path, const IniFile& t, std::string* why = nullptr) {
  std::string error;
  if (path.rfind(pv::sys::ConfigFolder() + "/", 0) == 0) pv::sys::MakeDirectories(pv::sys::ConfigFolder());
  if (!pv::sys::WriteFileAtomically(path, t.Serialize(), &error)) {
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

// Writes the waiting changes of one file: under the writers' lock, a file
// another process changed meanwhile is read again and the changes laid
// over it, so neither loses the other's values.
BOOL FlushFile(ProfileStore& store, CachedFile& f) {
  if (f.pending.empty()) return TRUE;
  ProfileLock lock;
  FileIdentity now = Identify(f.path);
  if (now != f.base) {
    std::string bytes;
    IniFile merged;
    if (now.exists && !pv::sys::ReadWholeFile(f.path, &bytes)) {
      pv::sys::ReportProblem("could not save the settings file " + f.path +
                             ": it changed on disk and can no longer be read; it was left as it is");
      f.pending.clear();
      f.loaded = false;
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (now.exists) merged.Parse(bytes);
    for (const Change& c : f.pending) c.ApplyTo(merged);
    f.text = std::move(merged);
  }
  f.pending.clear();
  std::string why;
  BOOL ok = WriteToDisk(f.path, f.text, &why);
  if (!ok) pv::sys::ReportProblem("could not save the settings file " + f.path + ": " + why);
  f.base = Identify(f.path);
  f.checkedIn = store.generation;
  if (!ok) f.loaded = false;  // read the disk's text again at the next use
  return ok;
}

BOOL FlushAll(ProfileStore& store) {
  BOOL ok = TRUE;
  DWORD error = ERROR_SUCCESS;
  for (auto& [path, f] : store.files)
    if (!FlushFile(store, *f)) {
      ok = FALSE;
      error = GetLastError();
    }
  ++store.generation;  // files are looked at again at their next use
  if (!ok) SetLastError(error);
  return ok;
}

void FlushAtExit() {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  FlushAll(store);
}

// Applies a change in memory and keeps it for the next flush. The first
// change of a file after a flush checks that the file could take it: a
// file that exists but cannot be read is never replaced by one that holds
// only the changes (ERROR_ACCESS_DENIED), and a file that could not be
// written now is refused at once instead of answered as stored.
BOOL Keep(LPCWSTR file, Change change) {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  CachedFile& f = Resolve(store, file);
  if (f.pending.empty()) {
    Refresh(store, f);
    if (f.unreadable) {
      SetLastError(ERROR_ACCESS_DENIED);
      return FALSE;
    }
    if (!CanWrite(f.path)) return FALSE;
  }
  change.ApplyTo(f.text);
  f.pending.push_back(std::move(change));
  if (!store.flushAtExit) {
    store.flushAtExit = true;
    std::atexit(&FlushAtExit);
  }
  return TRUE;
}

}  // namespace

namespace pv {
ProfileWriteBatch::ProfileWriteBatch() {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  ++store.depth;
}

ProfileWriteBatch::~ProfileWriteBatch() {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  if (--store.depth == 0) FlushAll(store);
}

BOOL FlushProfiles() {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  return store.depth == 0 ? FlushAll(store) : TRUE;
}

BOOL DeleteProfileFile(LPCWSTR file) {
  if (!file) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  std::string path = ProfileFilePath(file);
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  if (auto it = store.files.find(path); it != store.files.end()) {
    if (store.lastFile == it->second.get()) store.lastFile = nullptr;
    store.files.erase(it);
  }
  if (::unlink(path.c_str()) == 0) return TRUE;
  SetLastError(errno == ENOENT ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED);
  return FALSE;
}

std::string ProfileFilePath(LPCWSTR file) {
  std::string p = sys::NativePath(file);
  if (p.find('/') == std::string::npos) return sys::ConfigFolder() + "/" + p;
  return p;
}

void ResetProfilesForTests() {
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  store.files.clear();
  store.lastFile = nullptr;
  store.depth = 0;
  ++store.generation;
}
}  // namespace pv

namespace {
// The file's text for reading, or null when there is no file name.
const IniFile* ForReading(ProfileStore& store, LPCWSTR file) {
  if (!file) return nullptr;
  CachedFile& f = Resolve(store, file);
  Refresh(store, f);
  return &f.text;
}
}  // namespace

DWORD GetPrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR defaultValue, LPWSTR buffer, DWORD size,
                               LPCWSTR file) {
  if (!buffer || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  const IniFile* t = ForReading(store, file);
  if (!section) {
    std::vector<std::u16string> names;
    if (t)
      for (const auto& s : t->sections())
        if (s->hasHeader) names.push_back(s->header.info.name);
    return CopyList(names, buffer, size);
  }
  if (!key) {
    std::vector<std::u16string> keys;
    if (const Section* s = t ? t->Find(View(section)) : nullptr)
      for (const Line& l : s->lines)
        if (l.info.kind == LineInfo::kKey) keys.push_back(l.info.name);
    return CopyList(keys, buffer, size);
  }
  if (const Line* l = t ? t->FindKey(View(section), View(key)) : nullptr) {
    SetLastError(ERROR_SUCCESS);
    const std::u16string& v = l->info.value;
    // One pair of surrounding quotes is removed.
    if (v.size() >= 2 && (v[0] == u'"' || v[0] == u'\'') && v.back() == v[0])
      return CopyValue(std::u16string_view(v).substr(1, v.size() - 2), buffer, size);
    return CopyValue(v, buffer, size);
  }
  std::u16string_view def = View(defaultValue);
  while (!def.empty() && IsBlank(def.back())) def.remove_suffix(1);
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
      int d = (c >= u'0' && c <= u'9')   ? c - u'0'
              : (c >= u'a' && c <= u'f') ? c - u'a' + 10
              : (c >= u'A' && c <= u'F') ? c - u'A' + 10
                                         : -1;
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
  ProfileStore& store = Store();
  std::lock_guard<std::recursive_mutex> guard(store.mutex);
  const IniFile* t = ForReading(store, file);
  if (const Section* s = t ? t->Find(View(section)) : nullptr)
    for (const Line& l : s->lines) {
      if (l.info.kind == LineInfo::kKey) {
        lines.push_back(l.info.name + u"=" + l.info.value);
        continue;
      }
      std::u16string line = Trim(FromUtf8(l.raw));
      if (!line.empty() && line[0] != u';') lines.push_back(std::move(line));
    }
  return CopyList(lines, buffer, size);
}

DWORD GetPrivateProfileSectionNamesW(LPWSTR buffer, DWORD size, LPCWSTR file) {
  return GetPrivateProfileStringW(nullptr, nullptr, nullptr, buffer, size, file);
}

BOOL WritePrivateProfileStringW(LPCWSTR section, LPCWSTR key, LPCWSTR value, LPCWSTR file) {
  if (!section && !key && !value) {
    // Flushes the waiting changes of every file, as Windows does, even
    // inside a batch.
    ProfileStore& store = Store();
    std::lock_guard<std::recursive_mutex> guard(store.mutex);
    return FlushAll(store);
  }
  if (!section || !file || !ValidSection(View(section)) || (key && !ValidKey(View(key))) ||
      (value && HasLineBreak(View(value)))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Change c;
  c.section = View(section);
  c.hasKey = key != nullptr;
  c.key = View(key);
  c.hasValue = value != nullptr;
  c.value = View(value);
  return Keep(file, std::move(c));
}

BOOL WritePrivateProfileSectionW(LPCWSTR section, LPCWSTR lines, LPCWSTR file) {
  if (!section || !file || !ValidSection(View(section))) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  Change c;
  c.kind = Change::kSection;
  c.section = View(section);
  c.hasBody = lines != nullptr;
  for (const char16_t* p = lines; p && *p; p += pv::sys::Len(p) + 1) {
    std::u16string_view line = View(p);
    if (HasLineBreak(line) || Trim(line).starts_with(u"[")) {
      SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    c.body.push_back(ToUtf8(line));
  }
  return Keep(file, std::move(c));
}
